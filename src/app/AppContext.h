#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/AppConfig.h"
#include "app/DeviceProfile.h"
#include "app/LanguageTable.h"
#include "device/PresetCatalog.h"

namespace veltrano {

inline constexpr const char* kDefaultDeviceName = "Default";

// The application object: what start-up reads and every tool shares for the whole run.
struct AppContext {
    std::filesystem::path programFolder;

    AppConfig config;        // "Cnfg.ini"
    LanguageTable language;  // the active language file
    DeviceProfile profile;   // "device.ini" of the current device

    std::string currentDevice = kDefaultDeviceName;
    std::vector<std::string> deviceList;  // the current device first
    std::string softwareName;
    std::string softwareVersion;
    std::string softwareCopyright;
    bool transmitFunc = true;

    PresetCatalog catalog;

    // "Presets/<device>/" of a device; of the current one without an argument.
    [[nodiscard]] std::filesystem::path DeviceFolder() const { return DeviceFolder(currentDevice); }
    [[nodiscard]] std::filesystem::path DeviceFolder(const std::string& device) const {
        return programFolder / "Presets" / device;
    }
};

}  // namespace veltrano
