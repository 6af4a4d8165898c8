#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/SysExMessage.h"
#include "settings/AppConfig.h"
#include "transfer/Transfers.h"

namespace veltrano {

class DeviceListing;
class Link;

// One row of either list: the five columns as shown, and what sorting and the commands need.
struct BrowserRow {
    enum Column { kName, kSize, kCreated, kAccessed, kWritten, kColumns };
    std::string name;
    bool folder = false;  // instrument folders; the local list holds files only
    uint64_t size = 0;
    std::array<int64_t, 3> times{};  // sort keys of the three time columns (0: none)
    std::array<std::string, kColumns> columns;
};

// The titles and widths of the five columns of both lists.
struct BrowserColumn {
    const char* title;
    int width;
};
inline constexpr std::array<BrowserColumn, BrowserRow::kColumns> kBrowserColumns{{
    {"File Name", 195},
    {"File Size", 127},
    {"Creation Time", 150},
    {"Last Access Time", 150},
    {"Last Write Time", 150},
}};

// The folder the local pane shows, kept in the settings between runs.
inline constexpr DialogFolderKey kBrowserLocalFolder{"FileBrowser", "LocalFolder"};

enum class BatchKind { None, Upload, Download, Delete };

// Where a batch is: the file being moved (from 1) of how many, its bytes, and the batch's.
struct BatchProgress {
    BatchKind kind = BatchKind::None;
    size_t file = 0;
    size_t files = 0;
    std::string name;
    uint64_t fileDone = 0;
    uint64_t fileTotal = 0;
    uint64_t batchDone = 0;
    uint64_t batchTotal = 0;
    double bytesPerSecond = 0;  // 0 until something has moved
    double secondsLeft = -1;    // -1 while unknown
};

// What the browser's window hears from the presenter.
class FileBrowserView {
public:
    virtual ~FileBrowserView() = default;
    virtual void LocalRowsChanged() {}
    virtual void DeviceRowsChanged() {}
    // A batch began (its kind) or ended (None): the commands are disabled meanwhile.
    virtual void BatchChanged(BatchKind kind) { (void)kind; }
    virtual void ProgressChanged(const BatchProgress& progress) { (void)progress; }
};

// The rules of the two-pane file browser: what each list shows, and what Upload, Download,
// Delete, Back, Update and Stop do with the rows the user selected. It runs the file
// operations one file at a time on the loop's thread, so the window stays live (Stop works)
// while a batch is on the stack; every command but Stop is refused meanwhile.
class FileBrowserPresenter : public TransferObserver {
public:
    static constexpr std::chrono::milliseconds kPauseBetweenFiles{50};

    FileBrowserPresenter(Transfers& transfers, DeviceListing& listing, Link& link,
                         AppConfig& config, FileBrowserView& view);
    ~FileBrowserPresenter() override;
    FileBrowserPresenter(const FileBrowserPresenter&) = delete;
    FileBrowserPresenter& operator=(const FileBrowserPresenter&) = delete;

    // --- the computer's side ---
    [[nodiscard]] const std::filesystem::path& LocalFolder() const { return localFolder_; }
    [[nodiscard]] const std::vector<BrowserRow>& LocalRows() const { return localRows_; }
    // Shows a folder's files and keeps it as the folder transfers use; false (nothing
    // changes) when it is not a folder.
    bool SetLocalFolder(const std::filesystem::path& folder);
    // Lists the local folder again.
    void FillLocal();
    // The local folder kept from the last run, when it still exists; else empty.
    [[nodiscard]] static std::filesystem::path KeptLocalFolder(const AppConfig& config);

    // The volumes seen; true when the list differs from the one seen last (another stick in
    // the same slot counts as a change, as does a volume that came or went).
    bool SetVolumes(std::vector<std::string> roots);

    // --- the instrument's side ---
    // The folder whose entries the instrument list shows ("USER" before any listing).
    [[nodiscard]] const std::string& DeviceFolder() const { return deviceFolder_; }
    [[nodiscard]] const std::vector<BrowserRow>& DeviceRows() const { return deviceRows_; }
    // Lists an instrument folder and shows it when the listing succeeded.
    bool ListDevice(const std::string& folder);
    // The instrument "Update": the folder shown, again.
    bool Update() { return ListDevice(deviceFolder_); }
    // Into the folder of a row (a double-click, Enter); false for a file row.
    bool Enter(size_t row);
    // One folder up; nothing at the top ("USER").
    bool Back();
    // Shows the entries another part of the program listed (the main window lists "USER"
    // when the page is first shown), as long as the list has shown nothing yet and that
    // listing is of the folder shown.
    bool AdoptListing();

    // --- batches ---
    // Instrument rows into the local folder.
    void Upload(const std::vector<size_t>& deviceRows);
    // Local rows to the instrument folder shown.
    void Download(const std::vector<size_t>& localRows);
    // Files from anywhere (dropped on the instrument list) to the instrument folder shown.
    void DownloadFiles(const std::vector<std::filesystem::path>& paths);
    // Instrument rows, after a question.
    void Delete(const std::vector<size_t>& deviceRows);
    // Ends the running batch: the transfer on the stack is stopped and no further file starts.
    void Stop();

    [[nodiscard]] BatchKind Running() const { return batch_; }
    // Whether a command that starts an exchange may run now.
    [[nodiscard]] bool Idle() const;

    // TransferObserver (told by the device service).
    void ListLocalAgain() override;
    void ListDeviceAgain() override;
    void Progress(uint64_t bytesDone, uint64_t bytesTotal) override;

private:
    class BatchScope;
    struct Item {
        std::string name;
        std::filesystem::path path;  // local side
        uint64_t size = 0;
        bool folder = false;
    };

    void FillDeviceFromListing();
    // The instrument stores and finds bare names in the folder listed last; before a batch the
    // folder shown is listed again when another one was listed since.
    [[nodiscard]] bool ShowAgainIfElsewhere();
    void RunDownloads(const std::vector<Item>& items);
    void AfterUpload(const std::string& name);
    void AfterDownload(const std::string& name, uint64_t size);
    void StartFile(size_t index, const Item& item);
    void FinishFile();
    void Tell();
    void RelistLater();

    Transfers& transfers_;
    DeviceListing& listing_;
    Link& link_;
    AppConfig& config_;
    FileBrowserView& view_;

    std::filesystem::path localFolder_;
    std::vector<BrowserRow> localRows_;
    std::vector<std::string> volumes_;
    std::string deviceFolder_;
    std::vector<BrowserRow> deviceRows_;
    bool deviceShown_ = false;

    BatchKind batch_ = BatchKind::None;
    bool stopRequested_ = false;
    bool relistPending_ = false;
    BatchProgress progress_;
    uint64_t filesDoneBytes_ = 0;
    std::chrono::nanoseconds batchStart_{};
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A size in the largest binary unit that keeps it at 1 or more: "512 bytes", "1.5 KiB".
[[nodiscard]] std::string ReadableSize(uint64_t size);
// "%d bytes", with a readable unit beside it from 1 KiB on ("1536 bytes (1.5 KiB)").
[[nodiscard]] std::string SizeText(uint64_t size);
// "%d-%.2d-%.2d %.2d:%.2d:%.2d" of a local time (seconds since 1970); empty for none.
[[nodiscard]] std::string FormatLocalTime(int64_t seconds);
// A local file as the local list shows it; none when it cannot be read.
[[nodiscard]] std::optional<BrowserRow> ReadLocalRow(const std::filesystem::path& path);
// An instrument entry as the instrument list shows it.
[[nodiscard]] BrowserRow DeviceRow(const FileEntry& entry);

}  // namespace veltrano
