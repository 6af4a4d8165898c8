// "ports": the system's MIDI input and output ports, with the positions that name them.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "cli/CliCommon.h"
#include "device/MidiPorts.h"
#include "device/RtMidiBackend.h"

namespace veltrano::cli {

namespace {

nlohmann::json PortsJson(const std::vector<std::string>& names) {
    nlohmann::json out = nlohmann::json::array();
    for (size_t i = 0; i < names.size(); ++i) {
        out.push_back({{"index", i}, {"name", names[i]}});
    }
    return out;
}

void PrintPorts(const char* title, const char* none, const std::vector<std::string>& names) {
    if (names.empty()) {
        std::printf("%s\n", none);
        return;
    }
    std::printf("%s\n", title);
    for (size_t i = 0; i < names.size(); ++i) {
        std::printf("  %2zu  %s\n", i, names[i].c_str());
    }
}

}  // namespace

void RegisterPortsCommand(CLI::App& root, CliState& state) {
    CLI::App* cmd = root.add_subcommand("ports", "List the MIDI input and output ports");
    cmd->callback([&state] {
        bool validChoice = true;
        const MidiApiChoice choice = RtMidiBackend::ChoiceFromEnvironment(&validChoice);
        if (!validChoice) {
            std::fprintf(stderr, "%s: expected alsa, jack or auto; using auto\n",
                         std::string(RtMidiBackend::kApiVariable).c_str());
        }
        auto backend = std::make_unique<RtMidiBackend>(choice);
        const std::vector<std::string> apis = backend->ApiNames();

        ThreadedEventLoop loop;
        SilentReporter reporter;
        MidiPorts ports(loop, reporter);
        ports.AddBackend(std::move(backend));
        ports.ListPorts();

        if (state.options.json) {
            const nlohmann::json out = {{"apis", apis},
                                        {"inputs", PortsJson(ports.InputNames())},
                                        {"outputs", PortsJson(ports.OutputNames())}};
            std::printf("%s\n", out.dump(2).c_str());
            return;
        }
        if (apis.empty()) {
            std::printf("No MIDI service found.\n");
        }
        PrintPorts("MIDI input ports:", "No MIDI input ports.", ports.InputNames());
        PrintPorts("MIDI output ports:", "No MIDI output ports.", ports.OutputNames());
    });
}

}  // namespace veltrano::cli
