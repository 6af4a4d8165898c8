#include <gtest/gtest.h>

#include "support/TransferRig.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DeviceRig;
using test::ReadFile;
using test::TransferRig;
using test::WriteFile;

// True for a data block from the instrument.
bool IsBlock(const Bytes& frame) {
    return sysex::FrameCommand(frame) == sysex::CMD_UPLOAD &&
           frame.size() == sysex::kDataBlockFrameSize;
}

int CountSent(const TransferRig& t, uint8_t command, std::optional<uint8_t> status = {}) {
    int n = 0;
    for (const Bytes& frame : t.rig->output.sent) {
        if (sysex::FrameCommand(frame) == command &&
            (!status || (frame.size() == 16 && sysex::ReplyStatus(frame) == status))) {
            ++n;
        }
    }
    return n;
}

TEST(Upload, SizesAroundTheBlockBoundaries) {
    for (size_t size : {0u, 256u, 257u, 1024u, 1025u}) {
        TransferRig t;
        const std::string name = "S" + std::to_string(size) + ".STY";
        const std::string bytes = t.Put("USER", name, size);
        ASSERT_TRUE(t.transfers->UploadFile(name, static_cast<uint32_t>(size), t.local.Path()))
            << size << testing::PrintToString(t.rig->reporter.Texts());
        EXPECT_EQ(ReadFile(t.Local(name)), bytes) << size;
        EXPECT_TRUE(t.rig->reporter.Empty());
        EXPECT_FALSE(t.rig->link.Busy());
        EXPECT_FALSE(t.rig->link.state.abort);
        // One acknowledgement 0 for the first reply and one per block.
        EXPECT_EQ(CountSent(t, sysex::CMD_UPLOAD, 0), 1 + static_cast<int>((size + 255) / 256));
        EXPECT_EQ(t.observer.lastDone, size == 0 ? 0u : size);
    }
}

TEST(Upload, BadChecksumsThreeTimesThenGood) {
    TransferRig t;
    const std::string bytes = t.Put("USER", "A.MID", 600);
    int damaged = 0;
    t.rig->tamper = [&](Bytes& frame) {
        if (IsBlock(frame) && damaged < 3) {
            ++damaged;
            frame[100] ^= 0x01;
        }
        return true;
    };
    ASSERT_TRUE(t.transfers->UploadFile("A.MID", 600, t.local.Path()));
    EXPECT_EQ(ReadFile(t.Local("A.MID")), bytes);
    EXPECT_EQ(CountSent(t, sysex::CMD_UPLOAD, 2), 3);
    EXPECT_TRUE(t.rig->reporter.Empty());
}

TEST(Upload, FourBadChecksumsEndTheUpload) {
    TransferRig t;
    (void)t.Put("USER", "A.MID", 600);
    WriteFile(t.Local("A.MID"), "an older copy");
    t.rig->tamper = [&](Bytes& frame) {
        if (IsBlock(frame)) {
            frame[100] ^= 0x01;
        }
        return true;
    };
    EXPECT_FALSE(t.transfers->UploadFile("A.MID", 600, t.local.Path()));
    ASSERT_EQ(t.rig->reporter.Messages().size(), 1u);
    const auto& m = t.rig->reporter.Messages()[0];
    EXPECT_EQ(m.caption, "Upload");
    EXPECT_EQ(m.text.rfind("Checksum error: Pc(0x", 0), 0u) << m.text;
    EXPECT_NE(m.text.find(") VS Device(0x"), std::string::npos);
    EXPECT_EQ(m.text.substr(m.text.size() - 8), " - A.MID");
    EXPECT_EQ(CountSent(t, sysex::CMD_UPLOAD, 2), 4);
    // The older file is as it was and no partial file is left.
    EXPECT_EQ(ReadFile(t.Local("A.MID")), "an older copy");
    EXPECT_EQ(std::distance(fs::directory_iterator(t.local.Path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(t.rig->link.Busy());
}

TEST(Upload, ATimeOutInTheBlockLoopStartsAgainFromTheRequest) {
    TransferRig t;
    const std::string bytes = t.Put("USER", "B.STY", 2000);
    int blocks = 0;
    t.rig->tamper = [&](Bytes& frame) { return !(IsBlock(frame) && ++blocks == 5); };
    ASSERT_TRUE(t.transfers->UploadFile("B.STY", 2000, t.local.Path()));
    EXPECT_EQ(ReadFile(t.Local("B.STY")), bytes);
    EXPECT_EQ(CountSent(t, sysex::CMD_UPLOAD) - CountSent(t, sysex::CMD_UPLOAD, 0) -
                  CountSent(t, sysex::CMD_UPLOAD, 2),
              2);  // two requests
}

TEST(Upload, TheTimeOutCounterIsSharedAcrossRestarts) {
    TransferRig t;
    (void)t.Put("USER", "C.STY", 2000);
    int blocks = 0;
    int lost = 0;
    // Two time-outs on block 5 (the first request, then the restart's block 5), then two more
    // after the restarts: the fourth ends the upload.
    t.rig->tamper = [&](Bytes& frame) {
        if (!IsBlock(frame)) {
            return true;
        }
        ++blocks;
        if (blocks == 5 || (blocks > 5 && lost < 4)) {
            ++lost;
            return false;
        }
        return true;
    };
    EXPECT_FALSE(t.transfers->UploadFile("C.STY", 2000, t.local.Path()));
    EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Time out: C.STY"}));
    EXPECT_EQ(lost, 4);
    EXPECT_FALSE(fs::exists(t.Local("C.STY")));
    EXPECT_FALSE(t.rig->link.Busy());
}

TEST(Upload, FirstReplyStatuses) {
    {
        TransferRig t;  // status 3: the file is not there
        WriteFile(t.Local("GONE.MID"), "keep me");
        EXPECT_FALSE(t.transfers->UploadFile("GONE.MID", 10, t.local.Path()));
        EXPECT_EQ(t.rig->reporter.Texts(),
                  (std::vector<std::string>{"This file is not exist: GONE.MID"}));
        EXPECT_EQ(t.observer.deviceRefreshes, 1);
        EXPECT_EQ(ReadFile(t.Local("GONE.MID")), "keep me");
        EXPECT_FALSE(t.rig->link.Busy());
    }
    {
        DeviceRig::Options options;
        options.instrument.faults = ParseFaultList("status=upload:2").faults;
        TransferRig t(options);
        (void)t.Put("USER", "A.MID", 10);
        EXPECT_FALSE(t.transfers->UploadFile("A.MID", 10, t.local.Path()));
        EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Checksum error: A.MID"}));
        EXPECT_FALSE(fs::exists(t.Local("A.MID")));
    }
    {
        // Any other status: no acknowledgement, the blocks come anyway.
        DeviceRig::Options options;
        options.instrument.faults = ParseFaultList("status=upload:9").faults;
        TransferRig t(options);
        const std::string bytes = t.Put("USER", "A.MID", 300);
        ASSERT_TRUE(t.transfers->UploadFile("A.MID", 300, t.local.Path()));
        EXPECT_EQ(ReadFile(t.Local("A.MID")), bytes);
        EXPECT_EQ(CountSent(t, sysex::CMD_UPLOAD, 0), 2);  // one per block only
    }
    {
        TransferRig t;
        (void)t.Put("USER", "A.MID", 300);
        t.rig->tamper = [](Bytes& frame) {
            if (sysex::FrameCommand(frame) == sysex::CMD_UPLOAD && frame.size() == 16) {
                frame = sysex::BuildStatusFrame(sysex::CMD_DELETE, 0);
            }
            return true;
        };
        EXPECT_FALSE(t.transfers->UploadFile("A.MID", 300, t.local.Path()));
        EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Command error: A.MID"}));
    }
}

TEST(Upload, NamesFromTheInstrumentAreCheckedBeforeAnyLocalFile) {
    TransferRig t;
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("../escape.mid"),
          std::string("a/b.mid"), std::string("a\\b.mid"), std::string("bell\a.mid"),
          std::string(65, 'n')}) {
        t.rig->reporter.Clear();
        EXPECT_FALSE(t.transfers->UploadFile(name, 10, t.local.Path() / "sub"));
        ASSERT_EQ(t.rig->reporter.Messages().size(), 1u);
        EXPECT_EQ(t.rig->reporter.Messages()[0].text, "Invalid file name: " + name);
        EXPECT_EQ(t.rig->reporter.Messages()[0].caption, "Upload");
    }
    EXPECT_TRUE(fs::is_empty(t.local.Path()));
    EXPECT_FALSE(fs::exists(t.local.Path().parent_path() / "escape.mid"));
    EXPECT_EQ(CountSent(t, sysex::CMD_UPLOAD), 0);  // no request was built
}

TEST(Upload, ShortBlocksCountAsDamaged) {
    TransferRig t;
    const std::string bytes = t.Put("USER", "A.MID", 300);
    int cut = 0;
    t.rig->tamper = [&](Bytes& frame) {
        if (IsBlock(frame) && cut++ == 0) {
            frame.erase(frame.begin() + 300, frame.end() - 5);  // keeps F0 … F7 and a checksum
        }
        return true;
    };
    ASSERT_TRUE(t.transfers->UploadFile("A.MID", 300, t.local.Path()));
    EXPECT_EQ(ReadFile(t.Local("A.MID")), bytes);
    EXPECT_EQ(CountSent(t, sysex::CMD_UPLOAD, 2), 1);
}

TEST(Upload, NotConnectedAndLocalFailures) {
    TransferRig t;
    t.rig->link.state.connected = false;
    EXPECT_FALSE(t.transfers->UploadFile("A.MID", 10, t.local.Path()));
    EXPECT_EQ(t.rig->reporter.Messages()[0].text, "Please check the connection of device");
    EXPECT_EQ(t.rig->reporter.Messages()[0].icon, Icon::Warning);
    t.rig->link.state.connected = true;
    t.rig->reporter.Clear();
    EXPECT_FALSE(t.transfers->UploadFile("A.MID", 10, t.local.Path() / "missing" / "folder"));
    EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Create file failed: A.MID"}));
    t.rig->reporter.Clear();
    t.rig->output.refuse = true;
    EXPECT_FALSE(t.transfers->UploadFile("A.MID", 10, t.local.Path()));
    EXPECT_EQ(t.rig->reporter.Texts(),
              (std::vector<std::string>{"Send long message failed: A.MID"}));
    EXPECT_TRUE(fs::is_empty(t.local.Path()));
}

TEST(Upload, StopDuringTheUpload) {
    TransferRig t;
    (void)t.Put("USER", "LONG.STY", 64 * 1024);
    WriteFile(t.Local("LONG.STY"), "the old one");
    t.rig->Backend().SetTiming({std::chrono::milliseconds(1), WireTiming::kMidiBaud});
    bool stopped = false;
    t.rig->loop.StartTimer(std::chrono::seconds(3), false,
                           [&] { stopped = t.transfers->AbortTransfer(); });
    EXPECT_FALSE(t.transfers->UploadFile("LONG.STY", 64 * 1024, t.local.Path()));
    EXPECT_TRUE(stopped);
    EXPECT_EQ(t.rig->reporter.Texts(),
              (std::vector<std::string>{"Uploading is aborted: LONG.STY"}));
    EXPECT_EQ(t.rig->reporter.Messages()[0].icon, Icon::Warning);
    EXPECT_EQ(ReadFile(t.Local("LONG.STY")), "the old one");
    EXPECT_FALSE(t.rig->link.Busy());
    EXPECT_FALSE(t.rig->link.state.abort);
    EXPECT_EQ(CountSent(t, sysex::CMD_ABORT), 1);
}

TEST(Abort, NothingToStopAndItsFailures) {
    TransferRig t;
    EXPECT_TRUE(t.transfers->AbortTransfer());  // nothing runs
    EXPECT_EQ(CountSent(t, sysex::CMD_ABORT), 0);
    auto running = std::make_unique<Exchange>(t.rig->link);  // a transfer that waits
    t.rig->link.state.connected = false;
    EXPECT_FALSE(t.transfers->AbortTransfer());
    EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"No connection with device"}));
    t.rig->link.state.connected = true;
    t.rig->reporter.Clear();
    t.rig->tamper = [](Bytes&) { return false; };
    EXPECT_FALSE(t.transfers->AbortTransfer());
    EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Time out"}));
    EXPECT_EQ(t.rig->reporter.Messages()[0].caption, "Abort");
    // The stop leaves busy to the sequence it interrupted, which clears it when it ends.
    EXPECT_TRUE(t.rig->link.Busy());
    running.reset();
    EXPECT_FALSE(t.rig->link.Busy());
    EXPECT_FALSE(t.rig->link.state.abort);
}

}  // namespace
}  // namespace veltrano
