#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "performance/ControllerRules.h"

class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace veltrano {

class LanguageTable;

// One tab of the Controllers page: a button per knob, pad or pedal with the name of its
// function under it, the grid of function buttons ("Assign") and the four "Apply to:" boxes.
// It shows the section and reports clicks; the page turns them into edits.
class ControllerTab : public QWidget {
    Q_OBJECT

public:
    ControllerTab(controller_rules::Kind kind, QWidget* parent = nullptr);

    // The controllers the instrument has; the buttons are rebuilt when the count changes.
    void SetCount(int count);
    [[nodiscard]] int Count() const { return count_; }
    void ApplyTexts(const LanguageTable& language);
    void ShowSection(const ControllersSection& section);

    [[nodiscard]] int Selected() const { return selected_; }
    void Select(int index);
    // Room under the apply-to boxes for what a function needs besides.
    [[nodiscard]] QVBoxLayout* Extras() const { return extras_; }

signals:
    void ControllerSelected(int index);
    void FunctionChosen(int function);
    void PartToggled(int part, bool on);

private:
    [[nodiscard]] QString ControllerName(int index) const;

    controller_rules::Kind kind_;
    int count_ = 0;
    int selected_ = 0;
    QString kindText_;
    std::vector<QString> functionTexts_;
    QGridLayout* controllerGrid_ = nullptr;
    std::vector<QPushButton*> controllers_;
    std::vector<QLabel*> labels_;
    QButtonGroup* controllerGroup_ = nullptr;
    QGroupBox* assign_ = nullptr;
    std::vector<QPushButton*> functions_;
    QButtonGroup* functionGroup_ = nullptr;
    QGroupBox* applyTo_ = nullptr;
    std::array<QCheckBox*, controller_rules::kParts> parts_{};
    QVBoxLayout* extras_ = nullptr;
};

}  // namespace veltrano
