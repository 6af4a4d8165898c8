#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "arp/ArpPattern.h"
#include "base/Reporter.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::BuiltProgram;
using test::RunProgram;
using test::TempDir;

struct LogLine {
    long long micros = 0;
    int status = 0;
    int note = 0;
    int velocity = 0;
};

std::vector<LogLine> ParseLog(const std::string& text) {
    std::vector<LogLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        LogLine l;
        fields >> l.micros >> std::hex >> l.status >> l.note >> l.velocity;
        EXPECT_FALSE(fields.fail()) << line;
        lines.push_back(l);
    }
    return lines;
}

class ArpPlayCommandTest : public ::testing::Test {
protected:
    ArpPlayCommandTest() {
        // Rows 0, 1, 2, 0: with three keys held the chord is played up, then its root again.
        ArpPattern pattern;
        for (int i = 0; i < 4; ++i) {
            ArpStep step = pattern.GetStep(i);
            step.noteMask = static_cast<uint16_t>(1u << (i % 3));
            step.gate = 50;
            pattern.SetStep(i, step);
        }
        SilentReporter reporter;
        EXPECT_TRUE(pattern.Save(pattern_, 4, reporter));
    }
    test::ProcessResult Play(std::vector<std::string> args) {
        args.insert(args.begin(), {"arp-play", pattern_.string(), "--sim", storage_.Path().string(),
                                   "--log", log_.string()});
        return RunProgram(BuiltProgram("veltrano-cli").string(), args,
                          {"VELTRANO_HOME=" + home_.Path().string()});
    }
    // Every note that sounded was ended with a velocity-0 note-on, the last message among them.
    static void ExpectAllEnded(const std::vector<LogLine>& log) {
        std::map<int, int> sounding;
        for (const LogLine& l : log) {
            EXPECT_EQ(l.status, 0x90);
            sounding[l.note] += l.velocity > 0 ? 1 : -1;
        }
        for (const auto& [note, count] : sounding) {
            EXPECT_EQ(count, 0) << "note " << note;
        }
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().velocity, 0);
    }

    TempDir home_;
    TempDir storage_;
    TempDir files_;
    std::filesystem::path pattern_ = files_ / "UP.ARP";
    std::filesystem::path log_ = files_ / "play.log";
};

TEST_F(ArpPlayCommandTest, PlaysTheHeldChordStepByStepAndEndsEveryNote) {
    const auto result =
        Play({"--notes", "60,64,67", "--velocity", "90", "--resolution", "4", "--seconds", "1.5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<LogLine> log = ParseLog(test::ReadFile(log_));
    ExpectAllEnded(log);

    std::vector<LogLine> ons;
    std::copy_if(log.begin(), log.end(), std::back_inserter(ons),
                 [](const LogLine& l) { return l.velocity > 0; });
    ASSERT_GE(ons.size(), 8u);
    const int cycle[] = {60, 64, 67, 60};
    std::vector<long long> gaps;
    for (size_t i = 0; i < ons.size(); ++i) {
        EXPECT_EQ(ons[i].note, cycle[i % 4]) << "note-on " << i;
        EXPECT_EQ(ons[i].velocity, 90);
        if (i > 0) {
            gaps.push_back(ons[i].micros - ons[i - 1].micros);
        }
    }
    // Resolution 4 is 64 ticks, one a millisecond, a step. This reads the program's own log.
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_NEAR(gaps[gaps.size() / 2], 64000, 5000);
}

TEST_F(ArpPlayCommandTest, EngineOptionsReachTheEngine) {
    // Type both over two octaves: every note also sounds an octave higher, at the same moment.
    const auto result = Play(
        {"--notes", "60", "--type", "3", "--range", "2", "--resolution", "0", "--seconds", "0.4"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<LogLine> log = ParseLog(test::ReadFile(log_));
    ExpectAllEnded(log);
    int low = 0;
    int high = 0;
    for (const LogLine& l : log) {
        if (l.velocity > 0) {
            ++(l.note == 60 ? low : high);
            EXPECT_TRUE(l.note == 60 || l.note == 72) << l.note;
        }
    }
    EXPECT_GT(low, 0);
    EXPECT_EQ(low, high);
}

TEST_F(ArpPlayCommandTest, StepGateHoldsALegatoNoteUntilItsRowPlaysAgain) {
    // Three steps of 64 ms, a legato note at the first. The percent gate takes 101 as a tick
    // count (101 ms); the step gate holds it until the next cycle plays the row (192 ms).
    ArpPattern pattern;
    ArpStep step = pattern.GetStep(0);
    step.noteMask = 0x1;
    step.gate = ArpStep::kGateLegato;
    pattern.SetStep(0, step);
    SilentReporter reporter;
    ASSERT_TRUE(pattern.Save(pattern_, 3, reporter));
    for (const bool stepGate : {false, true}) {
        std::vector<std::string> args{"--notes", "60", "--resolution", "4", "--seconds", "0.9"};
        if (stepGate) {
            args.push_back("--step-gate");
        }
        const auto result = Play(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::vector<LogLine> log = ParseLog(test::ReadFile(log_));
        ExpectAllEnded(log);
        ASSERT_GE(log.size(), 4u);
        std::vector<long long> held;
        for (size_t i = 0; i + 1 < log.size(); ++i) {
            if (log[i].velocity > 0 && log[i + 1].velocity == 0) {
                held.push_back(log[i + 1].micros - log[i].micros);
            }
        }
        ASSERT_FALSE(held.empty());
        std::nth_element(held.begin(), held.begin() + held.size() / 2, held.end());
        const long long median = held[held.size() / 2];
        if (stepGate) {
            EXPECT_GT(median, 150000) << "held until the row plays again";
        } else {
            EXPECT_LT(median, 150000) << "101 ticks";
        }
    }
}

TEST_F(ArpPlayCommandTest, WrongUsageAndBadFiles) {
    EXPECT_EQ(Play({}).exitCode, 2);  // --notes missing
    EXPECT_EQ(Play({"--notes", "60,128"}).exitCode, 2);
    EXPECT_EQ(Play({"--notes", "60", "--resolution", "6"}).exitCode, 2);
    EXPECT_EQ(Play({"--notes", "60", "--range", "0"}).exitCode, 2);
    const auto noPort = RunProgram(BuiltProgram("veltrano-cli").string(),
                                   {"arp-play", pattern_.string(), "--notes", "60"},
                                   {"VELTRANO_HOME=" + home_.Path().string()});
    EXPECT_EQ(noPort.exitCode, 2);

    test::WriteFile(pattern_, std::string("\x05\x00\x01", 3));  // five steps promised, none there
    const auto broken = Play({"--notes", "60", "--seconds", "0.1"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("Error: Open the arp file failed"), std::string::npos) << broken.err;
}

}  // namespace
}  // namespace veltrano
