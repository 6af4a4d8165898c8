#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

// The legacy code pages in which the instrument stores texts: Western for the English language
// index, GBK for the Chinese one. In memory every text is UTF-8.
enum class CodePage { Windows1252, Gbk };

[[nodiscard]] CodePage CodePageForLanguage(int languageIndex);

[[nodiscard]] bool IsValidUtf8(std::string_view bytes);

// The code point that starts at bytes[i] and its length in bytes; length 0 when the bytes there
// are not a well-formed, shortest-form UTF-8 sequence of a Unicode scalar value.
struct Utf8Char {
    char32_t codePoint = 0;
    size_t length = 0;
};
[[nodiscard]] Utf8Char DecodeUtf8At(std::string_view bytes, size_t i);

// Converts legacy bytes to UTF-8; nullopt when the bytes are not valid in that code page.
[[nodiscard]] std::optional<std::string> LegacyToUtf8(std::string_view bytes, CodePage page);

// Converts UTF-8 to the legacy code page; nullopt when a character has no legacy form.
[[nodiscard]] std::optional<std::string> Utf8ToLegacy(std::string_view utf8, CodePage page);

// UTF-8 kept as is, anything else decoded from the given code page (undecodable bytes become
// U+FFFD), so what comes back is always valid UTF-8.
[[nodiscard]] std::string ToUtf8Lenient(std::string_view bytes, CodePage page);

}  // namespace veltrano
