#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace veltrano {

// The thread on which all protocol code runs. Protocol code waits for an answer by running the
// loop one event at a time (a posted task or an expired timer), so everything else the thread
// serves stays live meanwhile.
class EventLoop {
public:
    using Clock = std::chrono::steady_clock;
    using Duration = std::chrono::nanoseconds;
    using TimePoint = std::chrono::time_point<Clock, Duration>;
    using Task = std::function<void()>;
    using TimerId = uint64_t;  // 0 is never a timer

    virtual ~EventLoop() = default;

    // Queues a task for the loop's thread; safe from any thread.
    virtual void Post(Task task) = 0;
    // A one-shot or periodic timer; its task runs on the loop's thread.
    virtual TimerId StartTimer(Duration interval, bool periodic, Task onFire) = 0;
    // Stopping a timer that already fired (one-shot) or never existed does nothing.
    virtual void StopTimer(TimerId id) = 0;
    // Handles at least one event, waiting for it when none is ready. Returns false only when no
    // event can ever come (a loop with nothing queued and no timer, which a real loop never
    // reports).
    virtual bool RunOnce() = 0;
    // The short pause between the steps of a sequence; events are not handled meanwhile.
    virtual void Sleep(Duration duration) = 0;
    [[nodiscard]] virtual TimePoint Now() const = 0;
};

// Timers and tasks in one place, shared by both plain loops below.
class EventQueue {
public:
    struct Ready {
        EventLoop::Task task;
        bool found = false;
    };

    void Post(EventLoop::Task task);
    EventLoop::TimerId StartTimer(EventLoop::TimePoint now, EventLoop::Duration interval,
                                  bool periodic, EventLoop::Task onFire);
    void StopTimer(EventLoop::TimerId id);
    // The next task to run at `now`: a posted task first, else the earliest due timer (which is
    // re-armed when periodic). Needs the caller to hold Mutex().
    Ready TakeReady(EventLoop::TimePoint now);
    // The earliest timer deadline, if any. Needs the caller to hold Mutex().
    [[nodiscard]] bool NextDeadline(EventLoop::TimePoint& deadline) const;
    [[nodiscard]] bool HasTasks() const { return !tasks_.empty(); }

    std::mutex& Mutex() { return mutex_; }
    std::condition_variable& Wakeup() { return wakeup_; }

private:
    struct Timer {
        EventLoop::TimePoint deadline;
        EventLoop::Duration interval;
        bool periodic = false;
        uint64_t sequence = 0;  // equal deadlines fire in the order they were set
        std::shared_ptr<EventLoop::Task> task;
    };

    std::mutex mutex_;
    std::condition_variable wakeup_;
    std::deque<EventLoop::Task> tasks_;
    std::map<EventLoop::TimerId, Timer> timers_;
    EventLoop::TimerId nextId_ = 1;
    uint64_t nextSequence_ = 0;
};

// Real time: the thread that calls RunOnce() is the loop's thread; other threads Post().
class ThreadedEventLoop : public EventLoop {
public:
    void Post(Task task) override;
    TimerId StartTimer(Duration interval, bool periodic, Task onFire) override;
    void StopTimer(TimerId id) override;
    bool RunOnce() override;
    void Sleep(Duration duration) override;
    [[nodiscard]] TimePoint Now() const override;
    // Runs events until the time has passed.
    void RunFor(Duration duration);

private:
    EventQueue queue_;
};

// Simulated time for tests: a timer fires by moving the clock to its deadline, so a
// one-second time-out costs no real time and every run is the same.
class VirtualEventLoop : public EventLoop {
public:
    void Post(Task task) override;
    TimerId StartTimer(Duration interval, bool periodic, Task onFire) override;
    void StopTimer(TimerId id) override;
    bool RunOnce() override;
    void Sleep(Duration duration) override;
    [[nodiscard]] TimePoint Now() const override { return now_; }

    // Handles every event due up to now + duration and leaves the clock there.
    void RunFor(Duration duration);
    // Handles events until the predicate holds, nothing is left or the simulated time limit
    // has passed; true when it holds.
    bool RunUntil(const std::function<bool()>& done, Duration limit = std::chrono::hours(24));

private:
    EventQueue queue_;
    TimePoint now_{};
};

}  // namespace veltrano
