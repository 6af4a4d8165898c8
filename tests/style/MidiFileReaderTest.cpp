// Reading Standard MIDI files: header and chunks, running status, note-offs, the tempo and
// time-signature maps, positions, times, durations and the merged order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MidiTestFiles.h"
#include "base/Reporter.h"
#include "style/MidiFile.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::MakeSmf;
using test::TrackBytes;

struct Loaded {
    MidiFile midi;
    bool ok = false;
    RecordingReporter reporter;
};

// Heap-held so that the model need not be movable for the tests' sake.
std::unique_ptr<Loaded> Load(const Bytes& bytes) {
    auto l = std::make_unique<Loaded>();
    l->ok = l->midi.LoadBytes(bytes, l->reporter);
    return l;
}

std::vector<std::string> Hex(const MidiFile& midi) {
    std::vector<std::string> out;
    for (const MidiEvent& e : midi.Events()) {
        out.push_back(midi.HexText(e));
    }
    return out;
}

std::vector<double> Ticks(const MidiFile& midi) {
    std::vector<double> out;
    for (const MidiEvent& e : midi.Events()) {
        out.push_back(e.tick);
    }
    return out;
}

// ---- Header and chunks -------------------------------------------------------------------

TEST(MidiFileHeader, ReadsTheThreeWordsAndSummarisesThem) {
    const auto l = Load(MakeSmf(1, 480, {TrackBytes().End(), TrackBytes().End()}));
    ASSERT_TRUE(l->ok) << l->midi.LastError();
    EXPECT_EQ(l->midi.Format(), 1);
    EXPECT_EQ(l->midi.TrackCount(), 2);
    EXPECT_EQ(l->midi.Division(), 480);
    EXPECT_TRUE(l->midi.Loaded());
    EXPECT_EQ(l->midi.InformationText(),
              "File format: 1  \nTrack count: 2  \nTime division: 480\n");
    EXPECT_TRUE(l->midi.Events().empty());
    EXPECT_TRUE(l->reporter.Empty());
}

TEST(MidiFileHeader, RefusesAnyOtherHeaderEvenWhenTheRestIsValid) {
    Bytes good = MakeSmf(0, 96, {TrackBytes().Event(0, {0x90, 60, 100}).End()});
    ASSERT_TRUE(Load(good)->ok);

    Bytes longer = good;
    longer[7] = 7;  // header length 7, rest unchanged
    Bytes tag = good;
    tag[3] = 'D';
    Bytes high = good;
    high[4] = 1;
    for (const Bytes& bad : {longer, tag, high, Bytes(good.begin(), good.begin() + 13)}) {
        const auto l = Load(bad);
        EXPECT_FALSE(l->ok);
        EXPECT_FALSE(l->midi.Loaded());
        EXPECT_NE(l->midi.LastError().find("MThd"), std::string::npos);
        EXPECT_EQ(l->midi.Format(), 0);
        EXPECT_TRUE(l->midi.InformationText().empty());
    }
}

TEST(MidiFileChunks, AnEmptyTrackIsSkippedAndLaterTracksKeepTheirIndex) {
    const auto l = Load(MakeSmf(1, 96,
                                {TrackBytes().Event(0, {0x90, 60, 1}), TrackBytes(),
                                 TrackBytes().Event(5, {0x91, 61, 1})}));
    ASSERT_TRUE(l->ok);
    ASSERT_EQ(l->midi.Events().size(), 2u);
    EXPECT_EQ(l->midi.Events()[0].track, 0);
    EXPECT_EQ(l->midi.Events()[1].track, 2);
    EXPECT_EQ(l->midi.Events()[1].tick, 5);
}

TEST(MidiFileChunks, AMissingTrackOrUnreadableFirstDeltaFailsAndLeavesNothing) {
    // Two tracks announced, one there.
    Bytes missing = MakeSmf(1, 96, {TrackBytes().Event(0, {0x90, 60, 1}).End()});
    missing[11] = 2;
    // A chunk that is not MTrk where a track is due.
    Bytes alien = MakeSmf(1, 96, {TrackBytes().Event(0, {0x90, 60, 1}).End(), TrackBytes().End()});
    alien[14 + 8 + 8] = 'X';
    // A first delta that runs out of track bytes.
    const Bytes cut = MakeSmf(
        1, 96, {TrackBytes().Event(0, {0x90, 60, 1}).End(), TrackBytes().Raw({0x81, 0x80})});
    for (const auto& [bytes, words] :
         {std::pair{missing, "Track 1: no MTrk"}, std::pair{alien, "Track 1: no MTrk"},
          std::pair{cut, "Track 1: the first delta-time"}}) {
        const auto l = Load(bytes);
        EXPECT_FALSE(l->ok);
        EXPECT_NE(l->midi.LastError().find(words), std::string::npos) << l->midi.LastError();
        // Track 0 was read, yet nothing of it is left behind.
        EXPECT_TRUE(l->midi.Events().empty());
        EXPECT_EQ(l->midi.TrackCount(), 0);
        EXPECT_FALSE(l->midi.Loaded());
    }
}

TEST(MidiFileChunks, ChunksAfterTheAnnouncedTracksAreIgnored) {
    Bytes bytes = MakeSmf(
        1, 96,
        {TrackBytes().Event(0, {0x90, 60, 1}).End(), TrackBytes().Event(0, {0x91, 60, 1}).End()});
    bytes[11] = 1;
    const auto l = Load(bytes);
    ASSERT_TRUE(l->ok);
    EXPECT_EQ(l->midi.Events().size(), 1u);
}

// ---- Events within a track ---------------------------------------------------------------

TEST(MidiFileEvents, RunningStatusSurvivesMetaAndSysExAndCountsDataBytesByStatus) {
    const auto l = Load(MakeSmf(0, 96,
                                {TrackBytes()
                                     .Event(0, {0x90, 60, 100})
                                     .Meta(0, 0x06, "Main A")
                                     .Event(0, {62, 90})  // still 90
                                     .SysEx(0, 0xF0, "\x43\x10\xF7")
                                     .Event(0, {64, 80})
                                     .Event(0, {0xC1, 5})
                                     .Event(0, {6})  // one data byte under C1
                                     .Event(0, {0xD2, 7})
                                     .Event(0, {0xE3, 0, 64})
                                     .End()}));
    ASSERT_TRUE(l->ok);
    EXPECT_EQ(Hex(l->midi),
              (std::vector<std::string>{"90 3C 64", "Main A", "90 3E 5A", "", "90 40 50", "C1 05 ",
                                        "C1 06 ", "D2 07 ", "E3 00 40"}));
    EXPECT_EQ(l->midi.Events()[2].message, 0x5A3E90u);
    EXPECT_TRUE(l->midi.Events()[3].IsSysEx());
    EXPECT_EQ(l->midi.Events()[3].type, 0xF0);
    EXPECT_EQ(l->midi.Events()[6].message, 0x06C1u);
}

TEST(MidiFileEvents, WhatCannotBeReadEndsOnlyItsTrack) {
    const std::vector<TrackBytes> broken = {
        TrackBytes().Event(0, {0x90, 60, 1}).Event(0, {0xF3, 1}),         // system common
        TrackBytes().Event(0, {0x90, 60, 1}).Event(0, {0xFE}),            // real-time byte
        TrackBytes().Event(0, {0x90, 60, 1}).Event(0, {0x91, 60}),        // truncated event
        TrackBytes().Event(0, {0x90, 60, 1}).Raw({0x81}),                 // truncated delta
        TrackBytes().Event(0, {0x90, 60, 1}).Raw({0, 0xF0, 0x09, 0x01}),  // length too long
        TrackBytes().Event(0, {0x90, 60, 1}).Raw({0, 0xFF, 0x01, 0x05, 'a'}),
        TrackBytes().Event(0, {0x90, 60, 1}).Event(0, {0xFF, 0x2F}).Event(0, {0x90, 1, 1}),
    };
    for (const TrackBytes& t : broken) {
        const auto l = Load(MakeSmf(1, 96, {t, TrackBytes().Event(3, {0x95, 70, 1}).End()}));
        ASSERT_TRUE(l->ok);
        ASSERT_EQ(l->midi.Events().size(), 2u);
        EXPECT_EQ(l->midi.Events().front().message, 0x013C90u);
        EXPECT_EQ(l->midi.Events().back().message, 0x014695u);  // the next track was read
    }
    // A data byte before any status ends the track at once.
    const auto l = Load(
        MakeSmf(1, 96, {TrackBytes().Event(0, {60, 1}), TrackBytes().Event(0, {0x95, 70, 1})}));
    ASSERT_TRUE(l->ok);
    ASSERT_EQ(l->midi.Events().size(), 1u);
    EXPECT_EQ(l->midi.Events()[0].track, 1);
}

TEST(MidiFileEvents, NoteOffsOfBothSpellingsAreStoredAlikeAndPair) {
    const auto l = Load(MakeSmf(0, 96,
                                {TrackBytes()
                                     .Event(0, {0x92, 60, 100})
                                     .Event(10, {0x82, 60, 64})
                                     .Event(0, {0x92, 62, 100})
                                     .Event(20, {0x92, 62, 0})
                                     .Event(0, {0x92, 64, 100})  // never released
                                     .End()}));
    ASSERT_TRUE(l->ok);
    const auto& ev = l->midi.Events();
    ASSERT_EQ(ev.size(), 5u);
    EXPECT_EQ(ev[1].type, 0x92);
    EXPECT_EQ(ev[1].message, 0x003C92u);
    EXPECT_TRUE(ev[1].IsNoteOff());
    EXPECT_EQ(l->midi.HexText(ev[1]), "82 3C 40");  // as it was in the file
    EXPECT_EQ(ev[0].duration, 10);
    EXPECT_EQ(ev[2].duration, 20);
    EXPECT_TRUE(ev[1].matched);
    EXPECT_TRUE(ev[3].matched);
    EXPECT_EQ(ev[4].duration, 0);
    EXPECT_FALSE(ev[0].matched);
}

TEST(MidiFileEvents, OverlappingNotesOfOnePitchTakeTheFirstFreeNoteOff) {
    // Same channel and note held twice, released twice; other channel's note-off does not
    // count, and an unmatched note-off before any note-on stays unmatched.
    const auto l = Load(MakeSmf(0, 96,
                                {TrackBytes()
                                     .Event(0, {0x90, 60, 0})
                                     .Event(0, {0x90, 60, 100})
                                     .Event(10, {60, 100})
                                     .Event(10, {0x81, 60, 0})
                                     .Event(10, {0x80, 60, 0})
                                     .Event(20, {0x80, 60, 0})
                                     .End()}));
    ASSERT_TRUE(l->ok);
    const auto& ev = l->midi.Events();
    EXPECT_FALSE(ev[0].matched);
    EXPECT_EQ(ev[1].duration, 30);  // 0 -> 30, not the channel-2 note-off at 20
    EXPECT_EQ(ev[2].duration, 40);  // 10 -> 50
    EXPECT_FALSE(ev[3].matched);
    EXPECT_TRUE(ev[4].matched);
    EXPECT_TRUE(ev[5].matched);
}

TEST(MidiFileEvents, NotesArePairedTrackByTrack) {
    // Track 1's note starts first, but track 0's notes are paired first: its note takes the
    // note-off at 10 and track 1's is left the one at 20.
    const auto l = Load(MakeSmf(
        1, 96,
        {TrackBytes().Event(5, {0x90, 60, 100}).Event(5, {0x90, 60, 0}).Event(10, {0x90, 60, 0}),
         TrackBytes().Event(0, {0x90, 60, 100})}));
    ASSERT_TRUE(l->ok);
    const auto& ev = l->midi.Events();
    ASSERT_EQ(Ticks(l->midi), (std::vector<double>{0, 5, 10, 20}));
    EXPECT_EQ(ev[0].track, 1);
    EXPECT_EQ(ev[0].duration, 20);
    EXPECT_EQ(ev[1].duration, 5);
}

TEST(MidiFileEvents, InformationTextLabelsTheKnownTextsWithTheirTrack) {
    const auto l = Load(MakeSmf(
        1, 96,
        {TrackBytes().Meta(0, 0x02, "(c) us").End(), TrackBytes()
                                                         .Meta(0, 0x03, "Bass")
                                                         .Meta(0, 0x01, "hello")
                                                         .Meta(0, 0x04, "Piano")
                                                         .Meta(0, 0x06, "Sint")
                                                         .Meta(0, 0x7F, std::string("\0\x01", 2))
                                                         .Tempo(0, 500000)
                                                         .TimeSignature(0, 4, 2)
                                                         .End()}));
    ASSERT_TRUE(l->ok);
    EXPECT_EQ(l->midi.InformationText(),
              std::string("File format: 1  \nTrack count: 2  \nTime division: 96\n"
                          "Copyright:(c) us\nTrack 1 name:Bass\nTrack 1 comment:hello\n"
                          "Instrument:Piano\nSint\n") +
                  std::string("\0\x01\n", 3));
    EXPECT_EQ(l->midi.MetaData(l->midi.Events()[4]), "Sint");
    EXPECT_TRUE(l->midi.Events()[4].IsMeta(kMidiMetaMarker));
}

// ---- Tempo and time-signature maps, positions --------------------------------------------

TEST(MidiFileMaps, ATempoBeforeTheFirstTimeSignatureEntersAtItsTick) {
    const auto l = Load(MakeSmf(0, 96,
                                {TrackBytes()
                                     .Tempo(0, 600000)
                                     .TimeSignature(100, 3, 2)
                                     .Tempo(50, 700000)
                                     .TimeSignature(50, 6, 3)
                                     .End()}));
    ASSERT_TRUE(l->ok);
    EXPECT_EQ(l->midi.TempoMap(), (std::vector<MidiTempoEntry>{{100, 100}, {86, 150}, {86, 200}}));
    EXPECT_EQ(l->midi.TimeSignatureMap(),
              (std::vector<MidiTimeSignatureEntry>{{4, 3, 100}, {8, 6, 200}}));
    EXPECT_EQ(l->midi.CurrentTempo(), 700000u);
    EXPECT_EQ(l->midi.CurrentBpm(), 86);
    EXPECT_EQ(l->midi.CurrentNumerator(), 6u);
    EXPECT_EQ(l->midi.CurrentDenominator(), 8u);
    EXPECT_EQ(l->midi.Events()[0].message, 600000u);
}

TEST(MidiFileMaps, WithoutATimeSignatureTheTempoMapIsEmptyAndPositionsAreZero) {
    const auto l =
        Load(MakeSmf(0, 96, {TrackBytes().Tempo(0, 500000).Event(400, {0x90, 60, 1}).End()}));
    ASSERT_TRUE(l->ok);
    EXPECT_TRUE(l->midi.TempoMap().empty());
    EXPECT_EQ(l->midi.CurrentTempo(), 500000u);
    EXPECT_EQ(l->midi.CurrentBpm(), 0);
    for (const MidiEvent& e : l->midi.Events()) {
        EXPECT_EQ(l->midi.PositionText(e), "0:00:000");
    }
}

TEST(MidiFileMaps, PositionsCountBarsBeatsAndTicks) {
    const auto l = Load(MakeSmf(0, 96,
                                {TrackBytes()
                                     .TimeSignature(0, 4, 2)
                                     .Event(0, {0x90, 60, 1})
                                     .Event(95, {0x90, 60, 1})
                                     .Event(289, {0x90, 60, 1})
                                     .Event(767, {0x90, 60, 1})
                                     .TimeSignature(0, 6, 3)
                                     .Event(47, {0x90, 60, 1})
                                     .End()}));
    ASSERT_TRUE(l->ok);
    std::vector<std::string> positions;
    for (const MidiEvent& e : l->midi.Events()) {
        positions.push_back(l->midi.PositionText(e));
    }
    // 6/8 counts eighths (48 ticks) in bars of 288, from its own event on.
    EXPECT_EQ(positions, (std::vector<std::string>{"1:01:000", "1:01:000", "1:01:095", "2:01:000",
                                                   "3:04:095", "4:06:047", "5:01:046"}));
    EXPECT_EQ(FormatMidiPosition(384, 4, 4, 96), "2:01:000");
    // A beat number that does not have two digits gets one "0" in front, whatever its width.
    EXPECT_EQ(FormatMidiPosition(99 * 96 + 5, 200, 4, 96), "1:0100:005");
    EXPECT_EQ(FormatMidiPosition(11 * 96, 12, 4, 96), "1:12:000");
    EXPECT_EQ(FormatMidiPosition(1000000, 4, 4, 96), "2605:01:064");
}

TEST(MidiFileMaps, PositionsUseTheSignatureInForceWhenTheEventWasRead) {
    // Track 1 is read after track 0 ended in 3/4, so all its events count in 3/4, even the
    // one at tick 0 that lies before the 3/4 in the merged list.
    const auto l = Load(MakeSmf(1, 96,
                                {TrackBytes().TimeSignature(0, 4, 2).TimeSignature(768, 3, 2),
                                 TrackBytes().Event(0, {0x90, 60, 1}).Event(384, {0x90, 60, 1})}));
    ASSERT_TRUE(l->ok);
    const auto& ev = l->midi.Events();
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_EQ(ev[1].track, 1);
    EXPECT_EQ(l->midi.PositionText(ev[1]), "1:01:000");
    EXPECT_EQ(ev[1].timeSignature, 1u);
    EXPECT_EQ(l->midi.PositionText(ev[2]), "2:02:000");  // 384 in 3/4
}

// ---- Times, deltas and the merged order ----------------------------------------------------

TEST(MidiFileTiming, TimesFollowTheTempoEventsMetInTheList) {
    const auto l = Load(MakeSmf(1, 96,
                                {TrackBytes()
                                     .Event(96, {0x90, 60, 1})  // 120 bpm: 500 ms
                                     .Tempo(96, 250000)         // 192: new rate at once
                                     .Event(96, {0x90, 60, 1}),
                                 TrackBytes()
                                     .Event(96, {0x91, 60, 1})       // before any tempo
                                     .Event(192, {0x91, 60, 1})}));  // after it
    ASSERT_TRUE(l->ok);
    const auto& ev = l->midi.Events();
    ASSERT_EQ(Ticks(l->midi), (std::vector<double>{96, 96, 192, 288, 288}));
    EXPECT_EQ(ev[0].track, 0);
    EXPECT_DOUBLE_EQ(ev[0].time, 500);
    // Track 1 before any tempo runs at the rate its previous walk ended with: the last tempo.
    EXPECT_DOUBLE_EQ(ev[1].time, 250);
    EXPECT_DOUBLE_EQ(ev[2].time, 750);
    EXPECT_EQ(ev[3].track, 0);
    EXPECT_DOUBLE_EQ(ev[3].time, 1000);
    EXPECT_DOUBLE_EQ(ev[4].time, 250 + 192 * 250000 / 96000.0);
    EXPECT_EQ(ev[4].delta, 192u);
    EXPECT_EQ(ev[3].delta, 96u);
    EXPECT_EQ(ev[0].delta, 96u);
    EXPECT_DOUBLE_EQ(l->midi.LongestTime(), 1000);
    EXPECT_EQ(l->midi.LongestTick(), 288);
}

TEST(MidiFileTiming, EqualTicksMergeBehindTheLowestTracksFirstEvent) {
    const auto track = [](uint8_t channel,
                          std::initializer_list<std::pair<uint32_t, uint8_t>> notes) {
        TrackBytes t;
        for (const auto& [delta, n] : notes) {
            t.Event(delta, {static_cast<uint8_t>(0x90 | channel), n, 1});
        }
        return t;
    };
    const auto l = Load(MakeSmf(1, 96,
                                {track(0, {{0, 1}, {0, 2}}), track(1, {{0, 3}, {0, 4}}),
                                 track(2, {{0, 5}, {7, 6}}), track(3, {{7, 7}})}));
    ASSERT_TRUE(l->ok);
    std::vector<int> notes;
    for (const MidiEvent& e : l->midi.Events()) {
        notes.push_back(e.Data1());
    }
    EXPECT_EQ(notes, (std::vector<int>{1, 5, 3, 4, 2, 6, 7}));
}

// ---- Loading from disk and the object's life -------------------------------------------------

TEST(MidiFileLoad, ReadsAFileRecordsItsPathAndReplacesThePreviousOne) {
    test::TempDir dir;
    const auto first = dir / "a.mid";
    const auto second = dir / "b.mid";
    test::WriteFile(
        first,
        test::AsView(MakeSmf(
            0, 96,
            {TrackBytes().TimeSignature(0, 4, 2).Tempo(0, 500000).Event(0, {0x90, 60, 1}).End()})));
    test::WriteFile(second, test::AsView(MakeSmf(0, 48, {TrackBytes().End()})));
    test::WriteFile(dir / "empty.mid", "");

    MidiFile midi;
    RecordingReporter reporter;
    ASSERT_TRUE(midi.load(first, reporter));
    EXPECT_EQ(midi.FilePath(), first.string());
    EXPECT_EQ(midi.Events().size(), 3u);
    ASSERT_TRUE(midi.load(second, reporter));
    EXPECT_EQ(midi.FilePath(), second.string());
    EXPECT_TRUE(midi.Events().empty());
    EXPECT_TRUE(midi.TempoMap().empty());
    EXPECT_EQ(midi.CurrentTempo(), 0u);
    EXPECT_EQ(midi.Division(), 48);

    EXPECT_FALSE(midi.load(dir / "missing.mid", reporter));
    EXPECT_EQ(midi.LastError(), "Cannot open the file");
    EXPECT_FALSE(midi.Loaded());
    EXPECT_TRUE(midi.FilePath().empty());
    EXPECT_FALSE(midi.load(dir / "empty.mid", reporter));
    EXPECT_EQ(midi.LastError(), "The file is empty");
    EXPECT_FALSE(midi.load(dir.Path(), reporter));  // a folder
    EXPECT_TRUE(reporter.Empty());

    ASSERT_TRUE(midi.load(first, reporter));
    midi.clear();
    EXPECT_FALSE(midi.Loaded());
    EXPECT_TRUE(midi.Events().empty());
    EXPECT_TRUE(midi.FilePath().empty());
    EXPECT_TRUE(midi.InformationText().empty());
    EXPECT_EQ(midi.Division(), 0);
}

TEST(MidiFileLoad, MoveEventKeepsTheOthersInOrder) {
    const auto l = Load(MakeSmf(0, 96,
                                {TrackBytes()
                                     .Event(0, {0x90, 1, 1})
                                     .Event(0, {0x90, 2, 1})
                                     .Event(0, {0x90, 3, 1})
                                     .Event(0, {0x90, 4, 1})}));
    ASSERT_TRUE(l->ok);
    const auto notes = [&] {
        std::vector<int> out;
        for (const MidiEvent& e : l->midi.Events()) {
            out.push_back(e.Data1());
        }
        return out;
    };
    l->midi.MoveEvent(3, 1);
    EXPECT_EQ(notes(), (std::vector<int>{1, 4, 2, 3}));
    l->midi.MoveEvent(0, 3);
    EXPECT_EQ(notes(), (std::vector<int>{4, 2, 3, 1}));
    l->midi.MoveEvent(0, 9);  // out of range: nothing
    EXPECT_EQ(notes(), (std::vector<int>{4, 2, 3, 1}));
}

}  // namespace
}  // namespace veltrano
