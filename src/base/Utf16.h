#pragma once

#include <string>
#include <string_view>

#include "base/Bytes.h"

namespace veltrano {

// UTF-16 as files of the instrument store it (little-endian code units). In memory texts are
// UTF-8; anything that cannot be transcoded becomes U+FFFD instead of failing, so a damaged
// text still reads as something the user can see and fix.

// Invalid UTF-8 sequences become U+FFFD.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view utf16);

// Two bytes per code unit, low byte first; no terminator.
void AppendUtf16Le(ByteWriter& out, std::u16string_view utf16);
// The code units of the bytes; an odd last byte is ignored.
[[nodiscard]] std::u16string DecodeUtf16Le(ByteView bytes);

}  // namespace veltrano
