#include "performance/gui/StyleSongPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "device/PresetCatalog.h"
#include "performance/PerformanceDocument.h"
#include "performance/gui/PerformanceChoosers.h"
#include "ui/UiText.h"

namespace veltrano {

namespace sr = style_song_rules;

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr std::array<const char*, sr::kSwitches> kSwitchKeys{
    "IDS_STYLESONG_SYNCSTART",  "IDS_STYLESONG_SYNCSTOP",   "IDS_STYLESONG_ABC",
    "IDS_STYLESONG_OTSLINK",    "IDS_STYLESONG_AUTOFILLIN", "IDS_STYLESONG_CHORDVELLINK",
    "IDS_STYLESONG_CHORDSOUND", "IDS_STYLESONG_TEMPOLOCK"};
constexpr std::array<const char*, sr::kDetectModes> kDetectKeys{
    "IDS_STYLESONG_FINGER", "IDS_STYLESONG_MULTIFINGER", "IDS_STYLESONG_INVERTCHORD"};
constexpr std::array<const char*, 4> kMainKeys{"IDS_STYLESONG_MAINA", "IDS_STYLESONG_MAINB",
                                               "IDS_STYLESONG_MAINC", "IDS_STYLESONG_MAIND"};

void SetCombo(QComboBox* box, int index) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

void Fill(QComboBox* box, const LanguageTable& lang, std::initializer_list<const char*> keys) {
    const int index = box->currentIndex();
    const QSignalBlocker blocker(box);
    box->clear();
    for (const char* key : keys) {
        box->addItem(UiText(lang, kSection, key));
    }
    box->setCurrentIndex(index);
}

}  // namespace

StyleSongPage::StyleSongPage(const PerformancePageContext& context, QWidget* parent)
    : PerformancePage(context, parent) {
    setObjectName(QStringLiteral("styleSongPage"));
    Build();
    ApplyTexts();
}

template <typename EditFn>
void StyleSongPage::Change(const char* field, EditFn&& edit, bool discrete) {
    if (showing_) {
        return;
    }
    Document().Edit(field, std::forward<EditFn>(edit));
    if (discrete) {
        Document().Edits().EndMerge();
    }
    Show();
}

QSpinBox* StyleSongPage::NewSpin(QWidget* parent, const char* name, int low, int high,
                                 const char* field, void (*store)(Performance&, int)) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(low, high);
    connect(spin, &QSpinBox::valueChanged, this, [this, field, store](int value) {
        Change(
            field, [&](Performance& p) { store(p, value); }, false);
    });
    connect(spin, &QSpinBox::editingFinished, this, [this] { Document().Edits().EndMerge(); });
    return spin;
}

void StyleSongPage::Build() {
    tempoLabel_ = new QLabel(this);
    tempo_ = NewSpin(this, "tempo", sr::kMinTempo, sr::kMaxTempo, "StyleSong/tempo",
                     [](Performance& p, int v) { p.styleSong.tempo = sr::ClampTempo(v); });
    tempoLabel_->setBuddy(tempo_);
    selectionLabel_ = new QLabel(this);
    selection_ = new QComboBox(this);
    selection_->setObjectName(QStringLiteral("currentSelection"));
    selectionLabel_->setBuddy(selection_);
    connect(selection_, &QComboBox::activated, this, [this](int item) {
        Change(
            "StyleSong/selection",
            [&](Performance& p) { p.styleSong.selection = static_cast<uint8_t>(item); }, true);
    });
    auto* top = new QHBoxLayout;
    top->addWidget(tempoLabel_);
    top->addWidget(tempo_);
    top->addSpacing(16);
    top->addWidget(selectionLabel_);
    top->addWidget(selection_);
    top->addStretch(1);

    styleGroup_ = new QGroupBox(this);
    auto* style = new QGridLayout(styleGroup_);
    styleRef_ = new QLabel(styleGroup_);
    styleRef_->setObjectName(QStringLiteral("styleRef"));
    styleRef_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chooseStyle_ = new QPushButton(styleGroup_);
    chooseStyle_->setObjectName(QStringLiteral("chooseStyle"));
    connect(chooseStyle_, &QPushButton::clicked, this, [this] { Choose(PresetKind::Style); });
    style->addWidget(chooseStyle_, 0, 0);
    style->addWidget(styleRef_, 0, 1, 1, 3);
    for (int bit = 0; bit < sr::kSwitches; ++bit) {
        const auto i = static_cast<size_t>(bit);
        switchLabels_[i] = new QLabel(styleGroup_);
        switches_[i] = new QComboBox(styleGroup_);
        switches_[i]->setObjectName(QStringLiteral("styleSwitch%1").arg(bit));
        switchLabels_[i]->setBuddy(switches_[i]);
        connect(switches_[i], &QComboBox::activated, this, [this, bit](int item) {
            Change(
                "StyleSong/switches",
                [&](Performance& p) { sr::SetSwitchItem(p.styleSong, bit, item); }, true);
        });
        style->addWidget(switchLabels_[i], 1 + bit / 2, (bit % 2) * 2);
        style->addWidget(switches_[i], 1 + bit / 2, (bit % 2) * 2 + 1);
    }
    mainLabel_ = new QLabel(styleGroup_);
    main_ = new QComboBox(styleGroup_);
    main_->setObjectName(QStringLiteral("mainSection"));
    mainLabel_->setBuddy(main_);
    connect(main_, &QComboBox::activated, this, [this](int item) {
        Change(
            "StyleSong/main section",
            [&](Performance& p) { p.styleSong.mainSection = static_cast<uint8_t>(item); }, true);
    });
    style->addWidget(mainLabel_, 5, 0);
    style->addWidget(main_, 5, 1);
    fullRange_ = new QCheckBox(styleGroup_);
    fullRange_->setObjectName(QStringLiteral("fullRange"));
    connect(fullRange_, &QCheckBox::clicked, this, [this](bool on) {
        Change(
            "StyleSong/full range", [&](Performance& p) { p.styleSong.fullRange = on ? 1 : 0; },
            true);
    });
    style->addWidget(fullRange_, 5, 2, 1, 2);
    detectLabel_ = new QLabel(styleGroup_);
    detect_ = new QComboBox(styleGroup_);
    detect_->setObjectName(QStringLiteral("detectMode"));
    detectLabel_->setBuddy(detect_);
    auto setDetect = [this](int item) {
        Change(
            "StyleSong/detect mode",
            [&](Performance& p) { p.styleSong.detectMode = static_cast<uint8_t>(item); }, true);
    };
    connect(detect_, &QComboBox::activated, this, setDetect);
    style->addWidget(detectLabel_, 6, 0);
    style->addWidget(detect_, 6, 1);
    auto* buttons = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    for (int mode = 0; mode < sr::kDetectModes; ++mode) {
        auto* button = new QPushButton(styleGroup_);
        button->setObjectName(QStringLiteral("detectButton%1").arg(mode));
        button->setCheckable(true);
        group->addButton(button, mode);
        connect(button, &QPushButton::clicked, this, [setDetect, mode] { setDetect(mode); });
        detectButtons_[static_cast<size_t>(mode)] = button;
        buttons->addWidget(button);
    }
    style->addLayout(buttons, 7, 0, 1, 4);
    styleVolumeLabel_ = new QLabel(styleGroup_);
    styleVolume_ =
        NewSpin(styleGroup_, "styleVolume", 0, 127, "StyleSong/style volume",
                [](Performance& p, int v) { p.styleSong.styleVolume = static_cast<uint8_t>(v); });
    styleVolumeLabel_->setBuddy(styleVolume_);
    style->addWidget(styleVolumeLabel_, 8, 0);
    style->addWidget(styleVolume_, 8, 1);

    songGroup_ = new QGroupBox(this);
    auto* song = new QGridLayout(songGroup_);
    songRef_ = new QLabel(songGroup_);
    songRef_->setObjectName(QStringLiteral("songRef"));
    songRef_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chooseSong_ = new QPushButton(songGroup_);
    chooseSong_->setObjectName(QStringLiteral("chooseSong"));
    connect(chooseSong_, &QPushButton::clicked, this, [this] { Choose(PresetKind::Song); });
    song->addWidget(chooseSong_, 0, 0);
    song->addWidget(songRef_, 0, 1);
    playModeLabel_ = new QLabel(songGroup_);
    playMode_ = new QComboBox(songGroup_);
    playMode_->setObjectName(QStringLiteral("playMode"));
    playModeLabel_->setBuddy(playMode_);
    connect(playMode_, &QComboBox::activated, this, [this](int item) {
        Change(
            "StyleSong/song settings",
            [&](Performance& p) {
                sr::SetSongSettings(p.styleSong, item, sr::LoopOn(p.styleSong));
            },
            true);
    });
    song->addWidget(playModeLabel_, 1, 0);
    song->addWidget(playMode_, 1, 1);
    loop_ = new QCheckBox(songGroup_);
    loop_->setObjectName(QStringLiteral("loopOn"));
    connect(loop_, &QCheckBox::clicked, this, [this](bool on) {
        Change(
            "StyleSong/song settings",
            [&](Performance& p) {
                sr::SetSongSettings(p.styleSong, sr::PlayModeItem(p.styleSong), on);
            },
            true);
    });
    song->addWidget(loop_, 2, 0, 1, 2);
    songVolumeLabel_ = new QLabel(songGroup_);
    songVolume_ =
        NewSpin(songGroup_, "songVolume", 0, 127, "StyleSong/song volume",
                [](Performance& p, int v) { p.styleSong.songVolume = static_cast<uint8_t>(v); });
    songVolumeLabel_->setBuddy(songVolume_);
    song->addWidget(songVolumeLabel_, 3, 0);
    song->addWidget(songVolume_, 3, 1);
    song->setRowStretch(4, 1);

    auto* groups = new QHBoxLayout;
    groups->addWidget(styleGroup_, 3);
    groups->addWidget(songGroup_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(groups);
    layout->addStretch(1);
}

void StyleSongPage::Choose(PresetKind kind) {
    const bool style = kind == PresetKind::Style;
    const StyleSongSection& s = Document().Current().styleSong;
    const ChooserContext context{App(), Services().devices, Messages()};
    const auto chosen = ChooseStyleOrSong(this, context, kind, style ? s.style : s.song);
    if (!chosen) {
        return;
    }
    Change(
        style ? "StyleSong/style" : "StyleSong/song",
        [&](Performance& p) { (style ? p.styleSong.style : p.styleSong.song) = *chosen; }, true);
}

void StyleSongPage::Store() {
    // A tempo from a file outside the range becomes the clamped one the page shows.
    const uint16_t tempo = Document().Current().styleSong.tempo;
    if (tempo != sr::ClampTempo(tempo)) {
        Document().Edit("StyleSong/tempo", [](Performance& p) {
            p.styleSong.tempo = sr::ClampTempo(p.styleSong.tempo);
        });
    }
    Document().Edits().EndMerge();
}

void StyleSongPage::Show() {
    showing_ = true;
    const StyleSongSection& s = Document().Current().styleSong;
    {
        const QSignalBlocker blocker(tempo_);
        tempo_->setValue(sr::ClampTempo(s.tempo));
    }
    SetCombo(selection_, std::min<int>(s.selection, 1));
    styleRef_->setText(QString::fromStdString(sr::RefText(s.style, App().catalog.StyleGroups())));
    for (int bit = 0; bit < sr::kSwitches; ++bit) {
        SetCombo(switches_[static_cast<size_t>(bit)], sr::SwitchItem(s, bit));
    }
    SetCombo(main_, std::min<int>(s.mainSection, 3));
    const bool fullRange = sr::FullRangeShown(s);
    {
        const QSignalBlocker blocker(fullRange_);
        fullRange_->setChecked(fullRange);
    }
    SetCombo(detect_, sr::DetectItem(s));
    for (int mode = 0; mode < sr::kDetectModes; ++mode) {
        QPushButton* button = detectButtons_[static_cast<size_t>(mode)];
        const QSignalBlocker blocker(button);
        button->setChecked(mode == sr::DetectItem(s));
        button->setVisible(!fullRange);
    }
    {
        const QSignalBlocker blocker(styleVolume_);
        styleVolume_->setValue(s.styleVolume & 0x7F);
    }
    songRef_->setText(QString::fromStdString(sr::RefText(s.song, App().catalog.SongGroups())));
    SetCombo(playMode_, sr::PlayModeItem(s));
    {
        const QSignalBlocker blocker(loop_);
        loop_->setChecked(sr::LoopOn(s));
    }
    {
        const QSignalBlocker blocker(songVolume_);
        songVolume_->setValue(s.songVolume & 0x7F);
    }
    showing_ = false;
}

void StyleSongPage::ApplyTexts() {
    const LanguageTable& lang = App().language;
    auto text = [&](const char* key) { return UiText(lang, kSection, key); };
    tempoLabel_->setText(text("IDS_STYLESONG_TEMPO"));
    tempo_->setAccessibleName(tempoLabel_->text());
    selectionLabel_->setText(text("IDS_STYLESONG_CURRENTSEL"));
    selection_->setAccessibleName(selectionLabel_->text());
    Fill(selection_, lang, {"IDS_STYLESONG_STYLE", "IDS_STYLESONG_SONG"});
    styleGroup_->setTitle(text("IDS_STYLESONG_STYLE"));
    styleRef_->setAccessibleName(styleGroup_->title());
    chooseStyle_->setText(text("IDS_STYLESONG_PATTERN"));
    chooseStyle_->setAccessibleName(styleGroup_->title() + QLatin1Char(' ') + chooseStyle_->text());
    for (size_t i = 0; i < switches_.size(); ++i) {
        switchLabels_[i]->setText(text(kSwitchKeys[i]));
        switches_[i]->setAccessibleName(switchLabels_[i]->text());
        Fill(switches_[i], lang, {"IDS_STYLESONG_ON", "IDS_STYLESONG_OFF"});
    }
    mainLabel_->setText(text("IDS_STYLESONG_MAIN"));
    main_->setAccessibleName(mainLabel_->text());
    Fill(main_, lang, {kMainKeys[0], kMainKeys[1], kMainKeys[2], kMainKeys[3]});
    fullRange_->setText(text("IDS_STYLESONG_FULLRANGE"));
    fullRange_->setAccessibleName(fullRange_->text());
    detectLabel_->setText(text("IDS_STYLESONG_DETECTMODE"));
    detect_->setAccessibleName(detectLabel_->text());
    Fill(detect_, lang, {kDetectKeys[0], kDetectKeys[1], kDetectKeys[2]});
    for (size_t i = 0; i < detectButtons_.size(); ++i) {
        detectButtons_[i]->setText(text(kDetectKeys[i]));
        detectButtons_[i]->setAccessibleName(detectButtons_[i]->text());
    }
    styleVolumeLabel_->setText(text("IDS_STYLESONG_VOLUME"));
    styleVolume_->setAccessibleName(styleGroup_->title() + QLatin1Char(' ') +
                                    styleVolumeLabel_->text());
    songGroup_->setTitle(text("IDS_STYLESONG_SONG"));
    songRef_->setAccessibleName(songGroup_->title());
    chooseSong_->setText(text("IDS_STYLESONG_PATTERN"));
    chooseSong_->setAccessibleName(songGroup_->title() + QLatin1Char(' ') + chooseSong_->text());
    playModeLabel_->setText(text("IDS_STYLESONG_PLAYMODE"));
    playMode_->setAccessibleName(playModeLabel_->text());
    Fill(playMode_, lang, {"IDS_STYLESONG_SINGLE", "IDS_STYLESONG_FOLDERGROUP"});
    loop_->setText(text("IDS_STYLESONG_LOOPON"));
    loop_->setAccessibleName(loop_->text());
    songVolumeLabel_->setText(text("IDS_STYLESONG_VOLUME"));
    songVolume_->setAccessibleName(songGroup_->title() + QLatin1Char(' ') +
                                   songVolumeLabel_->text());
}

bool StyleSongPage::ShowsField(std::string_view field) const {
    return field.starts_with("StyleSong/");
}

}  // namespace veltrano
