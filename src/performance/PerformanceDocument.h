#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/TextCodec.h"
#include "performance/PerformanceModel.h"
#include "performance/PerformanceSections.h"

namespace veltrano {

struct DeviceContext;
class Reporter;

// The name a path chosen in the Open or Save dialog is used under: the file name in lower
// case, its extension replaced by "prf" (or ".prf" appended when it has none). Only the last
// component changes: the folders are the user's and may differ in case on disk.
[[nodiscard]] std::filesystem::path PerformanceFileName(const std::filesystem::path& chosen);

// The bank the performance editor edits, with its commands New, Open and Save and the file
// name field of the window. The pages read and write the bank; this class owns it.
class PerformanceDocument {
public:
    static constexpr std::string_view kDefaultFileName = "Default.prf";
    static constexpr std::string_view kOverwriteQuestion =
        "This file is exist, do you want to continue? ";
    static constexpr std::string_view kSaveCaption = "Save";

    // Creation: every performance reset and given the voice defaults of the catalogue.
    PerformanceDocument(DeviceContext& app, Reporter& reporter);

    [[nodiscard]] PerformanceBank& Bank() { return bank_; }
    [[nodiscard]] const PerformanceBank& Bank() const { return bank_; }
    // The name, without folder, of the file last opened or saved; empty after New and after a
    // change of device.
    [[nodiscard]] const std::string& FileName() const { return fileName_; }

    // Start and change of device: the device's default bank read over the current one (which
    // is not reset first).
    void LoadDeviceDefault();
    // Every section reset, the voice defaults applied, then the device's default bank read
    // over them when there is one.
    void New();
    [[nodiscard]] bool Open(const std::filesystem::path& chosen);
    // Asks before replacing an existing file; the file is replaced only when the whole bank
    // could be written.
    [[nodiscard]] bool Save(const std::filesystem::path& chosen);

    [[nodiscard]] std::filesystem::path DefaultFilePath() const;
    [[nodiscard]] CodePage FileCodePage() const;
    [[nodiscard]] ControllerLayout Layout() const;

private:
    [[nodiscard]] bool ReadInto(const std::filesystem::path& path);

    DeviceContext& app_;
    Reporter& reporter_;
    PerformanceBank bank_;
    std::string fileName_;
};

}  // namespace veltrano
