#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "performance/PerformanceModel.h"

namespace veltrano {

// The rules of the Global page: the metronome, the fade times and how they are shown.
namespace global_rules {

inline constexpr int kNumeratorItems = 16;   // 1 to 16 beats
inline constexpr int kDenominatorItems = 4;  // 2, 4, 8, 16
inline constexpr uint8_t kMaxMetronomeVolume = 127;
inline constexpr uint16_t kMaxFadeTime = 200;  // tenths: 20.0 seconds
inline constexpr uint16_t kMaxHoldTime = 50;   // 5.0 seconds

// The text of a time-signature item and the item a stored byte shows (item + 1 is stored;
// a value outside the items shows the nearest one).
[[nodiscard]] int DenominatorOfItem(int item);
[[nodiscard]] int ShownItem(uint8_t stored, int items);

// A fade time in tenths as shown ("%.1f"), clamped to `maxTenths`.
[[nodiscard]] std::string TimeText(uint16_t tenths, uint16_t maxTenths);
// What a time edit's text becomes after a change: empty is the lower limit ("0"), "00" is
// "0", a number beyond the range is the limit with one decimal. nullopt: the text stays.
[[nodiscard]] std::optional<std::string> CorrectedTimeText(std::string_view text,
                                                           uint16_t maxTenths);
// The typed seconds as tenths, truncated toward zero and clamped; nullopt for no number.
[[nodiscard]] std::optional<uint16_t> ParseTime(std::string_view text, uint16_t maxTenths);

}  // namespace global_rules
}  // namespace veltrano
