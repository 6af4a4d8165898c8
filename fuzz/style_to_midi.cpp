// The style-to-MIDI conversion on arbitrary style bytes: opening, then every section's music
// converted into a MIDI file in memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "style/StyleToMidi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("veltrano-fuzz-style-" + std::to_string(getpid()) + ".sty");
    if (!WriteFileAtomic(file, AsText(ByteView(data, size)))) {
        return 0;
    }
    SilentReporter reporter;
    StyleToMidi converter;
    converter.SetOutputLimit(16 * 1024 * 1024);
    if (converter.Open(file, reporter)) {
        (void)converter.BuildMidi(reporter);
    }
    return 0;
}
