#include "cli/CliCommon.h"

#include <cstdio>

#include "app/ProgramFolder.h"
#include "app/Startup.h"

namespace veltrano::cli {

bool StartApplication(AppContext& app) {
    const ProgramFolderChoice choice = ChooseProgramFolder(CurrentProgramFolderInputs());
    const std::string error = SeedProgramFolder(choice);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    ReadSettings(app, choice.folder);
    return true;
}

}  // namespace veltrano::cli
