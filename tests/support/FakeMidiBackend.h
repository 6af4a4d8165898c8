#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/MidiBackend.h"

namespace veltrano::test {

// A scriptable MIDI backend: fixed port lists, switches for every failure, a log of the calls
// made on it, and the messages sent. Deliver() plays the MIDI thread. Sends may be held at a
// gate to stand for a slow port.
class FakeMidiBackend : public MidiBackend {
public:
    FakeMidiBackend(std::vector<std::string> inputs, std::vector<std::string> outputs)
        : inputs_(std::move(inputs)), outputs_(std::move(outputs)) {}
    ~FakeMidiBackend() override {
        if (onDestroy) {
            onDestroy(*this);
        }
    }

    // Lets a test read the log of a fake owned by something that is going away.
    std::function<void(const FakeMidiBackend&)> onDestroy;

    // --- script ---
    bool openInputOk = true;
    bool startInputOk = true;
    bool openOutputOk = true;
    bool closeOutputOk = true;
    // Answers of CloseInput in order; Closed once they run out.
    std::deque<CloseResult> closeResults;
    size_t maxMessageSize = std::numeric_limits<size_t>::max();

    void SetSendResult(bool ok) { sendOk_ = ok; }
    // Ports plugged in or out.
    void SetPortNames(std::vector<std::string> inputs, std::vector<std::string> outputs) {
        inputs_ = std::move(inputs);
        outputs_ = std::move(outputs);
    }
    // Time each send takes on the wire.
    void SetSendDelay(std::chrono::microseconds delay) { sendDelayUs_ = delay.count(); }
    // While closed, Send waits at the gate.
    void CloseGate() {
        std::lock_guard lock(mutex_);
        gateOpen_ = false;
    }
    // Notifies under the lock, so a fake destroyed right after the waiter wakes is safe.
    void OpenGate() {
        std::lock_guard lock(mutex_);
        gateOpen_ = true;
        changed_.notify_all();
    }

    // --- what happened ---
    [[nodiscard]] std::vector<std::string> Log() const {
        std::lock_guard lock(mutex_);
        return log_;
    }
    void ClearLog() {
        std::lock_guard lock(mutex_);
        log_.clear();
    }
    [[nodiscard]] std::vector<Bytes> Sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    [[nodiscard]] std::vector<std::thread::id> SendThreads() const {
        std::lock_guard lock(mutex_);
        return sendThreads_;
    }
    // Waits (in real time, generously) until count messages have been sent.
    [[nodiscard]] bool WaitForSent(size_t count) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return sent_.size() >= count; });
    }
    // True when two sends ever overlapped.
    [[nodiscard]] bool SendsOverlapped() const { return overlapped_; }
    [[nodiscard]] bool InputOpen() const { return inputOpen_; }
    [[nodiscard]] bool OutputOpenHere() const { return outputOpen_; }

    // The MIDI thread's side: hands a message to whatever handler the input was opened with.
    void Deliver(ByteView message) {
        if (handler_) {
            handler_(message);
        }
    }

    // --- MidiBackend ---
    std::vector<std::string> InputNames() override { return inputs_; }
    std::vector<std::string> OutputNames() override { return outputs_; }

    bool OpenInput(size_t index, InputHandler handler) override {
        Note("openIn " + std::to_string(index));
        if (!openInputOk || index >= inputs_.size()) {
            return false;
        }
        handler_ = std::move(handler);
        inputOpen_ = true;
        return true;
    }
    bool StartInput() override {
        Note("start");
        return startInputOk;
    }
    void StopInput() override { Note("stop"); }
    void ResetInput() override { Note("reset"); }
    CloseResult CloseInput() override {
        Note("closeIn");
        CloseResult result = CloseResult::Closed;
        if (!closeResults.empty()) {
            result = closeResults.front();
            closeResults.pop_front();
        }
        if (result == CloseResult::Closed) {
            inputOpen_ = false;
        }
        return result;
    }

    bool OpenOutput(size_t index) override {
        Note("openOut " + std::to_string(index));
        if (!openOutputOk || index >= outputs_.size()) {
            return false;
        }
        outputOpen_ = true;
        return true;
    }
    bool CloseOutput() override {
        Note("closeOut");
        if (!closeOutputOk) {
            return false;
        }
        outputOpen_ = false;
        return true;
    }
    bool Send(ByteView message) override {
        if (inFlight_.fetch_add(1) != 0) {
            overlapped_ = true;
        }
        if (const auto delay = sendDelayUs_.load(); delay > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
        }
        bool ok = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return gateOpen_; });
            ok = sendOk_;
            if (ok) {
                sent_.emplace_back(message.begin(), message.end());
                log_.push_back("send " + std::to_string(message.size()));
                sendThreads_.push_back(std::this_thread::get_id());
            }
        }
        inFlight_.fetch_sub(1);
        changed_.notify_all();
        return ok;
    }
    size_t MaxMessageSize() const override { return maxMessageSize; }

private:
    void Note(std::string entry) {
        std::lock_guard lock(mutex_);
        log_.push_back(std::move(entry));
    }

    std::vector<std::string> inputs_;
    std::vector<std::string> outputs_;
    InputHandler handler_;
    std::atomic<bool> inputOpen_{false};
    std::atomic<bool> outputOpen_{false};
    std::atomic<bool> sendOk_{true};
    std::atomic<int64_t> sendDelayUs_{0};
    std::atomic<int> inFlight_{0};
    std::atomic<bool> overlapped_{false};

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool gateOpen_ = true;
    std::vector<std::string> log_;
    std::vector<Bytes> sent_;
    std::vector<std::thread::id> sendThreads_;
};

}  // namespace veltrano::test
