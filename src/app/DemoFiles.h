#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <utility>

#include "style/StyleFile.h"

namespace veltrano {

class Reporter;

// A few files of every kind the pages work on, so that a picture run (or a first look) shows
// the pages with something in them.
namespace demo_files {

inline constexpr const char* kStyleName = "Night Drive.sty";
inline constexpr const char* kPerformanceName = "My Show.prf";
inline constexpr const char* kPatternName = "rising.arp";

// The grid cells (visible column, row) of the demo arpeggio: a rising chord, then its top
// note repeated.
inline constexpr std::array<std::pair<int, int>, 12> kPatternCells{{{0, 0},
                                                                    {1, 4},
                                                                    {2, 7},
                                                                    {3, 11},
                                                                    {4, 7},
                                                                    {5, 4},
                                                                    {6, 0},
                                                                    {6, 7},
                                                                    {7, 4},
                                                                    {7, 11},
                                                                    {8, 7},
                                                                    {9, 11}}};

// A short style in 4/4: an intro, two mains with a fill each and an ending, each with a drum
// part on a rhythm channel and a bass line.
[[nodiscard]] StyleModel Style();

// Writes the style, a copy of `performance` (when it exists) and the arpeggio into `folder`,
// which is created; and the same files into the simulated instrument's storage root `storage`
// (style under USER/STYLE, the rest under USER) when it is not empty. False, with the reason,
// on the first file that cannot be written.
[[nodiscard]] bool Write(const std::filesystem::path& folder, const std::filesystem::path& storage,
                         const std::filesystem::path& performance, Reporter& reporter,
                         std::string& error);

}  // namespace demo_files
}  // namespace veltrano
