#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "base/TextCodec.h"

namespace veltrano {

// A path in a performance file: UTF-16LE text and a 16-bit terminator in a field of
// 2 × (n + 1) bytes, n being the path's length in the legacy code page (so a double-byte
// character leaves zero bytes after the terminator). Paths are UTF-8 in memory; what cannot be
// expressed in the code page becomes "?", as it would in the instrument's own tools, so that
// the length the writer stores is the length the reader computes.

// The path as the code page spells it (unrepresentable characters as "?").
[[nodiscard]] std::string PathToLegacy(std::string_view utf8, CodePage page);

// The bytes the field takes; nullopt when the path is longer than kMaxPathBytes.
[[nodiscard]] std::optional<size_t> PathFieldSize(std::string_view utf8, CodePage page);

// Appends the field; false (nothing appended) when the path is too long.
[[nodiscard]] bool WritePathField(ByteWriter& out, std::string_view utf8, CodePage page);

enum class PathFieldStatus { Ok, NoTerminator, TooLong, CutShort };

struct PathFieldRead {
    PathFieldStatus status = PathFieldStatus::Ok;
    std::string path;  // UTF-8
};

// Reads the field at the reader's position inside the section bytes and moves past it. The
// reader never advances less than the text and its terminator, even when a different code
// page gives a shorter n than the writer's.
[[nodiscard]] PathFieldRead ReadPathField(ByteView section, ByteReader& reader, CodePage page);

}  // namespace veltrano
