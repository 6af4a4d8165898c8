#include "cli/CliCommon.h"

#include <CLI/CLI.hpp>

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

void RegisterGlobalOptions(CLI::App& root, GlobalOptions& options) {
    root.add_flag("--json", options.json, "Print the result as JSON");
    auto* yes = root.add_flag("--yes", options.yes, "Answer every question with Yes");
    root.add_flag("--no", options.no, "Answer every question with No")->excludes(yes);
    const char* group = "Port options";
    root.add_option("--in", options.ports.input, "MIDI input port (name or index)")->group(group);
    root.add_option("--out", options.ports.output, "MIDI output port (name or index)")
        ->group(group);
    auto* sim = root.add_option("--sim", options.ports.simFolder,
                                "Use the built-in simulated instrument, its storage in DIR")
                    ->group(group);
    root.add_option("--sim-faults", options.ports.simFaults,
                    "Faults of the simulated instrument, e.g. drop=0.05,corrupt=0.05")
        ->group(group)
        ->needs(sim);
    root.add_option("--seed", options.ports.seed, "Seed of the simulated instrument's faults")
        ->group(group);
}

}  // namespace veltrano::cli
