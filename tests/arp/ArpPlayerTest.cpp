#include "arp/ArpPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

#include "arp/NoteOutput.h"
#include "base/Reporter.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

// Keeps what the clock's thread sent; read by the test once the clock rests.
class LockedRecorder : public NoteOutput {
public:
    bool SendShort(uint32_t message) override {
        std::lock_guard lock(mutex_);
        sent_.push_back(message);
        return true;
    }
    std::vector<uint32_t> Sent() {
        std::lock_guard lock(mutex_);
        return sent_;
    }

private:
    std::mutex mutex_;
    std::vector<uint32_t> sent_;
};

// Notes still sounding, by channel and note, after the messages so far.
std::map<std::pair<int, int>, int> Sounding(const std::vector<uint32_t>& sent) {
    std::map<std::pair<int, int>, int> sounding;
    for (uint32_t m : sent) {
        const int status = static_cast<int>(m & 0xFF);
        const int note = static_cast<int>((m >> 8) & 0x7F);
        const int velocity = static_cast<int>((m >> 16) & 0x7F);
        if ((status & 0xF0) != 0x90) {
            continue;
        }
        sounding[{status & 0x0F, note}] += velocity > 0 ? 1 : -1;
    }
    std::erase_if(sounding, [](const auto& entry) { return entry.second == 0; });
    return sounding;
}

ArpPattern Drawn() {
    // A tie, a legato note and a short normal note, over three rows.
    ArpPattern pattern;
    ArpStep tie;
    tie.noteMask = 0b001;
    tie.gate = 0x82;
    ArpStep legato;
    legato.noteMask = 0b010;
    legato.gate = ArpStep::kGateLegato;
    ArpStep normal;
    normal.noteMask = 0b100;
    normal.gate = 30;
    pattern.SetStep(0, tie);
    pattern.SetStep(2, legato);
    pattern.SetStep(3, normal);
    pattern.SetLength(4);
    return pattern;
}

// Commands from this (the window's) thread while the clock plays: keys, the channel, the
// controls, a stop and a restart. The run is also part of the thread-sanitizer job.
TEST(ArpPlayer, CommandsFromTheWindowWhileTheClockPlaysEndEveryNote) {
    test::TempDir dir;
    LockedRecorder out;
    RecordingReporter reporter;
    ArpPlayer player(out, reporter);
    ASSERT_TRUE(player.SendControls({}));
    ASSERT_TRUE(player.Command(ArpEngine::kResolution, 0));  // 16 ms steps
    ASSERT_TRUE(player.Start(Drawn(), dir / "PREVIEW.ARP", 0, {67, 60, 64}, reporter));
    EXPECT_TRUE(player.Running());
    ArpPattern written;
    ASSERT_TRUE(written.Load(dir / "PREVIEW.ARP", reporter));
    EXPECT_EQ(written.Length(), 4);

    for (int round = 0; round < 200; ++round) {
        player.Key(72 + round % 5, round % 2 == 0 ? 90 : 0);
        if (round % 50 == 25) {
            player.SetChannel(round % 100 == 25 ? 9 : 0);
        }
        if (round % 40 == 0) {
            player.Command(ArpEngine::kType, round % 4);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    player.Stop();
    EXPECT_FALSE(player.Running());
    ASSERT_TRUE(player.WaitUntilQuiet(std::chrono::seconds(10)));
    EXPECT_EQ(player.PlayedStep(), -1);
    const auto sent = out.Sent();
    EXPECT_TRUE(Sounding(sent).empty());
    EXPECT_FALSE(sent.empty());
    EXPECT_TRUE(reporter.Empty());

    // Started again, with no keys: nothing sounds, and the keys given later play.
    ASSERT_TRUE(player.Start(Drawn(), dir / "PREVIEW.ARP", 9, {}, reporter));
    player.Key(60, 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    player.Stop();
    ASSERT_TRUE(player.WaitUntilQuiet(std::chrono::seconds(10)));
    EXPECT_TRUE(Sounding(out.Sent()).empty());
}

TEST(ArpPlayer, ThePreviewHoldsALegatoNoteUntilItsRowPlaysAgain) {
    // Eight 16 ms steps: a legato note at the first, another row at the last. Taken as 101
    // ticks it would end before the last step begins; as drawn it is held past it, to the end
    // of the cycle. Only the order of the messages is looked at.
    test::TempDir dir;
    LockedRecorder out;
    RecordingReporter reporter;
    ArpPlayer player(out, reporter);
    ArpPattern pattern;
    ArpStep legato;
    legato.noteMask = 0b01;
    legato.gate = ArpStep::kGateLegato;
    ArpStep last;
    last.noteMask = 0b10;
    last.gate = 50;
    pattern.SetStep(0, legato);
    pattern.SetStep(7, last);
    pattern.SetLength(8);
    ASSERT_TRUE(player.Command(ArpEngine::kResolution, 0));
    ASSERT_TRUE(player.Start(pattern, dir / "PREVIEW.ARP", 0, {60, 64}, reporter));
    const auto index = [](const std::vector<uint32_t>& sent, uint32_t message) {
        const auto it = std::find(sent.begin(), sent.end(), message);
        return it == sent.end() ? -1 : static_cast<int>(it - sent.begin());
    };
    const uint32_t on64 = 0x90 | (64u << 8) | (100u << 16);
    const uint32_t off60 = 0x90 | (60u << 8);
    for (int i = 0; i < 2000 && index(out.Sent(), off60) < 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    player.Stop();
    ASSERT_TRUE(player.WaitUntilQuiet(std::chrono::seconds(10)));
    const auto sent = out.Sent();
    ASSERT_GE(index(sent, on64), 0);
    ASSERT_GE(index(sent, off60), 0);
    EXPECT_LT(index(sent, on64), index(sent, off60));
}

TEST(ArpPlayer, APreviewFileThatCannotBeWrittenDoesNotStart) {
    test::TempDir dir;
    LockedRecorder out;
    RecordingReporter reporter;
    ArpPlayer player(out, reporter);
    EXPECT_FALSE(player.Start(Drawn(), dir / "missing" / "PREVIEW.ARP", 0, {60}, reporter));
    EXPECT_FALSE(player.Running());
    EXPECT_EQ(reporter.Texts(), std::vector<std::string>{"Create arp file failed"});
}

}  // namespace
}  // namespace veltrano
