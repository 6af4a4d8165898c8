#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "device/PresetCatalog.h"
#include "settings/AppConfig.h"
#include "settings/DeviceProfile.h"
#include "settings/LanguageTable.h"

namespace veltrano {

inline constexpr const char* kDefaultDeviceName = "Default";

// What the device side and the editors share for the whole run: the settings, the language,
// the current instrument model with its profile and catalogues, and the list of models seen.
// The application object extends it with what only the program itself needs.
struct DeviceContext {
    std::filesystem::path programFolder;

    AppConfig config;        // "Cnfg.ini"
    LanguageTable language;  // the active language file
    DeviceProfile profile;   // "device.ini" of the current device

    std::string currentDevice = kDefaultDeviceName;
    std::vector<std::string> deviceList;  // the current device first
    bool transmitFunc = true;

    PresetCatalog catalog;

    // "Presets/<device>/" of a device; of the current one without an argument.
    [[nodiscard]] std::filesystem::path DeviceFolder() const { return DeviceFolder(currentDevice); }
    [[nodiscard]] std::filesystem::path DeviceFolder(const std::string& device) const {
        return programFolder / "Presets" / device;
    }
};

}  // namespace veltrano
