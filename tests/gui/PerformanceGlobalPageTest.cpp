// The Global page of the performance editor driven by keys and clicks, checked in the bank
// and in the saved file read back by the core reader.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "DemoWindow.h"
#include "PerformanceEditorFixture.h"
#include "performance/PerformanceDocument.h"
#include "performance/PerformanceFile.h"
#include "performance/gui/PerformanceEditor.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

class GlobalPageTest : public test::PerformanceEditorFixture {
protected:
    GlobalPageTest() { ShowTab(PerformanceEditor::kGlobalTab); }

    const GlobalSection& Shown() { return editor_->Document().Current().global; }
    // The drop-down reached by focus and arrow keys.
    void Choose(const char* name, int index) {
        auto* box = Get<QComboBox>(name);
        ASSERT_NE(box, nullptr);
        box->setFocus();
        while (box->currentIndex() < index) {
            QTest::keyClick(box, Qt::Key_Down);
        }
        while (box->currentIndex() > index) {
            QTest::keyClick(box, Qt::Key_Up);
        }
    }
};

TEST_F(GlobalPageTest, AFreshPerformanceShowsTheDefaults) {
    EXPECT_EQ(Get<QComboBox>("numerator")->currentIndex(), 3);
    EXPECT_EQ(Get<QComboBox>("denominator")->currentIndex(), 1);
    EXPECT_TRUE(Get<QCheckBox>("bellOn")->isChecked());
    EXPECT_EQ(Get<QSpinBox>("metronomeVolume")->value(), 100);
    for (const char* name : {"fadeInTime", "fadeOutTime", "fadeOutHoldTime"}) {
        EXPECT_EQ(Get<QLineEdit>(name)->text(), QStringLiteral("0.0")) << name;
    }
}

TEST_F(GlobalPageTest, TimesAreCorrectedAsTypedAndClampedWhenStored) {
    Type("fadeInTime", QStringLiteral("25"));
    EXPECT_EQ(Get<QLineEdit>("fadeInTime")->text(), QStringLiteral("20.0"));
    EXPECT_EQ(Shown().fadeInTime, 200);
    Type("fadeOutHoldTime", QStringLiteral("1.25"));
    EXPECT_EQ(Shown().fadeOutHoldTime, 12);
    EXPECT_EQ(Get<QLineEdit>("fadeOutHoldTime")->text(), QStringLiteral("1.2"));
    // Emptied, the field reads the lower limit and stores it.
    auto* fadeOut = Get<QLineEdit>("fadeOutTime");
    Type("fadeOutTime", QStringLiteral("7"), false);
    EXPECT_EQ(Shown().fadeOutTime, 70);
    QTest::keyClick(fadeOut, Qt::Key_Backspace);
    EXPECT_EQ(fadeOut->text(), QStringLiteral("0"));
    EXPECT_EQ(Shown().fadeOutTime, 0);
    // The metronome volume never goes past 127, whatever is typed.
    Type("metronomeVolume", QStringLiteral("300"));
    EXPECT_LE(Shown().metronomeVolume, 127);
}

TEST_F(GlobalPageTest, EveryControlIsSavedReadBackAndUndone) {
    Choose("numerator", 2);
    Choose("denominator", 2);
    QTest::mouseClick(Get<QCheckBox>("bellOn"), Qt::LeftButton);
    Type("metronomeVolume", QStringLiteral("64"));
    Type("fadeInTime", QStringLiteral("3.5"));
    Type("fadeOutTime", QStringLiteral("12.3"));
    Type("fadeOutHoldTime", QStringLiteral("4.9"), false);  // still being typed at Save

    const fs::path path = window_.Local() / "global.prf";
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        QTest::mouseClick(Get<QAbstractButton>("saveButton"), Qt::LeftButton);
    }
    EXPECT_TRUE(window_.Reporter().Empty());
    PerformanceBank read;
    ASSERT_TRUE(PerformanceFile(window_.Reporter(), CodePage::Windows1252).Read(path, read));
    const GlobalSection& g = read.At(0).global;
    EXPECT_EQ(g.numeratorItem, 3);
    EXPECT_EQ(g.denominatorItem, 3);
    EXPECT_EQ(g.accentBell, 0);
    EXPECT_EQ(g.metronomeVolume, 64);
    EXPECT_EQ(g.fadeInTime, 35);
    EXPECT_EQ(g.fadeOutTime, 123);
    EXPECT_EQ(g.fadeOutHoldTime, 49);
    EXPECT_EQ(read.At(1).global, GlobalSection{});
    EXPECT_FALSE(editor_->Document().Modified());

    // Undo steps back one control at a time and the page shows it.
    QTest::mouseClick(Get<QToolButton>("undoButton"), Qt::LeftButton);
    EXPECT_EQ(Shown().fadeOutHoldTime, 0);
    EXPECT_EQ(Get<QLineEdit>("fadeOutHoldTime")->text(), QStringLiteral("0.0"));
    EXPECT_TRUE(editor_->Document().Modified());
    QTest::mouseClick(Get<QToolButton>("undoButton"), Qt::LeftButton);
    EXPECT_EQ(Get<QLineEdit>("fadeOutTime")->text(), QStringLiteral("0.0"));

    // Opened again, the page shows what the file holds.
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        window_.Reporter().ScriptAnswers({Answer::No});
        QTest::mouseClick(Get<QAbstractButton>("openButton"), Qt::LeftButton);
    }
    EXPECT_EQ(Get<QComboBox>("numerator")->currentIndex(), 2);
    EXPECT_EQ(Get<QComboBox>("denominator")->currentText(), QStringLiteral("8"));
    EXPECT_FALSE(Get<QCheckBox>("bellOn")->isChecked());
    EXPECT_EQ(Get<QSpinBox>("metronomeVolume")->value(), 64);
    EXPECT_EQ(Get<QLineEdit>("fadeOutTime")->text(), QStringLiteral("12.3"));
    EXPECT_EQ(Get<QLineEdit>("fadeOutHoldTime")->text(), QStringLiteral("4.9"));
}

}  // namespace
}  // namespace veltrano
