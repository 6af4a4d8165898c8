// The MIDI monitor's core: short messages decoded, the traffic log the ports feed, the bounded
// list of rows and their texts.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/FrameDecoder.h"
#include "device/MidiMonitorRows.h"
#include "device/MidiPorts.h"
#include "device/MidiTrafficLog.h"
#include "device/SysExMessage.h"
#include "settings/LanguageTable.h"
#include "support/FakeMidiBackend.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

// ---- short messages ----

TEST(ShortMessageDecoding, ChannelMessagesWithChannelsFromOne) {
    const struct {
        Bytes bytes;
        const char* line;
    } cases[] = {
        {{0x90, 0x3C, 0x64}, "NOTE_ON channel=1 key=60 velocity=100"},
        {{0x8F, 0x3C, 0x00}, "NOTE_OFF channel=16 key=60 velocity=0"},
        {{0xA2, 0x40, 0x10}, "KEY_PRESSURE channel=3 key=64 pressure=16"},
        {{0xB0, 0x00, 0x05}, "CONTROL_CHANGE channel=1 controller=0 value=5"},
        {{0xC3, 0x05}, "PROGRAM_CHANGE channel=4 program=5"},
        {{0xD0, 0x7F}, "CHANNEL_PRESSURE channel=1 pressure=127"},
        {{0xE0, 0x00, 0x40}, "PITCH_BEND channel=1 value=0"},
        {{0xE0, 0x00, 0x00}, "PITCH_BEND channel=1 value=-8192"},
        {{0xE0, 0x7F, 0x7F}, "PITCH_BEND channel=1 value=8191"},
        {{0xF8}, "SYSTEM status=0xf8"},
        {{0xF2, 0x01, 0x02}, "SYSTEM status=0xf2"},
    };
    for (const auto& c : cases) {
        const DecodedMessage decoded = DecodeMidiMessage(c.bytes, true);
        EXPECT_EQ(decoded.kind, MessageKind::Short) << c.line;
        EXPECT_EQ(decoded.checksum, ChecksumState::NotChecked) << c.line;
        EXPECT_EQ(decoded.Line(), c.line);
    }
}

TEST(ShortMessageDecoding, CutOrGarbledMessagesAreMalformed) {
    const Bytes cases[] = {{},     {0x3C},       {0x90},       {0x90, 0x3C},       {0xC0},
                           {0xF7}, {0xF2, 0x01}, {0xF3, 0x80}, {0xB0, 0x80, 0x00}, {0xC0, 1, 2}};
    for (const Bytes& bytes : cases) {
        const DecodedMessage decoded = DecodeMidiMessage(bytes, false);
        EXPECT_EQ(decoded.kind, MessageKind::Malformed) << HexBytes(bytes);
        EXPECT_EQ(decoded.Line(), "malformed frame (" + std::to_string(bytes.size()) + " bytes)");
    }
}

TEST(ShortMessageDecoding, NamesStayOnOneLine) {
    EXPECT_EQ(QuotedText("a\"b\\c\nd\x7f"), "\"a\\x22b\\x5cc\\x0ad\\x7f\"");
    EXPECT_EQ(HexBytes(Bytes{0xF0, 0x0A, 0xF7}), "f0 0a f7");
    EXPECT_EQ(HexBytes({}), "");
}

// ---- the traffic log ----

TEST(MidiTrafficLog, RecordsNothingUntilStartedAndDropsTheWaitingWhenStopped) {
    MidiTrafficLog log(10);
    log.Record(TrafficDirection::Out, Bytes{0x90, 0x3C, 0x64});
    EXPECT_TRUE(log.Take().empty());

    log.SetRecording(true);
    log.Record(TrafficDirection::Out, Bytes{0x90, 0x3C, 0x64});
    log.Record(TrafficDirection::In, Bytes{0x80, 0x3C, 0x00});
    log.SetRecording(false);
    EXPECT_TRUE(log.Take().empty());

    log.SetRecording(true);
    log.Record(TrafficDirection::In, Bytes{0xF8});
    const auto taken = log.Take();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].direction, TrafficDirection::In);
    EXPECT_EQ(taken[0].bytes, Bytes{0xF8});
    EXPECT_TRUE(log.Take().empty());  // a batch is taken once
}

TEST(MidiTrafficLog, KeepsTheNewestWithinItsCapacityAndCountsTheRest) {
    MidiTrafficLog log(4);
    log.SetRecording(true);
    for (uint8_t i = 0; i < 10; ++i) {
        log.Record(TrafficDirection::Out, Bytes{0xC0, i});
    }
    const auto taken = log.Take();
    ASSERT_EQ(taken.size(), 4u);
    for (size_t i = 0; i < taken.size(); ++i) {
        EXPECT_EQ(taken[i].bytes[1], 6 + i);
        EXPECT_EQ(taken[i].sequence, 6 + i);
    }
    EXPECT_EQ(log.Dropped(), 6u);
}

TEST(MidiTrafficLog, RecordsFromManyThreadsWhileTakenInBatches) {
    MidiTrafficLog log(100000);
    log.SetRecording(true);
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log] {
            for (int i = 0; i < kEach; ++i) {
                log.Record(TrafficDirection::In, Bytes{0xF8});
            }
        });
    }
    std::vector<uint64_t> sequences;
    for (int rounds = 0; rounds < 50; ++rounds) {
        for (const TrafficEntry& entry : log.Take()) {
            sequences.push_back(entry.sequence);
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const TrafficEntry& entry : log.Take()) {
        sequences.push_back(entry.sequence);
    }
    ASSERT_EQ(sequences.size(), static_cast<size_t>(kThreads * kEach));
    for (size_t i = 0; i < sequences.size(); ++i) {
        ASSERT_EQ(sequences[i], i);  // every message once, in order
    }
    EXPECT_EQ(log.Dropped(), 0u);
}

TEST(MidiTrafficLog, TimesAreShownWithMilliseconds) {
    const std::string text =
        TrafficTimeText(std::chrono::system_clock::time_point{} + std::chrono::milliseconds(7));
    ASSERT_EQ(text.size(), 12u);
    EXPECT_EQ(text.substr(8), ".007");
}

// ---- the ports feed the log ----

class MidiPortsTrafficTest : public ::testing::Test {
protected:
    MidiPortsTrafficTest() {
        auto fake = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{"in"},
                                                            std::vector<std::string>{"out"});
        fake_ = fake.get();
        ports_.AddBackend(std::move(fake));
        ports_.ListPorts();
        ports_.SetBlockingSend(true);
        EXPECT_TRUE(ports_.OpenOutput(0));
        EXPECT_TRUE(ports_.OpenInput(0));
        EXPECT_TRUE(ports_.StartInput());
    }

    VirtualEventLoop loop_;
    RecordingReporter reporter_;
    MidiPorts ports_{loop_, reporter_};
    test::FakeMidiBackend* fake_ = nullptr;
};

TEST_F(MidiPortsTrafficTest, BothDirectionsAndBothKindsWhileRecording) {
    const Bytes connect = sysex::BuildFrame(sysex::CMD_CONNECTION, Bytes{sysex::kConnect});
    ASSERT_TRUE(ports_.SendLong(connect));  // not recorded: nobody watches
    EXPECT_TRUE(ports_.Traffic().Take().empty());

    ports_.Traffic().SetRecording(true);
    ASSERT_TRUE(ports_.SendLong(connect));
    ASSERT_TRUE(ports_.SendShort(0x643C90));
    std::thread midi([this] {
        fake_->Deliver(Bytes{0x80, 0x3C, 0x00});
        fake_->Deliver(sysex::BuildStatusFrame(sysex::CMD_CONNECTION, 1));
    });
    midi.join();
    fake_->SetSendResult(false);
    EXPECT_FALSE(ports_.SendShort(0x0005C0));  // refused by the port: never on the wire

    const auto taken = ports_.Traffic().Take();
    ASSERT_EQ(taken.size(), 4u);
    EXPECT_EQ(taken[0].direction, TrafficDirection::Out);
    EXPECT_EQ(taken[0].bytes, connect);
    EXPECT_EQ(taken[1].direction, TrafficDirection::Out);
    EXPECT_EQ(taken[1].bytes, (Bytes{0x90, 0x3C, 0x64}));
    EXPECT_EQ(taken[2].direction, TrafficDirection::In);
    EXPECT_EQ(taken[2].bytes, (Bytes{0x80, 0x3C, 0x00}));
    EXPECT_EQ(taken[3].direction, TrafficDirection::In);
    EXPECT_EQ(DecodeMidiMessage(taken[3].bytes, false).Line(), "CMD_CONNECTION status=1");
}

TEST_F(MidiPortsTrafficTest, NonBlockingSendsAreRecordedByTheWorker) {
    ports_.SetBlockingSend(false);
    ports_.Traffic().SetRecording(true);
    const Bytes frame = sysex::BuildFrame(sysex::CMD_ACTIVE_SENSE, {});
    (void)ports_.SendLong(frame);
    ASSERT_TRUE(fake_->WaitForSent(1));
    // The worker records under the send lock right after the port took the frame.
    for (int i = 0; i < 1000; ++i) {
        auto taken = ports_.Traffic().Take();
        if (!taken.empty()) {
            ASSERT_EQ(taken.size(), 1u);
            EXPECT_EQ(taken[0].bytes, frame);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FAIL() << "the worker's send was not recorded";
}

// ---- the monitor's rows ----

std::vector<TrafficEntry> Entries(TrafficDirection direction, std::initializer_list<Bytes> list) {
    std::vector<TrafficEntry> entries;
    uint64_t sequence = 0;
    for (const Bytes& bytes : list) {
        TrafficEntry entry;
        entry.sequence = sequence++;
        entry.direction = direction;
        entry.bytes = bytes;
        entries.push_back(std::move(entry));
    }
    return entries;
}

TEST(MidiMonitorRows, DecodesByDirectionAndKeepsTheNewestWithinTheLimit) {
    MidiMonitorRows rows(3);
    const Bytes oneByte = sysex::BuildFrame(sysex::CMD_UPLOAD, Bytes{2});
    EXPECT_EQ(rows.Append(Entries(TrafficDirection::Out, {oneByte})), 0u);
    EXPECT_EQ(rows.Append(Entries(TrafficDirection::In, {oneByte})), 0u);
    ASSERT_EQ(rows.Rows().size(), 2u);
    // The same bytes are the PC's acknowledgement one way and the instrument's status the other.
    EXPECT_EQ(rows.Rows()[0].message.FieldsText(), "ack=2");
    EXPECT_EQ(rows.Rows()[1].message.FieldsText(), "status=2");

    EXPECT_EQ(rows.Append(Entries(TrafficDirection::In, {Bytes{0xC0, 1}, Bytes{0xC0, 2},
                                                         Bytes{0xC0, 3}, Bytes{0xC0, 4}})),
              2u);
    ASSERT_EQ(rows.Rows().size(), 3u);
    EXPECT_EQ(rows.Rows()[0].message.Line(), "PROGRAM_CHANGE channel=1 program=2");
    EXPECT_EQ(rows.Rows()[2].message.Line(), "PROGRAM_CHANGE channel=1 program=4");
    EXPECT_TRUE(rows.Rows()[2].IsShort());

    rows.DropOldest(2);
    ASSERT_EQ(rows.Rows().size(), 1u);
    rows.DropOldest(5);
    EXPECT_TRUE(rows.Rows().empty());
}

TEST(MidiMonitorRows, TextsComeFromTheLanguageFile) {
    test::TempDir folder;
    test::WriteFile(folder / "Test.ini",
                    "[MidiMonitor]\n"
                    "IDS_DIR_OUT=OUT\nIDS_DIR_IN=IN\n"
                    "IDS_CHECKSUM_GOOD=ok\nIDS_CHECKSUM_BAD=BAD\n"
                    "IDS_MSG_NOTE_ON=Note\nIDS_MSG_MALFORMED=Broken\n"
                    "IDS_FIELD_CHANNEL=ch\nIDS_FIELD_KEY=k\nIDS_FIELD_VELOCITY=v\n"
                    "IDS_FIELD_REQUEST=req\nIDS_VALUE_CONNECT=hello\n"
                    "IDS_COL_TIME=T\nIDS_COL_DIRECTION=D\nIDS_COL_COMMAND=C\n"
                    "IDS_COL_FIELDS=F\nIDS_COL_CHECKSUM=S\nIDS_COL_RAW=R\n");
    LanguageTable language;
    language.SetLanguages({{"Test", folder / "Test.ini"}});
    language.SetIndex(0);
    const MonitorTexts texts(language);

    MidiMonitorRows rows;
    Bytes connect = sysex::BuildFrame(sysex::CMD_CONNECTION, Bytes{sysex::kConnect});
    Bytes damaged = connect;
    damaged[damaged.size() - 2] ^= 0x01;
    (void)rows.Append(Entries(TrafficDirection::Out, {connect, Bytes{0x90, 0x3C, 0x64}}));
    (void)rows.Append(Entries(TrafficDirection::In, {damaged, Bytes{0x90}}));
    const auto& r = rows.Rows();

    EXPECT_EQ(texts.Line(r[0], false).substr(12), "\tOUT\tCMD_CONNECTION\treq=0 (hello)\tok");
    EXPECT_EQ(texts.Line(r[1], true).substr(12), "\tOUT\tNote\tch=1 k=60 v=100\t\t90 3c 64");
    EXPECT_EQ(texts.Checksum(r[2].message), "BAD");
    EXPECT_EQ(texts.Direction(r[2].direction), "IN");
    EXPECT_EQ(texts.Command(r[3].message), "Broken");
    // A field the file does not name is shown by its own key.
    EXPECT_EQ(texts.Fields(r[3].message), "bytes=1");
    EXPECT_EQ(texts.HeaderLine(true), "T\tD\tC\tF\tS\tR");
}

}  // namespace
}  // namespace veltrano
