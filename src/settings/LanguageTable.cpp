#include "settings/LanguageTable.h"

#include "settings/AppConfig.h"

namespace veltrano {

void LanguageTable::SetLanguages(std::vector<LanguageEntry> languages) {
    if (static_cast<int>(languages.size()) > kMaxLanguages) {
        languages.resize(kMaxLanguages);
    }
    languages_ = std::move(languages);
    SetIndex(index_);
}

void LanguageTable::SetIndex(int index) {
    index_ = index;
    if (index >= 0 && index < static_cast<int>(languages_.size())) {
        file_.SetPath(languages_[static_cast<size_t>(index)].path);
    } else {
        file_.SetPath({});
    }
}

void LanguageTable::SelectLanguage(int index, AppConfig& config) {
    SetIndex(index);
    // A settings file that cannot be written only loses the choice for the next start.
    (void)config.SetLanguageId(index);
}

std::string LanguageTable::LookupText(std::string_view section, std::string_view key) const {
    if (observer_) {
        observer_(section, key);
    }
    const std::string raw = file_.GetString(section, key);
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n') {
            text.push_back('\n');
            ++i;
        } else {
            text.push_back(raw[i]);
        }
    }
    return text;
}

int LanguageTable::LanguageOfCommand(int commandId) {
    const int index = commandId - kFirstLanguageCommand;
    return (index >= 0 && index < kMaxLanguages) ? index : -1;
}

std::filesystem::path LanguageTable::HelpFileStem(int index) {
    return std::filesystem::path("Help") / (index == kEnglish ? "Help_En" : "Help_Ch");
}

}  // namespace veltrano
