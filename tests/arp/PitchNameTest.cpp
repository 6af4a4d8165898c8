#include "arp/PitchName.h"

#include <gtest/gtest.h>

namespace veltrano {
namespace {

TEST(PitchName, NamesReadAndShownWithinThePianoRange) {
    EXPECT_EQ(ParsePitchName("C4"), 60);
    EXPECT_EQ(ParsePitchName("c4"), 60);
    EXPECT_EQ(ParsePitchName("C#4"), 61);
    EXPECT_EQ(ParsePitchName("Db4"), 61);
    EXPECT_EQ(ParsePitchName("A0"), 21);
    EXPECT_EQ(ParsePitchName("C8"), 108);
    EXPECT_EQ(ParsePitchName("Ab0"), std::nullopt);  // 20: below the range
    EXPECT_EQ(ParsePitchName("C#8"), std::nullopt);
    EXPECT_EQ(ParsePitchName("DB4"), std::nullopt);  // only a lowercase flat
    EXPECT_EQ(ParsePitchName("H4"), std::nullopt);
    EXPECT_EQ(ParsePitchName("C"), std::nullopt);
    EXPECT_EQ(ParsePitchName("C10"), std::nullopt);
    EXPECT_EQ(ParsePitchName(""), std::nullopt);
    for (int note = 21; note <= 108; ++note) {
        EXPECT_EQ(ParsePitchName(PitchName(note)), note) << PitchName(note);
    }
    EXPECT_EQ(PitchName(70), "Bb4");
}

TEST(PitchName, GeneralMidiNamesAreNumberedFromOne) {
    EXPECT_EQ(GeneralMidiName(0), "001 Acoustic Grand Piano");
    EXPECT_EQ(GeneralMidiName(40), "041 Violin");
    EXPECT_EQ(GeneralMidiName(127), "128 Gunshot");
    EXPECT_EQ(GeneralMidiName(128), "");
}

}  // namespace
}  // namespace veltrano
