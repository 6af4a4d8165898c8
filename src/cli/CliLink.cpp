#include "cli/CliLink.h"

#include <unistd.h>

#include <cstdio>

#include "app/Startup.h"
#include "device/PortNames.h"
#include "device/peer/SimFaults.h"

namespace veltrano::cli {

namespace {

ConsoleReporter::Policy PolicyOf(const GlobalOptions& options) {
    if (options.yes) {
        return ConsoleReporter::Policy::AlwaysYes;
    }
    if (options.no) {
        return ConsoleReporter::Policy::AlwaysNo;
    }
    return ConsoleReporter::Policy::Ask;
}

}  // namespace

void ConsoleObserver::ProgressOpen(int, int maximum) {
    maximum_ = maximum;
    open_ = true;
    std::fprintf(stderr, "Loading the instrument's preset tables...\n");
}

void ConsoleObserver::ProgressSet(int position) {
    if (open_) {
        // Redrawn in place on a terminal, one line each in a log.
        std::fprintf(stderr,
                     isatty(STDERR_FILENO) != 0 ? "\r  table %d of %d" : "  table %d of %d\n",
                     position, maximum_);
        std::fflush(stderr);
    }
}

void ConsoleObserver::ProgressClose() {
    if (open_ && isatty(STDERR_FILENO) != 0) {
        std::fprintf(stderr, "\n");
    }
    open_ = false;
}

CliLink::CliLink(const GlobalOptions& options)
    : options_(options), reporter_(PolicyOf(options)), devices_(app_, loop_, reporter_) {
    devices_.AddListener(observer_);
}

int CliLink::Open(PortUse use) {
    if (!StartApplication(app_)) {
        return kExitFailed;
    }
    LoadModels(app_);
    const bool simulated = !options_.ports.simFolder.empty();
    if (simulated && (!options_.ports.input.empty() || !options_.ports.output.empty())) {
        std::fprintf(stderr, "--sim cannot be combined with --in or --out\n");
        return kExitUsage;
    }
    const int status = simulated ? OpenSimulated(use) : OpenSystem(use);
    if (status != kExitOk || use == PortUse::OutputOnly) {
        return status;
    }
    if (!Ports().StartInput()) {
        std::fprintf(stderr, "Cannot start the MIDI input\n");
        return kExitFailed;
    }
    // The window program switches to blocking sends once it is ready; so does this.
    Ports().SetBlockingSend(true);
    return kExitOk;
}

int CliLink::OpenSimulated(PortUse use) {
    const FaultListResult faults = ParseFaultList(options_.ports.simFaults);
    if (!faults.Ok()) {
        std::fprintf(stderr, "--sim-faults: %s\n", faults.error.c_str());
        return kExitUsage;
    }
    std::string error;
    if (devices_.AddSimulatedInstrument(
            {options_.ports.simFolder, faults.faults, options_.ports.seed}, error) == nullptr) {
        std::fprintf(stderr, "--sim: %s\n", error.c_str());
        return kExitFailed;
    }
    MidiPorts& ports = Ports();
    if ((use == PortUse::InputAndOutput && !ports.OpenInput(0)) || !ports.OpenOutput(0)) {
        std::fprintf(stderr, "Cannot open the simulated instrument\n");
        return kExitFailed;
    }
    return kExitOk;
}

int CliLink::OpenSystem(PortUse use) {
    const bool withInput = use == PortUse::InputAndOutput;
    if ((withInput && options_.ports.input.empty()) || options_.ports.output.empty()) {
        std::fprintf(stderr, withInput
                                 ? "Name the ports with --in and --out (see \"veltrano-cli "
                                   "ports\"), or use --sim DIR for the simulated instrument\n"
                                 : "Name the output port with --out (see \"veltrano-cli "
                                   "ports\"), or use --sim DIR for the simulated instrument\n");
        return kExitUsage;
    }
    devices_.AddSystemPorts();
    MidiPorts& ports = Ports();
    const int input = withInput ? FindPort(ports.InputNames(), options_.ports.input) : -1;
    const int output = FindPort(ports.OutputNames(), options_.ports.output);
    if (withInput && input < 0) {
        std::fprintf(stderr, "No MIDI input port \"%s\"\n", options_.ports.input.c_str());
        return kExitFailed;
    }
    if (output < 0) {
        std::fprintf(stderr, "No MIDI output port \"%s\"\n", options_.ports.output.c_str());
        return kExitFailed;
    }
    if (withInput && !ports.OpenInput(input)) {
        std::fprintf(stderr, "Open midi device in failed\n");
        return kExitFailed;
    }
    if (!ports.OpenOutput(output)) {
        std::fprintf(stderr, "Open midi device out failed\n");
        return kExitFailed;
    }
    if (withInput) {
        ports.SetChosenInput(input);
    }
    ports.SetChosenOutput(output);
    return kExitOk;
}

}  // namespace veltrano::cli
