#include "performance/gui/KeyboardPage.h"

#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "performance/KeyboardRules.h"
#include "performance/PerformanceDocument.h"
#include "performance/gui/PerformanceChoosers.h"
#include "ui/PianoKeyboard.h"
#include "ui/UiText.h"

namespace veltrano {

namespace kr = keyboard_rules;

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr std::array<const char*, kKeyboardPartCount> kPartKeys{
    "IDS_KEYBOARD_R1", "IDS_KEYBOARD_R2", "IDS_KEYBOARD_R3", "IDS_KEYBOARD_L"};
constexpr std::array<const char*, 6> kColumnKeys{"IDS_KEYBOARD_OCT", "IDS_KEYBOARD_REV",
                                                 "IDS_KEYBOARD_CHR", "IDS_KEYBOARD_VOL",
                                                 "IDS_KEYBOARD_PAN", "IDS_KEYBOARD_CHOOSE"};
constexpr std::array<const char*, kr::kTouchItems> kTouchKeys{
    "IDS_KEYBOARD_OFF",    "IDS_KEYBOARD_HARD2", "IDS_KEYBOARD_HARD1",
    "IDS_KEYBOARD_NORMAL", "IDS_KEYBOARD_SOFT2", "IDS_KEYBOARD_SOFT1"};
constexpr std::array<const char*, kr::kLatchItems> kLatchKeys{
    "IDS_KEYBOARD_ALLOFF", "IDS_KEYBOARD_LEFT", "IDS_KEYBOARD_ALLON"};
// A voice file is shown on grey.
constexpr QRgb kFileVoiceBackground = qRgb(191, 191, 191);

std::string PartField(int part, const char* what) {
    return std::string("Keyboard/") + kPartNames[static_cast<size_t>(part)] + "/" + what;
}

void SetSpin(QSpinBox* spin, int value) {
    const QSignalBlocker blocker(spin);
    spin->setValue(value);
}

void SetCombo(QComboBox* box, int index) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

}  // namespace

NoteSpinBox::NoteSpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(0, 127);
    // Room for the longest name and the arrows; the spin box measures numbers only.
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("C#-1")) + 60);
}

QString NoteSpinBox::textFromValue(int value) const {
    return QString::fromStdString(kr::NoteName(value));
}

int NoteSpinBox::valueFromText(const QString& text) const {
    bool number = false;
    const int value = text.trimmed().toInt(&number);
    if (number) {
        return value;
    }
    for (int note = minimum(); note <= maximum(); ++note) {
        if (text.trimmed().compare(textFromValue(note), Qt::CaseInsensitive) == 0) {
            return note;
        }
    }
    return value;
}

QValidator::State NoteSpinBox::validate(QString& text, int& pos) const {
    (void)pos;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return QValidator::Intermediate;
    }
    bool number = false;
    const int value = trimmed.toInt(&number);
    if (number) {
        return value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                        : QValidator::Intermediate;
    }
    for (int note = minimum(); note <= maximum(); ++note) {
        const QString name = textFromValue(note);
        if (trimmed.compare(name, Qt::CaseInsensitive) == 0) {
            return QValidator::Acceptable;
        }
        if (name.startsWith(trimmed, Qt::CaseInsensitive)) {
            return QValidator::Intermediate;
        }
    }
    return QValidator::Invalid;
}

KeyboardPage::KeyboardPage(const PerformancePageContext& context, QWidget* parent)
    : PerformancePage(context, parent) {
    setObjectName(QStringLiteral("keyboardPage"));
    Build();
    ApplyTexts();
}

QSpinBox* KeyboardPage::NewSpin(int low, int high) {
    auto* spin = new QSpinBox(this);
    spin->setRange(low, high);
    spin->setKeyboardTracking(true);
    return spin;
}

template <typename EditFn>
void KeyboardPage::Change(const std::string& field, EditFn&& edit, bool discrete) {
    if (showing_) {
        return;
    }
    Document().Edit(field, std::forward<EditFn>(edit));
    if (discrete) {
        Document().Edits().EndMerge();
    }
    // Coupled values (the split keys) and clamped ones show what was stored.
    Show();
}

void KeyboardPage::ConnectSpin(QSpinBox* spin, const std::string& field,
                               void (*store)(Performance&, int, int), int part) {
    connect(spin, &QSpinBox::valueChanged, this, [this, field, store, part](int value) {
        Change(
            field, [&](Performance& p) { store(p, part, value); }, false);
    });
    // A run of typing or arrow presses is one step until the field is left.
    connect(spin, &QSpinBox::editingFinished, this, [this] { Document().Edits().EndMerge(); });
}

void KeyboardPage::Build() {
    voiceGroup_ = new QGroupBox(this);
    auto* grid = new QGridLayout(voiceGroup_);
    for (size_t c = 0; c < columnLabels_.size(); ++c) {
        columnLabels_[c] = new QLabel(voiceGroup_);
        columnLabels_[c]->setAlignment(Qt::AlignCenter);
    }
    grid->addWidget(columnLabels_[5], 0, 2);
    for (int c = 0; c < 5; ++c) {
        grid->addWidget(columnLabels_[static_cast<size_t>(c)], 0, 3 + c);
    }
    for (int part = 0; part < kKeyboardPartCount; ++part) {
        PartRow& row = rows_[static_cast<size_t>(part)];
        const QString suffix = QString::fromLatin1(kPartNames[static_cast<size_t>(part)]);
        row.on = new QPushButton(voiceGroup_);
        row.on->setCheckable(true);
        row.on->setObjectName(QStringLiteral("partOn") + suffix);
        connect(row.on, &QPushButton::toggled, this, [this, part](bool on) {
            Change(
                PartField(part, "on"),
                [&](Performance& p) {
                    p.keyboard.parts[static_cast<size_t>(part)].on = on ? 1 : 0;
                },
                true);
        });
        row.voice = new QComboBox(voiceGroup_);
        row.voice->setObjectName(QStringLiteral("voice") + suffix);
        row.voice->setEditable(true);
        row.voice->setInsertPolicy(QComboBox::NoInsert);
        row.voice->setMinimumContentsLength(14);
        row.voice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        // Typing filters the catalogue by any part of the text (the number or the name).
        row.voice->completer()->setCompletionMode(QCompleter::PopupCompletion);
        row.voice->completer()->setFilterMode(Qt::MatchContains);
        row.voice->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        connect(row.voice, &QComboBox::activated, this,
                [this, part](int index) { VoiceActivated(part, index); });
        // A text typed and left without a choice is not a voice: the stored one shows again.
        connect(row.voice->lineEdit(), &QLineEdit::editingFinished, this,
                [this, part] { ShowVoice(part); });
        row.choose = new QToolButton(voiceGroup_);
        row.choose->setObjectName(QStringLiteral("chooseVoice") + suffix);
        row.choose->setText(QStringLiteral("..."));
        connect(row.choose, &QToolButton::clicked, this, [this, part] { VoiceChooser(part); });

        row.octave = NewSpin(-1, 1);
        row.octave->setObjectName(QStringLiteral("octave") + suffix);
        ConnectSpin(
            row.octave, PartField(part, "octave"),
            [](Performance& p, int i, int v) {
                p.keyboard.parts[static_cast<size_t>(i)].octave = kr::OctaveSemitones(v);
            },
            part);
        row.reverb = NewSpin(0, 127);
        row.reverb->setObjectName(QStringLiteral("reverb") + suffix);
        ConnectSpin(
            row.reverb, PartField(part, "reverb"),
            [](Performance& p, int i, int v) {
                p.keyboard.parts[static_cast<size_t>(i)].reverb = static_cast<uint8_t>(v);
            },
            part);
        row.chorus = NewSpin(0, 127);
        row.chorus->setObjectName(QStringLiteral("chorus") + suffix);
        ConnectSpin(
            row.chorus, PartField(part, "chorus"),
            [](Performance& p, int i, int v) {
                p.keyboard.parts[static_cast<size_t>(i)].chorus = static_cast<uint8_t>(v);
            },
            part);
        row.volume = NewSpin(0, 127);
        row.volume->setObjectName(QStringLiteral("volume") + suffix);
        ConnectSpin(
            row.volume, PartField(part, "volume"),
            [](Performance& p, int i, int v) {
                p.keyboard.volumes[static_cast<size_t>(i)] = static_cast<uint8_t>(v);
            },
            part);
        row.pan = NewSpin(-64, 63);
        row.pan->setObjectName(QStringLiteral("pan") + suffix);
        ConnectSpin(
            row.pan, PartField(part, "pan"),
            [](Performance& p, int i, int v) {
                p.keyboard.pans[static_cast<size_t>(i)] = static_cast<int8_t>(v);
            },
            part);

        const int r = part + 1;
        grid->addWidget(row.on, r, 0);
        grid->addWidget(row.voice, r, 1);
        grid->addWidget(row.choose, r, 2);
        grid->addWidget(row.octave, r, 3);
        grid->addWidget(row.reverb, r, 4);
        grid->addWidget(row.chorus, r, 5);
        grid->addWidget(row.volume, r, 6);
        grid->addWidget(row.pan, r, 7);
    }
    grid->setColumnStretch(1, 1);

    transposeGroup_ = new QGroupBox(this);
    transpose_ = NewSpin(-12, 12);
    transpose_->setObjectName(QStringLiteral("transpose"));
    connect(transpose_, &QSpinBox::valueChanged, this, [this](int v) {
        Change(
            "Keyboard/-/transpose",
            [&](Performance& p) { p.keyboard.transpose = static_cast<int8_t>(v); }, false);
    });
    connect(transpose_, &QSpinBox::editingFinished, this,
            [this] { Document().Edits().EndMerge(); });
    (new QHBoxLayout(transposeGroup_))->addWidget(transpose_);

    tuneGroup_ = new QGroupBox(this);
    tune_ = new QLineEdit(tuneGroup_);
    tune_->setObjectName(QStringLiteral("masterTune"));
    tune_->setMaxLength(8);
    connect(tune_, &QLineEdit::editingFinished, this, &KeyboardPage::CommitTune);
    tuneHint_ = new QLabel(tuneGroup_);
    auto* tuneLayout = new QHBoxLayout(tuneGroup_);
    tuneLayout->addWidget(tune_);
    tuneLayout->addWidget(tuneHint_);

    latchGroup_ = new QGroupBox(this);
    latch_ = new QComboBox(latchGroup_);
    latch_->setObjectName(QStringLiteral("latch"));
    connect(latch_, &QComboBox::activated, this, [this](int item) {
        Change(
            "Keyboard/-/latch", [&](Performance& p) { kr::SetLatchItem(p.keyboard, item); }, true);
    });
    (new QHBoxLayout(latchGroup_))->addWidget(latch_);

    touchGroup_ = new QGroupBox(this);
    touch_ = new QComboBox(touchGroup_);
    touch_->setObjectName(QStringLiteral("touch"));
    connect(touch_, &QComboBox::activated, this, [this](int item) {
        Change(
            "Keyboard/-/touch", [&](Performance& p) { kr::SetTouchItem(p.keyboard, item); }, true);
    });
    levelLabel_ = new QLabel(touchGroup_);
    level_ = NewSpin(0, 127);
    level_->setObjectName(QStringLiteral("fixedLevel"));
    levelLabel_->setBuddy(level_);
    connect(level_, &QSpinBox::valueChanged, this, [this](int v) {
        Change(
            "Keyboard/-/fixed level",
            [&](Performance& p) { p.keyboard.fixedLevel = static_cast<uint8_t>(v); }, false);
    });
    connect(level_, &QSpinBox::editingFinished, this, [this] { Document().Edits().EndMerge(); });
    auto* touchLayout = new QHBoxLayout(touchGroup_);
    touchLayout->addWidget(touch_);
    touchLayout->addWidget(levelLabel_);
    touchLayout->addWidget(level_);

    splitGroup_ = new QGroupBox(this);
    chordLabel_ = new QLabel(splitGroup_);
    chordSplit_ = new NoteSpinBox(splitGroup_);
    chordSplit_->setObjectName(QStringLiteral("chordSplit"));
    chordLabel_->setBuddy(chordSplit_);
    connect(chordSplit_, &QSpinBox::valueChanged, this, [this](int note) {
        const auto range = kr::KeyRange::FromProfile(App().profile.Values());
        Change(
            "Keyboard/-/style split",
            [&](Performance& p) { kr::SetStyleSplit(p, splitPart_, note, range); }, false);
    });
    connect(chordSplit_, &QSpinBox::editingFinished, this,
            [this] { Document().Edits().EndMerge(); });
    keys_ = new PianoKeyboard(Services().devices.Keyboard(), splitGroup_);
    keys_->setObjectName(QStringLiteral("splitKeys"));
    // The page's key display only shows the split keys: it never plays.
    keys_->SetKeysOn(false);
    keys_->setFocusPolicy(Qt::NoFocus);
    keys_->setMinimumHeight(48);
    splitPartBox_ = new QComboBox(splitGroup_);
    splitPartBox_->setObjectName(QStringLiteral("splitPart"));
    connect(splitPartBox_, &QComboBox::activated, this, [this](int part) {
        splitPart_ = std::clamp(part, 0, kKeyboardPartCount - 1);
        ShowSplit();
    });
    keyboardLabel_ = new QLabel(splitGroup_);
    partSplit_ = new NoteSpinBox(splitGroup_);
    partSplit_->setObjectName(QStringLiteral("partSplit"));
    keyboardLabel_->setBuddy(partSplit_);
    connect(partSplit_, &QSpinBox::valueChanged, this, [this](int note) {
        const auto range = kr::KeyRange::FromProfile(App().profile.Values());
        Change(
            PartField(splitPart_, "split"),
            [&](Performance& p) { kr::SetPartSplit(p, splitPart_, note, range); }, false);
    });
    connect(partSplit_, &QSpinBox::editingFinished, this,
            [this] { Document().Edits().EndMerge(); });
    auto* splitLayout = new QHBoxLayout(splitGroup_);
    splitLayout->addWidget(chordLabel_);
    splitLayout->addWidget(chordSplit_);
    splitLayout->addWidget(keys_, 1);
    splitLayout->addWidget(splitPartBox_);
    splitLayout->addWidget(keyboardLabel_);
    splitLayout->addWidget(partSplit_);

    auto* middle = new QHBoxLayout;
    middle->addWidget(transposeGroup_);
    middle->addWidget(tuneGroup_);
    middle->addWidget(latchGroup_);
    middle->addWidget(touchGroup_);
    middle->addStretch(1);
    // The page shares the window with the on-screen keyboard: it is kept compact.
    for (QGroupBox* group :
         {voiceGroup_, transposeGroup_, tuneGroup_, latchGroup_, touchGroup_, splitGroup_}) {
        group->layout()->setContentsMargins(6, 2, 6, 4);
    }
    grid->setVerticalSpacing(2);
    middle->setSpacing(4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(voiceGroup_);
    layout->addLayout(middle);
    layout->addWidget(splitGroup_);
    layout->addStretch(1);
}

void KeyboardPage::ApplyTexts() {
    const LanguageTable& lang = App().language;
    voiceGroup_->setTitle(UiText(lang, kSection, "IDS_KEYBOARD_VOICE"));
    for (size_t c = 0; c < columnLabels_.size(); ++c) {
        columnLabels_[c]->setText(UiText(lang, kSection, kColumnKeys[c]));
    }
    const QString voiceText = UiText(lang, kSection, "IDS_KEYBOARD_VOICE");
    for (size_t part = 0; part < rows_.size(); ++part) {
        const PartRow& row = rows_[part];
        const QString name = UiText(lang, kSection, kPartKeys[part]);
        row.on->setText(name);
        row.on->setAccessibleName(name);
        row.voice->setAccessibleName(name + QLatin1Char(' ') + voiceText);
        row.choose->setAccessibleName(name + QLatin1Char(' ') + columnLabels_[5]->text());
        row.choose->setToolTip(row.choose->accessibleName());
        const std::array<QSpinBox*, 5> spins{row.octave, row.reverb, row.chorus, row.volume,
                                             row.pan};
        for (size_t c = 0; c < spins.size(); ++c) {
            spins[c]->setAccessibleName(name + QLatin1Char(' ') + columnLabels_[c]->text());
        }
        FillVoices(row.voice);
    }
    transposeGroup_->setTitle(UiText(lang, kSection, "IDS_KEYBOARD_TRANSPOSE"));
    transpose_->setAccessibleName(transposeGroup_->title());
    tuneGroup_->setTitle(UiText(lang, kSection, "IDS_KEYBOARD_MASTERTUNE"));
    tune_->setAccessibleName(tuneGroup_->title());
    tuneHint_->setText(UiText(lang, kSection, "IDS_KEYBOARD_TUNERANGE"));
    latchGroup_->setTitle(UiText(lang, kSection, "IDS_KEYBOARD_LATCH"));
    latch_->setAccessibleName(latchGroup_->title());
    {
        const QSignalBlocker blocker(latch_);
        latch_->clear();
        for (const char* key : kLatchKeys) {
            latch_->addItem(UiText(lang, kSection, key));
        }
    }
    touchGroup_->setTitle(UiText(lang, kSection, "IDS_KEYBOARD_TOUCH"));
    touch_->setAccessibleName(touchGroup_->title());
    {
        const QSignalBlocker blocker(touch_);
        touch_->clear();
        for (const char* key : kTouchKeys) {
            touch_->addItem(UiText(lang, kSection, key));
        }
    }
    levelLabel_->setText(UiText(lang, kSection, "IDS_KEYBOARD_LEVEL"));
    level_->setAccessibleName(levelLabel_->text());
    splitGroup_->setTitle(UiText(lang, kSection, "IDS_KEYBOARD_SPLITPOINT"));
    chordLabel_->setText(UiText(lang, kSection, "IDS_KEYBOARD_CHORD"));
    chordSplit_->setAccessibleName(chordLabel_->text());
    keyboardLabel_->setText(UiText(lang, kSection, "IDS_KEYBOARD_KEYBOARD"));
    partSplit_->setAccessibleName(keyboardLabel_->text());
    splitPartBox_->setAccessibleName(splitGroup_->title());
    {
        const QSignalBlocker blocker(splitPartBox_);
        splitPartBox_->clear();
        for (const char* key : kPartKeys) {
            splitPartBox_->addItem(UiText(lang, kSection, key));
        }
    }
    Show();
}

void KeyboardPage::FillVoices(QComboBox* box) {
    const QSignalBlocker blocker(box);
    box->clear();
    const auto& voices = App().catalog.Voices();
    for (size_t row = 0; row < voices.size(); ++row) {
        box->addItem(QString::fromStdString(voices[row].display), static_cast<qulonglong>(row));
    }
}

void KeyboardPage::ShowVoice(int part) {
    const PartRow& row = rows_[static_cast<size_t>(part)];
    const KeyboardPart& record = Document().Current().keyboard.parts[static_cast<size_t>(part)];
    const QSignalBlocker blocker(row.voice);
    if (row.voice->count() != static_cast<int>(App().catalog.Voices().size())) {
        FillVoices(row.voice);  // the catalogue was read again
    }
    QPalette palette = row.voice->lineEdit()->palette();
    palette.setColor(QPalette::Base, record.voice.IsFile()
                                         ? QColor(kFileVoiceBackground)
                                         : row.voice->palette().color(QPalette::Base));
    row.voice->lineEdit()->setPalette(palette);
    if (record.voice.IsFile()) {
        row.voice->setCurrentIndex(-1);
        row.voice->setEditText(QString::fromStdString(record.voice.path));
        return;
    }
    const auto voiceRow = kr::VoiceRow(App().catalog, record);
    if (voiceRow) {
        row.voice->setCurrentIndex(static_cast<int>(*voiceRow));
        row.voice->setEditText(row.voice->itemText(static_cast<int>(*voiceRow)));
    } else {
        // A voice the catalogue does not list keeps its numbers and shows its number.
        row.voice->setCurrentIndex(-1);
        row.voice->setEditText(QString::fromStdString(kr::UnlistedVoiceText(record)));
    }
}

void KeyboardPage::VoiceActivated(int part, int index) {
    if (index < 0 || index >= rows_[static_cast<size_t>(part)].voice->count()) {
        ShowVoice(part);
        return;
    }
    const auto row = rows_[static_cast<size_t>(part)].voice->itemData(index).toULongLong();
    Change(
        PartField(part, "voice"),
        [&](Performance& p) {
            (void)kr::ChooseVoice(App().catalog, p.keyboard, part, static_cast<size_t>(row));
        },
        true);
}

void KeyboardPage::VoiceChooser(int part) {
    const KeyboardPart& record = Document().Current().keyboard.parts[static_cast<size_t>(part)];
    const ChooserContext context{App(), Services().devices, Messages()};
    const auto chosen = ChooseVoiceForPart(this, context, record.voice);
    if (!chosen) {
        return;
    }
    Change(
        PartField(part, "voice"),
        [&](Performance& p) { kr::ChooseVoiceRef(App().catalog, p.keyboard, part, *chosen); },
        true);
}

void KeyboardPage::CommitTune() {
    if (showing_) {
        return;
    }
    const auto tenths = kr::ParseTune(tune_->text().toStdString());
    if (tenths) {
        Document().Edit("Keyboard/-/master tune",
                        [&](Performance& p) { p.keyboard.masterTune = *tenths; });
        Document().Edits().EndMerge();
    }
    // What is stored shows, with one decimal: 470 becomes 466.2, a word the old value.
    const QSignalBlocker blocker(tune_);
    tune_->setText(QString::fromStdString(kr::TuneText(Document().Current().keyboard.masterTune)));
}

void KeyboardPage::Store() {
    // The tune is taken when its field is left; a value still being typed is taken now, and
    // a stored value outside the range becomes the clamped one the page shows.
    if (tune_->isModified()) {
        CommitTune();
        tune_->setModified(false);
    }
    const uint16_t stored = Document().Current().keyboard.masterTune;
    if (stored != kr::ClampTune(stored)) {
        Document().Edit("Keyboard/-/master tune", [](Performance& p) {
            p.keyboard.masterTune = kr::ClampTune(p.keyboard.masterTune);
        });
        Document().Edits().EndMerge();
    }
}

void KeyboardPage::ShowSplit() {
    const auto range = kr::KeyRange::FromProfile(App().profile.Values());
    const Performance& p = Document().Current();
    for (QSpinBox* spin :
         {static_cast<QSpinBox*>(chordSplit_), static_cast<QSpinBox*>(partSplit_)}) {
        const QSignalBlocker blocker(spin);
        spin->setRange(range.low, range.high);
    }
    SetSpin(chordSplit_, kr::ShownStyleSplit(p, range));
    SetSpin(partSplit_, kr::ShownPartSplit(p, splitPart_, range));
    SetCombo(splitPartBox_, splitPart_);
    keys_->ClearMarks();
    keys_->MarkKey(chordSplit_->value(), true);
    keys_->MarkKey(partSplit_->value(), true);
}

void KeyboardPage::Show() {
    showing_ = true;
    const KeyboardSection& kb = Document().Current().keyboard;
    for (int part = 0; part < kKeyboardPartCount; ++part) {
        const auto i = static_cast<size_t>(part);
        const PartRow& row = rows_[i];
        const KeyboardPart& record = kb.parts[i];
        {
            const QSignalBlocker blocker(row.on);
            row.on->setChecked(record.on != 0);
        }
        ShowVoice(part);
        const int step = kr::OctaveStep(record.octave);
        {
            const QSignalBlocker blocker(row.octave);
            row.octave->setRange(std::min(-1, step), std::max(1, step));
        }
        SetSpin(row.octave, step);
        SetSpin(row.reverb, record.reverb);
        SetSpin(row.chorus, record.chorus);
        SetSpin(row.volume, kb.volumes[i]);
        SetSpin(row.pan, kb.pans[i]);
    }
    SetSpin(transpose_, kb.transpose);
    if (!tune_->hasFocus() || !tune_->isModified()) {
        const QSignalBlocker blocker(tune_);
        tune_->setText(QString::fromStdString(kr::TuneText(kb.masterTune)));
        tune_->setModified(false);
    }
    SetCombo(latch_, kr::LatchItem(kb));
    SetCombo(touch_, kr::TouchItem(kb));
    SetSpin(level_, kb.fixedLevel);
    levelLabel_->setVisible(kr::FixedLevelShown(kb));
    level_->setVisible(kr::FixedLevelShown(kb));
    ShowSplit();
    showing_ = false;
}

bool KeyboardPage::ShowsField(std::string_view field) const {
    return field.starts_with("Keyboard/");
}

void KeyboardPage::RevealField(std::string_view field) {
    // "Keyboard/<part>/split": the split group shows that part.
    for (int part = 0; part < kKeyboardPartCount; ++part) {
        if (field == PartField(part, "split")) {
            splitPart_ = part;
        }
    }
    Show();
}

}  // namespace veltrano
