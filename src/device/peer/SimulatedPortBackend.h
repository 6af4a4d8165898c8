#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include "base/Bytes.h"
#include "base/EventLoop.h"
#include "device/MidiBackend.h"
#include "device/peer/SimulatedInstrument.h"

namespace veltrano {

// How the simulated cable carries bytes. Every message waits `latency` on its way; with a baud
// rate, each byte also takes ten bits of wire time (320 µs at MIDI's 31250 baud) and messages
// in one direction go one after another.
struct WireTiming {
    static constexpr uint32_t kMidiBaud = 31250;

    EventLoop::Duration latency = std::chrono::milliseconds(1);
    uint32_t baud = 0;  // 0: no rate limit, as over USB

    [[nodiscard]] EventLoop::Duration ByteTime() const;
};

// One direction of the cable.
class WireLane {
public:
    // When a message of `bytes` bytes that is ready to leave at `ready` has fully arrived at the
    // other end; the lane is busy until its last byte has left.
    [[nodiscard]] EventLoop::TimePoint Schedule(const WireTiming& timing,
                                                EventLoop::TimePoint ready, size_t bytes);

private:
    EventLoop::TimePoint freeAt_{};
};

// A short message that reached the simulated instrument, with the time it arrived.
struct ShortMessageRecord {
    Bytes bytes;
    EventLoop::TimePoint arrival{};
};

// A MIDI service with one input and one output port, both called "Veltrano Simulated
// Instrument", wired to a SimulatedInstrument. What is sent reaches the instrument after the
// wire's delay; its answers come back to the input handler through the event loop's timers,
// and only while the input is started (an answer that arrives while it is stopped is lost, as
// on a real port). Short messages are not answered; they are kept in a log.
//
// Send() is safe from any thread: it only posts to the loop. Everything else, and destruction,
// belongs to the loop's thread.
class SimulatedPortBackend final : public MidiBackend {
public:
    static constexpr std::string_view kPortName = "Veltrano Simulated Instrument";

    SimulatedPortBackend(EventLoop& loop, std::unique_ptr<SimulatedInstrument> instrument,
                         WireTiming timing = {});
    ~SimulatedPortBackend() override;
    SimulatedPortBackend(const SimulatedPortBackend&) = delete;
    SimulatedPortBackend& operator=(const SimulatedPortBackend&) = delete;

    [[nodiscard]] std::vector<std::string> InputNames() override;
    [[nodiscard]] std::vector<std::string> OutputNames() override;
    [[nodiscard]] bool OpenInput(size_t index, InputHandler handler) override;
    [[nodiscard]] bool StartInput() override;
    void StopInput() override;
    [[nodiscard]] CloseResult CloseInput() override;
    [[nodiscard]] bool OpenOutput(size_t index) override;
    [[nodiscard]] bool CloseOutput() override;
    [[nodiscard]] bool Send(ByteView message) override;

    [[nodiscard]] SimulatedInstrument& Instrument() { return *instrument_; }
    [[nodiscard]] const WireTiming& Timing() const { return timing_; }
    void SetTiming(const WireTiming& timing) { timing_ = timing; }

    // Thread-safe copies of the short-message log.
    [[nodiscard]] std::vector<ShortMessageRecord> ShortMessages() const;
    void ClearShortMessages();
    // Called on the loop's thread for every short message as it arrives.
    void SetShortMessageObserver(std::function<void(const ShortMessageRecord&)> observer);

    // Answers handed to the input handler, and answers lost because the input was not started.
    [[nodiscard]] uint64_t DeliveredFrames() const { return delivered_; }
    [[nodiscard]] uint64_t UndeliveredFrames() const { return undelivered_; }
    // Messages on the wire in either direction.
    [[nodiscard]] size_t InFlight() const { return timers_.size(); }

private:
    void Arrive(Bytes message);
    void Deliver(const Bytes& frame);
    void After(EventLoop::TimePoint when, std::function<void()> task);

    EventLoop& loop_;
    std::unique_ptr<SimulatedInstrument> instrument_;
    WireTiming timing_;
    WireLane toInstrument_;
    WireLane toPc_;

    InputHandler handler_;
    std::atomic<bool> inputOpen_{false};
    std::atomic<bool> inputStarted_{false};
    std::atomic<bool> outputOpen_{false};
    uint64_t delivered_ = 0;
    uint64_t undelivered_ = 0;
    std::set<EventLoop::TimerId> timers_;

    mutable std::mutex logMutex_;
    std::vector<ShortMessageRecord> shortMessages_;
    std::function<void(const ShortMessageRecord&)> observer_;

    // Tasks posted from other threads may outlive the backend; they check this first.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace veltrano
