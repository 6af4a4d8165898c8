#pragma once

#include <cstdint>

#include "performance/PerformanceModel.h"

namespace veltrano {

// The levels the Mixer page shows: it has no data of its own, it edits the part levels of
// the Keyboard section and the style and song levels of the Style&Song section.
namespace mixer_rules {

inline constexpr int kStyleTracks = 8;
inline constexpr int kSongChannels = 16;

// Every level as stored, within 0 to 127.
[[nodiscard]] uint8_t Level(int value);
// Song channel volumes keep their top bit clear.
[[nodiscard]] int SongChannelVolume(const StyleSongSection& section, int channel);
void SetSongChannelVolume(StyleSongSection& section, int channel, int value);
// The two rows of boxes of the style tracks (bit k of a byte) and of the song channels
// (bit k of a 16-bit value).
[[nodiscard]] bool TrackBit(const StyleSongSection& section, int row, int track);
void SetTrackBit(StyleSongSection& section, int row, int track, bool on);
[[nodiscard]] bool ChannelBit(const StyleSongSection& section, int row, int channel);
void SetChannelBit(StyleSongSection& section, int row, int channel, bool on);

}  // namespace mixer_rules
}  // namespace veltrano
