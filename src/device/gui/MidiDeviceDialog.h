#pragma once

#include <QDialog>

#include "device/MidiDeviceChoice.h"

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace veltrano {

class AppConfig;
class LanguageTable;
class MidiPorts;
class Reporter;

// The modal window in which the user picks the MIDI input and output port. It only shows the
// lists and the selection; what OK does is MidiDeviceChoice's. Build one for each opening: the
// ports are read again when it is made.
class MidiDeviceDialog : public QDialog {
    Q_OBJECT

public:
    MidiDeviceDialog(MidiPorts& ports, AppConfig& config, Reporter& reporter,
                     const LanguageTable& language, QWidget* parent = nullptr);

    void ApplyTexts();
    // Reads the ports again, refills both lists and selects the chosen positions.
    void Refresh();
    // Selects a row in each list; kNone or a row outside the list clears that list's selection.
    void Select(int input, int output);
    // The selected rows, kNone where a list has no selection.
    [[nodiscard]] int SelectedInput() const;
    [[nodiscard]] int SelectedOutput() const;

    // Opens the selected ports (failures are reported) and closes the window with OK in every
    // case, whichever way it was confirmed.
    void accept() override;

private:
    MidiDeviceChoice choice_;
    const LanguageTable& language_;
    QLabel* inputLabel_ = nullptr;
    QLabel* outputLabel_ = nullptr;
    QListWidget* inputList_ = nullptr;
    QListWidget* outputList_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace veltrano
