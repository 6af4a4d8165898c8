#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"

namespace veltrano {

class AppConfig;

struct LanguageEntry {
    std::string name;
    std::filesystem::path path;
};

// The user-interface texts: one language file active at a time, texts looked up by window
// section and "IDS_" key. A missing file, section or key gives an empty text, never a text of
// another section or language.
class LanguageTable {
public:
    static constexpr int kMaxLanguages = 16;
    static constexpr int kEnglish = 0;
    static constexpr int kChinese = 1;
    // Menu command identifiers of the language items: kFirstLanguageCommand + index.
    static constexpr int kFirstLanguageCommand = 5500;

    void SetLanguages(std::vector<LanguageEntry> languages);
    [[nodiscard]] const std::vector<LanguageEntry>& Languages() const { return languages_; }

    // Sets the index and points the active file at its entry; an index outside the list leaves
    // the table without a file.
    void SetIndex(int index);
    [[nodiscard]] int Index() const { return index_; }

    // SetIndex, and the choice written to the settings at once.
    void SelectLanguage(int index, AppConfig& config);

    // The text with every backslash-n pair turned into a line feed.
    [[nodiscard]] std::string LookupText(std::string_view section, std::string_view key) const;

    // Told of every lookup (section and key), so a test can check that each key the windows
    // ask for is in the language files.
    using LookupObserver = std::function<void(std::string_view section, std::string_view key)>;
    void SetLookupObserver(LookupObserver observer) { observer_ = std::move(observer); }

    // Index of the language of a menu command, or -1 when the command is not one.
    [[nodiscard]] static int LanguageOfCommand(int commandId);

    // Help file relative to the program folder, without extension: "Help/Help_En" for index 0,
    // "Help/Help_Ch" for any other.
    [[nodiscard]] static std::filesystem::path HelpFileStem(int index);

private:
    std::vector<LanguageEntry> languages_;
    int index_ = 0;
    IniFile file_;
    LookupObserver observer_;
};

}  // namespace veltrano
