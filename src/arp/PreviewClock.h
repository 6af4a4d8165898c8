#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace veltrano {

class ArpEngine;
class Reporter;

// The arpeggiator preview's beat: a thread that runs the engine once per period (1 ms) on
// absolute deadlines, so the beat never drifts. After a stall the missed ticks run at once, up
// to a bound, and the clock then starts counting again from the present. The thread is created
// on the first Enable() and afterwards only enabled and disabled; while disabled it sleeps on a
// condition variable.
//
// Enable(), Disable() and the other members are for one controlling thread (the window's);
// the tick and busy callbacks run on the clock's own thread.
class PreviewClock {
public:
    using Duration = std::chrono::nanoseconds;
    using TimePoint = std::chrono::steady_clock::time_point;
    // Starts the thread that runs the loop it is given; throws std::system_error or returns an
    // empty thread when it cannot.
    using ThreadLauncher = std::function<std::thread(std::function<void()>)>;

    struct Options {
        Duration period = std::chrono::milliseconds(1);
        // Missed ticks run at once after a stall up to this many; the rest are given up.
        int maxCatchUp = 50;
        // Ask for real-time scheduling for the clock's thread.
        bool realtime = true;
        // Disable itself as soon as the busy callback says there is nothing to do.
        bool restWhenIdle = true;
        // Replaces the platform's priority request (tests: a refusal); null uses the platform.
        std::function<bool()> raisePriority;
        // Replaces std::thread (tests: a thread that cannot be started); null uses std::thread.
        ThreadLauncher launcher;
    };

    // Figures for the benchmark. Lateness is how long after its deadline a tick ran.
    struct Statistics {
        uint64_t ticks = 0;
        uint64_t lateTicks = 0;          // more than one period late
        uint64_t resyncs = 0;            // stalls longer than the catch-up bound
        uint64_t droppedTicks = 0;       // ticks given up at those stalls
        std::vector<Duration> lateness;  // one sample per tick, until the buffer is full
    };

    static constexpr std::string_view kStartFailedCaption = "Error";
    static constexpr std::string_view kStartFailedText = "timeSetEvent failed";

    // `tick` advances the engine by one period; `busy` (may be null) says whether it still has
    // anything to do. Both run on the clock's thread.
    PreviewClock(std::function<void()> tick, std::function<bool()> busy, Reporter& reporter,
                 Options options);
    PreviewClock(std::function<void()> tick, std::function<bool()> busy, Reporter& reporter);
    // Runs the engine's Tick() and rests while it is not Busy().
    PreviewClock(ArpEngine& engine, Reporter& reporter, Options options);
    PreviewClock(ArpEngine& engine, Reporter& reporter);
    ~PreviewClock();
    PreviewClock(const PreviewClock&) = delete;
    PreviewClock& operator=(const PreviewClock&) = delete;

    // Starts the thread on the first call, then lets it tick from one period after now. When
    // the thread cannot be started the user is told "timeSetEvent failed" and this is false.
    // A clock that rests while idle is enabled again after every command queued for the
    // engine, so the command is applied (cheap when it already runs).
    [[nodiscard]] bool Enable();
    // Stops the ticking; returns once the thread rests (at once when called from a tick).
    void Disable();
    // Waits until the clock rests (it disabled itself or was disabled); false on time-out.
    [[nodiscard]] bool WaitUntilResting(Duration timeout);

    [[nodiscard]] bool Enabled() const;
    [[nodiscard]] bool ThreadStarted() const;
    // Whether the thread got real-time priority (known once Enable() has returned true).
    [[nodiscard]] bool RealtimePriority() const { return realtime_.load(); }

    // Keeps figures from now on, with room for `samples` lateness samples (allocated here, so
    // the tick path never allocates). Only while the clock rests; false otherwise.
    [[nodiscard]] bool StartStatistics(size_t samples);
    void StopStatistics();
    // A copy of the figures so far; safe while the clock runs.
    [[nodiscard]] Statistics GetStatistics() const;

private:
    struct Counters {
        std::atomic<uint64_t> ticks{0};
        std::atomic<uint64_t> lateTicks{0};
        std::atomic<uint64_t> resyncs{0};
        std::atomic<uint64_t> droppedTicks{0};
        std::vector<Duration> samples;  // fixed size; element i is written before count > i
        std::atomic<size_t> sampleCount{0};
    };

    void Run();
    // Runs the ticks that are due; false when the clock was disabled or is shutting down.
    bool RunDueTicks(TimePoint& next, Counters* counters);
    void RestIfIdle(uint64_t epochSeen);
    static void Record(Counters& counters, Duration lateness, Duration period);

    std::function<void()> tick_;
    std::function<bool()> busy_;
    Reporter& reporter_;
    Options options_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;     // the clock waits here while it rests
    std::condition_variable resting_;  // the controller waits here for the clock to rest
    std::atomic<bool> enabled_{false};
    std::atomic<bool> quit_{false};
    std::atomic<uint64_t> epoch_{0};  // counts Enable() calls, so a rest never swallows one
    bool ready_ = false;              // the thread has set its priority (guarded by mutex_)
    bool parked_ = false;             // the thread waits on wake_ (guarded by mutex_)
    std::atomic<bool> realtime_{false};
    std::thread::id clockThreadId_;  // written before ready_ is set, under mutex_

    // Replaced only while the clock rests; the thread picks it up under mutex_ when it wakes.
    std::shared_ptr<Counters> counters_;

    std::thread thread_;
};

}  // namespace veltrano
