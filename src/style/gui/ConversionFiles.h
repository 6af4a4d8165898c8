#pragma once

#include <QString>
#include <filesystem>
#include <optional>

#include "style/StyleToMidiPresenter.h"

class QDropEvent;
class QDragEnterEvent;
class QWidget;

namespace veltrano {

class AppConfig;

// The file dialogs of the conversion pages, as the presenters ask for them.
[[nodiscard]] ChooseFile OpenFileChooser(QWidget* parent, const AppConfig& config,
                                         const QString& caption);
[[nodiscard]] ChooseFile SaveFileChooser(QWidget* parent, const AppConfig& config,
                                         const QString& caption);
[[nodiscard]] std::filesystem::path PathOf(const QString& text);

// A file dragged from the desktop: the first local file it carries.
[[nodiscard]] std::optional<std::filesystem::path> DroppedFile(const QDropEvent& event);
// Accepts the drag when it carries a local file.
void AcceptFileDrag(QDragEnterEvent& event);

}  // namespace veltrano
