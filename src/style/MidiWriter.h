#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Bytes.h"

namespace veltrano {

// The pieces of a format-0 Standard MIDI File with one track, written into a buffer that the
// caller saves when it is complete: the header with room for the division and the track
// length, the leading meta events, and the end that fills both in. All numbers in the file are
// big-endian.
struct MidiWriter {
    static constexpr size_t kHeaderSize = 22;
    static constexpr size_t kDivisionOffset = 12;
    static constexpr size_t kTrackLengthOffset = 18;
    static constexpr uint16_t kProvisionalDivision = 120;

    // "MThd", 00 00 00 06, format 0, one track, division 120 (replaced by finish), "MTrk" and
    // a track length of 0 (replaced by finish).
    static void write_header(ByteWriter& file);
    // The delta as one byte, FF, the type, the length as a variable-length quantity and the
    // text. A last byte 0xFF of the text is not written.
    static void write_text_meta(ByteWriter& file, uint8_t delta, uint8_t type,
                                std::string_view text);
    // Most significant group first, bit 7 set on every byte but the last.
    [[nodiscard]] static Bytes encode_vlq(uint32_t value);
    [[nodiscard]] static constexpr uint32_t byte_swap32(uint32_t value) {
        return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
               (value << 24);
    }
    // Appends the end of track, puts the division into the header and the track length (the
    // file length minus 22); returns the file length, or 0 (writing nothing) when the buffer
    // does not begin with a header.
    [[nodiscard]] static size_t finish(ByteWriter& file, uint16_t division);
};

}  // namespace veltrano
