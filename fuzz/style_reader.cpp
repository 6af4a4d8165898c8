// The style reader on arbitrary bytes: each read as the conversion to MIDI makes it, then the
// whole-style load, whose result must save and load again to the same bytes.
#include <cstddef>
#include <cstdint>

#include "base/Reporter.h"
#include "style/StyleFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    const Bytes bytes(data, data + size);
    SilentReporter reporter;

    StyleFile style;
    if (style.ValidateBytes(bytes, reporter)) {
        (void)style.read_info(reporter);
        (void)style.read_ots(reporter);
        if (style.read_control(reporter)) {
            const StyleLayout& layout = style.Layout();
            if (const auto leadIn = style.read_section(layout.leadInOffset)) {
                (void)SplitMusicData(*leadIn, kLeadInRhythmChannels);
            }
            for (int slot = 0; slot < kSectionSlotCount; ++slot) {
                const StyleSection& section = style.Model().sections[static_cast<size_t>(slot)];
                if (!section.present) {
                    continue;
                }
                if (const auto music =
                        style.read_section(layout.dataOffsets[static_cast<size_t>(slot)])) {
                    (void)SplitMusicData(*music, RhythmChannels(section.channels));
                }
            }
        }
    }

    StyleFile loaded;
    if (!loaded.LoadBytes(bytes, reporter)) {
        return 0;
    }
    // What was loaded saves to a file that loads again, and from then on stays the same.
    const std::optional<Bytes> first = loaded.Serialize();
    if (!first) {
        return 0;
    }
    StyleFile second;
    if (!second.LoadBytes(*first, reporter)) {
        __builtin_trap();
    }
    const std::optional<Bytes> again = second.Serialize();
    StyleFile third;
    if (!again || !third.LoadBytes(*again, reporter) || third.Serialize() != again ||
        !(third.Model() == second.Model())) {
        __builtin_trap();
    }
    return 0;
}
