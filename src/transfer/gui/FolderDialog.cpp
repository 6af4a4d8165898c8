#include "transfer/gui/FolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

#include "base/Reporter.h"

namespace veltrano {

namespace {

// Checks a typed path before Qt's own dialog would answer it with a message box of its own.
class FolderDialog : public QFileDialog {
public:
    FolderDialog(QWidget* parent, const QString& caption, const QString& start, Reporter& messages)
        : QFileDialog(parent, caption, start), messages_(messages) {}

    void accept() override {
        const QStringList chosen = selectedFiles();
        const QString path = chosen.isEmpty() ? QString() : chosen.constFirst();
        if (path.isEmpty() || !QFileInfo(path).isDir()) {
            messages_.Show(
                Icon::Information, "",
                "'" + QDir::toNativeSeparators(path).toStdString() + "' path is invalid!");
            return;
        }
        QFileDialog::accept();
    }

private:
    Reporter& messages_;
};

}  // namespace

QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start,
                     Reporter& messages) {
    QPointer<QFileDialog> dialog = new FolderDialog(parent, caption, start, messages);
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
