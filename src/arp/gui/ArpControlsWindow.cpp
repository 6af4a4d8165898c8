#include "arp/gui/ArpControlsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "arp/PitchName.h"
#include "base/Reporter.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "CreateArpeggiator";

QComboBox* Choices(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void Relabel(QComboBox* box, const QStringList& texts) {
    const int current = box->currentIndex();
    const QSignalBlocker block(box);
    box->clear();
    box->addItems(texts);
    box->setCurrentIndex(std::max(current, 0));
}

void Buddy(QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
}

}  // namespace

ArpControlsWindow::ArpControlsWindow(const LanguageTable& language, Reporter& reporter, Sink sink,
                                     QWidget* parent)
    : QDialog(parent), language_(language), reporter_(reporter), sink_(std::move(sink)) {
    setObjectName(QStringLiteral("arpControls"));
    setWindowFlag(Qt::Tool);

    auto check = [this](const char* name) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    sort_ = check("arpSort");
    latch_ = check("arpLatch");
    keySync_ = check("arpKeySync");
    keySound_ = check("arpKeySound");
    fixedNote_ = check("arpFixedNote");
    keySync_->setChecked(controls_.keySync);
    keySound_->setChecked(controls_.keySound);

    fixedNotesLabel_ = new QLabel(this);
    noteIndexLabel_ = new QLabel(this);
    noteIndex_ = new QSpinBox(this);
    noteIndex_->setObjectName(QStringLiteral("arpFixedNoteIndex"));
    noteIndex_->setRange(1, ArpEngine::kMaxHeld);
    noteName_ = new QLineEdit(this);
    noteName_->setObjectName(QStringLiteral("arpFixedNoteName"));
    noteName_->setMaxLength(3);

    resolutionLabel_ = new QLabel(this);
    resolution_ = Choices("arpResolution", this);
    typeLabel_ = new QLabel(this);
    type_ = Choices("arpType", this);
    rangeLabel_ = new QLabel(this);
    range_ = Choices("arpRange", this);
    replaceLabel_ = new QLabel(this);
    replace_ = Choices("arpReplaceMode", this);
    triggerLabel_ = new QLabel(this);
    trigger_ = Choices("arpTriggerMode", this);
    velocityLabel_ = new QLabel(this);
    velocity_ = Choices("arpVelocity", this);
    valueLabel_ = new QLabel(this);
    value_ = new QSpinBox(this);
    value_->setObjectName(QStringLiteral("arpVelocityValue"));
    value_->setRange(1, 127);
    value_->setValue(velocityValue_);
    minLabel_ = new QLabel(this);
    min_ = new QSpinBox(this);
    min_->setObjectName(QStringLiteral("arpVelocityMin"));
    min_->setRange(1, 127);
    min_->setValue(controls_.velocityMin);
    maxLabel_ = new QLabel(this);
    max_ = new QSpinBox(this);
    max_->setObjectName(QStringLiteral("arpVelocityMax"));
    max_->setRange(1, 127);
    max_->setValue(controls_.velocityMax);

    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* box : {sort_, latch_, keySync_, keySound_, fixedNote_}) {
        layout->addWidget(box);
    }
    auto* form = new QFormLayout;
    auto* fixed = new QHBoxLayout;
    fixed->addWidget(noteIndexLabel_);
    fixed->addWidget(noteIndex_);
    fixed->addWidget(noteName_);
    form->addRow(fixedNotesLabel_, fixed);
    form->addRow(resolutionLabel_, resolution_);
    form->addRow(typeLabel_, type_);
    form->addRow(rangeLabel_, range_);
    form->addRow(replaceLabel_, replace_);
    form->addRow(triggerLabel_, trigger_);
    form->addRow(velocityLabel_, velocity_);
    form->addRow(valueLabel_, value_);
    form->addRow(minLabel_, min_);
    form->addRow(maxLabel_, max_);
    layout->addLayout(form);

    ApplyTexts();
    resolution_->setCurrentIndex(5 - controls_.resolution);
    trigger_->setCurrentIndex(controls_.triggerMode);
    ShowFixedNote();
    UpdateVelocityFields();

    auto toggle = [this](QCheckBox* box, int code, bool ArpPlayer::Controls::*field) {
        connect(box, &QCheckBox::toggled, this, [this, code, field](bool on) {
            controls_.*field = on;
            Send(code, on ? 1 : 0);
            if (code == ArpEngine::kFixedNoteMode && on) {
                const int index = noteIndex_->value() - 1;
                Send(ArpEngine::kFixedNote, index,
                     controls_.fixedNotes[static_cast<size_t>(index)]);
            }
        });
    };
    toggle(sort_, ArpEngine::kSort, &ArpPlayer::Controls::sort);
    toggle(latch_, ArpEngine::kLatch, &ArpPlayer::Controls::latch);
    toggle(keySync_, ArpEngine::kKeySync, &ArpPlayer::Controls::keySync);
    toggle(keySound_, ArpEngine::kKeySound, &ArpPlayer::Controls::keySound);
    toggle(fixedNote_, ArpEngine::kFixedNoteMode, &ArpPlayer::Controls::fixedNote);

    connect(noteIndex_, &QSpinBox::valueChanged, this, [this] { ShowFixedNote(); });
    connect(noteName_, &QLineEdit::returnPressed, this, [this] { FixedNoteEntered(); });
    connect(resolution_, &QComboBox::activated, this, [this](int position) {
        controls_.resolution = 5 - position;
        Send(ArpEngine::kResolution, controls_.resolution);
    });
    connect(type_, &QComboBox::activated, this, [this](int position) {
        controls_.type = position;
        Send(ArpEngine::kType, position);
    });
    connect(range_, &QComboBox::activated, this, [this](int position) {
        controls_.range = position + 1;
        Send(ArpEngine::kRange, position + 1);
    });
    connect(replace_, &QComboBox::activated, this, [this](int position) {
        controls_.replaceMode = position;
        Send(ArpEngine::kReplaceMode, position);
    });
    connect(trigger_, &QComboBox::activated, this, [this](int position) {
        controls_.triggerMode = position;
        Send(ArpEngine::kTriggerMode, position);
    });
    connect(velocity_, &QComboBox::activated, this, [this] { VelocityChosen(); });
    connect(value_, &QSpinBox::valueChanged, this, [this](int value) {
        velocityValue_ = value;
        if (velocity_->currentIndex() == 1) {
            VelocityChosen();
        }
    });
    connect(min_, &QSpinBox::valueChanged, this, [this](int value) {
        controls_.velocityMin = value;
        Send(ArpEngine::kVelocityRange, 0, value);
    });
    connect(max_, &QSpinBox::valueChanged, this, [this](int value) {
        controls_.velocityMax = value;
        Send(ArpEngine::kVelocityRange, 1, value);
    });
}

void ArpControlsWindow::ApplyTexts() {
    const auto t = [this](const char* key) { return UiText(language_, kSection, key); };
    setWindowTitle(t("IDS_CONTROLS"));
    sort_->setText(t("IDS_ARP_SORT"));
    latch_->setText(t("IDS_ARP_LATCH"));
    keySync_->setText(t("IDS_ARP_KEYSYNC"));
    keySound_->setText(t("IDS_ARP_KEYSOUND"));
    fixedNote_->setText(t("IDS_ARP_FIXEDNOTE"));
    fixedNotesLabel_->setText(t("IDS_ARP_FIXNOTE"));
    noteIndexLabel_->setText(t("IDS_ARP_NOTE"));
    resolutionLabel_->setText(t("IDS_ARP_RESOLUTION"));
    typeLabel_->setText(t("IDS_ARP_TYPE"));
    rangeLabel_->setText(t("IDS_ARP_RANGE"));
    replaceLabel_->setText(t("IDS_ARP_REPLACEMODE"));
    triggerLabel_->setText(t("IDS_ARP_TRIGGERMODE"));
    velocityLabel_->setText(t("IDS_ARP_VELOCITY"));
    valueLabel_->setText(t("IDS_ARP_VAL"));
    minLabel_->setText(t("IDS_ARP_MIN"));
    maxLabel_->setText(t("IDS_ARP_MAX"));
    Relabel(resolution_, {QStringLiteral("1/4"), t("IDS_ARP_4T"), QStringLiteral("1/8"),
                          t("IDS_ARP_8T"), QStringLiteral("1/16"), t("IDS_ARP_16T")});
    Relabel(type_, {t("IDS_ARP_UP"), t("IDS_ARP_DOWN"), t("IDS_ARP_UPDOWN"), t("IDS_ARP_BOTH")});
    QStringList octaves;
    for (int i = 1; i <= 4; ++i) {
        octaves << QString::number(i) + QLatin1Char(' ') + t("IDS_ARP_OCTAVE");
    }
    Relabel(range_, octaves);
    Relabel(replace_, {t("IDS_ARP_ASPLAYED"), t("IDS_ARP_PLAYFILL"), t("IDS_ARP_RUNUP"),
                       t("IDS_ARP_UPDOWN"), t("IDS_ARP_RANDOM")});
    Relabel(trigger_, {t("IDS_ARP_TRIGGERNOTE"), t("IDS_ARP_TRIGGERALL")});
    Relabel(velocity_, {t("IDS_ARP_KEY"), t("IDS_ARP_VALUE"), t("IDS_ARP_STEP")});
    Buddy(noteIndexLabel_, noteIndex_);
    noteName_->setAccessibleName(t("IDS_ARP_FIXNOTE"));
    Buddy(resolutionLabel_, resolution_);
    Buddy(typeLabel_, type_);
    Buddy(rangeLabel_, range_);
    Buddy(replaceLabel_, replace_);
    Buddy(triggerLabel_, trigger_);
    Buddy(velocityLabel_, velocity_);
    Buddy(valueLabel_, value_);
    Buddy(minLabel_, min_);
    Buddy(maxLabel_, max_);
}

void ArpControlsWindow::SendAll() {
    for (const auto& c : ArpPlayer::ControlCommands(controls_)) {
        Send(c.code, c.a, c.b);
    }
}

void ArpControlsWindow::Send(int code, int a, int b) {
    if (sink_) {
        sink_(code, a, b);
    }
}

void ArpControlsWindow::ShowFixedNote() {
    const int index = noteIndex_->value() - 1;
    noteName_->setText(
        QString::fromStdString(PitchName(controls_.fixedNotes[static_cast<size_t>(index)])));
}

void ArpControlsWindow::FixedNoteEntered() {
    const int index = noteIndex_->value() - 1;
    auto note = ParsePitchName(noteName_->text().toStdString());
    if (!note) {
        reporter_.Show(Icon::Information, "Warning", "Invalid pitch name");
        note = 60;
    }
    controls_.fixedNotes[static_cast<size_t>(index)] = *note;
    ShowFixedNote();
    Send(ArpEngine::kFixedNote, index, *note);
}

void ArpControlsWindow::VelocityChosen() {
    static constexpr int kFunctions[] = {ArpEngine::kKeyVelocity, -1, ArpEngine::kStepVelocity};
    const int position = std::clamp(velocity_->currentIndex(), 0, 2);
    controls_.velocityFunction = position == 1 ? velocityValue_ : kFunctions[position];
    UpdateVelocityFields();
    Send(ArpEngine::kVelocityFunction, controls_.velocityFunction);
}

void ArpControlsWindow::UpdateVelocityFields() {
    const bool key = velocity_->currentIndex() == 0;
    const bool value = velocity_->currentIndex() == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{minLabel_, min_, maxLabel_, max_}) {
        w->setVisible(key);
    }
    valueLabel_->setVisible(value);
    value_->setVisible(value);
}

}  // namespace veltrano
