#include "performance/gui/EffectPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "performance/KeyboardRules.h"
#include "performance/PerformanceDocument.h"
#include "performance/gui/PerformanceChoosers.h"
#include "ui/UiText.h"

namespace veltrano {

namespace er = effect_rules;

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr std::array<const char*, EffectPage::kSubPages> kSwitchKeys{
    "IDS_EFFECT_ARPEGGIATOR", "IDS_EFFECT_HARMONY",      "IDS_EFFECT_CHOPPER",
    "IDS_EFFECT_INSEFFECT",   "IDS_EFFECT_GLOBALEFFECT", "IDS_EFFECT_GLOBALEQU"};
// The names of the sub-pages in the steps of the undo history.
constexpr std::array<const char*, EffectPage::kSubPages> kSubPageFields{
    "Arpeggiator", "Harmony", "Chopper", "Insertion", "Global", "Equaliser"};
constexpr std::array<const char*, kKeyboardPartCount> kPartKeys{"IDS_EFFECT_R1", "IDS_EFFECT_R2",
                                                                "IDS_EFFECT_R3", "IDS_EFFECT_L"};
constexpr std::array<const char*, er::kArpChecks> kArpCheckKeys{
    "IDS_EFFECT_SORT", "IDS_EFFECT_LATCH", "IDS_EFFECT_KEYSYNC", "IDS_EFFECT_KEYSOUND",
    "IDS_EFFECT_FIXNOTE"};
constexpr std::array<const char*, 9> kArpLabelKeys{
    "IDS_EFFECT_RESOLUTION", "IDS_EFFECT_REPLACE",  "IDS_EFFECT_OCTTYPE",
    "IDS_EFFECT_OCTRANGE",   "IDS_EFFECT_VELOCITY", "IDS_EFFECT_VELMIN",
    "IDS_EFFECT_VELMAX",     "IDS_EFFECT_TRIGGER",  "IDS_EFFECT_FIXEDNOTES"};
// Resolution items: "1/4", a quarter triplet, "1/8", an eighth triplet, "1/16", a sixteenth
// triplet; the plain ones are the same in every language.
constexpr std::array<const char*, er::kResolutionItems> kResolutionKeys{
    nullptr, "IDS_EFFECT_4T", nullptr, "IDS_EFFECT_8T", nullptr, "IDS_EFFECT_16T"};
constexpr std::array<const char*, er::kResolutionItems> kResolutionTexts{"1/4", "",     "1/8",
                                                                         "",    "1/16", ""};
constexpr std::array<const char*, er::kReplaceItems> kReplaceKeys{
    "IDS_EFFECT_ASPLAYED", "IDS_EFFECT_PLAYEDFILL", "IDS_EFFECT_RUNNINGUP", "IDS_EFFECT_UPDOWN",
    "IDS_EFFECT_RANDOM"};
constexpr std::array<const char*, er::kOctaveTypeItems> kOctaveTypeKeys{
    "IDS_EFFECT_UP", "IDS_EFFECT_DOWN", "IDS_EFFECT_BOTH", "IDS_EFFECT_PARALLED"};
constexpr std::array<const char*, 3> kVelocityKeys{"IDS_EFFECT_KEY", "IDS_EFFECT_VALUE",
                                                   "IDS_EFFECT_STEP"};
constexpr std::array<const char*, 2> kTriggerKeys{"IDS_EFFECT_TRIGGERNOTE",
                                                  "IDS_EFFECT_TRIGGERALL"};
// Type 3 ("1+5") has no text key and keeps its caption.
constexpr std::array<const char*, er::kHarmonyTypes> kHarmonyKeys{
    "IDS_EFFECT_DUET",        "IDS_EFFECT_TRIO",  "IDS_EFFECT_OCTAVE",  nullptr,
    "IDS_EFFECT_COUNTRYDUET", "IDS_EFFECT_BLOCK", "IDS_EFFECT_4CLOSE1", "IDS_EFFECT_4CLOSE2",
    "IDS_EFFECT_4OPEN"};
constexpr const char* kHarmonyOnePlusFive = "1+5";
constexpr const char* kRealTime = "Real-time";
constexpr const char* kUsePattern = "Use Pattern";
constexpr std::array<const char*, er::kBands> kBandKeys{"IDS_EFFECT_LOW", "IDS_EFFECT_LOWMID",
                                                        "IDS_EFFECT_HIGHMID", "IDS_EFFECT_HIGH"};

void SetSpin(QSpinBox* spin, int value) {
    const QSignalBlocker blocker(spin);
    spin->setValue(value);
}

void SetSlider(QSlider* slider, int value) {
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

void SetCombo(QComboBox* box, int index) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

void Refill(QComboBox* box, const QStringList& items) {
    const QSignalBlocker blocker(box);
    const int index = box->currentIndex();
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(index);
}

}  // namespace

EffectPage::EffectPage(const PerformancePageContext& context, QWidget* parent)
    : PerformancePage(context, parent) {
    setObjectName(QStringLiteral("effectPage"));
    Build();
    ApplyTexts();
}

const PartEffect& EffectPage::Part() const {
    return Document().Current().effect.parts[static_cast<size_t>(part_)];
}

int EffectPage::ShownSubPage() const {
    return pages_->currentIndex();
}

QSpinBox* EffectPage::NewSpin(QWidget* parent, int low, int high, const char* objectName) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(low, high);
    spin->setObjectName(QString::fromLatin1(objectName));
    connect(spin, &QSpinBox::editingFinished, this, &EffectPage::EndRun);
    return spin;
}

void EffectPage::EndRun() {
    Document().Edits().EndMerge();
}

template <typename EditFn>
void EffectPage::ChangePart(const char* subPage, const char* what, EditFn&& edit, bool discrete) {
    if (showing_) {
        return;
    }
    const int part = part_;
    const std::string field =
        std::string("Effect/") + subPage + "/" + kPartNames[static_cast<size_t>(part)] + "/" + what;
    Document().Edit(field,
                    [&](Performance& p) { edit(p.effect.parts[static_cast<size_t>(part)]); });
    if (discrete) {
        EndRun();
    }
    Show();
}

template <typename EditFn>
void EffectPage::ChangeSection(const char* subPage, const char* what, EditFn&& edit,
                               bool discrete) {
    if (showing_) {
        return;
    }
    const std::string field = std::string("Effect/") + subPage + "/-/" + what;
    Document().Edit(field, std::forward<EditFn>(edit));
    if (discrete) {
        EndRun();
    }
    Show();
}

void EffectPage::Build() {
    extraSwitch_ = new QToolButton(this);
    extraSwitch_->setObjectName(QStringLiteral("extraSwitch"));
    extraSwitch_->setCheckable(true);
    extraSwitch_->setFixedSize(18, 18);
    connect(extraSwitch_, &QToolButton::toggled, this, [this](bool on) {
        ChangePart(
            "Switches", "further switch", [&](PartEffect& fx) { er::SetExtraSwitch(fx, on); },
            true);
    });
    partLabel_ = new QLabel(this);
    partBox_ = new QComboBox(this);
    partBox_->setObjectName(QStringLiteral("effectPart"));
    partLabel_->setBuddy(partBox_);
    connect(partBox_, &QComboBox::activated, this, [this](int part) {
        part_ = std::clamp(part, 0, kKeyboardPartCount - 1);
        Show();
    });
    auto* top = new QHBoxLayout;
    top->addWidget(extraSwitch_);
    top->addWidget(partLabel_);
    top->addWidget(partBox_);
    static constexpr std::array<const char*, kSubPages> kSwitchNames{
        "switchArpeggiator", "switchHarmony",      "switchChopper",
        "switchInsertion",   "switchGlobalEffect", "switchEqualiser"};
    for (int i = 0; i < kSubPages; ++i) {
        auto* button = new QPushButton(this);
        button->setCheckable(true);
        button->setObjectName(QString::fromLatin1(kSwitchNames[static_cast<size_t>(i)]));
        connect(button, &QPushButton::clicked, this, [this, i](bool on) { SwitchClicked(i, on); });
        switches_[static_cast<size_t>(i)] = button;
        top->addWidget(button);
    }
    top->addStretch(1);

    pages_ = new QStackedWidget(this);
    pages_->addWidget(BuildArpeggiator());
    pages_->addWidget(BuildHarmony());
    pages_->addWidget(BuildChopper());
    pages_->addWidget(BuildInsertion());
    pages_->addWidget(BuildGlobalEffect());
    pages_->addWidget(BuildEqualiser());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(pages_, 1);
}

QWidget* EffectPage::BuildArpeggiator() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("arpeggiatorPage"));
    auto* checks = new QHBoxLayout;
    static constexpr std::array<const char*, er::kArpChecks> kNames{
        "arpSort", "arpLatch", "arpKeySync", "arpKeySound", "arpFixedNoteOn"};
    for (int bit = 0; bit < er::kArpChecks; ++bit) {
        auto* check = new QCheckBox(page);
        check->setObjectName(QString::fromLatin1(kNames[static_cast<size_t>(bit)]));
        connect(check, &QCheckBox::toggled, this, [this, bit](bool on) {
            ChangePart(
                "Arpeggiator", kArpCheckKeys[static_cast<size_t>(bit)],
                [&](PartEffect& fx) { er::SetArpCheck(fx, bit, on); }, true);
        });
        arpChecks_[static_cast<size_t>(bit)] = check;
        checks->addWidget(check);
    }
    checks->addStretch(1);
    for (QLabel*& label : arpLabels_) {
        label = new QLabel(page);
    }
    auto newCombo = [this, page](const char* name, int byte) {
        auto* box = new QComboBox(page);
        box->setObjectName(QString::fromLatin1(name));
        connect(box, &QComboBox::activated, this, [this, byte, name](int item) {
            ChangePart(
                "Arpeggiator", name,
                [&](PartEffect& fx) {
                    fx.arpParams[static_cast<size_t>(byte)] = static_cast<uint8_t>(item);
                },
                true);
        });
        return box;
    };
    resolution_ = newCombo("arpResolution", 1);
    replace_ = newCombo("arpReplace", 2);
    octaveType_ = newCombo("arpOctaveType", 3);
    trigger_ = newCombo("arpTrigger", 8);
    octaveRange_ = new QComboBox(page);
    octaveRange_->setObjectName(QStringLiteral("arpOctaveRange"));
    for (int i = 1; i <= er::kOctaveRangeItems; ++i) {
        octaveRange_->addItem(QString::number(i));
    }
    connect(octaveRange_, &QComboBox::activated, this, [this](int item) {
        ChangePart(
            "Arpeggiator", "octave range",
            [&](PartEffect& fx) { er::SetOctaveRangeItem(fx, item); }, true);
    });
    velocity_ = new QComboBox(page);
    velocity_->setObjectName(QStringLiteral("arpVelocity"));
    velocityValue_ = NewSpin(page, 1, 127, "arpVelocityValue");
    connect(velocity_, &QComboBox::activated, this, [this](int item) {
        const int value = velocityValue_->value();
        ChangePart(
            "Arpeggiator", "velocity",
            [&](PartEffect& fx) { er::SetVelocity(fx, static_cast<er::Velocity>(item), value); },
            true);
    });
    connect(velocityValue_, &QSpinBox::valueChanged, this, [this](int value) {
        ChangePart(
            "Arpeggiator", "velocity value",
            [&](PartEffect& fx) { er::SetVelocity(fx, er::Velocity::Value, value); }, false);
    });
    velocityMin_ = NewSpin(page, 0, 127, "arpVelocityMin");
    connect(velocityMin_, &QSpinBox::valueChanged, this, [this](int v) {
        ChangePart(
            "Arpeggiator", "velocity minimum",
            [&](PartEffect& fx) { fx.arpParams[6] = static_cast<uint8_t>(v); }, false);
    });
    velocityMax_ = NewSpin(page, 0, 127, "arpVelocityMax");
    connect(velocityMax_, &QSpinBox::valueChanged, this, [this](int v) {
        ChangePart(
            "Arpeggiator", "velocity maximum",
            [&](PartEffect& fx) { fx.arpParams[7] = static_cast<uint8_t>(v); }, false);
    });
    fixedNoteIndex_ = new QComboBox(page);
    fixedNoteIndex_->setObjectName(QStringLiteral("arpFixedNoteIndex"));
    for (int i = 1; i <= 12; ++i) {
        fixedNoteIndex_->addItem(QString::number(i));
    }
    connect(fixedNoteIndex_, &QComboBox::activated, this, [this] { ShowArpeggiator(); });
    fixedNote_ = NewSpin(page, 0, 127, "arpFixedNote");
    connect(fixedNote_, &QSpinBox::valueChanged, this, [this](int note) {
        const auto index = static_cast<size_t>(std::max(0, fixedNoteIndex_->currentIndex()));
        ChangePart(
            "Arpeggiator", "fixed note",
            [&](PartEffect& fx) { fx.fixedNotes[index] = static_cast<uint8_t>(note); }, false);
    });
    fixedNoteName_ = new QLabel(page);
    fixedNoteName_->setObjectName(QStringLiteral("arpFixedNoteName"));
    fixedNoteName_->setMinimumWidth(40);
    arpPatternButton_ = new QPushButton(page);
    arpPatternButton_->setObjectName(QStringLiteral("arpPatternButton"));
    connect(arpPatternButton_, &QPushButton::clicked, this, [this] { ChoosePattern(true); });
    arpPattern_ = new QLabel(page);
    arpPattern_->setObjectName(QStringLiteral("arpPattern"));

    auto* grid = new QGridLayout;
    const std::array<QWidget*, 8> fields{resolution_, replace_,     octaveType_,  octaveRange_,
                                         velocity_,   velocityMin_, velocityMax_, trigger_};
    for (size_t i = 0; i < fields.size(); ++i) {
        arpLabels_[i]->setBuddy(fields[i]);
        const int row = static_cast<int>(i % 4);
        const int column = static_cast<int>(i / 4) * 3;
        grid->addWidget(arpLabels_[i], row, column);
        grid->addWidget(fields[i], row, column + 1);
    }
    grid->addWidget(velocityValue_, 0, 2);
    auto* notes = new QHBoxLayout;
    arpLabels_[8]->setBuddy(fixedNoteIndex_);
    notes->addWidget(arpLabels_[8]);
    notes->addWidget(fixedNoteIndex_);
    notes->addWidget(fixedNote_);
    notes->addWidget(fixedNoteName_);
    notes->addSpacing(24);
    notes->addWidget(arpPatternButton_);
    notes->addWidget(arpPattern_, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(checks);
    layout->addLayout(grid);
    layout->addLayout(notes);
    layout->addStretch(1);
    return page;
}

QWidget* EffectPage::BuildHarmony() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("harmonyPage"));
    harmonyTypes_ = new QButtonGroup(page);
    harmonyTypes_->setExclusive(true);
    auto* types = new QGridLayout;
    for (int type = 0; type < er::kHarmonyTypes; ++type) {
        auto* button = new QPushButton(page);
        button->setCheckable(true);
        button->setObjectName(QStringLiteral("harmonyType%1").arg(type));
        harmonyTypes_->addButton(button, type);
        harmonyButtons_[static_cast<size_t>(type)] = button;
        types->addWidget(button, type / 5, type % 5);
    }
    connect(harmonyTypes_, &QButtonGroup::idClicked, this, [this](int type) {
        ChangePart(
            "Harmony", "type", [&](PartEffect& fx) { fx.harmonyType = static_cast<uint8_t>(type); },
            true);
    });
    ratioLabel_ = new QLabel(page);
    ratio_ = new QComboBox(page);
    ratio_->setObjectName(QStringLiteral("harmonyRatio"));
    ratioLabel_->setBuddy(ratio_);
    for (const int ratio : er::kHarmonyRatios) {
        ratio_->addItem(QString::number(ratio));
    }
    connect(ratio_, &QComboBox::activated, this, [this](int item) {
        if (item < 0 || item >= static_cast<int>(er::kHarmonyRatios.size())) {
            return;
        }
        ChangePart(
            "Harmony", "ratio",
            [&](PartEffect& fx) {
                fx.harmonyRatio =
                    static_cast<uint8_t>(er::kHarmonyRatios[static_cast<size_t>(item)]);
            },
            true);
    });
    touchLimitLabel_ = new QLabel(page);
    touchLimit_ = new QSlider(Qt::Horizontal, page);
    touchLimit_->setObjectName(QStringLiteral("harmonyTouchLimit"));
    touchLimit_->setRange(0, 127);
    touchLimitValue_ = NewSpin(page, 0, 127, "harmonyTouchLimitValue");
    touchLimitLabel_->setBuddy(touchLimitValue_);
    auto setLimit = [this](int v) {
        ChangePart(
            "Harmony", "touch limit",
            [&](PartEffect& fx) { fx.harmonyTouchLimit = static_cast<uint8_t>(v); }, false);
    };
    connect(touchLimit_, &QSlider::valueChanged, this, setLimit);
    connect(touchLimit_, &QSlider::sliderReleased, this, &EffectPage::EndRun);
    connect(touchLimitValue_, &QSpinBox::valueChanged, this, setLimit);

    auto* form = new QFormLayout;
    form->addRow(ratioLabel_, ratio_);
    auto* limit = new QHBoxLayout;
    limit->addWidget(touchLimit_, 1);
    limit->addWidget(touchLimitValue_);
    form->addRow(touchLimitLabel_, limit);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(types);
    layout->addLayout(form);
    layout->addStretch(1);
    return page;
}

QWidget* EffectPage::BuildChopper() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("chopperPage"));
    chopModeLabel_ = new QLabel(page);
    chopMode_ = new QComboBox(page);
    chopMode_->setObjectName(QStringLiteral("chopperMode"));
    chopModeLabel_->setBuddy(chopMode_);
    chopMode_->addItems({QString::fromLatin1(kRealTime), QString::fromLatin1(kUsePattern)});
    auto setMode = [this](int mode) {
        ChangePart(
            "Chopper", "mode", [&](PartEffect& fx) { fx.chopperMode = static_cast<uint8_t>(mode); },
            true);
    };
    connect(chopMode_, &QComboBox::activated, this, setMode);
    realTime_ = new QPushButton(QString::fromLatin1(kRealTime), page);
    realTime_->setObjectName(QStringLiteral("chopperRealTime"));
    realTime_->setCheckable(true);
    connect(realTime_, &QPushButton::clicked, this, [setMode] { setMode(0); });
    usePattern_ = new QPushButton(QString::fromLatin1(kUsePattern), page);
    usePattern_->setObjectName(QStringLiteral("chopperUsePattern"));
    usePattern_->setCheckable(true);
    connect(usePattern_, &QPushButton::clicked, this, [setMode] { setMode(1); });
    speedLabel_ = new QLabel(page);
    speed_ = new QComboBox(page);
    speed_->setObjectName(QStringLiteral("chopperSpeed"));
    speedLabel_->setBuddy(speed_);
    for (const char* text : er::kChopperSpeeds) {
        speed_->addItem(QString::fromLatin1(text));
    }
    connect(speed_, &QComboBox::activated, this, [this](int item) {
        ChangePart(
            "Chopper", "speed",
            [&](PartEffect& fx) { fx.chopperSpeed = static_cast<uint8_t>(item); }, true);
    });
    pullUpLabel_ = new QLabel(page);
    pullUp_ = new QSlider(Qt::Horizontal, page);
    pullUp_->setObjectName(QStringLiteral("chopperPullUp"));
    pullUp_->setRange(0, er::kMaxPullUp);
    pullUpValue_ = NewSpin(page, 0, er::kMaxPullUp, "chopperPullUpValue");
    pullUpLabel_->setBuddy(pullUpValue_);
    auto setPullUp = [this](int v) {
        ChangePart(
            "Chopper", "pull-up",
            [&](PartEffect& fx) { fx.chopperPullUp = static_cast<uint8_t>(v); }, false);
    };
    connect(pullUp_, &QSlider::valueChanged, this, setPullUp);
    connect(pullUp_, &QSlider::sliderReleased, this, &EffectPage::EndRun);
    connect(pullUpValue_, &QSpinBox::valueChanged, this, setPullUp);
    chopPatternButton_ = new QPushButton(page);
    chopPatternButton_->setObjectName(QStringLiteral("chopperPatternButton"));
    connect(chopPatternButton_, &QPushButton::clicked, this, [this] { ChoosePattern(false); });
    chopPattern_ = new QLabel(page);
    chopPattern_->setObjectName(QStringLiteral("chopperPattern"));

    auto* modes = new QHBoxLayout;
    modes->addWidget(chopModeLabel_);
    modes->addWidget(chopMode_);
    modes->addWidget(realTime_);
    modes->addWidget(usePattern_);
    modes->addStretch(1);
    auto* grid = new QGridLayout;
    grid->addWidget(speedLabel_, 0, 0);
    grid->addWidget(speed_, 0, 1);
    grid->addWidget(pullUpLabel_, 1, 0);
    grid->addWidget(pullUp_, 1, 1);
    grid->addWidget(pullUpValue_, 1, 2);
    grid->addWidget(chopPatternButton_, 2, 0);
    grid->addWidget(chopPattern_, 2, 1, 1, 2);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(modes);
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

QWidget* EffectPage::BuildInsertion() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("insertionPage"));
    categoryLabel_ = new QLabel(page);
    categories_ = new QListWidget(page);
    categories_->setObjectName(QStringLiteral("insertionCategories"));
    categoryLabel_->setBuddy(categories_);
    for (int c = 0; c < er::CategoryCount(); ++c) {
        categories_->addItem(QString());
    }
    connect(categories_, &QListWidget::currentRowChanged, this, [this](int category) {
        if (category < 0 || category >= er::CategoryCount()) {
            return;
        }
        const int type =
            std::min(lastType_[static_cast<size_t>(category)], er::TypeCount(category) - 1);
        ChangePart(
            "Insertion", "type",
            [&](PartEffect& fx) {
                fx.insertion[er::kCategoryByte] = static_cast<uint8_t>(category);
                fx.insertion[er::kTypeByte] = static_cast<uint8_t>(type);
            },
            true);
    });
    typeLabel_ = new QLabel(page);
    typeGroup_ = new QButtonGroup(page);
    typeGroup_->setExclusive(true);
    auto* types = new QGridLayout;
    for (int t = 0; t < er::kMaxTypesPerCategory; ++t) {
        auto* button = new QPushButton(QString::number(t + 1), page);
        button->setCheckable(true);
        button->setObjectName(QStringLiteral("insertionType%1").arg(t + 1));
        typeGroup_->addButton(button, t);
        typeButtons_[static_cast<size_t>(t)] = button;
        types->addWidget(button, t / 7, t % 7);
    }
    connect(typeGroup_, &QButtonGroup::idClicked, this, [this](int type) {
        const int category = er::InsertionCategory(Part());
        lastType_[static_cast<size_t>(category)] = type;
        ChangePart(
            "Insertion", "type",
            [&](PartEffect& fx) {
                fx.insertion[er::kCategoryByte] = static_cast<uint8_t>(category);
                fx.insertion[er::kTypeByte] = static_cast<uint8_t>(type);
            },
            true);
    });
    parameterLabel_ = new QLabel(page);
    auto* parameters = new QFormLayout;
    for (int i = 0; i < er::kParametersPerType; ++i) {
        parameterNames_[static_cast<size_t>(i)] = new QLabel(page);
        auto* spin = NewSpin(page, 0, 255, "");
        spin->setObjectName(QStringLiteral("insertionParameter%1").arg(i + 1));
        parameterNames_[static_cast<size_t>(i)]->setBuddy(spin);
        connect(spin, &QSpinBox::valueChanged, this, [this, i](int value) {
            ChangePart(
                "Insertion", "parameter",
                [&](PartEffect& fx) {
                    const size_t at =
                        er::ParameterOffset(er::InsertionCategory(fx), er::InsertionType(fx)) +
                        static_cast<size_t>(i);
                    fx.insertion[at] = static_cast<uint8_t>(value);
                },
                false);
        });
        parameters_[static_cast<size_t>(i)] = spin;
        parameters->addRow(parameterNames_[static_cast<size_t>(i)], spin);
    }
    auto* right = new QVBoxLayout;
    right->addWidget(typeLabel_);
    right->addLayout(types);
    right->addWidget(parameterLabel_);
    right->addLayout(parameters);
    right->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(categoryLabel_);
    left->addWidget(categories_);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(right, 1);
    return page;
}

QGridLayout* EffectPage::TypeButtons(QWidget* parent, const char* name, size_t byte,
                                     std::array<QPushButton*, kGlobalTypes>& buttons) {
    auto* group = new QButtonGroup(parent);
    group->setExclusive(true);
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int type = 0; type < kGlobalTypes; ++type) {
        auto* button = new QPushButton(parent);
        button->setCheckable(true);
        button->setObjectName(QString::fromLatin1(name) + QString::number(type + 1));
        group->addButton(button, type);
        grid->addWidget(button, type / 2, type % 2);
        buttons[static_cast<size_t>(type)] = button;
    }
    // The buttons and the drop-down are two ways to the same choice.
    connect(group, &QButtonGroup::idClicked, this, [this, byte](int type) {
        ChangeSection(
            "Global", byte == 1 ? "reverbType" : "chorusType",
            [&](Performance& p) { p.effect.globalEffect[byte] = static_cast<uint8_t>(type); },
            true);
    });
    return grid;
}

void EffectPage::ShowTypeButtons(const std::array<QPushButton*, kGlobalTypes>& buttons,
                                 const QComboBox* box, int type) {
    for (int i = 0; i < kGlobalTypes; ++i) {
        QPushButton* button = buttons[static_cast<size_t>(i)];
        const QSignalBlocker blocker(button);
        button->setVisible(i < box->count());
        if (i < box->count()) {
            button->setText(box->itemText(i));
        }
        // Unchecking one of an exclusive group needs the group's leave.
        button->group()->setExclusive(false);
        button->setChecked(i == type);
        button->group()->setExclusive(true);
    }
}

QWidget* EffectPage::BuildGlobalEffect() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("globalEffectPage"));
    auto typeBox = [this, page](const char* name, size_t byte) {
        auto* box = new QComboBox(page);
        box->setObjectName(QString::fromLatin1(name));
        // A type is stored as soon as it is chosen.
        connect(box, &QComboBox::activated, this, [this, byte, name](int item) {
            ChangeSection(
                "Global", name,
                [&](Performance& p) { p.effect.globalEffect[byte] = static_cast<uint8_t>(item); },
                true);
        });
        return box;
    };
    auto levelSpin = [this, page](const char* name, size_t byte) {
        auto* spin = NewSpin(page, 0, 127, name);
        connect(spin, &QSpinBox::valueChanged, this, [this, byte, name](int v) {
            ChangeSection(
                "Global", name,
                [&](Performance& p) { p.effect.globalEffect[byte] = static_cast<uint8_t>(v); },
                false);
        });
        return spin;
    };
    reverbGroup_ = new QGroupBox(page);
    reverbTypeLabel_ = new QLabel(reverbGroup_);
    reverbType_ = typeBox("reverbType", 1);
    reverbLevelLabel_ = new QLabel(reverbGroup_);
    reverbLevel_ = levelSpin("reverbLevel", 2);
    auto* reverb = new QFormLayout(reverbGroup_);
    reverb->addRow(TypeButtons(reverbGroup_, "reverbTypeButton", 1, reverbButtons_));
    reverb->addRow(reverbTypeLabel_, reverbType_);
    reverb->addRow(reverbLevelLabel_, reverbLevel_);
    chorusGroup_ = new QGroupBox(page);
    chorusTypeLabel_ = new QLabel(chorusGroup_);
    chorusType_ = typeBox("chorusType", 3);
    chorusLevelLabel_ = new QLabel(chorusGroup_);
    chorusLevel_ = levelSpin("chorusLevel", 4);
    auto* chorus = new QFormLayout(chorusGroup_);
    chorus->addRow(TypeButtons(chorusGroup_, "chorusTypeButton", 3, chorusButtons_));
    chorus->addRow(chorusTypeLabel_, chorusType_);
    chorus->addRow(chorusLevelLabel_, chorusLevel_);

    // The sends are the shown part's reverb and chorus levels of the Keyboard section.
    sendGroup_ = new QGroupBox(page);
    reverbSendLabel_ = new QLabel(sendGroup_);
    reverbSend_ = NewSpin(sendGroup_, 0, 127, "reverbSend");
    connect(reverbSend_, &QSpinBox::valueChanged, this, [this](int v) {
        const int part = part_;
        ChangeSection(
            "Global", "reverb send",
            [&](Performance& p) {
                p.keyboard.parts[static_cast<size_t>(part)].reverb = static_cast<uint8_t>(v);
            },
            false);
    });
    chorusSendLabel_ = new QLabel(sendGroup_);
    chorusSend_ = NewSpin(sendGroup_, 0, 127, "chorusSend");
    connect(chorusSend_, &QSpinBox::valueChanged, this, [this](int v) {
        const int part = part_;
        ChangeSection(
            "Global", "chorus send",
            [&](Performance& p) {
                p.keyboard.parts[static_cast<size_t>(part)].chorus = static_cast<uint8_t>(v);
            },
            false);
    });
    auto* send = new QFormLayout(sendGroup_);
    send->addRow(reverbSendLabel_, reverbSend_);
    send->addRow(chorusSendLabel_, chorusSend_);
    reverbTypeLabel_->setBuddy(reverbType_);
    reverbLevelLabel_->setBuddy(reverbLevel_);
    chorusTypeLabel_->setBuddy(chorusType_);
    chorusLevelLabel_->setBuddy(chorusLevel_);
    reverbSendLabel_->setBuddy(reverbSend_);
    chorusSendLabel_->setBuddy(chorusSend_);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(reverbGroup_);
    layout->addWidget(chorusGroup_);
    layout->addWidget(sendGroup_);
    return page;
}

QWidget* EffectPage::BuildEqualiser() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("equaliserPage"));
    auto* layout = new QHBoxLayout(page);
    for (int band = 0; band < er::kBands; ++band) {
        const auto b = static_cast<size_t>(band);
        auto* group = new QGroupBox(page);
        auto* frequency = new QComboBox(group);
        frequency->setObjectName(QStringLiteral("eqFrequency%1").arg(band + 1));
        frequency->setEditable(true);
        frequency->setInsertPolicy(QComboBox::NoInsert);
        connect(frequency, &QComboBox::activated, this, [this, band](int index) {
            if (index < 0) {
                return;
            }
            ChangeSection(
                "Equaliser", "frequency",
                [&](Performance& p) {
                    p.effect.equaliser[static_cast<size_t>(1 + 2 * band)] =
                        static_cast<uint8_t>(index);
                },
                true);
        });
        connect(frequency->lineEdit(), &QLineEdit::editingFinished, this,
                [this, band] { FrequencyTyped(band); });
        auto* gain = new QSlider(Qt::Vertical, group);
        gain->setObjectName(QStringLiteral("eqGain%1").arg(band + 1));
        gain->setRange(0, 2 * er::kMaxGain);
        gain->setInvertedAppearance(true);  // position 0, +12 dB, at the top
        gain->setInvertedControls(true);
        connect(gain, &QSlider::valueChanged, this, [this, band](int position) {
            ChangeSection(
                "Equaliser", "gain",
                [&](Performance& p) {
                    p.effect.equaliser[static_cast<size_t>(2 + 2 * band)] =
                        er::GainFromSlider(position);
                },
                false);
        });
        connect(gain, &QSlider::sliderReleased, this, &EffectPage::EndRun);
        auto* gainLabel = new QLabel(group);
        gainLabel->setBuddy(gain);
        auto* gainText = new QLabel(group);
        gainText->setObjectName(QStringLiteral("eqGainText%1").arg(band + 1));
        auto* column = new QVBoxLayout(group);
        column->addWidget(frequency);
        column->addWidget(gainLabel);
        column->addWidget(gain, 1, Qt::AlignHCenter);
        column->addWidget(gainText, 0, Qt::AlignHCenter);
        bandGroups_[b] = group;
        frequencies_[b] = frequency;
        gains_[b] = gain;
        gainLabels_[b] = gainLabel;
        gainTexts_[b] = gainText;
        layout->addWidget(group);
    }
    return page;
}

void EffectPage::FrequencyTyped(int band) {
    if (showing_) {
        return;
    }
    QComboBox* box = frequencies_[static_cast<size_t>(band)];
    const auto& table = er::Frequencies(App().profile.Values(), band);
    // A text the band's table does not hold is refused: the stored frequency shows again.
    const auto index = er::FrequencyIndex(table, box->currentText().toStdString());
    if (index) {
        ChangeSection(
            "Equaliser", "frequency",
            [&](Performance& p) {
                p.effect.equaliser[static_cast<size_t>(1 + 2 * band)] =
                    static_cast<uint8_t>(*index);
            },
            true);
    }
    ShowEqualiser();
}

void EffectPage::SwitchClicked(int index, bool on) {
    if (showing_) {
        return;
    }
    if (index < kGlobalEffect) {
        const auto which = static_cast<er::Switch>(index);
        if (!er::SwitchEditable(which, part_)) {
            ShowSwitches();
            return;
        }
        ChangePart(
            "Switches", kSubPageFields[static_cast<size_t>(index)],
            [&](PartEffect& fx) { er::SetSwitch(fx, which, on); }, true);
    } else {
        ChangeSection(
            "Switches", kSubPageFields[static_cast<size_t>(index)],
            [&](Performance& p) {
                auto& byte =
                    index == kGlobalEffect ? p.effect.globalEffect[0] : p.effect.equaliser[0];
                byte = on ? 1 : 0;
            },
            true);
    }
    if (on) {
        pages_->setCurrentIndex(index);
    }
}

void EffectPage::ChoosePattern(bool arpeggio) {
    const PartEffect& fx = Part();
    const ChooserContext context{App(), Services().devices, Messages()};
    const auto chosen =
        ChoosePatternForPart(this, context, arpeggio ? PatternKind::Arpeggio : PatternKind::Chopper,
                             arpeggio ? fx.arpPattern : fx.chopperPattern);
    if (!chosen) {
        return;
    }
    ChangePart(
        arpeggio ? "Arpeggiator" : "Chopper", "pattern",
        [&](PartEffect& part) {
            PresetRef& ref = arpeggio ? part.arpPattern : part.chopperPattern;
            ref = *chosen;
            if (!ref.IsFile()) {
                ref.path.clear();
            }
        },
        true);
}

QString EffectPage::PatternText(const PresetRef& pattern, bool arpeggio) const {
    if (pattern.IsFile()) {
        return QString::fromStdString(pattern.path);
    }
    const auto& groups = arpeggio ? App().catalog.ArpGroups() : App().catalog.ChopperGroups();
    if (!groups.empty() && pattern.number < groups.front().names.size()) {
        return QStringLiteral("%1 %2")
            .arg(int{pattern.number} + 1, 3, 10, QLatin1Char('0'))
            .arg(QString::fromStdString(groups.front().names[pattern.number]));
    }
    return QStringLiteral("%1").arg(int{pattern.number} + 1, 3, 10, QLatin1Char('0'));
}

void EffectPage::ApplyTexts() {
    const LanguageTable& lang = App().language;
    auto text = [&lang](const char* key) { return UiText(lang, kSection, key); };
    partLabel_->setText(text("IDS_EFFECT_PART"));
    partBox_->setAccessibleName(partLabel_->text());
    QStringList parts;
    for (const char* key : kPartKeys) {
        parts << text(key);
    }
    Refill(partBox_, parts);
    extraSwitch_->setAccessibleName(text("IDS_EFFECT_EXTRASWITCH"));
    extraSwitch_->setToolTip(extraSwitch_->accessibleName());
    for (size_t i = 0; i < switches_.size(); ++i) {
        switches_[i]->setText(text(kSwitchKeys[i]));
        switches_[i]->setAccessibleName(switches_[i]->text());
    }

    for (size_t i = 0; i < arpChecks_.size(); ++i) {
        arpChecks_[i]->setText(text(kArpCheckKeys[i]));
    }
    for (size_t i = 0; i < arpLabels_.size(); ++i) {
        arpLabels_[i]->setText(text(kArpLabelKeys[i]));
    }
    QStringList resolutions;
    for (size_t i = 0; i < kResolutionKeys.size(); ++i) {
        resolutions << (kResolutionKeys[i] != nullptr ? text(kResolutionKeys[i])
                                                      : QString::fromLatin1(kResolutionTexts[i]));
    }
    Refill(resolution_, resolutions);
    auto keys = [&text](const auto& list) {
        QStringList items;
        for (const char* key : list) {
            items << text(key);
        }
        return items;
    };
    Refill(replace_, keys(kReplaceKeys));
    Refill(octaveType_, keys(kOctaveTypeKeys));
    Refill(velocity_, keys(kVelocityKeys));
    Refill(trigger_, keys(kTriggerKeys));
    const std::array<QWidget*, 8> arpFields{resolution_, replace_,     octaveType_,  octaveRange_,
                                            velocity_,   velocityMin_, velocityMax_, trigger_};
    for (size_t i = 0; i < arpFields.size(); ++i) {
        arpFields[i]->setAccessibleName(arpLabels_[i]->text());
    }
    velocityValue_->setAccessibleName(text("IDS_EFFECT_VALUE"));
    fixedNoteIndex_->setAccessibleName(arpLabels_[8]->text());
    fixedNote_->setAccessibleName(text("IDS_EFFECT_NOTE"));
    arpPatternButton_->setText(text("IDS_EFFECT_PATTERN"));
    chopPatternButton_->setText(text("IDS_EFFECT_PATTERN"));

    for (size_t type = 0; type < harmonyButtons_.size(); ++type) {
        harmonyButtons_[type]->setText(kHarmonyKeys[type] != nullptr
                                           ? text(kHarmonyKeys[type])
                                           : QString::fromLatin1(kHarmonyOnePlusFive));
    }
    ratioLabel_->setText(text("IDS_EFFECT_RATIO"));
    ratio_->setAccessibleName(ratioLabel_->text());
    touchLimitLabel_->setText(text("IDS_EFFECT_TOUCHLIMIT"));
    touchLimit_->setAccessibleName(touchLimitLabel_->text());
    touchLimitValue_->setAccessibleName(touchLimitLabel_->text());

    chopModeLabel_->setText(text("IDS_EFFECT_CHOPMODE"));
    chopMode_->setAccessibleName(chopModeLabel_->text());
    speedLabel_->setText(text("IDS_EFFECT_SPEED"));
    speed_->setAccessibleName(speedLabel_->text());
    pullUpLabel_->setText(text("IDS_EFFECT_PULLUP"));
    pullUp_->setAccessibleName(pullUpLabel_->text());
    pullUpValue_->setAccessibleName(pullUpLabel_->text());

    categoryLabel_->setText(text("IDS_EFFECT_CATEGORY"));
    categories_->setAccessibleName(categoryLabel_->text());
    for (int c = 0; c < er::CategoryCount(); ++c) {
        categories_->item(c)->setText(categoryLabel_->text() + QStringLiteral(" %1").arg(c + 1));
    }
    typeLabel_->setText(text("IDS_EFFECT_TYPE"));
    for (size_t t = 0; t < typeButtons_.size(); ++t) {
        typeButtons_[t]->setAccessibleName(typeLabel_->text() + QStringLiteral(" %1").arg(t + 1));
    }
    parameterLabel_->setText(text("IDS_EFFECT_PARAMETER"));
    for (size_t i = 0; i < parameters_.size(); ++i) {
        parameterNames_[i]->setText(parameterLabel_->text() + QStringLiteral(" %1").arg(i + 1));
        parameters_[i]->setAccessibleName(parameterNames_[i]->text());
    }

    reverbGroup_->setTitle(text("IDS_EFFECT_REVERB"));
    chorusGroup_->setTitle(text("IDS_EFFECT_CHORUS"));
    for (QLabel* label : {reverbTypeLabel_, chorusTypeLabel_}) {
        label->setText(text("IDS_EFFECT_TYPE1"));
    }
    for (QLabel* label : {reverbLevelLabel_, chorusLevelLabel_}) {
        label->setText(text("IDS_EFFECT_MASTERLEV"));
    }
    reverbType_->setAccessibleName(reverbGroup_->title() + QLatin1Char(' ') +
                                   reverbTypeLabel_->text());
    reverbLevel_->setAccessibleName(reverbGroup_->title() + QLatin1Char(' ') +
                                    reverbLevelLabel_->text());
    chorusType_->setAccessibleName(chorusGroup_->title() + QLatin1Char(' ') +
                                   chorusTypeLabel_->text());
    chorusLevel_->setAccessibleName(chorusGroup_->title() + QLatin1Char(' ') +
                                    chorusLevelLabel_->text());
    reverbSendLabel_->setText(reverbGroup_->title());
    chorusSendLabel_->setText(chorusGroup_->title());
    const auto& profile = App().profile.Values();
    Refill(reverbType_, keys(er::ReverbTypeKeys(profile)));
    Refill(chorusType_, keys(er::ChorusTypeKeys(profile)));

    for (int band = 0; band < er::kBands; ++band) {
        const auto b = static_cast<size_t>(band);
        bandGroups_[b]->setTitle(text(kBandKeys[b]));
        gainLabels_[b]->setText(text("IDS_EFFECT_GAIN"));
        frequencies_[b]->setAccessibleName(bandGroups_[b]->title() + QLatin1Char(' ') +
                                           text("IDS_EFFECT_FREQUENCY"));
        gains_[b]->setAccessibleName(bandGroups_[b]->title() + QLatin1Char(' ') +
                                     gainLabels_[b]->text());
        QStringList texts;
        for (const char* frequency : er::Frequencies(profile, band)) {
            texts << QString::fromLatin1(frequency);
        }
        Refill(frequencies_[b], texts);
    }
    Show();
}

void EffectPage::ShowSwitches() {
    const PartEffect& fx = Part();
    const EffectSection& effect = Document().Current().effect;
    for (int i = 0; i < kSubPages; ++i) {
        bool on = false;
        if (i < kGlobalEffect) {
            on = er::SwitchOn(fx, static_cast<er::Switch>(i));
        } else {
            on = (i == kGlobalEffect ? effect.globalEffect[0] : effect.equaliser[0]) != 0;
        }
        QPushButton* button = switches_[static_cast<size_t>(i)];
        const QSignalBlocker blocker(button);
        button->setChecked(on);
    }
    // The insertion effect is R1's: for another part its switch shows what that part's record
    // holds and cannot be changed.
    switches_[kInsertion]->setEnabled(er::SwitchEditable(er::Switch::Insertion, part_));
    const QSignalBlocker blocker(extraSwitch_);
    extraSwitch_->setChecked(er::ExtraSwitchOn(fx));
}

void EffectPage::ShowArpeggiator() {
    const PartEffect& fx = Part();
    for (int bit = 0; bit < er::kArpChecks; ++bit) {
        QCheckBox* check = arpChecks_[static_cast<size_t>(bit)];
        const QSignalBlocker blocker(check);
        check->setChecked(er::ArpCheck(fx, bit));
    }
    auto item = [](uint8_t value, int count) { return value < count ? int{value} : -1; };
    SetCombo(resolution_, item(fx.arpParams[1], er::kResolutionItems));
    SetCombo(replace_, item(fx.arpParams[2], er::kReplaceItems));
    SetCombo(octaveType_, item(fx.arpParams[3], er::kOctaveTypeItems));
    SetCombo(octaveRange_, er::OctaveRangeItem(fx));
    const er::Velocity kind = er::VelocityKind(fx);
    SetCombo(velocity_, static_cast<int>(kind));
    velocityValue_->setVisible(kind == er::Velocity::Value);
    if (kind == er::Velocity::Value) {
        SetSpin(velocityValue_, fx.arpParams[5]);
    }
    SetSpin(velocityMin_, fx.arpParams[6]);
    SetSpin(velocityMax_, fx.arpParams[7]);
    SetCombo(trigger_, item(fx.arpParams[8], 2));
    const auto index = static_cast<size_t>(std::max(0, fixedNoteIndex_->currentIndex()));
    SetSpin(fixedNote_, fx.fixedNotes[index]);
    fixedNoteName_->setText(QString::fromStdString(keyboard_rules::NoteName(fx.fixedNotes[index])));
    arpPattern_->setText(PatternText(fx.arpPattern, true));
}

void EffectPage::ShowHarmony() {
    const PartEffect& fx = Part();
    {
        const QSignalBlocker blocker(harmonyTypes_);
        if (QAbstractButton* button = harmonyTypes_->button(fx.harmonyType)) {
            button->setChecked(true);
        } else if (QAbstractButton* checked = harmonyTypes_->checkedButton()) {
            harmonyTypes_->setExclusive(false);
            checked->setChecked(false);
            harmonyTypes_->setExclusive(true);
        }
    }
    // Any other ratio (a 50 in a file) selects nothing and stays as it is.
    SetCombo(ratio_, er::RatioItem(fx));
    SetSlider(touchLimit_, fx.harmonyTouchLimit);
    SetSpin(touchLimitValue_, fx.harmonyTouchLimit);
}

void EffectPage::ShowChopper() {
    const PartEffect& fx = Part();
    const bool realTime = fx.chopperMode == 0;
    SetCombo(chopMode_, fx.chopperMode < 2 ? fx.chopperMode : -1);
    {
        const QSignalBlocker a(realTime_);
        const QSignalBlocker b(usePattern_);
        realTime_->setChecked(realTime);
        usePattern_->setChecked(fx.chopperMode == 1);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{speedLabel_, speed_, pullUpLabel_, pullUp_,
                                                      pullUpValue_}) {
        w->setVisible(realTime);
    }
    chopPatternButton_->setVisible(!realTime);
    chopPattern_->setVisible(!realTime);
    SetCombo(speed_, fx.chopperSpeed < er::kChopperSpeeds.size() ? fx.chopperSpeed : -1);
    SetSlider(pullUp_, fx.chopperPullUp);
    SetSpin(pullUpValue_, fx.chopperPullUp);
    chopPattern_->setText(PatternText(fx.chopperPattern, false));
}

void EffectPage::ShowInsertion() {
    const PartEffect& fx = Part();
    const int category = er::InsertionCategory(fx);
    const int type = er::InsertionType(fx);
    lastType_[static_cast<size_t>(category)] = type;
    {
        const QSignalBlocker blocker(categories_);
        categories_->setCurrentRow(category);
    }
    for (int t = 0; t < er::kMaxTypesPerCategory; ++t) {
        QPushButton* button = typeButtons_[static_cast<size_t>(t)];
        button->setVisible(t < er::TypeCount(category));
        const QSignalBlocker blocker(button);
        button->setChecked(t == type);
    }
    const size_t offset = er::ParameterOffset(category, type);
    for (size_t i = 0; i < parameters_.size(); ++i) {
        SetSpin(parameters_[i], fx.insertion[offset + i]);
    }
}

void EffectPage::ShowGlobalEffect() {
    const Performance& p = Document().Current();
    const auto& a = p.effect.globalEffect;
    SetCombo(reverbType_, a[1] < reverbType_->count() ? a[1] : -1);
    ShowTypeButtons(reverbButtons_, reverbType_, reverbType_->currentIndex());
    SetSpin(reverbLevel_, a[2]);
    SetCombo(chorusType_, a[3] < chorusType_->count() ? a[3] : -1);
    ShowTypeButtons(chorusButtons_, chorusType_, chorusType_->currentIndex());
    SetSpin(chorusLevel_, a[4]);
    const auto part = static_cast<size_t>(part_);
    sendGroup_->setTitle(UiText(App().language, kSection, "IDS_EFFECT_SEND") + QLatin1Char(' ') +
                         UiText(App().language, kSection, kPartKeys[part]));
    reverbSend_->setAccessibleName(sendGroup_->title() + QLatin1Char(' ') +
                                   reverbSendLabel_->text());
    chorusSend_->setAccessibleName(sendGroup_->title() + QLatin1Char(' ') +
                                   chorusSendLabel_->text());
    SetSpin(reverbSend_, p.keyboard.parts[part].reverb);
    SetSpin(chorusSend_, p.keyboard.parts[part].chorus);
}

void EffectPage::ShowEqualiser() {
    const auto& b = Document().Current().effect.equaliser;
    for (int band = 0; band < er::kBands; ++band) {
        const auto i = static_cast<size_t>(band);
        const uint8_t index = b[1 + 2 * i];
        const uint8_t gain = b[2 + 2 * i];
        QComboBox* box = frequencies_[i];
        {
            const QSignalBlocker blocker(box);
            box->setCurrentIndex(index < box->count() ? index : -1);
            if (index >= box->count()) {
                box->setEditText(QString::number(index));
            }
        }
        SetSlider(gains_[i], er::GainSliderPosition(gain));
        gainTexts_[i]->setText(QString::fromStdString(er::GainText(gain)));
    }
}

void EffectPage::Show() {
    showing_ = true;
    SetCombo(partBox_, part_);
    ShowSwitches();
    ShowArpeggiator();
    ShowHarmony();
    ShowChopper();
    ShowInsertion();
    ShowGlobalEffect();
    ShowEqualiser();
    showing_ = false;
}

bool EffectPage::ShowsField(std::string_view field) const {
    return field.starts_with("Effect/");
}

void EffectPage::RevealField(std::string_view field) {
    // "Effect/<sub-page>/<part or ->/<what>": show that part and sub-page.
    const auto rest = field.substr(std::string_view("Effect/").size());
    const std::string_view sub = rest.substr(0, rest.find('/'));
    for (size_t i = 0; i < kSubPageFields.size(); ++i) {
        if (sub == kSubPageFields[i]) {
            pages_->setCurrentIndex(static_cast<int>(i));
        }
    }
    const size_t partStart = rest.find('/');
    if (partStart != std::string_view::npos) {
        const std::string_view part =
            rest.substr(partStart + 1, rest.find('/', partStart + 1) - partStart - 1);
        for (size_t i = 0; i < kPartNames.size(); ++i) {
            if (part == kPartNames[i]) {
                part_ = static_cast<int>(i);
            }
        }
    }
    Show();
}

}  // namespace veltrano
