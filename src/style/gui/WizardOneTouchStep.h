#pragma once

#include <QWidget>
#include <array>

#include "style/StyleFile.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace veltrano {

class AppConfig;
class LanguageTable;
class MidiToStyleSteps;
class PresetCatalog;
class Reporter;

// Step 3 of the wizard: the four one-touch settings, a tab each, with a row per part (voice,
// volume, octave, reverb, chorus, pan). Every change goes straight into the style.
class WizardOneTouchStep : public QWidget {
    Q_OBJECT

public:
    WizardOneTouchStep(MidiToStyleSteps& steps, AppConfig& config, const LanguageTable& language,
                       const PresetCatalog& catalog, Reporter& reporter, QWidget* parent = nullptr);

    void ApplyTexts();
    // The voice lists from the catalogue again, and every value from the style.
    void Refresh();

signals:
    void BackClicked();
    void FinishClicked();

private:
    struct Row {
        QLabel* part = nullptr;
        QComboBox* voice = nullptr;
        QSpinBox* volume = nullptr;
        QSpinBox* octave = nullptr;
        QSpinBox* reverb = nullptr;
        QSpinBox* chorus = nullptr;
        QSpinBox* pan = nullptr;
    };
    using Rows = std::array<Row, kOneTouchPartCount>;

    QWidget* BuildTab(int setting);
    void FillVoices(QComboBox* box);
    void ShowValues();
    [[nodiscard]] OneTouchPart& Part(int setting, int part);

    MidiToStyleSteps& steps_;
    AppConfig& config_;
    const LanguageTable& language_;
    const PresetCatalog& catalog_;
    Reporter& reporter_;
    QLabel* step_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::array<std::array<QLabel*, 6>, kOneTouchSettingCount> headers_{};
    std::array<Rows, kOneTouchSettingCount> rows_{};
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* finish_ = nullptr;
};

}  // namespace veltrano
