#pragma once

#include <filesystem>

#include "style/StyleToMidiPresenter.h"
#include "ui/ToolPage.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace veltrano {

// The style-to-MIDI page: a style is opened (with Open or dropped from the desktop), its names,
// tempo and time signature shown, and its MIDI file, one-touch settings and description saved.
// The checks and the dialogs' sequence are the presenter's.
class StyleToMidiDialog : public ToolPage {
    Q_OBJECT

public:
    explicit StyleToMidiDialog(const PageServices& services, QWidget* parent = nullptr);

    void ApplyTexts() override;
    // Opens a style as the Open button does once its dialog has chosen it.
    bool OpenStyle(const std::filesystem::path& path);
    [[nodiscard]] StyleToMidiPresenter& Presenter() { return presenter_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OpenCommand();
    void SaveCommand(ConversionMode mode, QPushButton* button);
    void ShowFields();

    StyleToMidiPresenter presenter_;
    QGroupBox* infoGroup_ = nullptr;
    QGroupBox* optionalGroup_ = nullptr;
    QPushButton* open_ = nullptr;
    QLineEdit* path_ = nullptr;
    QLabel* longNameLabel_ = nullptr;
    QLineEdit* longName_ = nullptr;
    QLabel* shortNameLabel_ = nullptr;
    QLineEdit* shortName_ = nullptr;
    QLabel* tempoLabel_ = nullptr;
    QLineEdit* tempo_ = nullptr;
    QLabel* timeSignatureLabel_ = nullptr;
    QLineEdit* timeSignature_ = nullptr;
    QPushButton* saveOts_ = nullptr;
    QPushButton* saveDsc_ = nullptr;
    QPushButton* saveMidi_ = nullptr;
};

}  // namespace veltrano
