// veltrano-sim: the simulated instrument on a real pair of MIDI ports, for testing the program
// (and the command line tool) over a real MIDI service.

#include <CLI/CLI.hpp>

#include "cli/ParseArgs.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/ProgramFolder.h"
#include "base/EventLoop.h"
#include "device/FrameDecoder.h"
#include "device/RtMidiBackend.h"
#include "device/peer/SimulatedInstrument.h"
#include "device/peer/SimulatedPortBackend.h"

namespace {

namespace fs = std::filesystem;
using namespace veltrano;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr auto kSignalPoll = std::chrono::milliseconds(50);

volatile std::sig_atomic_t gStopRequested = 0;

extern "C" void OnStopSignal(int) {
    gStopRequested = 1;
}

struct Options {
    std::string api = "auto";
    std::string name = "Veltrano Sim";
    std::string storage;
    std::string tables;
    // Given even when empty: an empty product name is a fault the program must cope with.
    std::optional<std::string> product;
    std::optional<std::string> firmware;
    int deviceClass = -1;
    int deviceId = 0;
    bool deviceIdGiven = false;
    std::string faults;
    uint32_t seed = 0;
    bool verbose = false;
    double latencyMs = 0.0;
    uint32_t baud = 0;
};

// The bundled tables: those of the program folder, or of the installed resources while the
// program folder has not been seeded yet.
fs::path DefaultTablesFolder() {
    const ProgramFolderChoice choice = ChooseProgramFolder(CurrentProgramFolderInputs());
    const fs::path own = choice.folder / "Presets" / "Default";
    std::error_code ec;
    if (fs::is_directory(own, ec)) {
        return own;
    }
    return choice.resources / "Presets" / "Default";
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The instrument on the loop's thread: frames in from the MIDI input, answers out after the
// configured delays.
class Simulator {
public:
    Simulator(EventLoop& loop, RtMidiBackend& ports, SimulatedInstrument& instrument,
              WireTiming timing, bool verbose)
        : loop_(loop), ports_(ports), instrument_(instrument), timing_(timing), verbose_(verbose) {}

    void OnMessage(const Bytes& message) {
        if (message.empty()) {
            return;
        }
        if (verbose_) {
            PrintLine("in   " + DecodeMidiMessage(message, true).Line());
        }
        if (message.front() != sysex::kStart) {
            return;
        }
        const uint64_t droppedBefore = instrument_.Counters().dropped;
        const EventLoop::TimePoint now = loop_.Now();
        for (SimulatedInstrument::Outgoing& answer : instrument_.HandleFrame(message, now)) {
            const EventLoop::TimePoint due =
                toPc_.Schedule(timing_, now + answer.delay, answer.frame.size());
            const bool late = answer.delay.count() > 0;
            loop_.StartTimer(due - now, false,
                             [this, late, frame = std::move(answer.frame)] { Send(frame, late); });
        }
        const uint64_t dropped = instrument_.Counters().dropped - droppedBefore;
        if (verbose_ && dropped > 0) {
            PrintLine("out  (" + std::to_string(dropped) + " answer(s) dropped)");
        }
    }

private:
    void Send(const Bytes& frame, bool late) {
        const bool sent = ports_.Send(frame);
        if (verbose_ || !sent) {
            PrintLine(std::string(sent ? "out  " : "out  NOT SENT: ") +
                      DecodeMidiMessage(frame, false).Line() + (late ? " (late)" : ""));
        }
    }

    EventLoop& loop_;
    RtMidiBackend& ports_;
    SimulatedInstrument& instrument_;
    WireTiming timing_;
    WireLane toPc_;
    bool verbose_;
};

int Run(const Options& options) {
    const auto faults = ParseFaultList(options.faults);
    if (!faults.Ok()) {
        std::fprintf(stderr, "--faults: %s\n", faults.error.c_str());
        return kExitUsage;
    }
    const auto api = ParseMidiApiChoice(options.api);
    if (!api) {
        std::fprintf(stderr, "--api: unknown MIDI service \"%s\"\n", options.api.c_str());
        return kExitUsage;
    }

    SimulatedInstrumentConfig config;
    config.tablesFolder = options.tables.empty() ? DefaultTablesFolder() : fs::path(options.tables);
    config.faults = faults.faults;
    config.seed = options.seed;
    if (options.product) {
        config.identity.productName = *options.product;
    }
    if (options.firmware) {
        config.identity.firmwareVersion = *options.firmware;
    }
    if (options.deviceClass >= 0) {
        config.identity.deviceClass = static_cast<uint8_t>(options.deviceClass);
    }
    if (options.deviceIdGiven) {
        config.identity.deviceId = options.deviceId;
    }

    std::unique_ptr<InstrumentStorage> storage;
    if (!options.storage.empty()) {
        std::string error;
        storage = HostFolderStorage::Open(options.storage, error);
        if (!storage) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return kExitFailed;
        }
    }
    SimulatedInstrument instrument(config, std::move(storage));

    ThreadedEventLoop loop;
    RtMidiBackend ports(*api, options.name);
    if (!ports.Available()) {
        std::fprintf(stderr, "No MIDI service is available\n");
        return kExitFailed;
    }
    WireTiming timing;
    timing.latency = std::chrono::duration_cast<EventLoop::Duration>(
        std::chrono::duration<double, std::milli>(options.latencyMs));
    timing.baud = options.baud;
    Simulator simulator(loop, ports, instrument, timing, options.verbose);

    const std::string inName = options.name + " in";
    const std::string outName = options.name + " out";
    // The MIDI thread only copies the bytes over to the loop.
    const bool inOpen = ports.OpenVirtualInput(inName, [&loop, &simulator](ByteView message) {
        loop.Post([&simulator, bytes = Bytes(message.begin(), message.end())] {
            simulator.OnMessage(bytes);
        });
    });
    if (!inOpen || !ports.StartInput()) {
        std::fprintf(stderr, "Cannot open the input port \"%s\": %s\n", inName.c_str(),
                     ports.LastError().c_str());
        return kExitFailed;
    }
    if (!ports.OpenVirtualOutput(outName)) {
        std::fprintf(stderr, "Cannot open the output port \"%s\": %s\n", outName.c_str(),
                     ports.LastError().c_str());
        return kExitFailed;
    }

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    bool stop = false;
    loop.StartTimer(kSignalPoll, true, [&stop] { stop = gStopRequested != 0; });

    const std::string apiNames = ports.ApiNames().empty() ? "" : ports.ApiNames().front();
    PrintLine("ready: input \"" + inName + "\", output \"" + outName + "\" (" + apiNames + ")");
    if (options.verbose) {
        PrintLine("product \"" + config.identity.productName + "\", firmware \"" +
                  config.identity.firmwareVersion + "\", tables " + config.tablesFolder.string() +
                  ", storage " +
                  (options.storage.empty() ? std::string("in memory") : options.storage) +
                  (faults.faults.Any() ? ", faults " + FormatFaultList(faults.faults) : ""));
    }

    while (!stop) {
        loop.RunOnce();
    }

    ports.StopInput();
    (void)ports.CloseInput();
    (void)ports.CloseOutput();
    if (options.verbose) {
        const SimCounters& c = instrument.Counters();
        PrintLine("frames in " + std::to_string(c.framesIn) + ", out " +
                  std::to_string(c.framesOut) + ", dropped " + std::to_string(c.dropped) +
                  ", corrupted " + std::to_string(c.corrupted) + ", late " +
                  std::to_string(c.delayed) + ", files written " + std::to_string(c.filesWritten) +
                  ", deleted " + std::to_string(c.filesDeleted));
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App app{"Veltrano simulated instrument on a pair of MIDI ports"};
    app.name("veltrano-sim");
    app.set_version_flag("--version", std::string("veltrano-sim ") + VELTRANO_VERSION);
    app.add_option("--api", options.api, "MIDI service: auto, alsa or jack")
        ->check(CLI::IsMember({"auto", "alsa", "jack"}, CLI::ignore_case));
    app.add_option("--name", options.name, "Port names are NAME in and NAME out")
        ->check([](const std::string& name) {
            return name.empty() ? std::string("the name must not be empty") : std::string();
        });
    app.add_option("--storage", options.storage,
                   "Folder that holds the instrument's storage (default: in memory)");
    app.add_option("--tables", options.tables,
                   "Folder of the preset tables (default: the program's Presets/Default)");
    app.add_option("--product", options.product, "Product name (at most 30 bytes)")
        ->check([](const std::string& text) {
            return text.size() > 30 ? std::string("at most 30 bytes") : std::string();
        });
    app.add_option("--firmware", options.firmware, "Firmware version (at most 9 bytes)")
        ->check([](const std::string& text) {
            return text.size() > 9 ? std::string("at most 9 bytes") : std::string();
        });
    app.add_option("--class", options.deviceClass, "Device class")->check(CLI::Range(0, 255));
    app.add_option("--device-id", options.deviceId, "Device identifier")
        ->check(CLI::Range(IdentityRecord::kMinDeviceId, IdentityRecord::kMaxDeviceId))
        ->each([&options](const std::string&) { options.deviceIdGiven = true; });
    app.add_option("--faults", options.faults,
                   "Faults, e.g. drop=0.05,corrupt=0.05,late=0.01,nak=0.1,refuse-connect,"
                   "refuse-cn,ignore-cn,no-keepalive,status=upload:3");
    app.add_option("--seed", options.seed, "Seed of the fault generator");
    app.add_flag("--verbose", options.verbose, "One line per frame in and out");
    app.add_option("--latency-ms", options.latencyMs, "Extra delay of every answer")
        ->check(CLI::Range(0.0, 10000.0));
    app.add_option("--baud", options.baud, "Emulated wire rate of the answers (0: none)")
        ->check(CLI::Range(0u, 10000000u));
    if (const auto exitCode = veltrano::cli::ParseArgs(app, argc, argv)) {
        return *exitCode;
    }
    return Run(options);
}
