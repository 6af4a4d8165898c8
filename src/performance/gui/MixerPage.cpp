#include "performance/gui/MixerPage.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "performance/MixerRules.h"
#include "performance/PerformanceDocument.h"
#include "ui/UiText.h"

namespace veltrano {

namespace mr = mixer_rules;

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr std::array<const char*, 3> kTabKeys{"IDS_MIXER_MASTER", "IDS_MIXER_STYLE",
                                              "IDS_MIXER_SONG"};
constexpr std::array<const char*, kKeyboardPartCount> kPartKeys{"IDS_MIXER_R1", "IDS_MIXER_R2",
                                                                "IDS_MIXER_R3", "IDS_MIXER_L"};
constexpr std::array<const char*, mr::kStyleTracks> kTrackKeys{
    "IDS_MIXER_PERC",   "IDS_MIXER_DRUM",   "IDS_MIXER_BASS",    "IDS_MIXER_CHORD1",
    "IDS_MIXER_CHORD2", "IDS_MIXER_CHORD3", "IDS_MIXER_PHRASE1", "IDS_MIXER_PHRASE2"};

}  // namespace

MixerPage::MixerPage(const PerformancePageContext& context, QWidget* parent)
    : PerformancePage(context, parent) {
    setObjectName(QStringLiteral("mixerPage"));
    Build();
    ApplyTexts();
}

QWidget* MixerPage::NewTab(int tab) {
    auto* widget = new QWidget(tabs_);
    widget->setObjectName(QLatin1String(kTabKeys[static_cast<size_t>(tab)]));
    tabs_->addTab(widget, QString());
    return widget;
}

void MixerPage::AddStrip(QWidget* tab, QGridLayout* grid, int column, Strip strip, int low,
                         int high) {
    strip.name = new QLabel(tab);
    strip.name->setAlignment(Qt::AlignCenter);
    strip.slider = new QSlider(Qt::Vertical, tab);
    strip.slider->setObjectName(QString::fromStdString("slider " + strip.field));
    // A vertical slider stands higher for a higher value.
    strip.slider->setRange(low, high);
    strip.slider->setPageStep(8);
    strip.slider->setMinimumHeight(120);
    strip.value = new QSpinBox(tab);
    strip.value->setObjectName(QString::fromStdString("value " + strip.field));
    strip.value->setRange(low, high);
    strip.name->setBuddy(strip.slider);
    const size_t index = strips_.size();
    connect(strip.slider, &QSlider::valueChanged, this,
            [this, index](int value) { StoreLevel(strips_[index], value, true); });
    connect(strip.slider, &QSlider::sliderReleased, this,
            [this] { Document().Edits().EndMerge(); });
    // A run of arrow presses on a slider is one step until the slider is left.
    strip.slider->installEventFilter(this);
    connect(strip.value, &QSpinBox::valueChanged, this,
            [this, index](int value) { StoreLevel(strips_[index], value, false); });
    connect(strip.value, &QSpinBox::editingFinished, this,
            [this] { Document().Edits().EndMerge(); });
    grid->addWidget(strip.name, 0, column, Qt::AlignHCenter);
    grid->addWidget(strip.slider, 1, column, Qt::AlignHCenter);
    grid->addWidget(strip.value, 2, column, Qt::AlignHCenter);
    strips_.push_back(std::move(strip));
}

void MixerPage::AddBoxes(QWidget* tab, QGridLayout* grid, int column, const std::string& field,
                         bool songChannel, int index) {
    for (int row = 0; row < 2; ++row) {
        Box box;
        box.box = new QCheckBox(tab);
        box.box->setObjectName(
            QString::fromStdString("box " + field + " " + std::to_string(row + 1)));
        box.strip = strips_.size() - 1;
        box.row = row;
        box.field = field + "/box " + std::to_string(row + 1);
        if (songChannel) {
            box.get = [row, index](const Performance& p) {
                return mr::ChannelBit(p.styleSong, row, index);
            };
            box.set = [row, index](Performance& p, bool on) {
                mr::SetChannelBit(p.styleSong, row, index, on);
            };
        } else {
            box.get = [row, index](const Performance& p) {
                return mr::TrackBit(p.styleSong, row, index);
            };
            box.set = [row, index](Performance& p, bool on) {
                mr::SetTrackBit(p.styleSong, row, index, on);
            };
        }
        const size_t at = boxes_.size();
        connect(box.box, &QCheckBox::toggled, this, [this, at](bool on) {
            if (showing_) {
                return;
            }
            const Box& b = boxes_[at];
            Document().Edit(b.field, [&](Performance& p) { b.set(p, on); });
            Document().Edits().EndMerge();
        });
        grid->addWidget(box.box, 3 + row, column, Qt::AlignHCenter);
        boxes_.push_back(std::move(box));
    }
}

void MixerPage::Build() {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("mixerTabs"));

    QWidget* master = NewTab(kMasterTab);
    auto* masterGrid = new QGridLayout(master);
    int column = 0;
    for (int part = 0; part < kKeyboardPartCount; ++part) {
        const auto i = static_cast<size_t>(part);
        const std::string name = kPartNames[i];
        AddStrip(master, masterGrid, column++,
                 Strip{kPartKeys[i],
                       {},
                       "IDS_MIXER_VOLUME",
                       nullptr,
                       nullptr,
                       nullptr,
                       "Mixer/" + name + "/volume",
                       [i](const Performance& p) { return int{p.keyboard.volumes[i]}; },
                       [i](Performance& p, int v) { p.keyboard.volumes[i] = mr::Level(v); }},
                 0, 127);
    }
    for (int part = 0; part < kKeyboardPartCount; ++part) {
        const auto i = static_cast<size_t>(part);
        const std::string name = kPartNames[i];
        AddStrip(master, masterGrid, column++,
                 Strip{kPartKeys[i],
                       {},
                       "IDS_MIXER_PAN",
                       nullptr,
                       nullptr,
                       nullptr,
                       "Mixer/" + name + "/pan",
                       [i](const Performance& p) { return int{p.keyboard.pans[i]}; },
                       [i](Performance& p, int v) {
                           p.keyboard.pans[i] = static_cast<int8_t>(std::clamp(v, -64, 63));
                       }},
                 -64, 63);
    }
    AddStrip(master, masterGrid, column++,
             Strip{"IDS_MIXER_STYLE",
                   {},
                   "IDS_MIXER_VOLUME",
                   nullptr,
                   nullptr,
                   nullptr,
                   "Mixer/style/volume",
                   [](const Performance& p) { return int{p.styleSong.styleVolume}; },
                   [](Performance& p, int v) { p.styleSong.styleVolume = mr::Level(v); }},
             0, 127);
    AddStrip(master, masterGrid, column++,
             Strip{"IDS_MIXER_SONG",
                   {},
                   "IDS_MIXER_VOLUME",
                   nullptr,
                   nullptr,
                   nullptr,
                   "Mixer/song/volume",
                   [](const Performance& p) { return int{p.styleSong.songVolume}; },
                   [](Performance& p, int v) { p.styleSong.songVolume = mr::Level(v); }},
             0, 127);
    masterGrid->setColumnStretch(column, 1);

    QWidget* style = NewTab(kStyleTab);
    auto* styleGrid = new QGridLayout(style);
    for (int track = 0; track < mr::kStyleTracks; ++track) {
        const auto i = static_cast<size_t>(track);
        const std::string field = "Mixer/track " + std::to_string(track + 1);
        AddStrip(style, styleGrid, track,
                 Strip{kTrackKeys[i],
                       {},
                       "IDS_MIXER_VOLUME",
                       nullptr,
                       nullptr,
                       nullptr,
                       field + "/volume",
                       [i](const Performance& p) { return int{p.styleSong.trackVolumes[i]}; },
                       [i](Performance& p, int v) { p.styleSong.trackVolumes[i] = mr::Level(v); }},
                 0, 127);
        AddBoxes(style, styleGrid, track, field, false, track);
    }
    styleGrid->setColumnStretch(mr::kStyleTracks, 1);

    QWidget* song = NewTab(kSongTab);
    auto* songGrid = new QGridLayout(song);
    for (int channel = 0; channel < mr::kSongChannels; ++channel) {
        const std::string field = "Mixer/channel " + std::to_string(channel + 1);
        AddStrip(song, songGrid, channel,
                 Strip{nullptr, QString::number(channel + 1), "IDS_MIXER_VOLUME", nullptr, nullptr,
                       nullptr, field + "/volume",
                       [channel](const Performance& p) {
                           return mr::SongChannelVolume(p.styleSong, channel);
                       },
                       [channel](Performance& p, int v) {
                           mr::SetSongChannelVolume(p.styleSong, channel, v);
                       }},
                 0, 127);
        AddBoxes(song, songGrid, channel, field, true, channel);
    }
    songGrid->setColumnStretch(mr::kSongChannels, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addStretch(1);
}

void MixerPage::StoreLevel(const Strip& strip, int value, bool bySlider) {
    // Slider and number field move together, whichever was moved.
    {
        const QSignalBlocker sliderBlocker(strip.slider);
        const QSignalBlocker valueBlocker(strip.value);
        strip.slider->setValue(value);
        strip.value->setValue(value);
    }
    if (showing_) {
        return;
    }
    Document().Edit(bySlider ? strip.field + " slider" : strip.field,
                    [&](Performance& p) { strip.set(p, value); });
}

QString MixerPage::StripName(const Strip& strip) const {
    return strip.key != nullptr ? UiText(App().language, kSection, strip.key) : strip.fixedName;
}

void MixerPage::Show() {
    showing_ = true;
    const Performance& p = Document().Current();
    for (const Strip& strip : strips_) {
        const QSignalBlocker sliderBlocker(strip.slider);
        const QSignalBlocker valueBlocker(strip.value);
        strip.slider->setValue(strip.get(p));
        strip.value->setValue(strip.get(p));
    }
    for (const Box& box : boxes_) {
        const QSignalBlocker blocker(box.box);
        box.box->setChecked(box.get(p));
    }
    showing_ = false;
}

void MixerPage::ApplyTexts() {
    const LanguageTable& lang = App().language;
    for (size_t tab = 0; tab < kTabKeys.size(); ++tab) {
        tabs_->setTabText(static_cast<int>(tab), UiText(lang, kSection, kTabKeys[tab]));
    }
    for (const Strip& strip : strips_) {
        const QString name = StripName(strip);
        const QString what = UiText(lang, kSection, strip.what);
        const bool pan = std::string_view(strip.what) == "IDS_MIXER_PAN";
        strip.name->setText(pan ? name + QLatin1Char('\n') + what : name);
        // The song tab's channels are named by their number.
        const QString full = (strip.key == nullptr ? UiText(lang, kSection, "IDS_MIXER_SONG") +
                                                         QLatin1Char(' ') + name
                                                   : name) +
                             QLatin1Char(' ') + what;
        strip.slider->setAccessibleName(full);
        strip.value->setAccessibleName(full);
    }
    for (const Box& box : boxes_) {
        const Strip& strip = strips_[box.strip];
        box.box->setAccessibleName(strip.slider->accessibleName() + QLatin1Char(' ') +
                                   QString::number(box.row + 1));
    }
}

bool MixerPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        Document().Edits().EndMerge();
    }
    return PerformancePage::eventFilter(watched, event);
}

bool MixerPage::ShowsField(std::string_view field) const {
    return field.starts_with("Mixer/");
}

void MixerPage::RevealField(std::string_view field) {
    if (field.starts_with("Mixer/track")) {
        tabs_->setCurrentIndex(kStyleTab);
    } else if (field.starts_with("Mixer/channel")) {
        tabs_->setCurrentIndex(kSongTab);
    } else {
        tabs_->setCurrentIndex(kMasterTab);
    }
    Show();
}

}  // namespace veltrano
