#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltrano {

struct AppContext;

// Start-up in two halves, so that a window front end can put its own steps (refusing a second
// copy, reading its command line) between them in the original order:
//   ReadSettings -> [single instance, command line] -> LoadModels -> [main window].
// The command line tool runs both halves back to back.

// Points the settings at the program folder and reads them: the current device ("Default"
// when none), the software texts, the transmit switch, the device profile, the device list,
// the language list and index.
void ReadSettings(AppContext& app, const std::filesystem::path& programFolder);

// Reads the catalogues of the current device.
void LoadModels(AppContext& app);

// The device list: the current device first, then "Device0" … "Device9" of the settings
// without empty names, the current device or repeats.
[[nodiscard]] std::vector<std::string> BuildDeviceList(const std::string& current,
                                                       const std::vector<std::string>& slots);

}  // namespace veltrano
