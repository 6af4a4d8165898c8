#pragma once

#include <cstdint>
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

// Which MIDI ports a command talks through: real ones by name or index, or the built-in
// simulated instrument with its storage in a folder.
struct PortOptions {
    std::string input;
    std::string output;
    std::string simFolder;
    std::string simFaults;
    uint32_t seed = 1;
};

// Options accepted before or after any subcommand's own words.
struct GlobalOptions {
    bool json = false;
    bool yes = false;
    bool no = false;
    PortOptions ports;
};

struct CliState {
    GlobalOptions options;
    int exitCode = kExitOk;
};

// Finds and seeds the program folder and reads the settings in it, as the window program
// does at start-up; commands load the models they need. On failure prints the reason and
// returns false.
[[nodiscard]] bool StartApplication(AppContext& app);

// Adds the global options to the root command.
void RegisterGlobalOptions(CLI::App& root, GlobalOptions& options);

void RegisterCatalogCommand(CLI::App& root, CliState& state);
void RegisterPortsCommand(CLI::App& root, CliState& state);
void RegisterDeviceCommand(CLI::App& root, CliState& state);
void RegisterInfoCommand(CLI::App& root, CliState& state);
void RegisterStyleToMidiCommands(CLI::App& root, CliState& state);
void RegisterMidiToStyleCommand(CLI::App& root, CliState& state);
void RegisterArpPlayCommand(CLI::App& root, CliState& state);

}  // namespace veltrano::cli
