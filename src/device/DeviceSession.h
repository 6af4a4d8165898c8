#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/EventLoop.h"
#include "device/SysExMessage.h"

namespace veltrano {

struct DeviceContext;
class Exchange;
class Link;
class MidiPorts;

// What the windows learn from the connection.
class DeviceNotices {
public:
    virtual ~DeviceNotices() = default;
    // The device box shows only this name when it is not empty; the connection indicator is
    // redrawn in every case.
    virtual void SetDeviceDisplay(const std::string& name) { (void)name; }
    // The modeless progress window of a table fetch.
    virtual void ProgressOpen(int minimum, int maximum) { (void)minimum, (void)maximum; }
    virtual void ProgressSet(int position) { (void)position; }
    virtual void ProgressClose() {}
    // The catalogues of the current device were read again.
    virtual void CataloguesReloaded() {}
    // Pages that depend on the device should show it again.
    virtual void RefreshPages() {}
    // The device (and with it "Default.prf" and the catalogues) changed: editors reload.
    virtual void DeviceRefreshed() {}
    // The in-memory device list changed; the device box shows it with its first entry chosen.
    virtual void DeviceListChanged() {}
    // Removable drives came or went (only while the instrument's storage functions are on).
    virtual void DrivesChanged() {}
};

// The few questions the connection asks the window that hosts it.
class DeviceQuestions {
public:
    virtual ~DeviceQuestions() = default;
    // The MIDI device dialog; true when the user confirmed it.
    virtual bool ShowMidiDeviceDialog() { return false; }
    virtual bool PerformanceEditorVisible() { return false; }
    // The name chosen in the device box.
    virtual std::string SelectedDevice() { return {}; }
};

class DeviceObserver : public DeviceNotices, public DeviceQuestions {};

// The connection with the instrument: connect and disconnect, the keep-alive exchange, the
// Connect command and the reaction to device changes. Everything runs on the loop's thread.
class DeviceSession {
public:
    static constexpr std::chrono::milliseconds kKeepAliveInterval{1000};
    static constexpr std::chrono::milliseconds kTablePause{50};

    DeviceSession(DeviceContext& app, Link& link, MidiPorts& ports, DeviceObserver& observer);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    [[nodiscard]] bool Connect(bool show);
    [[nodiscard]] bool Disconnect(bool show);
    // One tick of the keep-alive timer (public for tests and for loops that drive it).
    void KeepAliveTick();
    [[nodiscard]] bool KeepAliveRunning() const { return keepAliveTimer_ != 0; }
    // The program is ending and closes the ports itself: the link ends without a word and the
    // keep-alive stops, so closed ports are not taken for a lost link.
    void EndForExit();

    // Fetches the seven tables in English (with messages), then in Chinese (silently, the
    // English ones copied over the Chinese names at the first failure). False, with
    // "Get preset files(n) failed" when `show`, when an English table fails.
    [[nodiscard]] bool FetchAllTables(bool show);

    // The Connect menu command.
    void ConnectCommand();
    // The ports were just chosen in the device dialog: connects, and the first connection of
    // this model also reads its catalogues and has the pages refreshed. True when connected.
    bool ConnectChosenPorts();
    // Loads everything that depends on the current device.
    void RefreshDevice();

    // Device-change notices of the system.
    void OnDeviceNodesChanged();
    // The ports changed while not connected: with ports chosen before, open them again and
    // connect silently (the device box follows on success).
    void TrySilentReconnect();
    void OnDeviceArrival();
    void OnDeviceRemoval();

    // The identity of the last successful connect.
    [[nodiscard]] const std::optional<IdentityRecord>& Identity() const { return identity_; }

private:
    // The exchange of a connect: the request, the identity, the device folder and, for new
    // firmware, the tables. The identity on success.
    [[nodiscard]] std::optional<IdentityRecord> ConnectExchange(const Exchange& exchange,
                                                                bool show);
    [[nodiscard]] bool FetchTables(const Exchange& exchange, bool show);
    // A settings or table file that could not be written: said at once, with its path.
    void ReportSettingsWrite(const std::filesystem::path& path);
    void StartKeepAlive();
    void StopKeepAlive();
    void RebuildDeviceListAfterDisconnect();
    [[nodiscard]] bool WriteDeviceList(const std::string& product);
    void ReadCatalogues();
    [[nodiscard]] bool ReopenChosenPorts();

    DeviceContext& app_;
    Link& link_;
    MidiPorts& ports_;
    DeviceObserver& observer_;
    std::optional<IdentityRecord> identity_;
    EventLoop::TimerId keepAliveTimer_ = 0;
};

// The keyboard range an instrument class implies: 0–2 give 36…96, 3 gives 28…103, any other
// 21…108.
struct KeyboardRange {
    int low;
    int high;
};
[[nodiscard]] KeyboardRange KeyboardRangeOfClass(int deviceClass);

// A product name that may become a folder name.
[[nodiscard]] bool IsValidProductName(const std::string& name);

}  // namespace veltrano
