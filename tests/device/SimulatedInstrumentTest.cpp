#include "device/peer/SimulatedInstrument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "SimPcFrames.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using namespace simtest;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using namespace std::chrono_literals;

SimulatedInstrumentConfig ConfigWithTables(const fs::path& tables) {
    SimulatedInstrumentConfig config;
    config.tablesFolder = tables;
    return config;
}

// ---- connection, keep-alive, abort ----

TEST(SimulatedInstrumentTest, ConnectReportsTheConfiguredIdentity) {
    SimulatedInstrumentConfig config;
    config.identity.productName = "Stage Arranger 88 Pro Edition!";  // the full 30 bytes
    config.identity.firmwareVersion = "2.10.0007";                   // the full 9 bytes
    config.identity.deviceClass = 4;
    config.identity.deviceId = 261;
    config.identity.controllerTypes = 7;
    config.identity.pedals = 3;
    config.identity.knobs = 6;
    config.identity.pads = 12;
    config.identity.pitchbend = 0;
    config.identity.knobFunctionGroups = 5;
    config.identity.knobCustomGroup = 2;
    SimulatedInstrument instrument(config);

    const Bytes reply = One(instrument, ConnectRequest());
    ASSERT_EQ(reply.size(), sysex::kConnectReplySize);
    EXPECT_EQ(sysex::FrameCommand(reply), sysex::CMD_CONNECTION);
    const auto decoded = ConnectReply::Decode(reply);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->status, 0);
    EXPECT_TRUE(decoded->checksum.match);
    ASSERT_TRUE(decoded->identity);
    EXPECT_EQ(*decoded->identity, config.identity);
    EXPECT_TRUE(instrument.Connected());

    EXPECT_EQ(StatusOf(instrument, DisconnectRequest()), 1);
    EXPECT_FALSE(instrument.Connected());
}

TEST(SimulatedInstrumentTest, DefaultIdentity) {
    SimulatedInstrument instrument({});
    const auto decoded = ConnectReply::Decode(One(instrument, ConnectRequest()));
    ASSERT_TRUE(decoded && decoded->identity);
    const IdentityRecord& id = *decoded->identity;
    EXPECT_EQ(id.productName, "Arranger SIM-61");
    EXPECT_EQ(id.firmwareVersion, "1.00");
    EXPECT_EQ(id.deviceClass, 1);
    EXPECT_EQ(id.deviceId, 0);
    EXPECT_EQ(id.pedals, 2);
    EXPECT_EQ(id.knobs, 4);
    EXPECT_EQ(id.pads, 4);
    EXPECT_EQ(id.pitchbend, 1);
    EXPECT_EQ(id.knobFunctionGroups, 3);
    EXPECT_EQ(id.knobCustomGroup, 3);
}

TEST(SimulatedInstrumentTest, RefusedAndForcedConnectionStatuses) {
    SimulatedInstrumentConfig config;
    config.faults.refuseConnect = true;
    SimulatedInstrument instrument(config);
    const Bytes refused = One(instrument, ConnectRequest());
    EXPECT_EQ(refused.size(), sysex::kConnectReplySize);
    EXPECT_EQ(sysex::ReplyStatus(refused), 1);
    EXPECT_FALSE(instrument.Connected());

    SimFaults faults;
    faults.Force(StatusPoint::Connect, 9);
    faults.Force(StatusPoint::Disconnect, 0);
    instrument.SetFaults(faults);
    EXPECT_EQ(StatusOf(instrument, ConnectRequest()), 9);
    EXPECT_EQ(StatusOf(instrument, DisconnectRequest()), 0);
}

TEST(SimulatedInstrumentTest, KeepAliveAndAbort) {
    SimulatedInstrument instrument({});
    const Bytes alive = One(instrument, KeepAlive());
    EXPECT_EQ(alive, sysex::BuildFrame(sysex::CMD_ACTIVE_SENSE, {}));

    // A damaged request is not answered, nor is any request with no-keepalive.
    EXPECT_TRUE(instrument.HandleFrame(Damaged(KeepAlive())).empty());
    SimFaults faults;
    faults.noKeepAlive = true;
    instrument.SetFaults(faults);
    EXPECT_TRUE(instrument.HandleFrame(KeepAlive()).empty());

    // The abort answer is a valid frame, and it ends the transfer under way.
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "A.MID", Pattern(600)));
    EXPECT_EQ(StatusOf(instrument, UploadRequest("A.MID", 600)), 0);
    EXPECT_EQ(instrument.CurrentExchange(), SimulatedInstrument::Exchange::Upload);
    const Bytes aborted = One(instrument, AbortRequest());
    EXPECT_TRUE(sysex::IsValidFrame(aborted));
    EXPECT_EQ(instrument.CurrentExchange(), SimulatedInstrument::Exchange::None);
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_UPLOAD, 0)).empty());
}

TEST(SimulatedInstrumentTest, IgnoresWhatIsNotAFrameOfOurs) {
    SimulatedInstrument instrument({});
    Bytes wrongHeader = KeepAlive();
    wrongHeader[3] = 0x2C;
    Bytes noEnd = KeepAlive();
    noEnd.pop_back();
    for (const Bytes& frame :
         {wrongHeader, noEnd, Bytes{0xF0, 0xF7}, Bytes{}, sysex::BuildFrame(0x33, {})}) {
        EXPECT_TRUE(instrument.HandleFrame(frame).empty());
    }
    EXPECT_EQ(instrument.Counters().invalidIn, 4u);
    EXPECT_EQ(instrument.Counters().ignored, 1u);
}

// ---- preset tables ----

class SimTableTest : public ::testing::Test {
protected:
    TempDir tables_;
};

TEST_F(SimTableTest, ServesATableBlockByBlock) {
    const Bytes table = Pattern(300);
    WriteFile(tables_ / "STYLETAB.INI", AsText(table));
    SimulatedInstrument instrument(ConfigWithTables(tables_.Path()));

    const Bytes header = One(instrument, TableRequest(1));
    EXPECT_EQ(header.size(), 14u + 2 * 8);
    EXPECT_EQ(sysex::FrameCommand(header), sysex::CMD_GET_TAB_FILE);
    const auto decoded = TableHeaderReply::Decode(header);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size, 300u);
    EXPECT_EQ(decoded->blocks, 2u);

    const Bytes first = One(instrument, Ack(sysex::CMD_GET_TAB_FILE, 0));
    ASSERT_EQ(first.size(), sysex::kDataBlockFrameSize);
    const DataBlock block1 = DataBlock::Decode(first);
    EXPECT_TRUE(block1.checksum.match);
    EXPECT_TRUE(std::equal(table.begin(), table.begin() + 256, block1.data.begin()));

    const Bytes second = One(instrument, Ack(sysex::CMD_GET_TAB_FILE, 0));
    const DataBlock block2 = DataBlock::Decode(second);
    EXPECT_TRUE(block2.checksum.match);
    EXPECT_TRUE(std::equal(table.begin() + 256, table.end(), block2.data.begin()));
    EXPECT_TRUE(
        std::all_of(block2.data.begin() + 44, block2.data.end(), [](uint8_t b) { return b == 0; }));

    // Acknowledgement 2 repeats the block byte for byte; the last acknowledgement ends it.
    EXPECT_EQ(One(instrument, Ack(sysex::CMD_GET_TAB_FILE, 2)), second);
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_GET_TAB_FILE, 0)).empty());
    EXPECT_EQ(instrument.CurrentExchange(), SimulatedInstrument::Exchange::None);
}

TEST_F(SimTableTest, ChineseAndMissingTables) {
    WriteFile(tables_ / "VOICETAB_CN.INI", "cn");
    WriteFile(tables_ / "VOICETAB.INI", "english");
    SimulatedInstrument instrument(ConfigWithTables(tables_.Path()));

    const Bytes header = One(instrument, TableRequest(0, true));
    EXPECT_EQ(sysex::FrameCommand(header), sysex::CMD_GET_TAB_FILE_CN);
    EXPECT_EQ(TableHeaderReply::Decode(header)->size, 2u);
    const DataBlock block = DataBlock::Decode(One(instrument, Ack(sysex::CMD_GET_TAB_FILE_CN, 0)));
    EXPECT_EQ(block.data[0], 'c');
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_GET_TAB_FILE_CN, 0)).empty());

    // Default.prf is not in the folder: an empty table, complete after one acknowledgement.
    const auto empty = TableHeaderReply::Decode(One(instrument, TableRequest(6, true)));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size, 0u);
    EXPECT_EQ(empty->blocks, 0u);
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_GET_TAB_FILE_CN, 0)).empty());

    // No table 7.
    EXPECT_TRUE(instrument.HandleFrame(TableRequest(7)).empty());
}

TEST_F(SimTableTest, RefusedOrIgnoredChineseTables) {
    SimulatedInstrumentConfig config = ConfigWithTables(tables_.Path());
    config.faults.refuseChinese = true;
    SimulatedInstrument instrument(config);
    EXPECT_EQ(sysex::FrameCommand(One(instrument, TableRequest(3, true))), sysex::CMD_GET_TAB_FILE);
    EXPECT_EQ(sysex::FrameCommand(One(instrument, TableRequest(3, false))),
              sysex::CMD_GET_TAB_FILE);

    SimFaults faults;
    faults.ignoreChinese = true;
    instrument.SetFaults(faults);
    EXPECT_TRUE(instrument.HandleFrame(TableRequest(3, true)).empty());
    EXPECT_EQ(One(instrument, TableRequest(3, false)).size(), 30u);
}

// Table 0's request has the same bytes as acknowledgement 0. A request sent again because the
// header never came (lost, or late) starts the table again instead of counting as an
// acknowledgement.
TEST_F(SimTableTest, RepeatedRequestAfterALostOrLateHeaderStartsAgain) {
    WriteFile(tables_ / "VOICETAB.INI", AsText(Pattern(700)));
    SimulatedInstrumentConfig config = ConfigWithTables(tables_.Path());
    config.faults.drop = 1.0;
    SimulatedInstrument instrument(config);
    const EventLoop::TimePoint t0{};

    EXPECT_TRUE(instrument.HandleFrame(TableRequest(0), t0).empty());
    instrument.SetFaults({});
    const auto again = instrument.HandleFrame(TableRequest(0), t0 + 1s);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].frame.size(), 30u);  // the header, not a data block

    SimFaults late;
    late.late = 1.0;
    instrument.SetFaults(late);
    const auto delayed = instrument.HandleFrame(TableRequest(0), t0 + 2s);
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_EQ(delayed[0].delay, 1500ms);
    instrument.SetFaults({});
    // The PC's time-out comes first: its request is a new one.
    const auto resent = instrument.HandleFrame(TableRequest(0), t0 + 3s);
    ASSERT_EQ(resent.size(), 1u);
    EXPECT_EQ(resent[0].frame.size(), 30u);
    // An acknowledgement after the header arrived asks for the first block.
    const auto block = instrument.HandleFrame(Ack(sysex::CMD_GET_TAB_FILE, 0), t0 + 3s + 5ms);
    ASSERT_EQ(block.size(), 1u);
    EXPECT_EQ(block[0].frame.size(), sysex::kDataBlockFrameSize);
}

// ---- storage, listing ----

TEST(SimulatedInstrumentTest, ListsFoldersThenFilesAndEndsWithStatus1) {
    SimulatedInstrument instrument({});
    InstrumentStorage& storage = instrument.Storage();
    ASSERT_TRUE(storage.PutFile("USER", "b.mid", Pattern(10)));
    ASSERT_TRUE(storage.PutFile("USER", "A.sty", Pattern(300)));
    ASSERT_TRUE(storage.PutFile("USER\\VOICE", "Piano.voc", Pattern(5)));

    const std::vector<FileEntry> user = List(instrument, "");
    ASSERT_EQ(user.size(), 5u);
    const char* names[] = {"VOICE", "STYLE", "SONG", "A.sty", "b.mid"};
    for (size_t i = 0; i < user.size(); ++i) {
        EXPECT_EQ(user[i].name, names[i]);
        EXPECT_EQ(user[i].HasSize(), i >= 3) << user[i].name;
    }
    EXPECT_EQ(user[3].size, 300u);
    EXPECT_EQ(user[3].time1, instrument_fs::kDefaultMemoryFileTime);
    EXPECT_EQ(user[3].time3, instrument_fs::kDefaultMemoryFileTime);

    const std::vector<FileEntry> voice = List(instrument, "user\\voice\\");
    ASSERT_EQ(voice.size(), 1u);
    EXPECT_EQ(voice[0].name, "Piano.voc");
    EXPECT_EQ(instrument.CurrentFolder(), "USER\\VOICE");

    EXPECT_TRUE(List(instrument, "USB").empty());
    EXPECT_EQ(instrument.CurrentFolder(), "USB");
}

TEST(SimulatedInstrumentTest, CurrentFolderChangesOnlyWhenAListingIsComplete) {
    SimulatedInstrument instrument({});
    ASSERT_TRUE(instrument.Storage().PutFile("USB", "x.mid", Pattern(3)));
    EXPECT_EQ(instrument.CurrentFolder(), "USER");

    // The PC stops a listing with acknowledgement 2: nothing more comes, the folder stays.
    EXPECT_EQ(sysex::ReplyStatus(One(instrument, QueryRequest("USB"))), 0);
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_QUERY_FILES, 2)).empty());
    EXPECT_EQ(instrument.CurrentFolder(), "USER");

    // The end frame alone does not move it either; the PC's acknowledgement of it does.
    EXPECT_EQ(sysex::ReplyStatus(One(instrument, QueryRequest("USB"))), 0);
    EXPECT_EQ(sysex::ReplyStatus(One(instrument, Ack(sysex::CMD_QUERY_FILES, 0))), 1);
    EXPECT_EQ(instrument.CurrentFolder(), "USER");
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_QUERY_FILES, 0)).empty());
    EXPECT_EQ(instrument.CurrentFolder(), "USB");
}

TEST(SimulatedInstrumentTest, UnknownFolderLeavesNoCurrentFolder) {
    SimulatedInstrument instrument({});
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "a.mid", Pattern(3)));
    for (const char* path : {"FOO", "USER\\..", "USER/VOICE", "USER\\VOICE\\DEEP"}) {
        EXPECT_EQ(StatusOf(instrument, QueryRequest(path)), 3) << path;
        EXPECT_FALSE(instrument.CurrentFolder()) << path;
    }
    EXPECT_EQ(StatusOf(instrument, UploadRequest("a.mid", 3)), 3);
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("a.mid")), 1);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("b.mid", 3)), 5);
    EXPECT_TRUE(instrument.Storage().FindFile("USER", "a.mid"));

    List(instrument, "USER");
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("a.mid")), 0);
}

// ---- upload (instrument to PC) ----

TEST(SimulatedInstrumentTest, UploadSendsEveryBlockAndRestartsOnRequest) {
    SimulatedInstrument instrument({});
    const Bytes file = Pattern(700, 3);
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "Song.MID", file));

    EXPECT_EQ(Upload(instrument, "song.mid", 700), file);  // letter case does not matter

    // A request in the middle starts from block 0 again.
    EXPECT_EQ(StatusOf(instrument, UploadRequest("Song.MID", 700)), 0);
    One(instrument, Ack(sysex::CMD_UPLOAD, 0));
    const Bytes second = One(instrument, Ack(sysex::CMD_UPLOAD, 0));
    EXPECT_EQ(One(instrument, Ack(sysex::CMD_UPLOAD, 2)), second);
    EXPECT_EQ(Upload(instrument, "Song.MID", 700), file);

    ASSERT_TRUE(instrument.Storage().PutFile("USER", "Empty.mid", {}));
    EXPECT_EQ(Upload(instrument, "Empty.mid", 0), Bytes{});
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "Full.mid", Pattern(256)));
    EXPECT_EQ(Upload(instrument, "Full.mid", 256), Pattern(256));
}

TEST(SimulatedInstrumentTest, UploadStatuses) {
    SimulatedInstrument instrument({});
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "a.mid", Pattern(300)));
    EXPECT_EQ(StatusOf(instrument, UploadRequest("missing.mid")), 3);
    EXPECT_EQ(StatusOf(instrument, Damaged(UploadRequest("a.mid", 300))), 2);
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_UPLOAD, 0)).empty());
    EXPECT_EQ(StatusOf(instrument, UploadRequest("A.MID", 300)), 0);
    // A damaged acknowledgement is ignored; the PC times out and asks again.
    EXPECT_TRUE(instrument.HandleFrame(Damaged(Ack(sysex::CMD_UPLOAD, 0))).empty());

    // After a status other than 0, 2 or 3 the PC waits for block 1 without acknowledging.
    SimFaults faults;
    faults.Force(StatusPoint::Upload, 7);
    instrument.SetFaults(faults);
    const auto out = instrument.HandleFrame(UploadRequest("a.mid", 300));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(sysex::ReplyStatus(out[0].frame), 7);
    EXPECT_EQ(out[1].frame.size(), sysex::kDataBlockFrameSize);
    EXPECT_EQ(One(instrument, Ack(sysex::CMD_UPLOAD, 0)).size(), sysex::kDataBlockFrameSize);
    EXPECT_TRUE(instrument.HandleFrame(Ack(sysex::CMD_UPLOAD, 0)).empty());
}

// ---- download (PC to instrument), delete ----

TEST(SimulatedInstrumentTest, DownloadStoresTheFileWhenTheLastPacketArrives) {
    SimulatedInstrument instrument({});
    const Bytes file = Pattern(1025, 9);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("New.mid", 1025)), 0);
    EXPECT_EQ(StatusOf(instrument, DownloadPacketFrame(1, ByteView(file).first(1024))), 0);
    EXPECT_FALSE(instrument.Storage().FindFile("USER", "New.mid"));
    // A packet out of order, or of the wrong length, counts as damaged.
    EXPECT_EQ(StatusOf(instrument, DownloadPacketFrame(3, ByteView(file).last(1))), 2);
    EXPECT_EQ(StatusOf(instrument, DownloadPacketFrame(2, ByteView(file).last(2))), 2);
    EXPECT_EQ(StatusOf(instrument, Damaged(DownloadPacketFrame(2, ByteView(file).last(1)))), 2);
    EXPECT_EQ(StatusOf(instrument, DownloadPacketFrame(2, ByteView(file).last(1))), 0);
    EXPECT_EQ(instrument.Storage().ReadFile("USER", "New.mid"), file);
    EXPECT_EQ(instrument.Counters().filesWritten, 1u);

    // The same name again, in any letter case.
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("NEW.MID", 3)), 4);
    // A zero-byte file is complete with its header.
    EXPECT_EQ(Download(instrument, "Zero.ARP", {}), std::vector<int>{0});
    EXPECT_EQ(instrument.Storage().ReadFile("USER", "Zero.ARP"), Bytes{});
}

TEST(SimulatedInstrumentTest, DownloadRefusesTypesAndDamagedHeaders) {
    SimulatedInstrument instrument({});
    for (const char* name : {"a.txt", "noextension", "a.mid.exe", "a.", ".mid.bak"}) {
        EXPECT_EQ(StatusOf(instrument, DownloadHeader(name, 10)), 5) << name;
    }
    for (const char* name : {"a.MID", "b.sty", "c.Voc", "d.arp", "e.prf", "f.ots", "g.dsc"}) {
        EXPECT_EQ(Download(instrument, name, Pattern(10)), (std::vector<int>{0, 0})) << name;
    }
    EXPECT_EQ(StatusOf(instrument, Damaged(DownloadHeader("x.mid", 10))), 2);
    // A block count that does not fit the size.
    EXPECT_EQ(
        StatusOf(instrument, sysex::BuildFrame(sysex::CMD_DOWNLOAD, RawHeader("x.mid", 2000, 1))),
        2);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("big.mid", 0x10000001)), 5);
    // Packets without a download are not answered.
    EXPECT_TRUE(instrument.HandleFrame(DownloadPacketFrame(1, Pattern(10))).empty());
}

TEST(SimulatedInstrumentTest, DownloadResetOrNewHeaderDiscardsThePartialFile) {
    SimulatedInstrument instrument({});
    const Bytes file = Pattern(3000);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("a.mid", 3000)), 0);
    EXPECT_EQ(StatusOf(instrument, DownloadPacketFrame(1, ByteView(file).first(1024))), 0);
    EXPECT_TRUE(instrument.HandleFrame(ResetRequest()).empty());
    EXPECT_TRUE(
        instrument.HandleFrame(DownloadPacketFrame(2, ByteView(file).subspan(1024, 1024))).empty());
    EXPECT_TRUE(List(instrument, "USER").size() == 3);

    EXPECT_EQ(StatusOf(instrument, DownloadHeader("a.mid", 3000)), 0);
    EXPECT_EQ(StatusOf(instrument, DownloadPacketFrame(1, Pattern(1024, 1))), 0);
    // The PC starts over after a time-out: the header comes again.
    EXPECT_EQ(Download(instrument, "a.mid", file), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(instrument.Storage().ReadFile("USER", "a.mid"), file);
}

TEST(SimulatedInstrumentTest, DeleteStatuses) {
    SimulatedInstrument instrument({});
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "a.mid", Pattern(3)));
    EXPECT_EQ(StatusOf(instrument, Damaged(DeleteRequest("a.mid"))), 2);
    EXPECT_TRUE(instrument.Storage().FindFile("USER", "a.mid"));
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("A.MID")), 0);
    EXPECT_FALSE(instrument.Storage().FindFile("USER", "a.mid"));
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("a.mid")), 1);
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("VOICE")), 1);  // a folder is not deleted
    EXPECT_EQ(instrument.Counters().filesDeleted, 1u);
}

// ---- faults ----

TEST(SimulatedInstrumentTest, EveryListedStatusCanBeForced) {
    SimulatedInstrument instrument({});
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "a.mid", Pattern(2000)));
    const auto forced = [&instrument](StatusPoint point, uint8_t status) {
        SimFaults faults;
        faults.Force(point, status);
        instrument.SetFaults(faults);
    };

    forced(StatusPoint::Upload, 3);
    EXPECT_EQ(StatusOf(instrument, UploadRequest("a.mid", 2000)), 3);
    forced(StatusPoint::Upload, 2);
    EXPECT_EQ(StatusOf(instrument, UploadRequest("a.mid", 2000)), 2);
    forced(StatusPoint::DownloadHeader, 4);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("b.mid", 10)), 4);
    forced(StatusPoint::DownloadHeader, 5);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("b.mid", 10)), 5);
    forced(StatusPoint::DownloadHeader, 2);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("b.mid", 10)), 2);
    for (const uint8_t status : {2, 64, 65, 66}) {
        forced(StatusPoint::DownloadPacket, status);
        EXPECT_EQ(Download(instrument, "b.mid", Pattern(10)), (std::vector<int>{0, status}));
        EXPECT_FALSE(instrument.Storage().FindFile("USER", "b.mid"));
    }
    forced(StatusPoint::Delete, 1);
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("a.mid")), 1);
    forced(StatusPoint::Delete, 2);
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("a.mid")), 2);
    EXPECT_TRUE(instrument.Storage().FindFile("USER", "a.mid"));
    forced(StatusPoint::Query, 9);
    EXPECT_EQ(StatusOf(instrument, QueryRequest("USB")), 9);

    // A forced status never makes an unsafe name acceptable.
    forced(StatusPoint::DownloadHeader, 0);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("../x.mid", 10)), 5);
}

TEST(SimulatedInstrumentTest, NakRepeatsWithoutStoring) {
    SimulatedInstrumentConfig config;
    config.faults.nak = 1.0;
    SimulatedInstrument instrument(config);
    ASSERT_TRUE(instrument.Storage().PutFile("USER", "a.mid", Pattern(3)));
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("a.mid")), 2);
    EXPECT_TRUE(instrument.Storage().FindFile("USER", "a.mid"));
    EXPECT_EQ(StatusOf(instrument, UploadRequest("a.mid", 3)), 2);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("b.mid", 3)), 2);
    // Statuses that are not a success are never replaced.
    EXPECT_EQ(StatusOf(instrument, DeleteRequest("missing.mid")), 1);
    EXPECT_EQ(StatusOf(instrument, DownloadHeader("a.mid", 3)), 4);
    EXPECT_EQ(instrument.Counters().naks, 3u);
}

// The frames a fixed conversation produces under heavy faults, with their delays.
std::vector<std::pair<Bytes, int64_t>> FaultyRun(uint32_t seed) {
    SimulatedInstrumentConfig config;
    config.seed = seed;
    config.faults = ParseFaultList("drop=0.2,corrupt=0.2,late=0.2,nak=0.3").faults;
    SimulatedInstrument instrument(config);
    std::vector<std::pair<Bytes, int64_t>> frames;
    for (int i = 0; i < 100; ++i) {
        (void)instrument.Storage().PutFile("USER", "a.mid", Pattern(5));
        for (const Bytes& request : {KeepAlive(), ConnectRequest(), DeleteRequest("a.mid")}) {
            for (const auto& out : instrument.HandleFrame(request)) {
                frames.emplace_back(out.frame, out.delay.count());
            }
        }
    }
    return frames;
}

TEST(SimulatedInstrumentTest, FaultsRepeatForASeed) {
    const auto first = FaultyRun(42);
    EXPECT_EQ(first, FaultyRun(42));
    EXPECT_NE(first, FaultyRun(43));

    size_t late = 0;
    size_t badChecksum = 0;
    size_t naks = 0;
    for (const auto& [frame, delay] : first) {
        late += delay == std::chrono::nanoseconds(1500ms).count() ? 1 : 0;
        badChecksum += sysex::VerifyFrameChecksum(frame).match ? 0 : 1;
        naks += sysex::FrameCommand(frame) == sysex::CMD_DELETE && sysex::ReplyStatus(frame) == 2;
    }
    // 300 answers, a fifth of them lost: the rest are well within these bounds for any seed
    // worth the name.
    EXPECT_GT(first.size(), 200u);
    EXPECT_LT(first.size(), 280u);
    EXPECT_GT(late, 20u);
    EXPECT_GT(badChecksum, 20u);
    EXPECT_GT(naks, 10u);
}

TEST(SimulatedInstrumentTest, DescribesFramesOnOneLine) {
    EXPECT_EQ(DescribeFrame(UploadRequest("a\nb.mid", 300), true),
              "CMD_UPLOAD name=\"a\\x0ab.mid\" size=300 count=2");
    FileEntry entry;
    entry.name = "VOICE";
    EXPECT_EQ(DescribeFrame(BuildEntryFrame(entry), false),
              "CMD_QUERY_FILES status=0 entry=\"VOICE\" (folder)");
    EXPECT_EQ(DescribeFrame(Damaged(KeepAlive()), true), "CMD_ACTIVE_SENSE (bad checksum)");
    EXPECT_EQ(DescribeFrame(Bytes{0xF0, 0xF7}, false), "malformed frame (2 bytes)");
}

// ---- host folder storage ----

// Every file under a folder with its bytes, to show that nothing changed.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        files[relative] = entry.is_symlink()        ? "-> link"
                          : entry.is_regular_file() ? ReadFile(entry.path())
                                                    : "<folder>";
    }
    return files;
}

class SimHostStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        auto storage = HostFolderStorage::Open(dir_ / "store", error);
        ASSERT_TRUE(storage) << error;
        storage_ = storage.get();
        instrument_ =
            std::make_unique<SimulatedInstrument>(SimulatedInstrumentConfig{}, std::move(storage));
    }

    fs::path User() const { return dir_ / "store" / "USER"; }

    TempDir dir_;
    HostFolderStorage* storage_ = nullptr;
    std::unique_ptr<SimulatedInstrument> instrument_;
};

TEST_F(SimHostStorageTest, CreatesTheFoldersAndMapsThem) {
    for (const char* folder : {"USER", "USER/VOICE", "USER/STYLE", "USER/SONG", "USB"}) {
        EXPECT_TRUE(fs::is_directory(dir_ / "store" / folder)) << folder;
    }
    WriteFile(User() / "VOICE" / "Strings.voc", "abc");
    WriteFile(User() / "VOICE" / "notes.txt", "listed, but not downloadable");
    WriteFile(User() / "VOICE" / "x.mid.1a2b3c4d.part", "left over");
    fs::create_directory(User() / "VOICE" / "Sub");

    const auto entries = List(*instrument_, "USER\\VOICE");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "notes.txt");
    EXPECT_EQ(entries[1].name, "Strings.voc");
    EXPECT_EQ(entries[1].size, 3u);
    // 100-ns units since 1601: a file written now is past 2020 (132223104000000000).
    EXPECT_GT(entries[1].time3, 132223104000000000ULL);

    const Bytes file = Pattern(2500);
    EXPECT_EQ(Download(*instrument_, "Brass.VOC", file), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(ReadFile(User() / "VOICE" / "Brass.VOC"), AsText(file));
    EXPECT_EQ(Upload(*instrument_, "strings.voc", 3), BytesOf("abc"));
    EXPECT_EQ(StatusOf(*instrument_, DeleteRequest("Brass.voc")), 0);
    EXPECT_FALSE(fs::exists(User() / "VOICE" / "Brass.VOC"));
}

TEST_F(SimHostStorageTest, PartialDownloadLeavesNothingBehind) {
    const auto before = Snapshot(dir_.Path());
    EXPECT_EQ(StatusOf(*instrument_, DownloadHeader("a.mid", 3000)), 0);
    EXPECT_EQ(StatusOf(*instrument_, DownloadPacketFrame(1, Pattern(1024))), 0);
    EXPECT_TRUE(instrument_->HandleFrame(ResetRequest()).empty());
    EXPECT_EQ(Snapshot(dir_.Path()), before);

    EXPECT_EQ(StatusOf(*instrument_, DownloadHeader("a.mid", 3000)), 0);
    EXPECT_EQ(StatusOf(*instrument_, DownloadPacketFrame(1, Pattern(1024))), 0);
    instrument_.reset();  // the instrument goes away in the middle
    EXPECT_EQ(Snapshot(dir_.Path()), before);
}

TEST_F(SimHostStorageTest, NamesNeverReachOutsideTheStorage) {
    WriteFile(dir_ / "secret.mid", "keep me");
    WriteFile(dir_ / "store" / "secret.mid", "keep me too");
    WriteFile(User() / "VOICE" / "deep.mid", "and me");
    std::error_code ec;
    fs::create_symlink(dir_ / "secret.mid", User() / "link.mid", ec);
    const bool haveLink = !ec;
    const auto before = Snapshot(dir_.Path());

    const std::string longName = std::string(61, 'x') + ".mid";  // 65 bytes
    const std::vector<std::string> names = {"",
                                            ".",
                                            "..",
                                            "../secret.mid",
                                            "..\\secret.mid",
                                            "VOICE\\deep.mid",
                                            "VOICE/deep.mid",
                                            "/etc/passwd.mid",
                                            std::string("a\x01.mid"),
                                            std::string("a\x00.mid", 6),
                                            "a\nb.mid",
                                            "a:b.mid",
                                            "CON.mid",
                                            "nul",
                                            "trailing.mid ",
                                            longName};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(StatusOf(*instrument_, DownloadHeader(name, 5)), 5);
        EXPECT_TRUE(instrument_->HandleFrame(DownloadPacketFrame(1, Pattern(5))).empty());
        EXPECT_EQ(StatusOf(*instrument_, UploadRequest(name, 5)), 3);
        EXPECT_EQ(StatusOf(*instrument_, DeleteRequest(name)), 1);
    }
    // A link inside the storage is not a file of the instrument: not listed, not read, not
    // removed, and never written through.
    if (haveLink) {
        for (const FileEntry& entry : List(*instrument_, "USER")) {
            EXPECT_NE(entry.name, "link.mid");
        }
        EXPECT_EQ(StatusOf(*instrument_, UploadRequest("link.mid", 7)), 3);
        EXPECT_EQ(StatusOf(*instrument_, DeleteRequest("link.mid")), 1);
        EXPECT_EQ(StatusOf(*instrument_, DownloadHeader("LINK.mid", 5)), 4);
    }
    EXPECT_EQ(Snapshot(dir_.Path()), before);
    EXPECT_EQ(instrument_->Counters().filesWritten + instrument_->Counters().filesDeleted, 0u);
}

TEST(SimStorageNameTest, AcceptableNames) {
    for (const char* name : {"a.mid", "My Song 01.STY", "x", "\xC4\xE3\xBA\xC3.mid", "a..b.mid"}) {
        EXPECT_TRUE(instrument_fs::IsAcceptableFileName(name)) << name;
    }
    EXPECT_TRUE(instrument_fs::IsAcceptableFileName(std::string(60, 'n') + ".mid"));
    for (const char* name :
         {"COM1.mid", "lpt9", "Aux.sty", "a?.mid", "a*b", "a|b", "a\"b", "<a>"}) {
        EXPECT_FALSE(instrument_fs::IsAcceptableFileName(name)) << name;
    }
    EXPECT_EQ(instrument_fs::CanonicalFolder("usb\\\\"), "USB");
    EXPECT_EQ(instrument_fs::CanonicalFolder(""), "USER");
    EXPECT_FALSE(instrument_fs::CanonicalFolder("\\USER"));
}

}  // namespace
}  // namespace veltrano
