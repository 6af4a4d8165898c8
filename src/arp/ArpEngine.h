#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <random>

#include "arp/ArpPattern.h"

namespace veltrano {

class NoteOutput;

// The arpeggiator preview engine: held keys and a pattern in, notes out, one tick per
// millisecond. Commands come from the window thread through a small lock-free queue that the
// engine drains at the start of every tick, so the tick path never waits for the window and
// allocates nothing.
class ArpEngine {
public:
    // Command codes.
    static constexpr int kStartStop = 30;
    static constexpr int kLoadPattern = 31;
    static constexpr int kNoteInput = 32;
    static constexpr int kLength = 33;
    static constexpr int kResolution = 34;
    static constexpr int kRange = 35;
    static constexpr int kType = 36;
    static constexpr int kReplaceMode = 37;
    static constexpr int kSort = 38;
    static constexpr int kLatch = 39;
    static constexpr int kKeySync = 40;
    static constexpr int kKeySound = 41;
    static constexpr int kFixedNoteMode = 42;
    static constexpr int kFixedNote = 43;
    static constexpr int kTriggerMode = 44;
    static constexpr int kGateFunction = 45;
    static constexpr int kVelocityFunction = 46;
    static constexpr int kNoteRange = 49;
    static constexpr int kVelocityRange = 50;
    // Our own, for the preview: the channel of the notes, silencing everything, and a key fed
    // past the note and velocity filters.
    static constexpr int kChannel = 100;
    static constexpr int kClearNotes = 101;
    static constexpr int kFeedKey = 102;

    static constexpr int kPercentGate = 255;
    static constexpr int kStepVelocity = 255;
    static constexpr int kKeyVelocity = 0;
    static constexpr int kMaxHeld = 12;
    static constexpr int kTicksPerQuarter = 192;
    static constexpr std::array<int, 6> kResolutionDivisors{12, 4, 6, 2, 3, 1};

    enum class Type { Up = 0, Down = 1, UpDown = 2, Both = 3 };
    enum class ReplaceMode { AsPlayed = 0, PlayFill = 1, RunUp = 2, UpDown = 3, Random = 4 };

    explicit ArpEngine(NoteOutput& output, uint32_t seed = 1);

    // From the window thread. False when the queue is full (the command is dropped).
    bool ArpCommand(int code, int a = 0, int b = 0);
    // Command 31: the file is read here, on the caller's thread; the steps travel in the queue.
    [[nodiscard]] bool LoadPatternFile(const std::filesystem::path& path);
    bool LoadPattern(const std::vector<ArpStep>& steps);

    // One millisecond, on the clock's thread: pending commands first, then the tick.
    void Tick();
    // True while the engine plays or commands wait; the clock may rest otherwise.
    [[nodiscard]] bool Busy() const;

    // State, for tests and the window (read on the clock's thread or while it rests).
    [[nodiscard]] bool Running() const { return running_; }
    [[nodiscard]] int TicksPerStep() const { return ticksPerStep_; }
    [[nodiscard]] int OctaveOffset() const { return octaveOffset_; }
    [[nodiscard]] int HeldCount() const { return playCount_; }
    [[nodiscard]] int SoundingCount() const { return timedCount_ + openCount_; }
    [[nodiscard]] uint8_t Channel() const { return channel_; }
    // The record played last, -1 while stopped; safe from any thread.
    [[nodiscard]] int PlayedStep() const { return playedStep_.load(std::memory_order_relaxed); }

private:
    struct Command {
        int code = 0;
        int a = 0;
        int b = 0;
        uint8_t patternCount = 0;
        std::array<ArpStep, ArpPattern::kMaxSteps> pattern{};
    };
    struct Key {
        uint8_t note = 0;
        uint8_t velocity = 0;
    };
    struct Sounding {
        uint8_t note = 0;
        int countdown = 0;
    };
    // A legato note, kept with the row that started it: it ends when that row plays again.
    struct OpenNote {
        uint8_t note = 0;
        uint8_t row = 0;
    };
    static constexpr size_t kQueueSize = 64;
    static constexpr size_t kMaxTimed = 1024;
    static constexpr size_t kMaxOpen = 256;

    bool Enqueue(const Command& command);
    void Apply(const Command& command);
    void Start();
    void Stop();
    void NoteInput(int note, int velocity);
    void RebuildPlayOrder();
    void ClearHeld();
    void SilenceAll();
    void PlayStep(const ArpStep& step, bool first);
    void Sound(int note, int velocity, int gateTicks, int row);
    void EndOpenNotes(uint16_t rows);
    void NoteOff(uint8_t note);
    void OctaveStepping();
    void RestartCycle();
    [[nodiscard]] int GateTicks(uint8_t gate) const;
    [[nodiscard]] int Velocity(uint8_t stepVelocity, uint8_t keyVelocity) const;

    NoteOutput& output_;
    std::minstd_rand random_;

    // Command queue: one producer (the window thread), one consumer (the clock).
    std::array<Command, kQueueSize> queue_{};
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};

    std::array<ArpStep, ArpPattern::kMaxSteps> pattern_{};
    int fileCount_ = 0;
    int length_ = 0;
    int restSteps_ = 0;
    int current_ = 0;
    int tickCounter_ = -1;
    int ticksPerStep_ = kTicksPerQuarter;
    std::atomic<bool> running_{false};
    std::atomic<int> playedStep_{-1};

    std::array<Key, kMaxHeld> slots_{};
    uint16_t occupied_ = 0;
    uint16_t released_ = 0;
    std::array<int, kMaxHeld> pressOrder_{};  // slot indices, oldest first
    int pressCount_ = 0;
    std::array<Key, kMaxHeld> playOrder_{};
    int playCount_ = 0;

    int range_ = 1;
    Type type_ = Type::Up;
    Type cycleType_ = Type::Up;  // the type the octave stepping last used
    int octaveOffset_ = 0;
    int direction_ = 1;
    ReplaceMode replaceMode_ = ReplaceMode::AsPlayed;
    bool sort_ = false;
    bool latch_ = false;
    bool keySync_ = true;
    bool keySound_ = true;
    bool fixedNoteMode_ = false;
    int triggerMode_ = 0;
    std::array<uint8_t, kMaxHeld> fixedNotes_{60, 64, 67, 71, 74, 77, 81, 84, 84, 84, 84, 84};
    int gateFunction_ = kPercentGate;
    int velocityFunction_ = kKeyVelocity;
    int noteMin_ = 0;
    int noteMax_ = 127;
    int velocityMin_ = 0;
    int velocityMax_ = 127;
    uint8_t channel_ = 0;

    std::array<Sounding, kMaxTimed> timed_{};
    size_t timedCount_ = 0;
    std::array<OpenNote, kMaxOpen> open_{};
    size_t openCount_ = 0;
};

}  // namespace veltrano
