#include "device/DeviceSession.h"

#include <algorithm>
#include <system_error>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "base/Text.h"
#include "device/DeviceContext.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "device/TableFetch.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr const char* kConnectCaption = "Connect";
constexpr const char* kDisconnectCaption = "Disconnect";
constexpr const char* kSendFailed = "Send message failed, please check the connection";
constexpr int kTableCount = 7;
// The text tables whose English copies stand in for Chinese ones the instrument did not give.
constexpr int kTextTables[] = {0, 3, 2, 1, 4, 5};

uint8_t Cap(uint8_t value, uint8_t limit) {
    return std::min(value, limit);
}

}  // namespace

KeyboardRange KeyboardRangeOfClass(int deviceClass) {
    if (deviceClass >= 0 && deviceClass <= 2) {
        return {36, 96};
    }
    if (deviceClass == 3) {
        return {28, 103};
    }
    return {21, 108};
}

bool IsValidProductName(const std::string& name) {
    return IsSafePathComponent(name) && name.find("..") == std::string::npos;
}

DeviceSession::DeviceSession(DeviceContext& app, Link& link, MidiPorts& ports,
                             DeviceObserver& observer)
    : app_(app), link_(link), ports_(ports), observer_(observer) {}

DeviceSession::~DeviceSession() {
    StopKeepAlive();
}

bool DeviceSession::Connect(bool show) {
    std::optional<IdentityRecord> identity;
    {
        Exchange exchange(link_);
        if (!exchange.Begun()) {
            return true;
        }
        identity = ConnectExchange(exchange, show);
    }
    if (!identity) {
        return false;
    }
    const IdentityRecord& id = *identity;

    DeviceProfileValues& values = app_.profile.MutableValues();
    if (values.deviceClass < 0) {
        ReadCatalogues();
    }
    values.productName = id.productName;
    values.firmwareVersion = id.firmwareVersion;
    values.deviceClass = id.deviceClass;
    values.controllerTypes = id.controllerTypes;
    values.controllerPedal = Cap(id.pedals, 3);
    values.controllerKnob = Cap(id.knobs, 6);
    values.controllerPad = Cap(id.pads, 12);
    values.controllerPitchbend = Cap(id.pitchbend, 1);
    values.knobFunctionGroups = id.knobFunctionGroups;
    values.knobCustomGroup = id.knobCustomGroup;
    const KeyboardRange range = KeyboardRangeOfClass(id.deviceClass);
    values.kbdRangeL = range.low;
    values.kbdRangeH = range.high;
    identity_ = id;

    link_.state.keepAliveSent = 0;
    link_.state.keepAliveAnswered = 0;
    link_.state.connected = true;
    if (app_.transmitFunc) {
        StartKeepAlive();
    }
    observer_.SetDeviceDisplay(id.productName);
    if (!app_.profile.WriteConnection(values)) {
        ReportSettingsWrite(app_.profile.File().Path());
    }
    if (!WriteDeviceList(id.productName)) {
        ReportSettingsWrite(app_.config.File().Path());
    }
    link_.state.deviceHeld = true;
    return true;
}

std::optional<IdentityRecord> DeviceSession::ConnectExchange(const Exchange& exchange, bool show) {
    Reporter& reporter = link_.Report();
    auto fail = [&](Icon icon, const std::string& text) -> std::optional<IdentityRecord> {
        if (show) {
            reporter.Show(icon, kConnectCaption, text);
        }
        return std::nullopt;
    };

    link_.ArmReplyWait();
    if (!link_.Sender().SendConnection(sysex::kConnect)) {
        return fail(Icon::Warning, kSendFailed);
    }
    if (link_.WaitReply() == WaitResult::Timeout) {
        return fail(Icon::Error, "Time out");
    }
    const auto reply = ConnectReply::Decode(link_.LastFrame());
    if (!reply || reply->status != 0) {
        return fail(Icon::Information, "Can't be allow connect");
    }
    if (!reply->checksum.match || !reply->identity) {
        return fail(Icon::Error, "Checksum error: " + sysex::ChecksumText(reply->checksum, false));
    }
    const IdentityRecord& id = *reply->identity;
    // The product name becomes a folder name: one that could leave "Presets" is refused before
    // anything is created or written.
    if (!IsValidProductName(id.productName)) {
        return fail(Icon::Error, "Invalid product name: " + id.productName);
    }

    app_.currentDevice = id.productName;
    const fs::path folder = app_.DeviceFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    app_.profile.Repoint(folder);
    const std::string storedFirmware = app_.profile.File().GetString("Firmware", "FirmwareVersion");

    if (!EqualsNoCase(storedFirmware, id.firmwareVersion)) {
        if (!FetchTables(exchange, true)) {
            return std::nullopt;
        }
        if (!app_.profile.WriteFirmware(id.firmwareVersion, id.deviceId)) {
            ReportSettingsWrite(app_.profile.File().Path());
        }
    }
    return id;
}

void DeviceSession::ReportSettingsWrite(const fs::path& path) {
    link_.Report().Show(
        Icon::Error, kConnectCaption,
        app_.language.LookupText("MainPanel", "IDS_MSG_SETTINGS_WRITE") + "\n" + path.string());
}

bool DeviceSession::FetchAllTables(bool show) {
    Exchange exchange(link_);
    if (!exchange.Begun()) {
        return false;
    }
    return FetchTables(exchange, show);
}

bool DeviceSession::FetchTables(const Exchange& exchange, bool show) {
    const fs::path folder = app_.DeviceFolder();
    observer_.ProgressOpen(0, kTableCount);
    for (int table = 0; table < kTableCount; ++table) {
        observer_.ProgressSet(table + 1);
        if (!GetTabFiles(link_, exchange, folder, table, false, true)) {
            if (show) {
                link_.Report().Show(Icon::Error, kConnectCaption,
                                    "Get preset files(" + std::to_string(table + 1) + ") failed");
            }
            observer_.ProgressClose();
            return false;
        }
        if (table + 1 < kTableCount) {
            link_.Loop().Sleep(kTablePause);
        }
    }
    for (int table = 0; table < kTableCount; ++table) {
        observer_.ProgressSet(table + 1);
        if (!GetTabFiles(link_, exchange, folder, table, true, false)) {
            for (const int text : kTextTables) {
                const auto english =
                    ReadFileBytes(folder / PresetCatalog::TableFileName(text, false));
                if (english &&
                    !WriteFileAtomic(folder / PresetCatalog::TableFileName(text, true), *english)) {
                    ReportSettingsWrite(folder / PresetCatalog::TableFileName(text, true));
                    break;
                }
            }
            break;
        }
        if (table + 1 < kTableCount) {
            link_.Loop().Sleep(kTablePause);
        }
    }
    observer_.ProgressClose();
    return true;
}

bool DeviceSession::WriteDeviceList(const std::string& product) {
    AppConfig& config = app_.config;
    bool written = config.SetDeviceListSlot(0, product);
    written = config.SetLastDevice(product) && written;
    int slot = 1;
    for (const std::string& name : app_.deviceList) {
        if (slot >= AppConfig::kDeviceListSlots) {
            break;
        }
        if (name.empty() || name == product) {
            continue;
        }
        written = config.SetDeviceListSlot(slot, name) && written;
        ++slot;
    }
    return written;
}

bool DeviceSession::Disconnect(bool show) {
    bool confirmed = false;
    {
        Exchange exchange(link_);
        if (!exchange.Begun()) {
            return true;
        }
        link_.ArmReplyWait();
        if (!link_.Sender().SendConnection(sysex::kDisconnect)) {
            if (show) {
                link_.Report().Show(Icon::Warning, kConnectCaption, kSendFailed);
            }
            return false;
        }
        if (link_.WaitReply() == WaitResult::Timeout) {
            if (show) {
                link_.Report().Show(Icon::Error, kDisconnectCaption, "Time out");
            }
            return false;
        }
        confirmed = sysex::ReplyStatus(link_.LastFrame()) == 1;
    }
    if (confirmed) {
        link_.state.connected = false;
        StopKeepAlive();
        observer_.SetDeviceDisplay({});
        link_.state.deviceHeld = false;
        return true;
    }
    if (show) {
        link_.Report().Show(Icon::Information, kDisconnectCaption, "Can't be allow disconnect");
    }
    return false;
}

void DeviceSession::StartKeepAlive() {
    StopKeepAlive();
    keepAliveTimer_ =
        link_.Loop().StartTimer(kKeepAliveInterval, true, [this] { KeepAliveTick(); });
}

void DeviceSession::EndForExit() {
    StopKeepAlive();
    link_.state.connected = false;
}

void DeviceSession::StopKeepAlive() {
    if (keepAliveTimer_ != 0) {
        link_.Loop().StopTimer(keepAliveTimer_);
        keepAliveTimer_ = 0;
    }
}

void DeviceSession::KeepAliveTick() {
    Link::State& state = link_.state;
    if (!state.connected) {
        return;
    }
    if (link_.Busy()) {
        state.keepAliveSent = 0;
        state.keepAliveAnswered = 0;
        return;
    }
    ++state.keepAliveSent;
    (void)link_.Sender().SendActiveSense();
    if (state.keepAliveSent - state.keepAliveAnswered > 3) {
        state.keepAliveSent = 0;
        state.keepAliveAnswered = 0;
        state.abort = true;
        state.connected = false;
        StopKeepAlive();
        observer_.SetDeviceDisplay({});
        link_.Report().Show(Icon::Warning, "Active sense",
                            "No active sense message be detected, please check the connection");
    }
}

void DeviceSession::ReadCatalogues() {
    app_.catalog.ReadVoiceCatalogue(app_.DeviceFolder(), app_.language.Index());
    app_.catalog.ReadOtherCatalogues(app_.DeviceFolder(), app_.language.Index());
    observer_.CataloguesReloaded();
}

void DeviceSession::RebuildDeviceListAfterDisconnect() {
    std::vector<std::string> list{app_.currentDevice};
    for (const std::string& name : app_.deviceList) {
        if (!name.empty() && name != app_.currentDevice &&
            std::find(list.begin(), list.end(), name) == list.end()) {
            list.push_back(name);
        }
    }
    app_.deviceList = std::move(list);
    observer_.DeviceListChanged();
}

void DeviceSession::ConnectCommand() {
    if (!link_.state.portsChosen) {
        if (observer_.ShowMidiDeviceDialog()) {
            (void)ConnectChosenPorts();
        }
        return;
    }
    if (link_.state.connected) {
        (void)Disconnect(false);
        RebuildDeviceListAfterDisconnect();
    } else if (Connect(false)) {
        RefreshDevice();
    } else if (ReopenChosenPorts()) {
        (void)Connect(false);
        RefreshDevice();
        if (observer_.PerformanceEditorVisible() && link_.state.connected) {
            observer_.RefreshPages();
        }
    }
}

bool DeviceSession::ConnectChosenPorts() {
    if (app_.profile.Values().deviceClass < 0) {
        if (!Connect(true)) {
            return false;
        }
        ReadCatalogues();
        observer_.RefreshPages();
    } else if (!Connect(false)) {
        return false;
    }
    link_.state.portsChosen = true;
    return true;
}

bool DeviceSession::ReopenChosenPorts() {
    // Ports come and go, and the positions of the others shift: the chosen ones are found by
    // name, and when either is gone nothing is opened (another device would get the connect
    // request).
    ports_.ListPorts();
    const int input = ports_.FindChosenInput();
    const int output = ports_.FindChosenOutput();
    if (input == MidiPorts::kNotFound || output == MidiPorts::kNotFound) {
        return false;
    }
    ports_.SetChosenInput(input);
    ports_.SetChosenOutput(output);
    const bool inputOpen = ports_.OpenInput(input) && ports_.StartInput();
    const bool outputOpen = ports_.OpenOutput(output);
    return inputOpen && outputOpen;
}

void DeviceSession::TrySilentReconnect() {
    if (link_.state.connected || link_.Busy() || !link_.state.portsChosen) {
        return;
    }
    if (ReopenChosenPorts() && Connect(false)) {
        RefreshDevice();
    }
}

void DeviceSession::RefreshDevice() {
    if (!link_.state.deviceHeld) {
        const std::string selected = observer_.SelectedDevice();
        if (IsSafePathComponent(selected)) {
            app_.currentDevice = selected;
        }
    }
    app_.profile.Read(app_.DeviceFolder());
    ReadCatalogues();
    observer_.DeviceRefreshed();
}

void DeviceSession::OnDeviceNodesChanged() {
    if (!link_.state.connected) {
        return;
    }
    observer_.SetDeviceDisplay({});
    link_.state.connected = false;
    StopKeepAlive();
    (void)Connect(false);
}

void DeviceSession::OnDeviceArrival() {
    if (app_.transmitFunc) {
        observer_.DrivesChanged();
    }
}

void DeviceSession::OnDeviceRemoval() {
    if (app_.transmitFunc) {
        observer_.DrivesChanged();
    }
}

}  // namespace veltrano
