#include "performance/gui/GlobalPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "performance/GlobalRules.h"
#include "performance/PerformanceDocument.h"
#include "ui/UiText.h"

namespace veltrano {

namespace gr = global_rules;

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr std::array<const char*, 3> kTimeKeys{"IDS_GLOBAL_FADEINTIME", "IDS_GLOBAL_FADEOUTTIME",
                                               "IDS_GLOBAL_FADEOUTHOLDTIME"};
constexpr std::array<const char*, 3> kTimeHints{"IDS_GLOBAL_20S", "IDS_GLOBAL_20S",
                                                "IDS_GLOBAL_5S"};
constexpr std::array<const char*, 3> kTimeFields{"Global/fade in", "Global/fade out",
                                                 "Global/fade-out hold"};
constexpr std::array<const char*, 3> kTimeNames{"fadeInTime", "fadeOutTime", "fadeOutHoldTime"};

void SetTime(GlobalSection& global, int which, uint16_t tenths) {
    switch (which) {
        case 0:
            global.fadeInTime = tenths;
            break;
        case 1:
            global.fadeOutTime = tenths;
            break;
        default:
            global.fadeOutHoldTime = static_cast<uint8_t>(std::min<uint16_t>(tenths, 255));
            break;
    }
}

}  // namespace

GlobalPage::GlobalPage(const PerformancePageContext& context, QWidget* parent)
    : PerformancePage(context, parent) {
    setObjectName(QStringLiteral("globalPage"));
    Build();
    ApplyTexts();
}

void GlobalPage::Build() {
    metronomeGroup_ = new QGroupBox(this);
    timeSignLabel_ = new QLabel(metronomeGroup_);
    numerator_ = new QComboBox(metronomeGroup_);
    numerator_->setObjectName(QStringLiteral("numerator"));
    for (int item = 0; item < gr::kNumeratorItems; ++item) {
        numerator_->addItem(QString::number(item + 1));
    }
    denominator_ = new QComboBox(metronomeGroup_);
    denominator_->setObjectName(QStringLiteral("denominator"));
    for (int item = 0; item < gr::kDenominatorItems; ++item) {
        denominator_->addItem(QString::number(gr::DenominatorOfItem(item)));
    }
    timeSignLabel_->setBuddy(numerator_);
    auto edit = [this](const char* field, auto&& change) {
        if (showing_) {
            return;
        }
        Document().Edit(field, change);
        Document().Edits().EndMerge();
    };
    connect(numerator_, &QComboBox::activated, this, [this, edit](int item) {
        edit("Global/numerator",
             [item](Performance& p) { p.global.numeratorItem = static_cast<uint8_t>(item + 1); });
        Show();
    });
    connect(denominator_, &QComboBox::activated, this, [this, edit](int item) {
        edit("Global/denominator",
             [item](Performance& p) { p.global.denominatorItem = static_cast<uint8_t>(item + 1); });
        Show();
    });
    accentLabel_ = new QLabel(metronomeGroup_);
    bell_ = new QCheckBox(metronomeGroup_);
    bell_->setObjectName(QStringLiteral("bellOn"));
    connect(bell_, &QCheckBox::toggled, this, [edit](bool on) {
        edit("Global/bell", [on](Performance& p) { p.global.accentBell = on ? 1 : 0; });
    });
    volumeLabel_ = new QLabel(metronomeGroup_);
    volume_ = new QSpinBox(metronomeGroup_);
    volume_->setObjectName(QStringLiteral("metronomeVolume"));
    volume_->setRange(0, gr::kMaxMetronomeVolume);
    volumeLabel_->setBuddy(volume_);
    connect(volume_, &QSpinBox::valueChanged, this, [this](int value) {
        if (!showing_) {
            Document().Edit("Global/metronome volume", [value](Performance& p) {
                p.global.metronomeVolume = static_cast<uint8_t>(value);
            });
        }
    });
    connect(volume_, &QSpinBox::editingFinished, this, [this] { Document().Edits().EndMerge(); });

    auto* metronome = new QGridLayout(metronomeGroup_);
    metronome->addWidget(timeSignLabel_, 0, 0);
    metronome->addWidget(numerator_, 0, 1);
    metronome->addWidget(new QLabel(QStringLiteral("/"), metronomeGroup_), 0, 2);
    metronome->addWidget(denominator_, 0, 3);
    metronome->addWidget(accentLabel_, 1, 0);
    metronome->addWidget(bell_, 1, 1, 1, 3);
    metronome->addWidget(volumeLabel_, 2, 0);
    metronome->addWidget(volume_, 2, 1, 1, 3);
    metronome->setColumnStretch(4, 1);

    fadeGroup_ = new QGroupBox(this);
    auto* fade = new QGridLayout(fadeGroup_);
    for (int which = 0; which < 3; ++which) {
        TimeEdit& time = times_[static_cast<size_t>(which)];
        time.which = which;
        time.maxTenths = which == 2 ? gr::kMaxHoldTime : gr::kMaxFadeTime;
        time.label = new QLabel(fadeGroup_);
        time.edit = new QLineEdit(fadeGroup_);
        time.edit->setObjectName(QLatin1String(kTimeNames[static_cast<size_t>(which)]));
        time.edit->setMaxLength(6);
        time.label->setBuddy(time.edit);
        time.hint = new QLabel(fadeGroup_);
        connect(time.edit, &QLineEdit::textEdited, this, [this, &time] { TimeEdited(time); });
        connect(time.edit, &QLineEdit::editingFinished, this, [this, &time] {
            StoreTime(time);
            Document().Edits().EndMerge();
            Show();
        });
        fade->addWidget(time.label, which, 0);
        fade->addWidget(time.edit, which, 1);
        fade->addWidget(time.hint, which, 2);
    }
    fade->setColumnStretch(3, 1);

    // The tempo-tap volume is the instrument's own: a performance file has no field for it, so
    // the group shows the control without a value and says where it is set.
    tapGroup_ = new QGroupBox(this);
    tapVolumeLabel_ = new QLabel(tapGroup_);
    tapVolume_ = new QSpinBox(tapGroup_);
    tapVolume_->setObjectName(QStringLiteral("tempoTapVolume"));
    tapVolume_->setRange(0, 0);
    tapVolume_->setSpecialValueText(QStringLiteral("\u2014"));
    tapVolume_->setEnabled(false);
    tapVolumeLabel_->setBuddy(tapVolume_);
    tapNote_ = new QLabel(tapGroup_);
    tapNote_->setWordWrap(true);
    auto* tap = new QGridLayout(tapGroup_);
    tap->addWidget(tapVolumeLabel_, 0, 0);
    tap->addWidget(tapVolume_, 0, 1);
    tap->addWidget(tapNote_, 1, 0, 1, 3);
    tap->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(metronomeGroup_);
    layout->addWidget(fadeGroup_);
    layout->addWidget(tapGroup_);
    layout->addStretch(1);
}

void GlobalPage::TimeEdited(TimeEdit& time) {
    QLineEdit* edit = time.edit;
    const QString before = edit->text();
    if (const auto corrected = gr::CorrectedTimeText(before.toStdString(), time.maxTenths)) {
        const int caret = edit->cursorPosition();
        const QString text = QString::fromStdString(*corrected);
        edit->setText(text);
        // A shorter text keeps the caret where the typing was, one place further left.
        edit->setCursorPosition(text.size() < before.size() ? std::max(0, caret - 1)
                                                            : static_cast<int>(text.size()));
        edit->setModified(true);
    }
    StoreTime(time);
}

void GlobalPage::StoreTime(const TimeEdit& time) {
    if (showing_) {
        return;
    }
    const auto tenths = gr::ParseTime(time.edit->text().toStdString(), time.maxTenths);
    if (!tenths) {
        return;
    }
    Document().Edit(kTimeFields[static_cast<size_t>(time.which)],
                    [&](Performance& p) { SetTime(p.global, time.which, *tenths); });
}

uint16_t GlobalPage::StoredTime(const TimeEdit& time) const {
    const GlobalSection& global = Document().Current().global;
    switch (time.which) {
        case 0:
            return global.fadeInTime;
        case 1:
            return global.fadeOutTime;
        default:
            return global.fadeOutHoldTime;
    }
}

void GlobalPage::Store() {
    for (const TimeEdit& time : times_) {
        if (time.edit->isModified()) {
            StoreTime(time);
            time.edit->setModified(false);
        }
    }
    // A file's volume beyond the range is stored as the page shows it.
    if (Document().Current().global.metronomeVolume > gr::kMaxMetronomeVolume) {
        Document().Edit("Global/metronome volume",
                        [](Performance& p) { p.global.metronomeVolume = gr::kMaxMetronomeVolume; });
    }
    Document().Edits().EndMerge();
}

void GlobalPage::Show() {
    showing_ = true;
    const GlobalSection& global = Document().Current().global;
    {
        const QSignalBlocker blocker(numerator_);
        numerator_->setCurrentIndex(gr::ShownItem(global.numeratorItem, gr::kNumeratorItems));
    }
    {
        const QSignalBlocker blocker(denominator_);
        denominator_->setCurrentIndex(gr::ShownItem(global.denominatorItem, gr::kDenominatorItems));
    }
    {
        const QSignalBlocker blocker(bell_);
        bell_->setChecked(global.accentBell != 0);
    }
    {
        const QSignalBlocker blocker(volume_);
        volume_->setValue(global.metronomeVolume);
    }
    for (TimeEdit& time : times_) {
        // A time being typed stays as typed; it is stored as it changes.
        if (time.edit->hasFocus() && time.edit->isModified()) {
            continue;
        }
        const QSignalBlocker blocker(time.edit);
        time.edit->setText(QString::fromStdString(gr::TimeText(StoredTime(time), time.maxTenths)));
        time.edit->setModified(false);
    }
    showing_ = false;
}

void GlobalPage::ApplyTexts() {
    const LanguageTable& lang = App().language;
    metronomeGroup_->setTitle(UiText(lang, kSection, "IDS_GLOBAL_METRONOME"));
    timeSignLabel_->setText(UiText(lang, kSection, "IDS_GLOBAL_TIMESIGN"));
    numerator_->setAccessibleName(timeSignLabel_->text());
    denominator_->setAccessibleName(timeSignLabel_->text() + QStringLiteral(" /"));
    accentLabel_->setText(UiText(lang, kSection, "IDS_GLOBAL_ACCENT"));
    bell_->setText(UiText(lang, kSection, "IDS_GLOBAL_BELLON"));
    bell_->setAccessibleName(bell_->text());
    volumeLabel_->setText(UiText(lang, kSection, "IDS_GLOBAL_VOLUME"));
    volume_->setAccessibleName(metronomeGroup_->title() + QLatin1Char(' ') + volumeLabel_->text());
    fadeGroup_->setTitle(UiText(lang, kSection, "IDS_GLOBAL_FADEINOUT"));
    for (size_t i = 0; i < times_.size(); ++i) {
        times_[i].label->setText(UiText(lang, kSection, kTimeKeys[i]));
        times_[i].hint->setText(UiText(lang, kSection, kTimeHints[i]));
        times_[i].edit->setAccessibleName(times_[i].label->text());
    }
    tapGroup_->setTitle(UiText(lang, kSection, "IDS_GLOBAL_TEMPOTAP"));
    tapVolumeLabel_->setText(UiText(lang, kSection, "IDS_GLOBAL_VOLUME"));
    tapVolume_->setAccessibleName(tapGroup_->title() + QLatin1Char(' ') + tapVolumeLabel_->text());
    tapNote_->setText(UiText(lang, kSection, "IDS_GLOBAL_TEMPOTAP_NOTE"));
}

bool GlobalPage::ShowsField(std::string_view field) const {
    return field.starts_with("Global/");
}

}  // namespace veltrano
