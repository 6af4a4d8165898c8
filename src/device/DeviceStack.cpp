#include "device/DeviceStack.h"

#include "app/AppContext.h"
#include "device/RtMidiBackend.h"
#include "device/peer/InstrumentStorage.h"
#include "device/peer/SimulatedInstrument.h"
#include "device/peer/SimulatedPortBackend.h"

namespace veltrano {

DeviceStack::DeviceStack(AppContext& app, EventLoop& loop, Reporter& reporter,
                         DeviceObserver& observer)
    : app_(app),
      loop_(loop),
      ports_(loop, reporter),
      link_(loop, ports_, reporter),
      session_(app, link_, ports_, observer) {
    ports_.SetFrameHandler([this](Bytes frame) { link_.OnFrame(std::move(frame)); });
}

DeviceStack::~DeviceStack() {
    ports_.CloseInput();
    (void)ports_.CloseOutput();
}

void DeviceStack::AddSystemPorts() {
    ports_.AddBackend(std::make_unique<RtMidiBackend>(RtMidiBackend::ChoiceFromEnvironment()));
    ports_.ListPorts();
}

SimulatedPortBackend* DeviceStack::AddSimulatedInstrument(const SimulatedInstrumentSetup& setup,
                                                          std::string& error) {
    std::unique_ptr<InstrumentStorage> storage;
    if (!setup.storageFolder.empty()) {
        storage = HostFolderStorage::Open(setup.storageFolder, error);
        if (!storage) {
            return nullptr;
        }
    }
    SimulatedInstrumentConfig config;
    config.tablesFolder = app_.DeviceFolder(kDefaultDeviceName);
    config.faults = setup.faults;
    config.seed = setup.seed;
    auto backend = std::make_unique<SimulatedPortBackend>(
        loop_, std::make_unique<SimulatedInstrument>(config, std::move(storage)));
    SimulatedPortBackend* sim = backend.get();
    ports_.AddBackend(std::move(backend));
    ports_.ListPorts();
    return sim;
}

}  // namespace veltrano
