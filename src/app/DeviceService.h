#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/OnScreenKeyboard.h"
#include "base/Reporter.h"
#include "device/DeviceSession.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "device/PortWatcher.h"
#include "device/peer/SimFaults.h"
#include "transfer/DeviceListing.h"
#include "transfer/Transfers.h"

namespace veltrano {

struct DeviceContext;
class EventLoop;
class SimulatedPortBackend;

// What the built-in simulated instrument is made of.
struct SimulatedInstrumentSetup {
    std::filesystem::path storageFolder;  // empty: its files live in memory
    SimFaults faults;
    uint32_t seed = 1;
};

// Everything a window or a page hears from the device side.
class DeviceListener : public DeviceNotices, public TransferObserver {
public:
    // An exchange with the instrument began (true) or ended (false): the commands that would
    // start another are disabled meanwhile.
    virtual void BusyChanged(bool busy) { (void)busy; }
};

// The program's side of the cable, built once by the window program and by the command line:
// the MIDI ports, the link and the connection session, the file operations with the last
// listing, the port watcher and the on-screen keyboard's rules. The core's notices go to
// every registered listener; its questions go to the one host window.
class DeviceService final : private DeviceObserver, private TransferObserver {
public:
    DeviceService(DeviceContext& context, EventLoop& loop, Reporter& reporter);
    ~DeviceService() override;
    DeviceService(const DeviceService&) = delete;
    DeviceService& operator=(const DeviceService&) = delete;

    // The system's MIDI ports (the service chosen by VELTRANO_MIDI_API, else the usual ones).
    void AddSystemPorts();
    // The built-in simulated instrument, listed after the ports added before it. It serves the
    // tables of the bundled demo instrument. Null, with the reason, when its storage folder
    // cannot be used.
    SimulatedPortBackend* AddSimulatedInstrument(const SimulatedInstrumentSetup& setup,
                                                 std::string& error);
    // The built-in instrument added last, null when there is none.
    [[nodiscard]] SimulatedPortBackend* Simulated() const { return simulated_; }

    [[nodiscard]] MidiPorts& Ports() { return ports_; }
    [[nodiscard]] Link& GetLink() { return link_; }
    [[nodiscard]] const Link& GetLink() const { return link_; }
    [[nodiscard]] DeviceSession& Session() { return session_; }
    [[nodiscard]] Transfers& Files() { return transfers_; }
    [[nodiscard]] DeviceListing& Listing() { return listing_; }
    [[nodiscard]] OnScreenKeyboard& Keyboard() { return keyboard_; }
    [[nodiscard]] DeviceContext& Context() { return context_; }

    [[nodiscard]] bool Busy() const { return link_.Busy(); }
    [[nodiscard]] bool Connected() const { return link_.state.connected; }

    // The window that answers the connection's questions (the device dialog, the device box);
    // without one they are answered No and empty.
    void SetHost(DeviceQuestions* host) { host_ = host; }
    // Listeners are told in the order they registered; one may leave while being told.
    void AddListener(DeviceListener& listener);
    void RemoveListener(DeviceListener& listener);

    // The ports are looked at again; while not connected and idle, ports that changed since
    // the last look bring a silent reconnect to the chosen ports. The first look only records.
    void PollPorts();
    // Takes the current port lists as the ones seen last, so ports that came or went while
    // connected are no reason to reconnect later.
    void RecordPorts() { (void)watcher_.Changed(); }

    // The program is closing. A transfer that waits is stopped as the Stop button stops it;
    // then nothing more is said to the user, every wait still on the stack ends at once, the
    // keep-alive stops and the ports close (input first). Safe to call more than once.
    void Shutdown();
    [[nodiscard]] bool ShutDown() const { return shutDown_; }

private:
    // Forwards to the user until the program closes; afterwards says nothing and answers No.
    class ClosingReporter : public Reporter {
    public:
        explicit ClosingReporter(Reporter& next) : next_(next) {}
        void Show(Icon icon, std::string_view caption, std::string_view text) override;
        Answer Ask(Icon icon, std::string_view caption, std::string_view text,
                   Buttons buttons) override;
        void Mute() { muted_ = true; }

    private:
        Reporter& next_;
        bool muted_ = false;
    };

    // DeviceNotices, TransferObserver: told to every listener.
    void SetDeviceDisplay(const std::string& name) override;
    void ProgressOpen(int minimum, int maximum) override;
    void ProgressSet(int position) override;
    void ProgressClose() override;
    void CataloguesReloaded() override;
    void RefreshPages() override;
    void DeviceRefreshed() override;
    void DeviceListChanged() override;
    void DrivesChanged() override;
    void ListLocalAgain() override;
    void ListDeviceAgain() override;
    void Progress(uint64_t bytesDone, uint64_t bytesTotal) override;
    // DeviceQuestions: asked of the host.
    bool ShowMidiDeviceDialog() override;
    bool PerformanceEditorVisible() override;
    std::string SelectedDevice() override;

    template <typename Call>
    void Tell(const Call& call);

    DeviceContext& context_;
    EventLoop& loop_;
    ClosingReporter reporter_;
    MidiPorts ports_;
    Link link_;
    DeviceSession session_;
    DeviceListing listing_;
    Transfers transfers_;
    PortWatcher watcher_;
    OnScreenKeyboard keyboard_;
    DeviceQuestions* host_ = nullptr;
    SimulatedPortBackend* simulated_ = nullptr;
    std::vector<DeviceListener*> listeners_;
    bool shutDown_ = false;
};

// Keeps a listener registered with the service for as long as it lives.
class ListenerScope {
public:
    ListenerScope(DeviceService& service, DeviceListener& listener)
        : service_(service), listener_(listener) {
        service_.AddListener(listener_);
    }
    ~ListenerScope() { service_.RemoveListener(listener_); }
    ListenerScope(const ListenerScope&) = delete;
    ListenerScope& operator=(const ListenerScope&) = delete;

private:
    DeviceService& service_;
    DeviceListener& listener_;
};

}  // namespace veltrano
