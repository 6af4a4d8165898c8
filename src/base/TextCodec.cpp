#include "base/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace veltrano {

namespace {

const char* IconvName(CodePage page) {
    return page == CodePage::Gbk ? "GBK" : "WINDOWS-1252";
}

// One iconv conversion of a whole buffer. With lenient set, an invalid input sequence is
// replaced by U+FFFD (only meaningful when converting to UTF-8) and the scan goes on.
std::optional<std::string> Convert(std::string_view in, const char* from, const char* to,
                                   bool lenient) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out;
    std::vector<char> buffer(4096);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buffer.data();
        size_t dstLeft = buffer.size();
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer.data(), buffer.size() - dstLeft);
        if (rc != static_cast<size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        if (!lenient) {
            ok = false;
            break;
        }
        // EILSEQ or EINVAL (truncated sequence at the end): skip one byte.
        out.append("\xEF\xBF\xBD");
        ++src;
        --srcLeft;
    }
    iconv_close(cd);
    if (!ok) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

CodePage CodePageForLanguage(int languageIndex) {
    return languageIndex == 1 ? CodePage::Gbk : CodePage::Windows1252;
}

Utf8Char DecodeUtf8At(std::string_view bytes, size_t i) {
    if (i >= bytes.size()) {
        return {};
    }
    const auto c = static_cast<uint8_t>(bytes[i]);
    if (c < 0x80) {
        return {c, 1};
    }
    size_t len = 0;
    char32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
    } else {
        return {};
    }
    if (bytes.size() - i < len) {
        return {};
    }
    for (size_t k = 1; k < len; ++k) {
        const auto cc = static_cast<uint8_t>(bytes[i + k]);
        if ((cc & 0xC0) != 0x80) {
            return {};
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    const bool overlong =
        (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {};
    }
    return {cp, len};
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const Utf8Char c = DecodeUtf8At(bytes, i);
        if (c.length == 0) {
            return false;
        }
        i += c.length;
    }
    return true;
}

std::optional<std::string> LegacyToUtf8(std::string_view bytes, CodePage page) {
    return Convert(bytes, IconvName(page), "UTF-8", false);
}

std::optional<std::string> Utf8ToLegacy(std::string_view utf8, CodePage page) {
    return Convert(utf8, "UTF-8", IconvName(page), false);
}

std::string ToUtf8Lenient(std::string_view bytes, CodePage page) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    auto converted = Convert(bytes, IconvName(page), "UTF-8", true);
    return converted ? *converted : std::string();
}

}  // namespace veltrano
