#include "base/EventLoop.h"

#include <algorithm>
#include <thread>

namespace veltrano {

void EventQueue::Post(EventLoop::Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wakeup_.notify_one();
}

EventLoop::TimerId EventQueue::StartTimer(EventLoop::TimePoint now, EventLoop::Duration interval,
                                          bool periodic, EventLoop::Task onFire) {
    EventLoop::TimerId id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        timers_[id] = Timer{now + interval, interval, periodic, nextSequence_++,
                            std::make_shared<EventLoop::Task>(std::move(onFire))};
    }
    wakeup_.notify_one();
    return id;
}

void EventQueue::StopTimer(EventLoop::TimerId id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

EventQueue::Ready EventQueue::TakeReady(EventLoop::TimePoint now) {
    if (!tasks_.empty()) {
        Ready ready{std::move(tasks_.front()), true};
        tasks_.pop_front();
        return ready;
    }
    auto earliest = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (earliest == timers_.end() || it->second.deadline < earliest->second.deadline ||
            (it->second.deadline == earliest->second.deadline &&
             it->second.sequence < earliest->second.sequence)) {
            earliest = it;
        }
    }
    if (earliest == timers_.end() || earliest->second.deadline > now) {
        return {};
    }
    // The task is shared so that a timer stopped or re-armed by its own task stays alive.
    std::shared_ptr<EventLoop::Task> task = earliest->second.task;
    if (earliest->second.periodic && earliest->second.interval.count() > 0) {
        earliest->second.deadline += earliest->second.interval;
        earliest->second.sequence = nextSequence_++;
    } else {
        timers_.erase(earliest);
    }
    return {[task] { (*task)(); }, true};
}

bool EventQueue::NextDeadline(EventLoop::TimePoint& deadline) const {
    bool found = false;
    for (const auto& [id, timer] : timers_) {
        if (!found || timer.deadline < deadline) {
            deadline = timer.deadline;
            found = true;
        }
    }
    return found;
}

void ThreadedEventLoop::Post(Task task) {
    queue_.Post(std::move(task));
}

EventLoop::TimerId ThreadedEventLoop::StartTimer(Duration interval, bool periodic, Task onFire) {
    return queue_.StartTimer(Now(), interval, periodic, std::move(onFire));
}

void ThreadedEventLoop::StopTimer(TimerId id) {
    queue_.StopTimer(id);
}

EventLoop::TimePoint ThreadedEventLoop::Now() const {
    return std::chrono::time_point_cast<Duration>(Clock::now());
}

bool ThreadedEventLoop::RunOnce() {
    std::unique_lock lock(queue_.Mutex());
    while (true) {
        EventQueue::Ready ready = queue_.TakeReady(Now());
        if (ready.found) {
            lock.unlock();
            ready.task();
            return true;
        }
        TimePoint deadline;
        if (queue_.NextDeadline(deadline)) {
            queue_.Wakeup().wait_until(lock, deadline);
        } else {
            queue_.Wakeup().wait(lock);
        }
    }
}

void ThreadedEventLoop::Sleep(Duration duration) {
    std::this_thread::sleep_for(duration);
}

void ThreadedEventLoop::RunFor(Duration duration) {
    bool done = false;
    const TimerId stop = StartTimer(duration, false, [&done] { done = true; });
    while (!done) {
        RunOnce();
    }
    StopTimer(stop);
}

void VirtualEventLoop::Post(Task task) {
    queue_.Post(std::move(task));
}

EventLoop::TimerId VirtualEventLoop::StartTimer(Duration interval, bool periodic, Task onFire) {
    return queue_.StartTimer(now_, interval, periodic, std::move(onFire));
}

void VirtualEventLoop::StopTimer(TimerId id) {
    queue_.StopTimer(id);
}

bool VirtualEventLoop::RunOnce() {
    std::unique_lock lock(queue_.Mutex());
    EventQueue::Ready ready = queue_.TakeReady(now_);
    if (!ready.found) {
        TimePoint deadline;
        if (!queue_.NextDeadline(deadline)) {
            return false;
        }
        if (deadline > now_) {
            now_ = deadline;
        }
        ready = queue_.TakeReady(now_);
    }
    lock.unlock();
    ready.task();
    return true;
}

void VirtualEventLoop::Sleep(Duration duration) {
    now_ += duration;
}

void VirtualEventLoop::RunFor(Duration duration) {
    const TimePoint end = now_ + duration;
    while (true) {
        std::unique_lock lock(queue_.Mutex());
        EventQueue::Ready ready = queue_.TakeReady(now_);
        if (!ready.found) {
            TimePoint deadline;
            if (!queue_.NextDeadline(deadline) || deadline > end) {
                break;
            }
            now_ = std::max(now_, deadline);
            continue;
        }
        lock.unlock();
        ready.task();
    }
    now_ = std::max(now_, end);
}

bool VirtualEventLoop::RunUntil(const std::function<bool()>& done, Duration limit) {
    const TimePoint end = now_ + limit;
    while (!done()) {
        {
            std::lock_guard lock(queue_.Mutex());
            TimePoint deadline;
            if (!queue_.HasTasks() && (!queue_.NextDeadline(deadline) || deadline > end)) {
                return false;
            }
        }
        RunOnce();
    }
    return true;
}

}  // namespace veltrano
