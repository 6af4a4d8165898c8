#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "style/ChannelSettings.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace veltrano {

class LanguageTable;

// The chord-mute dialog of one channel: a box per chord type, checked when the channel is
// silent under that type. It edits a copy; OK keeps it, Cancel drops it.
class ChordMuteDialog : public QDialog {
    Q_OBJECT

public:
    ChordMuteDialog(uint32_t chordMask, const LanguageTable& language, QWidget* parent = nullptr);

    void ApplyTexts();
    // The mask as the boxes say (bit t set when box t is unchecked).
    [[nodiscard]] uint32_t Mask() const { return selection_.Mask(); }

private:
    void ShowSelection();

    const LanguageTable& language_;
    ChordMuteSelection selection_;
    QGroupBox* group_ = nullptr;
    std::array<QCheckBox*, kChordTypeCount> boxes_{};
    QPushButton* selectAll_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* allMajor_ = nullptr;
    QPushButton* allMinor_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace veltrano
