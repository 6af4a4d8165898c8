#include "arp/ArpEngine.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "arp/NoteOutput.h"

namespace veltrano {
namespace {

// What the engine sent, with the tick it was sent on.
class Recorder : public NoteOutput {
public:
    bool SendShort(uint32_t message) override {
        sent.push_back({tick, static_cast<uint8_t>(message & 0xFF),
                        static_cast<uint8_t>((message >> 8) & 0x7F),
                        static_cast<uint8_t>((message >> 16) & 0x7F)});
        return true;
    }
    struct Message {
        int tick;
        uint8_t status;
        uint8_t note;
        uint8_t velocity;
    };
    std::vector<Message> NoteOns() const {
        std::vector<Message> ons;
        for (const Message& m : sent) {
            if (m.velocity > 0) {
                ons.push_back(m);
            }
        }
        return ons;
    }
    std::vector<Message> sent;
    int tick = 0;
};

ArpStep Step(uint16_t mask, uint8_t gate = 100, uint8_t velocity = 100, int8_t pitch = 0) {
    ArpStep s;
    s.noteMask = mask;
    s.gate = gate;
    s.velocity = velocity;
    s.pitch = pitch;
    return s;
}

class ArpEngineTest : public ::testing::Test {
protected:
    ArpEngineTest() : engine_(out_, 7) {}

    void Run(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            ++out_.tick;
            engine_.Tick();
        }
    }
    // Loads the pattern and starts; keys are fed as the preview feeds them.
    void Start(const std::vector<ArpStep>& steps, std::initializer_list<int> keys = {},
               int velocity = 100) {
        ASSERT_TRUE(engine_.LoadPattern(steps));
        engine_.ArpCommand(ArpEngine::kStartStop, 1);
        for (int k : keys) {
            engine_.ArpCommand(ArpEngine::kFeedKey, k, velocity);
        }
    }
    std::vector<int> NotesOfStep(int step, int ticksPerStep) {
        // Step n sounds at tick 1 + (n + 1) * ticksPerStep after start with the keys fed after
        // it: the first key restarts the cycle at once (key sync), so step 0 is at tick 1.
        std::vector<int> notes;
        for (const auto& m : out_.NoteOns()) {
            if (m.tick == 1 + step * ticksPerStep) {
                notes.push_back(m.note);
            }
        }
        return notes;
    }

    Recorder out_;
    ArpEngine engine_;
};

TEST_F(ArpEngineTest, CreationDefaultsAndResolutions) {
    EXPECT_EQ(engine_.TicksPerStep(), 192);  // index 5, "1/4"
    const int expected[] = {16, 48, 32, 96, 64, 192};
    for (int index = 0; index < 6; ++index) {
        engine_.ArpCommand(ArpEngine::kResolution, index);
        Run(1);
        EXPECT_EQ(engine_.TicksPerStep(), expected[index]);
    }
    engine_.ArpCommand(ArpEngine::kResolution, 6);  // out of range: kept
    Run(1);
    EXPECT_EQ(engine_.TicksPerStep(), 192);
    EXPECT_FALSE(engine_.Running());
    EXPECT_TRUE(out_.sent.empty());
}

TEST_F(ArpEngineTest, SixteenthsWithAHalfGateSoundTwentyFourTicks) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);  // "1/16": 48 ticks per step
    Start({Step(0x1, 50)}, {60});
    Run(200);
    ASSERT_GE(out_.sent.size(), 4u);
    EXPECT_EQ(out_.sent[0].note, 60);
    EXPECT_EQ(out_.sent[0].velocity, 100);
    EXPECT_EQ(out_.sent[0].status, 0x90);
    EXPECT_EQ(out_.sent[1].velocity, 0);  // note-offs are note-ons with velocity 0
    EXPECT_EQ(out_.sent[1].status, 0x90);
    EXPECT_EQ(out_.sent[1].tick - out_.sent[0].tick, 24);
    EXPECT_EQ(out_.sent[2].tick - out_.sent[0].tick, 48);
}

TEST_F(ArpEngineTest, TheFirstStepComesAfterOneStepWithoutKeySync) {
    engine_.ArpCommand(ArpEngine::kKeySync, 0);
    engine_.ArpCommand(ArpEngine::kResolution, 4);  // 64 ticks
    Start({Step(0x1)}, {60});
    Run(64);
    EXPECT_TRUE(out_.sent.empty());
    Run(1);
    ASSERT_EQ(out_.sent.size(), 1u);
    EXPECT_EQ(out_.sent[0].tick, 65);
}

TEST_F(ArpEngineTest, OnlyTwelveKeysEnter) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    Start({Step(0x0FFF)}, {48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67, 69});
    Run(2);
    EXPECT_EQ(engine_.HeldCount(), 12);
    const auto notes = NotesOfStep(0, 48);
    EXPECT_EQ(notes.size(), 12u);
    EXPECT_EQ(std::count(notes.begin(), notes.end(), 69), 0);
}

TEST_F(ArpEngineTest, OctaveStepping) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kKeySync, 0);
    engine_.ArpCommand(ArpEngine::kRange, 3);
    Start({Step(0x1)}, {60});
    Run(48 * 5 + 1);
    std::vector<int> notes;
    for (const auto& m : out_.NoteOns()) {
        notes.push_back(m.note);
    }
    // The stepping also runs at the start: +12, +24, +0, +12, ...
    EXPECT_EQ(notes, (std::vector<int>{72, 84, 60, 72, 84}));
}

TEST_F(ArpEngineTest, BothPlaysEveryOctaveOfTheRangeAtOnce) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kType, 3);
    engine_.ArpCommand(ArpEngine::kRange, 3);
    Start({Step(0x1)}, {60});
    Run(48 * 2 + 2);
    EXPECT_EQ(NotesOfStep(0, 48), (std::vector<int>{60, 72, 84}));
    EXPECT_EQ(NotesOfStep(1, 48), (std::vector<int>{60, 72, 84}));
}

TEST_F(ArpEngineTest, DownAndUpDownTypes) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kKeySync, 0);
    engine_.ArpCommand(ArpEngine::kRange, 3);
    engine_.ArpCommand(ArpEngine::kType, 1);
    Start({Step(0x1)}, {60});
    Run(48 * 4 + 1);
    std::vector<int> notes;
    for (const auto& m : out_.NoteOns()) {
        notes.push_back(m.note);
    }
    EXPECT_EQ(notes, (std::vector<int>{84, 72, 60, 84}));
}

TEST_F(ArpEngineTest, VelocityFunctions) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kVelocityFunction, ArpEngine::kStepVelocity);
    Start({Step(0x1, 50, 0), Step(0x1, 50, 33)}, {60}, 90);
    Run(48 * 2 + 2);
    const auto ons = out_.NoteOns();
    ASSERT_GE(ons.size(), 2u);
    EXPECT_EQ(ons[0].velocity, 90);  // step velocity 0: the key's
    EXPECT_EQ(ons[1].velocity, 33);
    engine_.ArpCommand(ArpEngine::kVelocityFunction, 77);  // a fixed value
    Run(48 * 2);
    EXPECT_EQ(out_.NoteOns().back().velocity, 77);
}

TEST_F(ArpEngineTest, StepGateTiesAndLegato) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kGateFunction, 0);  // step gate
    Start({Step(0x1, 0x83), Step(0x2, 101), Step(0x0), Step(0x0)}, {60, 64});
    Run(48 * 3 + 2);
    // The tie sounds three steps; the legato note stays until the engine stops.
    const auto& sent = out_.sent;
    auto offOf = [&](int note) {
        for (const auto& m : sent) {
            if (m.note == note && m.velocity == 0) {
                return m.tick;
            }
        }
        return -1;
    };
    EXPECT_EQ(offOf(60), 1 + 3 * 48);
    EXPECT_EQ(offOf(64), -1);
    engine_.ArpCommand(ArpEngine::kStartStop, 0);
    Run(1);
    EXPECT_NE(offOf(64), -1);
    EXPECT_EQ(engine_.SoundingCount(), 0);

    // Under the percent gate a tie or legato byte is a raw tick count.
    Recorder other;
    ArpEngine percent(other);
    ASSERT_TRUE(percent.LoadPattern({Step(0x1, 0x83)}));
    percent.ArpCommand(ArpEngine::kResolution, 1);
    percent.ArpCommand(ArpEngine::kStartStop, 1);
    percent.ArpCommand(ArpEngine::kFeedKey, 60, 100);
    for (int i = 0; i < 200; ++i) {
        ++other.tick;
        percent.Tick();
    }
    ASSERT_GE(other.sent.size(), 2u);
    // Switched off early by the next cycle's first step (48 ticks), not after 131.
    EXPECT_EQ(other.sent[1].tick - other.sent[0].tick, 48);
}

TEST_F(ArpEngineTest, RestStepsWhenTheLengthExceedsTheFile) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kKeySync, 0);
    ASSERT_TRUE(engine_.LoadPattern({Step(0x1), Step(0x1)}));
    engine_.ArpCommand(ArpEngine::kLength, 4);
    engine_.ArpCommand(ArpEngine::kStartStop, 1);
    engine_.ArpCommand(ArpEngine::kFeedKey, 60, 100);
    Run(48 * 8 + 1);
    std::vector<int> ticks;
    for (const auto& m : out_.NoteOns()) {
        ticks.push_back(m.tick);
    }
    // The length command leaves two rest steps at once, so the first cycle begins with them:
    // rest, rest, two steps, rest, rest, two steps.
    EXPECT_EQ(ticks, (std::vector<int>{145, 193, 337, 385}));
}

TEST_F(ArpEngineTest, KeySyncRestartsOnTheFirstKey) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    ASSERT_TRUE(engine_.LoadPattern({Step(0x1), Step(0x1, 100, 100, 7)}));
    engine_.ArpCommand(ArpEngine::kStartStop, 1);
    Run(30);
    engine_.ArpCommand(ArpEngine::kNoteInput, 60, 100);
    Run(1);
    ASSERT_EQ(out_.NoteOns().size(), 1u);
    EXPECT_EQ(out_.NoteOns()[0].tick, 31);  // at once, from the first step
    EXPECT_EQ(out_.NoteOns()[0].note, 60);
    engine_.ArpCommand(ArpEngine::kNoteInput, 64, 100);  // a second key does not restart
    Run(48);
    EXPECT_EQ(out_.NoteOns().back().tick, 31 + 48);
    EXPECT_EQ(out_.NoteOns().back().note, 67);  // step 1: pitch +7 on the first key
}

TEST_F(ArpEngineTest, LatchKeepsTheChordUntilANewOneReplacesIt) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kLatch, 1);
    Start({Step(0x7)}, {60, 64, 67});
    engine_.ArpCommand(ArpEngine::kNoteInput, 60, 0);
    engine_.ArpCommand(ArpEngine::kNoteInput, 64, 0);
    Run(2);
    EXPECT_EQ(engine_.HeldCount(), 3);
    engine_.ArpCommand(ArpEngine::kNoteInput, 67, 0);
    engine_.ArpCommand(ArpEngine::kNoteInput, 62, 100);  // all released: a new chord
    Run(1);
    EXPECT_EQ(engine_.HeldCount(), 1);
    engine_.ArpCommand(ArpEngine::kLatch, 0);
    engine_.ArpCommand(ArpEngine::kNoteInput, 62, 0);
    Run(1);
    EXPECT_EQ(engine_.HeldCount(), 0);
}

TEST_F(ArpEngineTest, NoteAndVelocityFiltersApplyToNoteInputOnly) {
    engine_.ArpCommand(ArpEngine::kNoteRange, 0, 50);
    engine_.ArpCommand(ArpEngine::kVelocityRange, 1, 90);
    Start({Step(0x1)}, {40});                            // fed directly: not filtered
    engine_.ArpCommand(ArpEngine::kNoteInput, 45, 100);  // below the range
    engine_.ArpCommand(ArpEngine::kNoteInput, 60, 100);  // too loud
    engine_.ArpCommand(ArpEngine::kNoteInput, 61, 80);
    Run(1);
    EXPECT_EQ(engine_.HeldCount(), 2);
}

TEST_F(ArpEngineTest, SortOrdersThePlayOrderByNote) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kSort, 1);
    Start({Step(0x1), Step(0x2), Step(0x4)}, {67, 60, 64});
    Run(48 * 2 + 2);
    std::vector<int> notes;
    for (const auto& m : out_.NoteOns()) {
        notes.push_back(m.note);
    }
    EXPECT_EQ(notes, (std::vector<int>{60, 64, 67}));
}

// The notes each row of a full step plays with a given number of keys, by replace mode.
std::vector<int> RowsByMode(int mode, std::vector<int> keys, uint32_t seed = 3) {
    Recorder out;
    ArpEngine engine(out, seed);
    engine.ArpCommand(ArpEngine::kResolution, 1);
    engine.ArpCommand(ArpEngine::kReplaceMode, mode);
    (void)engine.LoadPattern({Step(0x0FFF)});
    engine.ArpCommand(ArpEngine::kStartStop, 1);
    for (int k : keys) {
        engine.ArpCommand(ArpEngine::kFeedKey, k, 100);
    }
    engine.Tick();
    engine.Tick();
    std::vector<int> notes;
    for (const auto& m : out.NoteOns()) {
        notes.push_back(m.note);
    }
    return notes;
}

TEST(ArpEngineReplace, EveryModeWithTwoThreeAndTwelveKeys) {
    // As played: rows past the keys stay silent.
    EXPECT_EQ(RowsByMode(0, {60, 64}), (std::vector<int>{60, 64}));
    EXPECT_EQ(RowsByMode(0, {60, 64, 67}), (std::vector<int>{60, 64, 67}));
    // Play fill: the last key pressed fills the rest.
    EXPECT_EQ(RowsByMode(1, {60, 64}),
              (std::vector<int>{60, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64}));
    EXPECT_EQ(RowsByMode(1, {67, 60, 64}),
              (std::vector<int>{67, 60, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64}));
    // Run up: counting on from the last index, wrapping round, r times per row.
    // Run up: row r counts r keys on from where the row before stopped, wrapping round.
    EXPECT_EQ(RowsByMode(2, {60, 64, 67}),
              (std::vector<int>{60, 64, 67, 67, 60, 67, 67, 60, 67, 67, 60, 67}));
    EXPECT_EQ(RowsByMode(2, {60, 64}),
              (std::vector<int>{60, 64, 64, 60, 60, 64, 64, 60, 60, 64, 64, 60}));
    // Up-down: the same walk, turning at both ends.
    const auto upDown = RowsByMode(3, {60, 64, 67});
    ASSERT_EQ(upDown.size(), 12u);
    EXPECT_EQ(std::vector<int>(upDown.begin(), upDown.begin() + 7),
              (std::vector<int>{60, 64, 67, 64, 64, 60, 67}));
    // Random is drawn from a seeded generator: the same seed, the same notes; keys only.
    const auto random1 = RowsByMode(4, {60, 64, 67}, 11);
    EXPECT_EQ(random1, RowsByMode(4, {60, 64, 67}, 11));
    ASSERT_EQ(random1.size(), 12u);
    std::set<int> used(random1.begin() + 3, random1.end());
    for (int n : used) {
        EXPECT_TRUE(n == 60 || n == 64 || n == 67) << n;
    }
    // With twelve keys every row has its own key in every mode.
    const std::vector<int> twelve{48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67};
    for (int mode = 0; mode <= 4; ++mode) {
        EXPECT_EQ(RowsByMode(mode, twelve), twelve) << mode;
    }
    // A single key plays every row in every mode but As played.
    for (int mode = 1; mode <= 4; ++mode) {
        EXPECT_EQ(RowsByMode(mode, {60}), std::vector<int>(12, 60)) << mode;
    }
}

TEST(ArpEngineReplace, FixedNotesAndTriggerAll) {
    Recorder out;
    ArpEngine engine(out);
    engine.ArpCommand(ArpEngine::kResolution, 1);
    engine.ArpCommand(ArpEngine::kFixedNoteMode, 1);
    engine.ArpCommand(ArpEngine::kTriggerMode, 1);
    (void)engine.LoadPattern({Step(0x0007)});
    engine.ArpCommand(ArpEngine::kStartStop, 1);
    engine.ArpCommand(ArpEngine::kFeedKey, 50, 90);
    engine.Tick();
    engine.Tick();
    std::vector<int> notes;
    for (const auto& m : out.NoteOns()) {
        notes.push_back(m.note);
        EXPECT_EQ(m.velocity, 0 + 90) << "velocity from the nearest key below";
    }
    EXPECT_EQ(notes, (std::vector<int>{60, 64, 67}));  // the fixed table, not the key
}

// Every note-on is matched by a later note-off of the same note on the same channel, and a
// note is never started again while it still sounds.
void ExpectBalanced(const std::vector<Recorder::Message>& sent) {
    std::map<std::pair<int, int>, int> sounding;
    for (const auto& m : sent) {
        auto& count = sounding[{m.status, m.note}];
        if (m.velocity > 0) {
            EXPECT_EQ(count, 0) << "note " << int(m.note) << " started twice at " << m.tick;
            ++count;
        } else {
            EXPECT_EQ(count, 1) << "note " << int(m.note) << " ended unstarted at " << m.tick;
            count = 0;
        }
    }
    for (const auto& [key, count] : sounding) {
        EXPECT_EQ(count, 0) << "note " << key.second << " left sounding";
    }
}

TEST_F(ArpEngineTest, LegatoNotesEndWhenTheirRowPlaysAgainOrACycleBegins) {
    engine_.ArpCommand(ArpEngine::kResolution, 0);  // 16 ticks
    engine_.ArpCommand(ArpEngine::kGateFunction, 0);
    // Row 0 held over two steps, row 1 legato once per cycle, row 0 normal at step 2.
    Start({Step(0x1, 101), Step(0x1, 101), Step(0x2, 101), Step(0x1, 50)}, {60, 64});
    Run(1);
    EXPECT_EQ(engine_.SoundingCount(), 1);
    Run(16);  // step 1: the first 60 ends before the second starts
    EXPECT_EQ(engine_.SoundingCount(), 1);
    Run(16);  // step 2: 64 joins the held 60
    EXPECT_EQ(engine_.SoundingCount(), 2);
    Run(16);  // step 3 plays row 0 again: the open 60 ends, 64 holds on
    EXPECT_EQ(engine_.SoundingCount(), 2);
    // Hundreds of cycles later nothing has piled up and no note was dropped.
    Run(4 * 16 * 300);
    EXPECT_LE(engine_.SoundingCount(), 2);
    EXPECT_GT(out_.NoteOns().size(), 4u * 300u);
    engine_.ArpCommand(ArpEngine::kStartStop, 0);
    Run(1);
    ExpectBalanced(out_.sent);
}

TEST_F(ArpEngineTest, AChannelChangeEndsTheNotesOfTheOldChannel) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kGateFunction, 0);
    Start({Step(0x1, 101), Step(0x2, 0x82), Step(0x0), Step(0x0)}, {60, 64});
    Run(48 + 2);
    ASSERT_EQ(engine_.SoundingCount(), 2);
    engine_.ArpCommand(ArpEngine::kChannel, 9);
    Run(1);
    EXPECT_EQ(engine_.SoundingCount(), 0);
    EXPECT_EQ(engine_.Channel(), 9);
    Run(4 * 48);
    engine_.ArpCommand(ArpEngine::kStartStop, 0);
    Run(1);
    ExpectBalanced(out_.sent);
    bool drums = false;
    for (const auto& m : out_.NoteOns()) {
        drums = drums || m.status == 0x99;
    }
    EXPECT_TRUE(drums);
}

TEST_F(ArpEngineTest, AShortGateAtAShortStepStillSoundsOneTick) {
    for (const int function : {0, ArpEngine::kPercentGate}) {
        Recorder out;
        ArpEngine engine(out);
        engine.ArpCommand(ArpEngine::kGateFunction, function);
        engine.ArpCommand(ArpEngine::kResolution, 0);  // 16 ticks: 1 % rounds to nothing
        ASSERT_TRUE(engine.LoadPattern({Step(0x1, 1), Step(0x1, 0)}));
        engine.ArpCommand(ArpEngine::kStartStop, 1);
        engine.ArpCommand(ArpEngine::kFeedKey, 60, 100);
        for (int i = 0; i < 30; ++i) {  // steps 0 and 1
            ++out.tick;
            engine.Tick();
        }
        ASSERT_EQ(out.sent.size(), 2u) << function;  // the off gate of step 1 plays nothing
        EXPECT_EQ(out.sent[1].velocity, 0);
        EXPECT_EQ(out.sent[1].tick - out.sent[0].tick, 1);
    }
}

TEST_F(ArpEngineTest, StopSilencesEverySoundingNote) {
    engine_.ArpCommand(ArpEngine::kResolution, 1);
    engine_.ArpCommand(ArpEngine::kGateFunction, 0);
    engine_.ArpCommand(ArpEngine::kType, 3);
    engine_.ArpCommand(ArpEngine::kRange, 2);
    Start({Step(0x3, 0x90), Step(0x3, 101)}, {60, 64});
    Run(48 + 2);
    EXPECT_EQ(engine_.SoundingCount(), 8);
    std::multiset<int> on;
    for (const auto& m : out_.NoteOns()) {
        on.insert(m.note);
    }
    engine_.ArpCommand(ArpEngine::kStartStop, 0);
    Run(1);
    std::multiset<int> off;
    for (const auto& m : out_.sent) {
        if (m.velocity == 0) {
            off.insert(m.note);
        }
    }
    EXPECT_EQ(on, off);
    EXPECT_FALSE(engine_.Running());
    EXPECT_EQ(engine_.HeldCount(), 0);
    EXPECT_FALSE(engine_.Busy());
}

}  // namespace
}  // namespace veltrano
