#include "device/peer/InstrumentStorage.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "base/FileIo.h"
#include "base/Text.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace instrument_fs {

std::optional<std::string> CanonicalFolder(std::string_view path) {
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return std::string(kDefaultFolder);
    }
    for (const std::string_view folder : kFolders) {
        if (EqualsNoCase(folder, path)) {
            return std::string(folder);
        }
    }
    return std::nullopt;
}

namespace {

constexpr size_t kMaxNameBytes = 64;
constexpr std::string_view kReservedChars = "<>:\"|?*";
constexpr std::array<std::string_view, 4> kDeviceNames{"CON", "PRN", "AUX", "NUL"};

bool IsDeviceName(std::string_view name) {
    const std::string_view stem = name.substr(0, name.find('.'));
    for (const std::string_view device : kDeviceNames) {
        if (EqualsNoCase(stem, device)) {
            return true;
        }
    }
    // COM1…COM9 and LPT1…LPT9.
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
        const std::string_view prefix = stem.substr(0, 3);
        return EqualsNoCase(prefix, "COM") || EqualsNoCase(prefix, "LPT");
    }
    return false;
}

}  // namespace

bool IsAcceptableFileName(std::string_view name) {
    if (name.size() > kMaxNameBytes || !IsSafePathComponent(name)) {
        return false;
    }
    if (name.find_first_of(kReservedChars) != std::string_view::npos) {
        return false;
    }
    // Some file systems drop a trailing dot or blank, which would make two names one.
    if (name.back() == '.' || name.back() == ' ') {
        return false;
    }
    return !IsDeviceName(name);
}

bool HasAcceptedExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view extension = name.substr(dot);
    return std::any_of(kAcceptedExtensions.begin(), kAcceptedExtensions.end(),
                       [extension](std::string_view e) { return EqualsNoCase(e, extension); });
}

}  // namespace instrument_fs

namespace {

using instrument_fs::CanonicalFolder;
using instrument_fs::IsAcceptableFileName;

// The instrument's subfolders of a folder, in the instrument's order ("VOICE" for "USER").
std::vector<std::string> SubfolderNames(std::string_view folder) {
    std::vector<std::string> names;
    for (const std::string_view candidate : instrument_fs::kFolders) {
        if (candidate.size() > folder.size() + 1 && candidate.substr(0, folder.size()) == folder &&
            candidate[folder.size()] == '\\') {
            const std::string_view rest = candidate.substr(folder.size() + 1);
            if (rest.find('\\') == std::string_view::npos) {
                names.emplace_back(rest);
            }
        }
    }
    return names;
}

bool LessNoCase(const FileEntry& a, const FileEntry& b) {
    const std::string la = ToLowerAscii(a.name);
    const std::string lb = ToLowerAscii(b.name);
    return la != lb ? la < lb : a.name < b.name;
}

FileEntry FolderEntry(std::string name, uint64_t time) {
    FileEntry entry;
    entry.kind = 0;
    entry.time1 = entry.time2 = entry.time3 = time;
    entry.name = std::move(name);
    return entry;
}

FileEntry FileEntryFor(std::string name, uint64_t size, uint64_t time) {
    FileEntry entry;
    entry.kind = 1;
    entry.time1 = entry.time2 = entry.time3 = time;
    entry.sizeHigh = static_cast<uint32_t>(size >> 32);
    entry.size = static_cast<uint32_t>(size);
    entry.name = std::move(name);
    return entry;
}

// Leftovers of an interrupted receive are not files of the instrument.
bool IsPartialFile(std::string_view name) {
    return name.size() > 5 && EqualsNoCase(name.substr(name.size() - 5), ".part");
}

// A host file time as 100-ns units since 1601-01-01.
uint64_t ToFileTime(fs::file_time_type time) {
    constexpr int64_t kUnixEpochIn1601Units = 116444736000000000LL;
    using Units = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
    const auto system = std::chrono::file_clock::to_sys(time);
    const int64_t units = std::chrono::duration_cast<Units>(system.time_since_epoch()).count() +
                          kUnixEpochIn1601Units;
    return units > 0 ? static_cast<uint64_t>(units) : 0;
}

}  // namespace

bool InstrumentStorage::PutFile(std::string_view folder, std::string_view name, ByteView bytes) {
    const auto writer = BeginWrite(folder, name);
    return writer && writer->Append(bytes) && writer->Commit();
}

// ---- memory ----

class MemoryStorage::Writer : public StorageWriter {
public:
    Writer(MemoryStorage& storage, std::string folder, std::string name)
        : storage_(storage), folder_(std::move(folder)), name_(std::move(name)) {}

    bool Append(ByteView bytes) override {
        if (committed_) {
            return false;
        }
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return true;
    }

    bool Commit() override {
        std::vector<File>* files = storage_.Folder(folder_);
        if (committed_ || files == nullptr) {
            return false;
        }
        committed_ = true;
        // Replacing keeps the stored spelling of the name, as the host folder storage does.
        if (File* existing = storage_.Find(folder_, name_)) {
            existing->bytes = std::move(bytes_);
        } else {
            files->push_back(File{name_, std::move(bytes_)});
        }
        return true;
    }

private:
    MemoryStorage& storage_;
    std::string folder_;
    std::string name_;
    Bytes bytes_;
    bool committed_ = false;
};

std::vector<MemoryStorage::File>* MemoryStorage::Folder(std::string_view folder) {
    const auto canonical = CanonicalFolder(folder);
    if (!canonical || *canonical != folder) {
        return nullptr;
    }
    return &folders_[*canonical];
}

MemoryStorage::File* MemoryStorage::Find(std::string_view folder, std::string_view name) {
    std::vector<File>* files = Folder(folder);
    if (files == nullptr || !IsAcceptableFileName(name)) {
        return nullptr;
    }
    for (File& file : *files) {
        if (EqualsNoCase(file.name, name)) {
            return &file;
        }
    }
    return nullptr;
}

std::vector<FileEntry> MemoryStorage::List(std::string_view folder) {
    std::vector<FileEntry> entries;
    std::vector<File>* files = Folder(folder);
    if (files == nullptr) {
        return entries;
    }
    for (std::string& name : SubfolderNames(folder)) {
        entries.push_back(FolderEntry(std::move(name), fileTime_));
    }
    std::vector<FileEntry> fileEntries;
    for (const File& file : *files) {
        fileEntries.push_back(FileEntryFor(file.name, file.bytes.size(), fileTime_));
    }
    std::sort(fileEntries.begin(), fileEntries.end(), LessNoCase);
    entries.insert(entries.end(), fileEntries.begin(), fileEntries.end());
    return entries;
}

std::optional<std::string> MemoryStorage::FindFile(std::string_view folder, std::string_view name) {
    const File* file = Find(folder, name);
    return file != nullptr ? std::optional<std::string>(file->name) : std::nullopt;
}

bool MemoryStorage::NameTaken(std::string_view folder, std::string_view name) {
    if (Folder(folder) == nullptr || !IsAcceptableFileName(name)) {
        return true;
    }
    for (const std::string& sub : SubfolderNames(folder)) {
        if (EqualsNoCase(sub, name)) {
            return true;
        }
    }
    return Find(folder, name) != nullptr;
}

std::optional<Bytes> MemoryStorage::ReadFile(std::string_view folder, std::string_view name,
                                             uint64_t maxBytes) {
    const File* file = Find(folder, name);
    if (file == nullptr || file->bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return file->bytes;
}

bool MemoryStorage::RemoveFile(std::string_view folder, std::string_view name) {
    std::vector<File>* files = Folder(folder);
    const File* file = Find(folder, name);
    if (files == nullptr || file == nullptr) {
        return false;
    }
    files->erase(files->begin() + (file - files->data()));
    return true;
}

std::unique_ptr<StorageWriter> MemoryStorage::BeginWrite(std::string_view folder,
                                                         std::string_view name) {
    if (Folder(folder) == nullptr || !IsAcceptableFileName(name)) {
        return nullptr;
    }
    return std::make_unique<Writer>(*this, std::string(folder), std::string(name));
}

// ---- host folder ----

class HostFolderStorage::Writer : public StorageWriter {
public:
    explicit Writer(fs::path target) : temp_(std::move(target)) {}

    [[nodiscard]] bool Open() { return temp_.Open(); }
    bool Append(ByteView bytes) override { return temp_.Append(AsText(bytes)); }
    bool Commit() override { return temp_.Commit(); }

private:
    TempFileBeside temp_;
};

std::unique_ptr<HostFolderStorage> HostFolderStorage::Open(const fs::path& root,
                                                           std::string& error) {
    if (root.empty()) {
        error = "no storage folder given";
        return nullptr;
    }
    std::unique_ptr<HostFolderStorage> storage(new HostFolderStorage(fs::absolute(root)));
    for (const std::string_view folder : instrument_fs::kFolders) {
        const fs::path path = storage->FolderPath(folder);
        std::error_code ec;
        fs::create_directories(path, ec);
        if (!fs::is_directory(path, ec)) {
            error = "cannot create the storage folder " + path.string();
            return nullptr;
        }
    }
    return storage;
}

fs::path HostFolderStorage::FolderPath(std::string_view folder) const {
    const auto canonical = CanonicalFolder(folder);
    if (!canonical || *canonical != folder) {
        return {};
    }
    fs::path path = root_;
    std::string_view rest = *canonical;
    while (!rest.empty()) {
        const size_t separator = rest.find('\\');
        path /= std::string(rest.substr(0, separator));
        rest =
            separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 1);
    }
    return path;
}

fs::path HostFolderStorage::HostPath(std::string_view folder, std::string_view name) const {
    const fs::path folderPath = FolderPath(folder);
    if (folderPath.empty() || !IsAcceptableFileName(name)) {
        return {};
    }
    return folderPath / std::string(name);
}

std::vector<FileEntry> HostFolderStorage::List(std::string_view folder) {
    std::vector<FileEntry> entries;
    const fs::path folderPath = FolderPath(folder);
    if (folderPath.empty()) {
        return entries;
    }
    std::error_code ec;
    for (std::string& name : SubfolderNames(folder)) {
        const auto time = fs::last_write_time(folderPath / name, ec);
        entries.push_back(FolderEntry(std::move(name), ec ? 0 : ToFileTime(time)));
    }
    std::vector<FileEntry> files;
    for (fs::directory_iterator it(folderPath, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        const fs::file_status status = it->symlink_status(entryError);
        const std::string name = it->path().filename().string();
        if (entryError || !fs::is_regular_file(status) || !IsAcceptableFileName(name) ||
            IsPartialFile(name)) {
            continue;
        }
        const uint64_t size = it->file_size(entryError);
        const auto time = it->last_write_time(entryError);
        if (!entryError) {
            files.push_back(FileEntryFor(name, size, ToFileTime(time)));
        }
    }
    std::sort(files.begin(), files.end(), LessNoCase);
    entries.insert(entries.end(), files.begin(), files.end());
    return entries;
}

std::optional<std::string> HostFolderStorage::FindFile(std::string_view folder,
                                                       std::string_view name) {
    const fs::path folderPath = FolderPath(folder);
    if (folderPath.empty() || !IsAcceptableFileName(name)) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(folderPath, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        const std::string candidate = it->path().filename().string();
        if (!EqualsNoCase(candidate, name) ||
            !fs::is_regular_file(it->symlink_status(entryError)) || entryError) {
            continue;
        }
        // An exact spelling wins over another case of the same letters.
        if (candidate == name) {
            return candidate;
        }
        if (!found || candidate < *found) {
            found = candidate;
        }
    }
    return found;
}

bool HostFolderStorage::NameTaken(std::string_view folder, std::string_view name) {
    const fs::path folderPath = FolderPath(folder);
    if (folderPath.empty() || !IsAcceptableFileName(name)) {
        return true;
    }
    std::error_code ec;
    for (fs::directory_iterator it(folderPath, ec), end; !ec && it != end; it.increment(ec)) {
        if (EqualsNoCase(it->path().filename().string(), name)) {
            return true;
        }
    }
    // A folder that cannot be read is treated as full of names rather than written into.
    return static_cast<bool>(ec);
}

std::optional<Bytes> HostFolderStorage::ReadFile(std::string_view folder, std::string_view name,
                                                 uint64_t maxBytes) {
    const auto stored = FindFile(folder, name);
    if (!stored) {
        return std::nullopt;
    }
    const auto bytes = ReadFileBytes(FolderPath(folder) / *stored, maxBytes);
    if (!bytes) {
        return std::nullopt;
    }
    const ByteView view = AsBytes(*bytes);
    return Bytes(view.begin(), view.end());
}

bool HostFolderStorage::RemoveFile(std::string_view folder, std::string_view name) {
    const auto stored = FindFile(folder, name);
    if (!stored) {
        return false;
    }
    std::error_code ec;
    return fs::remove(FolderPath(folder) / *stored, ec) && !ec;
}

std::unique_ptr<StorageWriter> HostFolderStorage::BeginWrite(std::string_view folder,
                                                             std::string_view name) {
    const fs::path target = HostPath(folder, name);
    if (target.empty()) {
        return nullptr;
    }
    // Replacing keeps the stored spelling, so a name in another letter case does not leave
    // two files that the instrument would see as one.
    const auto stored = FindFile(folder, name);
    auto writer = std::make_unique<Writer>(stored ? FolderPath(folder) / *stored : target);
    if (!writer->Open()) {
        return nullptr;
    }
    return writer;
}

}  // namespace veltrano
