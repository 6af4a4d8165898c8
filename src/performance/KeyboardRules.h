#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "performance/PerformanceModel.h"

namespace veltrano {

class PresetCatalog;
struct VoiceEntry;
struct DeviceProfileValues;

// The rules of the Keyboard page: how each stored field is shown and how a shown value is
// stored. The page only turns controls into these calls.
namespace keyboard_rules {

inline constexpr uint16_t kMinTune = 4154;  // tenths of a hertz
inline constexpr uint16_t kMaxTune = 4662;
inline constexpr int kTouchItems = 6;  // off, hard 2, hard 1, normal, soft 2, soft 1
inline constexpr int kLatchItems = 3;  // all off, left, all on

// Octave: 12 semitones a step; two steps are understood too, anything else shows 0.
[[nodiscard]] int OctaveStep(int8_t semitones);
[[nodiscard]] int8_t OctaveSemitones(int step);

// Touch drop-down item (0 off, n: curve n - 1) and latch item.
[[nodiscard]] int TouchItem(const KeyboardSection& keyboard);
void SetTouchItem(KeyboardSection& keyboard, int item);
[[nodiscard]] bool FixedLevelShown(const KeyboardSection& keyboard);
[[nodiscard]] int LatchItem(const KeyboardSection& keyboard);
void SetLatchItem(KeyboardSection& keyboard, int item);

// Master tune: the stored value clamped to the offered range, its text with one decimal, and
// a typed text as tenths (clamped, truncated toward zero); nullopt when it is no number.
[[nodiscard]] uint16_t ClampTune(uint16_t tenths);
[[nodiscard]] std::string TuneText(uint16_t tenths);
[[nodiscard]] std::optional<uint16_t> ParseTune(std::string_view text);

// The instrument's key range ("KbdRangeL" to "KbdRangeH"), sane even for a broken profile.
struct KeyRange {
    int low = 21;
    int high = 108;
    [[nodiscard]] static KeyRange FromProfile(const DeviceProfileValues& profile);
    [[nodiscard]] int Clamp(int note) const;
};

// The split key of a part as shown: its low 7 bits within the range.
[[nodiscard]] int ShownPartSplit(const Performance& performance, int part, KeyRange range);
[[nodiscard]] int ShownStyleSplit(const Performance& performance, KeyRange range);
// The style split key never lies above the part split key: raising the style split above
// the shown part's split raises that one too, lowering the part split below the style split
// lowers that one too. A part split keeps the bits above its low 7.
void SetStyleSplit(Performance& performance, int shownPart, int note, KeyRange range);
void SetPartSplit(Performance& performance, int part, int note, KeyRange range);

// Voices. Rows are positions in the catalogue's voice list. The row of a part's voice is the
// entry numbered voice + 1; nullopt for a voice file or a number the catalogue lacks (the
// page then shows the number and keeps what is stored).
[[nodiscard]] std::optional<size_t> VoiceRow(const PresetCatalog& catalog,
                                             const KeyboardPart& part);
// The part's voice chosen from a row. The levels shown for the voice chosen before (the
// part's volume, pan, octave, reverb and chorus) are kept in memory as that voice's values
// for this part; the part then plays the row's preset, with the row's catalogue numbers.
// False when there is no such row.
[[nodiscard]] bool ChooseVoice(PresetCatalog& catalog, KeyboardSection& keyboard, int part,
                               size_t row);
// A voice from a preset chooser: a preset by catalogue number (source 0) or a file path of
// the USER (1) or USB (2) tab. Catalogue numbers of a preset follow its entry when there is
// one; otherwise the stored ones stay.
void ChooseVoiceRef(const PresetCatalog& catalog, KeyboardSection& keyboard, int part,
                    const PresetRef& voice);
// The voice chooser counts the voices of every group, in file order: the position there of a
// part's voice (nullopt for a file or an unlisted voice), and the voice at such a position.
[[nodiscard]] std::optional<int> VoiceChooserIndex(const PresetCatalog& catalog,
                                                   const KeyboardPart& part);
[[nodiscard]] const VoiceEntry* VoiceAtChooserIndex(const PresetCatalog& catalog, int index);
// The text shown for a voice the catalogue lacks: its 1-based number.
[[nodiscard]] std::string UnlistedVoiceText(const KeyboardPart& part);

// "C4" for 60, "A0" for 21.
[[nodiscard]] std::string NoteName(int note);

}  // namespace keyboard_rules
}  // namespace veltrano
