#pragma once

#include <filesystem>

namespace veltrano {

// The few places the platform decides. Each returns an empty path when it cannot tell.

// Folder of the running executable.
[[nodiscard]] std::filesystem::path ExecutableFolder();

// The per-user folder for the program's data: $XDG_DATA_HOME/veltrano (or
// ~/.local/share/veltrano) on Linux, the roaming application data folder on Windows,
// ~/Library/Application Support/Veltrano on macOS.
[[nodiscard]] std::filesystem::path UserDataFolder();

}  // namespace veltrano
