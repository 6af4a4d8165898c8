#include "base/PlatformPaths.h"

#include <cstdlib>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>

#include <vector>
#endif

namespace veltrano {

namespace fs = std::filesystem;

namespace {

fs::path EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? fs::path(value) : fs::path();
}

}  // namespace

fs::path ExecutableFolder() {
#if defined(_WIN32)
    wchar_t buffer[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    if (n == 0 || n >= std::size(buffer)) {
        return {};
    }
    return fs::path(std::wstring(buffer, n)).parent_path();
#elif defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1);
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) {
        return {};
    }
    std::error_code ec;
    const fs::path exe = fs::weakly_canonical(fs::path(buffer.data()), ec);
    return exe.parent_path();
#else
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
#endif
}

fs::path UserDataFolder() {
#if defined(_WIN32)
    const fs::path appData = EnvPath("APPDATA");
    return appData.empty() ? fs::path() : appData / "Veltrano";
#elif defined(__APPLE__)
    const fs::path home = EnvPath("HOME");
    return home.empty() ? fs::path() : home / "Library" / "Application Support" / "Veltrano";
#else
    const fs::path dataHome = EnvPath("XDG_DATA_HOME");
    if (!dataHome.empty()) {
        return dataHome / "veltrano";
    }
    const fs::path home = EnvPath("HOME");
    return home.empty() ? fs::path() : home / ".local" / "share" / "veltrano";
#endif
}

}  // namespace veltrano
