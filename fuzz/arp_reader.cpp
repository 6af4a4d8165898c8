// The arpeggiator pattern reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "arp/ArpPattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    const auto steps = ArpPattern::ParseFile(ByteView(data, size));
    if (steps) {
        ArpPattern pattern;
        for (size_t k = 0; k < steps->size(); ++k) {
            pattern.SetStep(static_cast<int>(k), (*steps)[k]);
        }
        pattern.RebuildGrid();
        (void)pattern.UsedLength();
        (void)pattern.Serialize(static_cast<int>(steps->size()));
    }
    return 0;
}
