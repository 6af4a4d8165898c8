#pragma once

#include <QSpinBox>
#include <array>
#include <string>

#include "performance/PerformanceModel.h"
#include "performance/gui/PerformancePage.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace veltrano {

class PianoKeyboard;

// A spin box that shows MIDI notes by name ("C4") and takes typed names or numbers.
class NoteSpinBox : public QSpinBox {
public:
    explicit NoteSpinBox(QWidget* parent = nullptr);

protected:
    [[nodiscard]] QString textFromValue(int value) const override;
    [[nodiscard]] int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;
};

// The Keyboard page: the four parts with their voices and levels, transpose, master tune,
// latch, touch and the split keys of the current performance.
class KeyboardPage : public PerformancePage {
    Q_OBJECT

public:
    explicit KeyboardPage(const PerformancePageContext& context, QWidget* parent = nullptr);

    void Show() override;
    void Store() override;
    void ApplyTexts() override;
    [[nodiscard]] bool ShowsField(std::string_view field) const override;
    void RevealField(std::string_view field) override;

    // The part whose split key the split group shows (0 to 3).
    [[nodiscard]] int SplitPart() const { return splitPart_; }

private:
    struct PartRow {
        QPushButton* on = nullptr;
        QComboBox* voice = nullptr;
        QToolButton* choose = nullptr;
        QSpinBox* octave = nullptr;
        QSpinBox* reverb = nullptr;
        QSpinBox* chorus = nullptr;
        QSpinBox* volume = nullptr;
        QSpinBox* pan = nullptr;
    };

    void Build();
    QSpinBox* NewSpin(int low, int high);
    // One edit of the current performance; discrete edits (a click, a choice) are a step each,
    // a run of continuous ones (typing, arrows) merges into one.
    template <typename EditFn>
    void Change(const std::string& field, EditFn&& edit, bool discrete);
    void ConnectSpin(QSpinBox* spin, const std::string& field,
                     void (*store)(Performance&, int part, int value), int part);
    void FillVoices(QComboBox* box);
    void ShowVoice(int part);
    void VoiceActivated(int part, int index);
    void VoiceChooser(int part);
    void CommitTune();
    void ShowSplit();

    std::array<PartRow, kKeyboardPartCount> rows_{};
    std::array<QLabel*, 6> columnLabels_{};
    QGroupBox* voiceGroup_ = nullptr;
    QGroupBox* transposeGroup_ = nullptr;
    QGroupBox* tuneGroup_ = nullptr;
    QGroupBox* latchGroup_ = nullptr;
    QGroupBox* touchGroup_ = nullptr;
    QGroupBox* splitGroup_ = nullptr;
    QSpinBox* transpose_ = nullptr;
    QLineEdit* tune_ = nullptr;
    QLabel* tuneHint_ = nullptr;
    QComboBox* latch_ = nullptr;
    QComboBox* touch_ = nullptr;
    QLabel* levelLabel_ = nullptr;
    QSpinBox* level_ = nullptr;
    QLabel* chordLabel_ = nullptr;
    NoteSpinBox* chordSplit_ = nullptr;
    QComboBox* splitPartBox_ = nullptr;
    QLabel* keyboardLabel_ = nullptr;
    NoteSpinBox* partSplit_ = nullptr;
    PianoKeyboard* keys_ = nullptr;
    int splitPart_ = 0;
    bool showing_ = false;
};

}  // namespace veltrano
