#include "device/PresetCatalog.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "base/FileIo.h"
#include "base/Text.h"
#include "base/TextCodec.h"
#include "settings/IniFile.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTableBaseNames[] = {"VOICETAB", "STYLETAB", "SONGTAB",
                                           "ARPTAB",   "PERFTAB",  "CHPTAB"};
constexpr int kVoiceFieldCount = 13;

// A table decoded to UTF-8: as is when it already is UTF-8, otherwise from the code page the
// instrument uses for that language.
IniFile DecodeTable(std::string_view bytes, bool chinese) {
    return IniFile::FromText(ToUtf8Lenient(bytes, chinese ? CodePage::Gbk : CodePage::Windows1252));
}

// A missing or unreadable table reads as an empty one.
std::string LoadTableBytes(const fs::path& file) {
    return ReadFileBytes(file, IniFile::kMaxFileBytes).value_or(std::string());
}

std::vector<std::string_view> CleanLines(const std::vector<std::string>& raw) {
    std::vector<std::string_view> lines;
    for (const std::string& line : raw) {
        const std::string_view clean = PresetCatalog::CleanLine(line);
        if (!clean.empty()) {
            lines.push_back(clean);
        }
    }
    return lines;
}

// Names taken from field 1 of each line. A line without that field keeps its position (so
// the group ranges that count lines stay right) but names nothing.
struct NameList {
    std::vector<std::string> names;
    std::vector<bool> present;
};

NameList ReadNames(const IniFile& table, std::string_view section) {
    NameList list;
    const std::vector<std::string> raw = table.GetSectionLines(section);
    for (std::string_view line : CleanLines(raw)) {
        const auto fields = SplitFields(line, '\t');
        list.present.push_back(fields.size() >= 2);
        list.names.emplace_back(fields.size() >= 2 ? fields[1] : std::string_view());
    }
    return list;
}

std::vector<NameGroup> ReadNameGroups(const IniFile& table, std::string_view nameSection) {
    std::vector<NameGroup> groups;
    const NameList list = ReadNames(table, nameSection);
    const std::vector<std::string> raw = table.GetSectionLines("GROUP NAME");
    const int count = static_cast<int>(list.names.size());
    for (std::string_view line : CleanLines(raw)) {
        if (static_cast<int>(groups.size()) == PresetCatalog::kMaxNameGroups) {
            break;
        }
        const auto fields = SplitFields(line, '\t');
        if (fields.size() < 3) {
            continue;
        }
        const int first = ParseLeadingInt(fields[1]);
        const int last = ParseLeadingInt(fields[2]);
        if (first < 0 || last < first || last >= count) {
            continue;
        }
        NameGroup group{PresetCatalog::UnescapeGroupName(fields[0]), {}};
        for (int i = first; i <= last; ++i) {
            if (list.present[static_cast<size_t>(i)]) {
                group.names.push_back(list.names[static_cast<size_t>(i)]);
            }
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

std::vector<NameGroup> ReadSingleGroup(const IniFile& table) {
    if (!table.HasSection("FILE NAME")) {
        return {};
    }
    NameList list = ReadNames(table, "FILE NAME");
    NameGroup normal{"Normal", {}};
    for (size_t i = 0; i < list.names.size(); ++i) {
        if (list.present[i]) {
            normal.names.push_back(std::move(list.names[i]));
        }
    }
    return {std::move(normal)};
}

}  // namespace

std::string PresetCatalog::TableFileName(int table, bool chinese) {
    if (table == 6) {
        return "Default.prf";
    }
    if (table < 0 || table > 5) {
        return {};
    }
    return std::string(kTableBaseNames[table]) + (chinese ? "_CN.INI" : ".INI");
}

bool PresetCatalog::VoiceTableIsChinese(int languageIndex) const {
    if (languageIndex == 0) {
        return false;
    }
    if (languageIndex == 1) {
        return true;
    }
    return voiceChinese_;
}

std::string_view PresetCatalog::CleanLine(std::string_view line) {
    const size_t semicolon = line.find(';');
    if (semicolon != std::string_view::npos) {
        line = line.substr(0, semicolon);
    }
    return TrimBlanks(line);
}

std::string PresetCatalog::UnescapeGroupName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const bool doubled = i + 1 < text.size() && text[i + 1] == text[i];
        if (doubled && text[i] == '&') {
            out.push_back('&');
            ++i;
        } else if (doubled && text[i] == '/') {
            out.push_back(' ');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void PresetCatalog::ReadVoiceCatalogue(const fs::path& deviceFolder, int languageIndex) {
    voiceChinese_ = VoiceTableIsChinese(languageIndex);
    ReadVoiceTableBytes(LoadTableBytes(deviceFolder / TableFileName(0, voiceChinese_)),
                        voiceChinese_);
}

void PresetCatalog::ReadVoiceTableBytes(std::string_view bytes, bool chinese) {
    voices_.clear();
    voiceGroups_.clear();
    ReadVoiceTable(DecodeTable(bytes, chinese));
}

std::vector<NameGroup> PresetCatalog::ParseNameGroups(std::string_view bytes, bool chinese,
                                                      std::string_view nameSection) {
    return ReadNameGroups(DecodeTable(bytes, chinese), nameSection);
}

std::vector<NameGroup> PresetCatalog::ParseSingleGroup(std::string_view bytes, bool chinese) {
    return ReadSingleGroup(DecodeTable(bytes, chinese));
}

void PresetCatalog::ReadVoiceTable(const IniFile& table) {
    const std::vector<std::string> groupLines = table.GetSectionLines("GROUP NAME");
    for (std::string_view line : CleanLines(groupLines)) {
        if (static_cast<int>(voiceGroups_.size()) == kMaxVoiceGroups) {
            break;
        }
        voiceGroups_.push_back({UnescapeGroupName(line), {}, -1, -1});
    }
    const std::vector<std::string> raw = table.GetSectionLines("VOICE INFO");
    int position = 0;
    for (std::string_view line : CleanLines(raw)) {
        ++position;
        const auto fields = SplitFields(line, '\t');
        if (fields.size() < static_cast<size_t>(kVoiceFieldCount)) {
            continue;
        }
        const int groupIndex = ParseLeadingInt(fields[1]);
        if (groupIndex < 0 || groupIndex >= static_cast<int>(voiceGroups_.size())) {
            continue;
        }
        const auto field = [&](int i) { return ParseLeadingInt(fields[static_cast<size_t>(i)]); };
        VoiceEntry entry;
        entry.number = field(0);
        entry.name = std::string(fields[3]);
        char number[16];
        std::snprintf(number, sizeof number, "%.3d ", position);
        entry.display = number + entry.name;
        entry.bankLsb = field(4);
        entry.bankMsb = field(5);
        entry.program = field(6);
        entry.drum = entry.bankMsb == 120 && entry.bankLsb == 0;
        for (size_t part = 0; part < entry.parts.size(); ++part) {
            entry.parts[part] = {field(8), 0, field(part == 3 ? 12 : 11), field(9), field(10)};
        }

        VoiceGroup& group = voiceGroups_[static_cast<size_t>(groupIndex)];
        group.displays.push_back(entry.display);
        if (group.first < 0) {
            group.first = position;
        }
        group.last = group.first + static_cast<int>(group.displays.size()) - 1;

        // Ordered by number; an equal number goes directly after the first entry with it.
        auto at = std::lower_bound(voices_.begin(), voices_.end(), entry.number,
                                   [](const VoiceEntry& e, int n) { return e.number < n; });
        if (at != voices_.end() && at->number == entry.number) {
            ++at;
        }
        voices_.insert(at, std::move(entry));
    }
}

void PresetCatalog::ReadOtherCatalogues(const fs::path& deviceFolder, int languageIndex) {
    const bool chinese = languageIndex != 0;
    const auto table = [&](int number) {
        return LoadTableBytes(deviceFolder / TableFileName(number, chinese));
    };
    styleGroups_ = ParseNameGroups(table(1), chinese, "STYLE NAME");
    songGroups_ = ParseNameGroups(table(2), chinese, "SONG NAME");
    arpGroups_ = ParseSingleGroup(table(3), chinese);
    chopperGroups_ = ParseSingleGroup(table(5), chinese);
}

const VoiceEntry* PresetCatalog::FindVoiceByNumber(int number) const {
    for (const VoiceEntry& v : voices_) {
        if (v.number == number) {
            return &v;
        }
    }
    return nullptr;
}

VoiceEntry* PresetCatalog::FindVoiceByNumber(int number) {
    return const_cast<VoiceEntry*>(std::as_const(*this).FindVoiceByNumber(number));
}

const VoiceEntry* PresetCatalog::FindVoiceByDisplay(std::string_view display) const {
    for (const VoiceEntry& v : voices_) {
        if (v.display == display) {
            return &v;
        }
    }
    return nullptr;
}

}  // namespace veltrano
