#include "app/gui/HelpLauncher.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <system_error>

#include "base/Reporter.h"
#include "settings/LanguageTable.h"

namespace veltrano {

namespace fs = std::filesystem;

fs::path HelpFilePath(const fs::path& programFolder, int languageIndex) {
    fs::path stem = programFolder / LanguageTable::HelpFileStem(languageIndex);
    fs::path chm = stem;
    chm += ".chm";
    std::error_code ec;
    if (fs::is_regular_file(chm, ec)) {
        return chm;
    }
    stem += ".html";
    return stem;
}

bool OpenHelp(const fs::path& programFolder, const LanguageTable& language, Reporter& reporter) {
    const fs::path path = HelpFilePath(programFolder, language.Index());
    const auto fail = [&](const char* key) {
        reporter.Show(Icon::Warning, language.LookupText("Menu", "IDS_HELP"),
                      language.LookupText("MainPanel", key) + "\n" + path.string());
        return false;
    };
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return fail("IDS_MSG_HELP_MISSING");
    }
    const QUrl url = QUrl::fromLocalFile(QString::fromStdU16String(path.u16string()));
    if (!QDesktopServices::openUrl(url)) {
        return fail("IDS_MSG_HELP_FAILED");
    }
    return true;
}

}  // namespace veltrano
