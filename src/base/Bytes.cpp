#include "base/Bytes.h"

namespace veltrano {

bool ByteReader::Seek(size_t position) {
    if (!ok_ || position > bytes_.size()) {
        ok_ = false;
        return false;
    }
    pos_ = position;
    return true;
}

bool ByteReader::Skip(size_t count) {
    if (!Has(count)) {
        ok_ = false;
        return false;
    }
    pos_ += count;
    return true;
}

uint8_t ByteReader::U8() {
    if (!Has(1)) {
        ok_ = false;
        return 0;
    }
    return bytes_[pos_++];
}

uint16_t ByteReader::U16Le() {
    const ByteView b = Take(2);
    return b.empty() ? 0 : static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint16_t ByteReader::U16Be() {
    const ByteView b = Take(2);
    return b.empty() ? 0 : static_cast<uint16_t>((b[0] << 8) | b[1]);
}

uint32_t ByteReader::U24Be() {
    const ByteView b = Take(3);
    return b.empty() ? 0 : (uint32_t{b[0]} << 16) | (uint32_t{b[1]} << 8) | b[2];
}

uint32_t ByteReader::U32Le() {
    const ByteView b = Take(4);
    return b.empty() ? 0
                     : uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) |
                           (uint32_t{b[3]} << 24);
}

uint32_t ByteReader::U32Be() {
    const ByteView b = Take(4);
    return b.empty() ? 0
                     : (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) |
                           uint32_t{b[3]};
}

uint64_t ByteReader::U64Le() {
    const uint64_t low = U32Le();
    const uint64_t high = U32Le();
    return ok_ ? (low | (high << 32)) : 0;
}

uint32_t ByteReader::Vlq() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t b = U8();
        if (!ok_) {
            return 0;
        }
        value = (value << 7) | (b & 0x7F);
        if ((b & 0x80) == 0) {
            return value;
        }
    }
    // A fifth continuation byte would overflow 28 bits: not a valid quantity.
    ok_ = false;
    return 0;
}

ByteView ByteReader::Take(size_t count) {
    if (!Has(count)) {
        ok_ = false;
        return {};
    }
    const ByteView view = bytes_.subspan(pos_, count);
    pos_ += count;
    return view;
}

std::string ByteReader::FixedText(size_t width) {
    const ByteView field = Take(width);
    std::string text(AsText(field));
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.resize(zero);
    }
    return text;
}

void ByteWriter::U16Le(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::U16Be(uint16_t v) {
    U8(static_cast<uint8_t>(v >> 8));
    U8(static_cast<uint8_t>(v));
}

void ByteWriter::U24Be(uint32_t v) {
    U8(static_cast<uint8_t>(v >> 16));
    U8(static_cast<uint8_t>(v >> 8));
    U8(static_cast<uint8_t>(v));
}

void ByteWriter::U32Le(uint32_t v) {
    U16Le(static_cast<uint16_t>(v));
    U16Le(static_cast<uint16_t>(v >> 16));
}

void ByteWriter::U32Be(uint32_t v) {
    U16Be(static_cast<uint16_t>(v >> 16));
    U16Be(static_cast<uint16_t>(v));
}

void ByteWriter::U64Le(uint64_t v) {
    U32Le(static_cast<uint32_t>(v));
    U32Le(static_cast<uint32_t>(v >> 32));
}

void ByteWriter::Vlq(uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 0) {
        --n;
        U8(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
    }
}

void ByteWriter::FixedText(std::string_view text, size_t width) {
    const size_t n = text.size() < width ? text.size() : width;
    Append(text.substr(0, n));
    Zeros(width - n);
}

bool ByteWriter::PatchU16Le(size_t position, uint16_t v) {
    if (position > bytes_.size() || bytes_.size() - position < 2) {
        return false;
    }
    bytes_[position] = static_cast<uint8_t>(v);
    bytes_[position + 1] = static_cast<uint8_t>(v >> 8);
    return true;
}

bool ByteWriter::PatchU32Le(size_t position, uint32_t v) {
    return PatchU16Le(position, static_cast<uint16_t>(v)) &&
           PatchU16Le(position + 2, static_cast<uint16_t>(v >> 16));
}

bool ByteWriter::PatchU32Be(size_t position, uint32_t v) {
    if (position > bytes_.size() || bytes_.size() - position < 4) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        bytes_[position + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
    return true;
}

size_t VlqSize(uint32_t v) {
    size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

}  // namespace veltrano
