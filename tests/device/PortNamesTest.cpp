#include "device/PortNames.h"

#include <gtest/gtest.h>

namespace veltrano {
namespace {

TEST(PortNamesTest, PositionsAndExactNames) {
    const std::vector<std::string> names{"Midi Through:Midi Through Port-0 14:0", "7", "Synth"};
    EXPECT_EQ(FindPort(names, "0"), 0);
    EXPECT_EQ(FindPort(names, "2"), 2);
    EXPECT_EQ(FindPort(names, "3"), -1);
    EXPECT_EQ(FindPort(names, "99999999999999999999"), -1);
    // A number is always a position, even where a port carries it as its name.
    EXPECT_EQ(FindPort(names, "7"), -1);
    EXPECT_EQ(FindPort(names, "Synth"), 2);
    EXPECT_EQ(FindPort(names, "synth"), -1);
    EXPECT_EQ(FindPort(names, ""), -1);
    EXPECT_EQ(FindPort({}, "0"), -1);
}

TEST(PortNamesTest, ShortFormsOfJackAndAlsaNames) {
    const std::vector<std::string> names{
        "Midi Through:Midi Through Port-0 14:0",
        "veltrano-sim:Sim out 129:0",
        "system:midi_capture_1",
        "veltrano-sim-01:Sim in",
    };
    // ALSA: without the address, after the client, or the address alone.
    EXPECT_EQ(FindPort(names, "Midi Through:Midi Through Port-0"), 0);
    EXPECT_EQ(FindPort(names, "Midi Through Port-0"), 0);
    EXPECT_EQ(FindPort(names, "14:0"), 0);
    EXPECT_EQ(FindPort(names, "Sim out"), 1);
    EXPECT_EQ(FindPort(names, "129:0"), 1);
    // JACK: the part after the client, whatever the client was renamed to.
    EXPECT_EQ(FindPort(names, "midi_capture_1"), 2);
    EXPECT_EQ(FindPort(names, "Sim in"), 3);
    // Client names alone and parts of names are no match.
    EXPECT_EQ(FindPort(names, "system"), -1);
    EXPECT_EQ(FindPort(names, "Sim"), -1);
    EXPECT_EQ(FindPort(names, "14"), -1);  // a position past the end
}

TEST(PortNamesTest, AmbiguousQueriesFindNothing) {
    const std::vector<std::string> names{
        "a2j:Synth [20] (capture): Synth MIDI 1",
        "keyboard:out",
        "mixer:out",
        "dup",
        "dup",
        "one:dup",
    };
    EXPECT_EQ(FindPort(names, "out"), -1);
    EXPECT_EQ(FindPort(names, "keyboard:out"), 1);
    // Two ports of one exact name are ambiguous, and the short form is not tried then.
    EXPECT_EQ(FindPort(names, "dup"), -1);
    EXPECT_EQ(FindPort(names, "Synth [20] (capture): Synth MIDI 1"), 0);
}

}  // namespace
}  // namespace veltrano
