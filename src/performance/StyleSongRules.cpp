#include "performance/StyleSongRules.h"

#include "device/PresetCatalog.h"

#include <algorithm>
#include <cstdio>

namespace veltrano::style_song_rules {

uint16_t ClampTempo(int bpm) {
    return static_cast<uint16_t>(std::clamp(bpm, kMinTempo, kMaxTempo));
}

int SwitchItem(const StyleSongSection& section, int bit) {
    return ((section.styleSwitches >> std::clamp(bit, 0, kSwitches - 1)) & 1) != 0 ? 0 : 1;
}

void SetSwitchItem(StyleSongSection& section, int bit, int item) {
    const auto mask = static_cast<uint8_t>(1u << std::clamp(bit, 0, kSwitches - 1));
    section.styleSwitches = static_cast<uint8_t>(item == 0 ? section.styleSwitches | mask
                                                           : section.styleSwitches & ~mask);
}

int PlayModeItem(const StyleSongSection& section) {
    return (section.songSettings >> 6) & 1;
}

bool LoopOn(const StyleSongSection& section) {
    return (section.songSettings & 0x80) != 0;
}

void SetSongSettings(StyleSongSection& section, int playModeItem, bool loopOn) {
    section.songSettings =
        static_cast<uint8_t>(((loopOn ? 2 : 0) + std::clamp(playModeItem, 0, 1)) * 64);
}

bool FullRangeShown(const StyleSongSection& section) {
    return section.fullRange != 0 || section.selection == 1;
}

int DetectItem(const StyleSongSection& section) {
    return std::clamp(int{section.detectMode}, 0, kDetectModes - 1);
}

std::string RefText(const PresetRef& ref, const std::vector<NameGroup>& catalogue) {
    if (ref.IsFile()) {
        return ref.path;
    }
    char number[8];
    std::snprintf(number, sizeof number, "%03d", ref.number + 1);
    std::string text = number;
    size_t index = ref.number;
    for (const NameGroup& group : catalogue) {
        if (index < group.names.size()) {
            return text + " " + group.names[index];
        }
        index -= group.names.size();
    }
    return text;
}

}  // namespace veltrano::style_song_rules
