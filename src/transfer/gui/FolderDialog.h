#pragma once

#include <QString>

class QWidget;

namespace veltrano {

class Reporter;

// The folder dialog of the browser and the USB page: folders only, a name field to type a
// path in, no button that makes folders. A typed path that is no folder is refused with
// "'…' path is invalid!" and the dialog stays open. Returns the chosen folder, or an empty
// text when cancelled. It carries the object name "fileDialog", as the file dialogs do.
[[nodiscard]] QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start,
                                   Reporter& messages);

}  // namespace veltrano
