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

PerformanceDocument::PerformanceDocument(DeviceContext& app, Reporter& reporter)
    : app_(app), reporter_(reporter) {
    ResetBank(bank_, app_.catalog);
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

bool PerformanceDocument::ReadInto(const fs::path& path) {
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
    return file.ReadBytes(AsBytes(*bytes), bank_);
}

void PerformanceDocument::LoadDeviceDefault() {
    (void)ReadInto(DefaultFilePath());
    fileName_.clear();
}

void PerformanceDocument::New() {
    ResetBank(bank_, app_.catalog);
    std::error_code ec;
    if (fs::exists(DefaultFilePath(), ec)) {
        (void)ReadInto(DefaultFilePath());
    }
    fileName_.clear();
}

bool PerformanceDocument::Open(const fs::path& chosen) {
    fs::path path = PerformanceFileName(chosen);
    // The name rule comes from case-blind file systems; where case matters, a chosen file
    // that exists is still the one to open.
    std::error_code ec;
    if (!fs::exists(path, ec) && fs::exists(chosen, ec)) {
        path = chosen;
    }
    if (!ReadInto(path)) {
        return false;
    }
    fileName_ = path.filename().string();
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
    if (!file.Write(path, bank_, Layout())) {
        return false;
    }
    (void)app_.config.SetDialogFolder(dialog_folder::kSavePerf, path.parent_path().string());
    fileName_ = path.filename().string();
    return true;
}

}  // namespace veltrano
