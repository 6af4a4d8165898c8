// The monitor's decoder on arbitrary bytes, in both directions: as they come, and wrapped in a
// valid frame around an arbitrary payload so every command's field decoding is reached.
#include <cstddef>
#include <cstdint>

#include "device/FrameDecoder.h"
#include "device/MidiMonitorRows.h"
#include "device/SysExMessage.h"

namespace {

void Decode(veltrano::ByteView message) {
    using namespace veltrano;
    for (const bool fromPc : {true, false}) {
        const DecodedMessage decoded = DecodeMidiMessage(message, fromPc);
        (void)decoded.Line();
    }
    (void)HexBytes(message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    const ByteView raw(data, size);
    Decode(raw);
    if (size > 0) {
        // First byte the command, the rest a payload of plain bytes (pair-encoded here), so
        // the payload decodes and the field decoders see every length.
        const Bytes frame = sysex::BuildFrame(data[0] & 0x7F, raw.subspan(1));
        Decode(frame);
        // The same frame cut short, as a frame that lost its tail would arrive.
        Bytes cut(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(frame.size() / 2));
        cut.push_back(sysex::kEnd);
        Decode(cut);
    }
    return 0;
}
