// What the Controllers page does to a performance's controllers, and what the Style&Song page
// shows of its references.
#include <gtest/gtest.h>

#include "PerformanceTestSupport.h"
#include "base/Reporter.h"
#include "device/PresetCatalog.h"
#include "performance/ControllerRules.h"
#include "performance/StyleSongRules.h"

namespace veltrano {
namespace {

namespace cr = controller_rules;
using Cells = std::vector<cr::Cell>;

TEST(ControllerRulesTest, KnobLayoutsForOneToSixKnobs) {
    EXPECT_EQ(cr::KnobLayout(0), Cells{});
    EXPECT_EQ(cr::KnobLayout(1), (Cells{{0, 0}}));
    EXPECT_EQ(cr::KnobLayout(2), (Cells{{0, 0}, {0, 1}}));
    EXPECT_EQ(cr::KnobLayout(4), (Cells{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    EXPECT_EQ(cr::KnobLayout(5), (Cells{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}}));
    // A profile asking for more than the performance has room for shows the room.
    EXPECT_EQ(cr::KnobLayout(9), cr::KnobLayout(6));
    EXPECT_EQ(cr::KnobLayout(6).back(), (cr::Cell{1, 2}));
    EXPECT_EQ(cr::RowLayout(8)[6], (cr::Cell{1, 0}));
    EXPECT_EQ(cr::Shown(cr::Kind::Pedal, 7), kMaxPedals);
    EXPECT_EQ(cr::Shown(cr::Kind::Pad, -1), 0);
}

TEST(ControllerRulesTest, AssigningAndPartsTouchOnlyTheSelectedController) {
    ControllersSection c;
    cr::Assign(c, cr::Kind::Knob, 2, 15);
    EXPECT_EQ(c.knobs[2], (Knob{cr::kAssignedKnobGroup, 15, 1}));
    EXPECT_EQ(c.knobs[1], Knob{});
    cr::Assign(c, cr::Kind::Knob, 2, 16);  // no such function
    cr::Assign(c, cr::Kind::Pedal, 3, 1);  // no such pedal
    EXPECT_EQ(c.knobs[2].function, 15);
    EXPECT_EQ(c.pedals, ControllersSection{}.pedals);

    cr::SetPart(c, cr::Kind::Pedal, 2, 3, true);
    cr::SetPart(c, cr::Kind::Pedal, 2, 0, false);
    EXPECT_EQ(c.pedals[2].q4, 0b1000);
    cr::SetPart(c, cr::Kind::Pad, 11, 4, true);  // only four parts
    EXPECT_EQ(cr::ApplyToOf(c, cr::Kind::Pad, 11), 1);
    EXPECT_EQ(cr::ApplyToOf(c, cr::Kind::Pad, 12), 0);

    EXPECT_TRUE(cr::FileKeepsApplyTo(cr::Kind::Knob, 7));
    EXPECT_FALSE(cr::FileKeepsApplyTo(cr::Kind::Knob, 8));
    EXPECT_TRUE(cr::FileKeepsApplyTo(cr::Kind::Pedal, 5));
    EXPECT_FALSE(cr::FileKeepsApplyTo(cr::Kind::Pedal, 6));
    EXPECT_TRUE(cr::OffersApplyTo(cr::Kind::Pad, cr::kPadEffectSwitch));
    EXPECT_FALSE(cr::OffersApplyTo(cr::Kind::Pad, cr::kPadChord));
    EXPECT_EQ(cr::LabelOf("EQ-High Mid"), "EQ-HighMid");

    Pad drum;
    cr::Assign(c, cr::Kind::Pad, 0, cr::kPadDrum);
    EXPECT_EQ(cr::KeyboardChannelFor(c.pads[0]), cr::kDrumChannel);
    EXPECT_EQ(cr::KeyboardChannelFor(drum), cr::kNormalChannel);
}

TEST(ControllerRulesTest, AChordHoldsEachNoteOnceAndNoMoreThanAFileCanStore) {
    Pad pad;
    EXPECT_EQ(cr::AddChordNote(pad, 60), cr::ChordEntry::Added);
    EXPECT_EQ(cr::AddChordNote(pad, 60), cr::ChordEntry::AlreadyThere);
    EXPECT_EQ(cr::AddChordNote(pad, 128), cr::ChordEntry::NotANote);
    EXPECT_EQ(pad.notes[0], 0x3C93);
    EXPECT_EQ(pad.noteCount, 1);
    cr::ClearChord(pad);
    for (int note = 0; note < 128; ++note) {
        ASSERT_EQ(cr::AddChordNote(pad, note), cr::ChordEntry::Added);
    }
    EXPECT_EQ(pad.noteCount, 128);

    // A file's chord may repeat notes. One of 254 notes takes no more, even a note it lacks.
    Pad full = pad;
    for (int k = 128; k < cr::kMaxChordNotes; ++k) {
        full.notes[static_cast<size_t>(k)] = 0x3C93;
    }
    full.notes[5] = 0x3C93;  // note 5 is no longer in it
    full.noteCount = cr::kMaxChordNotes;
    EXPECT_EQ(cr::AddChordNote(full, 5), cr::ChordEntry::Full);
    EXPECT_EQ(cr::AddChordNote(full, 60), cr::ChordEntry::AlreadyThere);
    EXPECT_EQ(full.noteCount, cr::kMaxChordNotes);

    PerformanceBank bank;
    bank.At(0).controllers.pads[0] = full;
    const Bytes file = test::WriteBank(bank, test::Layout(true, 3));
    PerformanceBank read;
    RecordingReporter reporter;
    ASSERT_TRUE(PerformanceFile(reporter, CodePage::Windows1252).ReadBytes(file, read));
    EXPECT_EQ(cr::ChordNotes(read.At(0).controllers.pads[0]), cr::ChordNotes(full));
}

TEST(ControllerRulesTest, DrumPadsOfferTheCataloguesKits) {
    PresetCatalog catalog;
    std::vector<const VoiceEntry*> none = cr::DrumVoices(catalog);
    EXPECT_TRUE(none.empty());

    VoiceEntry piano;
    piano.program = 1;
    VoiceEntry kit;
    kit.bankMsb = 120;
    kit.program = 25;
    kit.drum = true;
    const std::vector<const VoiceEntry*> voices{&piano, &kit};
    Pad pad;
    EXPECT_EQ(cr::DrumVoiceItem(voices, pad), -1);
    cr::SetDrumVoice(pad, kit);
    EXPECT_EQ(pad.drum, (std::array<uint8_t, 4>{120, 0, 25, 60}));
    EXPECT_EQ(cr::DrumVoiceItem(voices, pad), 1);
    cr::SetDrumPitch(pad, 200);
    cr::SetDrumPitch(pad, 36);
    EXPECT_EQ(pad.drum[3], 36);
}

TEST(ControllerRulesTest, BendRangeAndParts) {
    ControllersSection c;
    EXPECT_EQ(cr::BendRangeItem(c), 2);
    cr::SetBendRangeItem(c, cr::kBendRangeItems);
    EXPECT_EQ(c.pitchBend[2], 2);
    cr::SetBendRangeItem(c, 12);
    cr::SetBendPart(c, 0, false);
    EXPECT_EQ(c.pitchBend, (std::array<uint8_t, 3>{16, 14, 12}));
    c.pitchBend[2] = 200;  // a file's byte past the list shows the last item
    EXPECT_EQ(cr::BendRangeItem(c), cr::kBendRangeItems - 1);
}

TEST(StyleSongRulesTest, ReferencesShowTheCataloguesNameOrThePath) {
    const std::vector<NameGroup> styles{{"Pop", {"8Beat", "16Beat"}}, {"Jazz", {"Swing"}}};
    namespace sr = style_song_rules;
    EXPECT_EQ(sr::RefText(PresetRef{0, 2, {}}, styles), "003 Swing");
    EXPECT_EQ(sr::RefText(PresetRef{0, 1, {}}, styles), "002 16Beat");
    EXPECT_EQ(sr::RefText(PresetRef{0, 3, {}}, styles), "004");
    EXPECT_EQ(sr::RefText(PresetRef{1, 0, "USER\\STYLE\\MINE.STY"}, styles),
              "USER\\STYLE\\MINE.STY");
}

}  // namespace
}  // namespace veltrano
