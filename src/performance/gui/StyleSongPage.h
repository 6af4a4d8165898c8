#pragma once

#include <array>
#include <string>

#include "performance/StyleSongRules.h"
#include "performance/gui/PerformancePage.h"
#include "transfer/ChooserModel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace veltrano {

// The Style&Song page: tempo, which of style and song the performance calls up, and the play
// settings and volumes of each.
class StyleSongPage : public PerformancePage {
    Q_OBJECT

public:
    explicit StyleSongPage(const PerformancePageContext& context, QWidget* parent = nullptr);

    void Show() override;
    void Store() override;
    void ApplyTexts() override;
    [[nodiscard]] bool ShowsField(std::string_view field) const override;

private:
    void Build();
    // A click or a choice: one step.
    template <typename EditFn>
    void Change(const char* field, EditFn&& edit, bool discrete);
    // The chooser of the style or song: the choice becomes the section's reference.
    void Choose(PresetKind kind);
    QSpinBox* NewSpin(QWidget* parent, const char* name, int low, int high, const char* field,
                      void (*store)(Performance&, int));

    QLabel* tempoLabel_ = nullptr;
    QSpinBox* tempo_ = nullptr;
    QLabel* selectionLabel_ = nullptr;
    QComboBox* selection_ = nullptr;
    QGroupBox* styleGroup_ = nullptr;
    QLabel* styleRef_ = nullptr;
    QPushButton* chooseStyle_ = nullptr;
    std::array<QLabel*, style_song_rules::kSwitches> switchLabels_{};
    std::array<QComboBox*, style_song_rules::kSwitches> switches_{};
    QLabel* mainLabel_ = nullptr;
    QComboBox* main_ = nullptr;
    QCheckBox* fullRange_ = nullptr;
    QLabel* detectLabel_ = nullptr;
    QComboBox* detect_ = nullptr;
    std::array<QPushButton*, style_song_rules::kDetectModes> detectButtons_{};
    QLabel* styleVolumeLabel_ = nullptr;
    QSpinBox* styleVolume_ = nullptr;
    QGroupBox* songGroup_ = nullptr;
    QLabel* songRef_ = nullptr;
    QPushButton* chooseSong_ = nullptr;
    QLabel* playModeLabel_ = nullptr;
    QComboBox* playMode_ = nullptr;
    QCheckBox* loop_ = nullptr;
    QLabel* songVolumeLabel_ = nullptr;
    QSpinBox* songVolume_ = nullptr;
    bool showing_ = false;
};

}  // namespace veltrano
