#include "cli/CliLink.h"

#include <unistd.h>

#include <cstdio>

#include "app/Startup.h"
#include "device/PortNames.h"
#include "device/RtMidiBackend.h"
#include "device/peer/InstrumentStorage.h"
#include "device/peer/SimFaults.h"
#include "device/peer/SimulatedInstrument.h"
#include "device/peer/SimulatedPortBackend.h"

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
    : options_(options),
      reporter_(PolicyOf(options)),
      ports_(loop_, reporter_),
      link_(loop_, ports_, reporter_),
      session_(app_, link_, ports_, observer_) {}

CliLink::~CliLink() {
    ports_.CloseInput();
    (void)ports_.CloseOutput();
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
    ports_.SetFrameHandler([this](Bytes frame) { link_.OnFrame(std::move(frame)); });
    if (!ports_.StartInput()) {
        std::fprintf(stderr, "Cannot start the MIDI input\n");
        return kExitFailed;
    }
    // The window program switches to blocking sends once it is ready; so does this.
    ports_.SetBlockingSend(true);
    return kExitOk;
}

int CliLink::OpenSimulated(PortUse use) {
    const FaultSpecResult faults = ParseFaultSpec(options_.ports.simFaults);
    if (!faults.Ok()) {
        std::fprintf(stderr, "--sim-faults: %s\n", faults.error.c_str());
        return kExitUsage;
    }
    std::string error;
    auto storage = HostFolderStorage::Open(options_.ports.simFolder, error);
    if (!storage) {
        std::fprintf(stderr, "--sim: %s\n", error.c_str());
        return kExitFailed;
    }
    SimulatedInstrumentConfig config;
    config.tablesFolder = app_.DeviceFolder(kDefaultDeviceName);
    config.faults = faults.faults;
    config.seed = options_.ports.seed;
    ports_.AddBackend(std::make_unique<SimulatedPortBackend>(
        loop_, std::make_unique<SimulatedInstrument>(config, std::move(storage))));
    ports_.ListPorts();
    if ((use == PortUse::InputAndOutput && !ports_.OpenInput(0)) || !ports_.OpenOutput(0)) {
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
    bool validApi = true;
    const MidiApiChoice choice = RtMidiBackend::ChoiceFromEnvironment(&validApi);
    ports_.AddBackend(std::make_unique<RtMidiBackend>(choice));
    ports_.ListPorts();
    const int input = withInput ? FindPort(ports_.InputNames(), options_.ports.input) : -1;
    const int output = FindPort(ports_.OutputNames(), options_.ports.output);
    if (withInput && input < 0) {
        std::fprintf(stderr, "No MIDI input port \"%s\"\n", options_.ports.input.c_str());
        return kExitFailed;
    }
    if (output < 0) {
        std::fprintf(stderr, "No MIDI output port \"%s\"\n", options_.ports.output.c_str());
        return kExitFailed;
    }
    if (withInput && !ports_.OpenInput(input)) {
        std::fprintf(stderr, "Open midi device in failed\n");
        return kExitFailed;
    }
    if (!ports_.OpenOutput(output)) {
        std::fprintf(stderr, "Open midi device out failed\n");
        return kExitFailed;
    }
    if (withInput) {
        ports_.SetChosenInput(input);
    }
    ports_.SetChosenOutput(output);
    return kExitOk;
}

}  // namespace veltrano::cli
