#pragma once

#include <QString>
#include <string_view>

#include "settings/AppConfig.h"

class QWidget;

namespace veltrano {

// A filter of the form "Performance files(*.prf)|*.prf||" (descriptions and patterns in
// pairs, ended by "||") as a Qt file dialog takes it: "Performance files(*.prf)", pairs
// joined by ";;". A description without its pattern in brackets gets it appended.
[[nodiscard]] QString QtFileFilter(std::string_view filter);

// What a file dialog asks: its caption, its filter text, and the settings key under which
// its folder is kept.
struct FileDialogRequest {
    QString caption;
    std::string_view filter;
    DialogFolderKey folderKey;
    QString suggestedName;  // save dialogs: the name proposed in the name field
};

// The open and save dialogs of every page. Each starts in the folder kept under its key (the
// user's home folder when none is kept) and returns the chosen path, or an empty text when
// cancelled. The folder is not stored here: the operation stores it when it succeeded.
// The dialogs carry the object name "fileDialog", so window tests can find and fill them.
[[nodiscard]] QString ChooseFileToOpen(QWidget* parent, const AppConfig& config,
                                       const FileDialogRequest& request);
[[nodiscard]] QString ChooseFileToSave(QWidget* parent, const AppConfig& config,
                                       const FileDialogRequest& request);

}  // namespace veltrano
