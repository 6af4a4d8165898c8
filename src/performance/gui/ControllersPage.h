#pragma once

#include <QPointer>
#include <array>
#include <cstdint>
#include <vector>

#include "performance/ControllerRules.h"
#include "performance/gui/PerformancePage.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace veltrano {

class ControllerTab;
class PianoKeyboard;
struct VoiceEntry;

// The Controllers page: what the knobs, pads, pedals and the pitch-bend wheel of the
// instrument do in this performance. While the pad tab is shown the page plays the main
// window's keyboard itself: a key sets a Drum pad's pitch or joins a Chord pad's notes, and the
// chord is marked on the keys.
class ControllersPage : public PerformancePage {
    Q_OBJECT

public:
    enum InnerTab { kKnobTab, kPadTab, kPedalTab };

    explicit ControllersPage(const PerformancePageContext& context, QWidget* parent = nullptr);
    ~ControllersPage() override;

    void Show() override;
    void ApplyTexts() override;
    [[nodiscard]] bool UsesKeyboard() const override { return takingKeys_; }
    [[nodiscard]] bool ShowsField(std::string_view field) const override;
    void RevealField(std::string_view field) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPadExtras();
    void BuildPedalExtras();
    [[nodiscard]] ControllerTab* Tab(controller_rules::Kind kind) const;
    // One edit of controller `index` of `kind`: one step of the history, then shown.
    template <typename EditFn>
    void Change(controller_rules::Kind kind, int index, EditFn&& edit);
    // One edit of the pitch-bend settings.
    template <typename EditFn>
    void EditBend(EditFn&& edit);
    void ShowPadExtras();
    void ShowBend();

    // The pad tab's hold on the keyboard: taken when the tab shows, given back (pad entry
    // off, the channel as it was, the marks cleared) when the tab or the page is left.
    void TakeKeys();
    void GiveBackKeys();
    void ReleaseKeyboard();
    void KeyPressed(int note);
    void PadNote(uint32_t message);
    // While the keys are held: the keyboard plays on the selected pad's channel and shows its
    // chord.
    void FollowSelectedPad();
    [[nodiscard]] const Pad& SelectedPad() const;

    QTabWidget* tabs_ = nullptr;
    std::array<ControllerTab*, 3> controllerTabs_{};

    QGroupBox* drumGroup_ = nullptr;
    QLabel* drumVoiceLabel_ = nullptr;
    QComboBox* drumVoice_ = nullptr;
    std::vector<const VoiceEntry*> drumVoices_;
    QLabel* pitchLabel_ = nullptr;
    QLabel* pitch_ = nullptr;
    QLabel* drumHint_ = nullptr;
    QGroupBox* chordGroup_ = nullptr;
    QLabel* chordNotes_ = nullptr;
    QLabel* chordHint_ = nullptr;
    QPushButton* clearChord_ = nullptr;
    bool chordFull_ = false;

    QGroupBox* bendGroup_ = nullptr;
    QLabel* bendRangeLabel_ = nullptr;
    QComboBox* bendRange_ = nullptr;
    QLabel* bendApplyLabel_ = nullptr;
    std::array<QCheckBox*, controller_rules::kParts> bendParts_{};

    bool showing_ = false;
    bool takingKeys_ = false;
    QPointer<PianoKeyboard> marked_;  // the keys the chord is marked on
    int givenBackChannel_ = controller_rules::kNormalChannel;
};

}  // namespace veltrano
