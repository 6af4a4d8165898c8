// The Controllers page of the performance editor driven by clicks and keys: the controller
// buttons the device profile asks for, functions and parts assigned, the pads fed from the
// main window's keyboard, and every field saved and read back by the core reader.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "DemoWindow.h"
#include "PerformanceEditorFixture.h"
#include "app/OnScreenKeyboard.h"
#include "performance/ControllerRules.h"
#include "performance/PerformanceDocument.h"
#include "performance/PerformanceFile.h"
#include "performance/gui/ControllersPage.h"
#include "ui/PianoKeyboard.h"

namespace veltrano {
namespace {

namespace cr = controller_rules;
namespace fs = std::filesystem;

class ControllersPageTest : public test::PerformanceEditorFixture {
protected:
    ControllersPageTest() { ShowTab(PerformanceEditor::kControllersTab); }

    const ControllersSection& Shown() { return editor_->Document().Current().controllers; }
    void Click(const QString& name) {
        auto* button = Get<QAbstractButton>(name);
        ASSERT_NE(button, nullptr);
        // A box is clicked on its mark, which a wide cell leaves at the left.
        const QPoint at = qobject_cast<QCheckBox*>(button) != nullptr
                              ? QPoint(6, button->height() / 2)
                              : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
    }
    void Click(const char* name) { Click(QString::fromLatin1(name)); }
    void Inner(int tab) { ClickTab("controllerTabs", tab); }
    // A key of the main window's keyboard clicked with the mouse.
    void PressKey(int note) {
        PianoKeyboard& keys = window_.Panel().Keyboard();
        const KeyRect key = *keys.Geometry().Rect(note);
        QTest::mouseClick(
            &keys, Qt::LeftButton, {},
            QPoint(static_cast<int>(key.CenterX()), static_cast<int>(key.Bottom()) - 4));
    }
    OnScreenKeyboard& Keyboard() { return window_.Devices().Keyboard(); }
    PerformanceBank SaveAndRead(const char* name = "controllers.prf") {
        const fs::path path = window_.Local() / name;
        {
            test::FileDialogAnswer answer(QString::fromStdString(path.string()));
            QTest::mouseClick(Get<QAbstractButton>("saveButton"), Qt::LeftButton);
        }
        EXPECT_TRUE(window_.Reporter().Empty())
            << testing::PrintToString(window_.Reporter().Texts());
        PerformanceBank read;
        EXPECT_TRUE(PerformanceFile(window_.Reporter(), CodePage::Windows1252).Read(path, read));
        return read;
    }
    // Where a controller button sits in its tab's grid.
    std::pair<int, int> CellOf(const QString& name) {
        QWidget* button = Get<QWidget>(name);
        auto* grid = qobject_cast<QGridLayout*>(button->parentWidget()->layout());
        int row = -1, column = -1, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(button), &row, &column, &rows, &columns);
        return {row / 2, column};  // each button has its label in the row below
    }
};

TEST_F(ControllersPageTest, KnobButtonsFollowTheProfileInThreeLayouts) {
    // The demo instrument's device.ini: four knobs, four pads, two pedals and a wheel.
    EXPECT_FALSE(Get<QWidget>("knob3")->isHidden());
    EXPECT_TRUE(Get<QWidget>("knob4")->isHidden());
    EXPECT_FALSE(Get<QWidget>("pad3")->isHidden());
    EXPECT_TRUE(Get<QWidget>("pad4")->isHidden());
    EXPECT_TRUE(Get<QWidget>("pedal2")->isHidden());

    const std::vector<std::vector<std::pair<int, int>>> layouts{
        {{0, 0}},
        {{0, 0}, {0, 1}},
        {{0, 0}, {0, 1}, {1, 0}},
        {{0, 0}, {0, 1}, {1, 0}, {1, 1}},
        {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}},
        {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}};
    DeviceProfile& profile = window_.App().profile;
    const fs::path folder = profile.File().Path().parent_path();
    for (int knobs = 1; knobs <= 6; ++knobs) {
        DeviceProfileValues values = profile.Values();
        values.controllerKnob = knobs;
        ASSERT_TRUE(profile.Write(values));
        profile.Read(folder);  // what a device change does
        editor_->RefreshForDevice();
        for (int k = 0; k < knobs; ++k) {
            EXPECT_EQ(CellOf(QStringLiteral("knob%1").arg(k)), layouts[knobs - 1][k])
                << knobs << " knobs, knob " << k;
        }
        for (int k = knobs; k < kMaxKnobs; ++k) {
            EXPECT_TRUE(Get<QWidget>(QStringLiteral("knob%1").arg(k))->isHidden());
        }
    }
}

TEST_F(ControllersPageTest, KnobsTakeFunctionsAndPartsAndKeepThemThroughTheFile) {
    Inner(ControllersPage::kKnobTab);
    Click("knob1");
    Click("knobFunction15");  // Tempo
    EXPECT_EQ(Shown().knobs[1].function, 15);
    EXPECT_EQ(Shown().knobs[1].group, cr::kAssignedKnobGroup);
    EXPECT_EQ(Get<QLabel>("knobLabel1")->text(), QStringLiteral("Tempo"));
    EXPECT_TRUE(Get<QPushButton>("knobFunction15")->isChecked());

    Click("knob0");
    EXPECT_TRUE(Get<QPushButton>("knob0")->isChecked());
    EXPECT_FALSE(Get<QPushButton>("knob1")->isChecked());
    Click("knobFunction2");  // Rev. Level: the label drops the blank
    EXPECT_EQ(Get<QLabel>("knobLabel0")->text(), QStringLiteral("Rev.Level"));
    Click("knobPart0");  // R1 off
    Click("knobPart3");  // L on
    EXPECT_EQ(Shown().knobs[0].applyTo, 0b1000);
    // Selecting knob 1 again shows its own boxes.
    Click("knob1");
    EXPECT_TRUE(Get<QCheckBox>("knobPart0")->isChecked());
    EXPECT_FALSE(Get<QCheckBox>("knobPart3")->isChecked());

    const PerformanceBank read = SaveAndRead();
    const ControllersSection& c = read.At(0).controllers;
    EXPECT_EQ(c.knobs[0].function, 2);
    EXPECT_EQ(c.knobs[0].applyTo, 0b1000);
    EXPECT_EQ(c.knobs[1].function, 15);

    // Undone from another page, the step shows on its own tab and knob.
    ShowTab(PerformanceEditor::kGlobalTab);
    QTest::mouseClick(Get<QToolButton>("undoButton"), Qt::LeftButton);
    EXPECT_EQ(Get<QTabWidget>("performanceTabs")->currentIndex(),
              PerformanceEditor::kControllersTab);
    EXPECT_EQ(Shown().knobs[0].applyTo, 0b0000);
    EXPECT_FALSE(Get<QCheckBox>("knobPart3")->isChecked());
}

TEST_F(ControllersPageTest, ADrumPadTakesItsPitchFromTheKeyboardAndGivesTheChannelBack) {
    window_.Panel().SetKeyboardOn(true);
    ASSERT_EQ(Keyboard().Channel(), 0);
    Inner(ControllersPage::kPadTab);
    EXPECT_TRUE(editor_->Page(PerformanceEditor::kControllersTab).UsesKeyboard());
    Click("pad2");
    Click("padFunction0");  // Drum
    EXPECT_EQ(Shown().pads[2].kind, cr::kPadDrum);
    EXPECT_EQ(Keyboard().Channel(), cr::kDrumChannel);
    EXPECT_TRUE(Get<QWidget>("drumGroup")->isVisible());
    EXPECT_FALSE(Get<QWidget>("chordGroup")->isVisible());
    EXPECT_FALSE(Get<QWidget>("padApplyTo")->isVisible());

    PressKey(38);
    EXPECT_EQ(Shown().pads[2].drum[3], 38);
    EXPECT_TRUE(Get<QLabel>("drumPitch")->text().startsWith(QStringLiteral("38")));
    auto* voice = Get<QComboBox>("drumVoice");
    ASSERT_GT(voice->count(), 1);
    voice->setFocus();
    QTest::keyClick(voice, Qt::Key_Down);
    const auto drums = cr::DrumVoices(window_.App().catalog);
    const VoiceEntry& chosen = *drums[static_cast<size_t>(voice->currentIndex())];
    EXPECT_TRUE(chosen.drum);
    EXPECT_EQ(Shown().pads[2].drum[0], chosen.bankMsb);
    EXPECT_EQ(Shown().pads[2].drum[2], chosen.program);

    // Another pad tab, then the pad tab again; then another page: the channel is given back.
    Inner(ControllersPage::kKnobTab);
    EXPECT_EQ(Keyboard().Channel(), 0);
    EXPECT_FALSE(Keyboard().PadEntry());
    Inner(ControllersPage::kPadTab);
    EXPECT_EQ(Keyboard().Channel(), cr::kDrumChannel);
    ShowTab(PerformanceEditor::kGlobalTab);
    EXPECT_EQ(Keyboard().Channel(), 0);
    EXPECT_FALSE(Keyboard().PadEntry());
    // And when the whole Performance page is left.
    ShowTab(PerformanceEditor::kControllersTab);
    EXPECT_EQ(Keyboard().Channel(), cr::kDrumChannel);
    window_.ShowPage(0);
    EXPECT_EQ(Keyboard().Channel(), 0);

    editor_ = qobject_cast<PerformanceEditor*>(&window_.ShowPage(2));
    const PerformanceBank read = SaveAndRead();
    EXPECT_EQ(read.At(0).controllers.pads[2].kind, cr::kPadDrum);
    EXPECT_EQ(read.At(0).controllers.pads[2].drum, Shown().pads[2].drum);
}

TEST_F(ControllersPageTest, AChordTakesEachKeyOnceIsMarkedAndStopsWhenFull) {
    window_.Panel().SetKeyboardOn(true);
    Inner(ControllersPage::kPadTab);
    Click("pad0");  // a fresh pad is a chord
    ASSERT_EQ(Shown().pads[0].kind, cr::kPadChord);
    for (int note : {60, 64, 67, 64}) {
        PressKey(note);
    }
    EXPECT_EQ(cr::ChordNotes(Shown().pads[0]), (std::vector<int>{60, 64, 67}));
    EXPECT_EQ(Shown().pads[0].notes[0], 0x3C93);
    PianoKeyboard& keys = window_.Panel().Keyboard();
    EXPECT_TRUE(keys.KeyMarked(64));
    EXPECT_FALSE(keys.KeyMarked(62));

    const PerformanceBank read = SaveAndRead();
    EXPECT_EQ(cr::ChordNotes(read.At(0).controllers.pads[0]), (std::vector<int>{60, 64, 67}));

    // Leaving the tab clears the marks; undo takes back the last note.
    Inner(ControllersPage::kPedalTab);
    EXPECT_FALSE(keys.KeyMarked(64));
    QTest::mouseClick(Get<QToolButton>("undoButton"), Qt::LeftButton);
    EXPECT_EQ(cr::ChordNotes(Shown().pads[0]), (std::vector<int>{60, 64}));
    Inner(ControllersPage::kPadTab);
    Click("clearChord");
    EXPECT_EQ(Shown().pads[0].noteCount, 0);

    // A chord of 254 notes takes no more, and the page says why.
    editor_->Document().Edit("Controllers/pad 1", [](Performance& p) {
        Pad& pad = p.controllers.pads[0];
        for (int k = 0; k < cr::kMaxChordNotes; ++k) {
            pad.notes[static_cast<size_t>(k)] = 0x0093;  // a file's chord may repeat a note
        }
        pad.noteCount = cr::kMaxChordNotes;
    });
    editor_->Page(PerformanceEditor::kControllersTab).Show();
    PressKey(72);
    EXPECT_EQ(Shown().pads[0].noteCount, cr::kMaxChordNotes);
    EXPECT_EQ(Get<QLabel>("chordHint")->text(),
              QStringLiteral("The chord holds 254 notes, the most a file can store"));
    const PerformanceBank full = SaveAndRead("full.prf");
    EXPECT_EQ(full.At(0).controllers.pads[0].noteCount, cr::kMaxChordNotes);
}

TEST_F(ControllersPageTest, PedalsAndTheBendKeepWhatWasChosen) {
    Inner(ControllersPage::kPedalTab);
    Click("pedal1");
    Click("pedalFunction7");  // Next Perf
    EXPECT_EQ(Shown().pedals[1].function, 7);
    EXPECT_EQ(Get<QLabel>("pedalLabel1")->text(), QStringLiteral("NextPerf"));
    Click("pedal0");
    Click("pedalFunction4");  // Pitch Bend
    Click("pedalPart1");
    EXPECT_EQ(Shown().pedals[0].q4, 0b0011);

    ASSERT_TRUE(Get<QWidget>("bendGroup")->isVisible());
    auto* range = Get<QComboBox>("bendRange");
    EXPECT_EQ(range->currentIndex(), 2);
    range->setFocus();
    QTest::keyClick(range, Qt::Key_Down);
    QTest::keyClick(range, Qt::Key_Down);
    Click("bendPart3");  // L off of the four
    EXPECT_EQ(Shown().pitchBend[2], 4);
    EXPECT_EQ(Shown().pitchBend[1], 0b0111);

    const PerformanceBank read = SaveAndRead();
    const ControllersSection& c = read.At(0).controllers;
    EXPECT_EQ(c.pedals[0].function, 4);
    EXPECT_EQ(c.pedals[0].q4, 0b0011);
    EXPECT_EQ(c.pedals[1].function, 7);
    EXPECT_EQ(c.pitchBend[1], 0b0111);
    EXPECT_EQ(c.pitchBend[2], 4);
}

TEST_F(ControllersPageTest, TabGoesThroughATabAsItReads) {
    window_.Panel().activateWindow();
    Inner(ControllersPage::kKnobTab);
    QWidget* bar = Get<QTabWidget>("controllerTabs")->tabBar();
    bar->setFocus();
    // Tab stops at the chosen knob and the chosen function, as at a group of choices; the
    // arrow keys move within a group and Space chooses.
    QStringList reached;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(reached, (QStringList{"knob0", "knobFunction0", "knobPart0", "knobPart1"}));
    Get<QWidget>("knob0")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);  // below: knob 3
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("knob2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(Get<QPushButton>("knob2")->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("knobFunction0"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("knobFunction5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Shown().knobs[2].function, 5);
}

}  // namespace
}  // namespace veltrano
