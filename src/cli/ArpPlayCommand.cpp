// "arp-play": plays an arpeggiator pattern through the preview engine and its 1 ms clock, with
// a chord held for the whole time.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "arp/ArpEngine.h"
#include "arp/ArpPattern.h"
#include "arp/NoteOutput.h"
#include "arp/PreviewClock.h"
#include "cli/CliCommon.h"
#include "cli/CliLink.h"
#include "device/MidiPorts.h"

namespace veltrano::cli {

namespace {

using Clock = std::chrono::steady_clock;

struct ArpPlayOptions {
    std::string file;
    std::vector<int> notes;
    int velocity = 100;
    double seconds = 10;
    int resolution = 5;  // the controls window's "1/4"
    int type = 0;
    int range = 1;
    int replace = 0;
    bool latch = false;
    bool sort = false;
    bool fixedNote = false;
    bool stepGate = false;
    std::string log;
};

// The controls window's fixed note table as it starts.
constexpr std::array<int, ArpEngine::kMaxHeld> kFixedNotes{60, 64, 67, 71, 74, 77,
                                                           81, 84, 84, 84, 84, 84};
// How long the engine may take to silence its notes after the stop.
constexpr auto kStopTimeout = std::chrono::seconds(2);
// Time for the last messages to cross the simulated cable.
constexpr auto kDrainTime = std::chrono::milliseconds(50);

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

// Passes every message on and, for --log, keeps those the port took with the time they were
// sent, counted from when it was made. Called on the clock's thread.
class LoggingOutput : public NoteOutput {
public:
    LoggingOutput(ShortOutput& next, bool keep) : next_(next), keep_(keep) {
        if (keep_) {
            entries_.reserve(8192);
        }
    }

    bool SendShort(uint32_t message) override {
        const bool sent = next_.SendShort(message);
        if (sent && keep_) {
            const auto at = Clock::now() - start_;
            std::lock_guard lock(mutex_);
            entries_.push_back(
                {std::chrono::duration_cast<std::chrono::microseconds>(at), message});
        }
        return sent;
    }

    // "64012 90 3C 64": microseconds since the start, then the bytes in hex.
    [[nodiscard]] bool Write(const std::string& path) const {
        std::FILE* file = std::fopen(path.c_str(), "w");
        if (file == nullptr) {
            return false;
        }
        std::lock_guard lock(mutex_);
        for (const Entry& e : entries_) {
            const auto status = static_cast<uint8_t>(e.message & 0xFF);
            const int kind = status & 0xF0;
            const bool twoBytes = kind == 0xC0 || kind == 0xD0;
            std::fprintf(file, "%lld %02X %02X", static_cast<long long>(e.at.count()), status,
                         static_cast<unsigned>((e.message >> 8) & 0xFF));
            if (!twoBytes) {
                std::fprintf(file, " %02X", static_cast<unsigned>((e.message >> 16) & 0xFF));
            }
            std::fprintf(file, "\n");
        }
        return std::fclose(file) == 0;
    }

private:
    struct Entry {
        std::chrono::microseconds at;
        uint32_t message;
    };

    ShortOutput& next_;
    const bool keep_;
    const Clock::time_point start_ = Clock::now();
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

int RunArpPlay(const ArpPlayOptions& o, const GlobalOptions& global) {
    CliLink rig(global);
    if (const int opened = rig.Open(CliLink::PortUse::OutputOnly); opened != kExitOk) {
        return opened;
    }
    ArpPattern pattern;
    if (!pattern.Load(o.file, rig.Reporter())) {
        return kExitFailed;
    }
    std::vector<ArpStep> steps;
    for (int i = 0; i < pattern.Length(); ++i) {
        steps.push_back(pattern.GetStep(i));
    }

    LoggingOutput output(rig.Ports(), !o.log.empty());
    ArpEngine engine(output);
    PreviewClock clock(engine, rig.Reporter());

    // The queue holds 63 commands; when it is full the clock drains it.
    bool clockFailed = false;
    const auto send = [&](auto&& enqueue) {
        while (!clockFailed && !enqueue()) {
            clockFailed = !clock.Enable();
            rig.Loop().RunFor(std::chrono::milliseconds(1));
        }
    };
    const auto command = [&](int code, int a, int b = 0) {
        send([&] { return engine.ArpCommand(code, a, b); });
    };

    // The controls window's settings, in the order it sends them when it opens.
    command(ArpEngine::kSort, o.sort ? 1 : 0);
    command(ArpEngine::kLatch, o.latch ? 1 : 0);
    command(ArpEngine::kKeySync, 1);
    command(ArpEngine::kKeySound, 1);
    command(ArpEngine::kFixedNoteMode, o.fixedNote ? 1 : 0);
    command(ArpEngine::kVelocityFunction, ArpEngine::kKeyVelocity);
    command(ArpEngine::kResolution, o.resolution);
    command(ArpEngine::kReplaceMode, o.replace);
    command(ArpEngine::kTriggerMode, 1);
    for (int i = 0; i < ArpEngine::kMaxHeld; ++i) {
        command(ArpEngine::kFixedNote, i, kFixedNotes[static_cast<size_t>(i)]);
    }
    command(ArpEngine::kType, o.type);
    command(ArpEngine::kRange, o.range);
    command(ArpEngine::kVelocityRange, 0, 1);
    command(ArpEngine::kVelocityRange, 1, 127);
    if (o.stepGate) {
        command(ArpEngine::kGateFunction, 0);
    }

    // As the preview starts: the pattern, silence, the channel, start, then the held keys.
    send([&] { return engine.LoadPattern(steps); });
    command(ArpEngine::kClearNotes, 0);
    command(ArpEngine::kChannel, 0);
    command(ArpEngine::kStartStop, 1);
    for (const int note : o.notes) {
        command(ArpEngine::kFeedKey, note, o.velocity);
    }
    if (clockFailed || !clock.Enable()) {
        return kExitFailed;
    }
    std::printf("Playing %s for %g s%s\n", o.file.c_str(), o.seconds,
                clock.RealtimePriority() ? "" : " (without real-time priority)");
    std::fflush(stdout);

    // The loop runs meanwhile: the simulated instrument's port delivers on it.
    interrupted = 0;
    auto* previous = std::signal(SIGINT, OnInterrupt);
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(o.seconds));
    while (interrupted == 0 && Clock::now() < end) {
        rig.Loop().RunFor(
            std::min<Clock::duration>(end - Clock::now(), std::chrono::milliseconds(10)));
    }
    std::signal(SIGINT, previous);

    // Stop: the engine ends every sounding note on its next tick, then the clock rests.
    command(ArpEngine::kStartStop, 0);
    if (!clock.Enable()) {
        return kExitFailed;
    }
    const Clock::time_point stopBy = Clock::now() + kStopTimeout;
    while (!clock.WaitUntilResting(std::chrono::milliseconds(1)) && Clock::now() < stopBy) {
        rig.Loop().RunFor(std::chrono::milliseconds(1));
    }
    clock.Disable();
    rig.Loop().RunFor(kDrainTime);

    if (!o.log.empty() && !output.Write(o.log)) {
        std::fprintf(stderr, "Cannot write the log %s\n", o.log.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

void RegisterArpPlayCommand(CLI::App& root, CliState& state) {
    auto options = std::make_shared<ArpPlayOptions>();
    CLI::App* cmd = root.add_subcommand(
        "arp-play", "Play an arpeggiator pattern (.arp) with held notes through a MIDI port");
    cmd->add_option("FILE", options->file, "The pattern file (.arp)")->required();
    cmd->add_option("--notes", options->notes, "The held keys, e.g. 60,64,67")
        ->required()
        ->delimiter(',')
        ->check(CLI::Range(0, 127));
    cmd->add_option("--velocity", options->velocity, "Velocity of the held keys (1-127)")
        ->check(CLI::Range(1, 127));
    cmd->add_option("--seconds", options->seconds, "How long to play (default 10)")
        ->check(CLI::Range(0.0, 86400.0));
    cmd->add_option("--resolution", options->resolution,
                    "0-5: 16, 48, 32, 96, 64 or 192 ticks a step (default 5)")
        ->check(CLI::Range(0, 5));
    cmd->add_option("--type", options->type, "0 up, 1 down, 2 up-down, 3 both")
        ->check(CLI::Range(0, 3));
    cmd->add_option("--range", options->range, "Octaves, 1-4")->check(CLI::Range(1, 4));
    cmd->add_option("--replace", options->replace,
                    "0 as played, 1 play fill, 2 run up, 3 up-down, 4 random")
        ->check(CLI::Range(0, 4));
    cmd->add_flag("--latch", options->latch, "Latch on");
    cmd->add_flag("--sort", options->sort, "Sort the held keys by note number");
    cmd->add_flag("--fixed-note", options->fixedNote, "Fixed note mode");
    cmd->add_flag("--step-gate", options->stepGate,
                  "Gates as drawn: ties over steps, legato held (default: percent gate)");
    cmd->add_option("--log", options->log,
                    "Write every message sent: microseconds since the start, then the bytes");
    cmd->callback([&state, options] { state.exitCode = RunArpPlay(*options, state.options); });
}

}  // namespace veltrano::cli
