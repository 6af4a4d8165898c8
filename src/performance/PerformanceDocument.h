#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/EditDocument.h"
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
// name field of the window. Every change of the bank goes through Edit (or Copy and Swap), so
// the pages hear of it and it can be undone; which performance is shown is not an edit.
class PerformanceDocument {
public:
    using BankEdits = EditDocument<PerformanceBank>;

    static constexpr std::string_view kDefaultFileName = "Default.prf";
    static constexpr std::string_view kOverwriteQuestion =
        "This file is exist, do you want to continue? ";
    static constexpr std::string_view kSaveCaption = "Save";

    // Creation: every performance reset and given the voice defaults of the catalogue.
    PerformanceDocument(DeviceContext& app, Reporter& reporter);

    [[nodiscard]] const PerformanceBank& Bank() const { return edits_.Value(); }
    // Undo, redo, the modified flag and the notices of every change.
    [[nodiscard]] BankEdits& Edits() { return edits_; }
    [[nodiscard]] const BankEdits& Edits() const { return edits_; }

    // The performance the pages show (0 to 5); false and no change outside that range.
    [[nodiscard]] int CurrentIndex() const { return current_; }
    [[nodiscard]] bool SetCurrentIndex(int index);
    [[nodiscard]] const Performance& Current() const { return Bank().At(current_); }

    // One edit of the current performance, named `field` (merged with the edits of the same
    // field before it, see EditDocument). The step is named with the performance it was made
    // in, so undo can show where it happened. True when something changed.
    template <typename EditFn>
    bool Edit(std::string_view field, EditFn&& edit) {
        const int index = current_;
        return edits_.Edit(StepName(index, field), [&](PerformanceBank& bank) {
            std::forward<EditFn>(edit)(bank.At(index));
        });
    }
    // Performance `from` copied over performance `to`, or the two exchanged: one step each.
    bool CopyPerformance(int from, int to);
    bool SwapPerformances(int first, int second);

    // "P<n>/<field>" for performance index n - 1, and the parts of such a name.
    [[nodiscard]] static std::string StepName(int performance, std::string_view field);
    [[nodiscard]] static std::optional<std::pair<int, std::string>> SplitStepName(
        std::string_view step);

    // The name, without folder, of the file last opened or saved; empty after New and after a
    // change of device.
    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    // What the window shows: the file name with "*" after it while there are unsaved edits.
    [[nodiscard]] std::string MarkedFileName() const;
    [[nodiscard]] bool Modified() const { return edits_.Modified(); }

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
    // The bank as the file at `path` holds it, read quietly; nullopt when it cannot be read.
    [[nodiscard]] std::optional<PerformanceBank> ReadQuietly(
        const std::filesystem::path& path) const;
    // The path of the file last opened or saved; empty when there is none.
    [[nodiscard]] const std::filesystem::path& FilePath() const { return filePath_; }

    [[nodiscard]] std::filesystem::path DefaultFilePath() const;
    [[nodiscard]] CodePage FileCodePage() const;
    [[nodiscard]] ControllerLayout Layout() const;
    [[nodiscard]] const DeviceContext& Context() const { return app_; }

private:
    // The file read into `bank`; false (bank as it was) after reporting why not.
    [[nodiscard]] bool ReadInto(const std::filesystem::path& path, PerformanceBank& bank);

    DeviceContext& app_;
    Reporter& reporter_;
    BankEdits edits_;
    int current_ = 0;
    std::string fileName_;
    std::filesystem::path filePath_;
};

}  // namespace veltrano
