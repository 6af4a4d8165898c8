#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

using Bytes = std::vector<uint8_t>;
using ByteView = std::span<const uint8_t>;

[[nodiscard]] inline ByteView AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
[[nodiscard]] inline std::string_view AsText(ByteView bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Reads fixed-width fields from a byte buffer. Every read checks the room left first: a read
// past the end yields zeros and marks the reader failed, so a parser reads its fields and then
// checks Ok() once instead of guarding each one.
class ByteReader {
public:
    explicit ByteReader(ByteView bytes) : bytes_(bytes) {}

    [[nodiscard]] bool Ok() const { return ok_; }
    [[nodiscard]] size_t Position() const { return pos_; }
    [[nodiscard]] size_t Remaining() const { return ok_ ? bytes_.size() - pos_ : 0; }
    [[nodiscard]] bool Has(size_t count) const { return ok_ && count <= bytes_.size() - pos_; }

    // Moves to an absolute position; past the end fails.
    bool Seek(size_t position);
    bool Skip(size_t count);

    uint8_t U8();
    int8_t S8() { return static_cast<int8_t>(U8()); }
    uint16_t U16Le();
    uint16_t U16Be();
    uint32_t U24Be();
    uint32_t U32Le();
    uint32_t U32Be();
    uint64_t U64Le();
    // A MIDI variable-length quantity of at most four bytes.
    uint32_t Vlq();
    // count bytes; an empty view (and failure) when they are not there.
    ByteView Take(size_t count);
    // A text field of a fixed width that ends at its first zero byte.
    std::string FixedText(size_t width);

private:
    ByteView bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Appends fixed-width fields to a growing buffer, or overwrites them at a position.
class ByteWriter {
public:
    ByteWriter() = default;
    explicit ByteWriter(size_t reserve) { bytes_.reserve(reserve); }

    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16Le(uint16_t v);
    void U16Be(uint16_t v);
    void U24Be(uint32_t v);
    void U32Le(uint32_t v);
    void U32Be(uint32_t v);
    void U64Le(uint64_t v);
    void Vlq(uint32_t v);
    void Append(ByteView bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void Append(std::string_view text) { Append(AsBytes(text)); }
    void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    // The text cut or zero-padded to exactly width bytes.
    void FixedText(std::string_view text, size_t width);

    // Overwrites already written bytes; false when they are not all there.
    [[nodiscard]] bool PatchU16Le(size_t position, uint16_t v);
    [[nodiscard]] bool PatchU32Le(size_t position, uint32_t v);
    [[nodiscard]] bool PatchU32Be(size_t position, uint32_t v);

    [[nodiscard]] size_t Size() const { return bytes_.size(); }
    [[nodiscard]] const Bytes& Data() const { return bytes_; }
    [[nodiscard]] Bytes Take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

// Number of bytes a variable-length quantity takes (1 to 5 for 32-bit values).
[[nodiscard]] size_t VlqSize(uint32_t v);

}  // namespace veltrano
