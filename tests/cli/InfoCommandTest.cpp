#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "arp/ArpPattern.h"
#include "base/Reporter.h"
#include "style/DscFile.h"
#include "style/OtsFile.h"
#include "style/StyleFile.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::BuiltProgram;
using test::RunProgram;
using test::TempDir;
using test::WriteFile;

class InfoCommandTest : public ::testing::Test {
protected:
    test::ProcessResult Info(const std::filesystem::path& file, bool json = true) {
        std::vector<std::string> args{"info", file.string()};
        if (json) {
            args.push_back("--json");
        }
        return RunProgram(BuiltProgram("veltrano-cli").string(), args,
                          {"VELTRANO_HOME=" + home_.Path().string()});
    }
    nlohmann::json Json(const std::filesystem::path& file) {
        const auto result = Info(file);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.exitCode == 0 ? nlohmann::json::parse(result.out) : nlohmann::json();
    }
    TempDir home_;
    TempDir files_;
};

// A format-0 file: tempo 100, 3/4, one note.
std::string SmallMidiFile() {
    const std::string track =
        std::string("\x00\xFF\x51\x03\x09\x27\xC0", 7) +
        std::string("\x00\xFF\x58\x04\x03\x02\x18\x08", 8) + std::string("\x00\x90\x3C\x64", 4) +
        std::string("\x60\x80\x3C\x00", 4) + std::string("\x00\xFF\x2F\x00", 4);
    std::string file = std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14) + "MTrk";
    const auto n = static_cast<uint32_t>(track.size());
    file += static_cast<char>(n >> 24);
    file += static_cast<char>(n >> 16);
    file += static_cast<char>(n >> 8);
    file += static_cast<char>(n);
    return file + track;
}

TEST_F(InfoCommandTest, EveryKindOfFile) {
    const auto bank = Json(test::SourceResources() / "Presets" / "Default" / "Default.prf");
    EXPECT_FALSE(bank.empty());

    ArpPattern pattern;
    ArpStep step;
    step.noteMask = 0x0005;
    pattern.SetStep(0, step);
    RecordingReporter reporter;
    ASSERT_TRUE(pattern.Save(files_ / "p.arp", 2, reporter));
    const auto arp = Json(files_ / "p.arp");
    EXPECT_EQ(arp["length"], 2);
    EXPECT_EQ(arp["steps"][0]["rows"], (nlohmann::json{0, 2}));

    WriteFile(files_ / "tune.mid", SmallMidiFile());
    const auto midi = Json(files_ / "tune.mid");
    EXPECT_FALSE(midi.empty());
    const auto midiText = Info(files_ / "tune.mid", false);
    EXPECT_EQ(midiText.exitCode, 0);
    EXPECT_NE(midiText.out.find("96"), std::string::npos) << midiText.out;  // the division

    StyleFile style;
    style.Model().info.longName = "Info Test Style";
    ASSERT_TRUE(style.save(files_ / "s.sty", reporter));
    const auto sty = Json(files_ / "s.sty");
    EXPECT_NE(sty.dump().find("Info Test Style"), std::string::npos);

    ASSERT_TRUE(DscFile::FromStyle(style.Model()).write(files_ / "s.dsc", reporter));
    EXPECT_FALSE(Json(files_ / "s.dsc").empty());
    ASSERT_TRUE(OtsFile(style.Model().oneTouch).Write(files_ / "s.ots", reporter));
    EXPECT_FALSE(Json(files_ / "s.ots").empty());
}

TEST_F(InfoCommandTest, UnreadableFilesExitOneWithTheReadersMessage) {
    for (const char* name : {"bad.prf", "bad.arp", "bad.mid", "bad.sty", "bad.dsc", "bad.ots"}) {
        WriteFile(files_ / name, "this is not such a file at all");
        const auto result = Info(files_ / name, false);
        EXPECT_EQ(result.exitCode, 1) << name;
        EXPECT_FALSE(result.err.empty()) << name;
    }
    const auto missing = Info(files_ / "missing.arp", false);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Open the arp file failed"), std::string::npos);
    WriteFile(files_ / "notes.txt", "x");
    EXPECT_EQ(Info(files_ / "notes.txt").exitCode, 2);
}

}  // namespace
}  // namespace veltrano
