#include "style/gui/ConversionFiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "ui/FileDialogs.h"

namespace veltrano {

namespace {

std::optional<std::filesystem::path> FirstLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return std::nullopt;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            return PathOf(url.toLocalFile());
        }
    }
    return std::nullopt;
}

ChooseFile Chooser(QWidget* parent, const AppConfig& config, const QString& caption, bool save) {
    return [parent, &config, caption,
            save](const FileChoice& choice) -> std::optional<std::filesystem::path> {
        const FileDialogRequest request{caption, choice.filter, choice.folder,
                                        QString::fromStdString(choice.suggestedName)};
        const QString chosen = save ? ChooseFileToSave(parent, config, request)
                                    : ChooseFileToOpen(parent, config, request);
        if (chosen.isEmpty()) {
            return std::nullopt;
        }
        return PathOf(chosen);
    };
}

}  // namespace

std::filesystem::path PathOf(const QString& text) {
    return std::filesystem::path(text.toStdString());
}

ChooseFile OpenFileChooser(QWidget* parent, const AppConfig& config, const QString& caption) {
    return Chooser(parent, config, caption, false);
}

ChooseFile SaveFileChooser(QWidget* parent, const AppConfig& config, const QString& caption) {
    return Chooser(parent, config, caption, true);
}

std::optional<std::filesystem::path> DroppedFile(const QDropEvent& event) {
    return FirstLocalFile(event.mimeData());
}

void AcceptFileDrag(QDragEnterEvent& event) {
    if (FirstLocalFile(event.mimeData())) {
        event.acceptProposedAction();
    }
}

}  // namespace veltrano
