// The performance bank reader on arbitrary bytes, in both code pages. Whatever it accepts must
// write back and read again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/Reporter.h"
#include "performance/PerformanceFile.h"

namespace {

void CheckRoundTrip(const veltrano::PerformanceBank& bank, veltrano::CodePage page) {
    using namespace veltrano;
    SilentReporter reporter;
    const PerformanceFile file(reporter, page);
    ControllerLayout layout;
    layout.pitchBend = true;
    layout.knobFunctionGroups = 3;
    const auto first = file.Build(bank, layout);
    if (!first) {
        std::abort();  // a bank the reader accepted must be writable
    }
    PerformanceBank again;
    if (!file.ReadBytes(*first, again)) {
        std::abort();
    }
    const auto second = file.Build(again, layout);
    if (!second || *second != *first) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    const ByteView bytes(data, size);
    for (const CodePage page : {CodePage::Windows1252, CodePage::Gbk}) {
        SilentReporter reporter;
        PerformanceBank bank;
        const PerformanceBank before = bank;
        if (PerformanceFile(reporter, page).ReadBytes(bytes, bank)) {
            CheckRoundTrip(bank, page);
        } else if (!(bank.Performances() == before.Performances()) || bank.Loaded()) {
            std::abort();  // a refused file must leave the bank alone
        }
    }
    return 0;
}
