// The MIDI file reader on arbitrary bytes. Small inputs are also read by the plain reference
// walk of the tests, and any difference in the result stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "../tests/style/MidiReferenceCompare.h"
#include "base/Reporter.h"
#include "style/MidiFile.h"

namespace {

// The reference is quadratic; beyond this it would only slow the search down.
constexpr size_t kCompareUpTo = 16 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    MidiFile midi;
    SilentReporter reporter;
    const bool ok = midi.LoadBytes(ByteView(data, size), reporter);
    double previous = 0;
    for (const MidiEvent& e : midi.Events()) {
        if (e.tick < previous || e.track >= midi.TrackCount() || e.duration < 0) {
            std::abort();
        }
        previous = e.tick;
        (void)midi.HexText(e);
        (void)midi.PositionText(e);
    }
    if (size <= kCompareUpTo) {
        const std::string difference =
            test::DifferenceFromReference(midi, ok, test::ReferenceWalk::Read(data, size));
        if (!difference.empty()) {
            std::fprintf(stderr, "reader and reference differ: %s\n", difference.c_str());
            std::abort();
        }
    }
    return 0;
}
