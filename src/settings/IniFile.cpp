#include "settings/IniFile.h"

#include <cstdio>
#include <system_error>

#include "base/FileIo.h"
#include "base/Text.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr size_t kNumberChars = 64;

// A section header: "[" name "]" after optional blanks. The name ends at the first "]".
bool ParseSectionHeader(std::string_view text, std::string_view& name) {
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty() || trimmed.front() != '[') {
        return false;
    }
    std::string_view rest = trimmed.substr(1);
    const size_t close = rest.find(']');
    if (close != std::string_view::npos) {
        rest = rest.substr(0, close);
    }
    name = TrimBlanks(rest);
    return true;
}

// A key line: name "=" value; lines without "=" or starting with it are not keys.
bool ParseKeyLine(std::string_view text, std::string_view& key, std::string_view& value) {
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    key = TrimBlanks(text.substr(0, eq));
    if (key.empty()) {
        return false;
    }
    value = TrimBlanks(text.substr(eq + 1));
    // A value wrapped in one pair of matching quotes is returned without them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

std::vector<std::string_view> SplitLinesKeepEnds(std::string_view bytes) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t nl = bytes.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, nl + 1 - start));
        start = nl + 1;
    }
    return lines;
}

std::string RemoveLineBreaks(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c != '\r' && c != '\n' && c != '\0') {
            out.push_back(c);
        }
    }
    return out;
}

bool IsWritableName(std::string_view name, bool isSection) {
    if (TrimBlanks(name).empty() || HasControlChar(name, true)) {
        return false;
    }
    if (isSection) {
        return name.find(']') == std::string_view::npos;
    }
    return name.find('=') == std::string_view::npos && TrimBlanks(name).front() != '[';
}

}  // namespace

IniFile IniFile::FromText(std::string_view text) {
    IniFile file;
    file.inMemory_ = true;
    file.cache_.loaded = true;
    file.cache_.exists = true;
    file.cache_.lines = ParseLines(text);
    return file;
}

void IniFile::SetPath(fs::path path) {
    path_ = std::move(path);
    inMemory_ = false;
    cache_ = Snapshot{};
}

std::vector<IniFile::Line> IniFile::ParseLines(std::string_view bytes) {
    std::vector<Line> lines;
    for (std::string_view raw : SplitLinesKeepEnds(bytes)) {
        Line line;
        if (raw.size() >= 2 && raw.substr(raw.size() - 2) == "\r\n") {
            line.end = "\r\n";
        } else if (!raw.empty() && raw.back() == '\n') {
            line.end = "\n";
        }
        line.text = std::string(raw.substr(0, raw.size() - line.end.size()));
        lines.push_back(std::move(line));
    }
    return lines;
}

const std::vector<IniFile::Line>& IniFile::Lines() const {
    if (inMemory_) {
        return cache_.lines;
    }
    std::error_code ec;
    bool exists = !path_.empty() && fs::is_regular_file(path_, ec);
    fs::file_time_type time{};
    uintmax_t size = 0;
    if (exists) {
        time = fs::last_write_time(path_, ec);
        size = fs::file_size(path_, ec);
        exists = !ec;
    }
    if (cache_.loaded && cache_.exists == exists && cache_.time == time && cache_.size == size) {
        return cache_.lines;
    }
    cache_ = Snapshot{};
    cache_.loaded = true;
    cache_.exists = exists;
    cache_.time = time;
    cache_.size = size;
    if (!exists) {
        return cache_.lines;
    }
    const auto bytes = ReadFileBytes(path_, kMaxFileBytes);
    if (!bytes) {
        return cache_.lines;
    }
    cache_.lines = ParseLines(*bytes);
    return cache_.lines;
}

std::pair<size_t, size_t> IniFile::FindSection(std::string_view section) const {
    const auto& lines = Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (!ParseSectionHeader(lines[i].text, name) || !EqualsNoCase(name, TrimBlanks(section))) {
            continue;
        }
        size_t end = i + 1;
        std::string_view other;
        while (end < lines.size() && !ParseSectionHeader(lines[end].text, other)) {
            ++end;
        }
        return {i + 1, end};
    }
    return {std::string::npos, std::string::npos};
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
    const auto [begin, end] = FindSection(section);
    if (begin == std::string::npos) {
        return std::string(defaultValue);
    }
    const auto& lines = Lines();
    const std::string_view wanted = TrimBlanks(key);
    for (size_t i = begin; i < end; ++i) {
        std::string_view name;
        std::string_view value;
        if (ParseKeyLine(lines[i].text, name, value) && EqualsNoCase(name, wanted)) {
            return std::string(value);
        }
    }
    return std::string(defaultValue);
}

bool IniFile::HasSection(std::string_view section) const {
    return FindSection(section).first != std::string::npos;
}

int IniFile::GetInt(std::string_view section, std::string_view key, int defaultValue,
                    int base) const {
    return ParseInt(GetString(section, key), defaultValue, base);
}

bool IniFile::GetBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ParseBool(GetString(section, key), defaultValue);
}

std::vector<std::string> IniFile::GetSectionKeys(std::string_view section) const {
    std::vector<std::string> keys;
    const auto [begin, end] = FindSection(section);
    if (begin == std::string::npos) {
        return keys;
    }
    const auto& lines = Lines();
    for (size_t i = begin; i < end; ++i) {
        std::string_view name;
        std::string_view value;
        if (ParseKeyLine(lines[i].text, name, value)) {
            keys.emplace_back(name);
        }
    }
    return keys;
}

std::vector<std::string> IniFile::GetSectionLines(std::string_view section) const {
    std::vector<std::string> result;
    const auto [begin, end] = FindSection(section);
    if (begin == std::string::npos) {
        return result;
    }
    const auto& lines = Lines();
    for (size_t i = begin; i < end; ++i) {
        if (!TrimBlanks(lines[i].text).empty()) {
            result.push_back(lines[i].text);
        }
    }
    return result;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (path_.empty() || inMemory_ || !IsWritableName(section, true) ||
        !IsWritableName(key, false)) {
        return false;
    }
    const std::string cleanSection(TrimBlanks(section));
    const std::string cleanKey(TrimBlanks(key));
    const std::string newText = cleanKey + "=" + RemoveLineBreaks(TrimBlanks(value));

    std::vector<Line> lines = Lines();
    const std::string eol =
        (!lines.empty() && !lines.front().end.empty()) ? lines.front().end : std::string("\n");
    const auto insertAt = [&](size_t pos, std::string text) {
        // The line before a new one must end, or the two would join.
        if (pos > 0 && lines[pos - 1].end.empty()) {
            lines[pos - 1].end = eol;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pos), Line{std::move(text), eol});
    };

    const auto [begin, end] = FindSection(cleanSection);
    if (begin == std::string::npos) {
        insertAt(lines.size(), "[" + cleanSection + "]");
        insertAt(lines.size(), newText);
    } else {
        size_t found = std::string::npos;
        size_t lastContent = begin;  // insert after the section's last non-blank line
        for (size_t i = begin; i < end; ++i) {
            std::string_view name;
            std::string_view oldValue;
            if (found == std::string::npos && ParseKeyLine(lines[i].text, name, oldValue) &&
                EqualsNoCase(name, cleanKey)) {
                found = i;
            }
            if (!TrimBlanks(lines[i].text).empty()) {
                lastContent = i + 1;
            }
        }
        if (found != std::string::npos) {
            std::string_view name;
            std::string_view oldValue;
            (void)ParseKeyLine(lines[found].text, name, oldValue);
            lines[found].text = std::string(name) + "=" + RemoveLineBreaks(TrimBlanks(value));
        } else {
            insertAt(lastContent, newText);
        }
    }

    std::string bytes;
    for (const Line& line : lines) {
        bytes += line.text;
        bytes += line.end;
    }
    if (!WriteFileAtomic(path_, bytes)) {
        return false;
    }
    cache_ = Snapshot{};
    return true;
}

bool IniFile::WriteInt(std::string_view section, std::string_view key, int value, int base) {
    return WriteString(section, key, FormatInt(value, base));
}

int IniFile::ParseInt(std::string_view value, int defaultValue, int base) {
    value = value.substr(0, std::min(value.size(), kNumberChars));
    if (value.empty()) {
        return defaultValue;
    }
    if (base != 2 && base != 8 && base != 16) {
        base = 10;
    }
    // The C library's unsigned conversion with a 32-bit result: blanks, a sign, an optional
    // 0x for hex, then digits; overflow saturates and a minus sign negates modulo 2^32.
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    if (base == 16 && i + 1 < value.size() && value[i] == '0' &&
        (value[i + 1] == 'x' || value[i + 1] == 'X')) {
        i += 2;
    }
    uint64_t result = 0;
    bool overflow = false;
    for (; i < value.size(); ++i) {
        const char c = value[i];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'z') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'Z') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || digit >= base) {
            break;
        }
        result = result * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (result > 0xFFFFFFFFull) {
            overflow = true;
            result = 0xFFFFFFFFull;
        }
    }
    uint32_t u = static_cast<uint32_t>(result);
    if (negative && !overflow) {
        u = 0u - u;
    }
    return static_cast<int>(u);
}

bool IniFile::ParseBool(std::string_view value, bool defaultValue) {
    value = value.substr(0, std::min(value.size(), kNumberChars));
    if (value.empty()) {
        return defaultValue;
    }
    if (EqualsNoCase(value, "true") || EqualsNoCase(value, "yes")) {
        return true;
    }
    return ParseLeadingInt(value) != 0;
}

std::string IniFile::FormatInt(int value, int base) {
    const auto u = static_cast<uint32_t>(value);
    char buffer[72];
    switch (base) {
        case 2: {
            std::string digits;
            uint32_t v = u;
            do {
                digits.insert(digits.begin(), static_cast<char>('0' + (v & 1u)));
                v >>= 1;
            } while (v != 0);
            return digits;
        }
        case 8:
            std::snprintf(buffer, sizeof buffer, "%o", u);
            return buffer;
        case 16:
            std::snprintf(buffer, sizeof buffer, "%X", u);
            return buffer;
        default:
            std::snprintf(buffer, sizeof buffer, "%d", value);
            return buffer;
    }
}

}  // namespace veltrano
