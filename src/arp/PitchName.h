#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

// Note names of the fixed note table: a letter A..G (either case), an optional "#" or "b",
// one octave digit; "C4" is 60. Only A0..C8 (21..108) are accepted.
[[nodiscard]] std::optional<int> ParsePitchName(std::string_view name);
// "C", "C#", "D", "Eb", ... followed by the octave (note / 12 - 1).
[[nodiscard]] std::string PitchName(int note);

// The 128 General MIDI program names, "001 Acoustic Grand Piano" .. "128 Gunshot".
[[nodiscard]] const std::string& GeneralMidiName(int program);

}  // namespace veltrano
