#include <CLI/CLI.hpp>

#include "cli/ParseArgs.h"

#include <cstdio>

#include "cli/CliCommon.h"

int main(int argc, char** argv) {
    using namespace veltrano::cli;
    CliState state;
    CLI::App app{"Veltrano command line: files, conversions and the instrument link"};
    app.name("veltrano-cli");
    app.set_version_flag("--version", std::string("veltrano-cli ") + VELTRANO_VERSION);
    app.require_subcommand(1);
    app.fallthrough();
    RegisterGlobalOptions(app, state.options);

    RegisterCatalogCommand(app, state);
    RegisterPortsCommand(app, state);
    RegisterDeviceCommand(app, state);
    RegisterInfoCommand(app, state);
    RegisterStyleToMidiCommands(app, state);
    RegisterMidiToStyleCommand(app, state);
    RegisterArpPlayCommand(app, state);

    if (const auto exitCode = veltrano::cli::ParseArgs(app, argc, argv)) {
        return *exitCode;
    }
    return state.exitCode;
}
