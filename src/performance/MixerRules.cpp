#include "performance/MixerRules.h"

#include <algorithm>

namespace veltrano::mixer_rules {

namespace {

size_t Index(int value, int count) {
    return static_cast<size_t>(std::clamp(value, 0, count - 1));
}

}  // namespace

uint8_t Level(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 127));
}

int SongChannelVolume(const StyleSongSection& section, int channel) {
    return section.channelVolumes[Index(channel, kSongChannels)] & 0x7F;
}

void SetSongChannelVolume(StyleSongSection& section, int channel, int value) {
    section.channelVolumes[Index(channel, kSongChannels)] = Level(value);
}

bool TrackBit(const StyleSongSection& section, int row, int track) {
    return ((section.trackBits[Index(row, 2)] >> Index(track, kStyleTracks)) & 1) != 0;
}

void SetTrackBit(StyleSongSection& section, int row, int track, bool on) {
    uint8_t& bits = section.trackBits[Index(row, 2)];
    const auto mask = static_cast<uint8_t>(1u << Index(track, kStyleTracks));
    bits = static_cast<uint8_t>(on ? bits | mask : bits & ~mask);
}

bool ChannelBit(const StyleSongSection& section, int row, int channel) {
    return ((section.channelBits[Index(row, 2)] >> Index(channel, kSongChannels)) & 1) != 0;
}

void SetChannelBit(StyleSongSection& section, int row, int channel, bool on) {
    uint16_t& bits = section.channelBits[Index(row, 2)];
    const auto mask = static_cast<uint16_t>(1u << Index(channel, kSongChannels));
    bits = static_cast<uint16_t>(on ? bits | mask : bits & ~mask);
}

}  // namespace veltrano::mixer_rules
