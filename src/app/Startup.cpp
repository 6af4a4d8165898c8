#include "app/Startup.h"

#include <algorithm>

#include "app/AppContext.h"
#include "app/ProgramFolder.h"
#include "base/Text.h"

namespace veltrano {

std::vector<std::string> BuildDeviceList(const std::string& current,
                                         const std::vector<std::string>& slots) {
    std::vector<std::string> list{current};
    for (const std::string& name : slots) {
        if (name.empty() || name == current ||
            std::find(list.begin(), list.end(), name) != list.end()) {
            continue;
        }
        list.push_back(name);
    }
    return list;
}

void ReadSettings(AppContext& app, const std::filesystem::path& programFolder) {
    app.programFolder = programFolder;
    app.config.SetPath(programFolder / kConfigFileName);

    app.currentDevice = app.config.LastDevice();
    // The name becomes a folder name; one that could lead out of "Presets" is not used.
    if (!IsSafePathComponent(app.currentDevice)) {
        app.currentDevice = kDefaultDeviceName;
    }
    app.softwareName = app.config.SoftwareName();
    app.softwareVersion = app.config.SoftwareVersion();
    app.softwareCopyright = app.config.SoftwareCopyright();
    app.transmitFunc = app.config.TransmitFunc();

    app.profile.Read(app.DeviceFolder());
    app.deviceList = BuildDeviceList(app.currentDevice, app.config.DeviceListSlots());

    std::vector<LanguageEntry> languages;
    for (const LanguageSetting& setting : app.config.Languages()) {
        languages.push_back({setting.name, programFolder / setting.relativePath});
    }
    app.language.SetLanguages(std::move(languages));
    app.language.SetIndex(app.config.LanguageId());
}

void LoadModels(AppContext& app) {
    app.catalog.ReadVoiceCatalogue(app.DeviceFolder(), app.language.Index());
    app.catalog.ReadOtherCatalogues(app.DeviceFolder(), app.language.Index());
}

}  // namespace veltrano
