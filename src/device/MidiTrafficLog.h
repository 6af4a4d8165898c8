#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "base/Bytes.h"

namespace veltrano {

enum class TrafficDirection : uint8_t { Out, In };

// One message on the cable, as the ports sent or received it.
struct TrafficEntry {
    uint64_t sequence = 0;  // counts every message recorded by the log, from 0
    std::chrono::system_clock::time_point time;
    TrafficDirection direction = TrafficDirection::Out;
    Bytes bytes;
};

// What goes over the MIDI ports, for the monitor window. Off until a watcher starts it: while
// off, Record costs one atomic load and keeps nothing. While on, messages wait here (from any
// thread) until the watcher takes them, in batches; when more than the capacity wait, the
// oldest are dropped and counted, so a watcher that falls behind never slows a transfer down
// and never grows the memory without bound.
class MidiTrafficLog {
public:
    static constexpr size_t kDefaultCapacity = 5000;

    explicit MidiTrafficLog(size_t capacity = kDefaultCapacity);

    // Turning it off drops what was waiting.
    void SetRecording(bool on);
    [[nodiscard]] bool Recording() const { return recording_.load(std::memory_order_relaxed); }

    // Safe from any thread.
    void Record(TrafficDirection direction, ByteView bytes);

    // Everything recorded since the last call, oldest first, at most the capacity.
    [[nodiscard]] std::vector<TrafficEntry> Take();
    // Messages dropped because they waited beyond the capacity, since the log was made.
    [[nodiscard]] uint64_t Dropped() const;
    [[nodiscard]] size_t Capacity() const { return capacity_; }

private:
    std::atomic<bool> recording_{false};
    const size_t capacity_;
    mutable std::mutex mutex_;
    std::deque<TrafficEntry> waiting_;
    uint64_t nextSequence_ = 0;
    uint64_t dropped_ = 0;
};

// "13:05:42.123", local time with milliseconds.
[[nodiscard]] std::string TrafficTimeText(std::chrono::system_clock::time_point time);

}  // namespace veltrano
