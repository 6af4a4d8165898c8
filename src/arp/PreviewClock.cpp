#include "arp/PreviewClock.h"

#include <algorithm>
#include <system_error>

#include "arp/ArpEngine.h"
#include "base/Reporter.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX  // keeps std::min and std::clamp usable
#endif
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <pthread.h>
#include <sched.h>
#endif
#if defined(__linux__)
#include <cerrno>
#include <ctime>
#endif

namespace veltrano {

namespace {

using Clock = std::chrono::steady_clock;

// High enough to run ahead of ordinary threads, below the kernel's own and the audio
// servers' usual choices.
constexpr int kRealtimePriority = 60;

bool RaisePlatformPriority() {
#if defined(_WIN32)
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
#elif defined(__unix__) || defined(__APPLE__)
    const int lowest = sched_get_priority_min(SCHED_FIFO);
    const int highest = sched_get_priority_max(SCHED_FIFO);
    if (lowest < 0 || highest < lowest) {
        return false;
    }
    sched_param param{};
    param.sched_priority = std::clamp(kRealtimePriority, lowest, highest);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
#else
    return false;
#endif
}

#if defined(__linux__)
// steady_clock is CLOCK_MONOTONIC on Linux (libstdc++ and libc++ alike), so its time points
// are valid absolute deadlines for clock_nanosleep, which does not drift with the wake-ups.
void SleepUntil(Clock::time_point deadline) {
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}
#else
// Elsewhere the standard library's absolute wait; the deadlines stay absolute either way.
void SleepUntil(Clock::time_point deadline) {
    std::this_thread::sleep_until(deadline);
}
#endif

}  // namespace

PreviewClock::PreviewClock(std::function<void()> tick, std::function<bool()> busy,
                           Reporter& reporter, Options options)
    : tick_(std::move(tick)),
      busy_(std::move(busy)),
      reporter_(reporter),
      options_(std::move(options)) {
    options_.maxCatchUp = std::max(options_.maxCatchUp, 1);
    if (options_.period <= Duration::zero()) {
        options_.period = std::chrono::milliseconds(1);
    }
}

PreviewClock::PreviewClock(std::function<void()> tick, std::function<bool()> busy,
                           Reporter& reporter)
    : PreviewClock(std::move(tick), std::move(busy), reporter, Options{}) {}

PreviewClock::PreviewClock(ArpEngine& engine, Reporter& reporter, Options options)
    : PreviewClock([&engine] { engine.Tick(); }, [&engine] { return engine.Busy(); }, reporter,
                   std::move(options)) {}

PreviewClock::PreviewClock(ArpEngine& engine, Reporter& reporter)
    : PreviewClock(engine, reporter, Options{}) {}

PreviewClock::~PreviewClock() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        enabled_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool PreviewClock::Enable() {
    if (!thread_.joinable()) {
        try {
            auto body = [this] { Run(); };
            thread_ = options_.launcher ? options_.launcher(body) : std::thread(body);
        } catch (const std::system_error&) {
            thread_ = std::thread();
        }
        if (!thread_.joinable()) {
            reporter_.Show(Icon::Information, kStartFailedCaption, kStartFailedText);
            return false;
        }
        // The priority is settled before the first tick, so callers can ask for it at once.
        std::unique_lock lock(mutex_);
        resting_.wait(lock, [this] { return ready_; });
    }
    {
        std::lock_guard lock(mutex_);
        enabled_ = true;
        epoch_.fetch_add(1, std::memory_order_acq_rel);
    }
    wake_.notify_all();
    return true;
}

void PreviewClock::Disable() {
    std::unique_lock lock(mutex_);
    enabled_ = false;
    wake_.notify_all();
    if (!thread_.joinable() || std::this_thread::get_id() == clockThreadId_) {
        return;
    }
    resting_.wait(lock, [this] { return parked_; });
}

bool PreviewClock::WaitUntilResting(Duration timeout) {
    std::unique_lock lock(mutex_);
    if (!thread_.joinable()) {
        return true;
    }
    return resting_.wait_for(lock, timeout, [this] { return parked_ && !enabled_; });
}

bool PreviewClock::Enabled() const {
    return enabled_.load();
}

bool PreviewClock::ThreadStarted() const {
    return thread_.joinable();
}

bool PreviewClock::StartStatistics(size_t samples) {
    std::lock_guard lock(mutex_);
    if (thread_.joinable() && (enabled_ || !parked_)) {
        return false;
    }
    auto counters = std::make_shared<Counters>();
    counters->samples.resize(samples);
    counters_ = std::move(counters);
    return true;
}

void PreviewClock::StopStatistics() {
    std::lock_guard lock(mutex_);
    counters_.reset();
}

PreviewClock::Statistics PreviewClock::GetStatistics() const {
    std::shared_ptr<Counters> counters;
    {
        std::lock_guard lock(mutex_);
        counters = counters_;
    }
    Statistics stats;
    if (!counters) {
        return stats;
    }
    // The sample count is read first: every sample below it was written before it was raised.
    const size_t count = counters->sampleCount.load(std::memory_order_acquire);
    stats.lateness.assign(counters->samples.begin(),
                          counters->samples.begin() + static_cast<std::ptrdiff_t>(count));
    stats.ticks = counters->ticks.load(std::memory_order_relaxed);
    stats.lateTicks = counters->lateTicks.load(std::memory_order_relaxed);
    stats.resyncs = counters->resyncs.load(std::memory_order_relaxed);
    stats.droppedTicks = counters->droppedTicks.load(std::memory_order_relaxed);
    return stats;
}

void PreviewClock::Run() {
    // Refused without the privilege: the clock still runs, only less punctually.
    const bool realtime = options_.realtime && (options_.raisePriority ? options_.raisePriority()
                                                                       : RaisePlatformPriority());
    realtime_ = realtime;
    {
        std::lock_guard lock(mutex_);
        clockThreadId_ = std::this_thread::get_id();
        ready_ = true;
    }
    resting_.notify_all();

    while (true) {
        std::shared_ptr<Counters> counters;
        {
            std::unique_lock lock(mutex_);
            parked_ = true;
            resting_.notify_all();
            wake_.wait(lock, [this] { return quit_ || enabled_; });
            if (quit_) {
                return;
            }
            parked_ = false;
            counters = counters_;
        }
        // A fresh start counts from now: time spent resting is not owed as ticks.
        TimePoint next = Clock::now() + options_.period;
        while (enabled_.load(std::memory_order_acquire) && !quit_.load(std::memory_order_acquire)) {
            const uint64_t epochSeen = epoch_.load(std::memory_order_acquire);
            SleepUntil(next);
            if (!RunDueTicks(next, counters.get())) {
                break;
            }
            if (options_.restWhenIdle && busy_ && !busy_()) {
                RestIfIdle(epochSeen);
            }
        }
    }
}

bool PreviewClock::RunDueTicks(TimePoint& next, Counters* counters) {
    const TimePoint now = Clock::now();
    if (now < next) {
        return true;  // woken early: sleep again
    }
    const Duration period = options_.period;
    const int64_t due = (now - next) / period + 1;
    const int64_t run = std::min<int64_t>(due, options_.maxCatchUp);
    for (int64_t i = 0; i < run; ++i) {
        if (!enabled_.load(std::memory_order_acquire) || quit_.load(std::memory_order_acquire)) {
            return false;
        }
        tick_();
        if (counters != nullptr) {
            Record(*counters, now - (next + i * period), period);
        }
    }
    if (run < due) {
        // Too far behind to catch up: give up the rest and count from the present again.
        next = now + period;
        if (counters != nullptr) {
            counters->resyncs.fetch_add(1, std::memory_order_relaxed);
            counters->droppedTicks.fetch_add(static_cast<uint64_t>(due - run),
                                             std::memory_order_relaxed);
        }
    } else {
        next += run * period;
    }
    return true;
}

void PreviewClock::RestIfIdle(uint64_t epochSeen) {
    // An Enable() since epochSeen may have queued work the busy check did not see yet.
    std::lock_guard lock(mutex_);
    if (epoch_.load(std::memory_order_acquire) == epochSeen) {
        enabled_ = false;
    }
}

void PreviewClock::Record(Counters& counters, Duration lateness, Duration period) {
    counters.ticks.fetch_add(1, std::memory_order_relaxed);
    if (lateness > period) {
        counters.lateTicks.fetch_add(1, std::memory_order_relaxed);
    }
    const size_t count = counters.sampleCount.load(std::memory_order_relaxed);
    if (count < counters.samples.size()) {
        counters.samples[count] = lateness;
        counters.sampleCount.store(count + 1, std::memory_order_release);
    }
}

}  // namespace veltrano
