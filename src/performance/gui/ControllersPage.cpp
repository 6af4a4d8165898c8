#include "performance/gui/ControllersPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <charconv>
#include <string>

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "app/OnScreenKeyboard.h"
#include "device/PresetCatalog.h"
#include "performance/KeyboardRules.h"
#include "performance/PerformanceDocument.h"
#include "performance/PerformanceSections.h"
#include "performance/gui/ControllerTab.h"
#include "ui/PianoKeyboard.h"
#include "ui/UiText.h"

namespace veltrano {

namespace cr = controller_rules;

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr const char* kFieldPrefix = "Controllers/";
constexpr std::array<const char*, cr::kParts> kPartKeys{"IDS_CONTROL_R1", "IDS_CONTROL_R2",
                                                        "IDS_CONTROL_R3", "IDS_CONTROL_L"};
constexpr std::array<const char*, 3> kKindNames{"knob", "pad", "pedal"};

// The history step of controller `index`: "Controllers/pad 3".
std::string FieldOf(cr::Kind kind, int index) {
    return std::string(kFieldPrefix) + kKindNames[static_cast<size_t>(kind)] + " " +
           std::to_string(index + 1);
}

Pad& PadOf(Performance& p, int index) {
    return p.controllers.pads[static_cast<size_t>(index)];
}

}  // namespace

ControllersPage::ControllersPage(const PerformancePageContext& context, QWidget* parent)
    : PerformancePage(context, parent) {
    setObjectName(QStringLiteral("controllersPage"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("controllerTabs"));
    for (const cr::Kind kind : {cr::Kind::Knob, cr::Kind::Pad, cr::Kind::Pedal}) {
        auto* tab = new ControllerTab(kind, tabs_);
        controllerTabs_[static_cast<size_t>(kind)] = tab;
        tabs_->addTab(tab, QString());
        connect(tab, &ControllerTab::ControllerSelected, this, [this] { Show(); });
        connect(tab, &ControllerTab::FunctionChosen, this, [this, kind, tab](int function) {
            Change(kind, tab->Selected(), [&](Performance& p) {
                cr::Assign(p.controllers, kind, tab->Selected(), function);
            });
        });
        connect(tab, &ControllerTab::PartToggled, this, [this, kind, tab](int part, bool on) {
            Change(kind, tab->Selected(), [&](Performance& p) {
                cr::SetPart(p.controllers, kind, tab->Selected(), part, on);
            });
        });
    }
    Tab(cr::Kind::Pad)->installEventFilter(this);
    BuildPadExtras();
    BuildPedalExtras();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    ApplyTexts();
}

ControllersPage::~ControllersPage() {
    // The keyboard belongs to the device service, which outlives the page; the keys' widget
    // may be gone already, so only the keyboard's hooks are given back here.
    if (takingKeys_) {
        ReleaseKeyboard();
    }
}

ControllerTab* ControllersPage::Tab(cr::Kind kind) const {
    return controllerTabs_[static_cast<size_t>(kind)];
}

void ControllersPage::BuildPadExtras() {
    ControllerTab* tab = Tab(cr::Kind::Pad);
    drumGroup_ = new QGroupBox(tab);
    drumGroup_->setObjectName(QStringLiteral("drumGroup"));
    auto* drum = new QGridLayout(drumGroup_);
    drumVoiceLabel_ = new QLabel(drumGroup_);
    drumVoice_ = new QComboBox(drumGroup_);
    drumVoice_->setObjectName(QStringLiteral("drumVoice"));
    drumVoiceLabel_->setBuddy(drumVoice_);
    connect(drumVoice_, &QComboBox::activated, this, [this](int item) {
        if (item < 0 || item >= static_cast<int>(drumVoices_.size())) {
            return;
        }
        const VoiceEntry& voice = *drumVoices_[static_cast<size_t>(item)];
        const int pad = Tab(cr::Kind::Pad)->Selected();
        Change(cr::Kind::Pad, pad, [&](Performance& p) { cr::SetDrumVoice(PadOf(p, pad), voice); });
    });
    pitchLabel_ = new QLabel(drumGroup_);
    pitch_ = new QLabel(drumGroup_);
    pitch_->setObjectName(QStringLiteral("drumPitch"));
    pitchLabel_->setBuddy(pitch_);
    drumHint_ = new QLabel(drumGroup_);
    drumHint_->setWordWrap(true);
    drum->addWidget(drumVoiceLabel_, 0, 0);
    drum->addWidget(drumVoice_, 0, 1);
    drum->addWidget(pitchLabel_, 1, 0);
    drum->addWidget(pitch_, 1, 1);
    drum->addWidget(drumHint_, 2, 0, 1, 2);
    drum->setColumnStretch(1, 1);

    chordGroup_ = new QGroupBox(tab);
    chordGroup_->setObjectName(QStringLiteral("chordGroup"));
    auto* chord = new QVBoxLayout(chordGroup_);
    chordNotes_ = new QLabel(chordGroup_);
    chordNotes_->setObjectName(QStringLiteral("chordNotes"));
    chordNotes_->setWordWrap(true);
    chordNotes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chordHint_ = new QLabel(chordGroup_);
    chordHint_->setObjectName(QStringLiteral("chordHint"));
    chordHint_->setWordWrap(true);
    clearChord_ = new QPushButton(chordGroup_);
    clearChord_->setObjectName(QStringLiteral("clearChord"));
    connect(clearChord_, &QPushButton::clicked, this, [this] {
        const int pad = Tab(cr::Kind::Pad)->Selected();
        Change(cr::Kind::Pad, pad, [&](Performance& p) { cr::ClearChord(PadOf(p, pad)); });
    });
    chord->addWidget(chordNotes_);
    chord->addWidget(chordHint_);
    chord->addWidget(clearChord_, 0, Qt::AlignLeft);

    tab->Extras()->addWidget(drumGroup_);
    tab->Extras()->addWidget(chordGroup_);
}

void ControllersPage::BuildPedalExtras() {
    ControllerTab* tab = Tab(cr::Kind::Pedal);
    bendGroup_ = new QGroupBox(tab);
    bendGroup_->setObjectName(QStringLiteral("bendGroup"));
    auto* bend = new QGridLayout(bendGroup_);
    bendRangeLabel_ = new QLabel(bendGroup_);
    bendRange_ = new QComboBox(bendGroup_);
    bendRange_->setObjectName(QStringLiteral("bendRange"));
    for (int item = 0; item < cr::kBendRangeItems; ++item) {
        bendRange_->addItem(QString::number(item));
    }
    bendRangeLabel_->setBuddy(bendRange_);
    connect(bendRange_, &QComboBox::activated, this, [this](int item) {
        EditBend([&](ControllersSection& c) { cr::SetBendRangeItem(c, item); });
    });
    bend->addWidget(bendRangeLabel_, 0, 0);
    bend->addWidget(bendRange_, 0, 1, 1, cr::kParts - 1);
    bendApplyLabel_ = new QLabel(bendGroup_);
    bend->addWidget(bendApplyLabel_, 1, 0, 1, cr::kParts);
    for (int part = 0; part < cr::kParts; ++part) {
        auto* box = new QCheckBox(bendGroup_);
        box->setObjectName(QStringLiteral("bendPart%1").arg(part));
        connect(box, &QCheckBox::clicked, this, [this, part](bool on) {
            EditBend([&](ControllersSection& c) { cr::SetBendPart(c, part, on); });
        });
        bend->addWidget(box, 2, part);
        bendParts_[static_cast<size_t>(part)] = box;
    }
    tab->Extras()->addWidget(bendGroup_);
}

template <typename EditFn>
void ControllersPage::Change(cr::Kind kind, int index, EditFn&& edit) {
    if (showing_ || index < 0) {
        return;
    }
    Document().Edit(FieldOf(kind, index), std::forward<EditFn>(edit));
    Document().Edits().EndMerge();
    Show();
}

template <typename EditFn>
void ControllersPage::EditBend(EditFn&& edit) {
    if (showing_) {
        return;
    }
    Document().Edit("Controllers/bend", [&](Performance& p) { edit(p.controllers); });
    Document().Edits().EndMerge();
    Show();
}

const Pad& ControllersPage::SelectedPad() const {
    return Document()
        .Current()
        .controllers.pads[static_cast<size_t>(Tab(cr::Kind::Pad)->Selected())];
}

void ControllersPage::Show() {
    showing_ = true;
    const ControllerLayout layout = ControllerLayout::FromProfile(App().profile.Values());
    Tab(cr::Kind::Knob)->SetCount(layout.knobCount);
    Tab(cr::Kind::Pad)->SetCount(layout.padCount);
    Tab(cr::Kind::Pedal)->SetCount(layout.pedalCount);
    for (ControllerTab* tab : controllerTabs_) {
        tab->ApplyTexts(App().language);
        tab->ShowSection(Document().Current().controllers);
    }
    ShowPadExtras();
    bendGroup_->setVisible(layout.pitchBend);
    ShowBend();
    showing_ = false;
}

void ControllersPage::ShowPadExtras() {
    ControllerTab* tab = Tab(cr::Kind::Pad);
    const bool any = tab->Count() > 0;
    const Pad& pad = SelectedPad();
    drumGroup_->setVisible(any && pad.kind == cr::kPadDrum);
    chordGroup_->setVisible(any && pad.kind == cr::kPadChord);
    {
        const QSignalBlocker blocker(drumVoice_);
        drumVoice_->setCurrentIndex(cr::DrumVoiceItem(drumVoices_, pad));
    }
    pitch_->setText(QStringLiteral("%1  %2")
                        .arg(pad.drum[3])
                        .arg(QString::fromStdString(keyboard_rules::NoteName(pad.drum[3]))));
    pitch_->setAccessibleName(pitchLabel_->text() + QLatin1Char(' ') + pitch_->text());
    QStringList names;
    for (const int note : cr::ChordNotes(pad)) {
        names << QString::fromStdString(keyboard_rules::NoteName(note));
    }
    const LanguageTable& lang = App().language;
    chordNotes_->setText(names.isEmpty() ? UiText(lang, kSection, "IDS_CONTROL_NONOTES")
                                         : names.join(QLatin1Char(' ')));
    chordNotes_->setAccessibleName(chordGroup_->title() + QLatin1Char(' ') + chordNotes_->text());
    chordHint_->setText(
        UiText(lang, kSection, chordFull_ ? "IDS_CONTROL_CHORDFULL" : "IDS_CONTROL_PRESSKEYBD"));
    clearChord_->setEnabled(!names.isEmpty());
    FollowSelectedPad();
}

void ControllersPage::ShowBend() {
    const ControllersSection& c = Document().Current().controllers;
    {
        const QSignalBlocker blocker(bendRange_);
        bendRange_->setCurrentIndex(cr::BendRangeItem(c));
    }
    for (int part = 0; part < cr::kParts; ++part) {
        QCheckBox* box = bendParts_[static_cast<size_t>(part)];
        const QSignalBlocker blocker(box);
        box->setChecked(cr::HasPart(c.pitchBend[1], part));
    }
}

void ControllersPage::ApplyTexts() {
    const LanguageTable& lang = App().language;
    auto text = [&](const char* key) { return UiText(lang, kSection, key); };
    tabs_->setTabText(kKnobTab, text("IDS_CONTROL_KNOB"));
    tabs_->setTabText(kPadTab, text("IDS_CONTROL_PAD"));
    tabs_->setTabText(kPedalTab, text("IDS_CONTROL_PEDAL"));
    drumGroup_->setTitle(text("IDS_CONTROL_DRUM"));
    drumVoiceLabel_->setText(text("IDS_CONTROL_VOICE"));
    drumVoice_->setAccessibleName(drumVoiceLabel_->text());
    pitchLabel_->setText(text("IDS_CONTROL_PITCH"));
    drumHint_->setText(text("IDS_CONTROL_PRESSKEYBD"));
    chordGroup_->setTitle(text("IDS_CONTROL_CHORD"));
    clearChord_->setText(text("IDS_CONTROL_CLEARCHORD"));
    clearChord_->setAccessibleName(clearChord_->text());
    bendGroup_->setTitle(text("IDS_CONTROL_BEND"));
    bendRangeLabel_->setText(text("IDS_CONTROL_RANGE"));
    bendRange_->setAccessibleName(bendGroup_->title() + QLatin1Char(' ') + bendRangeLabel_->text());
    bendApplyLabel_->setText(text("IDS_CONTROL_APPLYTO"));
    for (size_t part = 0; part < bendParts_.size(); ++part) {
        bendParts_[part]->setText(text(kPartKeys[part]));
        bendParts_[part]->setAccessibleName(bendGroup_->title() + QLatin1Char(' ') +
                                            bendParts_[part]->text());
    }
    // The drum kits of the catalogue, read again after a device change.
    drumVoices_ = cr::DrumVoices(App().catalog);
    {
        const QSignalBlocker blocker(drumVoice_);
        drumVoice_->clear();
        for (const VoiceEntry* voice : drumVoices_) {
            drumVoice_->addItem(QString::fromStdString(voice->display));
        }
    }
    Show();
}

bool ControllersPage::ShowsField(std::string_view field) const {
    return field.starts_with(kFieldPrefix);
}

void ControllersPage::RevealField(std::string_view field) {
    field.remove_prefix(std::min(field.size(), std::string_view(kFieldPrefix).size()));
    if (field.starts_with("bend")) {
        tabs_->setCurrentIndex(kPedalTab);
        return;
    }
    for (size_t kind = 0; kind < kKindNames.size(); ++kind) {
        const std::string_view name = kKindNames[kind];
        if (!field.starts_with(name) || field.size() <= name.size() + 1) {
            continue;
        }
        int number = 0;
        const std::string_view digits = field.substr(name.size() + 1);
        if (std::from_chars(digits.data(), digits.data() + digits.size(), number).ec ==
            std::errc()) {
            tabs_->setCurrentIndex(static_cast<int>(kind));
            controllerTabs_[kind]->Select(number - 1);
        }
        return;
    }
}

bool ControllersPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Tab(cr::Kind::Pad)) {
        if (event->type() == QEvent::Show) {
            TakeKeys();
        } else if (event->type() == QEvent::Hide) {
            GiveBackKeys();
        }
    }
    return PerformancePage::eventFilter(watched, event);
}

void ControllersPage::TakeKeys() {
    if (takingKeys_) {
        return;
    }
    OnScreenKeyboard& keyboard = Services().devices.Keyboard();
    takingKeys_ = true;
    givenBackChannel_ = keyboard.Channel();
    marked_ = &Services().keyboard.Keys();
    chordFull_ = false;
    keyboard.SetPressedKeyHandler([this](int note) { KeyPressed(note); });
    keyboard.SetPadNoteHandler([this](uint32_t message) { PadNote(message); });
    keyboard.SetPadEntry(true);
    keyboard.SetPageTakesNotes(true);
    FollowSelectedPad();
}

void ControllersPage::GiveBackKeys() {
    if (!takingKeys_) {
        return;
    }
    ReleaseKeyboard();
    // The window may be going away: the keys are reached only while they still exist.
    if (marked_) {
        marked_->ClearMarks();
    }
}

void ControllersPage::ReleaseKeyboard() {
    takingKeys_ = false;
    OnScreenKeyboard& keyboard = Services().devices.Keyboard();
    keyboard.SetPageTakesNotes(false);
    keyboard.SetPadEntry(false);
    keyboard.SetPadNoteHandler(nullptr);
    keyboard.SetPressedKeyHandler(nullptr);
    keyboard.SetChannel(givenBackChannel_);
}

void ControllersPage::KeyPressed(int note) {
    const int index = Tab(cr::Kind::Pad)->Selected();
    if (SelectedPad().kind != cr::kPadDrum) {
        return;
    }
    Change(cr::Kind::Pad, index, [&](Performance& p) { cr::SetDrumPitch(PadOf(p, index), note); });
}

void ControllersPage::PadNote(uint32_t message) {
    const int note = static_cast<int>((message >> 8) & 0x7F);
    const int velocity = static_cast<int>((message >> 16) & 0x7F);
    if (velocity == 0) {
        return;  // the keyboard sends releases itself
    }
    (void)Services().devices.Keyboard().SoundPadNote(message);
    const int index = Tab(cr::Kind::Pad)->Selected();
    Pad pad = SelectedPad();
    if (pad.kind != cr::kPadChord) {
        return;
    }
    const cr::ChordEntry entry = cr::AddChordNote(pad, note);
    chordFull_ = entry == cr::ChordEntry::Full;
    if (entry == cr::ChordEntry::Added) {
        Change(cr::Kind::Pad, index, [&](Performance& p) { PadOf(p, index) = pad; });
    } else {
        ShowPadExtras();
    }
}

void ControllersPage::FollowSelectedPad() {
    if (!takingKeys_) {
        return;
    }
    const Pad& pad = SelectedPad();
    Services().devices.Keyboard().SetChannel(cr::KeyboardChannelFor(pad));
    if (!marked_) {
        return;
    }
    marked_->ClearMarks();
    if (pad.kind != cr::kPadChord) {
        return;
    }
    for (const int note : cr::ChordNotes(pad)) {
        marked_->MarkKey(note, true);
    }
}

}  // namespace veltrano
