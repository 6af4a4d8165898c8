#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "performance/PerformanceModel.h"

namespace veltrano {

struct DeviceProfileValues;

// The rules of the Effect page: the switches, the arpeggiator, harmony, chopper and insertion
// effect of a part, and the global reverb, chorus and equaliser.
namespace effect_rules {

// Bits of a part effect record's flag word.
enum class Switch : int { Arpeggiator = 0, Harmony = 1, Chopper = 2, Insertion = 3 };
inline constexpr int kExtraSwitchBit = 15;

[[nodiscard]] bool SwitchOn(const PartEffect& part, Switch which);
void SetSwitch(PartEffect& part, Switch which, bool on);
// The insertion effect belongs to R1 alone: its switch is offered only while R1 is shown.
[[nodiscard]] bool SwitchEditable(Switch which, int shownPart);
[[nodiscard]] bool ExtraSwitchOn(const PartEffect& part);
void SetExtraSwitch(PartEffect& part, bool on);

// Arpeggiator byte 0: bit 0 sort, 1 latch, 2 key sync, 3 key sound, 4 fixed note.
inline constexpr int kArpChecks = 5;
[[nodiscard]] bool ArpCheck(const PartEffect& part, int bit);
void SetArpCheck(PartEffect& part, int bit, bool on);
inline constexpr int kResolutionItems = 6;
inline constexpr int kReplaceItems = 5;
inline constexpr int kOctaveTypeItems = 4;
inline constexpr int kOctaveRangeItems = 4;
// Octave range: stored as item + 1; a stored 0 shows item 0.
[[nodiscard]] int OctaveRangeItem(const PartEffect& part);
void SetOctaveRangeItem(PartEffect& part, int item);
// Velocity: item 0 key velocity (0), item 1 a fixed value 1-127, item 2 the pattern's step
// velocity (128-255).
enum class Velocity : int { Key = 0, Value = 1, Step = 2 };
[[nodiscard]] Velocity VelocityKind(const PartEffect& part);
// `value` is used for Value only (clamped to 1-127).
void SetVelocity(PartEffect& part, Velocity kind, int value);

// Harmony ratio items: 20, 40, 80, 100 percent; -1 for any other stored value.
inline constexpr std::array<int, 4> kHarmonyRatios{20, 40, 80, 100};
inline constexpr int kHarmonyTypes = 9;
[[nodiscard]] int RatioItem(const PartEffect& part);

// Chopper speed items.
inline constexpr std::array<const char*, 9> kChopperSpeeds{"1/1",  "1/2",  "1/4",  "1/8",  "1/16",
                                                           "1/32", "1/4T", "1/8T", "1/16T"};
inline constexpr int kMaxPullUp = 100;

// Insertion effect types: categories of up to fourteen types; each type owns three parameter
// bytes of the block. Bytes 138 and 139 hold the chosen category and type.
inline constexpr size_t kCategoryByte = 138;
inline constexpr size_t kTypeByte = 139;
inline constexpr int kMaxTypesPerCategory = 14;
inline constexpr int kParametersPerType = 3;
inline constexpr std::array<int, 4> kTypesPerCategory{14, 14, 14, 4};
[[nodiscard]] int CategoryCount();
[[nodiscard]] int TypeCount(int category);
// The position in the block of a type's first parameter.
[[nodiscard]] size_t ParameterOffset(int category, int type);
// The chosen category and type, brought into range.
[[nodiscard]] int InsertionCategory(const PartEffect& part);
[[nodiscard]] int InsertionType(const PartEffect& part);

// Global reverb and chorus types: the label keys offered, by instrument model.
inline constexpr std::string_view kModelWithoutDelayReverbs = "Arranger SIM-49";
[[nodiscard]] std::vector<const char*> ReverbTypeKeys(const DeviceProfileValues& profile);
[[nodiscard]] std::vector<const char*> ChorusTypeKeys(const DeviceProfileValues& profile);

// Global equaliser: bands Low, Low-Mid, High-Mid, High.
inline constexpr int kBands = 4;
using FrequencyTable = std::array<const char*, 128>;
[[nodiscard]] const FrequencyTable& Frequencies(const DeviceProfileValues& profile, int band);
// The index of a typed frequency text (ignoring case), or nullopt when the table lacks it.
[[nodiscard]] std::optional<int> FrequencyIndex(const FrequencyTable& table, std::string_view text);
// Gain: a signed byte in decibels, -12 to +12; the slider's top is +12.
inline constexpr int kMaxGain = 12;
[[nodiscard]] int Gain(uint8_t stored);
[[nodiscard]] std::string GainText(uint8_t stored);
[[nodiscard]] int GainSliderPosition(uint8_t stored);
[[nodiscard]] uint8_t GainFromSlider(int position);

}  // namespace effect_rules
}  // namespace veltrano
