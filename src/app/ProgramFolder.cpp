#include "app/ProgramFolder.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "base/FileIo.h"
#include "base/PlatformPaths.h"
#include "base/Text.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr const char* kManifestName = "resources.manifest";

bool HoldsConfig(const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(folder / kConfigFileName, ec);
}

}  // namespace

ProgramFolderChoice ChooseProgramFolder(const ProgramFolderInputs& inputs) {
    ProgramFolderChoice choice;
    const bool portable = HoldsConfig(inputs.executableFolder);
    choice.resources = portable ? inputs.executableFolder
                                : inputs.executableFolder.parent_path() / "share" / "veltrano";
    if (!inputs.homeOverride.empty()) {
        choice.folder = inputs.homeOverride;
    } else if (portable) {
        choice.folder = inputs.executableFolder;
    } else {
        choice.folder = inputs.userDataFolder;
    }
    return choice;
}

std::string SeedProgramFolder(const ProgramFolderChoice& choice) {
    std::error_code ec;
    if (choice.folder.empty()) {
        return "No folder for the program's data";
    }
    fs::create_directories(choice.folder, ec);
    if (ec) {
        return "Cannot create " + choice.folder.string() + ": " + ec.message();
    }
    if (HoldsConfig(choice.folder)) {
        return {};
    }
    if (!HoldsConfig(choice.resources)) {
        return "No bundled resources in " + choice.resources.string();
    }
    if (fs::equivalent(choice.folder, choice.resources, ec)) {
        return {};
    }
    // Copy file by file, skipping whatever is already there: a user's own files stay. The
    // manifest, when present, names the bundled files among the programs beside them.
    std::vector<fs::path> files;
    if (const auto manifest = ReadFileBytes(choice.resources / kManifestName)) {
        for (std::string_view line : SplitFields(*manifest, '\n')) {
            line = TrimBlanks(line);
            if (!line.empty()) {
                files.emplace_back(std::string(line));
            }
        }
    } else {
        for (auto it = fs::recursive_directory_iterator(choice.resources, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_regular_file(ec)) {
                files.push_back(fs::relative(it->path(), choice.resources, ec));
            }
        }
    }
    for (const fs::path& relative : files) {
        if (ec) {
            break;
        }
        if (relative.is_absolute() || relative.lexically_normal().string().starts_with("..")) {
            continue;
        }
        const fs::path target = choice.folder / relative;
        fs::create_directories(target.parent_path(), ec);
        if (!ec && !fs::exists(target, ec)) {
            fs::copy_file(choice.resources / relative, target, ec);
        }
    }
    if (ec) {
        return "Cannot copy the bundled resources into " + choice.folder.string() + ": " +
               ec.message();
    }
    return {};
}

ProgramFolderInputs CurrentProgramFolderInputs() {
    ProgramFolderInputs inputs;
    if (const char* home = std::getenv("VELTRANO_HOME"); home != nullptr && *home != '\0') {
        inputs.homeOverride = home;
    }
    inputs.executableFolder = ExecutableFolder();
    inputs.userDataFolder = UserDataFolder();
    return inputs;
}

}  // namespace veltrano
