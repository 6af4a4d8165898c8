#pragma once

#include <string>

#include "app/AppContext.h"

namespace CLI {
class App;
}

namespace veltrano::cli {

// Exit status of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a failure that was reported
inline constexpr int kExitUsage = 2;

// Options accepted before or after any subcommand's own words.
struct GlobalOptions {
    bool json = false;
    bool yes = false;
    bool no = false;
};

struct CliState {
    GlobalOptions options;
    int exitCode = kExitOk;
};

// Finds and seeds the program folder and reads the settings in it, as the window program
// does at start-up; commands load the models they need. On failure prints the reason and
// returns false.
[[nodiscard]] bool StartApplication(AppContext& app);

void RegisterCatalogCommand(CLI::App& root, CliState& state);

}  // namespace veltrano::cli
