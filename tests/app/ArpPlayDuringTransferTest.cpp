#include <gtest/gtest.h>

#include <map>

#include "app/PreviewOutput.h"
#include "arp/ArpPlayer.h"
#include "support/TransferRig.h"

namespace veltrano {
namespace {

// The preview plays on its clock's thread while the window thread downloads 64 KB through the
// same MIDI output; every note the preview started reaches the instrument and is ended. The
// suite name puts it among the preview's thread-sanitizer runs.
TEST(ArpPlayDuringTransfer, PreviewNotesGoOutBesideADownloadAndAllEnd) {
    test::TransferRig t;
    PreviewOutput output(t.rig->ports);
    RecordingReporter reporter;
    ArpPlayer player(output, reporter);
    ArpPattern pattern;
    for (int i = 0; i < 4; ++i) {
        ArpStep step;
        step.noteMask = static_cast<uint16_t>(1u << (i % 3));
        step.gate = i == 3 ? ArpStep::kGateLegato : 40;
        pattern.SetStep(i, step);
    }
    pattern.SetLength(4);
    ASSERT_TRUE(player.Command(ArpEngine::kResolution, 0));
    ASSERT_TRUE(player.Start(pattern, t.local / "PREVIEW.ARP", 0, {60, 64, 67}, reporter));

    const std::string bytes = test::PatternBytes(64 * 1024, 5);
    test::WriteFile(t.Local("BIG.MID"), bytes);
    const auto aNoteWentOut = [&] {
        for (const ShortMessageRecord& m : t.rig->Backend().ShortMessages()) {
            if (m.bytes.size() == 3 && m.bytes[2] > 0) {
                return true;
            }
        }
        return false;
    };
    // A fast machine downloads 64 KB quicker than the first step sounds: go on downloading
    // until the preview has been heard beside a download (and at least three times).
    int rounds = 0;
    for (; rounds < 3 || (!aNoteWentOut() && rounds < 500); ++rounds) {
        // The window thread keeps sending commands meanwhile.
        const int key = 72 + rounds % 3;
        player.Key(key, 100);
        const bool downloaded = t.transfers->DownloadFile(t.Local("BIG.MID"));
        ASSERT_TRUE(downloaded) << testing::PrintToString(t.rig->reporter.Texts());
        player.Key(key, 0);
    }
    ASSERT_TRUE(aNoteWentOut()) << "no note during " << rounds << " downloads";
    EXPECT_EQ(t.Stored("USER", "BIG.MID"), bytes);

    player.Stop();
    ASSERT_TRUE(player.WaitUntilQuiet(std::chrono::seconds(10)));
    ASSERT_TRUE(output.WaitUntilSent(std::chrono::milliseconds(10000)));
    t.rig->Run(std::chrono::milliseconds(100));  // the last notes cross the simulated cable

    std::map<int, int> sounding;
    int notes = 0;
    for (const ShortMessageRecord& m : t.rig->Backend().ShortMessages()) {
        ASSERT_EQ(m.bytes.size(), 3u);
        EXPECT_EQ(m.bytes[0], 0x90);
        sounding[m.bytes[1]] += m.bytes[2] > 0 ? 1 : -1;
        notes += m.bytes[2] > 0 ? 1 : 0;
    }
    EXPECT_GT(notes, 0);
    for (const auto& [note, count] : sounding) {
        EXPECT_EQ(count, 0) << "note " << note;
    }
    EXPECT_EQ(output.Dropped(), 0u);
}

}  // namespace
}  // namespace veltrano
