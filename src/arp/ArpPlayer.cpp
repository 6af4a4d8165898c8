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

std::vector<ArpPlayer::ControlCommand> ArpPlayer::ControlCommands(const Controls& c) {
    std::vector<ControlCommand> commands{
        {ArpEngine::kSort, c.sort ? 1 : 0, 0},
        {ArpEngine::kLatch, c.latch ? 1 : 0, 0},
        {ArpEngine::kKeySync, c.keySync ? 1 : 0, 0},
        {ArpEngine::kKeySound, c.keySound ? 1 : 0, 0},
        {ArpEngine::kFixedNoteMode, c.fixedNote ? 1 : 0, 0},
        {ArpEngine::kVelocityFunction, c.velocityFunction, 0},
        {ArpEngine::kResolution, c.resolution, 0},
        {ArpEngine::kReplaceMode, c.replaceMode, 0},
        {ArpEngine::kTriggerMode, c.triggerMode, 0},
    };
    for (int i = 0; i < ArpEngine::kMaxHeld; ++i) {
        commands.push_back({ArpEngine::kFixedNote, i, c.fixedNotes[static_cast<size_t>(i)]});
    }
    commands.push_back({ArpEngine::kType, c.type, 0});
    commands.push_back({ArpEngine::kRange, c.range, 0});
    commands.push_back({ArpEngine::kVelocityRange, 0, c.velocityMin});
    commands.push_back({ArpEngine::kVelocityRange, 1, c.velocityMax});
    return commands;
}

bool ArpPlayer::SendControls(const Controls& controls) {
    bool ok = true;
    for (const ControlCommand& c : ControlCommands(controls)) {
        ok = Command(c.code, c.a, c.b) && ok;
    }
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
