// The description reader on arbitrary bytes, applied to a style; what it read must write and
// read back to the same description and the same bytes.
#include <cstddef>
#include <cstdint>

#include "base/Reporter.h"
#include "style/DscFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veltrano;
    SilentReporter reporter;
    StyleModel style;
    DscFile dsc;
    if (!dsc.ReadBytes(ByteView(data, size), &style, reporter)) {
        return 0;
    }
    const Bytes written = dsc.Serialize();
    DscFile back;
    if (!back.ReadBytes(written, nullptr, reporter) || !(back == dsc) ||
        back.Serialize() != written) {
        __builtin_trap();
    }
    return 0;
}
