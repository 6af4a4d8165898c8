#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QStringList>

namespace veltrano {

namespace {

QString StartFolder(const AppConfig& config, DialogFolderKey key) {
    const QString kept = QString::fromStdString(config.DialogFolder(key));
    return !kept.isEmpty() && QDir(kept).exists() ? kept : QDir::homePath();
}

QString Run(QWidget* parent, const AppConfig& config, const FileDialogRequest& request,
            QFileDialog::AcceptMode mode) {
    QPointer<QFileDialog> dialog =
        new QFileDialog(parent, request.caption, StartFolder(config, request.folderKey),
                        QtFileFilter(request.filter));
    dialog->setObjectName(QStringLiteral("fileDialog"));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    // The save operations ask their own question before replacing a file, with the program's
    // text, so the dialog does not ask a second one.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.suggestedName.isEmpty()) {
        dialog->selectFile(request.suggestedName);
    }
    const bool accepted = dialog->exec() == QDialog::Accepted;
    QString chosen;
    if (dialog && accepted && !dialog->selectedFiles().isEmpty()) {
        chosen = dialog->selectedFiles().constFirst();
    }
    delete dialog.data();
    return chosen;
}

}  // namespace

QString QtFileFilter(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (description.isEmpty()) {
            break;  // the closing "||"
        }
        const QString patterns = QString(pattern).replace(u';', u' ');
        filters << (description.endsWith(QLatin1Char(')'))
                        ? description
                        : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

QString ChooseFileToOpen(QWidget* parent, const AppConfig& config,
                         const FileDialogRequest& request) {
    return Run(parent, config, request, QFileDialog::AcceptOpen);
}

QString ChooseFileToSave(QWidget* parent, const AppConfig& config,
                         const FileDialogRequest& request) {
    return Run(parent, config, request, QFileDialog::AcceptSave);
}

}  // namespace veltrano
