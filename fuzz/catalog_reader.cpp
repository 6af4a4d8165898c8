// The preset table readers on arbitrary bytes. The first byte chooses the table kind and the
// code page; the rest is the table.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/PresetCatalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using veltrano::PresetCatalog;
    if (size == 0) {
        return 0;
    }
    const bool chinese = (data[0] & 0x80) != 0;
    const std::string_view table(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] & 0x3) {
        case 0: {
            PresetCatalog catalog;
            catalog.ReadVoiceTableBytes(table, chinese);
            for (const auto& group : catalog.VoiceGroups()) {
                for (const auto& display : group.displays) {
                    (void)catalog.FindVoiceByDisplay(display);
                }
            }
            break;
        }
        case 1:
            (void)PresetCatalog::ParseNameGroups(table, chinese, "STYLE NAME");
            break;
        case 2:
            (void)PresetCatalog::ParseNameGroups(table, chinese, "SONG NAME");
            break;
        default:
            (void)PresetCatalog::ParseSingleGroup(table, chinese);
            break;
    }
    return 0;
}
