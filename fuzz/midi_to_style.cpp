// The MIDI-to-style analysis and the music data it writes, on arbitrary MIDI bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "style/MidiToStyle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("veltrano-fuzz-midi-" + std::to_string(getpid()) + ".mid");
    if (!WriteFileAtomic(file, AsText(ByteView(data, size)))) {
        return 0;
    }
    SilentReporter reporter;
    MidiToStyle wizard;
    if (wizard.Analyse(file, reporter) &&
        wizard.ChooseSections(wizard.FoundBoxes(), wizard.Model().info.shortName, "")) {
        wizard.ResetSettings();
        wizard.StoreSettings();
        (void)wizard.LeadInMusic();
        for (const int slot : wizard.PresentSections()) {
            (void)wizard.SectionMusic(slot);
        }
        (void)wizard.BuildDescription();
    }
    return 0;
}
