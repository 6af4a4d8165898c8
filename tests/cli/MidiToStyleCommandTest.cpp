#include <gtest/gtest.h>

#include <filesystem>

#include "base/Reporter.h"
#include "style/DscFile.h"
#include "style/MidiFile.h"
#include "style/MidiTestFiles.h"
#include "style/StyleFile.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::BuiltProgram;
using test::ReadFile;
using test::RunProgram;
using test::TempDir;
using test::TrackBytes;
using test::WriteFile;

class MidiToStyleCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Sint, then Intro A, Main A, Fill In AA and Ending A, one bar each at division 96.
        TrackBytes t;
        t.Meta(0, kMidiMetaText, "name:Long Name,SHORT,Second\xFF,Third");
        t.Tempo(0, 500000).TimeSignature(0, 4, 2).Meta(0, kMidiMetaMarker, "Sint");
        int delta = 384;
        for (const char* name : {"Intro A", "Main A", "Fill In AA", "Ending A"}) {
            t.Meta(static_cast<uint32_t>(delta), kMidiMetaMarker, name);
            t.Event(0, {0x92, 60, 100}).Event(96, {0x82, 60, 0});
            delta = 288;
        }
        t.Event(288, {0xC0, 1}).End();
        WriteFile(midi_, test::AsView(test::MakeSmf(0, 96, {t})));
    }

    test::ProcessResult Cli(std::vector<std::string> args) {
        return RunProgram(BuiltProgram("veltrano-cli").string(), args,
                          {"VELTRANO_HOME=" + (home_ / "home").string()});
    }

    StyleModel Load(const std::filesystem::path& path) {
        StyleFile style;
        RecordingReporter reporter;
        EXPECT_TRUE(style.Load(path, reporter)) << ::testing::PrintToString(reporter.Texts());
        return style.Model();
    }

    TempDir home_;
    std::filesystem::path midi_ = home_ / "in.mid";
    std::filesystem::path out_ = home_ / "out.sty";
};

TEST_F(MidiToStyleCommandTest, EverySectionFoundWithTheResetValues) {
    const auto run = Cli({"mid2sty", midi_.string(), out_.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Main A"), std::string::npos);
    const StyleModel style = Load(out_);
    EXPECT_EQ(style.info.longName, "Long Name");
    EXPECT_EQ(style.info.shortName, "SHORT");
    EXPECT_EQ(style.info.secondText, "Second");
    EXPECT_EQ(style.info.thirdText, "Third");
    EXPECT_EQ(style.info.division, 96);
    for (const int slot : {IntroSlot(0), MainSlot(0), FillSlot(0), EndingSlot(0)}) {
        EXPECT_TRUE(style.sections[static_cast<size_t>(slot)].present) << slot;
        EXPECT_EQ(style.sections[static_cast<size_t>(slot)].bars, 1) << slot;
        EXPECT_TRUE(style.sections[static_cast<size_t>(slot)].channels[2].inUse) << slot;
    }
    EXPECT_FALSE(style.sections[IntroSlot(1)].present);
    EXPECT_EQ(style.sections[IntroSlot(0)].channels[2].chordMask, 0x0007FF00u);
    EXPECT_EQ(style.sections[MainSlot(0)].channels[2].chordMask, 0u);
    // Channel 2 is no rhythm part: its note carries its duration.
    EXPECT_EQ(style.sections[MainSlot(0)].music.events, (Bytes{0x00, 0x92, 60, 100, 96}));
    // To the end of its bar from the last event written, not from the unwritten note-off.
    EXPECT_EQ(style.sections[MainSlot(0)].music.remainingTicks, 384u);
}

TEST_F(MidiToStyleCommandTest, ChosenSectionsNamesAndDescriptions) {
    // "Default.dsc" of the program folder, then --dsc over it.
    std::filesystem::create_directories(home_ / "home");
    RecordingReporter reporter;
    DscFile defaults;
    ChannelDescription d = ChannelDescription::FromChannel(2, ChannelSetting());
    d.destination = 13;
    defaults.add_channel(0, d);  // Main A
    defaults.add_channel(4, d);  // Fill In AA
    ASSERT_TRUE(defaults.write(home_ / "home" / "Default.dsc", reporter));
    DscFile over;
    d.destination = 14;
    over.add_channel(4, d);
    ASSERT_TRUE(over.write(home_ / "over.dsc", reporter));

    const auto run = Cli({"mid2sty", midi_.string(), out_.string(), "--sections", "main a, Fill A",
                          "--short-name", "ABCDEFGHIJ", "--long-name", "Other", "--dsc",
                          (home_ / "over.dsc").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const StyleModel style = Load(out_);
    EXPECT_FALSE(style.sections[IntroSlot(0)].present);
    EXPECT_FALSE(style.sections[EndingSlot(0)].present);
    EXPECT_TRUE(style.sections[MainSlot(0)].present);
    EXPECT_TRUE(style.sections[FillSlot(0)].present);
    EXPECT_EQ(style.info.shortName, "ABCDEFGH");
    EXPECT_EQ(style.info.longName, "Other");
    EXPECT_EQ(style.sections[MainSlot(0)].channels[2].record.destination, 13);
    EXPECT_EQ(style.sections[FillSlot(0)].channels[2].record.destination, 14);
}

TEST_F(MidiToStyleCommandTest, RefusalsAndFailures) {
    ASSERT_EQ(Cli({"mid2sty", midi_.string(), out_.string()}).exitCode, 0);
    const std::string first = ReadFile(out_);

    // An existing target is kept without --yes.
    const auto kept = Cli({"mid2sty", midi_.string(), out_.string(), "--short-name", "NEW"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(ReadFile(out_), first);
    const auto replaced =
        Cli({"--yes", "mid2sty", midi_.string(), out_.string(), "--short-name", "NEW"});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(Load(out_).info.shortName, "NEW");

    const auto missing = Cli({"mid2sty", (home_ / "none.mid").string(), out_.string(), "--yes"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Error: Open midi file failed"), std::string::npos);

    TrackBytes noLeadIn;
    noLeadIn.Meta(0, kMidiMetaMarker, "Main A").Event(0, {0x90, 36, 100}).End();
    WriteFile(home_ / "bad.mid", test::AsView(test::MakeSmf(0, 96, {noLeadIn})));
    const auto bad = Cli({"mid2sty", (home_ / "bad.mid").string(), (home_ / "b.sty").string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("Warning: Wrong format of midi file: not find the mark of Sint"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home_ / "b.sty"));

    const auto b = (home_ / "b.sty").string();
    EXPECT_EQ(Cli({"mid2sty", midi_.string(), b, "--sections", "Main E"}).exitCode, 2);
    EXPECT_EQ(Cli({"mid2sty", midi_.string(), b, "--sections", "Main D"}).exitCode, 1);
    EXPECT_EQ(Cli({"mid2sty", midi_.string(), b, "--dsc", (home_ / "none.dsc").string()}).exitCode,
              1);
    EXPECT_EQ(Cli({"mid2sty", midi_.string()}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(home_ / "b.sty"));
}

}  // namespace
}  // namespace veltrano
