#include "style/gui/ChordMuteDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "style/ChordTypes.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MainPanel";
constexpr int kColumns = 4;

QPushButton* MakeButton(const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

ChordMuteDialog::ChordMuteDialog(uint32_t chordMask, const LanguageTable& language, QWidget* parent)
    : QDialog(parent), language_(language), selection_(chordMask) {
    setObjectName(QStringLiteral("chordMuteDialog"));
    setModal(true);

    group_ = new QGroupBox(this);
    auto* grid = new QGridLayout(group_);
    // Column by column, so the types read downwards in their order.
    const int rows = (kChordTypeCount + kColumns - 1) / kColumns;
    for (int type = 0; type < kChordTypeCount; ++type) {
        auto* box = new QCheckBox(QString::fromStdString(ChordName(0, type)), group_);
        box->setObjectName(QStringLiteral("chordMute%1").arg(type));
        box->setAccessibleName(box->text());
        grid->addWidget(box, type % rows, type / rows);
        connect(box, &QCheckBox::toggled, this,
                [this, type](bool checked) { selection_.SetMuted(type, checked); });
        boxes_[static_cast<size_t>(type)] = box;
    }

    selectAll_ = MakeButton("chordSelectAll", this);
    clear_ = MakeButton("chordClear", this);
    allMajor_ = MakeButton("chordAllMajor", this);
    allMinor_ = MakeButton("chordAllMinor", this);
    ok_ = MakeButton("chordOk", this);
    ok_->setDefault(true);
    cancel_ = MakeButton("chordCancel", this);
    const auto act = [this](QPushButton* button, void (ChordMuteSelection::*change)()) {
        connect(button, &QPushButton::clicked, this, [this, change] {
            (selection_.*change)();
            ShowSelection();
        });
    };
    act(selectAll_, &ChordMuteSelection::SelectAll);
    act(clear_, &ChordMuteSelection::Clear);
    act(allMajor_, &ChordMuteSelection::AllMajor);
    act(allMinor_, &ChordMuteSelection::AllMinor);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* choices = new QHBoxLayout;
    for (QPushButton* button : {selectAll_, clear_, allMajor_, allMinor_}) {
        choices->addWidget(button);
    }
    choices->addStretch(1);
    auto* closing = new QHBoxLayout;
    closing->addStretch(1);
    closing->addWidget(ok_);
    closing->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group_);
    layout->addLayout(choices);
    layout->addLayout(closing);

    ShowSelection();
    ApplyTexts();
}

void ChordMuteDialog::ApplyTexts() {
    setWindowTitle(UiText(language_, kSection, "IDS_DLG_MUTECHORD"));
    group_->setTitle(UiText(language_, kSection, "IDS_DLG_SELECT"));
    selectAll_->setText(UiText(language_, kSection, "IDS_DLG_SELECTALL"));
    clear_->setText(UiText(language_, kSection, "IDS_DLG_CLEAR"));
    allMajor_->setText(UiText(language_, kSection, "IDS_DLG_ALLMAJOR"));
    allMinor_->setText(UiText(language_, kSection, "IDS_DLG_ALLMINOR"));
    ok_->setText(UiText(language_, kSection, "IDS_DLG_OK"));
    cancel_->setText(UiText(language_, kSection, "IDS_DLG_CANCEL"));
}

void ChordMuteDialog::ShowSelection() {
    for (int type = 0; type < kChordTypeCount; ++type) {
        QCheckBox* box = boxes_[static_cast<size_t>(type)];
        const QSignalBlocker quiet(box);
        box->setChecked(selection_.Muted(type));
    }
}

}  // namespace veltrano
