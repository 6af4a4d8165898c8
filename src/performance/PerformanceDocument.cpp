#include "performance/PerformanceDocument.h"

#include <system_error>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "base/Text.h"
#include "device/DeviceContext.h"
#include "performance/PerformanceDefaults.h"
#include "performance/PerformanceFile.h"

namespace veltrano {

namespace fs = std::filesystem;

fs::path PerformanceFileName(const fs::path& chosen) {
    std::string name = ToLowerAscii(chosen.filename().string());
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        name += ".prf";
    } else {
        name.replace(dot + 1, std::string::npos, "prf");
    }
    return chosen.parent_path() / name;
}

namespace {

PerformanceBank FreshBank(const PresetCatalog& catalog) {
    PerformanceBank bank;
    ResetBank(bank, catalog);
    return bank;
}

constexpr std::string_view kStepPrefix = "P";

}  // namespace

PerformanceDocument::PerformanceDocument(DeviceContext& app, Reporter& reporter)
    : app_(app), reporter_(reporter), edits_(FreshBank(app.catalog)) {}

bool PerformanceDocument::SetCurrentIndex(int index) {
    if (index < 0 || index >= kPerformanceCount) {
        return false;
    }
    current_ = index;
    return true;
}

std::string PerformanceDocument::StepName(int performance, std::string_view field) {
    return std::string(kStepPrefix) + std::to_string(performance + 1) + "/" + std::string(field);
}

std::optional<std::pair<int, std::string>> PerformanceDocument::SplitStepName(
    std::string_view step) {
    const size_t slash = step.find('/');
    if (!step.starts_with(kStepPrefix) || slash != kStepPrefix.size() + 1) {
        return std::nullopt;
    }
    const int index = step[kStepPrefix.size()] - '1';
    if (index < 0 || index >= kPerformanceCount) {
        return std::nullopt;
    }
    return std::pair<int, std::string>{index, std::string(step.substr(slash + 1))};
}

bool PerformanceDocument::CopyPerformance(int from, int to) {
    if (from < 0 || from >= kPerformanceCount || to < 0 || to >= kPerformanceCount || from == to) {
        return false;
    }
    const bool changed = edits_.Edit(StepName(to, "Copy"),
                                     [&](PerformanceBank& bank) { bank.At(to) = bank.At(from); });
    edits_.EndMerge();
    return changed;
}

bool PerformanceDocument::SwapPerformances(int first, int second) {
    if (first < 0 || first >= kPerformanceCount || second < 0 || second >= kPerformanceCount ||
        first == second) {
        return false;
    }
    const bool changed = edits_.Edit(StepName(second, "Swap"), [&](PerformanceBank& bank) {
        std::swap(bank.At(first), bank.At(second));
    });
    edits_.EndMerge();
    return changed;
}

std::string PerformanceDocument::MarkedFileName() const {
    return Modified() ? fileName_ + "*" : fileName_;
}

fs::path PerformanceDocument::DefaultFilePath() const {
    return app_.DeviceFolder() / kDefaultFileName;
}

CodePage PerformanceDocument::FileCodePage() const {
    return CodePageForLanguage(app_.language.Index());
}

ControllerLayout PerformanceDocument::Layout() const {
    return ControllerLayout::FromProfile(app_.profile.Values());
}

bool PerformanceDocument::ReadInto(const fs::path& path, PerformanceBank& bank) {
    const auto bytes = ReadFileBytes(path, PerformanceFile::kMaxFileBytes);
    if (!bytes) {
        reporter_.Show(Icon::Error, performance_caption::kFile,
                       "Open the file failed: " + path.string());
        return false;
    }
    // The default bank is read on every device change; only a file the user chose is
    // remembered as the place to open the next one from.
    if (!EqualsNoCase(path.string(), DefaultFilePath().string())) {
        (void)app_.config.SetDialogFolder(dialog_folder::kOpenPerf, path.parent_path().string());
    }
    const PerformanceFile file(reporter_, FileCodePage());
    return file.ReadBytes(AsBytes(*bytes), bank);
}

std::optional<PerformanceBank> PerformanceDocument::ReadQuietly(const fs::path& path) const {
    const auto bytes = ReadFileBytes(path, PerformanceFile::kMaxFileBytes);
    if (!bytes) {
        return std::nullopt;
    }
    SilentReporter silent;
    PerformanceBank bank;
    if (!PerformanceFile(silent, FileCodePage()).ReadBytes(AsBytes(*bytes), bank)) {
        return std::nullopt;
    }
    return bank;
}

void PerformanceDocument::LoadDeviceDefault() {
    PerformanceBank bank = Bank();
    if (ReadInto(DefaultFilePath(), bank)) {
        edits_.Load(std::move(bank));
    } else {
        // The bank stays, but it no longer belongs to a file of the user's: nothing to undo
        // into, nothing that counts as unsaved.
        edits_.Load(Bank());
    }
    fileName_.clear();
    filePath_.clear();
}

void PerformanceDocument::New() {
    PerformanceBank bank = FreshBank(app_.catalog);
    std::error_code ec;
    if (fs::exists(DefaultFilePath(), ec)) {
        (void)ReadInto(DefaultFilePath(), bank);
    }
    edits_.Load(std::move(bank));
    fileName_.clear();
    filePath_.clear();
}

bool PerformanceDocument::Open(const fs::path& chosen) {
    fs::path path = PerformanceFileName(chosen);
    // The name rule comes from case-blind file systems; where case matters, a chosen file
    // that exists is still the one to open.
    std::error_code ec;
    if (!fs::exists(path, ec) && fs::exists(chosen, ec)) {
        path = chosen;
    }
    PerformanceBank bank = Bank();
    if (!ReadInto(path, bank)) {
        return false;
    }
    edits_.Load(std::move(bank));
    fileName_ = path.filename().string();
    filePath_ = path;
    return true;
}

bool PerformanceDocument::Save(const fs::path& chosen) {
    const fs::path path = PerformanceFileName(chosen);
    std::error_code ec;
    if (fs::exists(path, ec) && reporter_.Ask(Icon::Question, kSaveCaption, kOverwriteQuestion,
                                              Buttons::YesNo) != Answer::Yes) {
        return false;
    }
    const PerformanceFile file(reporter_, FileCodePage());
    if (!file.Write(path, Bank(), Layout())) {
        return false;
    }
    (void)app_.config.SetDialogFolder(dialog_folder::kSavePerf, path.parent_path().string());
    fileName_ = path.filename().string();
    filePath_ = path;
    edits_.MarkSaved();
    return true;
}

}  // namespace veltrano
