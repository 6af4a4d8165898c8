#include "transfer/FileBrowserPresenter.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <system_error>

#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "base/Text.h"
#include "device/Link.h"
#include "transfer/DeviceListing.h"
#include "transfer/LocalFiles.h"

#if defined(__linux__)
#include <fcntl.h>
#endif

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUpload = "Upload";
constexpr const char* kDownload = "Download";
constexpr const char* kDelete = "Delete";
constexpr const char* kNoneSelected = "No one or more files be selected";

struct LocalTimes {
    int64_t created = 0;
    int64_t accessed = 0;
    int64_t written = 0;
};

// The three times of a local file. Creation is the birth time where the file system keeps
// one, else the time of the last status change.
LocalTimes ReadLocalTimes(const fs::path& path) {
    LocalTimes times;
#if defined(_WIN32)
    struct _stat64 info {};
    if (_wstat64(path.c_str(), &info) == 0) {
        times = {info.st_ctime, info.st_atime, info.st_mtime};
    }
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        times = {info.st_ctime, info.st_atime, info.st_mtime};
    }
#if defined(__linux__) && defined(STATX_BTIME)
    struct statx extended {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &extended) == 0 &&
        (extended.stx_mask & STATX_BTIME) != 0) {
        times.created = extended.stx_btime.tv_sec;
    }
#endif
#endif
    return times;
}

void UpsertRow(std::vector<BrowserRow>& rows, BrowserRow row, bool ignoreCase, bool keepTimes) {
    for (BrowserRow& existing : rows) {
        const bool same =
            ignoreCase ? EqualsNoCase(existing.name, row.name) : existing.name == row.name;
        if (same) {
            if (keepTimes) {
                row.name = existing.name;
                row.times = existing.times;
                for (int c = BrowserRow::kCreated; c < BrowserRow::kColumns; ++c) {
                    row.columns[c] = existing.columns[c];
                }
            }
            existing = std::move(row);
            return;
        }
    }
    rows.push_back(std::move(row));
}

}  // namespace

std::string ReadableSize(uint64_t size) {
    static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    if (size < 1024) {
        return std::to_string(size) + " bytes";
    }
    double value = static_cast<double>(size) / 1024.0;
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string SizeText(uint64_t size) {
    std::string text = std::to_string(size) + " bytes";
    return size < 1024 ? text : text + " (" + ReadableSize(size) + ")";
}

std::string FormatLocalTime(int64_t seconds) {
    if (seconds <= 0) {
        return {};
    }
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm tm{};
#if defined(_WIN32)
    if (localtime_s(&tm, &time) != 0) {
        return {};
    }
#else
    if (localtime_r(&time, &tm) == nullptr) {
        return {};
    }
#endif
    char text[64];
    std::snprintf(text, sizeof text, "%d-%.2d-%.2d %.2d:%.2d:%.2d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

std::optional<BrowserRow> ReadLocalRow(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    // A file that cannot be read could not be sent either.
    if (!std::ifstream(path, std::ios::binary).is_open()) {
        return std::nullopt;
    }
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        return std::nullopt;
    }
    const LocalTimes times = ReadLocalTimes(path);
    BrowserRow row;
    row.name = path.filename().string();
    row.size = size;
    row.times = {times.created, times.accessed, times.written};
    row.columns = {row.name, SizeText(size), FormatLocalTime(times.created),
                   FormatLocalTime(times.accessed), FormatLocalTime(times.written)};
    return row;
}

BrowserRow DeviceRow(const FileEntry& entry) {
    BrowserRow row;
    row.name = entry.name;
    row.folder = !entry.HasSize();
    row.size = row.folder ? 0 : entry.size;
    row.times = {static_cast<int64_t>(entry.time1), static_cast<int64_t>(entry.time2),
                 static_cast<int64_t>(entry.time3)};
    row.columns = {entry.name, row.folder ? std::string() : SizeText(entry.size),
                   FormatDeviceTime(entry.time1), FormatDeviceTime(entry.time2),
                   FormatDeviceTime(entry.time3)};
    return row;
}

// Marks a batch as running for as long as it is on the stack, and tells the view.
class FileBrowserPresenter::BatchScope {
public:
    BatchScope(FileBrowserPresenter& owner, BatchKind kind, uint64_t totalBytes, size_t files)
        : owner_(owner), alive_(owner.alive_) {
        owner_.batch_ = kind;
        owner_.stopRequested_ = false;
        owner_.progress_ = BatchProgress{};
        owner_.progress_.kind = kind;
        owner_.progress_.files = files;
        owner_.progress_.batchTotal = totalBytes;
        owner_.filesDoneBytes_ = 0;
        owner_.batchStart_ = owner_.link_.Loop().Now().time_since_epoch();
        owner_.view_.BatchChanged(kind);
    }
    ~BatchScope() {
        if (!*alive_) {
            return;
        }
        owner_.batch_ = BatchKind::None;
        owner_.stopRequested_ = false;
        owner_.view_.BatchChanged(BatchKind::None);
        if (owner_.relistPending_) {
            owner_.RelistLater();
        }
    }
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

private:
    FileBrowserPresenter& owner_;
    std::shared_ptr<bool> alive_;
};

FileBrowserPresenter::FileBrowserPresenter(Transfers& transfers, DeviceListing& listing, Link& link,
                                           AppConfig& config, FileBrowserView& view)
    : transfers_(transfers),
      listing_(listing),
      link_(link),
      config_(config),
      view_(view),
      deviceFolder_(DeviceListing::kDefaultFolder) {}

FileBrowserPresenter::~FileBrowserPresenter() {
    *alive_ = false;
}

bool FileBrowserPresenter::Idle() const {
    return batch_ == BatchKind::None && !link_.Busy();
}

// --- the computer's side ---

fs::path FileBrowserPresenter::KeptLocalFolder(const AppConfig& config) {
    const std::string kept = config.DialogFolder(kBrowserLocalFolder);
    std::error_code ec;
    if (kept.empty() || !fs::is_directory(kept, ec)) {
        return {};
    }
    return kept;
}

bool FileBrowserPresenter::SetLocalFolder(const fs::path& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) {
        return false;
    }
    localFolder_ = folder;
    (void)config_.SetDialogFolder(kBrowserLocalFolder, folder.string());
    FillLocal();
    return true;
}

void FileBrowserPresenter::FillLocal() {
    localRows_.clear();
    if (!localFolder_.empty()) {
        for (const std::string& path : EnumerateLocalFiles(localFolder_, "*", false)) {
            if (!IsBrowsableFile(path)) {
                continue;
            }
            if (auto row = ReadLocalRow(path)) {
                localRows_.push_back(std::move(*row));
            }
        }
    }
    view_.LocalRowsChanged();
}

bool FileBrowserPresenter::SetVolumes(std::vector<std::string> roots) {
    if (roots == volumes_) {
        return false;
    }
    volumes_ = std::move(roots);
    return true;
}

// --- the instrument's side ---

bool FileBrowserPresenter::ListDevice(const std::string& folder) {
    if (!Idle()) {
        return false;
    }
    const std::string path = folder.empty() ? DeviceListing::kDefaultFolder : folder;
    const std::shared_ptr<bool> alive = alive_;
    const bool listed = transfers_.QueryFiles(path);
    if (!*alive || !listed) {
        return false;
    }
    deviceFolder_ = listing_.Folder();
    FillDeviceFromListing();
    return true;
}

bool FileBrowserPresenter::AdoptListing() {
    if (deviceShown_ || !Idle() || listing_.Folder() != deviceFolder_ ||
        listing_.Entries().empty()) {
        return false;
    }
    FillDeviceFromListing();
    return true;
}

void FileBrowserPresenter::FillDeviceFromListing() {
    deviceShown_ = true;
    deviceRows_.clear();
    for (const FileEntry& entry : listing_.Entries()) {
        deviceRows_.push_back(DeviceRow(entry));
    }
    view_.DeviceRowsChanged();
}

bool FileBrowserPresenter::Enter(size_t row) {
    if (row >= deviceRows_.size() || !deviceRows_[row].folder || deviceRows_[row].name.empty()) {
        return false;
    }
    // An entry name from the instrument becomes part of a path sent back: one name only.
    if (!IsSafePathComponent(deviceRows_[row].name)) {
        return false;
    }
    return ListDevice(DeviceListing::ChildFolder(deviceFolder_, deviceRows_[row].name));
}

bool FileBrowserPresenter::Back() {
    const std::string parent = DeviceListing::ParentFolder(deviceFolder_);
    if (parent.empty()) {
        return false;
    }
    return ListDevice(parent);
}

bool FileBrowserPresenter::ShowAgainIfElsewhere() {
    if (listing_.Folder() == deviceFolder_) {
        return true;
    }
    const std::shared_ptr<bool> alive = alive_;
    const bool listed = transfers_.QueryFiles(deviceFolder_);
    if (*alive && listed) {
        FillDeviceFromListing();
    }
    return *alive && listed;
}

// --- batches ---

void FileBrowserPresenter::Upload(const std::vector<size_t>& deviceRows) {
    if (!Idle()) {
        return;
    }
    Reporter& reporter = link_.Report();
    std::vector<Item> items;
    uint64_t total = 0;
    for (size_t row : deviceRows) {
        if (row < deviceRows_.size()) {
            const BrowserRow& r = deviceRows_[row];
            items.push_back({r.name, {}, r.size, r.folder});
            total += r.folder ? 0 : r.size;
        }
    }
    if (deviceRows_.empty() || items.empty()) {
        reporter.Show(Icon::Information, kUpload, kNoneSelected);
        return;
    }
    if (localFolder_.empty()) {
        return;  // the page always shows a folder; without one there is nowhere to write
    }
    const std::shared_ptr<bool> alive = alive_;
    BatchScope batch(*this, BatchKind::Upload, total, items.size());
    if (!ShowAgainIfElsewhere() || !*alive) {
        return;
    }
    const fs::path folder = localFolder_;
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        if (stopRequested_) {
            return;
        }
        // A folder row counts as a selection, but there is nothing to copy.
        if (item.folder || item.name.empty()) {
            continue;
        }
        std::error_code ec;
        if (Transfers::IsAcceptableLocalName(item.name) && fs::exists(folder / item.name, ec)) {
            const Answer answer =
                reporter.Ask(Icon::Question, kUpload,
                             "The file(" + item.name + ") is exist, do you want to overwrite it?",
                             Buttons::YesNo);
            if (!*alive) {
                return;
            }
            if (answer != Answer::Yes) {
                continue;
            }
            if (stopRequested_) {
                return;
            }
        }
        // The size the instrument listed, as a number: files of 4 GiB and more cannot be
        // asked for.
        const FileEntry* entry = listing_.Find(item.name);
        if (entry != nullptr && entry->sizeHigh != 0) {
            reporter.Show(Icon::Error, kUpload, "Invalid format of file size");
            return;
        }
        const uint32_t size = entry != nullptr ? entry->size : static_cast<uint32_t>(item.size);
        StartFile(i, item);
        const bool copied = transfers_.UploadFile(item.name, size, folder);
        if (!*alive) {
            return;
        }
        if (!copied) {
            return;
        }
        FinishFile();
        AfterUpload(item.name);
        link_.Loop().Sleep(kPauseBetweenFiles);
    }
}

void FileBrowserPresenter::AfterUpload(const std::string& name) {
    if (auto row = ReadLocalRow(localFolder_ / name)) {
        UpsertRow(localRows_, std::move(*row), false, false);
        view_.LocalRowsChanged();
    }
}

void FileBrowserPresenter::Download(const std::vector<size_t>& localRows) {
    if (!Idle()) {
        return;
    }
    std::vector<Item> items;
    for (size_t row : localRows) {
        if (row < localRows_.size() && !localRows_[row].name.empty()) {
            items.push_back({localRows_[row].name, localFolder_ / localRows_[row].name,
                             localRows_[row].size, false});
        }
    }
    if (localRows_.empty() || items.empty()) {
        link_.Report().Show(Icon::Information, kDownload, kNoneSelected);
        return;
    }
    RunDownloads(items);
}

void FileBrowserPresenter::DownloadFiles(const std::vector<fs::path>& paths) {
    if (!Idle()) {
        return;
    }
    std::vector<Item> items;
    for (const fs::path& path : paths) {
        std::error_code ec;
        const uintmax_t size = fs::file_size(path, ec);
        if (!ec && fs::is_regular_file(path, ec)) {
            items.push_back({path.filename().string(), path, size, false});
        }
    }
    if (items.empty()) {
        link_.Report().Show(Icon::Information, kDownload, kNoneSelected);
        return;
    }
    RunDownloads(items);
}

void FileBrowserPresenter::RunDownloads(const std::vector<Item>& items) {
    uint64_t total = 0;
    for (const Item& item : items) {
        total += item.size;
    }
    const std::shared_ptr<bool> alive = alive_;
    BatchScope batch(*this, BatchKind::Download, total, items.size());
    if (!ShowAgainIfElsewhere() || !*alive) {
        return;
    }
    for (size_t i = 0; i < items.size(); ++i) {
        if (stopRequested_) {
            return;
        }
        const Item& item = items[i];
        StartFile(i, item);
        const bool sent = transfers_.DownloadFile(item.path);
        if (!*alive) {
            return;
        }
        if (!sent) {
            link_.Report().Show(Icon::Information, kDownload,
                                "Download failed: " + item.path.string());
            return;
        }
        FinishFile();
        // Declining to replace the instrument's file leaves its row as it was.
        if (!transfers_.DownloadDeclined()) {
            std::error_code ec;
            const uintmax_t size = fs::file_size(item.path, ec);
            AfterDownload(item.name, ec ? item.size : size);
        }
        link_.Loop().Sleep(kPauseBetweenFiles);
    }
}

void FileBrowserPresenter::AfterDownload(const std::string& name, uint64_t size) {
    BrowserRow row;
    row.name = name;
    row.size = size;
    row.columns[BrowserRow::kName] = name;
    row.columns[BrowserRow::kSize] = SizeText(size);
    UpsertRow(deviceRows_, std::move(row), true, true);
    view_.DeviceRowsChanged();
}

void FileBrowserPresenter::Delete(const std::vector<size_t>& deviceRows) {
    if (!Idle()) {
        return;
    }
    Reporter& reporter = link_.Report();
    std::vector<std::string> names;
    for (size_t row : deviceRows) {
        if (row < deviceRows_.size() && !deviceRows_[row].folder &&
            !deviceRows_[row].name.empty()) {
            names.push_back(deviceRows_[row].name);
        }
    }
    if (names.empty()) {
        reporter.Show(Icon::Information, kUpload, kNoneSelected);
        return;
    }
    // Offline, every file would cost seconds of time-outs before the first message.
    if (!link_.state.connected) {
        reporter.Show(Icon::Warning, kDelete, "Please check the connection of device");
        return;
    }
    // The player cannot get the files back: ask first.
    std::string question =
        "Delete " + std::to_string(names.size()) + " file(s) from the instrument?\n";
    for (const std::string& name : names) {
        question += "\n" + name;
    }
    const std::shared_ptr<bool> alive = alive_;
    if (reporter.Ask(Icon::Question, kDelete, question, Buttons::YesNo) != Answer::Yes || !*alive) {
        return;
    }
    BatchScope batch(*this, BatchKind::Delete, 0, names.size());
    if (!ShowAgainIfElsewhere() || !*alive) {
        return;
    }
    std::vector<std::string> deleted;
    for (size_t i = 0; i < names.size() && !stopRequested_; ++i) {
        StartFile(i, {names[i], {}, 0, false});
        const bool gone = transfers_.DeleteDeviceFile(names[i]);
        if (!*alive) {
            return;
        }
        if (!gone) {
            break;  // the rows from this one on stay as they are
        }
        deleted.push_back(names[i]);
        FinishFile();
    }
    if (deleted.empty()) {
        return;
    }
    // The folder as the instrument now has it; when that listing fails, the rows without the
    // deleted files (folder rows stay).
    relistPending_ = false;
    const bool listed = transfers_.QueryFiles(deviceFolder_);
    if (!*alive) {
        return;
    }
    if (listed) {
        FillDeviceFromListing();
        return;
    }
    std::erase_if(deviceRows_, [&](const BrowserRow& row) {
        return !row.folder && std::find(deleted.begin(), deleted.end(), row.name) != deleted.end();
    });
    view_.DeviceRowsChanged();
}

void FileBrowserPresenter::Stop() {
    if (batch_ == BatchKind::None) {
        return;
    }
    stopRequested_ = true;
    // Only an upload or a download listens for the abort; a delete or a listing on the stack
    // ends by itself, and the batch starts nothing after it.
    if (transfers_.Running()) {
        (void)transfers_.AbortTransfer();
    }
}

// --- notices ---

void FileBrowserPresenter::ListLocalAgain() {
    FillLocal();
}

void FileBrowserPresenter::ListDeviceAgain() {
    // Told from inside a transfer: the listing waits until that transfer is off the stack.
    relistPending_ = true;
    if (batch_ == BatchKind::None) {
        RelistLater();
    }
}

void FileBrowserPresenter::RelistLater() {
    const std::weak_ptr<bool> alive = alive_;
    link_.Loop().Post([this, alive] {
        const auto lock = alive.lock();
        if (!lock || !*lock || !relistPending_ || !Idle()) {
            return;
        }
        relistPending_ = false;
        (void)ListDevice(deviceFolder_);
    });
}

void FileBrowserPresenter::Progress(uint64_t bytesDone, uint64_t bytesTotal) {
    if (batch_ == BatchKind::None) {
        return;
    }
    progress_.fileDone = bytesDone;
    progress_.fileTotal = bytesTotal;
    progress_.batchDone = filesDoneBytes_ + bytesDone;
    progress_.batchTotal = std::max(progress_.batchTotal, progress_.batchDone);
    Tell();
}

void FileBrowserPresenter::StartFile(size_t index, const Item& item) {
    progress_.file = index + 1;
    progress_.name = item.name;
    progress_.fileDone = 0;
    progress_.fileTotal = item.size;
    progress_.batchDone = filesDoneBytes_;
    Tell();
}

void FileBrowserPresenter::FinishFile() {
    filesDoneBytes_ += progress_.fileTotal;
    progress_.fileDone = progress_.fileTotal;
    progress_.batchDone = filesDoneBytes_;
    Tell();
}

void FileBrowserPresenter::Tell() {
    const auto elapsed = link_.Loop().Now().time_since_epoch() - batchStart_;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    progress_.bytesPerSecond =
        seconds > 0 ? static_cast<double>(progress_.batchDone) / seconds : 0.0;
    progress_.secondsLeft = progress_.bytesPerSecond > 0
                                ? static_cast<double>(progress_.batchTotal - progress_.batchDone) /
                                      progress_.bytesPerSecond
                                : -1.0;
    view_.ProgressChanged(progress_);
}

}  // namespace veltrano
