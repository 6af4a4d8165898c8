#include "device/MidiTrafficLog.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

namespace veltrano {

MidiTrafficLog::MidiTrafficLog(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

void MidiTrafficLog::SetRecording(bool on) {
    std::lock_guard lock(mutex_);
    recording_.store(on, std::memory_order_relaxed);
    if (!on) {
        waiting_.clear();
    }
}

void MidiTrafficLog::Record(TrafficDirection direction, ByteView bytes) {
    if (!recording_.load(std::memory_order_relaxed)) {
        return;
    }
    TrafficEntry entry;
    entry.time = std::chrono::system_clock::now();
    entry.direction = direction;
    entry.bytes.assign(bytes.begin(), bytes.end());
    std::lock_guard lock(mutex_);
    // Checked again under the lock: a message that raced with SetRecording(false) stays out.
    if (!recording_.load(std::memory_order_relaxed)) {
        return;
    }
    entry.sequence = nextSequence_++;
    if (waiting_.size() == capacity_) {
        waiting_.pop_front();
        ++dropped_;
    }
    waiting_.push_back(std::move(entry));
}

std::vector<TrafficEntry> MidiTrafficLog::Take() {
    std::deque<TrafficEntry> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(waiting_);
    }
    return {std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end())};
}

uint64_t MidiTrafficLog::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

std::string TrafficTimeText(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() %
        1000;
    std::tm tm{};
#if defined(_WIN32)
    const bool ok = localtime_s(&tm, &seconds) == 0;
#else
    const bool ok = localtime_r(&seconds, &tm) != nullptr;
#endif
    if (!ok) {
        return "--:--:--.---";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(millis < 0 ? millis + 1000 : millis));
    return text;
}

}  // namespace veltrano
