#include "device/FrameDecoder.h"

#include <cstdio>

#include "device/SysExMessage.h"

namespace veltrano {

namespace {

constexpr std::string_view kMalformed = "MALFORMED";

std::string Number(uint64_t value) {
    return std::to_string(value);
}

std::string CommandName(uint8_t command) {
    switch (command) {
        case sysex::CMD_CONNECTION:
            return "CMD_CONNECTION";
        case sysex::CMD_ACTIVE_SENSE:
            return "CMD_ACTIVE_SENSE";
        case sysex::CMD_ABORT:
            return "CMD_ABORT";
        case sysex::CMD_GET_TAB_FILE:
            return "CMD_GET_TAB_FILE";
        case sysex::CMD_GET_TAB_FILE_CN:
            return "CMD_GET_TAB_FILE_CN";
        case sysex::CMD_QUERY_FILES:
            return "CMD_QUERY_FILES";
        case sysex::CMD_DOWNLOAD:
            return "CMD_DOWNLOAD";
        case sysex::CMD_UPLOAD:
            return "CMD_UPLOAD";
        case sysex::CMD_DELETE:
            return "CMD_DELETE";
        case sysex::CMD_DOWNLOAD_RESET:
            return "CMD_DOWNLOAD_RESET";
        default: {
            char text[16];
            std::snprintf(text, sizeof text, "command 0x%02x", command);
            return text;
        }
    }
}

bool IsTableCommand(uint8_t command) {
    return command == sysex::CMD_GET_TAB_FILE || command == sysex::CMD_GET_TAB_FILE_CN;
}
bool IsTransferCommand(uint8_t command) {
    return command == sysex::CMD_UPLOAD || command == sysex::CMD_DOWNLOAD;
}

using Fields = std::vector<DecodedField>;

// A one-byte payload: the program's connect or disconnect, a table number (or the
// acknowledgement of a table, which has the same bytes), an acknowledgement, or the
// instrument's status.
void OneByte(uint8_t command, uint8_t value, bool fromPc, Fields& fields) {
    if (!fromPc) {
        fields.push_back({"status", Number(value), {}});
    } else if (command == sysex::CMD_CONNECTION) {
        const char* meaning = value == sysex::kConnect      ? "connect"
                              : value == sysex::kDisconnect ? "disconnect"
                                                            : "";
        fields.push_back({"request", Number(value), meaning});
    } else if (IsTableCommand(command)) {
        fields.push_back({"table_or_ack", Number(value), {}});
    } else {
        fields.push_back({"ack", Number(value), {}});
    }
}

bool Identity(ByteView payload, Fields& fields) {
    ByteReader r(payload);
    const uint8_t status = r.U8();
    const auto identity = IdentityRecord::Decode(r.Take(sysex::kIdentitySize));
    if (!r.Ok() || !identity) {
        return false;
    }
    fields.push_back({"status", Number(status), {}});
    fields.push_back({"product", QuotedText(identity->productName), {}});
    fields.push_back({"firmware", QuotedText(identity->firmwareVersion), {}});
    fields.push_back({"class", Number(identity->deviceClass), {}});
    fields.push_back({"device_id", std::to_string(identity->deviceId), {}});
    return true;
}

bool Header(ByteView payload, Fields& fields) {
    const auto header = TransferHeader::Decode(payload);
    if (!header) {
        return false;
    }
    fields.push_back({"name", QuotedText(header->name), {}});
    fields.push_back({"size", Number(header->size), {}});
    fields.push_back({"count", Number(header->count), {}});
    return true;
}

// A download packet or a data block: number (4 bytes) and length (2 bytes).
void NumberAndLength(const char* numberKey, ByteView payload, Fields& fields) {
    ByteReader r(payload);
    const uint32_t number = r.U32Le();
    const uint16_t length = r.U16Le();
    fields.push_back({numberKey, Number(number), {}});
    fields.push_back({"length", Number(length), {}});
}

// A listing answer: status, two bytes not read, the entry's 40 fixed bytes and its name.
bool Entry(ByteView payload, Fields& fields) {
    ByteReader r(payload);
    const uint8_t status = r.U8();
    r.Skip(2);
    const uint32_t kind = r.U32Le();
    r.Skip(24 + 4);  // three times, the high half of the size
    const uint32_t size = r.U32Le();
    const uint32_t length = r.U32Le();
    if (!r.Ok()) {
        return false;
    }
    fields.push_back({"status", Number(status), {}});
    if (length > r.Remaining()) {
        fields.push_back({"name_length", Number(length), "truncated"});
        return true;
    }
    const ByteView name = r.Take(length);
    fields.push_back({"entry", QuotedText(AsText(name)), kind == 0 ? "folder" : "file"});
    if (kind != 0) {
        fields.push_back({"size", Number(size), {}});
    }
    return true;
}

Fields FrameFields(uint8_t command, ByteView payload, bool fromPc) {
    Fields fields;
    const size_t size = payload.size();
    if (size == 0) {
        return fields;
    }
    if (size == 1) {
        OneByte(command, payload[0], fromPc, fields);
        return fields;
    }
    bool known = false;
    if (fromPc) {
        if (IsTransferCommand(command) && size == sysex::kTransferHeaderSize) {
            known = Header(payload, fields);
        } else if (command == sysex::CMD_DOWNLOAD && size == sysex::kDownloadPacketSize) {
            NumberAndLength("packet", payload, fields);
            known = true;
        } else if (command == sysex::CMD_DELETE) {
            if (const auto name = DecodeDeleteRecord(payload)) {
                fields.push_back({"name", QuotedText(*name), {}});
                known = true;
            }
        } else if (command == sysex::CMD_QUERY_FILES) {
            if (const auto path = DecodeQueryRecord(payload)) {
                fields.push_back({"path", QuotedText(*path), {}});
                known = true;
            }
        }
    } else if (command == sysex::CMD_CONNECTION && size == 1 + sysex::kIdentitySize) {
        known = Identity(payload, fields);
    } else if (IsTableCommand(command) && size == sysex::kTableHeaderPayloadSize) {
        ByteReader r(payload);
        const uint32_t bytes = r.U32Le();
        const uint32_t blocks = r.U32Le();
        fields.push_back({"size", Number(bytes), {}});
        fields.push_back({"blocks", Number(blocks), {}});
        known = true;
    } else if (size == sysex::kDataBlockPayloadSize) {
        NumberAndLength("block", payload, fields);
        known = true;
    } else if (command == sysex::CMD_QUERY_FILES) {
        known = Entry(payload, fields);
    }
    if (!known) {
        fields.clear();
        fields.push_back({"payload", Number(size), {}});
    }
    return fields;
}

void Channel(uint8_t status, Fields& fields) {
    fields.push_back({"channel", Number((status & 0x0F) + 1u), {}});
}

DecodedMessage DecodeShort(ByteView message) {
    DecodedMessage decoded;
    decoded.size = message.size();
    const uint8_t status = message[0];
    size_t needed = 1;
    const char* name = "SYSTEM";
    switch (status & 0xF0) {
        case 0x80:
            name = "NOTE_OFF";
            needed = 3;
            break;
        case 0x90:
            name = "NOTE_ON";
            needed = 3;
            break;
        case 0xA0:
            name = "KEY_PRESSURE";
            needed = 3;
            break;
        case 0xB0:
            name = "CONTROL_CHANGE";
            needed = 3;
            break;
        case 0xC0:
            name = "PROGRAM_CHANGE";
            needed = 2;
            break;
        case 0xD0:
            name = "CHANNEL_PRESSURE";
            needed = 2;
            break;
        case 0xE0:
            name = "PITCH_BEND";
            needed = 3;
            break;
        default:
            // System messages: song position takes two data bytes, time code and song select
            // one; the end of an exclusive frame never stands alone.
            needed = status == 0xF2 ? 3 : (status == 0xF1 || status == 0xF3) ? 2 : 1;
            break;
    }
    bool dataOk = message.size() == needed && status != sysex::kEnd;
    for (size_t i = 1; dataOk && i < needed; ++i) {
        dataOk = message[i] < 0x80;
    }
    if (status < 0x80 || !dataOk) {
        decoded.command = std::string(kMalformed);
        decoded.fields.push_back({"bytes", Number(message.size()), {}});
        return decoded;
    }
    decoded.kind = MessageKind::Short;
    decoded.command = name;
    Fields& fields = decoded.fields;
    switch (status & 0xF0) {
        case 0x80:
        case 0x90:
            Channel(status, fields);
            fields.push_back({"key", Number(message[1]), {}});
            fields.push_back({"velocity", Number(message[2]), {}});
            break;
        case 0xA0:
            Channel(status, fields);
            fields.push_back({"key", Number(message[1]), {}});
            fields.push_back({"pressure", Number(message[2]), {}});
            break;
        case 0xB0:
            Channel(status, fields);
            fields.push_back({"controller", Number(message[1]), {}});
            fields.push_back({"value", Number(message[2]), {}});
            break;
        case 0xC0:
            Channel(status, fields);
            fields.push_back({"program", Number(message[1]), {}});
            break;
        case 0xD0:
            Channel(status, fields);
            fields.push_back({"pressure", Number(message[1]), {}});
            break;
        case 0xE0:
            Channel(status, fields);
            fields.push_back(
                {"value", std::to_string(((message[2] << 7) | message[1]) - 8192), {}});
            break;
        default: {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", status);
            fields.push_back({"status", hex, {}});
            break;
        }
    }
    return decoded;
}

}  // namespace

std::optional<Bytes> DecodeFramePayload(ByteView frame) {
    if (frame.size() < sysex::kFrameOverhead) {
        return std::nullopt;
    }
    const ByteView encoded =
        frame.subspan(sysex::kPayloadOffset, frame.size() - sysex::kFrameOverhead);
    if (encoded.size() % 2 != 0) {
        return std::nullopt;
    }
    for (size_t i = 0; i < encoded.size(); i += 2) {
        if (encoded[i] > 1 || encoded[i + 1] > 0x7F) {
            return std::nullopt;
        }
    }
    return sysex::CombineData(encoded);
}

DecodedMessage DecodeMidiMessage(ByteView message, bool fromPc) {
    if (message.empty()) {
        DecodedMessage decoded;
        decoded.command = std::string(kMalformed);
        decoded.fields.push_back({"bytes", "0", {}});
        return decoded;
    }
    if (message[0] != sysex::kStart) {
        return DecodeShort(message);
    }
    DecodedMessage decoded;
    decoded.size = message.size();
    if (!sysex::IsValidFrame(message) || message.size() < sysex::kFrameOverhead) {
        decoded.command = std::string(kMalformed);
        decoded.fields.push_back({"bytes", Number(message.size()), {}});
        return decoded;
    }
    const uint8_t command = sysex::FrameCommand(message);
    decoded.command = CommandName(command);
    decoded.checksum =
        sysex::VerifyFrameChecksum(message).match ? ChecksumState::Good : ChecksumState::Bad;
    const auto payload = DecodeFramePayload(message);
    if (!payload) {
        // The frame's outline is right but its payload is not whole pairs of 7-bit bytes.
        decoded.fields.push_back({"bytes", Number(message.size()), "damaged_payload"});
        return decoded;
    }
    decoded.kind = MessageKind::Frame;
    decoded.fields = FrameFields(command, *payload, fromPc);
    return decoded;
}

std::string DecodedMessage::FieldsText() const {
    std::string text;
    for (const DecodedField& field : fields) {
        if (!text.empty()) {
            text += ' ';
        }
        text += field.key + '=' + field.value;
        if (!field.meaning.empty()) {
            text += " (" + field.meaning + ')';
        }
    }
    return text;
}

std::string DecodedMessage::Line() const {
    if (command == kMalformed) {
        return "malformed frame (" + Number(size) + " bytes)";
    }
    std::string line = command;
    if (kind == MessageKind::Malformed) {
        line += " with a damaged payload";
    } else if (const std::string details = FieldsText(); !details.empty()) {
        line += ' ' + details;
    }
    if (checksum == ChecksumState::Bad) {
        line += " (bad checksum)";
    }
    return line;
}

std::string HexBytes(ByteView bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const uint8_t b : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::string QuotedText(std::string_view text) {
    std::string shown = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown + "\"";
}

}  // namespace veltrano
