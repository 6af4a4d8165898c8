#include "app/PreviewOutput.h"

#include "device/MidiPorts.h"

namespace veltrano {

PreviewOutput::PreviewOutput(ShortOutput& output) : output_(output) {
    thread_ = std::thread([this] { Run(); });
}

PreviewOutput::~PreviewOutput() {
    quit_.store(true);
    pending_.release();
    thread_.join();
}

bool PreviewOutput::SendShort(uint32_t message) {
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) >= kCapacity) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    ring_[tail % kCapacity] = message;
    tail_.store(tail + 1, std::memory_order_release);
    pending_.release();
    return true;
}

void PreviewOutput::Run() {
    while (true) {
        pending_.acquire();
        const uint64_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            if (quit_.load()) {
                return;  // the release of the destructor, with nothing left to send
            }
            continue;
        }
        (void)output_.SendShort(ring_[head % kCapacity]);
        {
            std::lock_guard lock(sentMutex_);
            head_.store(head + 1, std::memory_order_release);
        }
        sent_.notify_all();
    }
}

bool PreviewOutput::WaitUntilSent(std::chrono::milliseconds timeout) {
    const uint64_t target = tail_.load(std::memory_order_acquire);
    std::unique_lock lock(sentMutex_);
    return sent_.wait_for(lock, timeout,
                          [&] { return head_.load(std::memory_order_acquire) >= target; });
}

}  // namespace veltrano
