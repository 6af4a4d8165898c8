#include <gtest/gtest.h>

#include "support/TransferRig.h"
#include "transfer/LocalFiles.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DeviceRig;
using test::TransferRig;
using test::WriteFile;

std::vector<std::string> Names(const DeviceListing& listing) {
    std::vector<std::string> names;
    for (const FileEntry& e : listing.Entries()) {
        names.push_back(e.name);
    }
    return names;
}

TEST(Listing, EntriesInArrivalOrderAndTheCurrentFolder) {
    TransferRig t;
    EXPECT_EQ(t.listing.Folder(), "USER");
    (void)t.Put("USER\\STYLE", "B.STY", 300);
    (void)t.Put("USER\\STYLE", "A.STY", 10);
    ASSERT_TRUE(t.transfers->QueryFiles("USER\\STYLE"));
    EXPECT_EQ(t.listing.Folder(), "USER\\STYLE");
    EXPECT_EQ(Names(t.listing), (std::vector<std::string>{"A.STY", "B.STY"}));
    EXPECT_EQ(t.listing.Entries()[1].size, 300u);
    EXPECT_TRUE(t.listing.Entries()[1].HasSize());
    EXPECT_FALSE(t.rig->link.Busy());

    ASSERT_TRUE(t.transfers->QueryFiles(""));  // empty means USER: folders first
    EXPECT_EQ(t.listing.Folder(), "USER");
    ASSERT_GE(t.listing.Entries().size(), 3u);
    EXPECT_FALSE(t.listing.Entries()[0].HasSize());
    EXPECT_NE(t.listing.Find("voice"), nullptr);  // case is ignored
}

TEST(Listing, FirstReplyEndOfListAndInvalidFlag) {
    {
        DeviceRig::Options options;
        options.instrument.faults = ParseFaultList("status=query:1").faults;
        TransferRig t(options);
        ASSERT_TRUE(t.transfers->QueryFiles("USB"));
        EXPECT_TRUE(t.listing.Entries().empty());
        EXPECT_EQ(t.listing.Folder(), "USB");
        EXPECT_TRUE(t.rig->reporter.Empty());
    }
    {
        DeviceRig::Options options;
        options.instrument.faults = ParseFaultList("status=query:7").faults;
        TransferRig t(options);
        ASSERT_TRUE(t.transfers->QueryFiles("USB"));  // still counts as complete
        EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Invalid file flag"}));
        EXPECT_EQ(t.rig->reporter.Messages()[0].caption, "Query files");
        EXPECT_EQ(t.listing.Folder(), "USB");
    }
}

TEST(Listing, ADamagedEntryStopsTheListing) {
    TransferRig t;
    (void)t.Put("USB", "A.MID", 10);
    t.rig->tamper = [](Bytes& frame) {
        if (sysex::FrameCommand(frame) == sysex::CMD_QUERY_FILES && frame.size() > 100) {
            frame[30] ^= 0x01;
        }
        return true;
    };
    EXPECT_FALSE(t.transfers->QueryFiles("USB"));
    ASSERT_EQ(t.rig->reporter.Texts().size(), 1u);
    const std::string text = t.rig->reporter.Texts()[0];
    EXPECT_EQ(text.rfind("Checksum error: Pc(", 0), 0u) << text;
    EXPECT_EQ(text.find("0x"), std::string::npos) << text;
    EXPECT_EQ(sysex::ReplyStatus(t.rig->output.sent.back()), sysex::kAckChecksumError);
    EXPECT_EQ(t.listing.Folder(), "USER");  // unchanged
    EXPECT_FALSE(t.rig->link.Busy());
}

TEST(Listing, EntriesTooLongOrCutShortAreHandledSafely) {
    TransferRig t;
    (void)t.Put("USB", "A.MID", 10);
    (void)t.Put("USB", "B.MID", 10);
    t.rig->tamper = [](Bytes& frame) {
        const auto reply = EntryReply::Decode(frame);
        if (sysex::FrameCommand(frame) == sysex::CMD_QUERY_FILES && reply && reply->entry &&
            reply->entry->name == "A.MID") {
            FileEntry huge = *reply->entry;
            huge.name = std::string(600, 'h');
            frame = BuildEntryFrame(huge);
        }
        return true;
    };
    ASSERT_TRUE(t.transfers->QueryFiles("USB"));
    EXPECT_EQ(Names(t.listing), (std::vector<std::string>{"B.MID"}));
    EXPECT_TRUE(t.rig->reporter.Empty());

    t.rig->tamper = [](Bytes& frame) {
        if (sysex::FrameCommand(frame) == sysex::CMD_QUERY_FILES && frame.size() > 100) {
            frame.erase(frame.begin() + 60, frame.end() - 1);  // announces more than it holds
        }
        return true;
    };
    EXPECT_FALSE(t.transfers->QueryFiles("USB"));
    EXPECT_EQ(t.rig->reporter.Texts().size(), 1u);
}

TEST(Listing, RefusalsBeforeAnythingIsSent) {
    TransferRig t;
    const size_t before = t.rig->output.sent.size();
    EXPECT_FALSE(t.transfers->QueryFiles(std::string(151, 'p')));
    t.rig->link.state.connected = false;
    EXPECT_FALSE(t.transfers->QueryFiles("USER"));
    EXPECT_EQ(t.rig->reporter.Texts().back(), "No device be connected");
    EXPECT_EQ(t.rig->output.sent.size(), before);
    t.rig->link.state.connected = true;
    t.rig->tamper = [](Bytes&) { return false; };
    EXPECT_FALSE(t.transfers->QueryFiles("USER"));
    EXPECT_EQ(t.rig->reporter.Texts().back(), "Time out");
}

TEST(DeviceListingModel, FoldersAndTimes) {
    EXPECT_EQ(DeviceListing::ParentFolder("USER\\STYLE"), "USER");
    EXPECT_EQ(DeviceListing::ParentFolder("USER"), "");
    EXPECT_EQ(DeviceListing::ChildFolder("USER", "SONG"), "USER\\SONG");
    // 2024-01-02 03:04:05 UTC in 100-ns units since 1601.
    const uint64_t t = (1704164645ull + 11644473600ull) * 10000000ull;
    EXPECT_EQ(FormatDeviceTime(t), "1/2/2024 3:4:5");
    EXPECT_EQ(FormatDeviceTime(0), "");
}

TEST(LocalFiles, PatternHiddenEntriesAndFolders) {
    test::TempDir dir;
    WriteFile(dir / "a.mid", "");
    WriteFile(dir / "B.MID", "");
    WriteFile(dir / "c.sty", "");
    WriteFile(dir / ".hidden.mid", "");
    fs::create_directory(dir / "folder.mid");
    fs::create_directory(dir / "plain");
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    const std::string p = dir.Path().string() + "/";
    EXPECT_EQ(sorted(EnumerateLocalFiles(dir.Path(), "mid", false)),
              (std::vector<std::string>{p + "B.MID", p + "a.mid"}));
    EXPECT_EQ(sorted(EnumerateLocalFiles(dir.Path(), "mid", true)),
              (std::vector<std::string>{p + "B.MID", p + "a.mid", p + "folder.mid"}));
    EXPECT_EQ(EnumerateLocalFiles(dir.Path(), "*", true).size(), 5u);
    EXPECT_EQ(EnumerateLocalFiles(dir.Path(), "", false).size(), 3u);
    EXPECT_TRUE(EnumerateLocalFiles(dir / "missing", "*", true).empty());

    EXPECT_TRUE(IsBrowsableFile("/music/SONG.MID"));
    EXPECT_TRUE(IsBrowsableFile("/styles.sty/readme.txt"));  // a folder path counts too
    EXPECT_FALSE(IsBrowsableFile("/music/notes.txt"));
}

}  // namespace
}  // namespace veltrano
