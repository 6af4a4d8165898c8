#include "style/MidiToStyle.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Reporter.h"
#include "style/MidiTestFiles.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::MakeSmf;
using test::TempDir;
using test::TrackBytes;
using test::WriteFile;
using Message = RecordingReporter::Message;

constexpr int kMainA = MainSlot(0);
constexpr int kMainB = MainSlot(1);
constexpr int kIntroA = IntroSlot(0);

class MidiToStyleTest : public ::testing::Test {
protected:
    // Writes the file and analyses it; the reporter keeps what was shown.
    bool Analyse(const Bytes& smf, const std::string& name = "in.mid") {
        const std::filesystem::path path = dir_ / name;
        WriteFile(path, test::AsView(smf));
        return wizard_.Analyse(path, reporter_);
    }
    bool Analyse(const TrackBytes& track, uint16_t division = 96) {
        return Analyse(MakeSmf(0, division, {track}));
    }
    // Every found section taken, the Reset values (no "Default.dsc") stored.
    void ChooseAllWithDefaults() {
        ASSERT_TRUE(wizard_.ChooseSections(SectionBoxes().set(), "SHORT", ""));
        EXPECT_FALSE(wizard_.ResetSettings(dir_.Path(), reporter_));
        wizard_.StoreSettings();
    }

    TempDir dir_;
    RecordingReporter reporter_;
    MidiToStyle wizard_;
};

// ---------------------------------------------------------------------------------------------
// Analysis

TEST_F(MidiToStyleTest, SectionsAreMeasuredInWholeBarsRoundedUp) {
    TrackBytes t;
    t.Tempo(0, 600000).TimeSignature(0, 4, 2).Meta(0, kMidiMetaMarker, "Sint");
    t.Meta(1536, kMidiMetaMarker, "Main A").Event(0, {0x92, 60, 100}).Event(1536, {0x82, 60, 0});
    t.Meta(1, kMidiMetaMarker, "Main B");  // 1537 ticks after Main A
    t.Event(383, {0x93, 50, 1}).End();
    ASSERT_TRUE(Analyse(t));
    EXPECT_TRUE(reporter_.Empty());

    const StyleInfo& info = wizard_.Model().info;
    EXPECT_EQ(info.tempo, 100);
    EXPECT_EQ(info.numerator, 4);
    EXPECT_EQ(info.denominator, 4);
    EXPECT_EQ(info.division, 96);
    EXPECT_TRUE(wizard_.LeadIn().found);
    EXPECT_EQ(wizard_.Section(kMainA).startTick, 1536u);
    EXPECT_EQ(wizard_.Section(kMainA).bars, 5u);  // 1537 ticks at 384 a bar
    EXPECT_EQ(wizard_.Section(kMainA).channelsInUse, 1u << 2);
    EXPECT_EQ(wizard_.Section(kMainB).bars, 1u);
    EXPECT_EQ(wizard_.Section(kMainB).channelsInUse, 1u << 3);
    EXPECT_FALSE(wizard_.Section(kIntroA).found);
    EXPECT_EQ(wizard_.FoundBoxes(),
              SectionBoxes().set(BoxBit(SectionBox::MainA)).set(BoxBit(SectionBox::MainB)));

    // Only the boxes chosen become present; the short name is cut to 8 characters.
    ASSERT_TRUE(wizard_.ChooseSections(SectionBoxes().set(BoxBit(SectionBox::MainB)), "ABCDEFGHIJ",
                                       "Long"));
    EXPECT_FALSE(wizard_.Model().sections[kMainA].present);
    EXPECT_TRUE(wizard_.Model().sections[kMainB].present);
    EXPECT_EQ(wizard_.Model().sections[kMainB].bars, 1);
    EXPECT_TRUE(wizard_.Model().sections[kMainB].channels[3].inUse);
    EXPECT_FALSE(wizard_.Model().sections[kMainB].channels[2].inUse);
    EXPECT_EQ(wizard_.Model().info.shortName, "ABCDEFGH");
    EXPECT_EQ(wizard_.Model().info.longName, "Long");
    EXPECT_EQ(wizard_.PresentSections(), std::vector<int>{kMainB});
}

TEST_F(MidiToStyleTest, FourBarsFromTick1536To3072) {
    TrackBytes t;
    t.TimeSignature(0, 4, 2).Meta(0, kMidiMetaMarker, "Sint");
    t.Meta(1536, kMidiMetaMarker, "Main A").Event(0, {0x90, 36, 100});
    t.Event(1536, {0x80, 36, 0}).End(100);  // the end of track is no event
    ASSERT_TRUE(Analyse(t));
    EXPECT_TRUE(wizard_.Section(kMainA).found);
    EXPECT_EQ(wizard_.Section(kMainA).endTick, 3072u);
    EXPECT_EQ(wizard_.Section(kMainA).bars, 4u);
    EXPECT_EQ(wizard_.Model().info.tempo, 120);  // no tempo in the file
}

TEST_F(MidiToStyleTest, SectionsPastTick65535KeepTheirLength) {
    // Division 480: 1920 ticks a bar. Main A spans tick 65,536.
    TrackBytes t;
    t.TimeSignature(0, 4, 2).Meta(0, kMidiMetaMarker, "Sint");
    t.Meta(1920, kMidiMetaMarker, "Main A").Event(0, {0x90, 36, 100});
    t.Meta(74880, kMidiMetaMarker, "Main B").Event(0, {0x90, 38, 100});
    t.Event(7680, {0x80, 38, 0}).End();
    ASSERT_TRUE(Analyse(t, 480));
    EXPECT_EQ(wizard_.Section(kMainA).bars, 39u);
    EXPECT_EQ(wizard_.Section(kMainB).startTick, 76800u);
    EXPECT_EQ(wizard_.Section(kMainB).bars, 4u);
}

TEST_F(MidiToStyleTest, LeadInInAnyCaseSectionNamesExact) {
    TrackBytes t;
    t.Meta(0, kMidiMetaMarker, "SINT").Meta(384, kMidiMetaMarker, "main a");
    t.Event(0, {0x90, 36, 100}).End(384);
    ASSERT_TRUE(Analyse(t));
    EXPECT_TRUE(wizard_.LeadIn().found);
    EXPECT_FALSE(wizard_.Section(kMainA).found);
    EXPECT_TRUE(wizard_.FoundBoxes().none());

    TrackBytes noLeadIn;
    noLeadIn.Meta(0, kMidiMetaMarker, "Main A").Event(0, {0x90, 36, 100}).End(384);
    EXPECT_FALSE(Analyse(noLeadIn));
    EXPECT_FALSE(wizard_.Analysed());
    EXPECT_EQ(reporter_.Messages(),
              (std::vector<Message>{{Icon::Warning, "Warning",
                                     "Wrong format of midi file: not find the mark of Sint"}}));
    EXPECT_FALSE(wizard_.ChooseSections(SectionBoxes().set(), "S", ""));
}

TEST_F(MidiToStyleTest, FilesThatCannotBeAnalysed) {
    EXPECT_FALSE(wizard_.Analyse(dir_ / "missing.mid", reporter_));
    TrackBytes t;
    t.Meta(0, kMidiMetaMarker, "Sint").End();
    EXPECT_FALSE(Analyse(MakeSmf(2, 96, {t})));
    // A zero numerator falls back to 4/4 instead of dividing by zero.
    TrackBytes zero;
    zero.TimeSignature(0, 0, 2).Meta(0, kMidiMetaMarker, "Sint");
    zero.Meta(0, kMidiMetaMarker, "Main A").Event(385, {0xC0, 1}).End();
    ASSERT_TRUE(Analyse(zero));
    EXPECT_EQ(wizard_.Model().info.numerator, 4);
    EXPECT_EQ(wizard_.Section(kMainA).bars, 2u);
    EXPECT_EQ(reporter_.Texts(),
              (std::vector<std::string>{"Open midi file failed",
                                        "Midi file must be format0 or format1"}));
    EXPECT_EQ(reporter_.Messages()[0].caption, "Error");
    EXPECT_EQ(reporter_.Messages()[1].icon, Icon::Error);
}

TEST_F(MidiToStyleTest, NameTextParts) {
    const auto named = [this](std::string_view text) {
        TrackBytes t;
        t.Meta(0, kMidiMetaText, text).Meta(0, kMidiMetaMarker, "Sint").End(10);
        return Analyse(t);
    };
    EXPECT_FALSE(named("name:Long,SHORT"));
    EXPECT_EQ(reporter_.Messages(), (std::vector<Message>{{Icon::Information, "Warning",
                                                           "Wrong format of name in midi file"}}));

    // Four parts as the style-to-MIDI conversion writes them: second and third texts with
    // their terminators, the last one dropped.
    ASSERT_TRUE(named(" name:Long Name,SHORTNAME9,Second\xFF,Third "));  // not a name text
    EXPECT_EQ(wizard_.Model().info.longName, "");
    ASSERT_TRUE(named("name: Long Name,SHORTNAME9,Second\xFF,Third "));
    const StyleInfo& info = wizard_.Model().info;
    EXPECT_EQ(info.longName, "Long Name");
    EXPECT_EQ(info.shortName, "SHORTNAM");
    EXPECT_EQ(info.secondText, "Second");
    EXPECT_EQ(info.thirdText, "Third");

    ASSERT_TRUE(named("name:L,S,Only\xFF"));
    EXPECT_EQ(wizard_.Model().info.secondText, "");
    EXPECT_EQ(wizard_.Model().info.thirdText, "Only");
}

TEST_F(MidiToStyleTest, MarkersOfOneTickKeepTheirOrderAndRepeatsDoNotRestart) {
    TrackBytes t;
    t.Meta(0, kMidiMetaMarker, "Sint");
    t.Meta(384, kMidiMetaMarker, "Main A").Event(0, {0x91, 60, 100});
    t.Meta(192, kMidiMetaMarker, "Main A").Event(0, {0xC4, 3});  // continues Main A
    t.Event(192, {0x92, 60, 100}).Meta(0, kMidiMetaMarker, "Main B");
    t.Meta(0, kMidiMetaMarker, "Main C");  // Main B is empty, Main C holds the note
    t.Meta(384, kMidiMetaMarker, "Main A").Event(0, {0x93, 60, 100});  // a second block
    t.Event(384, {0x83, 60, 0}).End();
    ASSERT_TRUE(Analyse(t));
    const MidiSectionSpan& a = wizard_.Section(kMainA);
    EXPECT_EQ(a.startTick, 384u);
    EXPECT_EQ(a.bars, 1u);
    EXPECT_EQ(a.channelsInUse, 1u << 1);
    EXPECT_TRUE(wizard_.Section(kMainB).found);
    EXPECT_EQ(wizard_.Section(kMainB).bars, 0u);
    EXPECT_EQ(wizard_.Section(kMainB).channelsInUse, 0u);
    EXPECT_EQ(wizard_.Section(MainSlot(2)).channelsInUse, 1u << 2);
    EXPECT_EQ(wizard_.Section(MainSlot(2)).bars, 1u);
    ChooseAllWithDefaults();
    EXPECT_EQ(wizard_.SectionMusic(kMainA).events,
              (Bytes{0x00, 0x91, 60, 100, 0x81, 0x40, 0xC4, 3}));
}

TEST_F(MidiToStyleTest, MarkerAndNoteAtOneTickOpenTheSectionFirst) {
    // Format 1: the note's track is merged in front of the marker's rest at tick 384.
    TrackBytes markers;
    markers.Meta(0, kMidiMetaMarker, "Sint").Meta(0, kMidiMetaText, "x");
    markers.Meta(384, kMidiMetaText, "y").Meta(0, kMidiMetaMarker, "Main A").End(384);
    TrackBytes notes;
    notes.Event(384, {0x95, 60, 100}).Event(96, {0x95, 60, 0}).End();
    ASSERT_TRUE(Analyse(MakeSmf(1, 96, {markers, notes})));
    EXPECT_EQ(wizard_.Section(kMainA).channelsInUse, 1u << 5);
    ChooseAllWithDefaults();
    EXPECT_EQ(wizard_.LeadInMusic().events, Bytes{});
    // Channel 5 plays on destination 13: a duration, no note-off.
    EXPECT_EQ(wizard_.SectionMusic(kMainA).events, (Bytes{0x00, 0x95, 60, 100, 96}));
}

// ---------------------------------------------------------------------------------------------
// Channel settings

TEST_F(MidiToStyleTest, ResetThenNextGivesTheDefaultRecordsAndChordMasks) {
    TrackBytes t;
    t.Meta(0, kMidiMetaMarker, "Sint").Meta(0, kMidiMetaMarker, "Intro A");
    t.Event(0, {0x90, 36, 100}).Meta(384, kMidiMetaMarker, "Main A").End(384);
    ASSERT_TRUE(Analyse(t));
    ChooseAllWithDefaults();
    EXPECT_TRUE(reporter_.Empty());

    const auto& intro = wizard_.Model().sections[kIntroA].channels;
    const std::array<uint32_t, 16> introMasks = {0,          0,          0x0007FF00, 0x0007FF00,
                                                 0x0007FF00, 0x0007FF00, 0x0007FF00, 0x0007FF00,
                                                 0xFFFFFFFF, 0xFFFFFFFF, 0xFFF800FF, 0xFFF800FF,
                                                 0xFFF800FF, 0xFFF800FF, 0xFFF800FF, 0xFFF800FF};
    for (size_t n = 0; n < 16; ++n) {
        EXPECT_EQ(intro[n].chordMask, introMasks[n]) << n;
        EXPECT_EQ(intro[n].record.destination, 8 + n % 8) << n;
        EXPECT_EQ(intro[n].record.TranspositionTable(), 0) << n;
        EXPECT_EQ(intro[n].record.TranspositionRule(), n % 8 < 2 ? 1 : 0) << n;
        EXPECT_EQ(intro[n].record.RetriggerRule(), 1) << n;
        EXPECT_EQ(intro[n].record.highKey, 6) << n;
        EXPECT_EQ(intro[n].inUse, n == 0) << n;  // from the analysis, not the rows
    }
    const auto& main = wizard_.Model().sections[kMainA].channels;
    for (size_t n = 0; n < 16; ++n) {
        EXPECT_EQ(main[n].chordMask, n < 8 ? 0u : 0xFFFFFFFFu) << n;
        EXPECT_EQ(main[n].record.TranspositionTable(), n >= 10 ? 2 : 0) << n;
    }
    EXPECT_EQ(main[10].record.highKey, 3);
    EXPECT_EQ(main[10].record.noteLow, 28);
    EXPECT_EQ(main[11].record.noteLow, 0);
}

TEST_F(MidiToStyleTest, DescriptionsLoadedOverTheRowsAndSaved) {
    TrackBytes t;
    t.Meta(0, kMidiMetaMarker, "Sint").Meta(0, kMidiMetaMarker, "Main A").End(384);
    ASSERT_TRUE(Analyse(t));
    ASSERT_TRUE(wizard_.ChooseSections(SectionBoxes().set(), "S", ""));

    // "Default.dsc" of the program folder comes after the Reset values.
    DscFile dsc;
    ChannelDescription d = ChannelDescription::FromChannel(4, DefaultChannelSettings(kMainA)[4]);
    d.destination = 14;
    d.chordMask = 0x1234;
    dsc.add_channel(0, d);
    dsc.set_ots(2, 1, DscOneTouch::FromPart(1, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(dsc.write(dir_ / "Default.dsc", reporter_));
    EXPECT_TRUE(wizard_.ResetSettings(dir_.Path(), reporter_));
    EXPECT_EQ(wizard_.Channels(kMainA)[4].record.destination, 14);
    EXPECT_EQ(wizard_.Channels(kMainA)[4].chordMask, 0x1234u);
    EXPECT_EQ(wizard_.Channels(kMainB)[4].record.destination, 12);  // not in the file
    // The style's records change at Next; one-touch settings go straight in.
    EXPECT_EQ(wizard_.Model().sections[kMainA].channels[4].record.destination, 12);
    EXPECT_EQ(wizard_.OneTouch()[2][1].pan, 8);
    wizard_.StoreSettings();
    EXPECT_EQ(wizard_.Model().sections[kMainA].channels[4].record.destination, 14);

    // Save needs instrument information; the description lists present sections only.
    EXPECT_FALSE(wizard_.SaveDescription(dir_ / "out.dsc", reporter_));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.dsc"));
    EXPECT_EQ(reporter_.Messages().back(),
              (Message{Icon::Warning, "DSC Save",
                       "You must connect your device with PC at least once,\nthen you can get "
                       "the instrument information and save dsc."}));
    MidiToStyle connected([] { return true; });
    ASSERT_TRUE(connected.Analyse(dir_ / "in.mid", reporter_));
    ASSERT_TRUE(connected.ChooseSections(SectionBoxes().set(), "S", ""));
    ASSERT_TRUE(connected.SaveDescription(dir_ / "out.dsc", reporter_));
    DscFile back;
    StyleModel unused;
    ASSERT_TRUE(back.read(dir_ / "out.dsc", false, unused, reporter_));
    ASSERT_FALSE(back.Entries().empty());
    for (const DscEntry& entry : back.Entries()) {
        EXPECT_EQ(entry.sections, 1u) << "Main A only";
    }
}

TEST_F(MidiToStyleTest, AlsoApplyAndAuto) {
    wizard_.ResetSettings();
    const auto before = wizard_.Channels(FillSlot(4));
    wizard_.Channels(kMainA)[3].record.destination = 15;
    EXPECT_FALSE(wizard_.AlsoApply(kMainA, SectionBoxes(), reporter_));
    EXPECT_EQ(wizard_.Channels(FillSlot(4)), before);
    EXPECT_EQ(reporter_.Messages(),
              (std::vector<Message>{{Icon::Warning, "AlsoApply", "No segment be selected"}}));

    const SectionBoxes mainsAndFills = SectionBoxes()
                                           .set()
                                           .reset(BoxBit(SectionBox::IntroA))
                                           .reset(BoxBit(SectionBox::IntroB))
                                           .reset(BoxBit(SectionBox::EndingA))
                                           .reset(BoxBit(SectionBox::EndingB));
    EXPECT_EQ(MidiToStyle::AutoBoxes(EndingSlot(1)), mainsAndFills);
    EXPECT_EQ(MidiToStyle::AutoBoxes(FillSlot(9)), mainsAndFills);
    EXPECT_EQ(MidiToStyle::AutoBoxes(IntroSlot(1)), ~mainsAndFills);

    ASSERT_TRUE(
        wizard_.AlsoApply(kMainA, SectionBoxes().set(BoxBit(SectionBox::FillB)), reporter_));
    EXPECT_EQ(reporter_.Messages().back(),
              (Message{Icon::Information, "AlsoApply", "All selected segments also be changed"}));
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        const bool covered = slot == kMainA || (slot >= FillSlot(4) && slot <= FillSlot(7));
        EXPECT_EQ(wizard_.Channels(slot)[3].record.destination, covered ? 15 : 11) << slot;
    }
}

TEST(ChannelSettingsTest, ChordMuteAndShownNames) {
    ChordMuteSelection mute(kAllChordTypes);
    EXPECT_FALSE(mute.Muted(0));
    mute.SetMuted(31, true);
    EXPECT_EQ(mute.Mask(), 0x7FFFFFFFu);
    EXPECT_EQ(ChordMaskLabel(mute.Mask()), "Yes");
    mute.AllMajor();
    EXPECT_TRUE(mute.Muted(7) && mute.Muted(19) && !mute.Muted(8) && !mute.Muted(18));
    mute.AllMinor();
    EXPECT_EQ(mute.Mask(), 0xFFF800FFu);
    mute.SelectAll();
    EXPECT_EQ(mute.Mask(), 0u);
    mute.Clear();
    EXPECT_EQ(ChordMaskLabel(mute.Mask()), "Null");

    EXPECT_EQ(NoteName(60), "C5");
    EXPECT_EQ(NoteName(127), "G10");
    EXPECT_EQ(DestinationName(15), "16");
    EXPECT_EQ(FindSectionBox(" fill c "), SectionBox::FillC);
    EXPECT_FALSE(FindSectionBox("Fill In AA"));
}

// ---------------------------------------------------------------------------------------------
// Music data

TEST_F(MidiToStyleTest, MusicDataOfEveryEventKindAndTheRemainingTicks) {
    TrackBytes t;
    t.TimeSignature(0, 4, 2).Meta(0, kMidiMetaMarker, "Sint");
    t.Event(0, {0x90, 36, 100}).Event(24, {0x80, 36, 64});  // lead-in: rhythm channel 0
    t.Meta(360, kMidiMetaMarker, "Main A");                 // tick 384
    t.Event(0, {0x90, 36, 100});                            // rhythm part: no duration
    t.Event(0, {0x92, 60, 90});                             // duration 316
    t.Event(48, {0x80, 36, 64});                            // rhythm note-off as 9n, velocity 0
    t.Event(48, {0xB2, 7, 100});
    t.Event(0, {0xB2, 74, 5});  // not kept
    t.Event(0, {0xB2, 6, 12});  // registered parameter 0 selected first, running status
    t.Event(10, {0xC2, 5});
    t.Event(10, {0xE2, 0, 64});
    t.Event(0, {0xD2, 9}).Event(0, {0xA2, 60, 9});  // pressures are not kept
    t.SysEx(0, 0xF0, "\x7E\xF7");
    t.Event(10, {0xB2, 10, 64}).Event(10, {0xB2, 11, 1});
    t.Event(180, {0x82, 60, 0});  // tick 700: not written for a non-rhythm part
    t.Meta(68, kMidiMetaMarker, "Main B");
    t.Event(16256, {0xC3, 7});  // a delta whose quantity begins FF
    t.End();
    ASSERT_TRUE(Analyse(t));
    ChooseAllWithDefaults();

    const MusicData leadIn = wizard_.LeadInMusic();
    EXPECT_EQ(leadIn.events, (Bytes{0x00, 0x90, 36, 100, 24, 36, 0}));
    EXPECT_EQ(leadIn.remainingTicks, 0u);

    const MusicData mainA = wizard_.SectionMusic(kMainA);
    EXPECT_EQ(mainA.events,
              (Bytes{0x00, 0x90, 36, 100,  0x00, 0x92, 60,   90,   0x82, 0x3C, 48,   0x90, 36, 0,
                     48,   0xB2, 7,  100,  0x00, 0x65, 0x00, 0x00, 0x64, 0x00, 0x00, 0x06, 12, 10,
                     0xC2, 5,    10, 0xE2, 0,    64,   10,   0xB2, 10,   64,   10,   11,   1}));
    // From the last written event (tick 520) to the end of the section's bar (768).
    EXPECT_EQ(mainA.remainingTicks, 248u);

    // Main B ends with the file at 17,024: 43 bars from 768 end at 17,280.
    const MusicData mainB = wizard_.SectionMusic(kMainB);
    EXPECT_EQ(mainB.events, (Bytes{0x80, 0xFF, 0x00, 0xC3, 7}));
    EXPECT_EQ(mainB.remainingTicks, 256u);

    // Destination 9 makes channel 2 a rhythm part in Main A only.
    wizard_.Channels(kMainA)[2].record.destination = 9;
    wizard_.StoreSettings();
    const Bytes rhythm = wizard_.SectionMusic(kMainA).events;
    EXPECT_EQ(Bytes(rhythm.begin() + 4, rhythm.begin() + 8), (Bytes{0x00, 0x92, 60, 90}));
    EXPECT_EQ(Bytes(rhythm.end() - 5, rhythm.end()), (Bytes{0x81, 0x34, 0x92, 60, 0}));  // at 700

    // The saved style reads back with the same music data and bars.
    ASSERT_EQ(wizard_.Save(dir_ / "out.sty", reporter_), StyleFile::SaveOutcome::Written);
    StyleFile saved;
    ASSERT_TRUE(saved.Load(dir_ / "out.sty", reporter_)) << reporter_.Texts().back();
    EXPECT_EQ(saved.Model().leadIn, leadIn);
    EXPECT_EQ(saved.Model().sections[kMainA].music, wizard_.Model().sections[kMainA].music);
    EXPECT_EQ(saved.Model().sections[kMainB].music, mainB);
    EXPECT_EQ(saved.Model().sections[kMainB].bars, 43);
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MidiToStyleTest, WhateverTheFileTheSavedStyleReadsBack) {
    reporter_.SetDefaultAnswer(Answer::Yes);
    int saved = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        if (!Analyse(test::RandomSmf(seed, false))) {
            continue;
        }
        ASSERT_TRUE(wizard_.ChooseSections(SectionBoxes().set(), "R", ""));
        wizard_.StoreSettings();
        ASSERT_EQ(wizard_.Save(dir_ / "random.sty", reporter_), StyleFile::SaveOutcome::Written)
            << seed;
        StyleFile back;
        ASSERT_TRUE(back.Load(dir_ / "random.sty", reporter_)) << seed;
        EXPECT_EQ(back.Model().leadIn, wizard_.Model().leadIn) << seed;
        for (size_t slot = 0; slot < kSectionSlotCount; ++slot) {
            const StyleSection& a = back.Model().sections[slot];
            const StyleSection& b = wizard_.Model().sections[slot];
            EXPECT_TRUE(a.present == b.present && a.bars == b.bars && a.music == b.music)
                << seed << " " << SectionName(static_cast<int>(slot));
        }
        ++saved;
    }
    EXPECT_GT(saved, 10);
}

}  // namespace
}  // namespace veltrano
