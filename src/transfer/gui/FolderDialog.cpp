#include "transfer/gui/FolderDialog.h"

#include <QFileDialog>
#include <QPointer>

namespace veltrano {

QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start) {
    QPointer<QFileDialog> dialog = new QFileDialog(parent, caption, start);
    dialog->setObjectName(QStringLiteral("fileDialog"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setOption(QFileDialog::ReadOnly, true);  // no new-folder button
    const bool accepted = dialog->exec() == QDialog::Accepted;
    QString chosen;
    if (dialog && accepted && !dialog->selectedFiles().isEmpty()) {
        chosen = dialog->selectedFiles().constFirst();
    }
    delete dialog.data();
    return chosen;
}

}  // namespace veltrano
