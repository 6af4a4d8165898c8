#pragma once

#include <filesystem>
#include <string>

namespace veltrano {

// Where the program keeps "Cnfg.ini", the language files and the instrument folders.
struct ProgramFolderInputs {
    std::filesystem::path homeOverride;      // VELTRANO_HOME, empty when unset
    std::filesystem::path executableFolder;  // folder of the running program
    std::filesystem::path userDataFolder;    // the per-user data folder of the platform
};

struct ProgramFolderChoice {
    std::filesystem::path folder;
    std::filesystem::path resources;  // the bundled resources that seed a new folder
};

inline constexpr const char* kConfigFileName = "Cnfg.ini";

// The folder named by VELTRANO_HOME; else the executable's folder when it holds Cnfg.ini
// (portable mode, and the build tree); else the per-user data folder. The bundled resources
// are the executable's folder in portable mode, otherwise <prefix>/share/veltrano.
[[nodiscard]] ProgramFolderChoice ChooseProgramFolder(const ProgramFolderInputs& inputs);

// Creates the folder and, when it holds no Cnfg.ini, copies the bundled resources into it
// without replacing anything already there. Returns an error text, empty on success.
[[nodiscard]] std::string SeedProgramFolder(const ProgramFolderChoice& choice);

// The inputs of the running process.
[[nodiscard]] ProgramFolderInputs CurrentProgramFolderInputs();

}  // namespace veltrano
