#pragma once

#include <filesystem>

namespace veltrano {

class LanguageTable;
class Reporter;

// The help file of a language: "Help/Help_En" for English, "Help/Help_Ch" for any other
// language, as ".chm" where such a file exists and as ".html" otherwise.
[[nodiscard]] std::filesystem::path HelpFilePath(const std::filesystem::path& programFolder,
                                                 int languageIndex);

// Opens the help file with the desktop's viewer. A missing file, or one the desktop cannot
// open, is reported; false then.
bool OpenHelp(const std::filesystem::path& programFolder, const LanguageTable& language,
              Reporter& reporter);

}  // namespace veltrano
