#pragma once

#include <array>
#include <filesystem>

#include "base/Bytes.h"
#include "style/StyleFile.h"

namespace veltrano {

class Reporter;

// A one-touch settings file (.ots): for each of the 4 settings and each part R1, R2, R3, L, a
// flag that is 1 when the part's volume is non-zero, then the 8 one-touch bytes.
class OtsFile {
public:
    static constexpr size_t kFileSize = 144;
    static constexpr size_t kEntrySize = 9;

    OtsFile() : settings_(DefaultOneTouchSettings()) {}
    explicit OtsFile(const OneTouchSettings& settings) : settings_(settings) {}

    [[nodiscard]] const OneTouchSettings& Settings() const { return settings_; }
    // The flag byte as read (or as it will be written).
    [[nodiscard]] bool VolumeFlag(int setting, int part) const;

    [[nodiscard]] Bytes Serialize() const;
    // "Create OTS file failed" (caption "Error") when the file cannot be written.
    [[nodiscard]] bool Write(const std::filesystem::path& path, Reporter& reporter) const;

    // Reads a file of exactly 144 bytes: "Open the OTS file failed" or "Invalid format of OTS
    // file" (caption "Error"); the settings stay as they were on failure.
    [[nodiscard]] bool Read(const std::filesystem::path& path, Reporter& reporter);
    [[nodiscard]] bool ReadBytes(ByteView bytes, Reporter& reporter);

private:
    OneTouchSettings settings_;
    // Flags read from a file; they are derived from the volumes otherwise.
    std::array<std::array<bool, kOneTouchPartCount>, kOneTouchSettingCount> flags_{};
    bool flagsRead_ = false;
};

}  // namespace veltrano
