#include <gtest/gtest.h>

#include "support/TransferRig.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DeviceRig;
using test::ReadFile;
using test::TransferRig;
using test::WriteFile;

constexpr size_t kPacketFrame = 2074;

int Packets(const TransferRig& t) {
    int n = 0;
    for (const Bytes& frame : t.rig->output.sent) {
        n += sysex::FrameCommand(frame) == sysex::CMD_DOWNLOAD && frame.size() == kPacketFrame;
    }
    return n;
}

int Sent(const TransferRig& t, uint8_t command) {
    int n = 0;
    for (const Bytes& frame : t.rig->output.sent) {
        n += sysex::FrameCommand(frame) == command;
    }
    return n;
}

TransferRig WithFaults(const std::string& faults) {
    DeviceRig::Options options;
    options.instrument.faults = ParseFaultList(faults).faults;
    return TransferRig(options);
}

// Replaces the status of the instrument's download replies, one entry per reply, in order.
std::function<bool(Bytes&)> ScriptStatuses(std::vector<int> statuses) {
    auto left = std::make_shared<std::vector<int>>(std::move(statuses));
    return [left](Bytes& frame) {
        if (sysex::FrameCommand(frame) == sysex::CMD_DOWNLOAD && !left->empty()) {
            frame =
                sysex::BuildStatusFrame(sysex::CMD_DOWNLOAD, static_cast<uint8_t>(left->front()));
            left->erase(left->begin());
        }
        return true;
    };
}

TEST(Download, SizesAroundThePacketBoundaries) {
    for (size_t size : {0u, 1024u, 1025u, 5000u}) {
        TransferRig t;
        const std::string name = "D" + std::to_string(size) + ".MID";
        const std::string bytes = test::PatternBytes(size, 7);
        WriteFile(t.Local(name), bytes);
        ASSERT_TRUE(t.transfers->DownloadFile(t.Local(name)))
            << size << testing::PrintToString(t.rig->reporter.Texts());
        EXPECT_EQ(t.Stored("USER", name), bytes);
        EXPECT_EQ(Packets(t), static_cast<int>((size + 1023) / 1024));
        EXPECT_TRUE(t.rig->reporter.Empty());
        EXPECT_FALSE(t.rig->link.Busy());
    }
}

TEST(Download, PacketsCountFromOneWithZerosAfterTheData) {
    TransferRig t;
    WriteFile(t.Local("P.MID"), test::PatternBytes(1025, 3));
    ASSERT_TRUE(t.transfers->DownloadFile(t.Local("P.MID")));
    std::vector<DownloadPacket> packets;
    for (const Bytes& frame : t.rig->output.sent) {
        if (sysex::FrameCommand(frame) == sysex::CMD_DOWNLOAD && frame.size() == kPacketFrame) {
            const auto payload = sysex::DecodePayload(frame, sysex::kDownloadPacketSize);
            ASSERT_TRUE(payload.has_value());
            packets.push_back(*DownloadPacket::Decode(*payload));
            EXPECT_TRUE(std::all_of(payload->begin() + 6 + packets.back().data.size(),
                                    payload->end(), [](uint8_t b) { return b == 0; }));
        }
    }
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].number, 1u);
    EXPECT_EQ(packets[0].data.size(), 1024u);
    EXPECT_EQ(packets[1].number, 2u);
    EXPECT_EQ(packets[1].data.size(), 1u);
}

TEST(Download, PacketRetransmissions) {
    {
        TransferRig t;  // two status 2 for one packet, then 0: fine
        const std::string bytes = test::PatternBytes(3000, 1);
        WriteFile(t.Local("R.MID"), bytes);
        t.rig->tamper = ScriptStatuses({0, 0, 2, 2});
        ASSERT_TRUE(t.transfers->DownloadFile(t.Local("R.MID")));
        EXPECT_EQ(Packets(t), 5);
        EXPECT_EQ(t.Stored("USER", "R.MID"), bytes);
    }
    {
        TransferRig t = WithFaults("status=download-packet:2");  // the third status 2 ends it
        WriteFile(t.Local("R.MID"), test::PatternBytes(3000, 1));
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("R.MID")));
        EXPECT_EQ(Packets(t), 3);
        EXPECT_EQ(t.rig->reporter.Texts(),
                  (std::vector<std::string>{"Number of retransmission is out of range: R.MID"}));
        EXPECT_FALSE(t.rig->link.Busy());
        EXPECT_FALSE(t.rig->link.state.abort);
    }
}

TEST(Download, StatusTexts) {
    const struct {
        std::vector<int> script;
        std::string text;
    } cases[] = {
        {{5}, "The file type is not be supported: S.MID"},
        {{7}, "Unknown error: S.MID"},
        {{0, 64}, "Write failed: S.MID"},
        {{0, 65}, "Disk error: S.MID"},
        {{0, 66}, "Out of memory: S.MID"},
        {{0, 9}, "Unknown error: S.MID"},
    };
    for (const auto& c : cases) {
        TransferRig t;
        WriteFile(t.Local("S.MID"), "x");
        t.rig->tamper = ScriptStatuses(c.script);
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("S.MID")));
        EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{c.text}));
        EXPECT_EQ(t.rig->reporter.Messages()[0].caption, "Download");
        EXPECT_FALSE(t.rig->link.Busy());
    }
    {
        TransferRig t;  // the instrument's own refusal of a type
        WriteFile(t.Local("notes.txt"), "x");
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("notes.txt")));
        EXPECT_EQ(t.rig->reporter.Texts(),
                  (std::vector<std::string>{"The file type is not be supported: notes.txt"}));
    }
}

TEST(Download, HeaderChecksumErrorsAndTimeOutsShareACounter) {
    {
        TransferRig t;
        WriteFile(t.Local("H.MID"), "data");
        t.rig->tamper = ScriptStatuses({2, 2, 2, 0, 0});
        ASSERT_TRUE(t.transfers->DownloadFile(t.Local("H.MID")));
        EXPECT_EQ(Sent(t, sysex::CMD_DOWNLOAD_RESET), 3);
    }
    {
        TransferRig t;
        WriteFile(t.Local("H.MID"), "data");
        t.rig->tamper = ScriptStatuses({2, 2, 2, 2});
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("H.MID")));
        EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Checksum error: H.MID"}));
    }
    {
        TransferRig t;  // time-outs: a reset and a new header each, the fourth ends it
        WriteFile(t.Local("H.MID"), "data");
        t.rig->tamper = [](Bytes& frame) {
            return sysex::FrameCommand(frame) != sysex::CMD_DOWNLOAD;
        };
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("H.MID")));
        EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Time out: H.MID"}));
        EXPECT_EQ(Sent(t, sysex::CMD_DOWNLOAD_RESET), 3);
        EXPECT_EQ(Sent(t, sysex::CMD_DOWNLOAD), 4);
    }
}

TEST(Download, ATimeOutAfterAPacketSendsTheWholeFileAgain) {
    TransferRig t;
    const std::string bytes = test::PatternBytes(4000, 9);
    WriteFile(t.Local("T.MID"), bytes);
    int replies = 0;
    t.rig->tamper = [&](Bytes& frame) {
        return !(sysex::FrameCommand(frame) == sysex::CMD_DOWNLOAD && ++replies == 3);
    };
    ASSERT_TRUE(t.transfers->DownloadFile(t.Local("T.MID")));
    EXPECT_EQ(t.Stored("USER", "T.MID"), bytes);
    EXPECT_EQ(Packets(t), 2 + 4);
    EXPECT_EQ(Sent(t, sysex::CMD_DOWNLOAD_RESET), 1);
}

TEST(Download, AResetThatCannotBeSentEndsTheDownloadAtOnce) {
    TransferRig t;
    WriteFile(t.Local("U.MID"), "data");
    t.rig->tamper = [](Bytes& frame) { return sysex::FrameCommand(frame) != sysex::CMD_DOWNLOAD; };
    t.rig->output.refuseIf = [](ByteView frame) {
        return sysex::FrameCommand(frame) == sysex::CMD_DOWNLOAD_RESET;
    };
    EXPECT_FALSE(t.transfers->DownloadFile(t.Local("U.MID")));
    EXPECT_EQ(t.rig->reporter.Texts(),
              (std::vector<std::string>{"Send long message failed: U.MID"}));
    EXPECT_EQ(Sent(t, sysex::CMD_DOWNLOAD), 1);
    EXPECT_FALSE(t.rig->link.Busy());
}

TEST(Download, OverwriteQuestion) {
    {
        TransferRig t;  // No: nothing is sent and the download counts as done
        (void)t.Put("USER", "O.MID", 10, 1);
        WriteFile(t.Local("O.MID"), "new content");
        t.rig->reporter.ScriptAnswers({Answer::No});
        EXPECT_TRUE(t.transfers->DownloadFile(t.Local("O.MID")));
        ASSERT_EQ(t.rig->reporter.Messages().size(), 1u);
        EXPECT_EQ(t.rig->reporter.Messages()[0].text,
                  "This file(O.MID) is exist, do you want to overwrite it?");
        EXPECT_TRUE(t.rig->reporter.Messages()[0].question);
        EXPECT_EQ(t.rig->reporter.Messages()[0].icon, Icon::Question);
        EXPECT_EQ(t.Stored("USER", "O.MID"), test::PatternBytes(10, 1));
        EXPECT_EQ(Packets(t), 0);
        EXPECT_FALSE(t.rig->link.Busy());
    }
    {
        TransferRig t;  // Yes: the old file is deleted, then the new one sent
        (void)t.Put("USER", "O.MID", 10, 1);
        WriteFile(t.Local("O.MID"), "new content");
        t.rig->reporter.ScriptAnswers({Answer::Yes});
        ASSERT_TRUE(t.transfers->DownloadFile(t.Local("O.MID")));
        EXPECT_EQ(t.Stored("USER", "O.MID"), "new content");
        EXPECT_EQ(Sent(t, sysex::CMD_DELETE), 1);
    }
    {
        TransferRig t = WithFaults("status=delete:1");  // Yes, but the delete fails
        (void)t.Put("USER", "O.MID", 10, 1);
        WriteFile(t.Local("O.MID"), "new content");
        t.rig->reporter.ScriptAnswers({Answer::Yes});
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("O.MID")));
        EXPECT_EQ(t.rig->reporter.Texts().back(), "Delete the file failed: O.MID");
        EXPECT_FALSE(t.rig->link.Busy());
    }
}

TEST(Download, LocalFileProblems) {
    TransferRig t;
    EXPECT_FALSE(t.transfers->DownloadFile(t.Local("missing.mid")));
    EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"This file is not exist: " +
                                                                 t.Local("missing.mid").string()}));
    EXPECT_EQ(t.observer.localRefreshes, 1);

    t.rig->reporter.Clear();
    const fs::path big = t.Local("big.mid");
    WriteFile(big, "");
    fs::resize_file(big, Transfers::kMaxDownloadSize + 1);
    EXPECT_FALSE(t.transfers->DownloadFile(big));
    EXPECT_EQ(t.rig->reporter.Texts(),
              (std::vector<std::string>{"The file size can't be more than 256M: " + big.string()}));

    t.rig->reporter.Clear();
    const fs::path longName = t.Local(std::string(61, 'n') + ".mid");
    WriteFile(longName, "x");
    EXPECT_FALSE(t.transfers->DownloadFile(longName));
    EXPECT_EQ(t.rig->reporter.Texts().size(), 1u);
    EXPECT_EQ(t.rig->reporter.Texts()[0].rfind("Invalid file name: ", 0), 0u);
    EXPECT_EQ(Sent(t, sysex::CMD_DOWNLOAD), 0);

    t.rig->reporter.Clear();
    t.rig->link.state.connected = false;
    EXPECT_FALSE(t.transfers->DownloadFile(longName));
    EXPECT_EQ(t.rig->reporter.Texts(),
              (std::vector<std::string>{"Please check the connection of device"}));
}

TEST(Download, StopDuringTheDownload) {
    TransferRig t;
    WriteFile(t.Local("LONG.MID"), test::PatternBytes(64 * 1024, 5));
    t.rig->Backend().SetTiming({std::chrono::milliseconds(1), WireTiming::kMidiBaud});
    bool stopped = false;
    t.rig->loop.StartTimer(std::chrono::seconds(4), false,
                           [&] { stopped = t.transfers->AbortTransfer(); });
    EXPECT_FALSE(t.transfers->DownloadFile(t.Local("LONG.MID")));
    EXPECT_TRUE(stopped);
    EXPECT_EQ(t.rig->reporter.Texts(),
              (std::vector<std::string>{"Downloading is aborted: LONG.MID"}));
    EXPECT_FALSE(t.rig->link.Busy());
    EXPECT_FALSE(t.rig->link.state.abort);
    EXPECT_LT(Packets(t), 64);
}

TEST(Delete, Statuses) {
    {
        TransferRig t;
        (void)t.Put("USER", "X.MID", 5);
        EXPECT_TRUE(t.transfers->DeleteDeviceFile("X.MID"));
        EXPECT_FALSE(t.rig->link.Busy());
        EXPECT_EQ(t.Stored("USER", "X.MID"), "<missing>");
    }
    {
        TransferRig t;
        EXPECT_FALSE(t.transfers->DeleteDeviceFile("NONE.MID"));
        EXPECT_EQ(
            t.rig->reporter.Texts(),
            (std::vector<std::string>{"Delete file failed(it's conflicted or deleted): NONE.MID"}));
        EXPECT_EQ(t.observer.deviceRefreshes, 1);
        EXPECT_FALSE(t.rig->link.Busy());
    }
    {
        TransferRig t = WithFaults("status=delete:2");  // damaged every time
        (void)t.Put("USER", "X.MID", 5);
        EXPECT_FALSE(t.transfers->DeleteDeviceFile("X.MID"));
        EXPECT_EQ(t.rig->reporter.Texts(), (std::vector<std::string>{"Time out: X.MID"}));
        EXPECT_EQ(Sent(t, sysex::CMD_DELETE), 4);
    }
    {
        TransferRig t;  // damaged twice on the way, then deleted
        (void)t.Put("USER", "X.MID", 5);
        t.rig->output.corruptNext = 2;
        EXPECT_TRUE(t.transfers->DeleteDeviceFile("X.MID"));
        EXPECT_EQ(t.Stored("USER", "X.MID"), "<missing>");
        EXPECT_EQ(Sent(t, sysex::CMD_DELETE), 3);
    }
    {
        TransferRig t;
        EXPECT_FALSE(t.transfers->DeleteDeviceFile(std::string(65, 'd')));
        EXPECT_EQ(Sent(t, sysex::CMD_DELETE), 0);
    }
}

}  // namespace
}  // namespace veltrano
