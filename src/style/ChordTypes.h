#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltrano {

// The instrument's chord vocabulary: 32 chord types in two groups, 12 roots. A style keeps one
// channel mask per chord type, and each channel a 32-bit chord mask with bit t set when it plays
// under chord type t.

inline constexpr int kChordTypeCount = 32;
inline constexpr int kRootCount = 12;

// Suffixes appended to the root to name a chord; type 0 (major) has none.
inline constexpr std::array<std::string_view, kChordTypeCount> kChordSuffixes = {
    "",       "6",     "M7",     "M7(#11)", "9",     "M7(9)", "6(9)",   "aug",
    "m",      "m6",    "m7",     "m7(b5)",  "m9",    "m7(9)", "m7(11)", "mM7",
    "mM7(9)", "dim",   "dim7",   "7",       "7sus4", "7b5",   "7(9)",   "7(#11)",
    "7(13)",  "7(b9)", "7(b13)", "7(#9)",   "M7aug", "7aug",  "sus4",   "1+2+5"};

inline constexpr std::array<std::string_view, kRootCount> kRootNames = {
    "C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};

// Types 8-18 form the minor group; 0-7 and 19-31 the major group.
inline constexpr uint32_t kMinorChordTypes = 0x0007FF00;
inline constexpr uint32_t kMajorChordTypes = ~kMinorChordTypes;
inline constexpr uint32_t kAllChordTypes = 0xFFFFFFFF;

[[nodiscard]] constexpr bool IsMinorChordType(int type) {
    return type >= 8 && type <= 18;
}

// "C#m7" for root 1, type 10; an empty text for values out of range.
[[nodiscard]] inline std::string ChordName(int root, int type) {
    if (root < 0 || root >= kRootCount || type < 0 || type >= kChordTypeCount) {
        return {};
    }
    return std::string(kRootNames[static_cast<size_t>(root)]) +
           std::string(kChordSuffixes[static_cast<size_t>(type)]);
}

}  // namespace veltrano
