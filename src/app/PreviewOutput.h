#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <semaphore>
#include <thread>

#include "arp/NoteOutput.h"

namespace veltrano {

class ShortOutput;

// The preview's way to the instrument. The engine hands each message over without a lock (a
// ring and a semaphore) and goes on ticking; a sender thread of its own passes them to the
// MIDI output in order. So the clock never waits when the output is held by a long
// system-exclusive send of the window thread: only the sender waits, and catches up after.
class PreviewOutput final : public NoteOutput {
public:
    static constexpr size_t kCapacity = 1024;

    explicit PreviewOutput(ShortOutput& output);
    // Sends what was handed over, then ends the sender.
    ~PreviewOutput() override;
    PreviewOutput(const PreviewOutput&) = delete;
    PreviewOutput& operator=(const PreviewOutput&) = delete;

    // One producer at a time (the clock's thread). False only when the ring is full: the
    // message is dropped rather than waited for.
    [[nodiscard]] bool SendShort(uint32_t message) override;

    // Waits until every message handed over so far has been passed on (Stop, tests).
    [[nodiscard]] bool WaitUntilSent(std::chrono::milliseconds timeout);
    [[nodiscard]] uint64_t Dropped() const { return dropped_.load(); }

private:
    void Run();

    ShortOutput& output_;
    std::array<uint32_t, kCapacity> ring_{};
    std::atomic<uint64_t> head_{0};  // next to send, written by the sender
    std::atomic<uint64_t> tail_{0};  // next free, written by the producer
    std::atomic<uint64_t> dropped_{0};
    std::counting_semaphore<> pending_{0};
    std::atomic<bool> quit_{false};

    std::mutex sentMutex_;  // between the sender and a waiter only, never the clock
    std::condition_variable sent_;

    std::thread thread_;
};

}  // namespace veltrano
