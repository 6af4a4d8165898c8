#include <gtest/gtest.h>

#include "base/Reporter.h"
#include "style/MidiFile.h"
#include "style/StyleFile.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::BuiltProgram;
using test::ReadFile;
using test::RunProgram;
using test::TempDir;
using test::WriteFile;

class StyleToMidiCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        StyleFile style;
        style.Model().info.shortName = "CLI";
        style.Model().sections[static_cast<size_t>(MainSlot(0))].present = true;
        style.Model().sections[static_cast<size_t>(MainSlot(0))].bars = 2;
        RecordingReporter reporter;
        ASSERT_TRUE(style.save(style_, reporter));
    }
    test::ProcessResult Cli(const std::vector<std::string>& args) {
        return RunProgram(BuiltProgram("veltrano-cli").string(), args,
                          {"VELTRANO_HOME=" + home_.Path().string()});
    }
    TempDir home_;
    TempDir files_;
    std::filesystem::path style_ = files_ / "s.sty";
};

TEST_F(StyleToMidiCommandTest, WritesTheMidiFileAndReplacesOnlyWithYes) {
    const auto made = Cli({"sty2mid", style_.string(), (files_ / "out.txt").string(), "--tempo",
                           "90", "--timesig", "3/4"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.out, (files_ / "out.mid").string() + "\n");
    MidiFile midi;
    RecordingReporter reporter;
    ASSERT_TRUE(midi.load(files_ / "out.mid", reporter));
    EXPECT_EQ(midi.TempoMap().at(0).bpm, 90);
    EXPECT_EQ(midi.TimeSignatureMap().at(0).numerator, 3);
    const std::string first = ReadFile(files_ / "out.mid");
    EXPECT_NE(first.find("name:,CLI,,"), std::string::npos);

    // Existing: without --yes the question is answered No and nothing is written.
    const auto kept = Cli({"sty2mid", style_.string(), (files_ / "out.mid").string()});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_NE(kept.err.find("This file is exist, do you want to continue?"), std::string::npos);
    EXPECT_EQ(ReadFile(files_ / "out.mid"), first);
    const auto replaced = Cli({"sty2mid", style_.string(), (files_ / "out.mid").string(), "--yes"});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_NE(ReadFile(files_ / "out.mid"), first);  // the style's own 4/4 and tempo 100
}

TEST_F(StyleToMidiCommandTest, RefusalsAndTheSideFiles) {
    const auto out = (files_ / "x.mid").string();
    const auto slow = Cli({"sty2mid", style_.string(), out, "--tempo", "29"});
    EXPECT_EQ(slow.exitCode, 1);
    EXPECT_EQ(slow.err, "SaveMidi: The tempo value is out of range\n");
    const auto sig = Cli({"sty2mid", style_.string(), out, "--timesig", "3"});
    EXPECT_EQ(sig.err,
              "SaveMidi: The format of time signature is: nn/dd \nnn is the numerator and dd is "
              "the denominator\n");
    const auto name = Cli({"sty2mid", style_.string(), out, "--short-name", "NINECHARS"});
    EXPECT_EQ(name.err, "SaveMidi: The length of short name must be 1~8\n");
    const auto missing = Cli({"sty2mid", (files_ / "none.sty").string(), out});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "Error: Open the style file failed \n");
    EXPECT_FALSE(std::filesystem::exists(out));

    const auto ots = Cli({"sty2ots", style_.string(), (files_ / "x").string()});
    EXPECT_EQ(ots.exitCode, 0) << ots.err;
    EXPECT_EQ(ReadFile(files_ / "x.ots").size(), 144u);
    const auto dsc = Cli({"sty2dsc", style_.string(), (files_ / "x.sty.bak").string()});
    EXPECT_EQ(dsc.exitCode, 0) << dsc.err;
    EXPECT_EQ(ReadFile(files_ / "x.sty.dsc").substr(0, 4), "CASM");
}

TEST_F(StyleToMidiCommandTest, ManyStylesAndFoldersIntoOneFolder) {
    const std::filesystem::path folder = files_ / "styles";
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(style_, folder / "b.STY");
    std::filesystem::copy_file(style_, folder / "a.sty");
    WriteFile(folder / "notes.txt", "not a style");
    WriteFile(files_ / "broken.sty", "MSF broken");
    const auto out = files_ / "out" / "mid";

    const auto run = Cli({"sty2mid", "--out", out.string(), folder.string(),
                          (files_ / "broken.sty").string(), style_.string(), "--tempo", "90"});
    // The broken style is reported and counted; the others are written.
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, (out / "a.mid").string() + "\n" + (out / "b.mid").string() + "\n" +
                           (out / "s.mid").string() + "\n");
    EXPECT_NE(run.err.find("[1/4] " + (folder / "a.sty").string()), std::string::npos);
    EXPECT_NE(run.err.find("[3/4] " + (files_ / "broken.sty").string()), std::string::npos);
    EXPECT_NE(run.err.find("3 of 4 converted"), std::string::npos);
    MidiFile midi;
    RecordingReporter reporter;
    ASSERT_TRUE(midi.load(out / "b.mid", reporter));
    EXPECT_EQ(midi.TempoMap().at(0).bpm, 90);

    // Without --out the old form takes exactly a style and a target.
    const auto three = Cli({"sty2mid", style_.string(), style_.string(), "x.mid"});
    EXPECT_EQ(three.exitCode, 2);
    const auto none = Cli({"sty2mid", "--out", out.string(), (files_ / "out").string()});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("No style files"), std::string::npos);
}

}  // namespace
}  // namespace veltrano
