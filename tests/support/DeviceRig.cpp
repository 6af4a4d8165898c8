#include "support/DeviceRig.h"

#include <gtest/gtest.h>

#include "app/Startup.h"

namespace veltrano::test {

namespace {

DeviceRig::Options DefaultOptions() {
    DeviceRig::Options options;
    options.instrument.tablesFolder = DemoTables();
    return options;
}

}  // namespace

std::filesystem::path DemoTables() {
    return SourceResources() / "Presets" / "Default";
}

DeviceRig::DeviceRig() : DeviceRig(DefaultOptions()) {}

DeviceRig::DeviceRig(Options options)
    : ports(loop, reporter),
      output(ports),
      link(loop, output, reporter),
      session(app, link, ports, observer) {
    WriteFile(home / "Cnfg.ini",
              options.config.empty()
                  ? "[Software]\nSoftwareName=Veltrano\n[Option]\nTransmitFunc=" +
                        std::string(options.transmitFunc ? "1" : "0") + "\n"
                  : options.config);
    if (options.instrument.tablesFolder.empty()) {
        options.instrument.tablesFolder = DemoTables();
    }
    ReadSettings(app, home.Path());
    LoadModels(app);

    auto backend = std::make_unique<SimulatedPortBackend>(
        loop, std::make_unique<SimulatedInstrument>(std::move(options.instrument)), options.timing);
    sim_ = backend.get();
    ports.AddBackend(std::move(backend));
    ports.ListPorts();
    ports.SetFrameHandler([this](Bytes frame) {
        if (!tamper || tamper(frame)) {
            link.OnFrame(std::move(frame));
        }
    });
    EXPECT_TRUE(ports.OpenInput(0));
    EXPECT_TRUE(ports.StartInput());
    EXPECT_TRUE(ports.OpenOutput(0));
    ports.SetBlockingSend(true);
}

std::filesystem::path DeviceRig::ProductFolder() const {
    return app.programFolder / "Presets" / sim_->Instrument().Identity().productName;
}

}  // namespace veltrano::test
