#include "app/DeviceService.h"

#include <algorithm>

#include "device/DeviceContext.h"
#include "device/RtMidiBackend.h"
#include "device/peer/InstrumentStorage.h"
#include "device/peer/SimulatedInstrument.h"
#include "device/peer/SimulatedPortBackend.h"

namespace veltrano {

void DeviceService::ClosingReporter::Show(Icon icon, std::string_view caption,
                                          std::string_view text) {
    if (!muted_) {
        next_.Show(icon, caption, text);
    }
}

Answer DeviceService::ClosingReporter::Ask(Icon icon, std::string_view caption,
                                           std::string_view text, Buttons buttons) {
    return muted_ ? Answer::No : next_.Ask(icon, caption, text, buttons);
}

DeviceService::DeviceService(DeviceContext& context, EventLoop& loop, Reporter& reporter)
    : context_(context),
      loop_(loop),
      reporter_(reporter),
      ports_(loop, reporter_),
      link_(loop, ports_, reporter_),
      session_(context, link_, ports_, *this),
      transfers_(link_, listing_, *this),
      watcher_(ports_),
      keyboard_(ports_, link_, context) {
    ports_.SetFrameHandler([this](Bytes frame) { link_.OnFrame(std::move(frame)); });
    link_.SetBusyHandler(
        [this](bool busy) { Tell([busy](DeviceListener& l) { l.BusyChanged(busy); }); });
}

DeviceService::~DeviceService() {
    link_.SetBusyHandler({});
    session_.EndForExit();
    ports_.CloseInput();
    (void)ports_.CloseOutput();
}

void DeviceService::AddSystemPorts() {
    ports_.AddBackend(std::make_unique<RtMidiBackend>(RtMidiBackend::ChoiceFromEnvironment()));
    ports_.ListPorts();
}

SimulatedPortBackend* DeviceService::AddSimulatedInstrument(const SimulatedInstrumentSetup& setup,
                                                            std::string& error) {
    std::unique_ptr<InstrumentStorage> storage;
    if (!setup.storageFolder.empty()) {
        storage = HostFolderStorage::Open(setup.storageFolder, error);
        if (!storage) {
            return nullptr;
        }
    }
    SimulatedInstrumentConfig config;
    config.tablesFolder = context_.DeviceFolder(kDefaultDeviceName);
    config.faults = setup.faults;
    config.seed = setup.seed;
    auto backend = std::make_unique<SimulatedPortBackend>(
        loop_, std::make_unique<SimulatedInstrument>(config, std::move(storage)));
    simulated_ = backend.get();
    ports_.AddBackend(std::move(backend));
    ports_.ListPorts();
    return simulated_;
}

void DeviceService::AddListener(DeviceListener& listener) {
    if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end()) {
        listeners_.push_back(&listener);
    }
}

void DeviceService::RemoveListener(DeviceListener& listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), &listener),
                     listeners_.end());
}

template <typename Call>
void DeviceService::Tell(const Call& call) {
    // A listener may leave (or another join) while it is told: the ones registered when the
    // notice began are told, unless they left meanwhile.
    const std::vector<DeviceListener*> snapshot = listeners_;
    for (DeviceListener* listener : snapshot) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) {
            call(*listener);
        }
    }
}

void DeviceService::PollPorts() {
    if (shutDown_ || link_.Busy() || link_.state.connected) {
        return;
    }
    if (watcher_.Changed()) {
        session_.TrySilentReconnect();
    }
}

void DeviceService::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    reporter_.Mute();
    if (transfers_.Running()) {
        (void)transfers_.AbortTransfer();
    }
    link_.Cancel();
    session_.EndForExit();
    ports_.CloseInput();
    (void)ports_.CloseOutput();
}

void DeviceService::SetDeviceDisplay(const std::string& name) {
    Tell([&](DeviceListener& l) { l.SetDeviceDisplay(name); });
}
void DeviceService::ProgressOpen(int minimum, int maximum) {
    Tell([&](DeviceListener& l) { l.ProgressOpen(minimum, maximum); });
}
void DeviceService::ProgressSet(int position) {
    Tell([&](DeviceListener& l) { l.ProgressSet(position); });
}
void DeviceService::ProgressClose() {
    Tell([](DeviceListener& l) { l.ProgressClose(); });
}
void DeviceService::CataloguesReloaded() {
    Tell([](DeviceListener& l) { l.CataloguesReloaded(); });
}
void DeviceService::RefreshPages() {
    Tell([](DeviceListener& l) { l.RefreshPages(); });
}
void DeviceService::DeviceRefreshed() {
    Tell([](DeviceListener& l) { l.DeviceRefreshed(); });
}
void DeviceService::DeviceListChanged() {
    Tell([](DeviceListener& l) { l.DeviceListChanged(); });
}
void DeviceService::DrivesChanged() {
    Tell([](DeviceListener& l) { l.DrivesChanged(); });
}
void DeviceService::ListLocalAgain() {
    Tell([](DeviceListener& l) { l.ListLocalAgain(); });
}
void DeviceService::ListDeviceAgain() {
    Tell([](DeviceListener& l) { l.ListDeviceAgain(); });
}
void DeviceService::Progress(uint64_t bytesDone, uint64_t bytesTotal) {
    Tell([&](DeviceListener& l) { l.Progress(bytesDone, bytesTotal); });
}

bool DeviceService::ShowMidiDeviceDialog() {
    return host_ != nullptr && host_->ShowMidiDeviceDialog();
}
bool DeviceService::PerformanceEditorVisible() {
    return host_ != nullptr && host_->PerformanceEditorVisible();
}
std::string DeviceService::SelectedDevice() {
    return host_ != nullptr ? host_->SelectedDevice() : std::string();
}

}  // namespace veltrano
