// The arpeggiator preview's 1 ms clock driving the engine (a four-note chord, 1/16 steps) for
// 10 s, once with real-time scheduling requested and once without. Lateness is how long after
// its deadline each tick ran; drift is the ticks run against the milliseconds elapsed since the
// clock was enabled, which stays 0 unless a stall was too long to catch up.
//   bench_preview_clock [SECONDS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "arp/ArpEngine.h"
#include "arp/NoteOutput.h"
#include "arp/PreviewClock.h"
#include "base/Reporter.h"

namespace {

using namespace veltrano;
using Clock = std::chrono::steady_clock;

class CountingOutput : public NoteOutput {
public:
    bool SendShort(uint32_t) override {
        messages.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    std::atomic<uint64_t> messages{0};
};

double Micros(PreviewClock::Duration d) {
    return static_cast<double>(d.count()) / 1000.0;
}

void RunOnce(bool realtime, double seconds) {
    CountingOutput output;
    ArpEngine engine(output);
    SilentReporter reporter;
    std::atomic<uint64_t> ticks{0};
    std::atomic<int64_t> lastTick{0};
    PreviewClock::Options options;
    options.realtime = realtime;
    PreviewClock clock(
        [&] {
            engine.Tick();
            ticks.fetch_add(1, std::memory_order_relaxed);
            lastTick.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
        },
        [&] { return engine.Busy(); }, reporter, options);

    std::vector<ArpStep> steps(4);
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].noteMask = static_cast<uint16_t>(1u << i);
        steps[i].gate = 50;
    }
    const auto samples = static_cast<size_t>(seconds * 1000.0) + 1000;
    if (!engine.LoadPattern(steps) || !clock.StartStatistics(samples)) {
        std::printf("cannot set up the run\n");
        return;
    }
    (void)engine.ArpCommand(ArpEngine::kResolution, 0);
    (void)engine.ArpCommand(ArpEngine::kStartStop, 1);
    for (int note : {60, 64, 67, 71}) {
        (void)engine.ArpCommand(ArpEngine::kFeedKey, note, 100);
    }
    const Clock::time_point enabledAt = Clock::now();
    if (!clock.Enable()) {
        std::printf("the clock's thread cannot be started\n");
        return;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    clock.Disable();

    const PreviewClock::Statistics stats = clock.GetStatistics();
    std::vector<PreviewClock::Duration> lateness = stats.lateness;
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness.empty() ? 0.0
                                : Micros(lateness[static_cast<size_t>(
                                      q * static_cast<double>(lateness.size() - 1))]);
    };
    const Clock::time_point last{Clock::duration(lastTick.load())};
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(last - enabledAt);
    const auto drift = static_cast<int64_t>(ticks.load()) - elapsedMs.count();

    std::printf("%s: %s\n", realtime ? "SCHED_FIFO requested" : "SCHED_FIFO not requested",
                clock.RealtimePriority() ? "running with SCHED_FIFO" : "running without it");
    std::printf("  ticks %llu in %lld ms, drift %lld ticks, %llu resynchronisations\n",
                static_cast<unsigned long long>(stats.ticks),
                static_cast<long long>(elapsedMs.count()), static_cast<long long>(drift),
                static_cast<unsigned long long>(stats.resyncs));
    std::printf(
        "  lateness median %.1f us, p99 %.1f us, max %.1f us; %llu ticks late by over 1 ms\n",
        at(0.5), at(0.99), lateness.empty() ? 0.0 : Micros(lateness.back()),
        static_cast<unsigned long long>(stats.lateTicks));
    std::printf("  %llu messages sent by the engine\n",
                static_cast<unsigned long long>(output.messages.load()));
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 10.0;
    std::printf("Preview clock, 1 ms period, %.1f s per run\n", seconds);
    RunOnce(true, seconds);
    RunOnce(false, seconds);
    return 0;
}
