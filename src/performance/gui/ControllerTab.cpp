#include "performance/gui/ControllerTab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace veltrano {

namespace cr = controller_rules;

namespace {

constexpr const char* kSection = "EditPerformance";
constexpr std::array<const char*, cr::kParts> kPartKeys{"IDS_CONTROL_R1", "IDS_CONTROL_R2",
                                                        "IDS_CONTROL_R3", "IDS_CONTROL_L"};

const char* KindName(cr::Kind kind) {
    switch (kind) {
        case cr::Kind::Knob:
            return "knob";
        case cr::Kind::Pad:
            return "pad";
        case cr::Kind::Pedal:
            return "pedal";
    }
    return "knob";
}

const char* KindKey(cr::Kind kind) {
    switch (kind) {
        case cr::Kind::Knob:
            return "IDS_CONTROL_KNOB";
        case cr::Kind::Pad:
            return "IDS_CONTROL_PAD";
        case cr::Kind::Pedal:
            return "IDS_CONTROL_PEDAL";
    }
    return "IDS_CONTROL_KNOB";
}

}  // namespace

ControllerTab::ControllerTab(cr::Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    const QString name = QLatin1String(KindName(kind));
    setObjectName(name + QStringLiteral("Tab"));

    auto* controllerBox = new QWidget(this);
    controllerGrid_ = new QGridLayout(controllerBox);
    controllerGrid_->setHorizontalSpacing(24);
    controllerGroup_ = new QButtonGroup(this);
    controllerGroup_->setExclusive(true);
    // A button for every controller a performance has room for, made before the grids so that
    // Tab goes through the tab as it reads; the instrument's count shows (SetCount).
    for (int i = 0; i < cr::Room(kind); ++i) {
        auto* button = new QPushButton(controllerBox);
        button->setObjectName(name + QString::number(i));
        button->setCheckable(true);
        button->setMinimumWidth(72);
        button->hide();
        controllerGroup_->addButton(button, i);
        auto* label = new QLabel(controllerBox);
        label->setObjectName(name + QStringLiteral("Label%1").arg(i));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setBuddy(button);
        label->hide();
        controllers_.push_back(button);
        labels_.push_back(label);
    }
    connect(controllerGroup_, &QButtonGroup::idClicked, this, [this](int index) {
        Select(index);
        emit ControllerSelected(index);
    });

    assign_ = new QGroupBox(this);
    assign_->setObjectName(name + QStringLiteral("Assign"));
    auto* grid = new QGridLayout(assign_);
    functionGroup_ = new QButtonGroup(this);
    functionGroup_->setExclusive(true);
    const int functions = static_cast<int>(cr::FunctionKeys(kind).size());
    const int columns = cr::FunctionColumns(kind);
    for (int f = 0; f < functions; ++f) {
        auto* button = new QPushButton(assign_);
        button->setObjectName(name + QStringLiteral("Function%1").arg(f));
        button->setCheckable(true);
        functionGroup_->addButton(button, f);
        grid->addWidget(button, f / columns, f % columns);
        functions_.push_back(button);
    }
    functionTexts_.resize(functions_.size());
    connect(functionGroup_, &QButtonGroup::idClicked, this,
            [this](int function) { emit FunctionChosen(function); });

    applyTo_ = new QGroupBox(this);
    applyTo_->setObjectName(name + QStringLiteral("ApplyTo"));
    auto* parts = new QHBoxLayout(applyTo_);
    for (int part = 0; part < cr::kParts; ++part) {
        auto* box = new QCheckBox(applyTo_);
        box->setObjectName(name + QStringLiteral("Part%1").arg(part));
        connect(box, &QCheckBox::clicked, this,
                [this, part](bool on) { emit PartToggled(part, on); });
        parts->addWidget(box);
        parts_[static_cast<size_t>(part)] = box;
    }
    parts->addStretch(1);

    extras_ = new QVBoxLayout;
    auto* side = new QVBoxLayout;
    side->addWidget(applyTo_);
    side->addLayout(extras_);
    side->addStretch(1);
    auto* lower = new QHBoxLayout;
    lower->addWidget(assign_, 3, Qt::AlignTop);
    lower->addLayout(side, 2);
    // The controllers sit together in the middle, as on the instrument's panel; the grids
    // keep their natural height.
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(controllerBox);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(lower);
    layout->addStretch(1);
}

void ControllerTab::SetCount(int count) {
    const int shown = cr::Shown(kind_, count);
    if (shown == count_) {
        return;
    }
    for (size_t i = 0; i < controllers_.size(); ++i) {
        controllerGrid_->removeWidget(controllers_[i]);
        controllerGrid_->removeWidget(labels_[i]);
        controllers_[i]->hide();
        labels_[i]->hide();
    }
    count_ = shown;
    const std::vector<cr::Cell> cells =
        kind_ == cr::Kind::Knob ? cr::KnobLayout(count_) : cr::RowLayout(count_);
    for (size_t i = 0; i < cells.size(); ++i) {
        controllerGrid_->addWidget(controllers_[i], cells[i].row * 2, cells[i].column,
                                   Qt::AlignHCenter);
        controllerGrid_->addWidget(labels_[i], cells[i].row * 2 + 1, cells[i].column);
        controllers_[i]->show();
        labels_[i]->show();
    }
    selected_ = std::clamp(selected_, 0, std::max(count_ - 1, 0));
}

QString ControllerTab::ControllerName(int index) const {
    return kindText_ + QLatin1Char(' ') + QString::number(index + 1);
}

void ControllerTab::ApplyTexts(const LanguageTable& language) {
    kindText_ = UiText(language, kSection, KindKey(kind_));
    const auto& keys = cr::FunctionKeys(kind_);
    for (size_t f = 0; f < functions_.size(); ++f) {
        functionTexts_[f] = UiText(language, kSection, keys[f]);
        functions_[f]->setText(functionTexts_[f]);
        functions_[f]->setAccessibleName(functionTexts_[f]);
    }
    assign_->setTitle(UiText(language, kSection, "IDS_CONTROL_ASSIGN"));
    applyTo_->setTitle(UiText(language, kSection, "IDS_CONTROL_APPLYTO"));
    for (size_t part = 0; part < parts_.size(); ++part) {
        parts_[part]->setText(UiText(language, kSection, kPartKeys[part]));
        parts_[part]->setAccessibleName(applyTo_->title() + QLatin1Char(' ') +
                                        parts_[part]->text());
    }
    for (int i = 0; i < Count(); ++i) {
        controllers_[static_cast<size_t>(i)]->setText(ControllerName(i));
    }
}

void ControllerTab::ShowSection(const ControllersSection& section) {
    for (int i = 0; i < Count(); ++i) {
        const auto f = static_cast<size_t>(cr::FunctionOf(section, kind_, i));
        const QString function =
            f < functionTexts_.size()
                ? QString::fromStdString(cr::LabelOf(functionTexts_[f].toStdString()))
                : QString();
        QPushButton* button = controllers_[static_cast<size_t>(i)];
        button->setText(ControllerName(i));
        button->setAccessibleName(ControllerName(i) + QStringLiteral(": ") + function);
        labels_[static_cast<size_t>(i)]->setText(function);
    }
    if (Count() == 0) {
        return;
    }
    {
        const QSignalBlocker blocker(controllerGroup_);
        controllers_[static_cast<size_t>(selected_)]->setChecked(true);
    }
    // A file's function outside the list marks no button.
    const int function = cr::FunctionOf(section, kind_, selected_);
    functionGroup_->setExclusive(false);
    for (size_t f = 0; f < functions_.size(); ++f) {
        functions_[f]->setChecked(static_cast<int>(f) == function);
    }
    functionGroup_->setExclusive(true);
    const uint8_t applyTo = cr::ApplyToOf(section, kind_, selected_);
    for (int part = 0; part < cr::kParts; ++part) {
        QCheckBox* box = parts_[static_cast<size_t>(part)];
        const QSignalBlocker blocker(box);
        box->setChecked(cr::HasPart(applyTo, part));
    }
    applyTo_->setVisible(cr::OffersApplyTo(kind_, function));
}

void ControllerTab::Select(int index) {
    if (index >= 0 && index < Count()) {
        selected_ = index;
    }
}

}  // namespace veltrano
