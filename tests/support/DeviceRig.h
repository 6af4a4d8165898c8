#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/DeviceSession.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "device/peer/SimulatedInstrument.h"
#include "device/peer/SimulatedPortBackend.h"
#include "support/TempDir.h"

namespace veltrano::test {

// What the connection told the windows.
class RecordingObserver : public DeviceObserver {
public:
    void SetDeviceDisplay(const std::string& name) override { displays.push_back(name); }
    void ProgressOpen(int minimum, int maximum) override {
        progress.push_back("open " + std::to_string(minimum) + "-" + std::to_string(maximum));
    }
    void ProgressSet(int position) override { progress.push_back(std::to_string(position)); }
    void ProgressClose() override { progress.push_back("close"); }
    void CataloguesReloaded() override { ++catalogueReloads; }
    void RefreshPages() override { ++pageRefreshes; }
    void DeviceRefreshed() override { ++deviceRefreshes; }
    void DeviceListChanged() override { ++deviceListChanges; }
    void DrivesChanged() override { ++driveChanges; }
    bool ShowMidiDeviceDialog() override {
        ++dialogs;
        return dialog ? dialog() : false;
    }
    std::string SelectedDevice() override { return selectedDevice; }

    std::vector<std::string> displays;
    std::vector<std::string> progress;
    int catalogueReloads = 0;
    int pageRefreshes = 0;
    int deviceRefreshes = 0;
    int deviceListChanges = 0;
    int driveChanges = 0;
    int dialogs = 0;
    std::function<bool()> dialog;
    std::string selectedDevice;
};

// Sends through the MIDI ports, except the frames a test chooses to lose on the way.
class LossyOutput : public FrameOutput {
public:
    explicit LossyOutput(FrameOutput& next) : next_(next) {}
    bool SendLong(ByteView bytes) override {
        sent.emplace_back(bytes.begin(), bytes.end());
        if (loseNext > 0) {
            --loseNext;
            return true;
        }
        if (refuse || (refuseIf && refuseIf(bytes))) {
            return false;
        }
        if (corruptNext > 0 && bytes.size() > 10) {
            --corruptNext;
            Bytes damaged(bytes.begin(), bytes.end());
            damaged[9] ^= 0x01;  // the instrument sees a checksum error
            return next_.SendLong(damaged);
        }
        return next_.SendLong(bytes);
    }
    int corruptNext = 0;
    int loseNext = 0;
    bool refuse = false;
    std::function<bool(ByteView)> refuseIf;
    std::vector<Bytes> sent;

private:
    FrameOutput& next_;
};

// The program's link with the built-in simulated instrument on simulated time: a program
// folder of its own, the ports opened and the receive path wired as the program does it.
class DeviceRig {
public:
    struct Options {
        SimulatedInstrumentConfig instrument;
        WireTiming timing;
        bool transmitFunc = true;
        std::string config;  // Cnfg.ini; a minimal one when empty
    };

    DeviceRig();
    explicit DeviceRig(Options options);

    [[nodiscard]] SimulatedInstrument& Instrument() { return sim_->Instrument(); }
    [[nodiscard]] SimulatedPortBackend& Backend() { return *sim_; }
    [[nodiscard]] std::filesystem::path ProductFolder() const;
    // Sees every frame from the instrument before the program does; may change it, or return
    // false to lose it on the way.
    std::function<bool(Bytes&)> tamper;

    // Runs simulated time on (keep-alive ticks and late answers).
    void Run(std::chrono::milliseconds duration) { loop.RunFor(duration); }

    TempDir home;
    VirtualEventLoop loop;
    RecordingReporter reporter;
    AppContext app;
    MidiPorts ports;
    LossyOutput output;
    Link link;
    RecordingObserver observer;
    DeviceSession session;

private:
    SimulatedPortBackend* sim_ = nullptr;
};

// Tables for the simulated instrument: the bundled demo tables.
[[nodiscard]] std::filesystem::path DemoTables();

}  // namespace veltrano::test
