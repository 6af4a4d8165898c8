#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "device/DeviceSession.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "device/peer/SimFaults.h"

namespace veltrano {

struct AppContext;
class EventLoop;
class Reporter;
class SimulatedPortBackend;

// What the built-in simulated instrument is made of.
struct SimulatedInstrumentSetup {
    std::filesystem::path storageFolder;  // empty: its files live in memory
    SimFaults faults;
    uint32_t seed = 1;
};

// The program's side of the cable, as the window program and the command line both build it:
// the MIDI ports, the link whose receive path they feed, and the connection session.
class DeviceStack {
public:
    DeviceStack(AppContext& app, EventLoop& loop, Reporter& reporter, DeviceObserver& observer);
    ~DeviceStack();
    DeviceStack(const DeviceStack&) = delete;
    DeviceStack& operator=(const DeviceStack&) = delete;

    // The system's MIDI ports (the service chosen by VELTRANO_MIDI_API, else the usual ones).
    void AddSystemPorts();
    // The built-in simulated instrument, listed after the ports added before it. It serves the
    // tables of the bundled demo instrument. Null, with the reason, when its storage folder
    // cannot be used.
    SimulatedPortBackend* AddSimulatedInstrument(const SimulatedInstrumentSetup& setup,
                                                 std::string& error);

    [[nodiscard]] MidiPorts& Ports() { return ports_; }
    [[nodiscard]] Link& GetLink() { return link_; }
    [[nodiscard]] DeviceSession& Session() { return session_; }

private:
    AppContext& app_;
    EventLoop& loop_;
    MidiPorts ports_;
    Link link_;
    DeviceSession session_;
};

}  // namespace veltrano
