// Damaged and hostile files: lengths that point past the end, absurd quantities and values
// that would divide by zero; the reader refuses or reads what is there, and never leaves a
// half-read model behind.
#include <gtest/gtest.h>

#include <chrono>

#include "MidiTestFiles.h"
#include "base/Reporter.h"
#include "style/MidiFile.h"

namespace veltrano {
namespace {

using test::MakeSmf;
using test::TrackBytes;

struct Result {
    MidiFile midi;
    bool ok = false;
};

std::unique_ptr<Result> Load(const Bytes& bytes) {
    auto r = std::make_unique<Result>();
    RecordingReporter reporter;
    r->ok = r->midi.LoadBytes(bytes, reporter);
    EXPECT_TRUE(reporter.Empty());
    return r;
}

Bytes WithChunkLength(Bytes file, size_t chunkAt, uint32_t length) {
    for (int i = 0; i < 4; ++i) {
        file[chunkAt + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (24 - 8 * i));
    }
    return file;
}

TEST(MidiFileHostile, LengthsPastTheEndEndTheTrackOrTheFile) {
    // The last chunk claims 4 GiB: its events are read as far as the file goes.
    const Bytes last = WithChunkLength(
        MakeSmf(0, 96, {TrackBytes().Event(0, {0x90, 60, 1}).Event(4, {0x90, 60, 0})}), 14,
        0xFFFFFFFF);
    auto r = Load(last);
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(r->midi.Events().size(), 2u);
    EXPECT_EQ(r->midi.Events()[0].duration, 4);

    // A first chunk that claims more than there is hides the second chunk's header.
    const Bytes two = WithChunkLength(
        MakeSmf(1, 96, {TrackBytes().Event(0, {0x90, 60, 1}), TrackBytes().Event(0, {0x90})}), 14,
        0x7FFFFFFF);
    r = Load(two);
    EXPECT_FALSE(r->ok);
    EXPECT_NE(r->midi.LastError().find("Track 1: no MTrk"), std::string::npos);

    // Meta and system-exclusive lengths of 256 MiB inside a small track.
    for (const TrackBytes& t :
         {TrackBytes().Event(0, {0x90, 1, 1}).Raw({0, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}),
          TrackBytes().Event(0, {0x90, 1, 1}).Raw({0, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2}),
          TrackBytes().Event(0, {0x90, 1, 1}).Raw({0, 0xF7, 0x80, 0x80, 0x80, 0x80, 0x01})}) {
        r = Load(MakeSmf(0, 96, {t}));
        ASSERT_TRUE(r->ok);
        EXPECT_EQ(r->midi.Events().size(), 1u);
    }
    // 65535 tracks announced, one there.
    Bytes announced = MakeSmf(1, 96, {TrackBytes().End()});
    announced[10] = 0xFF;
    announced[11] = 0xFF;
    r = Load(announced);
    EXPECT_FALSE(r->ok);
    EXPECT_EQ(r->midi.TrackCount(), 0);
}

TEST(MidiFileHostile, TracksStoppedByARefusedByteAreRecorded) {
    // Track 1 ends normally, track 2 at a system-common byte, track 3 at a data byte with no
    // status to run on, track 4 runs out of bytes (no end-of-track, nothing refused).
    const Bytes file = MakeSmf(
        1, 96,
        {TrackBytes().Event(0, {0x90, 60, 1}).End(),
         TrackBytes().Event(0, {0x91, 60, 1}).Event(200, {0x81, 60, 0}).Raw({0x10, 0xF4, 1}),
         TrackBytes().Raw({0x00, 0x40, 0x40}), TrackBytes().Event(0, {0x92, 60, 1})});
    auto r = Load(file);
    ASSERT_TRUE(r->ok);
    const std::vector<MidiTrackEarlyEnd>& ends = r->midi.EarlyEnds();
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0].track, 1);
    EXPECT_EQ(ends[0].tick, 216);
    EXPECT_EQ(file[ends[0].offset], 0xF4);
    EXPECT_EQ(ends[1].track, 2);
    EXPECT_EQ(ends[1].tick, 0);
    EXPECT_EQ(file[ends[1].offset], 0x40);
    // The events before the stop are kept.
    EXPECT_EQ(r->midi.Events().size(), 4u);
}

TEST(MidiFileHostile, QuantitiesLongerThanFourBytesAreNotRead) {
    auto r = Load(MakeSmf(0, 96, {TrackBytes().Raw({0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1})}));
    EXPECT_FALSE(r->ok);
    EXPECT_NE(r->midi.LastError().find("first delta-time"), std::string::npos);
    r = Load(MakeSmf(
        0, 96,
        {TrackBytes().Event(0, {0x90, 60, 1}).Raw({0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 0})}));
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(r->midi.Events().size(), 1u);
    // The longest valid deltas add up without loss.
    TrackBytes far;
    for (int i = 0; i < 100; ++i) {
        far.Event(0x0FFFFFFF, {0x90, 60, 1});
    }
    r = Load(MakeSmf(0, 1, {far}));
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(r->midi.Events().back().tick, 100.0 * 0x0FFFFFFF);
    EXPECT_EQ(r->midi.Events().back().delta, 0x0FFFFFFFu);
}

TEST(MidiFileHostile, ValuesThatWouldDivideByZeroAreKeptOutOfTheMaps) {
    EXPECT_FALSE(Load(MakeSmf(0, 0, {TrackBytes().Event(0, {0x90, 60, 1})}))->ok);
    EXPECT_EQ(Load(MakeSmf(0, 0, {}))->midi.LastError(), "The time division of the MIDI file is 0");

    auto r = Load(MakeSmf(0, 96,
                          {TrackBytes()
                               .TimeSignature(0, 4, 2)
                               .Tempo(0, 0)                       // no tempo
                               .Meta(0, 0x51, std::string(2, 1))  // too short
                               .Meta(0, 0x58, "\x04")             // too short
                               .TimeSignature(0, 4, 31)           // 2^31
                               .TimeSignature(0, 4, 255)
                               .Event(100, {0x90, 60, 1})
                               .End()}));
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(r->midi.TimeSignatureMap().size(), 1u);
    EXPECT_TRUE(r->midi.TempoMap().empty());
    EXPECT_EQ(r->midi.CurrentTempo(), 0u);
    EXPECT_EQ(r->midi.Events()[1].message, 0u);
    EXPECT_EQ(r->midi.Events()[1].type, kMidiMetaTempo);
    EXPECT_DOUBLE_EQ(r->midi.Events().back().time, 100 * 500000 / 96000.0);
    EXPECT_EQ(r->midi.PositionText(r->midi.Events().back()), "1:02:004");

    // A numerator of 0, or a beat shorter than a tick, has no bars: positions stay at zero
    // rather than searching for a bar forever.
    for (const auto& [division, numerator, power] :
         {std::tuple{96, 0, 2}, std::tuple{1, 4, 3}, std::tuple{3, 1, 5}}) {
        r = Load(MakeSmf(
            0, static_cast<uint16_t>(division),
            {TrackBytes()
                 .TimeSignature(0, static_cast<uint8_t>(numerator), static_cast<uint8_t>(power))
                 .Event(5000, {0x90, 60, 1})}));
        ASSERT_TRUE(r->ok);
        EXPECT_EQ(r->midi.PositionText(r->midi.Events().back()), "0:00:000");
    }
}

TEST(MidiFileHostile, MetaTypesThatLookLikeStatusesAreNotNotes) {
    auto r = Load(MakeSmf(0, 96,
                          {TrackBytes()
                               .Event(0, {0x90, 60, 1})
                               .Meta(5, 0x90, std::string("\x3C\x00", 2))
                               .Meta(0, 0x90, "")
                               .Event(5, {0x90, 60, 0})}));
    ASSERT_TRUE(r->ok);
    const auto& ev = r->midi.Events();
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_FALSE(ev[1].IsNoteOff());
    EXPECT_FALSE(ev[1].matched);
    EXPECT_EQ(ev[1].type, 0x90);
    EXPECT_EQ(ev[0].duration, 10);
    EXPECT_TRUE(ev[3].matched);
}

TEST(MidiFileHostile, AFailedLoadAfterAGoodOneLeavesNothingBehind) {
    MidiFile midi;
    RecordingReporter reporter;
    ASSERT_TRUE(midi.LoadBytes(
        MakeSmf(0, 96, {TrackBytes().TimeSignature(0, 4, 2).Tempo(0, 500000).Meta(0, 1, "x")}),
        reporter));
    Bytes bad =
        MakeSmf(1, 96, {TrackBytes().TimeSignature(0, 4, 2).Tempo(0, 500000).Meta(0, 1, "x")});
    bad[11] = 2;
    EXPECT_FALSE(midi.LoadBytes(bad, reporter));
    EXPECT_TRUE(midi.Events().empty());
    EXPECT_TRUE(midi.TempoMap().empty());
    EXPECT_TRUE(midi.TimeSignatureMap().empty());
    EXPECT_TRUE(midi.InformationText().empty());
    EXPECT_EQ(midi.CurrentTempo(), 0u);
    EXPECT_EQ(midi.Format(), 0);
    EXPECT_FALSE(midi.Loaded());
    EXPECT_FALSE(midi.LastError().empty());
    EXPECT_FALSE(midi.LoadBytes({}, reporter));
    EXPECT_EQ(midi.LastError(), "The file is empty");
}

TEST(MidiFileHostile, NotesReleasedLongAfterTheyStartCostLinearTime) {
    // 100,000 note-ons of one pitch, then their 100,000 note-offs: a forward search per note
    // would compare 5e9 pairs.
    TrackBytes body;
    for (int i = 0; i < 100000; ++i) {
        body.Event(1, {0x90, 60, 100});
    }
    for (int i = 0; i < 100000; ++i) {
        body.Event(1, {0x90, 60, 0});
    }
    const auto start = std::chrono::steady_clock::now();
    auto r = Load(MakeSmf(0, 96, {body}));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(r->ok);
    const auto& ev = r->midi.Events();
    ASSERT_EQ(ev.size(), 200000u);
    // First in, first out: every note lasts exactly 100,000 ticks.
    EXPECT_EQ(ev[0].duration, 100000);
    EXPECT_EQ(ev[99999].duration, 100000);
    EXPECT_TRUE(ev[199999].matched);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 20);
}

}  // namespace
}  // namespace veltrano
