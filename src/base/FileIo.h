#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano {

// Whole-file reads and replacing writes. A replacing write goes to a temporary file in the same
// folder and is renamed over the target only when every byte is on disk, so a failure never
// leaves a half-written or lost file.

// nullopt when the file cannot be opened or read, or is larger than maxBytes.
[[nodiscard]] std::optional<std::string> ReadFileBytes(const std::filesystem::path& path,
                                                       uint64_t maxBytes = UINT64_MAX);

[[nodiscard]] bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// A temporary file beside the target, for writers that fill a file piece by piece. It is
// removed when destroyed unless Commit() has renamed it over the target.
class TempFileBeside {
public:
    explicit TempFileBeside(std::filesystem::path target);
    ~TempFileBeside();
    TempFileBeside(const TempFileBeside&) = delete;
    TempFileBeside& operator=(const TempFileBeside&) = delete;

    [[nodiscard]] bool Open();
    [[nodiscard]] bool WriteAt(uint64_t offset, std::string_view bytes);
    [[nodiscard]] bool Append(std::string_view bytes);
    [[nodiscard]] bool Commit();
    void Discard();

    [[nodiscard]] const std::filesystem::path& TempPath() const { return temp_; }
    [[nodiscard]] const std::filesystem::path& Target() const { return target_; }

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
};

}  // namespace veltrano
