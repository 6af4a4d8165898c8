#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace veltrano {

class DeviceListing;
class Exchange;
class Link;

// What the file browser learns from the transfers.
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    // The local file to send has vanished: list the local folder again.
    virtual void ListLocalAgain() {}
    // The instrument reported a missing or undeletable file: list its folder again.
    virtual void ListDeviceAgain() {}
    // Progress of a running upload or download.
    virtual void Progress(uint64_t bytesDone, uint64_t bytesTotal) {
        (void)bytesDone, (void)bytesTotal;
    }
};

// The file operations on the instrument's storage. Each runs on the loop's thread, waits for
// every answer with the link's reply wait, shows its own messages and leaves busy and abort
// clear on every outcome. Each is one exchange: while another runs it is refused (false,
// nothing sent), except AbortTransfer, which serves the exchange that runs.
class Transfers {
public:
    static constexpr uint64_t kMaxDownloadSize = 0x10000000;  // 256 MiB
    static constexpr std::chrono::milliseconds kRestartPause{50};

    Transfers(Link& link, DeviceListing& listing, TransferObserver& observer);

    // Copies an instrument file of the current instrument folder into the local folder. The
    // file is written beside its target and renamed into place only when complete, so a failed
    // or stopped upload leaves any older local file of that name as it was.
    [[nodiscard]] bool UploadFile(const std::string& name, uint32_t size,
                                  const std::filesystem::path& localFolder);
    // Sends a local file to the instrument. True also when the user declined to overwrite.
    [[nodiscard]] bool DownloadFile(const std::filesystem::path& path);
    // Whether the last download ended because the user declined to overwrite (nothing sent).
    [[nodiscard]] bool DownloadDeclined() const { return declined_; }
    [[nodiscard]] bool DeleteDeviceFile(const std::string& name);
    // Lists an instrument folder ("USER" when empty) into the listing.
    [[nodiscard]] bool QueryFiles(const std::string& path);
    // The Stop button: runs inside the interrupted transfer's wait.
    [[nodiscard]] bool AbortTransfer();
    // True while an upload or a download runs (what Stop would stop).
    [[nodiscard]] bool Running() const { return running_; }

    // A name from the instrument that may be used as a local file name.
    [[nodiscard]] static bool IsAcceptableLocalName(const std::string& name);

private:
    // The delete, as a step of an exchange (a download replacing a file uses it too).
    [[nodiscard]] bool DeleteStep(Exchange& exchange, const std::string& name);

    Link& link_;
    DeviceListing& listing_;
    TransferObserver& observer_;
    bool running_ = false;
    bool declined_ = false;
};

}  // namespace veltrano
