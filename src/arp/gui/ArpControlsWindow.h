#pragma once

#include <QDialog>
#include <functional>

#include "arp/ArpPlayer.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace veltrano {

class LanguageTable;
class Reporter;

// The arpeggiator controls: the engine's playing parameters, each control sending its engine
// command through the sink as soon as it changes.
class ArpControlsWindow : public QDialog {
    Q_OBJECT

public:
    using Sink = std::function<void(int code, int a, int b)>;

    ArpControlsWindow(const LanguageTable& language, Reporter& reporter, Sink sink,
                      QWidget* parent = nullptr);

    void ApplyTexts();
    // Sends every setting as it stands, in the engine's expected order.
    void SendAll();
    [[nodiscard]] ArpPlayer::Controls Settings() const { return controls_; }

private:
    void Send(int code, int a, int b = 0);
    void FixedNoteEntered();
    void ShowFixedNote();
    void VelocityChosen();
    void UpdateVelocityFields();

    const LanguageTable& language_;
    Reporter& reporter_;
    Sink sink_;
    ArpPlayer::Controls controls_;
    int velocityValue_ = 100;

    QCheckBox* sort_ = nullptr;
    QCheckBox* latch_ = nullptr;
    QCheckBox* keySync_ = nullptr;
    QCheckBox* keySound_ = nullptr;
    QCheckBox* fixedNote_ = nullptr;
    QLabel* fixedNotesLabel_ = nullptr;
    QLabel* noteIndexLabel_ = nullptr;
    QSpinBox* noteIndex_ = nullptr;
    QLineEdit* noteName_ = nullptr;
    QLabel* resolutionLabel_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QLabel* typeLabel_ = nullptr;
    QComboBox* type_ = nullptr;
    QLabel* rangeLabel_ = nullptr;
    QComboBox* range_ = nullptr;
    QLabel* replaceLabel_ = nullptr;
    QComboBox* replace_ = nullptr;
    QLabel* triggerLabel_ = nullptr;
    QComboBox* trigger_ = nullptr;
    QLabel* velocityLabel_ = nullptr;
    QComboBox* velocity_ = nullptr;
    QLabel* valueLabel_ = nullptr;
    QSpinBox* value_ = nullptr;
    QLabel* minLabel_ = nullptr;
    QSpinBox* min_ = nullptr;
    QLabel* maxLabel_ = nullptr;
    QSpinBox* max_ = nullptr;
};

}  // namespace veltrano
