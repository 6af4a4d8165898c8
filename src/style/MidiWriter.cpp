#include "style/MidiWriter.h"

#include <array>

namespace veltrano {

namespace {

// The longest length a four-byte variable-length quantity holds, which is all a reader takes.
constexpr size_t kMaxMetaLength = 0x0FFFFFFF;

}  // namespace

void MidiWriter::write_header(ByteWriter& file) {
    file.Append(std::string_view("MThd"));
    file.U32Be(6);
    file.U16Be(0);
    file.U16Be(1);
    file.U16Be(kProvisionalDivision);
    file.Append(std::string_view("MTrk"));
    file.U32Be(0);
}

void MidiWriter::write_text_meta(ByteWriter& file, uint8_t delta, uint8_t type,
                                 std::string_view text) {
    if (!text.empty() && static_cast<uint8_t>(text.back()) == 0xFF) {
        text.remove_suffix(1);
    }
    if (text.size() > kMaxMetaLength) {
        text = text.substr(0, kMaxMetaLength);
    }
    file.U8(delta);
    file.U8(0xFF);
    file.U8(type);
    file.Vlq(static_cast<uint32_t>(text.size()));
    file.Append(text);
}

Bytes MidiWriter::encode_vlq(uint32_t value) {
    ByteWriter out(5);
    out.Vlq(value);
    return out.Take();
}

size_t MidiWriter::finish(ByteWriter& file, uint16_t division) {
    if (file.Size() < kHeaderSize) {
        return 0;
    }
    file.Append(ByteView(std::array<uint8_t, 4>{0x00, 0xFF, 0x2F, 0x00}));
    const size_t length = file.Size();
    const uint32_t trackLength = static_cast<uint32_t>(length - kHeaderSize);
    if (!file.PatchU32Be(kTrackLengthOffset, trackLength)) {
        return 0;
    }
    // High byte first: a little-endian patch of the swapped value.
    const auto swapped = static_cast<uint16_t>((division >> 8) | (division << 8));
    if (!file.PatchU16Le(kDivisionOffset, swapped)) {
        return 0;
    }
    return length;
}

}  // namespace veltrano
