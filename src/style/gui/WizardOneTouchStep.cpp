#include "style/gui/WizardOneTouchStep.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "device/PresetCatalog.h"
#include "settings/AppConfig.h"
#include "style/MidiToStyleSteps.h"
#include "style/gui/ConversionFiles.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MidiToStyle3";
constexpr std::array<const char*, kOneTouchPartCount> kPartKeys = {"IDS_OTS_R1", "IDS_OTS_R2",
                                                                   "IDS_OTS_R3", "IDS_OTS_L"};
constexpr std::array<const char*, 6> kHeaderKeys = {
    "IDS_OTS_VOICE", "IDS_OTS_VOL", "IDS_OTS_OCT", "IDS_OTS_REV", "IDS_OTS_CHORUS", "IDS_OTS_PAN"};

int VoiceKey(int msb, int lsb, int program) {
    return (msb << 16) | (lsb << 8) | program;
}

QPushButton* MakeButton(const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

QSpinBox* MakeSpin(const QString& objectName, int minimum, int maximum, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(objectName);
    spin->setRange(minimum, maximum);
    return spin;
}

}  // namespace

WizardOneTouchStep::WizardOneTouchStep(MidiToStyleSteps& steps, AppConfig& config,
                                       const LanguageTable& language, const PresetCatalog& catalog,
                                       Reporter& reporter, QWidget* parent)
    : QWidget(parent),
      steps_(steps),
      config_(config),
      language_(language),
      catalog_(catalog),
      reporter_(reporter) {
    setObjectName(QStringLiteral("m2sStep3"));
    step_ = new QLabel(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("m2sOtsTabs"));
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        tabs_->addTab(BuildTab(s), QStringLiteral("OTS%1").arg(s + 1));
    }

    load_ = MakeButton("m2sLoadOts", this);
    save_ = MakeButton("m2sSaveOts", this);
    reset_ = MakeButton("m2sResetOts", this);
    back_ = MakeButton("m2sBack3", this);
    finish_ = MakeButton("m2sFinish", this);
    finish_->setShortcut(QKeySequence::Save);
    back_->setShortcut(Qt::Key_Backspace);
    connect(load_, &QPushButton::clicked, this, [this] {
        (void)steps_.LoadOneTouch(OpenFileChooser(this, config_, load_->text()), reporter_);
        ShowValues();
    });
    connect(save_, &QPushButton::clicked, this, [this] {
        (void)steps_.SaveOneTouch(SaveFileChooser(this, config_, save_->text()), reporter_);
    });
    connect(reset_, &QPushButton::clicked, this, [this] {
        steps_.ResetOneTouch();
        ShowValues();
    });
    connect(back_, &QPushButton::clicked, this, &WizardOneTouchStep::BackClicked);
    connect(finish_, &QPushButton::clicked, this, &WizardOneTouchStep::FinishClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(load_);
    buttons->addWidget(save_);
    buttons->addWidget(reset_);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(finish_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(step_);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);
    ApplyTexts();
}

QWidget* WizardOneTouchStep::BuildTab(int setting) {
    auto* tab = new QWidget;
    auto* grid = new QGridLayout(tab);
    auto& headers = headers_[static_cast<size_t>(setting)];
    for (size_t c = 0; c < headers.size(); ++c) {
        headers[c] = new QLabel(tab);
        grid->addWidget(headers[c], 0, static_cast<int>(c) + 1);
    }
    for (int p = 0; p < kOneTouchPartCount; ++p) {
        Row& row = rows_[static_cast<size_t>(setting)][static_cast<size_t>(p)];
        const QString prefix = QStringLiteral("m2sOts%1Part%2").arg(setting).arg(p);
        row.part = new QLabel(tab);
        row.voice = new QComboBox(tab);
        row.voice->setObjectName(prefix + QStringLiteral("Voice"));
        row.voice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        row.voice->setMinimumContentsLength(18);
        row.volume = MakeSpin(prefix + QStringLiteral("Volume"), 0, 127, tab);
        // Stored as a signed byte.
        row.octave = MakeSpin(prefix + QStringLiteral("Octave"), -128, 127, tab);
        row.reverb = MakeSpin(prefix + QStringLiteral("Reverb"), 0, 127, tab);
        row.chorus = MakeSpin(prefix + QStringLiteral("Chorus"), 0, 127, tab);
        row.pan = MakeSpin(prefix + QStringLiteral("Pan"), 0, 127, tab);
        const int line = p + 1;
        grid->addWidget(row.part, line, 0);
        grid->addWidget(row.voice, line, 1);
        grid->addWidget(row.volume, line, 2);
        grid->addWidget(row.octave, line, 3);
        grid->addWidget(row.reverb, line, 4);
        grid->addWidget(row.chorus, line, 5);
        grid->addWidget(row.pan, line, 6);

        connect(row.voice, &QComboBox::activated, this, [this, setting, p, box = row.voice](int i) {
            const int key = box->itemData(i).toInt();
            OneTouchPart& part = Part(setting, p);
            part.bankMsb = static_cast<uint8_t>((key >> 16) & 0x7F);
            part.bankLsb = static_cast<uint8_t>((key >> 8) & 0x7F);
            part.program = static_cast<uint8_t>(key & 0x7F);
        });
        const auto onValue = [this, setting, p](QSpinBox* spin, uint8_t OneTouchPart::*field) {
            connect(spin, &QSpinBox::valueChanged, this, [this, setting, p, field](int value) {
                Part(setting, p).*field = static_cast<uint8_t>(value);
            });
        };
        onValue(row.volume, &OneTouchPart::volume);
        onValue(row.octave, &OneTouchPart::octave);
        onValue(row.reverb, &OneTouchPart::reverb);
        onValue(row.chorus, &OneTouchPart::chorus);
        onValue(row.pan, &OneTouchPart::pan);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(kOneTouchPartCount + 1, 1);
    return tab;
}

OneTouchPart& WizardOneTouchStep::Part(int setting, int part) {
    return steps_.Wizard().OneTouch()[static_cast<size_t>(setting)][static_cast<size_t>(part)];
}

void WizardOneTouchStep::ApplyTexts() {
    step_->setText(UiText(language_, kSection, "IDS_STEP"));
    load_->setText(UiText(language_, kSection, "IDS_LOAD"));
    save_->setText(UiText(language_, kSection, "IDS_SAVE"));
    reset_->setText(UiText(language_, kSection, "IDS_RESET"));
    back_->setText(UiText(language_, kSection, "IDS_BACK"));
    finish_->setText(UiText(language_, kSection, "IDS_FINISH"));
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        auto& headers = headers_[static_cast<size_t>(s)];
        for (size_t c = 0; c < headers.size(); ++c) {
            headers[c]->setText(UiText(language_, kSection, kHeaderKeys[c]));
        }
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            const Row& row = rows_[static_cast<size_t>(s)][static_cast<size_t>(p)];
            const QString part = UiText(language_, kSection, kPartKeys[static_cast<size_t>(p)]);
            row.part->setText(part);
            const QString name = QStringLiteral("OTS%1 %2").arg(s + 1).arg(part);
            int column = 0;
            for (QWidget* cell : std::initializer_list<QWidget*>{row.voice, row.volume, row.octave,
                                                                 row.reverb, row.chorus, row.pan}) {
                cell->setAccessibleName(QStringLiteral("%1, %2").arg(
                    name, headers[static_cast<size_t>(column++)]->text()));
            }
        }
    }
}

void WizardOneTouchStep::FillVoices(QComboBox* box) {
    const QSignalBlocker quiet(box);
    box->clear();
    for (const VoiceEntry& voice : catalog_.Voices()) {
        box->addItem(QString::fromStdString(voice.display),
                     VoiceKey(voice.bankMsb, voice.bankLsb, voice.program));
    }
}

void WizardOneTouchStep::Refresh() {
    for (auto& rows : rows_) {
        for (Row& row : rows) {
            FillVoices(row.voice);
        }
    }
    ShowValues();
}

void WizardOneTouchStep::ShowValues() {
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            const Row& row = rows_[static_cast<size_t>(s)][static_cast<size_t>(p)];
            const OneTouchPart& part = Part(s, p);
            {
                // A voice the catalogue does not list is shown by its numbers and kept.
                const QSignalBlocker quiet(row.voice);
                const int key = VoiceKey(part.bankMsb, part.bankLsb, part.program);
                int index = row.voice->findData(key);
                if (index < 0) {
                    row.voice->addItem(QStringLiteral("%1/%2/%3")
                                           .arg(part.bankMsb)
                                           .arg(part.bankLsb)
                                           .arg(part.program),
                                       key);
                    index = row.voice->count() - 1;
                }
                row.voice->setCurrentIndex(index);
            }
            const auto show = [](QSpinBox* spin, int value) {
                const QSignalBlocker quiet(spin);
                spin->setValue(value);
            };
            show(row.volume, part.volume);
            show(row.octave, static_cast<int8_t>(part.octave));
            show(row.reverb, part.reverb);
            show(row.chorus, part.chorus);
            show(row.pan, part.pan);
        }
    }
}

}  // namespace veltrano
