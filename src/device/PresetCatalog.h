#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

class IniFile;

// Defaults a voice brings to one keyboard part (R1, R2, R3, L).
struct VoicePartDefaults {
    int volume = 0;
    int pan = 0;
    int octave = 0;
    int reverb = 0;
    int chorus = 0;
};

struct VoiceEntry {
    int number = 0;
    std::string name;
    std::string display;  // "%.3d " + name, numbered by line position from 1
    int bankMsb = 0;      // p1
    int bankLsb = 0;      // p2
    int program = 0;      // p3
    bool drum = false;
    std::array<VoicePartDefaults, 4> parts{};
};

struct VoiceGroup {
    std::string name;
    std::vector<std::string> displays;  // its voices in file order
    int first = -1;                     // 1-based line position of its first voice
    int last = -1;
};

struct NameGroup {
    std::string name;
    std::vector<std::string> names;
};

// The instrument's preset catalogues: voices with their groups, and the style, song, arpeggio
// and chopper names with theirs. Tables come from the current device folder and may be in a
// legacy code page; in memory every text is UTF-8.
class PresetCatalog {
public:
    static constexpr int kMaxVoiceGroups = 512;
    static constexpr int kMaxNameGroups = 256;
    static constexpr int kPresetTableCount = 7;

    // Table file names by table number (0 voices … 5 choppers, 6 the default performance).
    [[nodiscard]] static std::string TableFileName(int table, bool chinese);
    // The voice table follows language 0 and 1 and keeps the last choice for any other index.
    [[nodiscard]] bool VoiceTableIsChinese(int languageIndex) const;

    void ReadVoiceCatalogue(const std::filesystem::path& deviceFolder, int languageIndex);
    void ReadOtherCatalogues(const std::filesystem::path& deviceFolder, int languageIndex);

    // The same readers on table bytes already in memory (legacy code pages decoded as above).
    void ReadVoiceTableBytes(std::string_view bytes, bool chinese);
    [[nodiscard]] static std::vector<NameGroup> ParseNameGroups(std::string_view bytes,
                                                                bool chinese,
                                                                std::string_view nameSection);
    [[nodiscard]] static std::vector<NameGroup> ParseSingleGroup(std::string_view bytes,
                                                                 bool chinese);

    [[nodiscard]] const std::vector<VoiceEntry>& Voices() const { return voices_; }
    [[nodiscard]] const std::vector<VoiceGroup>& VoiceGroups() const { return voiceGroups_; }
    [[nodiscard]] const std::vector<NameGroup>& StyleGroups() const { return styleGroups_; }
    [[nodiscard]] const std::vector<NameGroup>& SongGroups() const { return songGroups_; }
    [[nodiscard]] const std::vector<NameGroup>& ArpGroups() const { return arpGroups_; }
    [[nodiscard]] const std::vector<NameGroup>& ChopperGroups() const { return chopperGroups_; }

    [[nodiscard]] const VoiceEntry* FindVoiceByNumber(int number) const;
    [[nodiscard]] const VoiceEntry* FindVoiceByDisplay(std::string_view display) const;
    // Writable access, for the editor that remembers a part's settings per voice in memory.
    [[nodiscard]] VoiceEntry* FindVoiceByNumber(int number);

    // "&&" becomes "&", "//" becomes a space.
    [[nodiscard]] static std::string UnescapeGroupName(std::string_view text);
    // A table line with its comment dropped and blanks trimmed; empty when nothing is left.
    [[nodiscard]] static std::string_view CleanLine(std::string_view line);

private:
    void ReadVoiceTable(const IniFile& table);

    std::vector<VoiceEntry> voices_;
    std::vector<VoiceGroup> voiceGroups_;
    std::vector<NameGroup> styleGroups_;
    std::vector<NameGroup> songGroups_;
    std::vector<NameGroup> arpGroups_;
    std::vector<NameGroup> chopperGroups_;
    bool voiceChinese_ = false;
};

}  // namespace veltrano
