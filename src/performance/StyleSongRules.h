#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "performance/PerformanceModel.h"

namespace veltrano {

struct NameGroup;

// The rules of the Style&Song page.
namespace style_song_rules {

// The instrument's tempo range: a typed or stored tempo outside it is brought within.
inline constexpr int kMinTempo = 30;
inline constexpr int kMaxTempo = 280;
inline constexpr int kSwitches = 8;
inline constexpr int kDetectModes = 3;  // fingered, multi fingered, bass invert

[[nodiscard]] uint16_t ClampTempo(int bpm);
// Style switch drop-downs: item 0 (On) when the bit is set.
[[nodiscard]] int SwitchItem(const StyleSongSection& section, int bit);
void SetSwitchItem(StyleSongSection& section, int bit, int item);
// Song settings: bit 6 the play mode item, bit 7 loop on, the rest always clear.
[[nodiscard]] int PlayModeItem(const StyleSongSection& section);
[[nodiscard]] bool LoopOn(const StyleSongSection& section);
void SetSongSettings(StyleSongSection& section, int playModeItem, bool loopOn);
// Full Range shows ticked (and the detect-mode buttons hidden) when it is set or the song
// is the current selection.
[[nodiscard]] bool FullRangeShown(const StyleSongSection& section);
[[nodiscard]] int DetectItem(const StyleSongSection& section);
// What the page shows of a chosen style or song: a preset's number and catalogue name (the
// number counts the catalogue's entries across its groups), or the file's path.
[[nodiscard]] std::string RefText(const PresetRef& ref, const std::vector<NameGroup>& catalogue);

}  // namespace style_song_rules
}  // namespace veltrano
