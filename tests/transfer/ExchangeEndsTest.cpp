// Every operation with the instrument is one exchange: whatever way it ends, busy and abort are
// clear afterwards and the link answers the next request.

#include <gtest/gtest.h>

#include "base/FileIo.h"
#include "device/PresetCatalog.h"
#include "device/peer/SimFaults.h"
#include "settings/IniFile.h"
#include "support/TransferRig.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DeviceRig;
using test::ReadFile;
using test::TransferRig;
using test::WriteFile;

DeviceRig::Options WithFaults(const std::string& faults) {
    DeviceRig::Options options;
    options.instrument.faults = ParseFaultList(faults).faults;
    return options;
}

// The exchange has ended cleanly and the link works: a listing goes through.
void ExpectLinkUsable(TransferRig& t, const std::string& after) {
    EXPECT_FALSE(t.rig->link.Busy()) << after;
    EXPECT_FALSE(t.rig->link.state.abort) << after;
    t.rig->Instrument().SetFaults({});
    t.rig->link.state.connected = true;
    t.rig->tamper = nullptr;
    t.rig->output.refuse = false;
    t.rig->output.refuseIf = nullptr;
    t.rig->reporter.Clear();
    EXPECT_TRUE(t.transfers->QueryFiles("USER")) << after;
    EXPECT_TRUE(t.rig->reporter.Empty())
        << after << testing::PrintToString(t.rig->reporter.Texts());
}

TEST(ExchangeEnds, ConnectOnEveryOutcome) {
    struct Case {
        const char* what;
        std::string faults;
        bool refuseSend;
    };
    const Case cases[] = {
        {"connected", "", false},       {"refused", "refuse-connect", false},
        {"no answer", "drop=1", false}, {"damaged answer", "corrupt=1", false},
        {"send failed", "", true},
    };
    for (const Case& c : cases) {
        TransferRig t;
        ASSERT_TRUE(t.rig->session.Disconnect(false));
        t.rig->Instrument().SetFaults(ParseFaultList(c.faults).faults);
        t.rig->output.refuse = c.refuseSend;
        (void)t.rig->session.Connect(true);
        ExpectLinkUsable(t, c.what);
    }
}

TEST(ExchangeEnds, ConnectWhoseTableFileCannotBeCreated) {
    TransferRig t;
    ASSERT_TRUE(t.rig->session.Disconnect(false));
    // A new firmware makes the connect fetch the tables again; a folder standing where the
    // first table file goes makes its write fail.
    IniFile profile(t.rig->ProductFolder() / "device.ini");
    ASSERT_TRUE(profile.WriteString("Firmware", "FirmwareVersion", "0.0"));
    const fs::path table = t.rig->ProductFolder() / PresetCatalog::TableFileName(0, false);
    fs::remove(table);
    fs::create_directories(table / "in the way");

    EXPECT_FALSE(t.rig->session.Connect(true));
    ASSERT_FALSE(t.rig->reporter.Empty());
    EXPECT_EQ(t.rig->reporter.Messages().back().text, "Get preset files(1) failed");
    EXPECT_FALSE(t.rig->link.state.connected);
    ExpectLinkUsable(t, "table file in the way");
}

TEST(ExchangeEnds, DisconnectAndTheTableFetch) {
    {
        TransferRig t(WithFaults("drop=1"));
        EXPECT_FALSE(t.rig->session.Disconnect(true));
        ExpectLinkUsable(t, "disconnect without answer");
    }
    {
        TransferRig t;
        EXPECT_TRUE(t.rig->session.FetchAllTables(false));
        ExpectLinkUsable(t, "tables fetched");
        t.rig->Instrument().SetFaults(ParseFaultList("drop=1").faults);
        EXPECT_FALSE(t.rig->session.FetchAllTables(false));
        ExpectLinkUsable(t, "tables not answered");
    }
}

TEST(ExchangeEnds, FileOperationsOnEveryOutcome) {
    {
        TransferRig t;
        const std::string bytes = t.Put("USER", "A.MID", 3000);
        t.List("USER");
        EXPECT_TRUE(t.transfers->UploadFile("A.MID", 3000, t.local.Path()));
        ExpectLinkUsable(t, "uploaded");
        EXPECT_FALSE(t.transfers->UploadFile("GONE.MID", 10, t.local.Path()));
        ExpectLinkUsable(t, "upload of a missing file");
        EXPECT_TRUE(t.transfers->DeleteDeviceFile("A.MID"));
        ExpectLinkUsable(t, "deleted");
        EXPECT_FALSE(t.transfers->DeleteDeviceFile("A.MID"));
        ExpectLinkUsable(t, "deleted twice");
        EXPECT_TRUE(t.transfers->DownloadFile(t.Local("A.MID")));
        EXPECT_EQ(t.Stored("USER", "A.MID"), bytes);
        ExpectLinkUsable(t, "downloaded");
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("NOT HERE.MID")));
        ExpectLinkUsable(t, "download of a missing local file");
    }
    {
        TransferRig t(WithFaults("drop=1"));
        WriteFile(t.Local("B.MID"), "bytes");
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("B.MID")));
        ExpectLinkUsable(t, "download without answer");
        t.rig->Instrument().SetFaults(ParseFaultList("drop=1").faults);
        EXPECT_FALSE(t.transfers->QueryFiles("USER"));
        ExpectLinkUsable(t, "listing without answer");
    }
}

TEST(ExchangeEnds, StoppedTransfers) {
    for (const bool upload : {true, false}) {
        TransferRig t;
        if (upload) {
            (void)t.Put("USER", "LONG.STY", 64 * 1024);
        } else {
            WriteFile(t.Local("LONG.STY"), test::PatternBytes(64 * 1024, 5));
        }
        t.List("USER");
        t.rig->Backend().SetTiming({std::chrono::milliseconds(1), WireTiming::kMidiBaud});
        bool stopped = false;
        t.rig->loop.StartTimer(std::chrono::seconds(3), false,
                               [&] { stopped = t.transfers->AbortTransfer(); });
        EXPECT_FALSE(upload ? t.transfers->UploadFile("LONG.STY", 64 * 1024, t.local.Path())
                            : t.transfers->DownloadFile(t.Local("LONG.STY")));
        EXPECT_TRUE(stopped);
        EXPECT_FALSE(t.transfers->Running());
        t.rig->Backend().SetTiming({});
        ExpectLinkUsable(t, upload ? "upload stopped" : "download stopped");
        // Nothing half-copied on either side.
        if (upload) {
            EXPECT_TRUE(fs::is_empty(t.local.Path()));
        } else {
            EXPECT_EQ(t.Stored("USER", "LONG.STY"), "<missing>");
        }
    }
}

TEST(ExchangeEnds, EveryOperationIsRefusedWhileAnotherRuns) {
    TransferRig t;
    (void)t.Put("USER", "A.MID", 100);
    WriteFile(t.Local("B.MID"), "bytes");
    t.rig->output.sent.clear();
    {
        Exchange other(t.rig->link);
        ASSERT_TRUE(other.Begun());
        EXPECT_FALSE(t.transfers->QueryFiles("USER"));
        EXPECT_FALSE(t.transfers->UploadFile("A.MID", 100, t.local.Path()));
        EXPECT_FALSE(t.transfers->DownloadFile(t.Local("B.MID")));
        EXPECT_FALSE(t.transfers->DeleteDeviceFile("A.MID"));
        EXPECT_FALSE(t.rig->session.FetchAllTables(false));
        // Refused without a word and without a frame; the running exchange keeps busy.
        EXPECT_TRUE(t.rig->output.sent.empty());
        EXPECT_TRUE(t.rig->reporter.Empty());
        EXPECT_TRUE(t.rig->link.Busy());
    }
    ExpectLinkUsable(t, "after the refusals");
}

TEST(ExchangeEnds, ADownloadSendsTheBytesItAnnounced) {
    TransferRig t;
    const std::string first = test::PatternBytes(3000, 1);
    WriteFile(t.Local("C.MID"), first);
    // The file grows on disk while the transfer runs: after the header, before the packets.
    bool changed = false;
    t.rig->tamper = [&](Bytes&) {
        if (!changed) {
            changed = true;
            WriteFile(t.Local("C.MID"), test::PatternBytes(5000, 2));
        }
        return true;
    };
    ASSERT_TRUE(t.transfers->DownloadFile(t.Local("C.MID")));
    EXPECT_TRUE(changed);
    EXPECT_EQ(t.Stored("USER", "C.MID"), first);
}

TEST(ExchangeEnds, AFailedSettingsWriteIsReported) {
    TransferRig t;
    ASSERT_TRUE(t.rig->session.Disconnect(false));
    // A folder where the device profile goes: reading finds nothing, writing fails.
    const fs::path profile = t.rig->ProductFolder() / "device.ini";
    fs::remove(profile);
    fs::create_directories(profile / "in the way");
    t.rig->reporter.Clear();
    EXPECT_TRUE(t.rig->session.Connect(true));
    bool reported = false;
    for (const auto& message : t.rig->reporter.Messages()) {
        reported = reported || message.text.find(profile.string()) != std::string::npos;
    }
    EXPECT_TRUE(reported) << testing::PrintToString(t.rig->reporter.Texts());
    EXPECT_FALSE(t.rig->link.Busy());
}

}  // namespace
}  // namespace veltrano
