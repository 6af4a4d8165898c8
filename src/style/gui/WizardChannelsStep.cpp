#include "style/gui/WizardChannelsStep.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "settings/AppConfig.h"
#include "style/ChannelSettings.h"
#include "style/MidiToStyleSteps.h"
#include "style/gui/ChordMuteDialog.h"
#include "style/gui/ConversionFiles.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MidiToStyle2";
constexpr std::array<const char*, 9> kHeaderKeys = {
    "IDS_COL_CHANNEL", "IDS_COL_DEST",    "IDS_COL_TABLE",    "IDS_COL_RULE", "IDS_COL_RETRIGGER",
    "IDS_COL_HIGHKEY", "IDS_COL_NOTELOW", "IDS_COL_NOTEHIGH", "IDS_COL_CHORD"};
constexpr std::array<const char*, kSectionBoxCount> kBoxKeys = {
    "IDS_MIDITOSTYLE_INTROA", "IDS_MIDITOSTYLE_INTROB", "IDS_MIDITOSTYLE_MAINA",
    "IDS_MIDITOSTYLE_MAINB",  "IDS_MIDITOSTYLE_MAINC",  "IDS_MIDITOSTYLE_MAIND",
    "IDS_MIDITOSTYLE_FILLA",  "IDS_MIDITOSTYLE_FILLB",  "IDS_MIDITOSTYLE_FILLC",
    "IDS_MIDITOSTYLE_FILLD",  "IDS_MIDITOSTYLE_ENDA",   "IDS_MIDITOSTYLE_ENDB"};

QPushButton* MakeButton(const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

template <size_t N>
QComboBox* MakeChoice(const QString& objectName, const std::array<std::string_view, N>& names,
                      QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    for (size_t i = 0; i < N; ++i) {
        box->addItem(QString::fromUtf8(names[i].data(), static_cast<qsizetype>(names[i].size())),
                     static_cast<int>(i));
    }
    return box;
}

QComboBox* MakeNumberChoice(const QString& objectName, int first, int last,
                            const std::function<std::string(int)>& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    for (int value = first; value <= last; ++value) {
        box->addItem(QString::fromStdString(name(value)), value);
    }
    return box;
}

// Shows a value; one the list does not offer (from a loaded file) gets an item of its own, so
// it is shown as it is and kept unless the user picks another.
void ShowValue(QComboBox* box, int value) {
    const QSignalBlocker quiet(box);
    int index = box->findData(value);
    if (index < 0) {
        box->addItem(QString::number(value), value);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

}  // namespace

const char* SectionLabelKey(int slot) {
    static const std::array<std::string, kSectionSlotCount> keys = [] {
        std::array<std::string, kSectionSlotCount> k;
        for (int s = 0; s < kSectionSlotCount; ++s) {
            std::string name(SectionName(s));
            std::string compact;
            for (const char c : name) {
                if (c != ' ') {
                    compact += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
                }
            }
            // "FILLINAA" -> "FILLAA", "ENDINGA" -> "ENDA".
            if (compact.rfind("FILLIN", 0) == 0) {
                compact = "FILL" + compact.substr(6);
            } else if (compact.rfind("ENDING", 0) == 0) {
                compact = "END" + compact.substr(6);
            }
            k[static_cast<size_t>(s)] = "IDS_MIDITOSTYLE_" + compact;
        }
        return k;
    }();
    return slot >= 0 && slot < kSectionSlotCount ? keys[static_cast<size_t>(slot)].c_str() : "";
}

const char* SectionBoxLabelKey(SectionBox box) {
    return kBoxKeys[BoxBit(box)];
}

WizardChannelsStep::WizardChannelsStep(MidiToStyleSteps& steps, AppConfig& config,
                                       const LanguageTable& language, Reporter& reporter,
                                       QWidget* parent)
    : QWidget(parent), steps_(steps), config_(config), language_(language), reporter_(reporter) {
    setObjectName(QStringLiteral("m2sStep2"));
    step_ = new QLabel(this);
    step_->setObjectName(QStringLiteral("m2sStep2Title"));

    sectionLabel_ = new QLabel(this);
    sections_ = new QListWidget(this);
    sections_->setObjectName(QStringLiteral("m2sSections"));
    sectionLabel_->setBuddy(sections_);
    connect(sections_, &QListWidget::currentRowChanged, this, &WizardChannelsStep::SectionChosen);
    sections_->setMaximumWidth(sections_->fontMetrics().averageCharWidth() * 14);
    auto* sectionColumn = new QVBoxLayout;
    sectionColumn->addWidget(sectionLabel_);
    sectionColumn->addWidget(sections_, 1);

    settingGroup_ = new QGroupBox(this);
    auto* rowsHost = new QWidget;
    auto* grid = new QGridLayout(rowsHost);
    grid->setContentsMargins(0, 0, 0, 0);
    for (size_t c = 0; c < headers_.size(); ++c) {
        headers_[c] = new QLabel(rowsHost);
        grid->addWidget(headers_[c], 0, static_cast<int>(c));
    }
    for (int n = 0; n < kStyleChannelCount; ++n) {
        BuildRow(n, grid);
    }
    auto* scroll = new QScrollArea(settingGroup_);
    scroll->setWidget(rowsHost);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // A row cell reached with Tab is scrolled into view.
    connect(qApp, &QApplication::focusChanged, scroll, [scroll, rowsHost](QWidget*, QWidget* now) {
        if (now != nullptr && rowsHost->isAncestorOf(now)) {
            scroll->ensureWidgetVisible(now);
        }
    });
    auto* settingLayout = new QVBoxLayout(settingGroup_);
    settingLayout->addWidget(scroll);

    alsoGroup_ = new QGroupBox(this);
    auto* alsoGrid = new QGridLayout(alsoGroup_);
    for (int b = 0; b < kSectionBoxCount; ++b) {
        auto* box = new QCheckBox(alsoGroup_);
        box->setObjectName(QStringLiteral("m2sAlso%1").arg(b));
        alsoGrid->addWidget(box, b / 6, b % 6);
        connect(box, &QCheckBox::toggled, this,
                [this, b](bool on) { steps_.alsoApply.set(static_cast<size_t>(b), on); });
        also_[static_cast<size_t>(b)] = box;
    }
    auto_ = MakeButton("m2sAuto", alsoGroup_);
    apply_ = MakeButton("m2sApply", alsoGroup_);
    alsoGrid->addWidget(auto_, 0, 6);
    alsoGrid->addWidget(apply_, 1, 6);
    connect(auto_, &QPushButton::clicked, this, [this] {
        steps_.AutoBoxes();
        ShowAlsoApply();
    });
    connect(apply_, &QPushButton::clicked, this, [this] { (void)steps_.ApplyAlso(reporter_); });

    load_ = MakeButton("m2sLoadDsc", this);
    save_ = MakeButton("m2sSaveDsc", this);
    reset_ = MakeButton("m2sReset", this);
    back_ = MakeButton("m2sBack2", this);
    next_ = MakeButton("m2sNext2", this);
    back_->setShortcut(Qt::Key_Backspace);
    connect(load_, &QPushButton::clicked, this, [this] {
        // What was applied before a fault stays, so the rows are shown again either way.
        (void)steps_.LoadSettings(OpenFileChooser(this, config_, load_->text()), reporter_);
        ShowRows();
    });
    connect(save_, &QPushButton::clicked, this, [this] {
        (void)steps_.SaveSettings(SaveFileChooser(this, config_, save_->text()), reporter_);
    });
    connect(reset_, &QPushButton::clicked, this, [this] {
        steps_.ResetSettings(reporter_);
        ShowRows();
    });
    connect(back_, &QPushButton::clicked, this, &WizardChannelsStep::BackClicked);
    connect(next_, &QPushButton::clicked, this, &WizardChannelsStep::NextClicked);

    // "Also apply to" runs under the rows, so the rows get the page's width.
    auto* middle = new QHBoxLayout;
    middle->addLayout(sectionColumn);
    middle->addWidget(settingGroup_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(load_);
    buttons->addWidget(save_);
    buttons->addWidget(reset_);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(step_);
    layout->addLayout(middle, 1);
    layout->addWidget(alsoGroup_);
    layout->addLayout(buttons);
    ApplyTexts();
}

void WizardChannelsStep::BuildRow(int channel, QGridLayout* grid) {
    QWidget* host = grid->parentWidget();
    Row& row = rows_[static_cast<size_t>(channel)];
    const QString prefix = QStringLiteral("m2sRow%1").arg(channel);
    row.source = new QLabel(QStringLiteral("%1").arg(channel + 1, 2, 10, QLatin1Char('0')), host);
    row.destination = MakeNumberChoice(prefix + QStringLiteral("Dest"), kFirstDestinationChoice,
                                       kLastDestinationChoice, DestinationName, host);
    row.table = MakeChoice(prefix + QStringLiteral("Table"), kTranspositionTableNames, host);
    row.rule = MakeChoice(prefix + QStringLiteral("Rule"), kTranspositionRuleNames, host);
    row.retrigger = MakeChoice(prefix + QStringLiteral("Retrigger"), kRetriggerRuleNames, host);
    row.highKey = MakeChoice(prefix + QStringLiteral("HighKey"), kHighKeyNames, host);
    row.noteLow = MakeNumberChoice(prefix + QStringLiteral("NoteLow"), 0, 127, NoteName, host);
    row.noteHigh = MakeNumberChoice(prefix + QStringLiteral("NoteHigh"), 0, 127, NoteName, host);
    row.chord = MakeButton(qPrintable(prefix + QStringLiteral("Chord")), host);
    row.chord->setAutoDefault(false);

    const auto onChoice = [this, channel](QComboBox* box, void (*apply)(ChannelSetting&, int)) {
        connect(box, &QComboBox::activated, this, [this, channel, box, apply](int index) {
            const int value = box->itemData(index).toInt();
            Edit(channel, [apply, value](ChannelSetting& s) { apply(s, value); });
        });
    };
    onChoice(row.destination,
             [](ChannelSetting& s, int v) { s.record.destination = static_cast<uint8_t>(v); });
    onChoice(row.table, [](ChannelSetting& s, int v) { s.record.SetTranspositionTable(v); });
    onChoice(row.rule, [](ChannelSetting& s, int v) { s.record.SetTranspositionRule(v); });
    onChoice(row.retrigger, [](ChannelSetting& s, int v) { s.record.SetRetriggerRule(v); });
    onChoice(row.highKey,
             [](ChannelSetting& s, int v) { s.record.highKey = static_cast<uint8_t>(v); });
    onChoice(row.noteLow,
             [](ChannelSetting& s, int v) { s.record.noteLow = static_cast<uint8_t>(v); });
    onChoice(row.noteHigh,
             [](ChannelSetting& s, int v) { s.record.noteHigh = static_cast<uint8_t>(v); });
    connect(row.chord, &QPushButton::clicked, this, [this, channel] { ChordMaskClicked(channel); });

    const int line = channel + 1;
    int column = 0;
    for (QWidget* cell : std::initializer_list<QWidget*>{row.source, row.destination, row.table,
                                                         row.rule, row.retrigger, row.highKey,
                                                         row.noteLow, row.noteHigh, row.chord}) {
        grid->addWidget(cell, line, column++);
    }
}

void WizardChannelsStep::ApplyTexts() {
    step_->setText(UiText(language_, kSection, "IDS_STEP"));
    sectionLabel_->setText(UiText(language_, kSection, "IDS_SECTION"));
    sections_->setAccessibleName(sectionLabel_->text());
    settingGroup_->setTitle(UiText(language_, kSection, "IDS_SETTING"));
    for (size_t c = 0; c < headers_.size(); ++c) {
        headers_[c]->setText(UiText(language_, kSection, kHeaderKeys[c]));
    }
    const QString channelWord = headers_[0]->text();
    for (int n = 0; n < kStyleChannelCount; ++n) {
        const Row& row = rows_[static_cast<size_t>(n)];
        const QString name = QStringLiteral("%1 %2").arg(channelWord).arg(n + 1);
        int column = 1;
        for (QWidget* cell :
             std::initializer_list<QWidget*>{row.destination, row.table, row.rule, row.retrigger,
                                             row.highKey, row.noteLow, row.noteHigh, row.chord}) {
            cell->setAccessibleName(QStringLiteral("%1, %2").arg(
                name, headers_[static_cast<size_t>(column++)]->text()));
        }
    }
    alsoGroup_->setTitle(UiText(language_, kSection, "IDS_ALSO_REPLAY_TO"));
    for (int b = 0; b < kSectionBoxCount; ++b) {
        also_[static_cast<size_t>(b)]->setText(
            UiText(language_, kSection, kBoxKeys[static_cast<size_t>(b)]));
    }
    auto_->setText(UiText(language_, kSection, "IDS_AUTO"));
    apply_->setText(UiText(language_, kSection, "IDS_OK"));
    load_->setText(UiText(language_, kSection, "IDS_LOAD"));
    save_->setText(UiText(language_, kSection, "IDS_SAVE"));
    reset_->setText(UiText(language_, kSection, "IDS_RESET"));
    back_->setText(UiText(language_, kSection, "IDS_BACK"));
    next_->setText(UiText(language_, kSection, "IDS_NEXT"));
    // The list's labels follow the language too.
    for (int i = 0; i < sections_->count(); ++i) {
        QListWidgetItem* item = sections_->item(i);
        item->setText(
            UiText(language_, kSection, SectionLabelKey(item->data(Qt::UserRole).toInt())));
    }
}

void WizardChannelsStep::Refresh() {
    {
        const QSignalBlocker quiet(sections_);
        sections_->clear();
        for (const int slot : steps_.Wizard().PresentSections()) {
            auto* item = new QListWidgetItem(UiText(language_, kSection, SectionLabelKey(slot)));
            item->setData(Qt::UserRole, slot);
            sections_->addItem(item);
            if (slot == steps_.CurrentSection()) {
                sections_->setCurrentItem(item);
            }
        }
    }
    ShowRows();
    ShowAlsoApply();
}

void WizardChannelsStep::SectionChosen(int row) {
    QListWidgetItem* item = sections_->item(row);
    if (item == nullptr) {
        return;
    }
    steps_.SelectSection(item->data(Qt::UserRole).toInt());
    ShowRows();
}

void WizardChannelsStep::ShowRows() {
    const int slot = steps_.CurrentSection();
    settingGroup_->setEnabled(slot >= 0);
    const SectionChannels& channels = steps_.Wizard().Channels(std::max(slot, 0));
    for (int n = 0; n < kStyleChannelCount; ++n) {
        const Row& row = rows_[static_cast<size_t>(n)];
        const ChannelSetting& s = channels[static_cast<size_t>(n)];
        ShowValue(row.destination, s.record.destination);
        ShowValue(row.table, s.record.TranspositionTable());
        ShowValue(row.rule, s.record.TranspositionRule());
        ShowValue(row.retrigger, s.record.RetriggerRule());
        ShowValue(row.highKey, s.record.highKey);
        ShowValue(row.noteLow, s.record.noteLow);
        ShowValue(row.noteHigh, s.record.noteHigh);
        const std::string_view label = ChordMaskLabel(s.chordMask);
        row.chord->setText(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
    }
}

void WizardChannelsStep::ShowAlsoApply() {
    for (int b = 0; b < kSectionBoxCount; ++b) {
        QCheckBox* box = also_[static_cast<size_t>(b)];
        const QSignalBlocker quiet(box);
        box->setChecked(steps_.alsoApply.test(static_cast<size_t>(b)));
    }
}

void WizardChannelsStep::Edit(int channel, const std::function<void(ChannelSetting&)>& change) {
    const int slot = steps_.CurrentSection();
    if (slot < 0) {
        return;
    }
    change(steps_.Wizard().Channels(slot)[static_cast<size_t>(channel)]);
    ShowRows();
}

void WizardChannelsStep::ChordMaskClicked(int channel) {
    const int slot = steps_.CurrentSection();
    if (slot < 0) {
        return;
    }
    auto* dialog = new ChordMuteDialog(
        steps_.Wizard().Channels(slot)[static_cast<size_t>(channel)].chordMask, language_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<ChordMuteDialog> guard(dialog);
    connect(dialog, &QDialog::accepted, this, [this, guard, slot, channel] {
        if (guard && steps_.CurrentSection() == slot) {
            const uint32_t mask = guard->Mask();
            Edit(channel, [mask](ChannelSetting& s) { s.chordMask = mask; });
        }
    });
    dialog->open();
}

}  // namespace veltrano
