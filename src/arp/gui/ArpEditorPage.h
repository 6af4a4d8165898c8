#pragma once

#include <array>
#include <memory>

#include "app/PreviewOutput.h"
#include "arp/ArpEditor.h"
#include "arp/ArpPlayer.h"
#include "ui/ToolPage.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QTimer;

namespace veltrano {

class ArpControlsWindow;

// The Arpeggio page: the step grid, the step fields, the file commands, the voice and the
// preview. The rules are ArpEditor's; the preview is ArpPlayer's, heard through the
// instrument's MIDI output and fed the keys held on the main window's keyboard.
class ArpEditorPage : public ToolPage {
    Q_OBJECT

public:
    ArpEditorPage(const PageServices& services, QWidget* parent = nullptr);
    ~ArpEditorPage() override;

    void ApplyTexts() override;
    void PageHidden() override;
    [[nodiscard]] bool MayLeave() override;
    void RefreshForDevice() override;

    [[nodiscard]] ArpEditor& Editor() { return editor_; }
    [[nodiscard]] ArpPlayer& Player() { return player_; }
    [[nodiscard]] PreviewOutput& Output() { return output_; }
    [[nodiscard]] ArpControlsWindow& Controls() { return *controls_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void New();
    void Open();
    bool Save();
    void TogglePreview();
    void StopPreview();
    void ChooseVoice(int index);
    void ToggleLatch();
    void FillVoices();
    bool AskToKeepEdits();
    void MoveCursor(int column, int row);
    void Refresh();
    void ShowPlayedStep();
    [[nodiscard]] QString CellName(int column, int row) const;
    [[nodiscard]] QString T(const char* key) const;

    ArpEditor editor_;
    PreviewOutput output_;
    ArpPlayer player_;
    int channel_ = 0;
    int playedStep_ = -1;
    bool refreshing_ = false;

    QGroupBox* fileGroup_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* newButton_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* controlsButton_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    std::array<QPushButton*, ArpEditor::kVisibleSteps> headers_{};
    std::array<QPushButton*, ArpEditor::kVisibleSteps * ArpPattern::kRows> cells_{};
    QScrollBar* scroll_ = nullptr;
    QGroupBox* paramsGroup_ = nullptr;
    QLabel* pitchLabel_ = nullptr;
    QSpinBox* pitch_ = nullptr;
    QLabel* gateLabel_ = nullptr;
    QComboBox* gateMode_ = nullptr;
    QLabel* gateValueLabel_ = nullptr;
    QSpinBox* gateValue_ = nullptr;
    QLabel* gateUnit_ = nullptr;
    QLabel* velocityLabel_ = nullptr;
    QLineEdit* velocity_ = nullptr;
    QLabel* flamLabel_ = nullptr;
    QSpinBox* flam_ = nullptr;
    QLabel* lengthLabel_ = nullptr;
    QSpinBox* length_ = nullptr;
    QGroupBox* realtimeGroup_ = nullptr;
    QLabel* voiceLabel_ = nullptr;
    QComboBox* voice_ = nullptr;
    QPushButton* latch_ = nullptr;
    QCheckBox* instrumentKeys_ = nullptr;
    QTimer* playTimer_ = nullptr;
    ArpControlsWindow* controls_ = nullptr;
};

}  // namespace veltrano
