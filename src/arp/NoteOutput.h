#pragma once

#include <cstdint>

namespace veltrano {

// Where the preview engine's channel messages go: the instrument's MIDI output, a log, or a
// test's recorder. Called on the preview clock's thread, so it must never wait long.
class NoteOutput {
public:
    virtual ~NoteOutput() = default;
    // Status in the low byte, then data 1, then data 2. True when it went out.
    [[nodiscard]] virtual bool SendShort(uint32_t message) = 0;
};

}  // namespace veltrano
