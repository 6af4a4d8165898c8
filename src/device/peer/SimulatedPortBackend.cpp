#include "device/peer/SimulatedPortBackend.h"

#include <algorithm>
#include <string>

#include "device/SysExMessage.h"

namespace veltrano {

EventLoop::Duration WireTiming::ByteTime() const {
    if (baud == 0) {
        return EventLoop::Duration::zero();
    }
    // A start bit, eight data bits and a stop bit.
    return EventLoop::Duration(std::chrono::seconds(10)) / baud;
}

EventLoop::TimePoint WireLane::Schedule(const WireTiming& timing, EventLoop::TimePoint ready,
                                        size_t bytes) {
    const EventLoop::TimePoint start = std::max(ready, freeAt_);
    freeAt_ = start + timing.ByteTime() * static_cast<int64_t>(bytes);
    return freeAt_ + timing.latency;
}

SimulatedPortBackend::SimulatedPortBackend(EventLoop& loop,
                                           std::unique_ptr<SimulatedInstrument> instrument,
                                           WireTiming timing)
    : loop_(loop), instrument_(std::move(instrument)), timing_(timing) {
    if (!instrument_) {
        instrument_ = std::make_unique<SimulatedInstrument>(SimulatedInstrumentConfig{});
    }
}

SimulatedPortBackend::~SimulatedPortBackend() {
    alive_.reset();
    for (const EventLoop::TimerId id : timers_) {
        loop_.StopTimer(id);
    }
}

std::vector<std::string> SimulatedPortBackend::InputNames() {
    return {std::string(kPortName)};
}

std::vector<std::string> SimulatedPortBackend::OutputNames() {
    return {std::string(kPortName)};
}

bool SimulatedPortBackend::OpenInput(size_t index, InputHandler handler) {
    if (index != 0) {
        return false;
    }
    handler_ = std::move(handler);
    inputOpen_ = true;
    inputStarted_ = false;
    return true;
}

bool SimulatedPortBackend::StartInput() {
    if (!inputOpen_) {
        return false;
    }
    inputStarted_ = true;
    return true;
}

void SimulatedPortBackend::StopInput() {
    inputStarted_ = false;
}

MidiBackend::CloseResult SimulatedPortBackend::CloseInput() {
    inputStarted_ = false;
    inputOpen_ = false;
    handler_ = nullptr;
    return CloseResult::Closed;
}

bool SimulatedPortBackend::OpenOutput(size_t index) {
    if (index != 0) {
        return false;
    }
    outputOpen_ = true;
    return true;
}

bool SimulatedPortBackend::CloseOutput() {
    outputOpen_ = false;
    return true;
}

bool SimulatedPortBackend::Send(ByteView message) {
    if (!outputOpen_ || message.empty()) {
        return false;
    }
    // Only the loop's thread touches the wire and the timers.
    std::weak_ptr<int> alive = alive_;
    loop_.Post([this, alive, bytes = Bytes(message.begin(), message.end())]() mutable {
        if (alive.lock()) {
            Arrive(std::move(bytes));
        }
    });
    return true;
}

void SimulatedPortBackend::Arrive(Bytes message) {
    const EventLoop::TimePoint arrival =
        toInstrument_.Schedule(timing_, loop_.Now(), message.size());
    if (message.front() != sysex::kStart) {
        ShortMessageRecord record{std::move(message), arrival};
        std::function<void(const ShortMessageRecord&)> observer;
        {
            std::lock_guard lock(logMutex_);
            shortMessages_.push_back(record);
            observer = observer_;
        }
        if (observer) {
            observer(record);
        }
        return;
    }
    After(arrival, [this, frame = std::move(message)] {
        const EventLoop::TimePoint now = loop_.Now();
        for (SimulatedInstrument::Outgoing& answer : instrument_->HandleFrame(frame, now)) {
            const EventLoop::TimePoint delivery =
                toPc_.Schedule(timing_, now + answer.delay, answer.frame.size());
            After(delivery, [this, reply = std::move(answer.frame)] { Deliver(reply); });
        }
    });
}

void SimulatedPortBackend::Deliver(const Bytes& frame) {
    if (!inputStarted_ || !handler_) {
        ++undelivered_;
        return;
    }
    ++delivered_;
    handler_(frame);
}

void SimulatedPortBackend::After(EventLoop::TimePoint when, std::function<void()> task) {
    const EventLoop::Duration wait = std::max(when - loop_.Now(), EventLoop::Duration::zero());
    // The id is known only after the timer exists; the task reads it from a shared slot.
    auto id = std::make_shared<EventLoop::TimerId>(0);
    std::weak_ptr<int> alive = alive_;
    *id = loop_.StartTimer(wait, false, [this, alive, id, task = std::move(task)] {
        if (!alive.lock()) {
            return;
        }
        timers_.erase(*id);
        task();
    });
    timers_.insert(*id);
}

std::vector<ShortMessageRecord> SimulatedPortBackend::ShortMessages() const {
    std::lock_guard lock(logMutex_);
    return shortMessages_;
}

void SimulatedPortBackend::ClearShortMessages() {
    std::lock_guard lock(logMutex_);
    shortMessages_.clear();
}

void SimulatedPortBackend::SetShortMessageObserver(
    std::function<void(const ShortMessageRecord&)> observer) {
    std::lock_guard lock(logMutex_);
    observer_ = std::move(observer);
}

}  // namespace veltrano
