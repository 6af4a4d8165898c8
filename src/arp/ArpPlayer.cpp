#include "arp/ArpPlayer.h"

#include <algorithm>
#include <thread>

#include "arp/ArpPattern.h"

namespace veltrano {

namespace {

// How long a full queue may take to drain before the command is given up.
constexpr auto kQueueWait = std::chrono::seconds(2);

}  // namespace

ArpPlayer::ArpPlayer(NoteOutput& output, Reporter& reporter, PreviewClock::Options options)
    : engine_(output), clock_(engine_, reporter, std::move(options)) {}

bool ArpPlayer::Queue(const std::function<bool()>& enqueue) {
    if (clockFailed_) {
        return false;
    }
    const auto giveUp = std::chrono::steady_clock::now() + kQueueWait;
    while (!enqueue()) {
        // The clock applies what waits on its next tick.
        if (!clock_.Enable()) {
            clockFailed_ = true;
            return false;
        }
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!clock_.Enable()) {
        clockFailed_ = true;
        return false;
    }
    return true;
}

bool ArpPlayer::Command(int code, int a, int b) {
    return Queue([&] { return engine_.ArpCommand(code, a, b); });
}

bool ArpPlayer::SendControls(const Controls& c) {
    bool ok = Command(ArpEngine::kSort, c.sort ? 1 : 0);
    ok = Command(ArpEngine::kLatch, c.latch ? 1 : 0) && ok;
    ok = Command(ArpEngine::kKeySync, c.keySync ? 1 : 0) && ok;
    ok = Command(ArpEngine::kKeySound, c.keySound ? 1 : 0) && ok;
    ok = Command(ArpEngine::kFixedNoteMode, c.fixedNote ? 1 : 0) && ok;
    ok = Command(ArpEngine::kVelocityFunction, c.velocityFunction) && ok;
    ok = Command(ArpEngine::kResolution, c.resolution) && ok;
    ok = Command(ArpEngine::kReplaceMode, c.replaceMode) && ok;
    ok = Command(ArpEngine::kTriggerMode, c.triggerMode) && ok;
    for (int i = 0; i < ArpEngine::kMaxHeld; ++i) {
        ok = Command(ArpEngine::kFixedNote, i, c.fixedNotes[static_cast<size_t>(i)]) && ok;
    }
    ok = Command(ArpEngine::kType, c.type) && ok;
    ok = Command(ArpEngine::kRange, c.range) && ok;
    ok = Command(ArpEngine::kVelocityRange, 0, c.velocityMin) && ok;
    ok = Command(ArpEngine::kVelocityRange, 1, c.velocityMax) && ok;
    return ok;
}

bool ArpPlayer::Start(const ArpPattern& pattern, const std::filesystem::path& previewFile,
                      int channel, std::vector<int> heldKeys, Reporter& reporter) {
    ArpPattern written = pattern;
    if (!written.Save(previewFile, written.Length(), reporter) ||
        !Queue([&] { return engine_.LoadPatternFile(previewFile); })) {
        return false;
    }
    Command(ArpEngine::kClearNotes);
    Command(ArpEngine::kChannel, channel);
    // Ties and legato notes sound as the grid draws them.
    Command(ArpEngine::kGateFunction, 0);
    if (!Command(ArpEngine::kStartStop, 1)) {
        return false;
    }
    std::sort(heldKeys.begin(), heldKeys.end());
    for (const int note : heldKeys) {
        Command(ArpEngine::kFeedKey, note, kFeedVelocity);
    }
    running_ = true;
    return true;
}

void ArpPlayer::Stop() {
    if (!running_) {
        return;
    }
    running_ = false;
    Command(ArpEngine::kStartStop, 0);
}

void ArpPlayer::Key(int note, int velocity) {
    if (running_) {
        Command(ArpEngine::kNoteInput, note, velocity);
    }
}

void ArpPlayer::SetChannel(int channel) {
    Command(ArpEngine::kChannel, channel);
}

bool ArpPlayer::WaitUntilQuiet(PreviewClock::Duration timeout) {
    return clock_.WaitUntilResting(timeout);
}

}  // namespace veltrano
