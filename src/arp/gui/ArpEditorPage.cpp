#include "arp/gui/ArpEditorPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "arp/PitchName.h"
#include "arp/gui/ArpControlsWindow.h"
#include "base/Reporter.h"
#include "ui/FileDialogs.h"
#include "ui/PianoKeyboard.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "CreateArpeggiator";
constexpr int kDrumBank = 120;
constexpr int kDrumChannel = 9;
// How often the played step is looked up while the preview runs.
constexpr int kPlayedStepPollMs = 30;
// How long leaving the page waits for the preview's last notes.
constexpr std::chrono::milliseconds kStopWait{500};

int CellIndex(int column, int row) {
    return column * ArpPattern::kRows + row;
}

// The grid's looks: empty, a note start, a note held by a tie; the played step is framed.
constexpr const char* kGridStyle =
    "QPushButton[arpGrid=\"true\"] { min-width: 22px; padding: 0px; }"
    "QPushButton[look=\"1\"] { background: #3a78c8; border-color: #24528f; }"
    "QPushButton[look=\"2\"] { background: #9cc0ea; border-color: #6f98c8; }"
    "QPushButton[played=\"1\"] { border: 2px solid #e08020; }";

void SetLook(QWidget* widget, const char* name, int value) {
    if (widget->property(name).toInt() == value && widget->property(name).isValid()) {
        return;
    }
    widget->setProperty(name, value);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

void Buddy(QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
}

}  // namespace

ArpEditorPage::ArpEditorPage(const PageServices& services, QWidget* parent)
    : ToolPage(services, parent),
      output_(services.devices.Ports()),
      player_(output_, services.reporter),
      channel_(services.devices.Keyboard().Channel()) {
    setObjectName(QStringLiteral("arpEditorPage"));
    setStyleSheet(QString::fromLatin1(kGridStyle));

    auto button = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    fileGroup_ = new QGroupBox(this);
    path_ = new QLineEdit(fileGroup_);
    path_->setObjectName(QStringLiteral("arpPath"));
    path_->setReadOnly(true);
    // Made in the order they are laid out, which Tab follows.
    openButton_ = button("arpOpen");
    newButton_ = button("arpNew");
    saveButton_ = button("arpSave");
    controlsButton_ = button("arpControlsButton");
    previewButton_ = button("arpPreview");
    auto* fileLayout = new QHBoxLayout(fileGroup_);
    fileLayout->addWidget(path_, 1);
    for (QPushButton* b : {openButton_, newButton_, saveButton_, controlsButton_, previewButton_}) {
        fileLayout->addWidget(b);
    }

    // The grid: step numbers over ten columns of twelve rows, the lowest row at the bottom.
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    pageLabel_ = new QLabel(this);
    grid->addWidget(pageLabel_, 0, 0);
    for (int c = 0; c < ArpEditor::kVisibleSteps; ++c) {
        auto* header = button(("arpHeader_" + std::to_string(c)).c_str());
        header->setCheckable(true);
        header->setProperty("arpGrid", true);
        grid->addWidget(header, 0, c + 1);
        headers_[static_cast<size_t>(c)] = header;
        connect(header, &QPushButton::clicked, this, [this, c] {
            editor_.SelectColumn(c);
            Refresh();
        });
    }
    // The top row first, so Tab goes through the grid as it is read.
    for (int r = ArpPattern::kRows - 1; r >= 0; --r) {
        auto* rowLabel = new QLabel(QString::number(r + 1), this);
        grid->addWidget(rowLabel, ArpPattern::kRows - r, 0);
        for (int c = 0; c < ArpEditor::kVisibleSteps; ++c) {
            auto* cell = button(("arpCell_" + std::to_string(c) + "_" + std::to_string(r)).c_str());
            cell->setCheckable(true);
            cell->setProperty("arpGrid", true);
            cell->installEventFilter(this);
            grid->addWidget(cell, ArpPattern::kRows - r, c + 1);
            cells_[static_cast<size_t>(CellIndex(c, r))] = cell;
            connect(cell, &QPushButton::clicked, this, [this, c, r] {
                editor_.ClickCell(c, r, Messages());
                Refresh();
            });
        }
    }
    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setObjectName(QStringLiteral("arpScroll"));
    scroll_->setFocusPolicy(Qt::StrongFocus);  // the arrow keys scroll through the steps
    scroll_->setRange(0, ArpEditor::kMaxFirstStep);
    scroll_->setPageStep(ArpEditor::kVisibleSteps);
    grid->addWidget(scroll_, ArpPattern::kRows + 1, 1, 1, ArpEditor::kVisibleSteps);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        editor_.ScrollTo(value);
        Refresh();
    });

    // The selected step's fields.
    paramsGroup_ = new QGroupBox(this);
    auto* params = new QGridLayout(paramsGroup_);
    auto label = [this] { return new QLabel(this); };
    auto spin = [this](const char* name, int low, int high) {
        auto* s = new QSpinBox(this);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(low, high);
        s->setKeyboardTracking(false);
        return s;
    };
    pitchLabel_ = label();
    pitch_ = spin("arpPitch", -48, 48);
    gateLabel_ = label();
    gateMode_ = new QComboBox(this);
    gateMode_->setObjectName(QStringLiteral("arpGateMode"));
    gateValueLabel_ = label();
    gateValue_ = spin("arpGateValue", 0, 101);
    gateUnit_ = label();
    gateUnit_->setObjectName(QStringLiteral("arpGateUnit"));
    velocityLabel_ = label();
    velocity_ = new QLineEdit(this);
    velocity_->setObjectName(QStringLiteral("arpVelocityField"));
    velocity_->setMaxLength(3);
    flamLabel_ = label();
    flam_ = spin("arpFlam", -99, 99);
    lengthLabel_ = label();
    length_ = spin("arpLength", 1, ArpPattern::kMaxSteps);
    params->addWidget(pitchLabel_, 0, 0);
    params->addWidget(pitch_, 0, 1);
    params->addWidget(gateLabel_, 1, 0);
    params->addWidget(gateMode_, 1, 1);
    params->addWidget(gateValueLabel_, 2, 0);
    params->addWidget(gateValue_, 2, 1);
    params->addWidget(gateUnit_, 2, 2);
    params->addWidget(velocityLabel_, 3, 0);
    params->addWidget(velocity_, 3, 1);
    params->addWidget(flamLabel_, 4, 0);
    params->addWidget(flam_, 4, 1);
    params->addWidget(lengthLabel_, 5, 0);
    params->addWidget(length_, 5, 1);

    realtimeGroup_ = new QGroupBox(this);
    auto* realtime = new QGridLayout(realtimeGroup_);
    voiceLabel_ = label();
    voice_ = new QComboBox(this);
    voice_->setObjectName(QStringLiteral("arpVoice"));
    latch_ = button("arpKbdLatch");
    latch_->setCheckable(true);
    instrumentKeys_ = new QCheckBox(this);
    instrumentKeys_->setObjectName(QStringLiteral("arpInstrumentKeys"));
    instrumentKeys_->setChecked(true);
    realtime->addWidget(voiceLabel_, 0, 0);
    realtime->addWidget(voice_, 0, 1);
    realtime->addWidget(latch_, 1, 1);
    realtime->addWidget(instrumentKeys_, 2, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(paramsGroup_);
    side->addWidget(realtimeGroup_);
    side->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addLayout(grid, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileGroup_);
    layout->addLayout(body, 1);

    connect(pitch_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_) {
            editor_.SetPitch(v);
            Refresh();
        }
    });
    connect(gateMode_, &QComboBox::activated, this, [this](int mode) {
        editor_.SetGateMode(static_cast<ArpEditor::GateMode>(mode), Messages());
        Refresh();
    });
    connect(gateValue_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_) {
            editor_.SetGateValue(v, Messages());
            Refresh();
        }
    });
    connect(velocity_, &QLineEdit::editingFinished, this, [this] {
        if (const auto v = ArpEditor::ParseVelocity(velocity_->text().toStdString())) {
            editor_.SetVelocity(*v);
        }
        Refresh();
    });
    connect(flam_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_) {
            editor_.SetFlam(v);
            Refresh();
        }
    });
    connect(length_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_) {
            editor_.SetSaveLength(v);
            Refresh();
        }
    });
    connect(newButton_, &QPushButton::clicked, this, [this] { New(); });
    connect(openButton_, &QPushButton::clicked, this, [this] { Open(); });
    connect(saveButton_, &QPushButton::clicked, this, [this] { (void)Save(); });
    connect(previewButton_, &QPushButton::clicked, this, [this] { TogglePreview(); });
    connect(voice_, &QComboBox::activated, this, [this](int index) { ChooseVoice(index); });
    connect(latch_, &QPushButton::clicked, this, [this] { ToggleLatch(); });

    const auto shortcut = [this](QKeySequence keys, auto slot) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence::New, [this] { New(); });
    shortcut(QKeySequence::Open, [this] { Open(); });
    shortcut(QKeySequence::Save, [this] { (void)Save(); });
    shortcut(QKeySequence::Undo, [this] {
        editor_.Undo();
        Refresh();
    });
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Redo), QKeySequence("Ctrl+Y")}) {
        shortcut(keys, [this] {
            editor_.Redo();
            Refresh();
        });
    }

    // The preview's input: the keys of the main window's keyboard, as they change.
    PianoKeyboard& keys = Keyboard().Keys();
    connect(&keys, &PianoKeyboard::KeyPressed, this,
            [this](int note) { player_.Key(note, ArpPlayer::kFeedVelocity); });
    connect(&keys, &PianoKeyboard::KeyReleased, this, [this](int note) { player_.Key(note, 0); });
    // And, unless switched off, the keys played on the instrument itself.
    Devices().Ports().SetNoteHandler([this](uint32_t message) {
        if (!instrumentKeys_->isChecked()) {
            return;
        }
        const int note = static_cast<int>((message >> 8) & 0x7F);
        const bool on = (message & 0xF0) == 0x90;
        player_.Key(note, on ? static_cast<int>((message >> 16) & 0x7F) : 0);
    });

    playTimer_ = new QTimer(this);
    playTimer_->setInterval(kPlayedStepPollMs);
    connect(playTimer_, &QTimer::timeout, this, [this] { ShowPlayedStep(); });

    controls_ = new ArpControlsWindow(
        App().language, Messages(), [this](int code, int a, int b) { player_.Command(code, a, b); },
        this);
    connect(controlsButton_, &QPushButton::clicked, this, [this] {
        controls_->move(mapToGlobal(QPoint(0, 0)));
        controls_->setVisible(!controls_->isVisible());
    });
    controls_->SendAll();

    editor_.Doc().Listen([this](const DocumentChange&) { Refresh(); });
    FillVoices();
    ApplyTexts();
}

ArpEditorPage::~ArpEditorPage() {
    Devices().Ports().SetNoteHandler(nullptr);
    StopPreview();
    (void)player_.WaitUntilQuiet(std::chrono::seconds(2));
}

QString ArpEditorPage::T(const char* key) const {
    return UiText(App().language, kSection, key);
}

void ArpEditorPage::ApplyTexts() {
    fileGroup_->setTitle(T("IDS_FILE"));
    newButton_->setText(T("IDS_NEW"));
    openButton_->setText(T("IDS_OPEN"));
    saveButton_->setText(T("IDS_SAVE"));
    controlsButton_->setText(T("IDS_CONTROLS"));
    previewButton_->setText(player_.Running() ? T("IDS_STOP") : T("IDS_PREVIEW"));
    pageLabel_->setText(T("IDS_PAGE"));
    paramsGroup_->setTitle(T("IDS_PARAMS"));
    pitchLabel_->setText(T("IDS_ARP_PITCH"));
    gateLabel_->setText(T("IDS_ARP_GATE"));
    gateValueLabel_->setText(T("IDS_ARP_GATE_VALUE"));
    velocityLabel_->setText(T("IDS_ARP_VEL"));
    flamLabel_->setText(T("IDS_ARP_FLAM"));
    lengthLabel_->setText(T("IDS_SAVE_LENGTH"));
    realtimeGroup_->setTitle(T("IDS_REALTIME"));
    voiceLabel_->setText(T("IDS_VOICE"));
    latch_->setText(T("IDS_KBD_LATCH"));
    instrumentKeys_->setText(T("IDS_ARP_INSTRUMENT_KEYS"));
    {
        const QSignalBlocker block(gateMode_);
        gateMode_->clear();
        gateMode_->addItems({T("IDS_ARP_GATE_OFF"), T("IDS_ARP_GATE_NORMAL"), T("IDS_ARP_GATE_TIE"),
                             T("IDS_ARP_GATE_LGT")});
    }
    Buddy(pitchLabel_, pitch_);
    Buddy(gateLabel_, gateMode_);
    Buddy(gateValueLabel_, gateValue_);
    Buddy(velocityLabel_, velocity_);
    Buddy(flamLabel_, flam_);
    Buddy(lengthLabel_, length_);
    Buddy(voiceLabel_, voice_);
    path_->setAccessibleName(T("IDS_FILE"));
    scroll_->setAccessibleName(T("IDS_PAGE"));
    if (controls_) {
        controls_->ApplyTexts();
    }
    Refresh();
}

QString ArpEditorPage::CellName(int column, int row) const {
    const int step = editor_.FirstVisibleStep() + column;
    const char* key = "IDS_ARP_CELL_EMPTY";
    switch (editor_.Pattern().GridCell(row, step)) {
        case ArpPattern::Cell::Start:
            key = "IDS_ARP_CELL_START";
            break;
        case ArpPattern::Cell::Held:
            key = "IDS_ARP_CELL_HELD";
            break;
        case ArpPattern::Cell::Empty:
            break;
    }
    return T("IDS_ARP_CELL").arg(step + 1).arg(row + 1).arg(T(key));
}

void ArpEditorPage::Refresh() {
    refreshing_ = true;
    const int first = editor_.FirstVisibleStep();
    {
        const QSignalBlocker block(scroll_);
        scroll_->setValue(first);
    }
    for (int c = 0; c < ArpEditor::kVisibleSteps; ++c) {
        QPushButton* header = headers_[static_cast<size_t>(c)];
        header->setText(QString::number(first + c + 1));
        header->setChecked(c == editor_.HighlightedColumn());
        SetLook(header, "played", first + c == playedStep_ ? 1 : 0);
        header->setAccessibleName(T("IDS_ARP_STEP") + QLatin1Char(' ') +
                                  QString::number(first + c + 1));
        for (int r = 0; r < ArpPattern::kRows; ++r) {
            QPushButton* cell = cells_[static_cast<size_t>(CellIndex(c, r))];
            const auto look = editor_.Pattern().GridCell(r, first + c);
            cell->setChecked(look == ArpPattern::Cell::Start);
            SetLook(cell, "look", static_cast<int>(look));
            SetLook(cell, "played", first + c == playedStep_ ? 1 : 0);
            cell->setAccessibleName(CellName(c, r));
        }
    }

    const ArpEditor::StepFields f = editor_.Fields();
    pitch_->setValue(f.pitch);
    gateMode_->setCurrentIndex(static_cast<int>(f.gateMode));
    gateValue_->setRange(f.gateMinimum, f.gateMaximum);
    gateValue_->setValue(f.gateValue);
    gateValue_->setEnabled(f.gateValueEditable);
    gateUnit_->setText(QString::fromStdString(f.gateUnit));
    velocity_->setText(QString::fromStdString(f.velocity));
    flam_->setValue(f.flam);
    length_->setValue(editor_.SaveLength());

    QString shown = QString::fromStdString(editor_.FilePath().string());
    if (editor_.Doc().Modified()) {
        shown += QLatin1Char('*');
    }
    path_->setText(shown);
    refreshing_ = false;
}

void ArpEditorPage::ShowPlayedStep() {
    const int played = player_.Running() ? player_.PlayedStep() : -1;
    if (played != playedStep_) {
        playedStep_ = played;
        Refresh();
    }
}

bool ArpEditorPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return ToolPage::eventFilter(watched, event);
    }
    const auto found = std::find(cells_.begin(), cells_.end(), watched);
    if (found == cells_.end()) {
        return ToolPage::eventFilter(watched, event);
    }
    const int index = static_cast<int>(found - cells_.begin());
    const int column = index / ArpPattern::kRows;
    const int row = index % ArpPattern::kRows;
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Left:
            MoveCursor(column - 1, row);
            return true;
        case Qt::Key_Right:
            MoveCursor(column + 1, row);
            return true;
        case Qt::Key_Up:
            MoveCursor(column, std::min(row + 1, ArpPattern::kRows - 1));
            return true;
        case Qt::Key_Down:
            MoveCursor(column, std::max(row - 1, 0));
            return true;
        case Qt::Key_PageUp:
            editor_.ScrollTo(editor_.FirstVisibleStep() - ArpEditor::kVisibleSteps);
            Refresh();
            return true;
        case Qt::Key_PageDown:
            editor_.ScrollTo(editor_.FirstVisibleStep() + ArpEditor::kVisibleSteps);
            Refresh();
            return true;
        default:
            return ToolPage::eventFilter(watched, event);
    }
}

void ArpEditorPage::MoveCursor(int column, int row) {
    // Past the visible columns the grid scrolls by one step.
    if (column < 0 || column >= ArpEditor::kVisibleSteps) {
        const int first = editor_.FirstVisibleStep();
        editor_.ScrollTo(first + (column < 0 ? -1 : 1));
        if (editor_.FirstVisibleStep() == first) {
            return;
        }
        column = std::clamp(column, 0, ArpEditor::kVisibleSteps - 1);
        Refresh();
    }
    cells_[static_cast<size_t>(CellIndex(column, row))]->setFocus(Qt::TabFocusReason);
}

bool ArpEditorPage::AskToKeepEdits() {
    if (!editor_.Doc().Modified()) {
        return true;
    }
    const std::string name = editor_.FilePath().empty()
                                 ? App().language.LookupText("CreateArpeggiator", "IDS_UNTITLED")
                                 : editor_.FilePath().filename().string();
    return AskToSaveChanges(name, [this] { return Save(); });
}

void ArpEditorPage::New() {
    if (!AskToKeepEdits()) {
        return;
    }
    StopPreview();
    editor_.New();
    Refresh();
}

void ArpEditorPage::Open() {
    if (!AskToKeepEdits()) {
        return;
    }
    const QString chosen = ChooseFileToOpen(
        this, App().config,
        {T("IDS_OPEN"), ArpEditor::kFileFilter, dialog_folder::kOpenArp, QString()});
    if (chosen.isEmpty()) {
        return;
    }
    StopPreview();
    const std::filesystem::path path = chosen.toStdString();
    if (editor_.Open(path, Messages())) {
        (void)App().config.SetDialogFolder(dialog_folder::kOpenArp, path.parent_path().string());
    }
    Refresh();
}

bool ArpEditorPage::Save() {
    QString suggested = QString::fromStdString(editor_.FilePath().filename().string());
    while (true) {
        const QString chosen = ChooseFileToSave(
            this, App().config,
            {T("IDS_SAVE"), ArpEditor::kFileFilter, dialog_folder::kSaveArp, suggested});
        if (chosen.isEmpty()) {
            return false;
        }
        const auto path = ArpEditor::SavePath(chosen.toStdString());
        if (!path) {
            Messages().Show(Icon::Information, "SaveArp", "The file name can't be null");
            continue;
        }
        if (!editor_.Save(*path, Messages())) {
            return false;
        }
        (void)App().config.SetDialogFolder(dialog_folder::kSaveArp, path->parent_path().string());
        Refresh();
        return true;
    }
}

void ArpEditorPage::TogglePreview() {
    if (player_.Running()) {
        StopPreview();
        return;
    }
    ArpPattern pattern = editor_.Pattern();
    const std::vector<int> held = Keyboard().Keys().HeldKeys();
    if (!player_.Start(pattern, App().programFolder / "PREVIEW.ARP", channel_, held, Messages())) {
        return;
    }
    previewButton_->setText(T("IDS_STOP"));
    playTimer_->start();
}

void ArpEditorPage::StopPreview() {
    if (!player_.Running()) {
        return;
    }
    player_.Stop();
    playTimer_->stop();
    playedStep_ = -1;
    previewButton_->setText(T("IDS_PREVIEW"));
    Refresh();
}

void ArpEditorPage::FillVoices() {
    const QSignalBlocker block(voice_);
    voice_->clear();
    const auto& voices = App().catalog.Voices();
    if (voices.empty()) {
        for (int program = 0; program < 128; ++program) {
            voice_->addItem(QString::fromStdString(GeneralMidiName(program)));
        }
        return;
    }
    for (const VoiceEntry& v : voices) {
        voice_->addItem(QString::fromStdString(v.display));
    }
}

void ArpEditorPage::ChooseVoice(int index) {
    if (index < 0) {
        return;
    }
    const std::string display = voice_->itemText(index).toStdString();
    const VoiceEntry* entry = App().catalog.FindVoiceByDisplay(display);
    int msb = 0;
    int lsb = 0;
    int program = 0;
    if (entry != nullptr) {
        msb = entry->bankMsb;
        lsb = entry->bankLsb;
        program = entry->program;
    } else if (App().catalog.Voices().empty()) {
        program = index;  // a General MIDI name: its position is its program
    }
    const int channel = msb == kDrumBank ? kDrumChannel : 0;
    if (channel != channel_) {
        channel_ = channel;
        // A running preview ends its notes on the old channel before it plays on the new one.
        if (player_.Running()) {
            player_.SetChannel(channel_);
        }
    }
    MidiPorts& ports = Devices().Ports();
    (void)ports.SendBankMsb(channel, msb);
    (void)ports.SendBankLsb(channel, lsb);
    (void)ports.SendProgramChange(channel, program);
}

void ArpEditorPage::ToggleLatch() {
    PianoKeyboard& keys = Keyboard().Keys();
    if (player_.Running()) {
        latch_->setChecked(keys.Latch());  // not while the preview plays
        return;
    }
    const bool on = !keys.Latch();
    keys.SetLatch(on);
    latch_->setChecked(on);
    if (!on) {
        MidiPorts& ports = Devices().Ports();
        const int status = 0x90 | Devices().Keyboard().Channel();
        for (int note = OnScreenKeyboard::kLowestKey; note <= OnScreenKeyboard::kHighestKey;
             ++note) {
            (void)ports.SendShort(static_cast<uint32_t>(status | (note << 8)));
        }
    }
}

void ArpEditorPage::PageHidden() {
    // The window may close the ports next: the last note-offs go out first.
    if (player_.Running()) {
        StopPreview();
        (void)player_.WaitUntilQuiet(kStopWait);
        (void)output_.WaitUntilSent(kStopWait);
    }
    if (controls_) {
        controls_->hide();
    }
}

bool ArpEditorPage::MayLeave() {
    return AskToKeepEdits();
}

void ArpEditorPage::RefreshForDevice() {
    FillVoices();
}

}  // namespace veltrano
