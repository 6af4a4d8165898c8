#include "device/SysExMessage.h"

#include <algorithm>
#include <cstdio>

#include "device/MidiPorts.h"

namespace veltrano {

namespace sysex {

void SplitData(ByteView source, uint8_t* destination) {
    for (const uint8_t b : source) {
        *destination++ = static_cast<uint8_t>(b >> 7);
        *destination++ = static_cast<uint8_t>(b & 0x7F);
    }
}

Bytes SplitData(ByteView source) {
    Bytes encoded(source.size() * 2);
    SplitData(source, encoded.data());
    return encoded;
}

std::optional<Bytes> CombineData(ByteView encoded) {
    if (encoded.size() % 2 != 0) {
        return std::nullopt;
    }
    Bytes decoded(encoded.size() / 2);
    for (size_t i = 0; i < decoded.size(); ++i) {
        decoded[i] = static_cast<uint8_t>((encoded[2 * i] << 7) | encoded[2 * i + 1]);
    }
    return decoded;
}

uint32_t CheckSum(ByteView bytes) {
    uint32_t sum = 0;
    for (const uint8_t b : bytes) {
        sum += b;
    }
    return sum;
}

Bytes BuildSysExMsg(uint8_t command, ByteView encodedPayload) {
    Bytes frame;
    frame.reserve(encodedPayload.size() + kFrameOverhead);
    frame.push_back(kStart);
    frame.insert(frame.end(), kHeader.begin(), kHeader.end());
    frame.push_back(command);
    frame.insert(frame.end(), encodedPayload.begin(), encodedPayload.end());
    const auto sum = static_cast<uint16_t>(CheckSum(ByteView(frame).subspan(1)));
    const uint8_t sumBytes[2] = {static_cast<uint8_t>(sum & 0xFF), static_cast<uint8_t>(sum >> 8)};
    uint8_t encodedSum[4];
    SplitData(sumBytes, encodedSum);
    frame.insert(frame.end(), encodedSum, encodedSum + 4);
    frame.push_back(kEnd);
    return frame;
}

Bytes BuildFrame(uint8_t command, ByteView payload) {
    return BuildSysExMsg(command, SplitData(payload));
}

Bytes BuildStatusFrame(uint8_t command, uint8_t status) {
    const uint8_t payload[1] = {status};
    return BuildFrame(command, payload);
}

bool IsValidFrame(ByteView frame) {
    if (frame.size() < 1 + kHeader.size() + 1 || frame.front() != kStart || frame.back() != kEnd) {
        return false;
    }
    return std::equal(kHeader.begin(), kHeader.end(), frame.begin() + 1);
}

uint8_t FrameCommand(ByteView frame) {
    return frame.size() > kCommandOffset ? frame[kCommandOffset] : 0xFF;
}

namespace {

// Encoded payload bytes of a frame: between the command byte and the checksum.
size_t EncodedPayloadSize(ByteView frame) {
    return frame.size() < kFrameOverhead ? 0 : frame.size() - kFrameOverhead;
}

}  // namespace

std::optional<uint8_t> PayloadByte(ByteView frame, size_t index) {
    const size_t offset = kPayloadOffset + 2 * index;
    if (2 * index + 2 > EncodedPayloadSize(frame)) {
        return std::nullopt;
    }
    return static_cast<uint8_t>((frame[offset] << 7) | frame[offset + 1]);
}

std::optional<uint8_t> ReplyStatus(ByteView frame) {
    return PayloadByte(frame, 0);
}

std::optional<Bytes> DecodePayload(ByteView frame, size_t count) {
    if (EncodedPayloadSize(frame) / 2 < count) {
        return std::nullopt;
    }
    return CombineData(frame.subspan(kPayloadOffset, 2 * count));
}

ChecksumResult VerifyChecksum(ByteView frame, size_t checksumOffset) {
    ChecksumResult result;
    if (checksumOffset < 1 || checksumOffset > frame.size() || frame.size() - checksumOffset < 4) {
        return result;
    }
    result.computed = static_cast<uint16_t>(CheckSum(frame.subspan(1, checksumOffset - 1)));
    const uint8_t low =
        static_cast<uint8_t>((frame[checksumOffset] << 7) | frame[checksumOffset + 1]);
    const uint8_t high =
        static_cast<uint8_t>((frame[checksumOffset + 2] << 7) | frame[checksumOffset + 3]);
    result.received = static_cast<uint16_t>(low | (high << 8));
    result.match = result.computed == result.received;
    return result;
}

ChecksumResult VerifyFrameChecksum(ByteView frame) {
    if (frame.size() < kFrameOverhead) {
        return {};
    }
    return VerifyChecksum(frame, frame.size() - 5);
}

std::string ChecksumText(const ChecksumResult& result, bool prefixed) {
    char text[64];
    std::snprintf(text, sizeof text, prefixed ? "Pc(0x%x) VS Device(0x%x)" : "Pc(%x) VS Device(%x)",
                  static_cast<unsigned>(result.computed), static_cast<unsigned>(result.received));
    return text;
}

}  // namespace sysex

namespace {

// A text field that holds at most `width` bytes and ends at its first zero.
std::string FieldText(ByteView field) {
    std::string text(AsText(field));
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.resize(zero);
    }
    return text;
}

}  // namespace

std::optional<IdentityRecord> IdentityRecord::Decode(ByteView record) {
    if (record.size() < sysex::kIdentitySize) {
        return std::nullopt;
    }
    IdentityRecord id;
    id.deviceClass = record[0];
    id.productName = FieldText(record.subspan(2, 30));
    id.firmwareVersion = FieldText(record.subspan(32, 9));
    id.deviceId = static_cast<int8_t>(record[53]) + 256 * static_cast<int8_t>(record[54]);
    id.controllerTypes = record[55];
    id.pedals = record[56];
    id.knobs = record[57];
    id.pads = record[58];
    id.pitchbend = record[59];
    id.knobFunctionGroups = record[72];
    id.knobCustomGroup = record[73];
    return id;
}

Bytes IdentityRecord::Encode() const {
    ByteWriter w(sysex::kIdentitySize);
    w.U8(deviceClass);
    w.U8(0);
    w.FixedText(productName, 30);
    w.FixedText(firmwareVersion, 9);
    w.Zeros(12);
    // The inverse of the signed decoding (low + 256 × high, both bytes signed): the low byte is
    // the value's low eight bits read as a signed number, the high byte makes up the rest. A
    // plain 16-bit split would turn 200 (C8 00) into -56.
    const int id = std::clamp(deviceId, IdentityRecord::kMinDeviceId, IdentityRecord::kMaxDeviceId);
    const int low = static_cast<int8_t>(static_cast<uint8_t>(id & 0xFF));
    w.U8(static_cast<uint8_t>(low));
    w.U8(static_cast<uint8_t>((id - low) / 256));
    w.U8(controllerTypes);
    w.U8(pedals);
    w.U8(knobs);
    w.U8(pads);
    w.U8(pitchbend);
    w.Zeros(12);
    w.U8(knobFunctionGroups);
    w.U8(knobCustomGroup);
    return w.Take();
}

Bytes FileEntry::Encode() const {
    ByteWriter w(sysex::kEntryFixedSize + name.size());
    w.U32Le(kind);
    w.U64Le(time1);
    w.U64Le(time2);
    w.U64Le(time3);
    w.U32Le(sizeHigh);
    w.U32Le(size);
    w.U32Le(static_cast<uint32_t>(name.size()));
    w.Append(name);
    return w.Take();
}

std::optional<Bytes> TransferHeader::Encode() const {
    if (name.size() > sysex::kMaxNameLength) {
        return std::nullopt;
    }
    ByteWriter w(sysex::kTransferHeaderSize);
    w.U16Le(0);
    w.U8(static_cast<uint8_t>(name.size()));
    w.FixedText(name, sysex::kMaxNameLength);
    w.U32Le(size);
    w.U32Le(count);
    return w.Take();
}

std::optional<TransferHeader> TransferHeader::Decode(ByteView record) {
    ByteReader r(record);
    r.Skip(2);
    const uint8_t length = r.U8();
    const ByteView nameField = r.Take(sysex::kMaxNameLength);
    TransferHeader header;
    header.size = r.U32Le();
    header.count = r.U32Le();
    if (!r.Ok() || length > sysex::kMaxNameLength) {
        return std::nullopt;
    }
    header.name = std::string(AsText(nameField.first(length)));
    return header;
}

std::optional<Bytes> EncodeDeleteRecord(std::string_view name) {
    if (name.size() > sysex::kMaxNameLength) {
        return std::nullopt;
    }
    ByteWriter w(sysex::kDeleteRecordSize);
    w.U8(static_cast<uint8_t>(name.size()));
    w.FixedText(name, sysex::kMaxNameLength);
    return w.Take();
}

std::optional<std::string> DecodeDeleteRecord(ByteView record) {
    if (record.size() < sysex::kDeleteRecordSize || record[0] > sysex::kMaxNameLength) {
        return std::nullopt;
    }
    return std::string(AsText(record.subspan(1, record[0])));
}

std::optional<Bytes> EncodeQueryRecord(std::string_view path) {
    if (path.empty()) {
        path = "USER";
    }
    if (path.size() > sysex::kMaxPathLength) {
        return std::nullopt;
    }
    ByteWriter w(sysex::kQueryRecordSize);
    w.U8(static_cast<uint8_t>(path.size()));
    w.FixedText(path, sysex::kMaxPathLength);
    return w.Take();
}

std::optional<std::string> DecodeQueryRecord(ByteView record) {
    if (record.size() < sysex::kQueryRecordSize || record[0] > sysex::kMaxPathLength) {
        return std::nullopt;
    }
    return std::string(AsText(record.subspan(1, record[0])));
}

Bytes EncodeDownloadPacket(uint32_t number, ByteView data) {
    const size_t length = std::min(data.size(), sysex::kDownloadDataSize);
    ByteWriter w(sysex::kDownloadPacketSize);
    w.U32Le(number);
    w.U16Le(static_cast<uint16_t>(length));
    w.Append(data.first(length));
    w.Zeros(sysex::kDownloadDataSize - length);
    return w.Take();
}

std::optional<DownloadPacket> DownloadPacket::Decode(ByteView packet) {
    ByteReader r(packet);
    DownloadPacket result;
    result.number = r.U32Le();
    const uint16_t length = r.U16Le();
    if (!r.Ok() || length > sysex::kDownloadDataSize || !r.Has(sysex::kDownloadDataSize)) {
        return std::nullopt;
    }
    const ByteView data = r.Take(length);
    result.data.assign(data.begin(), data.end());
    return result;
}

std::optional<ConnectReply> ConnectReply::Decode(ByteView frame) {
    const auto status = sysex::ReplyStatus(frame);
    if (!status) {
        return std::nullopt;
    }
    ConnectReply reply;
    reply.status = *status;
    // Status, identity and checksum: a shorter frame cannot carry them and never matches.
    reply.checksum = sysex::VerifyChecksum(frame, 159);
    if (frame.size() >= sysex::kConnectReplySize) {
        const auto payload = sysex::DecodePayload(frame, 1 + sysex::kIdentitySize);
        if (payload) {
            reply.identity = IdentityRecord::Decode(ByteView(*payload).subspan(1));
        }
    }
    return reply;
}

std::optional<TableHeaderReply> TableHeaderReply::Decode(ByteView frame) {
    const auto payload = sysex::DecodePayload(frame, sysex::kTableHeaderPayloadSize);
    if (!payload) {
        return std::nullopt;
    }
    ByteReader r(*payload);
    TableHeaderReply reply;
    reply.size = r.U32Le();
    reply.blocks = r.U32Le();
    return reply;
}

DataBlock DataBlock::Decode(ByteView frame) {
    DataBlock block;
    if (frame.size() < sysex::kDataBlockFrameSize) {
        // Too short for the positions read: the same as a damaged block.
        block.checksum = sysex::VerifyChecksum(frame, frame.size() >= 5 ? frame.size() - 5 : 0);
        block.checksum.match = false;
        return block;
    }
    block.checksum = sysex::VerifyChecksum(frame, sysex::kDataBlockFrameSize - 5);
    for (size_t i = 0; i < sysex::kUploadBlockSize; ++i) {
        const size_t at = sysex::kDataBlockDataOffset + 2 * i;
        block.data[i] = static_cast<uint8_t>((frame[at] << 7) | frame[at + 1]);
    }
    return block;
}

Bytes BuildDataBlockFrame(uint8_t command, ByteView data, uint32_t blockNumber) {
    const size_t length = std::min(data.size(), sysex::kUploadBlockSize);
    ByteWriter w(sysex::kDataBlockPayloadSize);
    w.U32Le(blockNumber);
    w.U16Le(static_cast<uint16_t>(length));
    w.Append(data.first(length));
    w.Zeros(sysex::kUploadBlockSize - length);
    return sysex::BuildFrame(command, w.Data());
}

std::optional<EntryReply> EntryReply::Decode(ByteView frame) {
    const auto status = sysex::ReplyStatus(frame);
    if (!status) {
        return std::nullopt;
    }
    EntryReply reply;
    reply.status = *status;
    if (reply.status != 0) {
        return reply;
    }
    // The name length sits at entry offset 36, that is payload byte 39.
    const auto lengthBytes = sysex::DecodePayload(frame, 3 + sysex::kEntryFixedSize);
    if (!lengthBytes) {
        return reply;  // too short: no entry, checksum mismatch
    }
    ByteReader lengthReader(ByteView(*lengthBytes).subspan(3 + 36));
    const uint32_t length = lengthReader.U32Le();
    if (length > sysex::kMaxEntryNameLength) {
        reply.nameTooLong = true;
    }
    const size_t needed = 100 + 2 * static_cast<size_t>(length);
    if (length > frame.size() || frame.size() < needed) {
        return reply;
    }
    reply.checksum = sysex::VerifyChecksum(frame, 95 + 2 * static_cast<size_t>(length));
    if (reply.nameTooLong) {
        return reply;
    }
    const auto payload = sysex::DecodePayload(frame, 3 + sysex::kEntryFixedSize + length);
    if (!payload) {
        return reply;
    }
    ByteReader r(ByteView(*payload).subspan(3));
    FileEntry entry;
    entry.kind = r.U32Le();
    entry.time1 = r.U64Le();
    entry.time2 = r.U64Le();
    entry.time3 = r.U64Le();
    entry.sizeHigh = r.U32Le();
    entry.size = r.U32Le();
    r.Skip(4);
    entry.name = std::string(AsText(r.Take(length)));
    if (r.Ok()) {
        reply.entry = std::move(entry);
    }
    return reply;
}

Bytes BuildEntryFrame(const FileEntry& entry) {
    ByteWriter w(3 + sysex::kEntryFixedSize + entry.name.size());
    w.U8(0);
    w.U16Le(0);
    w.Append(entry.Encode());
    return sysex::BuildFrame(sysex::CMD_QUERY_FILES, w.Data());
}

bool SysExSender::Send(uint8_t command, ByteView payload) {
    return SendFrame(sysex::BuildFrame(command, payload));
}

bool SysExSender::SendFrame(ByteView frame) {
    return output_.SendLong(frame);
}

bool SysExSender::SendConnection(uint8_t connectOrDisconnect) {
    const uint8_t payload[1] = {connectOrDisconnect};
    return Send(sysex::CMD_CONNECTION, payload);
}

bool SysExSender::SendActiveSense() {
    return Send(sysex::CMD_ACTIVE_SENSE, {});
}

bool SysExSender::SendAbort() {
    return Send(sysex::CMD_ABORT, {});
}

bool SysExSender::SendGetTabFile(int table, bool chinese) {
    if (table < 0 || table > 6) {
        return false;
    }
    const uint8_t payload[1] = {static_cast<uint8_t>(table)};
    return Send(chinese ? sysex::CMD_GET_TAB_FILE_CN : sysex::CMD_GET_TAB_FILE, payload);
}

bool SysExSender::SendQueryFiles(std::string_view path) {
    const auto record = EncodeQueryRecord(path);
    return record && Send(sysex::CMD_QUERY_FILES, *record);
}

bool SysExSender::SendDownloadHeader(const TransferHeader& header) {
    const auto record = header.Encode();
    return record && Send(sysex::CMD_DOWNLOAD, *record);
}

bool SysExSender::SendUploadRequest(const TransferHeader& header) {
    const auto record = header.Encode();
    return record && Send(sysex::CMD_UPLOAD, *record);
}

bool SysExSender::SendDelete(std::string_view name) {
    const auto record = EncodeDeleteRecord(name);
    return record && Send(sysex::CMD_DELETE, *record);
}

bool SysExSender::SendDownloadReset() {
    return Send(sysex::CMD_DOWNLOAD_RESET, {});
}

bool SysExSender::SendAck(uint8_t command, uint8_t status) {
    return SendFrame(sysex::BuildStatusFrame(command, status));
}

}  // namespace veltrano
