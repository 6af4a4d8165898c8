// Every frame of the protocol, written out byte by byte, against what the program sends, what
// the simulated instrument answers and what the program reads from the answers. The program
// and the simulated instrument share one codec, so a field in the wrong place or in the wrong
// byte order would pass every round trip between them; these bytes come from the protocol's
// tables, not from the codec.
//
// How to read the literals: a payload byte b travels as the pair (b >> 7, b & 0x7F), numbers
// are little-endian before they are split, and the checksum is the low 16 bits of the sum of
// every byte from the maker identifier to the last payload byte, low byte first, each byte as
// a pair.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "device/FrameDecoder.h"
#include "device/SysExMessage.h"
#include "device/TableFetch.h"
#include "device/peer/InstrumentStorage.h"
#include "device/peer/SimulatedInstrument.h"
#include "support/DeviceRig.h"
#include "support/TempDir.h"
#include "support/TransferRig.h"

namespace veltrano {
namespace {

using test::DeviceRig;
using test::TempDir;
using test::TransferRig;
using test::WriteFile;

// ---- spelling out frames ----

// F0, the maker identifier 00 20 2B and the model tag 55 52 53 57.
const Bytes kHead{0xF0, 0x00, 0x20, 0x2B, 0x55, 0x52, 0x53, 0x57};
const Bytes kEnd{0xF7};

Bytes Frame(std::initializer_list<Bytes> parts) {
    Bytes frame;
    for (const Bytes& part : parts) {
        frame.insert(frame.end(), part.begin(), part.end());
    }
    return frame;
}
// n payload bytes of zero: each travels as 00 00.
Bytes Zeros(size_t n) {
    return Bytes(2 * n, 0x00);
}
Bytes Times(const Bytes& part, size_t n) {
    Bytes out;
    for (size_t i = 0; i < n; ++i) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// The test data: the four bytes 80 01 7F FF over and over (high bit set and clear, the largest
// 7-bit value), so a shifted or swapped pair shows at once.
const Bytes kPatternPlain{0x80, 0x01, 0x7F, 0xFF};
const Bytes kPatternPairs{0x01, 0x00, 0x00, 0x01, 0x00, 0x7F, 0x01, 0x7F};
Bytes PatternData(size_t repeats) {
    return Times(kPatternPlain, repeats);
}
std::string AsString(const Bytes& bytes) {
    return std::string(AsText(bytes));
}

// Names as they travel.
const Bytes kNameAMid{0x00, 0x41, 0x00, 0x2E, 0x00, 0x4D, 0x00, 0x49, 0x00, 0x44};  // "A.MID"
const Bytes kNameBMid{0x00, 0x42, 0x00, 0x2E, 0x00, 0x4D, 0x00, 0x49, 0x00, 0x44};  // "B.MID"

// ---- the PC's frames ----

// Requests without a payload: 14 bytes.
Bytes KeepAliveRequest() {
    return Frame({kHead,
                  {0x01},                    // CMD_ACTIVE_SENSE
                  {0x01, 0x1D, 0x00, 0x01},  // checksum 0x019D
                  kEnd});
}
Bytes AbortRequest() {
    return Frame({kHead,
                  {0x02},                    // CMD_ABORT
                  {0x01, 0x1E, 0x00, 0x01},  // checksum 0x019E
                  kEnd});
}
Bytes DownloadResetRequest() {
    return Frame({kHead,
                  {0x16},                    // CMD_DOWNLOAD_RESET
                  {0x01, 0x32, 0x00, 0x01},  // checksum 0x01B2
                  kEnd});
}

Bytes ConnectRequest() {
    return Frame({kHead,
                  {0x00},                    // CMD_CONNECTION
                  {0x00, 0x00},              // 0 = connect
                  {0x01, 0x1C, 0x00, 0x01},  // checksum 0x019C
                  kEnd});
}
Bytes DisconnectRequest() {
    return Frame({kHead,
                  {0x00},                    // CMD_CONNECTION
                  {0x00, 0x01},              // 1 = disconnect
                  {0x01, 0x1D, 0x00, 0x01},  // checksum 0x019D
                  kEnd});
}

// A one-byte payload under `command` whose checksum is 0x0100 + low: table requests and
// acknowledgements. `low` is spelled out by each caller.
Bytes OneByteFrame(uint8_t command, uint8_t value, uint8_t checksumLow) {
    return Frame({kHead,
                  {command},
                  {static_cast<uint8_t>(value >> 7), static_cast<uint8_t>(value & 0x7F)},
                  {static_cast<uint8_t>(checksumLow >> 7), static_cast<uint8_t>(checksumLow & 0x7F),
                   0x00, 0x01},
                  kEnd});
}
// Table t: 0x19C + 0x04 + t, in Chinese 0x19C + 0x05 + t.
Bytes TableRequest(uint8_t table) {
    return OneByteFrame(0x04, table, static_cast<uint8_t>(0xA0 + table));
}
Bytes ChineseTableRequest(uint8_t table) {
    return OneByteFrame(0x05, table, static_cast<uint8_t>(0xA1 + table));
}
// Acknowledgement 0 of a table is byte for byte the request of table 0.
Bytes TableAck() {
    return Frame({kHead, {0x04}, {0x00, 0x00}, {0x01, 0x20, 0x00, 0x01}, kEnd});
}
Bytes ChineseTableAck() {
    return Frame({kHead, {0x05}, {0x00, 0x00}, {0x01, 0x21, 0x00, 0x01}, kEnd});
}
Bytes ListingAck() {
    return Frame({kHead, {0x12}, {0x00, 0x00}, {0x01, 0x2E, 0x00, 0x01}, kEnd});
}
Bytes UploadAck() {
    return Frame({kHead, {0x14}, {0x00, 0x00}, {0x01, 0x30, 0x00, 0x01}, kEnd});
}
Bytes UploadChecksumAck() {
    return Frame({kHead,
                  {0x14},
                  {0x00, 0x02},              // 2 = checksum error, send the block again
                  {0x01, 0x32, 0x00, 0x01},  // checksum 0x01B2
                  kEnd});
}

Bytes ListingChecksumAck() {
    return Frame({kHead,
                  {0x12},
                  {0x00, 0x02},              // 2 = checksum error, the listing stops
                  {0x01, 0x30, 0x00, 0x01},  // checksum 0x01B0
                  kEnd});
}
Bytes TableChecksumAck() {
    return Frame({kHead,
                  {0x04},
                  {0x00, 0x02},              // 2 = checksum error
                  {0x01, 0x22, 0x00, 0x01},  // checksum 0x01A2
                  kEnd});
}

Bytes QueryUsbRequest() {
    return Frame({kHead,
                  {0x12},                                // CMD_QUERY_FILES
                  {0x00, 0x03},                          // path length 3
                  {0x00, 0x55, 0x00, 0x53, 0x00, 0x42},  // "USB"
                  Zeros(147),                            // rest of the 150-byte path
                  {0x01, 0x1B, 0x00, 0x02},              // checksum 0x029B
                  kEnd});
}
Bytes QueryUserRequest() {
    return Frame({kHead,
                  {0x12},                                            // CMD_QUERY_FILES
                  {0x00, 0x04},                                      // path length 4
                  {0x00, 0x55, 0x00, 0x53, 0x00, 0x45, 0x00, 0x52},  // "USER"
                  Zeros(146),                                        // rest of the path field
                  {0x01, 0x71, 0x00, 0x02},                          // checksum 0x02F1
                  kEnd});
}

// Upload of "A.MID", 300 bytes: 75 header bytes, a 164-byte frame.
Bytes UploadRequest() {
    return Frame({kHead,
                  {0x14},                    // CMD_UPLOAD
                  {0x00, 0x00, 0x00, 0x00},  // 0 (2 bytes)
                  {0x00, 0x05},              // name length 5
                  kNameAMid,
                  Zeros(59),                                         // name, 64-byte field
                  {0x00, 0x2C, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},  // size 300 = 0x0000012C
                  {0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 2 blocks of 256
                  {0x00, 0x2D, 0x00, 0x03},                          // checksum 0x032D
                  kEnd});
}

// Upload of "LONG.STY", 65536 bytes.
Bytes LongUploadRequest() {
    return Frame({kHead,
                  {0x14},                    // CMD_UPLOAD
                  {0x00, 0x00, 0x00, 0x00},  // 0 (2 bytes)
                  {0x00, 0x08},              // name length 8
                  {0x00, 0x4C, 0x00, 0x4F, 0x00, 0x4E, 0x00, 0x47, 0x00, 0x2E, 0x00, 0x53, 0x00,
                   0x54, 0x00, 0x59},  // "LONG.STY"
                  Zeros(56),
                  {0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00},  // size 65536 = 0x00010000
                  {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},  // 256 blocks = 0x0100
                  {0x00, 0x18, 0x00, 0x04},                          // checksum 0x0418
                  kEnd});
}

// Download of "B.MID", 1025 bytes: two packets of 1024.
Bytes DownloadHeader() {
    return Frame({kHead,
                  {0x13},                    // CMD_DOWNLOAD
                  {0x00, 0x00, 0x00, 0x00},  // 0 (2 bytes)
                  {0x00, 0x05},              // name length 5
                  kNameBMid,
                  Zeros(59),                                         // name, 64-byte field
                  {0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00},  // size 1025 = 0x00000401
                  {0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 2 packets of 1024
                  {0x00, 0x05, 0x00, 0x03},                          // checksum 0x0305
                  kEnd});
}
// "B.TXT", 4 bytes: a type the instrument does not take.
Bytes DownloadTextHeader() {
    return Frame({kHead,
                  {0x13},
                  {0x00, 0x00, 0x00, 0x00},
                  {0x00, 0x05},
                  {0x00, 0x42, 0x00, 0x2E, 0x00, 0x54, 0x00, 0x58, 0x00, 0x54},  // "B.TXT"
                  Zeros(59),
                  {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // size 4
                  {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 1 packet
                  {0x00, 0x29, 0x00, 0x03},                          // checksum 0x0329
                  kEnd});
}
// The file of the download: 256 patterns (1024 bytes) and one byte 0x55.
Bytes DownloadFileData() {
    Bytes data = PatternData(256);
    data.push_back(0x55);
    return data;
}
// 1030 payload bytes, a 2074-byte frame. The sum passes 0xFFFF here: 0x102B4.
Bytes DownloadPacket1() {
    return Frame({kHead,
                  {0x13},                                            // CMD_DOWNLOAD
                  {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // packet number 1
                  {0x00, 0x00, 0x00, 0x04},                          // data length 1024 = 0x0400
                  Times(kPatternPairs, 256),                         // 1024 data bytes
                  {0x01, 0x34, 0x00, 0x02},                          // checksum 0x02B4
                  kEnd});
}
Bytes DownloadPacket2() {
    return Frame({kHead,
                  {0x13},                                            // CMD_DOWNLOAD
                  {0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // packet number 2
                  {0x00, 0x01, 0x00, 0x00},                          // data length 1
                  {0x00, 0x55},                                      // the last byte
                  Zeros(1023),                                       // zeros after the data
                  {0x00, 0x07, 0x00, 0x02},                          // checksum 0x0207
                  kEnd});
}

Bytes DeleteRequest() {
    return Frame({kHead,
                  {0x15},        // CMD_DELETE
                  {0x00, 0x05},  // name length 5
                  kNameAMid,
                  Zeros(59),                 // name, 64-byte field
                  {0x01, 0x7F, 0x00, 0x02},  // checksum 0x02FF
                  kEnd});
}

// ---- the instrument's frames ----

// The identity both directions use: class 3, "SIM-88", firmware "2.10", device identifier 200
// (low byte C8 is -56 as a signed byte, so the high byte is 01: -56 + 256), controller types
// 0x85, 2 pedals, 6 knobs, 12 pads, pitch bend, 4 knob groups, custom group 2.
IdentityRecord GoldenIdentity() {
    IdentityRecord id;
    id.deviceClass = 3;
    id.productName = "SIM-88";
    id.firmwareVersion = "2.10";
    id.deviceId = 200;
    id.controllerTypes = 0x85;
    id.pedals = 2;
    id.knobs = 6;
    id.pads = 12;
    id.pitchbend = 1;
    id.knobFunctionGroups = 4;
    id.knobCustomGroup = 2;
    return id;
}
Bytes ConnectReplyWithId(const Bytes& deviceIdPairs, const Bytes& checksum) {
    return Frame({kHead,
                  {0x00},        // CMD_CONNECTION
                  {0x00, 0x00},  // status 0 = accepted
                  {0x00, 0x03},  // 0: device class 3
                  {0x00, 0x00},  // 1: not used
                  // 2: "SIM-88" in a 30-byte field
                  {0x00, 0x53, 0x00, 0x49, 0x00, 0x4D, 0x00, 0x2D, 0x00, 0x38, 0x00, 0x38},
                  Zeros(24),
                  // 32: "2.10" in a 9-byte field
                  {0x00, 0x32, 0x00, 0x2E, 0x00, 0x31, 0x00, 0x30},
                  Zeros(5),
                  Zeros(12),      // 41: not used
                  deviceIdPairs,  // 53: device id, low first
                  {0x01, 0x05},   // 55: controller types 0x85
                  {0x00, 0x02},   // 56: pedals
                  {0x00, 0x06},   // 57: knobs
                  {0x00, 0x0C},   // 58: pads
                  {0x00, 0x01},   // 59: pitch bend
                  Zeros(12),      // 60: not used
                  {0x00, 0x04},   // 72: knob function groups
                  {0x00, 0x02},   // 73: knob custom group
                  checksum,
                  kEnd});
}
Bytes ConnectReply() {
    return ConnectReplyWithId({0x01, 0x48, 0x00, 0x01},   // C8 01
                              {0x00, 0x51, 0x00, 0x04});  // checksum 0x0451
}
Bytes DisconnectReply() {
    return Frame({kHead,
                  {0x00},
                  {0x00, 0x01},  // status 1 = disconnected
                  {0x01, 0x1D, 0x00, 0x01},
                  kEnd});
}
Bytes KeepAliveAnswer() {
    return KeepAliveRequest();  // the same 14 bytes come back
}
Bytes AbortAnswer() {
    return Frame({kHead, {0x02}, {0x00, 0x00}, {0x01, 0x1E, 0x00, 0x01}, kEnd});
}

// A status-only reply: 0x19C + command + status.
Bytes StatusReply(uint8_t command, uint8_t status, uint8_t checksumLow) {
    return OneByteFrame(command, status, checksumLow);
}

// The first answer to a table request: size 300, 2 blocks.
Bytes TableHeaderReply(uint8_t command, const Bytes& checksum) {
    return Frame({kHead,
                  {command},
                  {0x00, 0x2C, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},  // size 300
                  {0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 2 blocks
                  checksum,
                  kEnd});
}
// Data blocks of the 300-byte test file (75 patterns): 262 payload bytes, 538 in the frame.
// The first six payload bytes are the block number (4 bytes, from 0) and the block's length
// (2 bytes); the program does not read them.
Bytes FirstBlock(uint8_t command, const Bytes& checksum) {
    return Frame({kHead,
                  {command},
                  {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // block 0
                  {0x00, 0x00, 0x00, 0x01},                          // length 256 = 0x0100
                  Times(kPatternPairs, 64),                          // data 0…255
                  checksum,
                  kEnd});
}
Bytes SecondBlock(uint8_t command, const Bytes& checksum) {
    return Frame({kHead,
                  {command},
                  {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // block 1
                  {0x00, 0x2C, 0x00, 0x00},                          // length 44
                  Times(kPatternPairs, 11),                          // data 256…299
                  Zeros(212),                                        // zeros after the data
                  checksum,
                  kEnd});
}

// Listing entries, every time 0x0123456789ABCDEF.
const Bytes kTimePairs{0x01, 0x6F, 0x01, 0x4D, 0x01, 0x2B, 0x01, 0x09,
                       0x00, 0x67, 0x00, 0x45, 0x00, 0x23, 0x00, 0x01};  // EF CD AB 89 67 45 23 01
constexpr uint64_t kFileTime = 0x0123456789ABCDEFULL;

Bytes FileEntryReply() {
    return Frame({kHead,
                  {0x12},                                            // CMD_QUERY_FILES
                  {0x00, 0x00},                                      // status 0 = an entry
                  Zeros(2),                                          // not read
                  {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 0: kind 1, a file
                  kTimePairs,
                  kTimePairs,
                  kTimePairs,                                        // 4, 12, 20: the three times
                  Zeros(4),                                          // 28: size, high half
                  {0x00, 0x2C, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},  // 32: size 300
                  {0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 36: name length 5
                  kNameAMid,                                         // 40: the name
                  {0x00, 0x76, 0x00, 0x08},                          // checksum 0x0876
                  kEnd});
}
Bytes FolderEntryReply() {
    return Frame({kHead,
                  {0x12},
                  {0x00, 0x00},
                  Zeros(2),
                  Zeros(4),  // 0: kind 0, a folder
                  kTimePairs,
                  kTimePairs,
                  kTimePairs,
                  Zeros(4),                                          // 28
                  Zeros(4),                                          // 32: no size
                  {0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 36: name length 5
                  {0x00, 0x56, 0x00, 0x4F, 0x00, 0x49, 0x00, 0x43, 0x00, 0x45},  // "VOICE"
                  {0x00, 0x75, 0x00, 0x08},                                      // checksum 0x0875
                  kEnd});
}
Bytes ListingEndReply() {
    return StatusReply(0x12, 1, 0xAF);  // status 1 = end of the folder
}

// The same frame with a damaged checksum.
Bytes Damaged(Bytes frame) {
    frame[frame.size() - 4] ^= 0x01;
    return frame;
}

// ---- comparing ----

testing::AssertionResult SameFrame(const Bytes& actual, const Bytes& expected) {
    if (actual == expected) {
        return testing::AssertionSuccess();
    }
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    auto failure = testing::AssertionFailure();
    failure << "frame of " << actual.size() << " bytes, expected " << expected.size()
            << "; first difference at offset " << at;
    if (at < actual.size() && at < expected.size()) {
        failure << std::hex << ": 0x" << int{actual[at]} << " instead of 0x" << int{expected[at]};
    }
    return failure;
}

testing::AssertionResult SameFrames(const std::vector<Bytes>& actual,
                                    const std::vector<Bytes>& expected) {
    for (size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        if (auto same = SameFrame(actual[i], expected[i]); !same) {
            return testing::AssertionFailure() << "frame " << i << ": " << same.message();
        }
    }
    if (actual.size() != expected.size()) {
        return testing::AssertionFailure()
               << actual.size() << " frames, expected " << expected.size();
    }
    return testing::AssertionSuccess();
}

// ---- what the program sends ----

// A rig whose instrument has only one table, "Default.prf" of 300 pattern bytes; every other
// table is empty.
DeviceRig::Options OneTableOptions(const TempDir& tables) {
    WriteFile(tables / "Default.prf", AsString(PatternData(75)));
    DeviceRig::Options options;
    options.instrument.tablesFolder = tables.Path();
    return options;
}

TEST(GoldenFramesFromThePc, ConnectWithTableFetchKeepAliveAndDisconnect) {
    TempDir tables;
    DeviceRig rig(OneTableOptions(tables));
    ASSERT_TRUE(rig.session.Connect(false));

    // A first connect fetches every table, English and then Chinese: the request, the
    // acknowledgement of the size, and one acknowledgement per block (only table 6 has blocks).
    std::vector<Bytes> expected{ConnectRequest()};
    for (uint8_t table = 0; table < 6; ++table) {
        expected.push_back(TableRequest(table));
        expected.push_back(TableAck());
    }
    expected.insert(expected.end(), {TableRequest(6), TableAck(), TableAck(), TableAck()});
    for (uint8_t table = 0; table < 6; ++table) {
        expected.push_back(ChineseTableRequest(table));
        expected.push_back(ChineseTableAck());
    }
    expected.insert(expected.end(), {ChineseTableRequest(6), ChineseTableAck(), ChineseTableAck(),
                                     ChineseTableAck()});
    EXPECT_TRUE(SameFrames(rig.output.sent, expected));
    EXPECT_EQ(test::ReadFile(rig.ProductFolder() / "Default.prf"), AsString(PatternData(75)));

    rig.output.sent.clear();
    rig.Run(std::chrono::milliseconds(2500));
    ASSERT_EQ(rig.output.sent.size(), 2u);
    EXPECT_TRUE(SameFrames(rig.output.sent, {KeepAliveRequest(), KeepAliveRequest()}));
    EXPECT_TRUE(rig.link.state.connected);  // the answers were taken as keep-alive answers

    rig.output.sent.clear();
    ASSERT_TRUE(rig.session.Disconnect(false));
    EXPECT_TRUE(SameFrames(rig.output.sent, {DisconnectRequest()}));
}

TEST(GoldenFramesFromThePc, ListingUploadAndDelete) {
    TransferRig t;
    ASSERT_TRUE(t.rig->Instrument().Storage().PutFile("USB", "A.MID", PatternData(75)));
    t.rig->output.sent.clear();

    ASSERT_TRUE(t.transfers->QueryFiles("USB"));
    EXPECT_TRUE(SameFrames(t.rig->output.sent, {QueryUsbRequest(), ListingAck(), ListingAck()}));

    t.rig->output.sent.clear();
    ASSERT_TRUE(t.transfers->UploadFile("A.MID", 300, t.local.Path()));
    // The acknowledgement of the first reply, then one per block.
    EXPECT_TRUE(
        SameFrames(t.rig->output.sent, {UploadRequest(), UploadAck(), UploadAck(), UploadAck()}));
    EXPECT_EQ(test::ReadFile(t.Local("A.MID")), AsString(PatternData(75)));

    t.rig->output.sent.clear();
    ASSERT_TRUE(t.transfers->DeleteDeviceFile("A.MID"));
    EXPECT_TRUE(SameFrames(t.rig->output.sent, {DeleteRequest()}));
}

TEST(GoldenFramesFromThePc, DamagedBlockIsAskedForAgain) {
    TransferRig t;
    ASSERT_TRUE(t.rig->Instrument().Storage().PutFile("USER", "A.MID", PatternData(75)));
    bool damaged = false;
    t.rig->tamper = [&](Bytes& frame) {
        if (!damaged && frame.size() == 538) {
            damaged = true;
            frame[533] ^= 0x01;  // the checksum's low byte
        }
        return true;
    };
    t.rig->output.sent.clear();
    ASSERT_TRUE(t.transfers->UploadFile("A.MID", 300, t.local.Path()));
    EXPECT_TRUE(SameFrames(t.rig->output.sent, {UploadRequest(), UploadAck(), UploadChecksumAck(),
                                                UploadAck(), UploadAck()}));
    EXPECT_EQ(test::ReadFile(t.Local("A.MID")), AsString(PatternData(75)));
}

TEST(GoldenFramesFromThePc, DamagedEntryAndTableBlockAreAnsweredWithStatus2) {
    TransferRig t;
    t.rig->tamper = [](Bytes& frame) {
        if (frame[8] == 0x12 && frame.size() > 16) {
            frame[frame.size() - 4] ^= 0x01;
        }
        return true;
    };
    t.rig->output.sent.clear();
    EXPECT_FALSE(t.transfers->QueryFiles("USER"));
    EXPECT_TRUE(SameFrames(t.rig->output.sent, {QueryUserRequest(), ListingChecksumAck()}));

    TempDir tables;
    DeviceRig rig(OneTableOptions(tables));
    rig.tamper = [](Bytes& frame) {
        if (frame.size() == 538) {
            frame[533] ^= 0x01;
        }
        return true;
    };
    TempDir folder;
    {
        const Exchange exchange(rig.link);
        EXPECT_FALSE(GetTabFiles(rig.link, exchange, folder.Path(), 6, false, false));
    }
    // A damaged table block is not asked for again: the fetch ends after the acknowledgement 2.
    EXPECT_TRUE(SameFrames(rig.output.sent, {TableRequest(6), TableAck(), TableChecksumAck()}));
}

TEST(GoldenFramesFromThePc, DownloadHeaderAndPackets) {
    TransferRig t;
    WriteFile(t.Local("B.MID"), AsString(DownloadFileData()));
    t.rig->output.sent.clear();
    ASSERT_TRUE(t.transfers->DownloadFile(t.Local("B.MID")));
    EXPECT_TRUE(
        SameFrames(t.rig->output.sent, {DownloadHeader(), DownloadPacket1(), DownloadPacket2()}));
    EXPECT_EQ(t.Stored("USER", "B.MID"), AsString(DownloadFileData()));
}

TEST(GoldenFramesFromThePc, DownloadResetAfterADamagedHeader) {
    DeviceRig::Options options;
    options.instrument.faults.Force(StatusPoint::DownloadHeader, 2);
    TransferRig t(options);
    WriteFile(t.Local("B.MID"), AsString(DownloadFileData()));
    t.rig->output.sent.clear();
    EXPECT_FALSE(t.transfers->DownloadFile(t.Local("B.MID")));
    // Three restarts with the reset command; the fourth damaged header ends the download.
    EXPECT_TRUE(SameFrames(
        t.rig->output.sent,
        {DownloadHeader(), DownloadResetRequest(), DownloadHeader(), DownloadResetRequest(),
         DownloadHeader(), DownloadResetRequest(), DownloadHeader()}));
}

TEST(GoldenFramesFromThePc, StopSendsTheAbortCommand) {
    TransferRig t;
    ASSERT_TRUE(t.rig->Instrument().Storage().PutFile("USER", "LONG.STY", PatternData(16 * 1024)));
    t.rig->Backend().SetTiming({std::chrono::milliseconds(1), WireTiming::kMidiBaud});
    bool stopped = false;
    t.rig->loop.StartTimer(std::chrono::seconds(3), false,
                           [&] { stopped = t.transfers->AbortTransfer(); });
    t.rig->output.sent.clear();
    EXPECT_FALSE(t.transfers->UploadFile("LONG.STY", 64 * 1024, t.local.Path()));
    EXPECT_TRUE(stopped);
    const auto& sent = t.rig->output.sent;
    const auto abort = std::find(sent.begin(), sent.end(), AbortRequest());
    ASSERT_NE(abort, sent.end());
    EXPECT_EQ(std::count(sent.begin(), sent.end(), AbortRequest()), 1);
    // Up to the stop: the request, then acknowledgements 0 only.
    EXPECT_TRUE(SameFrame(sent.front(), LongUploadRequest()));
    EXPECT_TRUE(
        std::all_of(sent.begin() + 1, abort, [](const Bytes& f) { return f == UploadAck(); }));
}

// ---- what the instrument answers, and what the program reads from it ----

class GoldenFramesFromTheInstrument : public testing::Test {
protected:
    GoldenFramesFromTheInstrument() {
        WriteFile(tables / "Default.prf", AsString(PatternData(75)));
        SimulatedInstrumentConfig config;
        config.identity = GoldenIdentity();
        config.tablesFolder = tables.Path();
        auto storage = std::make_unique<MemoryStorage>(kFileTime);
        EXPECT_TRUE(storage->PutFile("USB", "A.MID", PatternData(75)));
        instrument = std::make_unique<SimulatedInstrument>(config, std::move(storage));
    }

    // Every answer to one frame from the PC.
    std::vector<Bytes> Answers(const Bytes& frame) {
        std::vector<Bytes> frames;
        for (auto& out : instrument->HandleFrame(frame)) {
            frames.push_back(std::move(out.frame));
        }
        return frames;
    }

    TempDir tables;
    std::unique_ptr<SimulatedInstrument> instrument;
};

TEST_F(GoldenFramesFromTheInstrument, ConnectionKeepAliveAndAbort) {
    EXPECT_TRUE(SameFrames(Answers(ConnectRequest()), {ConnectReply()}));
    EXPECT_TRUE(SameFrames(Answers(KeepAliveRequest()), {KeepAliveAnswer()}));
    EXPECT_TRUE(SameFrames(Answers(AbortRequest()), {AbortAnswer()}));
    EXPECT_TRUE(SameFrames(Answers(DisconnectRequest()), {DisconnectReply()}));
    EXPECT_EQ(sysex::ReplyStatus(DisconnectReply()), 1);

    const auto reply = veltrano::ConnectReply::Decode(ConnectReply());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 0);
    EXPECT_TRUE(reply->checksum.match);
    EXPECT_EQ(reply->checksum.received, 0x0451);
    ASSERT_TRUE(reply->identity);
    EXPECT_EQ(*reply->identity, GoldenIdentity());

    // The identifier's own example: high byte 01 and low byte 05 are 261.
    const auto other = veltrano::ConnectReply::Decode(
        ConnectReplyWithId({0x00, 0x05, 0x00, 0x01}, {0x00, 0x0D, 0x00, 0x04}));
    ASSERT_TRUE(other && other->identity);
    EXPECT_TRUE(other->checksum.match);
    EXPECT_EQ(other->identity->deviceId, 261);
}

TEST_F(GoldenFramesFromTheInstrument, PresetTableSizeAndBlocks) {
    EXPECT_TRUE(SameFrames(Answers(TableRequest(6)),
                           {TableHeaderReply(0x04, {0x01, 0x4F, 0x00, 0x01})}));  // 0x014F
    EXPECT_TRUE(SameFrames(Answers(TableAck()), {FirstBlock(0x04, {0x01, 0x61, 0x00, 0x41})}));
    EXPECT_TRUE(SameFrames(Answers(TableAck()), {SecondBlock(0x04, {0x01, 0x58, 0x00, 0x0C})}));
    EXPECT_TRUE(Answers(TableAck()).empty());

    EXPECT_TRUE(SameFrames(Answers(ChineseTableRequest(6)),
                           {TableHeaderReply(0x05, {0x01, 0x50, 0x00, 0x01})}));
    EXPECT_TRUE(
        SameFrames(Answers(ChineseTableAck()), {FirstBlock(0x05, {0x01, 0x62, 0x00, 0x41})}));
    EXPECT_TRUE(
        SameFrames(Answers(ChineseTableAck()), {SecondBlock(0x05, {0x01, 0x59, 0x00, 0x0C})}));
    EXPECT_TRUE(Answers(ChineseTableAck()).empty());

    const auto header =
        veltrano::TableHeaderReply::Decode(TableHeaderReply(0x04, {0x01, 0x4F, 0x00, 0x01}));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->size, 300u);
    EXPECT_EQ(header->blocks, 2u);

    const Bytes data = PatternData(75);
    const DataBlock first = DataBlock::Decode(FirstBlock(0x04, {0x01, 0x61, 0x00, 0x41}));
    EXPECT_TRUE(first.checksum.match);
    EXPECT_EQ(first.checksum.received, 0x41E1);
    EXPECT_TRUE(std::equal(first.data.begin(), first.data.end(), data.begin()));
    const DataBlock second = DataBlock::Decode(SecondBlock(0x04, {0x01, 0x58, 0x00, 0x0C}));
    EXPECT_TRUE(second.checksum.match);
    EXPECT_TRUE(std::equal(data.begin() + 256, data.end(), second.data.begin()));
    EXPECT_FALSE(
        DataBlock::Decode(Damaged(FirstBlock(0x04, {0x01, 0x61, 0x00, 0x41}))).checksum.match);
}

TEST_F(GoldenFramesFromTheInstrument, ListingAndUpload) {
    // Nothing of that name in USER, the folder at start.
    EXPECT_TRUE(SameFrames(Answers(UploadRequest()), {StatusReply(0x14, 3, 0xB3)}));
    EXPECT_TRUE(SameFrames(Answers(QueryUserRequest()), {FolderEntryReply()}));
    EXPECT_TRUE(SameFrames(Answers(QueryUsbRequest()), {FileEntryReply()}));
    EXPECT_TRUE(SameFrames(Answers(ListingAck()), {ListingEndReply()}));
    EXPECT_TRUE(Answers(ListingAck()).empty());

    const auto file = EntryReply::Decode(FileEntryReply());
    ASSERT_TRUE(file && file->entry);
    EXPECT_EQ(file->status, 0);
    EXPECT_TRUE(file->checksum.match);
    EXPECT_EQ(file->checksum.received, 0x0876);
    EXPECT_EQ(file->entry->kind, 1u);
    EXPECT_EQ(file->entry->time1, kFileTime);
    EXPECT_EQ(file->entry->time2, kFileTime);
    EXPECT_EQ(file->entry->time3, kFileTime);
    EXPECT_EQ(file->entry->size, 300u);
    EXPECT_EQ(file->entry->name, "A.MID");
    const auto folder = EntryReply::Decode(FolderEntryReply());
    ASSERT_TRUE(folder && folder->entry);
    EXPECT_TRUE(folder->checksum.match);
    EXPECT_FALSE(folder->entry->HasSize());
    EXPECT_EQ(folder->entry->name, "VOICE");
    const auto end = EntryReply::Decode(ListingEndReply());
    ASSERT_TRUE(end);
    EXPECT_EQ(end->status, 1);
    EXPECT_FALSE(EntryReply::Decode(Damaged(FileEntryReply()))->checksum.match);

    // USB is the current folder now.
    EXPECT_TRUE(SameFrames(Answers(UploadRequest()), {StatusReply(0x14, 0, 0xB0)}));
    EXPECT_TRUE(SameFrames(Answers(UploadAck()), {FirstBlock(0x14, {0x01, 0x71, 0x00, 0x41})}));
    EXPECT_TRUE(SameFrames(Answers(UploadChecksumAck()),
                           {FirstBlock(0x14, {0x01, 0x71, 0x00, 0x41})}));  // the same again
    EXPECT_TRUE(SameFrames(Answers(UploadAck()), {SecondBlock(0x14, {0x01, 0x68, 0x00, 0x0C})}));
    EXPECT_TRUE(Answers(UploadAck()).empty());
    EXPECT_TRUE(SameFrames(Answers(Damaged(UploadRequest())), {StatusReply(0x14, 2, 0xB2)}));
}

TEST_F(GoldenFramesFromTheInstrument, DownloadAndDelete) {
    ASSERT_EQ(Answers(QueryUsbRequest()).size(), 1u);
    ASSERT_EQ(Answers(ListingAck()).size(), 1u);
    ASSERT_TRUE(Answers(ListingAck()).empty());

    const Bytes accepted = StatusReply(0x13, 0, 0xAF);
    EXPECT_TRUE(SameFrames(Answers(DownloadHeader()), {accepted}));
    EXPECT_TRUE(SameFrames(Answers(DownloadPacket1()), {accepted}));
    EXPECT_TRUE(SameFrames(Answers(DownloadPacket2()), {accepted}));
    const auto stored = instrument->Storage().ReadFile("USB", "B.MID");
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, DownloadFileData());

    EXPECT_TRUE(SameFrames(Answers(DownloadHeader()), {StatusReply(0x13, 4, 0xB3)}));  // exists
    EXPECT_TRUE(SameFrames(Answers(DownloadTextHeader()), {StatusReply(0x13, 5, 0xB4)}));
    EXPECT_TRUE(SameFrames(Answers(Damaged(DownloadHeader())), {StatusReply(0x13, 2, 0xB1)}));
    EXPECT_TRUE(Answers(DownloadResetRequest()).empty());

    EXPECT_TRUE(SameFrames(Answers(Damaged(DeleteRequest())), {StatusReply(0x15, 2, 0xB3)}));
    EXPECT_TRUE(SameFrames(Answers(DeleteRequest()), {StatusReply(0x15, 0, 0xB1)}));
    EXPECT_FALSE(instrument->Storage().FindFile("USB", "A.MID"));
    EXPECT_TRUE(SameFrames(Answers(DeleteRequest()), {StatusReply(0x15, 1, 0xB2)}));
}

// Both bytes of the identifier are signed: the instrument must pick them so that the program's
// reading gives the identifier back.
TEST(GoldenIdentity, DeviceIdentifierBytes) {
    struct Case {
        int id;
        uint8_t low;
        uint8_t high;
    };
    for (const Case c : {Case{261, 0x05, 0x01}, Case{200, 0xC8, 0x01}, Case{255, 0xFF, 0x01},
                         Case{-2, 0xFE, 0x00}, Case{-129, 0x7F, 0xFF}, Case{-258, 0xFE, 0xFF},
                         Case{32639, 0x7F, 0x7F}, Case{-32896, 0x80, 0x80}}) {
        IdentityRecord id = GoldenIdentity();
        id.deviceId = c.id;
        const Bytes record = id.Encode();
        ASSERT_EQ(record.size(), 74u);
        EXPECT_EQ(record[53], c.low) << c.id;
        EXPECT_EQ(record[54], c.high) << c.id;
        EXPECT_EQ(IdentityRecord::Decode(record)->deviceId, c.id);
    }
    // Beyond what two signed bytes carry: the nearest identifier that they do.
    IdentityRecord id = GoldenIdentity();
    id.deviceId = 40000;
    EXPECT_EQ(IdentityRecord::Decode(id.Encode())->deviceId, 32639);
}

TEST(GoldenIdentity, ProgramTakesTheIdentityFromTheReply) {
    DeviceRig rig;
    // The simulated instrument's own reply is replaced by the bytes above.
    rig.tamper = [](Bytes& frame) {
        if (frame.size() == 164 && frame[8] == 0x00) {
            frame = ConnectReply();
        }
        return true;
    };
    ASSERT_TRUE(rig.session.Connect(false));
    EXPECT_EQ(rig.app.currentDevice, "SIM-88");
    const DeviceProfileValues& values = rig.app.profile.Values();
    EXPECT_EQ(values.firmwareVersion, "2.10");
    EXPECT_EQ(values.deviceClass, 3);
    EXPECT_EQ(values.controllerTypes, 0x85);
    EXPECT_EQ(values.controllerPedal, 2);
    EXPECT_EQ(values.controllerKnob, 6);
    EXPECT_EQ(values.controllerPad, 12);
    EXPECT_EQ(values.controllerPitchbend, 1);
    EXPECT_EQ(values.knobFunctionGroups, 4);
    EXPECT_EQ(values.knobCustomGroup, 2);
    EXPECT_EQ(values.kbdRangeL, 28);  // class 3
    EXPECT_EQ(values.kbdRangeH, 103);
    EXPECT_EQ(rig.app.profile.File().GetInt("Firmware", "DeviceID", 0), 200);
}

// ---- what the monitor reads from them ----

struct Golden {
    const char* what;
    Bytes frame;
    bool fromPc;
    std::string line;
};

std::vector<Golden> GoldenLines() {
    return {
        {"connect", ConnectRequest(), true, "CMD_CONNECTION request=0 (connect)"},
        {"disconnect", DisconnectRequest(), true, "CMD_CONNECTION request=1 (disconnect)"},
        {"keep-alive", KeepAliveRequest(), true, "CMD_ACTIVE_SENSE"},
        {"abort", AbortRequest(), true, "CMD_ABORT"},
        {"download reset", DownloadResetRequest(), true, "CMD_DOWNLOAD_RESET"},
        {"table 3", TableRequest(3), true, "CMD_GET_TAB_FILE table_or_ack=3"},
        {"chinese table 6", ChineseTableRequest(6), true, "CMD_GET_TAB_FILE_CN table_or_ack=6"},
        {"listing ack", ListingChecksumAck(), true, "CMD_QUERY_FILES ack=2"},
        {"upload ack", UploadAck(), true, "CMD_UPLOAD ack=0"},
        {"query", QueryUsbRequest(), true, "CMD_QUERY_FILES path=\"USB\""},
        {"upload", UploadRequest(), true, "CMD_UPLOAD name=\"A.MID\" size=300 count=2"},
        {"long upload", LongUploadRequest(), true,
         "CMD_UPLOAD name=\"LONG.STY\" size=65536 count=256"},
        {"download", DownloadHeader(), true, "CMD_DOWNLOAD name=\"B.MID\" size=1025 count=2"},
        {"packet 1", DownloadPacket1(), true, "CMD_DOWNLOAD packet=1 length=1024"},
        {"packet 2", DownloadPacket2(), true, "CMD_DOWNLOAD packet=2 length=1"},
        {"delete", DeleteRequest(), true, "CMD_DELETE name=\"A.MID\""},
        {"identity", ConnectReply(), false,
         "CMD_CONNECTION status=0 product=\"SIM-88\" firmware=\"2.10\" class=3 device_id=200"},
        {"disconnected", DisconnectReply(), false, "CMD_CONNECTION status=1"},
        {"download refused", StatusReply(0x13, 4, 0xB3), false, "CMD_DOWNLOAD status=4"},
        {"table size", TableHeaderReply(0x04, {0x01, 0x4F, 0x00, 0x01}), false,
         "CMD_GET_TAB_FILE size=300 blocks=2"},
        {"block 0", FirstBlock(0x14, {0x01, 0x71, 0x00, 0x41}), false,
         "CMD_UPLOAD block=0 length=256"},
        {"block 1", SecondBlock(0x05, {0x01, 0x59, 0x00, 0x0C}), false,
         "CMD_GET_TAB_FILE_CN block=1 length=44"},
        {"file entry", FileEntryReply(), false,
         "CMD_QUERY_FILES status=0 entry=\"A.MID\" (file) size=300"},
        {"folder entry", FolderEntryReply(), false,
         "CMD_QUERY_FILES status=0 entry=\"VOICE\" (folder)"},
        {"end of listing", ListingEndReply(), false, "CMD_QUERY_FILES status=1"},
    };
}

TEST(GoldenFramesDecoded, EveryCommandWithItsFieldsAndAGoodChecksum) {
    for (const Golden& golden : GoldenLines()) {
        SCOPED_TRACE(golden.what);
        const DecodedMessage decoded = DecodeMidiMessage(golden.frame, golden.fromPc);
        EXPECT_EQ(decoded.kind, MessageKind::Frame);
        EXPECT_EQ(decoded.checksum, ChecksumState::Good);
        EXPECT_EQ(decoded.Line(), golden.line);
        EXPECT_EQ(decoded.size, golden.frame.size());
    }
}

TEST(GoldenFramesDecoded, ADamagedChecksumKeepsTheFieldsAndSaysSo) {
    for (const Golden& golden : GoldenLines()) {
        SCOPED_TRACE(golden.what);
        const DecodedMessage decoded = DecodeMidiMessage(Damaged(golden.frame), golden.fromPc);
        EXPECT_EQ(decoded.checksum, ChecksumState::Bad);
        EXPECT_EQ(decoded.Line(), golden.line + " (bad checksum)");
    }
}

// A frame that lost bytes on the way, with or without its end byte: no read beyond the bytes
// given (the sanitizers watch), and nothing that is not a whole frame passes for one.
TEST(GoldenFramesDecoded, CutFramesAreMalformedOrDecodedWithinTheirBytes) {
    for (const Golden& golden : GoldenLines()) {
        SCOPED_TRACE(golden.what);
        for (size_t keep = 0; keep < golden.frame.size(); ++keep) {
            const Bytes cut(golden.frame.begin(),
                            golden.frame.begin() + static_cast<std::ptrdiff_t>(keep));
            const DecodedMessage open = DecodeMidiMessage(cut, golden.fromPc);
            ASSERT_EQ(open.command, "MALFORMED") << keep;
            Bytes ended = cut;
            ended.push_back(0xF7);
            const DecodedMessage closed = DecodeMidiMessage(ended, golden.fromPc);
            if (ended.size() < 14) {
                ASSERT_EQ(closed.Line(),
                          "malformed frame (" + std::to_string(ended.size()) + " bytes)");
            } else if (closed.kind == MessageKind::Frame && keep + 1 < golden.frame.size()) {
                // Whatever is read from a cut frame, its checksum cannot be the one sent.
                ASSERT_NE(closed.Line(), golden.line) << keep;
            }
        }
    }
}

TEST(GoldenFramesDecoded, ForeignFramesAndDamagedPayloads) {
    Bytes foreign = KeepAliveRequest();
    foreign[4] = 0x56;  // another model
    EXPECT_EQ(DecodeMidiMessage(foreign, true).Line(), "malformed frame (14 bytes)");

    Bytes odd = UploadRequest();
    odd.erase(odd.begin() + 20);  // one encoded byte lost: the pairs no longer line up
    const DecodedMessage oddDecoded = DecodeMidiMessage(odd, true);
    EXPECT_EQ(oddDecoded.kind, MessageKind::Malformed);
    EXPECT_EQ(oddDecoded.Line(), "CMD_UPLOAD with a damaged payload (bad checksum)");

    Bytes high = DownloadHeader();
    high[9] = 0x02;  // a pair's high part is 0 or 1
    EXPECT_EQ(DecodeMidiMessage(high, true).kind, MessageKind::Malformed);

    // An entry whose announced name is longer than the frame.
    Bytes entry = FileEntryReply();
    entry[9 + 2 * 39 + 1] = 0x7F;  // name length 127
    EXPECT_EQ(DecodeMidiMessage(entry, false).FieldsText(), "status=0 name_length=127 (truncated)");
}

}  // namespace
}  // namespace veltrano
