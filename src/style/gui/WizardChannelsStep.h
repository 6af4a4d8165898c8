#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "style/MidiToStyle.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace veltrano {

class AppConfig;
class LanguageTable;
class MidiToStyleSteps;
class Reporter;

// Step 2 of the wizard: the present sections, the sixteen channel rows of the chosen one, the
// description files and "Also apply to". Every change goes straight into the wizard's rows.
class WizardChannelsStep : public QWidget {
    Q_OBJECT

public:
    WizardChannelsStep(MidiToStyleSteps& steps, AppConfig& config, const LanguageTable& language,
                       Reporter& reporter, QWidget* parent = nullptr);

    void ApplyTexts();
    // The section list and the rows again, from the wizard.
    void Refresh();

signals:
    void BackClicked();
    void NextClicked();

private:
    struct Row {
        QLabel* source = nullptr;
        QComboBox* destination = nullptr;
        QComboBox* table = nullptr;
        QComboBox* rule = nullptr;
        QComboBox* retrigger = nullptr;
        QComboBox* highKey = nullptr;
        QComboBox* noteLow = nullptr;
        QComboBox* noteHigh = nullptr;
        QPushButton* chord = nullptr;
    };

    void BuildRow(int channel, QGridLayout* grid);
    void ShowRows();
    void ShowAlsoApply();
    void SectionChosen(int row);
    void Edit(int channel, const std::function<void(ChannelSetting&)>& change);
    void ChordMaskClicked(int channel);

    MidiToStyleSteps& steps_;
    AppConfig& config_;
    const LanguageTable& language_;
    Reporter& reporter_;
    QLabel* step_ = nullptr;
    QLabel* sectionLabel_ = nullptr;
    QListWidget* sections_ = nullptr;
    QGroupBox* settingGroup_ = nullptr;
    std::array<QLabel*, 9> headers_{};
    std::array<Row, kStyleChannelCount> rows_{};
    QGroupBox* alsoGroup_ = nullptr;
    std::array<QCheckBox*, kSectionBoxCount> also_{};
    QPushButton* auto_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
};

// The language key of a section slot's label ("IDS_MIDITOSTYLE_FILLBA"), and of a section box's.
[[nodiscard]] const char* SectionLabelKey(int slot);
[[nodiscard]] const char* SectionBoxLabelKey(SectionBox box);

}  // namespace veltrano
