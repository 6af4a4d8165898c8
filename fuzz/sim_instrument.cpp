// The simulated instrument's frame reader: a sequence of frames from the PC, cut out of the
// input at every F7, fed to one instrument whose files live in memory.
#include <cstddef>
#include <cstdint>

#include "device/peer/SimulatedInstrument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    SimulatedInstrumentConfig config;
    SimulatedInstrument instrument(config);
    EventLoop::TimePoint now{};
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xF7) {
            (void)instrument.HandleFrame(ByteView(data + start, i + 1 - start), now);
            now += std::chrono::milliseconds(5);
            start = i + 1;
        }
    }
    if (start < size) {
        (void)instrument.HandleFrame(ByteView(data + start, size - start), now);
    }
    return 0;
}
