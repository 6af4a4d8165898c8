#include "style/OtsFile.h"

#include <gtest/gtest.h>

#include "base/Reporter.h"
#include "style/StyleSamples.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Message = RecordingReporter::Message;

TEST(OtsFile, EntriesAndTheVolumeFlag) {
    OneTouchSettings settings = DefaultOneTouchSettings();
    settings[2][1].volume = 0;
    settings[3][3] = {1, 2, 3, 4, 0xF4, 6, 7, 8};
    const Bytes bytes = OtsFile(settings).Serialize();
    ASSERT_EQ(bytes.size(), OtsFile::kFileSize);
    // Setting 0, R1: flag, bank 0/0, program 0, volume 100, octave 0, reverb 40, chorus 0, pan 64.
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 9), (Bytes{1, 0, 0, 0, 100, 0, 40, 0, 64}));
    EXPECT_EQ(bytes[9 * (2 * 4 + 1)], 0);  // the part with volume 0
    EXPECT_EQ(bytes[9 * (2 * 4 + 1) + 4], 0);
    EXPECT_EQ(Bytes(bytes.end() - 9, bytes.end()), (Bytes{1, 1, 2, 3, 4, 0xF4, 6, 7, 8}));

    // All volumes 100: the flag is set in all sixteen entries.
    for (auto& setting : settings) {
        for (auto& part : setting) {
            part.volume = 100;
        }
    }
    const Bytes full = OtsFile(settings).Serialize();
    for (size_t entry = 0; entry < 16; ++entry) {
        EXPECT_EQ(full[entry * OtsFile::kEntrySize], 1) << entry;
    }
}

TEST(OtsFile, WriteReadWriteAndFlagsAsRead) {
    TempDir dir;
    RecordingReporter reporter;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const StyleModel style = test::RandomStyle(seed);
        const OtsFile ots(style.oneTouch);
        ASSERT_TRUE(ots.Write(dir / "a.ots", reporter));
        OtsFile back;
        ASSERT_TRUE(back.Read(dir / "a.ots", reporter));
        EXPECT_EQ(back.Settings(), style.oneTouch);
        EXPECT_EQ(back.Serialize(), ots.Serialize());
    }
    EXPECT_TRUE(reporter.Empty());

    // A flag that disagrees with the volume is shown as stored.
    Bytes odd = OtsFile().Serialize();
    odd[0] = 0;
    OtsFile back;
    ASSERT_TRUE(back.ReadBytes(odd, reporter));
    EXPECT_FALSE(back.VolumeFlag(0, 0));
    EXPECT_TRUE(back.VolumeFlag(0, 1));
    EXPECT_TRUE(OtsFile().VolumeFlag(0, 0));
}

TEST(OtsFile, RefusedFiles) {
    TempDir dir;
    RecordingReporter reporter;
    OtsFile ots;
    const OneTouchSettings before = ots.Settings();
    WriteFile(dir / "short.ots", std::string(143, '\1'));
    WriteFile(dir / "long.ots", std::string(200, '\1'));
    EXPECT_FALSE(ots.Read(dir / "short.ots", reporter));
    EXPECT_FALSE(ots.Read(dir / "long.ots", reporter));
    EXPECT_FALSE(ots.Read(dir / "none.ots", reporter));
    EXPECT_EQ(ots.Settings(), before);
    EXPECT_EQ(reporter.Messages(),
              (std::vector<Message>{{Icon::Error, "Error", "Invalid format of OTS file", false},
                                    {Icon::Error, "Error", "Invalid format of OTS file", false},
                                    {Icon::Error, "Error", "Open the OTS file failed", false}}));

    reporter.Clear();
    EXPECT_FALSE(ots.Write(dir / "missing" / "a.ots", reporter));
    EXPECT_EQ(reporter.Messages(),
              (std::vector<Message>{{Icon::Error, "Error", "Create OTS file failed", false}}));
    EXPECT_EQ(ReadFile(dir / "missing" / "a.ots"), "<missing>");
}

}  // namespace
}  // namespace veltrano
