#pragma once

#include <memory>
#include <string>

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "base/EventLoop.h"
#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "device/DeviceSession.h"
#include "device/Link.h"
#include "device/MidiPorts.h"

namespace veltrano {
class SimulatedPortBackend;
}

namespace veltrano::cli {

// Prints the table fetch's progress as one line on stderr.
class ConsoleObserver : public DeviceListener {
public:
    void ProgressOpen(int minimum, int maximum) override;
    void ProgressSet(int position) override;
    void ProgressClose() override;

private:
    int maximum_ = 0;
    bool open_ = false;
};

// The command line's connection to an instrument: the program's settings and the device
// service on the MIDI ports chosen by the port options (real ports, or the built-in simulated
// instrument), all on a real-time loop.
class CliLink {
public:
    explicit CliLink(const GlobalOptions& options);

    // Commands that only play notes need no input port.
    enum class PortUse { InputAndOutput, OutputOnly };

    // Opens the ports; on failure prints why and returns the exit status to end with.
    [[nodiscard]] int Open(PortUse use = PortUse::InputAndOutput);

    [[nodiscard]] AppContext& App() { return app_; }
    [[nodiscard]] ThreadedEventLoop& Loop() { return loop_; }
    [[nodiscard]] ConsoleReporter& Reporter() { return reporter_; }
    [[nodiscard]] DeviceService& Devices() { return devices_; }
    [[nodiscard]] MidiPorts& Ports() { return devices_.Ports(); }
    [[nodiscard]] Link& GetLink() { return devices_.GetLink(); }
    [[nodiscard]] DeviceSession& Session() { return devices_.Session(); }

private:
    [[nodiscard]] int OpenSimulated(PortUse use);
    [[nodiscard]] int OpenSystem(PortUse use);

    GlobalOptions options_;
    AppContext app_;
    ThreadedEventLoop loop_;
    ConsoleReporter reporter_;
    ConsoleObserver observer_;
    DeviceService devices_;
};

}  // namespace veltrano::cli
