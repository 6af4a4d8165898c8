#pragma once

#include <memory>
#include <string>

#include "support/DeviceRig.h"
#include "transfer/DeviceListing.h"
#include "transfer/Transfers.h"

namespace veltrano::test {

class RecordingTransferObserver : public TransferObserver {
public:
    void ListLocalAgain() override { ++localRefreshes; }
    void ListDeviceAgain() override { ++deviceRefreshes; }
    void Progress(uint64_t done, uint64_t total) override {
        lastDone = done;
        lastTotal = total;
        ++progressCalls;
    }
    int localRefreshes = 0;
    int deviceRefreshes = 0;
    int progressCalls = 0;
    uint64_t lastDone = 0;
    uint64_t lastTotal = 0;
};

// A connected link with the simulated instrument and the file operations on it.
class TransferRig {
public:
    explicit TransferRig(DeviceRig::Options options = {});

    [[nodiscard]] std::string Put(const std::string& folder, const std::string& name, size_t size,
                                  uint32_t seed = 1);
    [[nodiscard]] std::string Stored(const std::string& folder, const std::string& name);
    [[nodiscard]] std::filesystem::path Local(const std::string& name) const {
        return local.Path() / name;
    }
    // Lists the folder (which also makes it the instrument's current folder).
    void List(const std::string& folder);

    std::unique_ptr<DeviceRig> rig;
    DeviceListing listing;
    RecordingTransferObserver observer;
    std::unique_ptr<Transfers> transfers;
    TempDir local;
};

// Bytes that differ from file to file, and from one offset to the next.
[[nodiscard]] std::string PatternBytes(size_t size, uint32_t seed);

}  // namespace veltrano::test
