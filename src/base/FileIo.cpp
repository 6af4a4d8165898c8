#include "base/FileIo.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <random>
#include <system_error>

namespace veltrano {

namespace fs = std::filesystem;

namespace {

fs::path TempNameBeside(const fs::path& target) {
    static std::atomic<uint32_t> counter{0};
    std::random_device rd;
    const uint32_t salt = rd() ^ (counter.fetch_add(1) * 2654435761u);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.part", salt);
    fs::path temp = target;
    temp += suffix;
    return temp;
}

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

bool FlushAndClose(std::FILE*& file) {
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fflush(file) == 0 && !std::ferror(file);
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    return ok && closed;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const fs::path& path, uint64_t maxBytes) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return std::nullopt;
    }
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    bool ok = true;
    while (true) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, file);
        if (n > 0) {
            if (bytes.size() + n > maxBytes) {
                ok = false;
                break;
            }
            bytes.append(buffer, n);
        }
        if (n < sizeof buffer) {
            ok = ok && !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileAtomic(const fs::path& path, std::string_view bytes) {
    TempFileBeside temp(path);
    return temp.Open() && temp.Append(bytes) && temp.Commit();
}

TempFileBeside::TempFileBeside(fs::path target)
    : target_(std::move(target)), temp_(TempNameBeside(target_)) {}

TempFileBeside::~TempFileBeside() {
    Discard();
}

bool TempFileBeside::Open() {
    Discard();
    file_ = OpenFile(temp_, "w+b");
    return file_ != nullptr;
}

bool TempFileBeside::WriteAt(uint64_t offset, std::string_view bytes) {
    if (file_ == nullptr || offset > static_cast<uint64_t>(LONG_MAX)) {
        return false;
    }
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
        return false;
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool TempFileBeside::Append(std::string_view bytes) {
    if (file_ == nullptr || std::fseek(file_, 0, SEEK_END) != 0) {
        return false;
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool TempFileBeside::Commit() {
    if (!FlushAndClose(file_)) {
        Discard();
        return false;
    }
    std::error_code ec;
    fs::rename(temp_, target_, ec);
    if (ec) {
        fs::remove(temp_, ec);
        return false;
    }
    return true;
}

void TempFileBeside::Discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
        std::error_code ec;
        fs::remove(temp_, ec);
    }
}

}  // namespace veltrano
