#pragma once

#include <array>
#include <string>

#include "performance/EffectRules.h"
#include "performance/PerformanceModel.h"
#include "performance/gui/PerformancePage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QToolButton;

namespace veltrano {

// The Effect page: for the part shown, its arpeggiator, harmony, chopper and insertion
// effect; for the whole performance the global reverb, chorus and equaliser. A row of switches
// turns each on and leads to its sub-page.
class EffectPage : public PerformancePage {
    Q_OBJECT

public:
    // Sub-pages, in the order of the switch row.
    enum SubPage { kArpeggiator, kHarmony, kChopper, kInsertion, kGlobalEffect, kEqualiser };
    static constexpr int kSubPages = 6;

    explicit EffectPage(const PerformancePageContext& context, QWidget* parent = nullptr);

    void Show() override;
    void ApplyTexts() override;
    [[nodiscard]] bool ShowsField(std::string_view field) const override;
    void RevealField(std::string_view field) override;

    [[nodiscard]] int ShownPart() const { return part_; }
    [[nodiscard]] int ShownSubPage() const;

private:
    void Build();
    QWidget* BuildArpeggiator();
    QWidget* BuildHarmony();
    QWidget* BuildChopper();
    QWidget* BuildInsertion();
    QWidget* BuildGlobalEffect();
    static constexpr int kGlobalTypes = 8;
    QGridLayout* TypeButtons(QWidget* parent, const char* name, size_t byte,
                             std::array<QPushButton*, kGlobalTypes>& buttons);
    static void ShowTypeButtons(const std::array<QPushButton*, kGlobalTypes>& buttons,
                                const QComboBox* box, int type);
    QWidget* BuildEqualiser();
    QSpinBox* NewSpin(QWidget* parent, int low, int high, const char* objectName);
    // An edit of the shown part's effect record, or of the whole section.
    template <typename EditFn>
    void ChangePart(const char* subPage, const char* what, EditFn&& edit, bool discrete);
    template <typename EditFn>
    void ChangeSection(const char* subPage, const char* what, EditFn&& edit, bool discrete);
    void EndRun();
    void SwitchClicked(int index, bool on);
    void ChoosePattern(bool arpeggio);
    void FrequencyTyped(int band);
    void ShowSwitches();
    void ShowArpeggiator();
    void ShowHarmony();
    void ShowChopper();
    void ShowInsertion();
    void ShowGlobalEffect();
    void ShowEqualiser();
    [[nodiscard]] const PartEffect& Part() const;
    [[nodiscard]] QString PatternText(const PresetRef& pattern, bool arpeggio) const;

    int part_ = 0;
    bool showing_ = false;
    // The type last chosen in each insertion category, while the program runs.
    std::array<int, effect_rules::kTypesPerCategory.size()> lastType_{};

    QLabel* partLabel_ = nullptr;
    QComboBox* partBox_ = nullptr;
    QToolButton* extraSwitch_ = nullptr;
    std::array<QPushButton*, kSubPages> switches_{};
    QStackedWidget* pages_ = nullptr;

    // Arpeggiator.
    std::array<QCheckBox*, effect_rules::kArpChecks> arpChecks_{};
    std::array<QLabel*, 9> arpLabels_{};
    QComboBox* resolution_ = nullptr;
    QComboBox* replace_ = nullptr;
    QComboBox* octaveType_ = nullptr;
    QComboBox* octaveRange_ = nullptr;
    QComboBox* velocity_ = nullptr;
    QSpinBox* velocityValue_ = nullptr;
    QSpinBox* velocityMin_ = nullptr;
    QSpinBox* velocityMax_ = nullptr;
    QComboBox* trigger_ = nullptr;
    QComboBox* fixedNoteIndex_ = nullptr;
    QSpinBox* fixedNote_ = nullptr;
    QLabel* fixedNoteName_ = nullptr;
    QPushButton* arpPatternButton_ = nullptr;
    QLabel* arpPattern_ = nullptr;

    // Harmony.
    QButtonGroup* harmonyTypes_ = nullptr;
    std::array<QPushButton*, effect_rules::kHarmonyTypes> harmonyButtons_{};
    QLabel* ratioLabel_ = nullptr;
    QComboBox* ratio_ = nullptr;
    QLabel* touchLimitLabel_ = nullptr;
    QSlider* touchLimit_ = nullptr;
    QSpinBox* touchLimitValue_ = nullptr;

    // Chopper.
    QLabel* chopModeLabel_ = nullptr;
    QComboBox* chopMode_ = nullptr;
    QPushButton* realTime_ = nullptr;
    QPushButton* usePattern_ = nullptr;
    QLabel* speedLabel_ = nullptr;
    QComboBox* speed_ = nullptr;
    QLabel* pullUpLabel_ = nullptr;
    QSlider* pullUp_ = nullptr;
    QSpinBox* pullUpValue_ = nullptr;
    QPushButton* chopPatternButton_ = nullptr;
    QLabel* chopPattern_ = nullptr;

    // Insertion effect.
    QLabel* categoryLabel_ = nullptr;
    QListWidget* categories_ = nullptr;
    QLabel* typeLabel_ = nullptr;
    QButtonGroup* typeGroup_ = nullptr;
    std::array<QPushButton*, effect_rules::kMaxTypesPerCategory> typeButtons_{};
    QLabel* parameterLabel_ = nullptr;
    std::array<QLabel*, effect_rules::kParametersPerType> parameterNames_{};
    std::array<QSpinBox*, effect_rules::kParametersPerType> parameters_{};

    // Global effect.
    QGroupBox* reverbGroup_ = nullptr;
    QGroupBox* chorusGroup_ = nullptr;
    QGroupBox* sendGroup_ = nullptr;
    QLabel* reverbTypeLabel_ = nullptr;
    std::array<QPushButton*, kGlobalTypes> reverbButtons_{};
    std::array<QPushButton*, kGlobalTypes> chorusButtons_{};
    QComboBox* reverbType_ = nullptr;
    QLabel* reverbLevelLabel_ = nullptr;
    QSpinBox* reverbLevel_ = nullptr;
    QLabel* chorusTypeLabel_ = nullptr;
    QComboBox* chorusType_ = nullptr;
    QLabel* chorusLevelLabel_ = nullptr;
    QSpinBox* chorusLevel_ = nullptr;
    QLabel* reverbSendLabel_ = nullptr;
    QSpinBox* reverbSend_ = nullptr;
    QLabel* chorusSendLabel_ = nullptr;
    QSpinBox* chorusSend_ = nullptr;

    // Equaliser.
    std::array<QGroupBox*, effect_rules::kBands> bandGroups_{};
    std::array<QComboBox*, effect_rules::kBands> frequencies_{};
    std::array<QSlider*, effect_rules::kBands> gains_{};
    std::array<QLabel*, effect_rules::kBands> gainLabels_{};
    std::array<QLabel*, effect_rules::kBands> gainTexts_{};
};

}  // namespace veltrano
