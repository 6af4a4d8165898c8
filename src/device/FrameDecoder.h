#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace veltrano {

// What a message on the MIDI cable says, for people: the instrument's system-exclusive frames
// and the short channel messages, in either direction. Shared by the MIDI monitor window and
// the simulator's log. Any bytes at all may be given; what does not parse is "malformed".

enum class MessageKind {
    Frame,      // a whole system-exclusive frame of the instrument
    Short,      // a channel or system message of one to three bytes
    Malformed,  // anything else: too short, a foreign header, a damaged payload
};

enum class ChecksumState { NotChecked, Good, Bad };

// One decoded field. `key` is a fixed lower-case identifier ("name", "size", "block", …) that
// a window may translate; `value` is a number or a quoted, escaped text; `meaning` is empty or
// one more identifier for a coded value ("connect", "folder", …).
struct DecodedField {
    std::string key;
    std::string value;
    std::string meaning;
    bool operator==(const DecodedField&) const = default;
};

struct DecodedMessage {
    MessageKind kind = MessageKind::Malformed;
    // The frame's command ("CMD_UPLOAD", "command 0x7e" for an unknown one), the short
    // message's name ("NOTE_ON", "CONTROL_CHANGE", …), or "MALFORMED".
    std::string command;
    std::vector<DecodedField> fields;
    ChecksumState checksum = ChecksumState::NotChecked;
    size_t size = 0;  // bytes of the message

    // The fields as "key=value (meaning)", separated by spaces.
    [[nodiscard]] std::string FieldsText() const;
    // One line: "CMD_UPLOAD name="A.MID" size=300 count=2", then " (bad checksum)" when the
    // checksum did not match; "malformed frame (2 bytes)" for what does not parse.
    [[nodiscard]] std::string Line() const;
};

// `fromPc` tells the program's requests from the instrument's answers: both use the same
// command bytes.
[[nodiscard]] DecodedMessage DecodeMidiMessage(ByteView message, bool fromPc);

// The payload of a frame between its command byte and its checksum, decoded; nullopt when the
// frame is too short or the bytes are not whole pairs of 7-bit bytes with a high part of 0 or 1.
[[nodiscard]] std::optional<Bytes> DecodeFramePayload(ByteView frame);

// "f0 00 20 …": every byte as two hex digits, separated by spaces.
[[nodiscard]] std::string HexBytes(ByteView bytes);
// The text in double quotes with control characters, quotes and backslashes as \xNN, so a name
// received from the instrument stays on one line and cannot pass for another field.
[[nodiscard]] std::string QuotedText(std::string_view text);

}  // namespace veltrano
