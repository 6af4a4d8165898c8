#include "performance/PathField.h"

#include <algorithm>

#include "base/Utf16.h"
#include "performance/PerformanceModel.h"

namespace veltrano {

namespace {

// The length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
size_t Utf8SequenceLength(uint8_t lead) {
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        return 4;
    }
    return 1;
}

}  // namespace

std::string PathToLegacy(std::string_view utf8, CodePage page) {
    // A path is a C string to the instrument: it ends at its first zero.
    utf8 = utf8.substr(0, utf8.find('\0'));
    if (auto whole = Utf8ToLegacy(utf8, page)) {
        return *whole;
    }
    // Character by character, so that only what the code page lacks turns into "?".
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        const size_t len =
            std::min(Utf8SequenceLength(static_cast<uint8_t>(utf8[i])), utf8.size() - i);
        const auto one = Utf8ToLegacy(utf8.substr(i, len), page);
        out += one && !one->empty() ? *one : std::string("?");
        i += len;
    }
    return out;
}

std::optional<size_t> PathFieldSize(std::string_view utf8, CodePage page) {
    const size_t n = PathToLegacy(utf8, page).size();
    if (n > kMaxPathBytes) {
        return std::nullopt;
    }
    return 2 * (n + 1);
}

bool WritePathField(ByteWriter& out, std::string_view utf8, CodePage page) {
    const std::string legacy = PathToLegacy(utf8, page);
    if (legacy.size() > kMaxPathBytes) {
        return false;
    }
    // Every character of the code pages in use is one UTF-16 unit of one or two legacy bytes,
    // so the text and its terminator always fit in the field.
    const std::u16string text = Utf8ToUtf16(LegacyToUtf8(legacy, page).value_or(std::string()));
    const size_t fieldSize = 2 * (legacy.size() + 1);
    const size_t start = out.Size();
    AppendUtf16Le(out, text.substr(0, legacy.size()));
    out.Zeros(fieldSize - (out.Size() - start));
    return true;
}

PathFieldRead ReadPathField(ByteView section, ByteReader& reader, CodePage page) {
    PathFieldRead result;
    if (!reader.Ok()) {
        result.status = PathFieldStatus::CutShort;
        return result;
    }
    const size_t start = reader.Position();
    const ByteView rest = section.subspan(start);
    size_t units = 0;
    bool terminated = false;
    for (; 2 * units + 1 < rest.size(); ++units) {
        if (rest[2 * units] == 0 && rest[2 * units + 1] == 0) {
            terminated = true;
            break;
        }
    }
    if (!terminated) {
        result.status = PathFieldStatus::NoTerminator;
        return result;
    }
    // Each legacy byte stands for at most two units (a surrogate pair becomes one "?").
    if (units > 2 * kMaxPathBytes) {
        result.status = PathFieldStatus::TooLong;
        return result;
    }
    const std::string utf8 = Utf16ToUtf8(DecodeUtf16Le(rest.first(2 * units)));
    const std::string legacy = PathToLegacy(utf8, page);
    if (legacy.size() > kMaxPathBytes) {
        result.status = PathFieldStatus::TooLong;
        return result;
    }
    const size_t fieldSize = 2 * (std::max(legacy.size(), units) + 1);
    if (!reader.Skip(fieldSize)) {
        result.status = PathFieldStatus::CutShort;
        return result;
    }
    // What the code page could not hold is kept as the "?" it became, as the writer stores it.
    result.path = LegacyToUtf8(legacy, page).value_or(std::string());
    return result;
}

}  // namespace veltrano
