#pragma once

#include <string>
#include <vector>

#include "device/SysExMessage.h"

namespace veltrano {

// The last listing of an instrument folder, as the browser shows it: the entries in the order
// they arrived and the folder they belong to. A new listing replaces the entries when it
// starts; the folder changes only when a listing completes.
class DeviceListing {
public:
    static constexpr const char* kDefaultFolder = "USER";

    [[nodiscard]] const std::vector<FileEntry>& Entries() const { return entries_; }
    [[nodiscard]] const std::string& Folder() const { return folder_; }

    void Clear() { entries_.clear(); }
    void Add(FileEntry entry) { entries_.push_back(std::move(entry)); }
    void SetFolder(std::string folder) { folder_ = std::move(folder); }

    // The entry of that name (compared without regard to ASCII case), or null.
    [[nodiscard]] const FileEntry* Find(const std::string& name) const;

    // The folder one level up ("USER\STYLE" -> "USER"); empty when there is none.
    [[nodiscard]] static std::string ParentFolder(const std::string& folder);
    // An instrument path as the user may type it ("USER/SONG") with the instrument's separators
    // ("USER\\SONG").
    [[nodiscard]] static std::string DevicePath(std::string path);
    // An instrument path split at its last separator ("\" or "/"): the folder ("USER" when the
    // path names no folder) and the name.
    struct PathParts {
        std::string folder;
        std::string name;
    };
    [[nodiscard]] static PathParts SplitPath(const std::string& path);
    // folder + "\" + name.
    [[nodiscard]] static std::string ChildFolder(const std::string& folder,
                                                 const std::string& name);

private:
    std::vector<FileEntry> entries_;
    std::string folder_ = kDefaultFolder;
};

// "%d/%d/%d %d:%d:%d" (month, day, year, hour, minute, second) of an instrument file time
// (100-ns units since 1601-01-01, UTC); empty for 0.
[[nodiscard]] std::string FormatDeviceTime(uint64_t fileTime);

}  // namespace veltrano
