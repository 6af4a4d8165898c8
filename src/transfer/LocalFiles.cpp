#include "transfer/LocalFiles.h"

#include <system_error>

#include "base/Text.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace veltrano {

namespace fs = std::filesystem;

namespace {

bool IsHidden(const fs::directory_entry& entry) {
#if defined(_WIN32)
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
#else
    const std::string name = entry.path().filename().string();
    return !name.empty() && name.front() == '.';
#endif
}

bool Matches(const std::string& name, std::string_view extension) {
    if (extension.empty() || extension == "*") {
        return true;
    }
    const std::string suffix = "." + std::string(extension);
    return name.size() >= suffix.size() &&
           EqualsNoCase(std::string_view(name).substr(name.size() - suffix.size()), suffix);
}

}  // namespace

std::vector<std::string> EnumerateLocalFiles(const fs::path& folder, std::string_view extension,
                                             bool includeFolders) {
    std::vector<std::string> results;
    std::string prefix = folder.string();
    if (!prefix.empty() && prefix.back() != fs::path::preferred_separator) {
        prefix.push_back(static_cast<char>(fs::path::preferred_separator));
    }
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsHidden(*it) || !Matches(name, extension)) {
            continue;
        }
        std::error_code typeError;
        if (it->is_directory(typeError) && !includeFolders) {
            continue;
        }
        results.push_back(prefix + name);
    }
    return results;
}

bool IsBrowsableFile(std::string_view fullPath) {
    const std::string lower = ToLowerAscii(fullPath);
    for (const char* kind : {".mid", ".sty", ".voc", ".arp", ".prf"}) {
        if (lower.find(kind) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace veltrano
