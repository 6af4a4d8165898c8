#include "support/TransferRig.h"

#include <gtest/gtest.h>

namespace veltrano::test {

std::string PatternBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return bytes;
}

TransferRig::TransferRig(DeviceRig::Options options) {
    if (options.instrument.tablesFolder.empty()) {
        options.instrument.tablesFolder = DemoTables();
    }
    // Connect without faults, then let the test's faults apply to what follows.
    const SimFaults faults = options.instrument.faults;
    options.instrument.faults = {};
    rig = std::make_unique<DeviceRig>(options);
    EXPECT_TRUE(rig->session.Connect(false));
    rig->Instrument().SetFaults(faults);
    rig->reporter.Clear();
    transfers = std::make_unique<Transfers>(rig->link, listing, observer);
}

std::string TransferRig::Put(const std::string& folder, const std::string& name, size_t size,
                             uint32_t seed) {
    const std::string bytes = PatternBytes(size, seed);
    EXPECT_TRUE(rig->Instrument().Storage().PutFile(folder, name, AsBytes(bytes)));
    return bytes;
}

std::string TransferRig::Stored(const std::string& folder, const std::string& name) {
    const auto bytes = rig->Instrument().Storage().ReadFile(folder, name);
    return bytes ? std::string(AsText(*bytes)) : std::string("<missing>");
}

void TransferRig::List(const std::string& folder) {
    EXPECT_TRUE(transfers->QueryFiles(folder));
}

}  // namespace veltrano::test
