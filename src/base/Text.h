#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

// Small text helpers shared by the INI, catalogue and command-line code. All work on bytes
// (UTF-8 or a legacy code page); letter case folds ASCII only, as the settings files expect.

[[nodiscard]] bool EqualsNoCase(std::string_view a, std::string_view b);
[[nodiscard]] std::string ToLowerAscii(std::string_view text);

// Removes spaces, tabs, CR and LF from both ends.
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

[[nodiscard]] std::vector<std::string_view> SplitFields(std::string_view line, char separator);

// The C library's atoi rule without its undefined overflow: optional blanks, an optional sign,
// then digits; anything else (or nothing) reads as 0. Saturates at the int range.
[[nodiscard]] int ParseLeadingInt(std::string_view text);

// True when the text holds a CR, LF or other control character below 0x20 (TAB excepted when
// allowTab is set), or DEL.
[[nodiscard]] bool HasControlChar(std::string_view text, bool allowTab = false);

// A name that can stand as one file or folder name on every platform we run on: not empty,
// not "." or "..", and without "/", "\\" or control characters.
[[nodiscard]] bool IsSafePathComponent(std::string_view name);

}  // namespace veltrano
