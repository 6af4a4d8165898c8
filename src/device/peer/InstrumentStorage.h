#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"
#include "device/SysExMessage.h"

namespace veltrano {

// The simulated instrument's file system: a fixed set of folders (paths on the instrument use
// backslashes) holding plain files. Names compare without regard to ASCII letter case, as on
// the instrument's own storage. Every operation checks the folder and the name itself, so no
// caller can reach outside the storage whatever it passes in.
namespace instrument_fs {

inline constexpr std::array<std::string_view, 5> kFolders{"USER", "USER\\VOICE", "USER\\STYLE",
                                                          "USER\\SONG", "USB"};
inline constexpr const char* kDefaultFolder = "USER";

// The instrument's own spelling of a folder path from the PC (letter case ignored, trailing
// backslashes dropped, empty = "USER"); nullopt when the instrument has no such folder.
[[nodiscard]] std::optional<std::string> CanonicalFolder(std::string_view path);

// A name the instrument accepts for a file: 1…64 bytes, not "." or "..", no separator, no
// control character, none of the characters that other file systems reserve (<>:"|?*), and not
// a device name of those systems (CON, NUL, COM1, …), with or without an extension.
[[nodiscard]] bool IsAcceptableFileName(std::string_view name);

// The extensions a download may carry (compared without letter case).
inline constexpr std::array<std::string_view, 7> kAcceptedExtensions{".mid", ".sty", ".voc", ".arp",
                                                                     ".prf", ".ots", ".dsc"};
[[nodiscard]] bool HasAcceptedExtension(std::string_view name);

// 100-ns units since 1601-01-01 for 2024-01-01 00:00:00 UTC: the fixed clock of the memory
// storage.
inline constexpr uint64_t kDefaultMemoryFileTime = 133485408000000000ULL;

}  // namespace instrument_fs

// A file being received: written piece by piece and put in place only by Commit(). Dropping the
// writer without Commit() leaves the storage as it was.
class StorageWriter {
public:
    virtual ~StorageWriter() = default;
    [[nodiscard]] virtual bool Append(ByteView bytes) = 0;
    [[nodiscard]] virtual bool Commit() = 0;
};

class InstrumentStorage {
public:
    virtual ~InstrumentStorage() = default;

    // The folder's subfolders (kind 0, in the instrument's order) followed by its files, sorted
    // by name without regard to case. Files whose names the instrument would not accept are not
    // listed. An unknown folder lists nothing.
    [[nodiscard]] virtual std::vector<FileEntry> List(std::string_view folder) = 0;
    // The stored spelling of a file's name; nullopt when no such plain file exists.
    [[nodiscard]] virtual std::optional<std::string> FindFile(std::string_view folder,
                                                              std::string_view name) = 0;
    // True when anything (file, folder or link) already has that name in the folder, or the
    // name itself is not acceptable.
    [[nodiscard]] virtual bool NameTaken(std::string_view folder, std::string_view name) = 0;
    // The file's bytes; nullopt when it does not exist, cannot be read or is larger.
    [[nodiscard]] virtual std::optional<Bytes> ReadFile(std::string_view folder,
                                                        std::string_view name,
                                                        uint64_t maxBytes = UINT64_MAX) = 0;
    [[nodiscard]] virtual bool RemoveFile(std::string_view folder, std::string_view name) = 0;
    // nullptr when the folder or name is not acceptable or nothing can be written there.
    [[nodiscard]] virtual std::unique_ptr<StorageWriter> BeginWrite(std::string_view folder,
                                                                    std::string_view name) = 0;

    // A whole file in one step (replacing a file of that name); for tests and for seeding.
    [[nodiscard]] bool PutFile(std::string_view folder, std::string_view name, ByteView bytes);
};

// Storage that lives in memory; every file carries the same configurable time.
class MemoryStorage : public InstrumentStorage {
public:
    explicit MemoryStorage(uint64_t fileTime = instrument_fs::kDefaultMemoryFileTime)
        : fileTime_(fileTime) {}

    [[nodiscard]] std::vector<FileEntry> List(std::string_view folder) override;
    [[nodiscard]] std::optional<std::string> FindFile(std::string_view folder,
                                                      std::string_view name) override;
    [[nodiscard]] bool NameTaken(std::string_view folder, std::string_view name) override;
    [[nodiscard]] std::optional<Bytes> ReadFile(std::string_view folder, std::string_view name,
                                                uint64_t maxBytes = UINT64_MAX) override;
    [[nodiscard]] bool RemoveFile(std::string_view folder, std::string_view name) override;
    [[nodiscard]] std::unique_ptr<StorageWriter> BeginWrite(std::string_view folder,
                                                            std::string_view name) override;

private:
    struct File {
        std::string name;
        Bytes bytes;
    };
    class Writer;

    // Files of a known folder; nullptr for an unknown one.
    std::vector<File>* Folder(std::string_view folder);
    File* Find(std::string_view folder, std::string_view name);

    uint64_t fileTime_;
    std::map<std::string, std::vector<File>, std::less<>> folders_;
};

// Storage mapped onto a folder of the computer: "USER\VOICE" is ROOT/USER/VOICE, "USB" is
// ROOT/USB. Only plain files count: links are neither listed, read nor removed, and a name
// taken by anything is never written over. Received files go to a temporary file beside the
// target and are renamed into place when complete.
class HostFolderStorage : public InstrumentStorage {
public:
    // Creates the folders that are missing; nullptr and an error text when it cannot.
    [[nodiscard]] static std::unique_ptr<HostFolderStorage> Open(const std::filesystem::path& root,
                                                                 std::string& error);

    [[nodiscard]] const std::filesystem::path& Root() const { return root_; }
    // The host path of a file; empty when folder or name are not acceptable.
    [[nodiscard]] std::filesystem::path HostPath(std::string_view folder,
                                                 std::string_view name) const;

    [[nodiscard]] std::vector<FileEntry> List(std::string_view folder) override;
    [[nodiscard]] std::optional<std::string> FindFile(std::string_view folder,
                                                      std::string_view name) override;
    [[nodiscard]] bool NameTaken(std::string_view folder, std::string_view name) override;
    [[nodiscard]] std::optional<Bytes> ReadFile(std::string_view folder, std::string_view name,
                                                uint64_t maxBytes = UINT64_MAX) override;
    [[nodiscard]] bool RemoveFile(std::string_view folder, std::string_view name) override;
    [[nodiscard]] std::unique_ptr<StorageWriter> BeginWrite(std::string_view folder,
                                                            std::string_view name) override;

private:
    explicit HostFolderStorage(std::filesystem::path root) : root_(std::move(root)) {}
    class Writer;

    // The host folder of an instrument folder; empty for an unknown one.
    [[nodiscard]] std::filesystem::path FolderPath(std::string_view folder) const;

    std::filesystem::path root_;
};

}  // namespace veltrano
