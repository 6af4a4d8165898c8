#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "base/Bytes.h"

namespace veltrano {

// One MIDI service with its ports: the system's (through RtMidi) or the built-in simulated
// instrument. A backend has at most one input and one output open at a time.
class MidiBackend {
public:
    // Receives one complete message (a whole system-exclusive frame, or a short message) on
    // the backend's own thread; the bytes are only valid during the call.
    using InputHandler = std::function<void(ByteView message)>;

    enum class CloseResult { Closed, Busy, Failed };

    virtual ~MidiBackend() = default;

    [[nodiscard]] virtual std::vector<std::string> InputNames() = 0;
    [[nodiscard]] virtual std::vector<std::string> OutputNames() = 0;

    [[nodiscard]] virtual bool OpenInput(size_t index, InputHandler handler) = 0;
    // Starts delivering received messages to the handler; false leaves the input open.
    [[nodiscard]] virtual bool StartInput() = 0;
    virtual void StopInput() = 0;
    // Busy means "try again after a reset": the caller retries a bounded number of times.
    [[nodiscard]] virtual CloseResult CloseInput() = 0;
    virtual void ResetInput() {}

    [[nodiscard]] virtual bool OpenOutput(size_t index) = 0;
    [[nodiscard]] virtual bool CloseOutput() = 0;
    // Sends one message and returns when the service has taken it.
    [[nodiscard]] virtual bool Send(ByteView message) = 0;
    // The longest message the service can send.
    [[nodiscard]] virtual size_t MaxMessageSize() const {
        return std::numeric_limits<size_t>::max();
    }
};

}  // namespace veltrano
