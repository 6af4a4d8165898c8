#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "performance/PerformanceModel.h"

namespace veltrano {

struct VoiceEntry;
class PresetCatalog;

// The rules of the Controllers page: what the knobs, pads and pedals can do, how a choice on
// the page changes their records, and how the page lays them out. The page only turns clicks
// into these calls.
namespace controller_rules {

enum class Kind { Knob, Pad, Pedal };

inline constexpr int kKnobFunctions = 16;
inline constexpr int kPadKinds = 6;
inline constexpr int kPedalFunctions = 13;
inline constexpr int kParts = 4;  // apply-to bits: R1, R2, R3, L

// A knob given a function by the page belongs to this function group.
inline constexpr uint8_t kAssignedKnobGroup = 3;

inline constexpr uint8_t kPadDrum = 0;
inline constexpr uint8_t kPadChord = 1;
inline constexpr uint8_t kPadEffectSwitch = 4;

// The keyboard channel while a Drum pad is edited (MIDI channel 10), and otherwise.
inline constexpr int kDrumChannel = 9;
inline constexpr int kNormalChannel = 0;

// A chord's count byte holds n + 1 words (the notes and one word after them), so a file holds
// at most 254 notes.
inline constexpr int kMaxChordNotes = 254;
// A chord note word: the status byte in the low byte, the note in the high byte.
inline constexpr uint16_t kChordStatus = 0x93;

// The pitch-bend drop-down: a range of 0 to 12 semitones, stored as the item.
inline constexpr int kBendRangeItems = 13;

// The language keys of the function (or kind) buttons of a tab, in stored order.
[[nodiscard]] const std::vector<const char*>& FunctionKeys(Kind kind);
// The columns of the tab's function grid.
[[nodiscard]] int FunctionColumns(Kind kind);

// The label under a controller button: the function button's text without its blanks.
[[nodiscard]] std::string LabelOf(std::string_view buttonText);

// Where each knob button sits. The knob tab has three layouts: one row for one or two knobs,
// two rows of two for three or four, two rows of three for five or six.
struct Cell {
    int row = 0;
    int column = 0;
    bool operator==(const Cell&) const = default;
};
[[nodiscard]] std::vector<Cell> KnobLayout(int knobs);
// The controller buttons of the pad and pedal tabs: rows of up to six.
[[nodiscard]] std::vector<Cell> RowLayout(int count);

// How many controllers of the kind a performance has room for.
[[nodiscard]] int Room(Kind kind);
// How many controllers of the kind the page shows for the section's layout (0 to the room).
[[nodiscard]] int Shown(Kind kind, int profileCount);

// The function (knob, pedal) or kind (pad) of controller `index`; its apply-to bits.
[[nodiscard]] int FunctionOf(const ControllersSection& section, Kind kind, int index);
[[nodiscard]] uint8_t ApplyToOf(const ControllersSection& section, Kind kind, int index);
[[nodiscard]] bool HasPart(uint8_t applyTo, int part);

// A function button clicked for controller `index`: knobs also join group 3. Out-of-range
// values change nothing.
void Assign(ControllersSection& section, Kind kind, int index, int function);
// An apply-to box ticked or cleared for controller `index`.
void SetPart(ControllersSection& section, Kind kind, int index, int part, bool on);
// Whether the file keeps the apply-to bits of a controller with that function: knob functions
// 0-7, the Effect Switch pad, pedal functions 0-5. Others keep them in memory only.
[[nodiscard]] bool FileKeepsApplyTo(Kind kind, int function);
// Whether the page offers the apply-to boxes for that function (on the pad tab only for the
// Effect Switch).
[[nodiscard]] bool OffersApplyTo(Kind kind, int function);

// The keyboard channel the pad tab plays with while `pad` is selected.
[[nodiscard]] int KeyboardChannelFor(const Pad& pad);

// The drum voices a Drum pad offers: the catalogue's drum kits, or every voice when it names
// none. The item showing the pad's voice (its three numbers), or -1.
[[nodiscard]] std::vector<const VoiceEntry*> DrumVoices(const PresetCatalog& catalog);
[[nodiscard]] int DrumVoiceItem(const std::vector<const VoiceEntry*>& voices, const Pad& pad);
void SetDrumVoice(Pad& pad, const VoiceEntry& voice);
// The drum pitch from a pressed key (0-127; others are ignored).
void SetDrumPitch(Pad& pad, int note);

// A key pressed while a Chord pad is selected. A note the chord has is ignored, and a full
// chord takes no more (a longer one could not be saved).
enum class ChordEntry { Added, AlreadyThere, Full, NotANote };
[[nodiscard]] ChordEntry AddChordNote(Pad& pad, int note);
[[nodiscard]] std::vector<int> ChordNotes(const Pad& pad);
void ClearChord(Pad& pad);

// The pitch-bend settings: apply-to bits in byte 1, the range item in byte 2.
[[nodiscard]] int BendRangeItem(const ControllersSection& section);
void SetBendRangeItem(ControllersSection& section, int item);
void SetBendPart(ControllersSection& section, int part, bool on);

}  // namespace controller_rules
}  // namespace veltrano
