// "info FILE": what a performance, pattern, MIDI, style, description or one-touch file holds.
#include "cli/InfoCommand.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "base/Text.h"
#include "cli/CliCommon.h"

namespace veltrano::cli {

void RegisterInfoCommand(CLI::App& root, CliState& state) {
    auto path = std::make_shared<std::string>();
    CLI::App* info =
        root.add_subcommand("info", "Show what a .prf .arp .mid .sty .dsc or .ots holds");
    info->add_option("FILE", *path, "The file")->required();
    info->fallthrough();
    info->callback([&state, path] {
        const std::filesystem::path file(*path);
        const std::string ext = ToLowerAscii(file.extension().string());
        const bool json = state.options.json;
        if (ext == ".prf") {
            state.exitCode = InfoPerformance(file, json);
        } else if (ext == ".arp") {
            state.exitCode = InfoArpPattern(file, json);
        } else if (ext == ".mid" || ext == ".midi" || ext == ".smf") {
            state.exitCode = InfoMidiFile(file, json);
        } else if (ext == ".sty") {
            state.exitCode = InfoStyle(file, json);
        } else if (ext == ".dsc") {
            state.exitCode = InfoDsc(file, json);
        } else if (ext == ".ots") {
            state.exitCode = InfoOts(file, json);
        } else {
            std::fprintf(stderr,
                         "Unknown kind of file: %s (expected .prf .arp .mid .sty .dsc .ots)\n",
                         path->c_str());
            state.exitCode = kExitUsage;
        }
    });
}

}  // namespace veltrano::cli
