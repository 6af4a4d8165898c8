// The reader's linear merge, timing and pairing against the plain walk over a linked list, on
// many random files: the same events in the same order with the same fields, the same maps and
// texts, and the same verdict on damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "MidiReferenceCompare.h"
#include "MidiTestFiles.h"
#include "base/Reporter.h"

namespace veltrano {
namespace {

using test::DifferenceFromReference;
using test::MakeSmf;
using test::RandomSmf;
using test::ReferenceWalk;
using test::TrackBytes;

constexpr uint32_t kRandomFiles = 4000;

std::string Check(const Bytes& bytes) {
    MidiFile midi;
    SilentReporter reporter;
    const bool ok = midi.LoadBytes(bytes, reporter);
    return DifferenceFromReference(midi, ok, ReferenceWalk::Read(bytes.data(), bytes.size()));
}

TEST(MidiFileEquivalence, RandomFilesGiveTheSameListAsTheReferenceWalk) {
    // What the random files must have covered for the comparison to mean something.
    size_t loaded = 0;
    size_t refused = 0;
    size_t crossTrackTies = 0;
    size_t crossTrackPairs = 0;
    size_t pairedNotes = 0;
    for (uint32_t seed = 1; seed <= kRandomFiles; ++seed) {
        const Bytes bytes = RandomSmf(seed);
        const std::string difference = Check(bytes);
        ASSERT_EQ(difference, "") << "seed " << seed;

        MidiFile midi;
        SilentReporter reporter;
        if (!midi.LoadBytes(bytes, reporter)) {
            ++refused;
            continue;
        }
        ++loaded;
        const auto& ev = midi.Events();
        for (size_t i = 1; i < ev.size(); ++i) {
            crossTrackTies += ev[i].tick == ev[i - 1].tick && ev[i].track != ev[i - 1].track;
        }
        for (size_t i = 0; i < ev.size(); ++i) {
            if (!ev[i].IsNoteOn() || ev[i].duration == 0) {
                continue;
            }
            ++pairedNotes;
            // Find its note-off the slow way, only to count pairs that cross tracks.
            for (size_t j = i + 1; j < ev.size(); ++j) {
                if (ev[j].IsNoteOff() && ev[j].Status() == ev[i].Status() &&
                    ev[j].Data1() == ev[i].Data1() && ev[j].tick - ev[i].tick == ev[i].duration) {
                    crossTrackPairs += ev[j].track != ev[i].track;
                    break;
                }
            }
        }
    }
    EXPECT_GT(loaded, kRandomFiles / 2);
    EXPECT_GT(refused, 50u);
    EXPECT_GT(crossTrackTies, 5000u);
    EXPECT_GT(crossTrackPairs, 500u);
    EXPECT_GT(pairedNotes, 20000u);
}

TEST(MidiFileEquivalence, EveryPrefixAndEveryByteOfADenseFileAgree) {
    const Bytes bytes = RandomSmf(77, false);
    ASSERT_GT(bytes.size(), 200u);
    for (size_t n = 0; n <= bytes.size(); ++n) {
        ASSERT_EQ(Check(Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n))), "")
            << "prefix " << n;
    }
    const size_t stride = std::max<size_t>(1, bytes.size() / 64);
    for (size_t at = 0; at < bytes.size(); at += stride) {
        for (int value = 0; value < 256; value += 3) {
            Bytes changed = bytes;
            changed[at] = static_cast<uint8_t>(value);
            ASSERT_EQ(Check(changed), "") << "byte " << at << " = " << value;
        }
    }
}

TEST(MidiFileEquivalence, ManyTracksAndLongHeldNotesAgree) {
    // 40 tracks on one channel, each holding the same pitch several times across the others'
    // events: every note-on has many candidates and the order of the passes decides.
    std::vector<Bytes> tracks;
    for (int t = 0; t < 40; ++t) {
        TrackBytes body;
        for (int i = 0; i < 12; ++i) {
            body.Event(static_cast<uint32_t>((t * 7 + i * 5) % 4), {0x90, 60, 90});
        }
        for (int i = 0; i < 12; ++i) {
            body.Event(static_cast<uint32_t>(i % 3), {0x80, 60, 0});
        }
        tracks.push_back(body.Data());
    }
    ASSERT_EQ(Check(MakeSmf(1, 96, tracks)), "");
    // Beyond 256 tracks the track index must not wrap.
    std::vector<Bytes> many(300,
                            TrackBytes().Event(0, {0x90, 61, 1}).Event(1, {0x90, 61, 0}).Data());
    const Bytes wide = MakeSmf(1, 96, many);
    ASSERT_EQ(Check(wide), "");
    MidiFile midi;
    SilentReporter reporter;
    ASSERT_TRUE(midi.LoadBytes(wide, reporter));
    std::set<int> seen;
    for (const MidiEvent& e : midi.Events()) {
        seen.insert(e.track);
    }
    EXPECT_EQ(seen.size(), 300u);
    EXPECT_EQ(*seen.rbegin(), 299);
}

}  // namespace
}  // namespace veltrano
