// Every control a person can work, on every page, tab and dialog, in both languages: it has a
// name an assistive tool reads out, and Tab reaches it.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

#include "DemoWindow.h"
#include "app/gui/AboutBox.h"
#include "arp/gui/ArpControlsWindow.h"
#include "arp/gui/ArpEditorPage.h"
#include "device/gui/MidiDeviceDialog.h"
#include "device/gui/ProgressDialog.h"
#include "performance/gui/CompareDialog.h"
#include "performance/gui/PerformanceEditor.h"
#include "style/gui/ChordMuteDialog.h"
#include "transfer/gui/PatternChooser.h"
#include "transfer/gui/PresetChooser.h"

namespace veltrano::test {
namespace {

bool Actionable(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) != nullptr ||
           qobject_cast<const QComboBox*>(w) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
           qobject_cast<const QLineEdit*>(w) != nullptr ||
           qobject_cast<const QAbstractSlider*>(w) != nullptr ||
           qobject_cast<const QAbstractItemView*>(w) != nullptr ||
           qobject_cast<const QTabBar*>(w) != nullptr;
}

// Parts Qt builds inside a control (a spin box's field, a combo box's list, a scroll area's
// bars, a table's headers, a tab bar's arrows) belong to that control and are named through it.
bool InsideControl(const QWidget* w, const QWidget* root) {
    for (const QWidget* up = w->parentWidget(); up != nullptr && up != root;
         up = up->parentWidget()) {
        if (up->objectName().startsWith(QLatin1String("qt_")) ||
            qobject_cast<const QAbstractSpinBox*>(up) != nullptr ||
            qobject_cast<const QComboBox*>(up) != nullptr ||
            qobject_cast<const QAbstractItemView*>(up) != nullptr ||
            qobject_cast<const QTabBar*>(up) != nullptr) {
            return true;
        }
    }
    return w->objectName().startsWith(QLatin1String("qt_"));
}

QString Describe(const QWidget* w) {
    const QString name = w->objectName().isEmpty()
                             ? QString::fromLatin1(w->metaObject()->className())
                             : w->objectName();
    const QWidget* parent = w->parentWidget();
    return parent != nullptr && !parent->objectName().isEmpty()
               ? parent->objectName() + QLatin1Char('/') + name
               : name;
}

// Tab stops at a control that takes Tab focus; of an exclusive button group only at the checked
// button, and the arrow keys move within the group.
bool TabReaches(const QWidget* w) {
    const auto takesTab = [](const QWidget* x) { return (x->focusPolicy() & Qt::TabFocus) != 0; };
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    if (button != nullptr && button->group() != nullptr && button->group()->exclusive()) {
        const QList<QAbstractButton*> buttons = button->group()->buttons();
        return std::any_of(buttons.begin(), buttons.end(), takesTab);
    }
    return takesTab(w);
}

struct Findings {
    QStringList unnamed;
    QStringList unreachable;
};

// The controls of `root` and its children (hidden ones included: the other tabs and steps).
Findings Walk(QWidget& root) {
    Findings found;
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* w : widgets) {
        if (!Actionable(w) || InsideControl(w, &root)) {
            continue;
        }
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (face == nullptr || face->text(QAccessible::Name).trimmed().isEmpty()) {
            found.unnamed << Describe(w);
        }
        if (!TabReaches(w)) {
            found.unreachable << Describe(w);
        }
    }
    return found;
}

void ExpectAllNamed(QWidget& root, const char* where) {
    const Findings found = Walk(root);
    EXPECT_TRUE(found.unnamed.isEmpty())
        << where
        << ": no accessible name: " << found.unnamed.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(found.unreachable.isEmpty())
        << where
        << ": not reached by Tab: " << found.unreachable.join(QStringLiteral(", ")).toStdString();
}

class AccessibleNamesTest : public ::testing::TestWithParam<int> {
protected:
    AccessibleNamesTest() {
        window_.App().language.SelectLanguage(GetParam(), window_.App().config);
        window_.Panel().ApplyTexts();
    }
    // A dialog as the program opens it, with its texts in the chosen language.
    void Check(QWidget& dialog, const char* where) {
        dialog.show();
        QCoreApplication::processEvents();
        ExpectAllNamed(dialog, where);
        dialog.hide();
    }

    DemoWindow window_;
};

TEST_P(AccessibleNamesTest, EveryPageWithItsTabsAndSteps) {
    for (int page = 0; page < MainPanel::kPageCount; ++page) {
        window_.ShowPage(page);
    }
    // The window and every page, tab and step in it, shown or not.
    ExpectAllNamed(window_.Panel(), "main window");
}

TEST_P(AccessibleNamesTest, EveryDialog) {
    AppContext& app = window_.App();
    MainPanel& panel = window_.Panel();
    MidiDeviceDialog device(window_.Devices().Ports(), app.config, window_.Reporter(), app.language,
                            &panel);
    Check(device, "device dialog");
    ProgressDialog progress(app.language, &panel);
    Check(progress, "progress");
    AboutBox about(app, &panel);
    Check(about, "about box");
    for (const PresetKind kind : {PresetKind::Voice, PresetKind::Style, PresetKind::Song}) {
        PresetChooser chooser(app, window_.Devices(), window_.Reporter(), kind, {}, &panel);
        Check(chooser, "preset chooser");
    }
    for (const PatternKind kind : {PatternKind::Arpeggio, PatternKind::Chopper}) {
        PatternChooser chooser(app, window_.Reporter(), kind, {}, &panel);
        Check(chooser, "pattern chooser");
    }
    ChordMuteDialog chordMute(0x0000FFFF, app.language, &panel);
    Check(chordMute, "chord mute");
    auto* editor = qobject_cast<PerformanceEditor*>(&window_.ShowPage(2));
    ASSERT_NE(editor, nullptr);
    CompareDialog compare(app, editor->Document(), &panel);
    Check(compare, "compare");
    auto* arpeggio = qobject_cast<ArpEditorPage*>(&window_.ShowPage(3));
    ASSERT_NE(arpeggio, nullptr);
    Check(arpeggio->Controls(), "arpeggio controls");
}

// Tab pressed again and again from the first page button: the controls it stops at, until it
// comes round to where it began.
QList<QWidget*> TabRound(MainPanel& panel) {
    QList<QWidget*> visited;
    QWidget* start = panel.findChild<QWidget*>(QStringLiteral("pageButtonMidiToStyle"));
    for (QAbstractButton* b : panel.findChildren<QAbstractButton*>()) {
        if (b->property("pageButton").toBool() && b->isChecked()) {
            start = b;  // of the page buttons, Tab stops at the checked one
        }
    }
    start->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    for (int presses = 0; presses < 1000; ++presses) {
        QWidget* now = QApplication::focusWidget();
        if (now == nullptr) {
            break;
        }
        visited << now;
        QTest::keyClick(now, Qt::Key_Tab);
        if (QApplication::focusWidget() == start) {
            break;
        }
    }
    return visited;
}

// The controls a person sees and may use on the shown page that a round of Tab never reached.
QStringList MissedByTab(MainPanel& panel, QWidget& page) {
    const QList<QWidget*> visited = TabRound(panel);
    // The round went beyond the window's own controls into the page.
    EXPECT_GT(visited.size(), 8);
    QStringList missed;
    for (QWidget* w : page.findChildren<QWidget*>()) {
        if (!Actionable(w) || InsideControl(w, &page) || !w->isVisible() || !w->isEnabled() ||
            !TabReaches(w)) {
            continue;
        }
        QWidget* target = w->focusProxy() != nullptr ? w->focusProxy() : w;
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        const bool grouped = button != nullptr && button->group() != nullptr &&
                             button->group()->exclusive() && !button->isChecked();
        if (!grouped && !visited.contains(target)) {
            missed << Describe(w);
        }
    }
    return missed;
}

TEST_P(AccessibleNamesTest, TabGoesRoundEveryShownControlOfEveryPageAndTab) {
    MainPanel& panel = window_.Panel();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    for (int index = 0; index < MainPanel::kPageCount; ++index) {
        ToolPage& page = window_.ShowPage(index);
        EXPECT_TRUE(MissedByTab(panel, page).isEmpty())
            << "page " << index << ": "
            << MissedByTab(panel, page).join(QStringLiteral(", ")).toStdString();
    }
    // On the Arpeggio page Tab goes as the page is read: the file buttons left to right, the
    // grid from its top row down.
    window_.ShowPage(3);
    QStringList order;
    for (QWidget* w : TabRound(panel)) {
        order << w->objectName();
    }
    EXPECT_LT(order.indexOf(QStringLiteral("arpOpen")), order.indexOf(QStringLiteral("arpNew")));
    EXPECT_LT(order.indexOf(QStringLiteral("arpNew")), order.indexOf(QStringLiteral("arpSave")));
    EXPECT_LT(order.indexOf(QStringLiteral("arpCell_9_11")),
              order.indexOf(QStringLiteral("arpCell_0_0")));
    EXPECT_GE(order.indexOf(QStringLiteral("arpOpen")), 0);

    // Tab stops at the checked page button only; the arrow keys go on to the next page.
    window_.ShowPage(0);
    auto* first = panel.findChild<QWidget*>(QStringLiteral("pageButtonMidiToStyle"));
    first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(first, Qt::Key_Down);
    EXPECT_EQ(panel.CurrentPage(), 1);

    auto* tabs = window_.ShowPage(2).findChild<QTabWidget*>(QStringLiteral("performanceTabs"));
    ASSERT_NE(tabs, nullptr);
    for (int tab = 1; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        const QStringList missed = MissedByTab(panel, *tabs->widget(tab));
        EXPECT_TRUE(missed.isEmpty())
            << "performance tab " << tab << ": " << missed.join(QStringLiteral(", ")).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, AccessibleNamesTest,
                         ::testing::Values(LanguageTable::kEnglish, LanguageTable::kChinese),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == LanguageTable::kEnglish ? "English" : "Chinese";
                         });

}  // namespace
}  // namespace veltrano::test
