#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace veltrano::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const {
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, creating its folders; fails the running test when it cannot.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// The whole file, or "<missing>" when it cannot be read.
[[nodiscard]] std::string ReadFile(const std::filesystem::path& path);

// The source tree's resources folder.
[[nodiscard]] std::filesystem::path SourceResources();

}  // namespace veltrano::test
