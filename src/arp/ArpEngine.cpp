#include "arp/ArpEngine.h"

#include <algorithm>

#include "arp/NoteOutput.h"
#include "base/FileIo.h"

namespace veltrano {

namespace {

constexpr int kOpenGate = 0xFFFF;

uint32_t NoteOnMessage(uint8_t channel, int note, int velocity) {
    return static_cast<uint32_t>(0x90 | channel) | (static_cast<uint32_t>(note) << 8) |
           (static_cast<uint32_t>(velocity) << 16);
}

}  // namespace

ArpEngine::ArpEngine(NoteOutput& output, uint32_t seed) : output_(output), random_(seed) {}

bool ArpEngine::Enqueue(const Command& command) {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    const size_t next = (tail + 1) % kQueueSize;
    if (next == head_.load(std::memory_order_acquire)) {
        return false;
    }
    queue_[tail] = command;
    tail_.store(next, std::memory_order_release);
    return true;
}

bool ArpEngine::ArpCommand(int code, int a, int b) {
    Command command;
    command.code = code;
    command.a = a;
    command.b = b;
    return Enqueue(command);
}

bool ArpEngine::LoadPattern(const std::vector<ArpStep>& steps) {
    Command command;
    command.code = kLoadPattern;
    command.patternCount =
        static_cast<uint8_t>(std::min<size_t>(steps.size(), ArpPattern::kMaxSteps));
    std::copy_n(steps.begin(), command.patternCount, command.pattern.begin());
    return Enqueue(command);
}

bool ArpEngine::LoadPatternFile(const std::filesystem::path& path) {
    const auto bytes = ReadFileBytes(path, 2 + ArpPattern::kMaxSteps * ArpPattern::kRecordSize);
    const auto steps = bytes ? ArpPattern::ParseFile(AsBytes(*bytes)) : std::nullopt;
    return steps && LoadPattern(*steps);
}

bool ArpEngine::Busy() const {
    return running_.load(std::memory_order_relaxed) ||
           head_.load(std::memory_order_acquire) != tail_.load(std::memory_order_acquire);
}

void ArpEngine::Tick() {
    while (true) {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            break;
        }
        Apply(queue_[head]);
        head_.store((head + 1) % kQueueSize, std::memory_order_release);
    }
    if (!running_) {
        return;
    }

    ++tickCounter_;
    size_t kept = 0;
    for (size_t i = 0; i < timedCount_; ++i) {
        if (--timed_[i].countdown <= 0) {
            NoteOff(timed_[i].note);
        } else {
            timed_[kept++] = timed_[i];
        }
    }
    timedCount_ = kept;

    if (tickCounter_ < ticksPerStep_) {
        return;
    }
    if (restSteps_ > 0) {
        tickCounter_ = 0;
        --restSteps_;
        return;
    }
    if (fileCount_ > 0) {
        playedStep_.store(current_, std::memory_order_relaxed);
        PlayStep(pattern_[static_cast<size_t>(current_)], current_ == 0);
    }
    if (current_ < length_ - 1 && current_ < fileCount_ - 1) {
        tickCounter_ = 0;
        ++current_;
        return;
    }
    if (current_ < length_ - 1) {
        restSteps_ = length_ - fileCount_;
    }
    // Cycle end.
    current_ = 0;
    OctaveStepping();
    tickCounter_ = 0;
}

void ArpEngine::Apply(const Command& c) {
    switch (c.code) {
        case kStartStop:
            if (c.a != 0) {
                Start();
            } else {
                Stop();
            }
            break;
        case kLoadPattern:
            fileCount_ = c.patternCount;
            std::copy_n(c.pattern.begin(), c.patternCount, pattern_.begin());
            length_ = fileCount_;
            restSteps_ = 0;
            current_ = std::min(current_, std::max(fileCount_ - 1, 0));
            break;
        case kNoteInput:
            if (c.b == 0 || (c.a >= noteMin_ && c.a <= noteMax_ && c.b >= velocityMin_ &&
                             c.b <= velocityMax_)) {
                NoteInput(c.a, c.b);
            }
            break;
        case kFeedKey:
            NoteInput(c.a, c.b);
            break;
        case kLength:
            if (c.a >= 1 && c.a <= ArpPattern::kMaxSteps) {
                length_ = c.a;
                restSteps_ = std::max(length_ - fileCount_, 0);
            }
            break;
        case kResolution:
            if (c.a >= 0 && c.a < static_cast<int>(kResolutionDivisors.size())) {
                ticksPerStep_ = kTicksPerQuarter / kResolutionDivisors[static_cast<size_t>(c.a)];
            }
            break;
        case kRange:
            if (c.a >= 1 && c.a <= 4) {
                range_ = c.a;
                if (c.a == 1) {
                    octaveOffset_ = 0;
                }
                octaveOffset_ = std::min(octaveOffset_, range_ - 1);
            }
            break;
        case kType:
            if (c.a >= 0 && c.a <= 3) {
                type_ = static_cast<Type>(c.a);
            }
            break;
        case kReplaceMode:
            if (c.a >= 0 && c.a <= 4) {
                replaceMode_ = static_cast<ReplaceMode>(c.a);
            }
            break;
        case kSort:
            sort_ = c.a != 0;
            RebuildPlayOrder();
            break;
        case kLatch:
            latch_ = c.a != 0;
            if (!latch_ && occupied_ != 0 && (released_ & occupied_) == occupied_) {
                ClearHeld();
            }
            break;
        case kKeySync:
            keySync_ = c.a != 0;
            break;
        case kKeySound:
            keySound_ = c.a != 0;
            break;
        case kFixedNoteMode:
            fixedNoteMode_ = c.a != 0;
            break;
        case kFixedNote:
            if (c.a >= 0 && c.a < kMaxHeld && c.b >= 0 && c.b <= 127) {
                fixedNotes_[static_cast<size_t>(c.a)] = static_cast<uint8_t>(c.b);
            }
            break;
        case kTriggerMode:
            triggerMode_ = c.a != 0 ? 1 : 0;
            break;
        case kGateFunction:
            gateFunction_ = c.a;
            break;
        case kVelocityFunction:
            velocityFunction_ = c.a;
            break;
        case kNoteRange:
            if (c.b >= 0 && c.b <= 127) {
                (c.a == 0 ? noteMin_ : noteMax_) = c.b;
            }
            break;
        case kVelocityRange:
            if (c.b >= 0 && c.b <= 127) {
                (c.a == 0 ? velocityMin_ : velocityMax_) = c.b;
            }
            break;
        case kChannel:
            // Notes sounding on the old channel would never hear their note-off otherwise.
            if ((c.a & 0x0F) != channel_) {
                SilenceAll();
                channel_ = static_cast<uint8_t>(c.a & 0x0F);
            }
            break;
        case kClearNotes:
            SilenceAll();
            ClearHeld();
            break;
        default:
            break;
    }
}

void ArpEngine::Start() {
    current_ = 0;
    OctaveStepping();
    running_ = true;
    tickCounter_ = -1;
}

void ArpEngine::Stop() {
    running_ = false;
    playedStep_.store(-1, std::memory_order_relaxed);
    tickCounter_ = -1;
    restSteps_ = 0;
    SilenceAll();
    ClearHeld();
}

void ArpEngine::SilenceAll() {
    for (size_t i = 0; i < timedCount_; ++i) {
        NoteOff(timed_[i].note);
    }
    timedCount_ = 0;
    for (size_t i = 0; i < openCount_; ++i) {
        NoteOff(open_[i].note);
    }
    openCount_ = 0;
}

void ArpEngine::EndOpenNotes(uint16_t rows) {
    size_t kept = 0;
    for (size_t i = 0; i < openCount_; ++i) {
        if (((rows >> open_[i].row) & 1u) != 0) {
            NoteOff(open_[i].note);
        } else {
            open_[kept++] = open_[i];
        }
    }
    openCount_ = kept;
}

void ArpEngine::ClearHeld() {
    occupied_ = 0;
    released_ = 0;
    pressCount_ = 0;
    playCount_ = 0;
}

void ArpEngine::NoteInput(int note, int velocity) {
    if (!running_ || note < 0 || note > 127) {
        return;
    }
    if (velocity > 0) {
        // A new chord replaces a latched one whose keys were all let go.
        if (latch_ && occupied_ != 0 && (released_ & occupied_) == occupied_) {
            ClearHeld();
        }
        int slot = 0;
        while (slot < kMaxHeld && (occupied_ & (1u << slot)) != 0) {
            ++slot;
        }
        if (slot == kMaxHeld) {
            return;
        }
        slots_[static_cast<size_t>(slot)] = {static_cast<uint8_t>(note),
                                             static_cast<uint8_t>(std::min(velocity, 127))};
        occupied_ |= static_cast<uint16_t>(1u << slot);
        released_ &= static_cast<uint16_t>(~(1u << slot));
        pressOrder_[static_cast<size_t>(pressCount_++)] = slot;
        RebuildPlayOrder();
        if (playCount_ == 1 && keySync_) {
            RestartCycle();
        }
        return;
    }
    for (int i = 0; i < pressCount_; ++i) {
        const int slot = pressOrder_[static_cast<size_t>(i)];
        if (slots_[static_cast<size_t>(slot)].note != note || (released_ & (1u << slot)) != 0) {
            continue;
        }
        if (latch_) {
            released_ |= static_cast<uint16_t>(1u << slot);
            return;
        }
        occupied_ &= static_cast<uint16_t>(~(1u << slot));
        std::copy(pressOrder_.begin() + i + 1, pressOrder_.begin() + pressCount_,
                  pressOrder_.begin() + i);
        --pressCount_;
        RebuildPlayOrder();
        return;
    }
}

void ArpEngine::RebuildPlayOrder() {
    playCount_ = pressCount_;
    for (int i = 0; i < pressCount_; ++i) {
        playOrder_[static_cast<size_t>(i)] =
            slots_[static_cast<size_t>(pressOrder_[static_cast<size_t>(i)])];
    }
    if (sort_) {
        std::stable_sort(playOrder_.begin(), playOrder_.begin() + playCount_,
                         [](const Key& a, const Key& b) { return a.note < b.note; });
    }
}

void ArpEngine::RestartCycle() {
    current_ = 0;
    OctaveStepping();
    restSteps_ = 0;
    // The next tick's check passes at once: the first step plays immediately.
    tickCounter_ = ticksPerStep_ - 1;
}

void ArpEngine::OctaveStepping() {
    if (type_ != cycleType_) {
        if (static_cast<int>(cycleType_) + static_cast<int>(type_) <= 1) {
            direction_ = -direction_;
        }
        cycleType_ = type_;
    }
    if (range_ <= 1) {
        return;
    }
    if (type_ == Type::Both) {
        octaveOffset_ = 0;
        return;
    }
    const int step = octaveOffset_ + direction_;
    if (step >= 0 && step < range_) {
        octaveOffset_ = step;
        return;
    }
    switch (type_) {
        case Type::Up:
            octaveOffset_ = 0;
            direction_ = 1;
            break;
        case Type::Down:
            octaveOffset_ = range_ - 1;
            direction_ = -1;
            break;
        default:
            direction_ = -direction_;
            octaveOffset_ = std::clamp(octaveOffset_ + direction_, 0, range_ - 1);
            break;
    }
}

int ArpEngine::GateTicks(uint8_t gate) const {
    // A drawn note always sounds: a short gate at a short step is at least one tick.
    if (gateFunction_ == kPercentGate) {
        if (gate >= 1 && gate <= 100) {
            return std::max(ticksPerStep_ * gate / 100, 1);
        }
        return gate;  // anything else is taken as a tick count
    }
    if (gate >= 1 && gate <= 100) {
        return std::max((ticksPerStep_ * gate + 50) / 100, 1);
    }
    if ((gate & ArpStep::kTieFlag) != 0) {
        return ticksPerStep_ * (gate & 0x7F);
    }
    if (gate == ArpStep::kGateLegato) {
        return kOpenGate;
    }
    return 0;
}

int ArpEngine::Velocity(uint8_t stepVelocity, uint8_t keyVelocity) const {
    if (velocityFunction_ == kStepVelocity) {
        return stepVelocity != 0 ? stepVelocity : keyVelocity;
    }
    if (velocityFunction_ == kKeyVelocity) {
        return keyVelocity;
    }
    return velocityFunction_;
}

void ArpEngine::PlayStep(const ArpStep& step, bool first) {
    if (first) {
        for (size_t i = 0; i < timedCount_; ++i) {
            NoteOff(timed_[i].note);
        }
        timedCount_ = 0;
    }
    // A legato note lasts until its row plays again or a new cycle begins, so open notes
    // never pile up.
    EndOpenNotes(first ? ArpStep::kNoteMaskBits : step.noteMask);
    int idx = 0;
    int upDownDirection = 1;
    for (int r = 0; r < ArpPattern::kRows; ++r) {
        if (!step.HasNote(r)) {
            continue;
        }
        const Key* source = nullptr;
        if (r < playCount_) {
            source = &playOrder_[static_cast<size_t>(r)];
            idx = r;
        } else if (replaceMode_ == ReplaceMode::AsPlayed || playCount_ == 0) {
            idx = r;
            if (fixedNoteMode_ && triggerMode_ == 1) {
                for (int below = std::min(r, playCount_) - 1; below >= 0 && !source; --below) {
                    source = &playOrder_[static_cast<size_t>(below)];
                }
            }
        } else if (playCount_ == 1) {
            source = &playOrder_[0];
        } else {
            switch (replaceMode_) {
                case ReplaceMode::PlayFill: {
                    // The most recently pressed key.
                    const Key& last = slots_[static_cast<size_t>(
                        pressOrder_[static_cast<size_t>(pressCount_ - 1)])];
                    for (int i = 0; i < playCount_ && !source; ++i) {
                        if (playOrder_[static_cast<size_t>(i)].note == last.note) {
                            source = &playOrder_[static_cast<size_t>(i)];
                        }
                    }
                    idx = playCount_ - 1;
                    break;
                }
                case ReplaceMode::RunUp:
                    for (int i = 0; i < r; ++i) {
                        idx = idx + 1 < playCount_ ? idx + 1 : 0;
                    }
                    source = &playOrder_[static_cast<size_t>(idx)];
                    break;
                case ReplaceMode::UpDown:
                    // The walk may step one past the last key before it turns; it always
                    // turns back before it ends, the clamp only guards.
                    for (int i = 0; i < r; ++i) {
                        idx += upDownDirection;
                        if (idx + 1 >= playCount_) {
                            upDownDirection = -1;
                        } else if (idx <= 0 && upDownDirection == -1) {
                            upDownDirection = 1;
                        }
                    }
                    idx = std::clamp(idx, 0, playCount_ - 1);
                    source = &playOrder_[static_cast<size_t>(idx)];
                    break;
                case ReplaceMode::Random: {
                    int drawn = static_cast<int>(random_() % static_cast<uint32_t>(r));
                    while (drawn >= playCount_) {
                        drawn = static_cast<int>(random_() % static_cast<uint32_t>(drawn));
                    }
                    idx = drawn;
                    source = &playOrder_[static_cast<size_t>(idx)];
                    break;
                }
                case ReplaceMode::AsPlayed:
                    break;
            }
        }
        if (source == nullptr) {
            continue;  // no key for this row
        }
        const int base = fixedNoteMode_ ? fixedNotes_[static_cast<size_t>(idx)] : source->note;
        const int note = base + step.pitch + 12 * octaveOffset_;
        const int gate = GateTicks(step.gate);
        if (gate == 0) {
            continue;
        }
        const int velocity = std::clamp(Velocity(step.velocity, source->velocity), 1, 127);
        const int octaves = (type_ == Type::Both && range_ > 1) ? range_ : 1;
        for (int o = 0; o < octaves; ++o) {
            Sound(note + 12 * o, velocity, gate, r);
        }
    }
}

void ArpEngine::Sound(int note, int velocity, int gateTicks, int row) {
    if (note < 0 || note > 127) {
        return;
    }
    if (gateTicks == kOpenGate) {
        if (openCount_ == kMaxOpen) {
            return;
        }
        open_[openCount_++] = {static_cast<uint8_t>(note), static_cast<uint8_t>(row)};
    } else {
        if (timedCount_ == kMaxTimed) {
            return;
        }
        timed_[timedCount_++] = {static_cast<uint8_t>(note), gateTicks};
    }
    (void)output_.SendShort(NoteOnMessage(channel_, note, velocity));
}

void ArpEngine::NoteOff(uint8_t note) {
    (void)output_.SendShort(NoteOnMessage(channel_, note, 0));
}

}  // namespace veltrano
