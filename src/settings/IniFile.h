#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

// One INI file with the rules of the classic private-profile calls: section and key names are
// compared without regard to ASCII letter case, the first matching section and the first
// matching key win, values of any length are read whole, and a write changes or adds exactly
// one line and keeps every other byte of the file as it was (comments, order, unknown keys,
// each line's own line end). The file is read again whenever it changed on disk.
class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}
    // A read-only INI held in memory (text that was decoded before parsing, for example).
    [[nodiscard]] static IniFile FromText(std::string_view text);

    // An empty path means "no file": every read gives its default, every write fails.
    void SetPath(std::filesystem::path path);
    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

    [[nodiscard]] std::string GetString(std::string_view section, std::string_view key,
                                        std::string_view defaultValue = {}) const;
    // The value (at most 64 characters of it) as an unsigned number in base 2, 8 or 16, any
    // other base meaning 10; an empty value gives the default.
    [[nodiscard]] int GetInt(std::string_view section, std::string_view key, int defaultValue,
                             int base = 10) const;
    // "true" or "yes" in any case give true, otherwise a non-zero decimal value; empty gives
    // the default.
    [[nodiscard]] bool GetBool(std::string_view section, std::string_view key,
                               bool defaultValue) const;
    // Key names of the section in file order (text before the first "=", trimmed).
    [[nodiscard]] std::vector<std::string> GetSectionKeys(std::string_view section) const;
    // Every non-empty line of the section as it stands in the file, without its line end.
    [[nodiscard]] std::vector<std::string> GetSectionLines(std::string_view section) const;
    [[nodiscard]] bool HasSection(std::string_view section) const;

    // Writes key=value, creating the file and the section when missing. CR and LF are removed
    // from the value so that it can never start a new line or section. Fails when the section
    // or key is empty or could not be written back as a name (brackets, "=", line breaks).
    [[nodiscard]] bool WriteString(std::string_view section, std::string_view key,
                                   std::string_view value);
    // Base 2 writes binary digits, 8 octal, 16 upper-case hex, any other base decimal.
    [[nodiscard]] bool WriteInt(std::string_view section, std::string_view key, int value,
                                int base = 10);

    // The value conversions on their own, for values that do not come from a file.
    [[nodiscard]] static int ParseInt(std::string_view value, int defaultValue, int base);
    [[nodiscard]] static bool ParseBool(std::string_view value, bool defaultValue);
    [[nodiscard]] static std::string FormatInt(int value, int base);

    // Files larger than this are treated as unreadable, so a runaway file cannot exhaust memory.
    static constexpr uint64_t kMaxFileBytes = 64ull * 1024 * 1024;

private:
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n" or "" for a last line without one
    };
    struct Snapshot {
        bool loaded = false;
        bool exists = false;
        std::filesystem::file_time_type time{};
        uintmax_t size = 0;
        std::vector<Line> lines;
    };

    const std::vector<Line>& Lines() const;
    // Index of the first line after the header of the first matching section, and the index
    // one past its last line; npos when the section is absent.
    std::pair<size_t, size_t> FindSection(std::string_view section) const;

    static std::vector<Line> ParseLines(std::string_view bytes);

    std::filesystem::path path_;
    bool inMemory_ = false;
    mutable Snapshot cache_;
};

}  // namespace veltrano
