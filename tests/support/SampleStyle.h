#pragma once

#include <filesystem>

#include "style/StyleFile.h"

namespace veltrano::test {

// A small style as a player would convert it: 4/4 at division 96, tempo 120, short name "POP",
// long name "Pop Ballad"; "Intro A" (1 bar), "Main A" (2 bars), "Fill In AA" (1 bar), "Main B"
// (1 bar) and "Ending A" (1 bar). Every section plays a rhythm part on channel 0 and a held
// note on channel 2; "Main A" also a bass note on channel 4.
[[nodiscard]] StyleModel SampleStyle();
// The sample saved as a style file; fails the running test when it cannot be written.
void WriteSampleStyle(const std::filesystem::path& path);

}  // namespace veltrano::test
