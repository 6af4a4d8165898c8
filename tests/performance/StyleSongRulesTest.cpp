// How the Style&Song page shows and stores its fields.
#include <gtest/gtest.h>

#include "performance/StyleSongRules.h"

namespace veltrano {
namespace {

namespace sr = style_song_rules;

TEST(StyleSongRulesTest, TempoIsKeptWithinTheInstrumentsRange) {
    EXPECT_EQ(sr::ClampTempo(120), 120);
    EXPECT_EQ(sr::ClampTempo(65535), sr::kMaxTempo);
    EXPECT_EQ(sr::ClampTempo(0), sr::kMinTempo);
    EXPECT_EQ(sr::ClampTempo(-7), sr::kMinTempo);
}

TEST(StyleSongRulesTest, SwitchesSongSettingsAndFullRange) {
    StyleSongSection s;
    for (int bit = 0; bit < sr::kSwitches; ++bit) {
        EXPECT_EQ(sr::SwitchItem(s, bit), 1);  // fresh: all off
    }
    sr::SetSwitchItem(s, 7, 0);
    sr::SetSwitchItem(s, 2, 0);
    sr::SetSwitchItem(s, 2, 1);
    EXPECT_EQ(s.styleSwitches, 0x80);
    EXPECT_EQ(sr::SwitchItem(s, 7), 0);

    sr::SetSongSettings(s, 1, true);
    EXPECT_EQ(s.songSettings, 192);
    sr::SetSongSettings(s, 0, false);
    EXPECT_EQ(s.songSettings, 0);
    s.songSettings = 0x3F | 0x80;  // a file's low bits are not a play mode
    EXPECT_EQ(sr::PlayModeItem(s), 0);
    EXPECT_TRUE(sr::LoopOn(s));

    EXPECT_FALSE(sr::FullRangeShown(s));
    s.selection = 1;
    EXPECT_TRUE(sr::FullRangeShown(s));
    s.selection = 0;
    s.fullRange = 1;
    EXPECT_TRUE(sr::FullRangeShown(s));
    s.detectMode = 9;
    EXPECT_EQ(sr::DetectItem(s), 2);
}

}  // namespace
}  // namespace veltrano
