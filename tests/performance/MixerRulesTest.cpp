// The levels of the Mixer page as the Keyboard and Style&Song sections store them.
#include <gtest/gtest.h>

#include "performance/MixerRules.h"

namespace veltrano {
namespace {

namespace mr = mixer_rules;

TEST(MixerRulesTest, SongChannelVolumesKeepTheirTopBitClear) {
    StyleSongSection section;
    section.channelVolumes[3] = 0xC5;  // a file's byte with the top bit set
    EXPECT_EQ(mr::SongChannelVolume(section, 3), 0x45);
    mr::SetSongChannelVolume(section, 15, 300);
    EXPECT_EQ(section.channelVolumes[15], 127);
    mr::SetSongChannelVolume(section, 0, -4);
    EXPECT_EQ(section.channelVolumes[0], 0);
    EXPECT_EQ(mr::Level(128), 127);
}

TEST(MixerRulesTest, BoxesSetOnlyTheirOwnBit) {
    StyleSongSection section;
    mr::SetTrackBit(section, 1, 7, true);
    mr::SetTrackBit(section, 1, 0, true);
    EXPECT_EQ(section.trackBits[1], 0x81);
    EXPECT_EQ(section.trackBits[0], 0);
    mr::SetTrackBit(section, 1, 7, false);
    EXPECT_EQ(section.trackBits[1], 0x01);
    EXPECT_TRUE(mr::TrackBit(section, 1, 0));
    mr::SetChannelBit(section, 0, 15, true);
    EXPECT_EQ(section.channelBits[0], 0x8000);
    EXPECT_TRUE(mr::ChannelBit(section, 0, 15));
    EXPECT_FALSE(mr::ChannelBit(section, 1, 15));
}

}  // namespace
}  // namespace veltrano
