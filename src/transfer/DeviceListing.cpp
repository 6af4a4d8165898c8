#include "transfer/DeviceListing.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/Text.h"

namespace veltrano {

const FileEntry* DeviceListing::Find(const std::string& name) const {
    for (const FileEntry& entry : entries_) {
        if (EqualsNoCase(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

std::string DeviceListing::ParentFolder(const std::string& folder) {
    const size_t cut = folder.rfind('\\');
    return cut == std::string::npos ? std::string() : folder.substr(0, cut);
}

std::string DeviceListing::DevicePath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

DeviceListing::PathParts DeviceListing::SplitPath(const std::string& path) {
    const std::string normal = DevicePath(path);
    const size_t cut = normal.rfind('\\');
    if (cut == std::string::npos) {
        return {kDefaultFolder, normal};
    }
    return {normal.substr(0, cut), normal.substr(cut + 1)};
}

std::string DeviceListing::ChildFolder(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string FormatDeviceTime(uint64_t fileTime) {
    if (fileTime == 0) {
        return {};
    }
    // 100-ns units since 1601 to seconds since 1970.
    constexpr uint64_t kEpochDifference = 11644473600ull;
    const uint64_t seconds = fileTime / 10000000ull;
    if (seconds < kEpochDifference) {
        return {};
    }
    const std::time_t unixTime = static_cast<std::time_t>(seconds - kEpochDifference);
    std::tm tm{};
#if defined(_WIN32)
    if (gmtime_s(&tm, &unixTime) != 0) {
        return {};
    }
#else
    if (gmtime_r(&unixTime, &tm) == nullptr) {
        return {};
    }
#endif
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%d:%d", tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

}  // namespace veltrano
