#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Bytes.h"

namespace veltrano {

class FrameOutput;
class Reporter;

// The instrument's system-exclusive frame: F0, a 7-byte header, a command byte, a payload in
// which every byte travels as two 7-bit bytes, a 16-bit checksum (low byte then high byte, each
// as a pair) and F7. A frame is 14 + 2n bytes for n payload bytes.
namespace sysex {

inline constexpr uint8_t kStart = 0xF0;
inline constexpr uint8_t kEnd = 0xF7;
inline constexpr std::array<uint8_t, 7> kHeader{0x00, 0x20, 0x2B, 0x55, 0x52, 0x53, 0x57};
inline constexpr size_t kCommandOffset = 8;
inline constexpr size_t kPayloadOffset = 9;
inline constexpr size_t kFrameOverhead = 14;

// Command bytes.
inline constexpr uint8_t CMD_CONNECTION = 0x00;
inline constexpr uint8_t CMD_ACTIVE_SENSE = 0x01;
inline constexpr uint8_t CMD_ABORT = 0x02;
inline constexpr uint8_t CMD_GET_TAB_FILE = 0x04;
inline constexpr uint8_t CMD_GET_TAB_FILE_CN = 0x05;
inline constexpr uint8_t CMD_QUERY_FILES = 0x12;
inline constexpr uint8_t CMD_DOWNLOAD = 0x13;
inline constexpr uint8_t CMD_UPLOAD = 0x14;
inline constexpr uint8_t CMD_DELETE = 0x15;
inline constexpr uint8_t CMD_DOWNLOAD_RESET = 0x16;

// Payload values of CMD_CONNECTION and of acknowledgements.
inline constexpr uint8_t kConnect = 0;
inline constexpr uint8_t kDisconnect = 1;
inline constexpr uint8_t kAckOk = 0;
inline constexpr uint8_t kAckChecksumError = 2;

// Field limits of the records.
inline constexpr size_t kMaxNameLength = 64;
inline constexpr size_t kMaxPathLength = 150;
inline constexpr size_t kMaxEntryNameLength = 520;  // the room of the program's entry record
inline constexpr size_t kIdentitySize = 74;
inline constexpr size_t kConnectReplySize = 164;  // status + identity
inline constexpr size_t kTransferHeaderSize = 75;
inline constexpr size_t kDeleteRecordSize = 65;
inline constexpr size_t kQueryRecordSize = 151;
inline constexpr size_t kEntryFixedSize = 40;
inline constexpr size_t kDownloadPacketSize = 1030;
inline constexpr size_t kDownloadDataSize = 1024;
inline constexpr size_t kUploadBlockSize = 256;
inline constexpr size_t kDataBlockPayloadSize = 262;
inline constexpr size_t kDataBlockFrameSize = 538;
inline constexpr size_t kDataBlockDataOffset = 21;  // frame offset of the 256 data bytes
inline constexpr size_t kTableHeaderPayloadSize = 8;

// A byte becomes (b >> 7, b & 0x7F).
void SplitData(ByteView source, uint8_t* destination);
[[nodiscard]] Bytes SplitData(ByteView source);
// Pairs back into bytes; nullopt for an odd count.
[[nodiscard]] std::optional<Bytes> CombineData(ByteView encoded);
// Sum of the bytes as unsigned values; callers keep the low 16 bits.
[[nodiscard]] uint32_t CheckSum(ByteView bytes);

// The frame around an already encoded payload.
[[nodiscard]] Bytes BuildSysExMsg(uint8_t command, ByteView encodedPayload);
// The frame around a plain payload, which is encoded here.
[[nodiscard]] Bytes BuildFrame(uint8_t command, ByteView payload);
// An acknowledgement (or any one-byte status payload) for a command.
[[nodiscard]] Bytes BuildStatusFrame(uint8_t command, uint8_t status);

// F0, the header and F7 at the end: the only test the receive path makes.
[[nodiscard]] bool IsValidFrame(ByteView frame);
// The command byte; 0xFF when the frame is too short to hold one.
[[nodiscard]] uint8_t FrameCommand(ByteView frame);
// Payload byte i (decoded), nullopt when the frame is too short for it.
[[nodiscard]] std::optional<uint8_t> PayloadByte(ByteView frame, size_t index);
// The first payload byte; nullopt when the frame is too short.
[[nodiscard]] std::optional<uint8_t> ReplyStatus(ByteView frame);
// n payload bytes decoded from the start of the payload; nullopt when the frame is too short.
[[nodiscard]] std::optional<Bytes> DecodePayload(ByteView frame, size_t count);

// The checksum over frame bytes 1 … checksumOffset-1, against the value encoded in the four
// bytes at checksumOffset. A frame too short for these positions never matches.
struct ChecksumResult {
    bool match = false;
    uint16_t computed = 0;
    uint16_t received = 0;
};
[[nodiscard]] ChecksumResult VerifyChecksum(ByteView frame, size_t checksumOffset);
// The checksum of a frame whose checksum sits in its usual place (before the final F7).
[[nodiscard]] ChecksumResult VerifyFrameChecksum(ByteView frame);

// "Pc(%x) VS Device(%x)", or with prefixed hex "Pc(0x%x) VS Device(0x%x)".
[[nodiscard]] std::string ChecksumText(const ChecksumResult& result, bool prefixed);

}  // namespace sysex

// The 74-byte identity of the instrument, sent after the status of a connect reply.
struct IdentityRecord {
    uint8_t deviceClass = 0;
    std::string productName;      // at most 30 bytes
    std::string firmwareVersion;  // at most 9 bytes
    int deviceId = 0;             // signed low byte + 256 × signed high byte
    // What the two signed bytes can carry: -128 + 256 × -128 … 127 + 256 × 127.
    static constexpr int kMinDeviceId = -32896;
    static constexpr int kMaxDeviceId = 32639;
    uint8_t controllerTypes = 0;
    uint8_t pedals = 0;
    uint8_t knobs = 0;
    uint8_t pads = 0;
    uint8_t pitchbend = 0;
    uint8_t knobFunctionGroups = 0;
    uint8_t knobCustomGroup = 0;

    // From the 74 record bytes; nullopt when fewer are given.
    [[nodiscard]] static std::optional<IdentityRecord> Decode(ByteView record);
    // The 74 record bytes (for the simulated instrument); a device identifier outside the
    // range above is sent as the nearest one inside it.
    [[nodiscard]] Bytes Encode() const;
    bool operator==(const IdentityRecord&) const = default;
};

// One entry of a folder listing.
struct FileEntry {
    uint32_t kind = 0;  // non-zero: a file with a size; zero: a folder
    uint64_t time1 = 0;
    uint64_t time2 = 0;
    uint64_t time3 = 0;
    uint32_t sizeHigh = 0;
    uint32_t size = 0;
    std::string name;

    [[nodiscard]] bool HasSize() const { return kind != 0; }
    [[nodiscard]] Bytes Encode() const;  // 40 + name bytes
    bool operator==(const FileEntry&) const = default;
};

// The records the PC sends. Each refuses (nullopt) a name or path longer than its field.
struct TransferHeader {
    std::string name;
    uint32_t size = 0;
    uint32_t count = 0;  // packets of 1024 (download) or blocks of 256 (upload)

    [[nodiscard]] std::optional<Bytes> Encode() const;
    [[nodiscard]] static std::optional<TransferHeader> Decode(ByteView record);
};
[[nodiscard]] std::optional<Bytes> EncodeDeleteRecord(std::string_view name);
[[nodiscard]] std::optional<std::string> DecodeDeleteRecord(ByteView record);
// An empty path is sent as "USER".
[[nodiscard]] std::optional<Bytes> EncodeQueryRecord(std::string_view path);
[[nodiscard]] std::optional<std::string> DecodeQueryRecord(ByteView record);

// A download data packet: number from 1, up to 1024 data bytes, zeros after them.
[[nodiscard]] Bytes EncodeDownloadPacket(uint32_t number, ByteView data);
struct DownloadPacket {
    uint32_t number = 0;
    Bytes data;
    [[nodiscard]] static std::optional<DownloadPacket> Decode(ByteView packet);
};

// Replies from the instrument, read from whole frames. Each checks the frame's length before
// it reads a position.
struct ConnectReply {
    uint8_t status = 0;
    sysex::ChecksumResult checksum;  // over frame bytes 1…158
    std::optional<IdentityRecord> identity;
    [[nodiscard]] static std::optional<ConnectReply> Decode(ByteView frame);
};
struct TableHeaderReply {
    uint32_t size = 0;
    uint32_t blocks = 0;
    [[nodiscard]] static std::optional<TableHeaderReply> Decode(ByteView frame);
};
// A 256-byte data block. A frame shorter than 538 bytes is a checksum mismatch.
struct DataBlock {
    sysex::ChecksumResult checksum;
    std::array<uint8_t, sysex::kUploadBlockSize> data{};
    [[nodiscard]] static DataBlock Decode(ByteView frame);
};
[[nodiscard]] Bytes BuildDataBlockFrame(uint8_t command, ByteView data, uint32_t blockNumber);
// A listing reply: status, and for status 0 the entry with its checksum. A frame too short for
// the entry it announces, or an entry name over 520 bytes, gives no entry and a mismatch.
struct EntryReply {
    uint8_t status = 0;
    sysex::ChecksumResult checksum;
    std::optional<FileEntry> entry;
    bool nameTooLong = false;
    [[nodiscard]] static std::optional<EntryReply> Decode(ByteView frame);
};
[[nodiscard]] Bytes BuildEntryFrame(const FileEntry& entry);

// The builder object: one send operation per request; each returns true when the output took
// the frame. Records that do not fit their fields are refused before anything is sent.
class SysExSender {
public:
    explicit SysExSender(FrameOutput& output) : output_(output) {}

    [[nodiscard]] bool SendConnection(uint8_t connectOrDisconnect);
    [[nodiscard]] bool SendActiveSense();
    [[nodiscard]] bool SendAbort();
    [[nodiscard]] bool SendGetTabFile(int table, bool chinese);
    [[nodiscard]] bool SendQueryFiles(std::string_view path);
    [[nodiscard]] bool SendDownloadHeader(const TransferHeader& header);
    [[nodiscard]] bool SendUploadRequest(const TransferHeader& header);
    [[nodiscard]] bool SendDelete(std::string_view name);
    [[nodiscard]] bool SendDownloadReset();
    [[nodiscard]] bool SendAck(uint8_t command, uint8_t status);
    [[nodiscard]] bool SendFrame(ByteView frame);

private:
    [[nodiscard]] bool Send(uint8_t command, ByteView payload);

    FrameOutput& output_;
};

}  // namespace veltrano
