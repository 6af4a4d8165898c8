// The demo files the picture run shows: they read back as written, in the places the pages and
// the instrument's storage look for them.
#include <gtest/gtest.h>

#include "app/DemoFiles.h"
#include "arp/ArpEditor.h"
#include "base/FileIo.h"
#include "base/Reporter.h"
#include "style/StyleFile.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

TEST(DemoFiles, StylePatternAndPerformanceReadBackInBothPlaces) {
    test::TempDir root;
    const fs::path performance = root / "Default.prf";
    ASSERT_TRUE(WriteFileAtomic(performance, std::string(64, '\x01')));
    RecordingReporter reporter;
    std::string error;
    ASSERT_TRUE(demo_files::Write(root / "Files", root / "Storage", performance, reporter, error))
        << error;
    EXPECT_TRUE(reporter.Empty());

    const StyleModel expected = demo_files::Style();
    for (const fs::path& style : {root / "Files" / demo_files::kStyleName,
                                  root / "Storage" / "USER" / "STYLE" / demo_files::kStyleName}) {
        StyleFile read;
        ASSERT_TRUE(read.Load(style, reporter)) << style;
        EXPECT_EQ(read.Model().info, expected.info);
        for (int slot = 0; slot < kSectionSlotCount; ++slot) {
            const StyleSection& got = read.Model().sections[static_cast<size_t>(slot)];
            const StyleSection& want = expected.sections[static_cast<size_t>(slot)];
            EXPECT_EQ(got.present, want.present) << slot;
            EXPECT_EQ(got.bars, want.bars) << slot;
            // The music splits into the same events and ends on the bar line.
            EXPECT_EQ(got.music, want.music) << slot;
        }
    }

    for (const fs::path& folder : {root / "Files", root / "Storage" / "USER"}) {
        ArpEditor pattern;
        ASSERT_TRUE(pattern.Open(folder / demo_files::kPatternName, reporter)) << folder;
        for (const auto& [column, row] : demo_files::kPatternCells) {
            EXPECT_TRUE(pattern.Pattern().GetStep(column).HasNote(row)) << column << "," << row;
        }
        EXPECT_EQ(pattern.SaveLength(), 10);
        EXPECT_EQ(ReadFileBytes(folder / demo_files::kPerformanceName), ReadFileBytes(performance));
    }
}

TEST(DemoFiles, AMissingPerformanceIsLeftOutAndAnUnwritableFolderIsReported) {
    test::TempDir root;
    RecordingReporter reporter;
    std::string error;
    ASSERT_TRUE(demo_files::Write(root / "Files", {}, root / "none.prf", reporter, error));
    EXPECT_FALSE(fs::exists(root / "Files" / demo_files::kPerformanceName));
    EXPECT_FALSE(fs::exists(root / "USER"));

    // A plain file where the folder should be.
    ASSERT_TRUE(WriteFileAtomic(root / "blocked", "x"));
    EXPECT_FALSE(demo_files::Write(root / "blocked", {}, {}, reporter, error));
    EXPECT_NE(error.find("blocked"), std::string::npos) << error;
}

}  // namespace
}  // namespace veltrano
