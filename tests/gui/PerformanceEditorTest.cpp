// The performance editor driven as a player would: clicks, keys and typed text, checked in
// the document's bank and in saved files read back by the core reader.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "DemoWindow.h"
#include "PerformanceEditorFixture.h"
#include "performance/EffectRules.h"
#include "performance/KeyboardRules.h"
#include "performance/PerformanceCompare.h"
#include "performance/PerformanceFile.h"
#include "performance/gui/CompareDialog.h"
#include "performance/gui/EffectPage.h"
#include "performance/gui/PerformanceEditor.h"
#include "transfer/gui/PresetChooser.h"
#include "ui/PianoKeyboard.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
namespace er = effect_rules;

class PerformanceEditorTest : public test::PerformanceEditorFixture {
protected:
    const PerformanceBank& Bank() { return editor_->Document().Bank(); }
    const Performance& Shown() { return editor_->Document().Current(); }

    // The drop-down opened, the item reached with the arrow keys and taken with Enter (a
    // click right after the list opens is not taken, as for a person's double click).
    void Choose(QComboBox* box, int index) {
        ASSERT_NE(box, nullptr);
        box->showPopup();
        QAbstractItemView* view = box->view();
        ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }));
        int at = view->currentIndex().isValid() ? view->currentIndex().row() : -1;
        if (at < 0) {
            QTest::keyClick(view, Qt::Key_Down);
            at = view->currentIndex().row();
        }
        for (; at < index; ++at) {
            QTest::keyClick(view, Qt::Key_Down);
        }
        for (; at > index; --at) {
            QTest::keyClick(view, Qt::Key_Up);
        }
        QTest::keyClick(view, Qt::Key_Return);
        // The offscreen platform leaves the closed list as the active window.
        QApplication::setActiveWindow(box->window());
        QCoreApplication::processEvents();
        EXPECT_EQ(box->currentIndex(), index) << box->objectName().toStdString();
    }
    void Choose(const char* name, int index) { Choose(Get<QComboBox>(name), index); }
    void ChoosePerformance(int index) { Choose("performanceBox", index); }
    // Arrow keys until the slider shows the value.
    void Slide(const char* name, int value) {
        auto* slider = Get<QSlider>(name);
        ASSERT_NE(slider, nullptr);
        slider->setFocus();
        for (int i = 0; i < 300 && slider->value() != value; ++i) {
            const int before = slider->value();
            QTest::keyClick(slider, Qt::Key_Up);
            if (slider->value() == before ||
                std::abs(slider->value() - value) > std::abs(before - value)) {
                QTest::keyClick(slider, Qt::Key_Down);
                QTest::keyClick(slider, Qt::Key_Down);
            }
        }
        ASSERT_EQ(slider->value(), value) << name;
    }
    void Click(const char* name) {
        auto* button = Get<QAbstractButton>(name);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    // Save through the dialog under `name` in the test's folder.
    void SaveAs(const fs::path& path) {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        Click("saveButton");
    }
    PerformanceBank ReadBack(const fs::path& path) {
        PerformanceBank bank;
        EXPECT_TRUE(PerformanceFile(window_.Reporter(), CodePage::Windows1252).Read(path, bank));
        return bank;
    }
    static std::string Differences(const Performance& a, const Performance& b) {
        std::string text;
        for (const FieldDifference& d : ComparePerformances(a, b)) {
            text += d.field + ": " + d.left + " / " + d.right + "\n";
        }
        return text;
    }
};

TEST_F(PerformanceEditorTest, ATypedVolumeSurvivesATabSwitchAndAPerformanceShowsItsOwnValues) {
    EXPECT_EQ(Get<QComboBox>("performanceBox")->count(), 6);
    EXPECT_EQ(Get<QComboBox>("performanceBox")->itemText(5), QStringLiteral("Performance 6"));
    auto* tabs = Get<QTabWidget>("performanceTabs");
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Keyboard"));
    EXPECT_EQ(tabs->tabText(5), QStringLiteral("Global"));

    Type("volumeR1", QStringLiteral("77"));
    ShowTab(PerformanceEditor::kEffectTab);
    ShowTab(PerformanceEditor::kKeyboardTab);
    EXPECT_EQ(Get<QSpinBox>("volumeR1")->value(), 77);
    EXPECT_EQ(Bank().At(0).keyboard.volumes[0], 77);

    // Performance 3 edited, then performance 1 shows its own values, and 3 its edit again.
    window_.Panel().Keyboard().ShowKey(60, true);
    ChoosePerformance(2);
    EXPECT_EQ(editor_->Document().CurrentIndex(), 2);
    EXPECT_FALSE(window_.Panel().Keyboard().KeyShown(60));  // the keyboard let go
    EXPECT_NE(Get<QSpinBox>("volumeR1")->value(), 77);
    Type("volumeR1", QStringLiteral("12"));
    ChoosePerformance(0);
    EXPECT_EQ(Get<QSpinBox>("volumeR1")->value(), 77);
    ChoosePerformance(2);
    EXPECT_EQ(Get<QSpinBox>("volumeR1")->value(), 12);
    EXPECT_EQ(Bank().At(2).keyboard.volumes[0], 12);
    EXPECT_EQ(Get<QLineEdit>("fileName")->text(), QStringLiteral("*"));
}

TEST_F(PerformanceEditorTest, SaveTakesTheTuneStillBeingTypedAndClampsIt) {
    auto* tune = Get<QLineEdit>("masterTune");
    tune->setFocus();
    QTest::keyClick(tune, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(tune, QStringLiteral("470"));  // no Enter
    const fs::path path = window_.Local() / "tune.prf";
    SaveAs(path);
    EXPECT_EQ(ReadBack(path).At(0).keyboard.masterTune, 4662);
    EXPECT_EQ(tune->text(), QStringLiteral("466.2"));
    EXPECT_EQ(Get<QLineEdit>("fileName")->text(), QStringLiteral("tune.prf"));
    // A word is no tune: the stored one shows again.
    Type(tune, QStringLiteral("loud"));
    EXPECT_EQ(tune->text(), QStringLiteral("466.2"));
    Type(tune, QStringLiteral("400"));
    EXPECT_EQ(tune->text(), QStringLiteral("415.4"));
    EXPECT_EQ(Shown().keyboard.masterTune, 4154);
}

TEST_F(PerformanceEditorTest, UndoAndRedoGoBackToWhereEachEditWasMade) {
    Type("volumeL", QStringLiteral("33"));
    ChoosePerformance(3);
    ShowTab(PerformanceEditor::kEffectTab);
    Choose("effectPart", 1);
    Click("switchHarmony");
    Choose("harmonyRatio", 0);  // 20 %
    EXPECT_EQ(Bank().At(3).effect.parts[1].harmonyRatio, 20);
    ChoosePerformance(5);
    Choose("effectPart", 3);

    Click("undoButton");
    EXPECT_EQ(editor_->Document().CurrentIndex(), 3);
    EXPECT_EQ(Get<QTabWidget>("performanceTabs")->currentIndex(), PerformanceEditor::kEffectTab);
    auto& effect = static_cast<EffectPage&>(editor_->Page(PerformanceEditor::kEffectTab));
    EXPECT_EQ(effect.ShownPart(), 1);
    EXPECT_EQ(effect.ShownSubPage(), EffectPage::kHarmony);
    EXPECT_EQ(Bank().At(3).effect.parts[1].harmonyRatio, 80);
    EXPECT_EQ(Get<QComboBox>("harmonyRatio")->currentText(), QStringLiteral("80"));

    // Ctrl+Z in a number field undoes the bank's step, not the field's text.
    auto* ratio = Get<QSpinBox>("harmonyTouchLimitValue");
    ratio->setFocus();
    QTest::keyClick(ratio, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Bank().At(3).effect.parts[1].flags & 2, 0);
    QTest::keyClick(ratio, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor_->Document().CurrentIndex(), 0);
    EXPECT_EQ(Get<QTabWidget>("performanceTabs")->currentIndex(), PerformanceEditor::kKeyboardTab);
    EXPECT_EQ(Bank().At(0).keyboard.volumes[3], 90);
    EXPECT_EQ(Get<QSpinBox>("volumeL")->value(), 90);
    EXPECT_FALSE(Get<QToolButton>("undoButton")->isEnabled());
    EXPECT_EQ(Get<QLineEdit>("fileName")->text(), QString());

    auto* volume = Get<QSpinBox>("volumeL");
    volume->setFocus();
    QTest::keyClick(volume, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Get<QSpinBox>("volumeL")->value(), 33);
    QTest::keyClick(volume, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Bank().At(3).effect.parts[1].flags & 2, 2);
    Click("redoButton");
    EXPECT_EQ(Bank().At(3).effect.parts[1].harmonyRatio, 20);
    EXPECT_FALSE(Get<QToolButton>("redoButton")->isEnabled());
}

TEST_F(PerformanceEditorTest, TheQuestionBeforeLosingEditsSavesDropsOrKeeps) {
    RecordingReporter& reporter = window_.Reporter();
    Type("transpose", QStringLiteral("-5"));

    // Cancel keeps everything, the window included.
    reporter.ScriptAnswers({Answer::Cancel});
    Click("newButton");
    EXPECT_EQ(Shown().keyboard.transpose, -5);
    ASSERT_EQ(reporter.Messages().size(), 1u);
    EXPECT_EQ(reporter.Messages()[0].text, "Save the changes to the new bank?");
    EXPECT_TRUE(reporter.Messages()[0].question);
    reporter.ScriptAnswers({Answer::Cancel});
    EXPECT_FALSE(window_.Panel().close());
    EXPECT_TRUE(window_.Panel().isVisible());

    // Yes saves first, then New goes on.
    reporter.Clear();
    reporter.ScriptAnswers({Answer::Yes});
    const fs::path path = window_.Local() / "kept.prf";
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        Click("newButton");
    }
    EXPECT_EQ(ReadBack(path).At(0).keyboard.transpose, -5);
    EXPECT_EQ(Shown().keyboard.transpose, 0);
    EXPECT_EQ(Get<QSpinBox>("transpose")->value(), 0);

    // No drops them: Open reads the file without saving.
    Type("transpose", QStringLiteral("7"));
    reporter.Clear();
    reporter.ScriptAnswers({Answer::No});
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        Click("openButton");
        EXPECT_EQ(answer.Filter(), QStringLiteral("Performance files(*.prf)"));
    }
    EXPECT_EQ(reporter.Messages().size(), 1u);
    EXPECT_EQ(Shown().keyboard.transpose, -5);
    EXPECT_EQ(ReadBack(path).At(0).keyboard.transpose, -5);
    EXPECT_EQ(Get<QLineEdit>("fileName")->text(), QStringLiteral("kept.prf"));
    EXPECT_EQ(window_.App().config.DialogFolder(dialog_folder::kOpenPerf),
              window_.Local().string());
}

TEST_F(PerformanceEditorTest, EveryControlOfBothPagesIsSavedAndReadBack) {
    ChoosePerformance(1);
    Performance expected = Shown();
    const PresetCatalog& catalog = window_.App().catalog;
    ASSERT_GE(catalog.Voices().size(), 6u);

    // Keyboard page.
    Click("partOnR2");
    expected.keyboard.parts[1].on = expected.keyboard.parts[1].on != 0 ? 0 : 1;
    Choose("voiceR3", 5);
    const VoiceEntry& voice = catalog.Voices()[5];
    expected.keyboard.parts[2].voice = {0, static_cast<uint16_t>(voice.number - 1), {}};
    expected.keyboard.parts[2].p1 = static_cast<uint8_t>(voice.bankMsb);
    expected.keyboard.parts[2].p2 = static_cast<uint8_t>(voice.bankLsb);
    expected.keyboard.parts[2].p3 = static_cast<uint8_t>(voice.program);
    Type("octaveR1", QStringLiteral("1"));
    expected.keyboard.parts[0].octave = 12;
    Type("octaveL", QStringLiteral("-1"));
    expected.keyboard.parts[3].octave = -12;
    Type("reverbR2", QStringLiteral("99"));
    expected.keyboard.parts[1].reverb = 99;
    Type("chorusR3", QStringLiteral("33"));
    expected.keyboard.parts[2].chorus = 33;
    Type("volumeL", QStringLiteral("77"));
    expected.keyboard.volumes[3] = 77;
    Type("panR1", QStringLiteral("-20"));
    expected.keyboard.pans[0] = -20;
    Type("transpose", QStringLiteral("-5"));
    expected.keyboard.transpose = -5;
    Type("masterTune", QStringLiteral("445.5"));
    expected.keyboard.masterTune = 4455;
    Choose("latch", 2);
    Choose("touch", 0);
    expected.keyboard.touchLatch = 4;
    expected.keyboard.touchCurve = 2;
    ASSERT_TRUE(Get<QSpinBox>("fixedLevel")->isVisible());
    Type("fixedLevel", QStringLiteral("88"));
    expected.keyboard.fixedLevel = 88;
    Choose("splitPart", 3);
    Type("partSplit", QStringLiteral("G4"));
    expected.keyboard.splitKeys[3] = 67;
    Type("chordSplit", QStringLiteral("50"));
    expected.styleSong.styleSplitKey = 50;

    // Effect page: R2's records, then R1's insertion effect, then the section's.
    ShowTab(PerformanceEditor::kEffectTab);
    Choose("effectPart", 1);
    PartEffect& fx = expected.effect.parts[1];
    Click("switchHarmony");
    Click("switchChopper");
    Click("switchArpeggiator");
    Click("extraSwitch");
    fx.flags = static_cast<uint16_t>(fx.flags ^ 0x8007);
    Click("switchArpeggiator");  // off again: its sub-page stays
    fx.flags = static_cast<uint16_t>(fx.flags ^ 0x0001);
    ASSERT_TRUE(Get<QWidget>("arpeggiatorPage")->isVisible());
    Click("arpSort");
    Click("arpKeySound");
    fx.arpParams[0] = static_cast<uint8_t>(fx.arpParams[0] ^ 0x09);
    Choose("arpResolution", 3);
    fx.arpParams[1] = 3;
    Choose("arpReplace", 4);
    fx.arpParams[2] = 4;
    Choose("arpOctaveType", 2);
    fx.arpParams[3] = 2;
    Choose("arpOctaveRange", 3);
    fx.arpParams[4] = 4;
    Choose("arpVelocity", 1);
    ASSERT_TRUE(Get<QSpinBox>("arpVelocityValue")->isVisible());
    Type("arpVelocityValue", QStringLiteral("90"));
    fx.arpParams[5] = 90;
    Type("arpVelocityMin", QStringLiteral("10"));
    fx.arpParams[6] = 10;
    Type("arpVelocityMax", QStringLiteral("120"));
    fx.arpParams[7] = 120;
    Choose("arpTrigger", 0);
    fx.arpParams[8] = 0;
    Choose("arpFixedNoteIndex", 4);
    Type("arpFixedNote", QStringLiteral("72"));
    fx.fixedNotes[4] = 72;
    EXPECT_EQ(Get<QLabel>("arpFixedNoteName")->text(), QStringLiteral("C5"));

    Click("switchHarmony");  // off again: the sub-page stays
    Click("switchHarmony");  // on: harmony shows
    ASSERT_TRUE(Get<QWidget>("harmonyPage")->isVisible());
    Click("harmonyType4");
    fx.harmonyType = 4;
    Choose("harmonyRatio", 0);
    fx.harmonyRatio = 20;
    Slide("harmonyTouchLimit", 64);
    fx.harmonyTouchLimit = 64;
    EXPECT_EQ(Get<QSpinBox>("harmonyTouchLimitValue")->value(), 64);

    Click("switchChopper");
    Click("switchChopper");
    ASSERT_TRUE(Get<QWidget>("chopperPage")->isVisible());
    Choose("chopperSpeed", 6);
    fx.chopperSpeed = 6;
    Type("chopperPullUpValue", QStringLiteral("42"));
    fx.chopperPullUp = 42;
    EXPECT_EQ(Get<QSlider>("chopperPullUp")->value(), 42);
    Click("chopperUsePattern");
    fx.chopperMode = 1;
    EXPECT_FALSE(Get<QComboBox>("chopperSpeed")->isVisible());
    EXPECT_TRUE(Get<QPushButton>("chopperPatternButton")->isVisible());

    // The insertion switch belongs to R1: for R2 it cannot be changed.
    EXPECT_FALSE(Get<QPushButton>("switchInsertion")->isEnabled());
    Choose("effectPart", 0);
    ASSERT_TRUE(Get<QPushButton>("switchInsertion")->isEnabled());
    Click("switchInsertion");
    PartEffect& r1 = expected.effect.parts[0];
    r1.flags = static_cast<uint16_t>(r1.flags ^ 0x0008);
    ASSERT_TRUE(Get<QWidget>("insertionPage")->isVisible());
    // Shown for R2, the switch shows R2's own state, not R1's.
    Choose("effectPart", 1);
    EXPECT_FALSE(Get<QPushButton>("switchInsertion")->isChecked());
    EXPECT_FALSE(Get<QPushButton>("switchInsertion")->isEnabled());
    Choose("effectPart", 0);
    EXPECT_TRUE(Get<QPushButton>("switchInsertion")->isChecked());
    auto* categories = Get<QListWidget>("insertionCategories");
    QTest::mouseClick(categories->viewport(), Qt::LeftButton, {},
                      categories->visualItemRect(categories->item(2)).center());
    Click("insertionType4");
    r1.insertion[er::kCategoryByte] = 2;
    r1.insertion[er::kTypeByte] = 3;
    Type("insertionParameter2", QStringLiteral("99"));
    r1.insertion[er::ParameterOffset(2, 3) + 1] = 99;

    Click("switchGlobalEffect");
    expected.effect.globalEffect[0] = 1;
    Choose("reverbType", 5);
    EXPECT_TRUE(Get<QPushButton>("reverbTypeButton6")->isChecked());
    Click("reverbTypeButton4");  // the buttons choose the same type
    expected.effect.globalEffect[1] = 3;
    EXPECT_EQ(Get<QComboBox>("reverbType")->currentIndex(), 3);
    Type("reverbLevel", QStringLiteral("100"));
    expected.effect.globalEffect[2] = 100;
    Choose("chorusType", 7);
    expected.effect.globalEffect[3] = 7;
    Type("chorusLevel", QStringLiteral("30"));
    expected.effect.globalEffect[4] = 30;
    Type("reverbSend", QStringLiteral("12"));  // R1's reverb level of the Keyboard section
    expected.keyboard.parts[0].reverb = 12;
    Type("chorusSend", QStringLiteral("13"));
    expected.keyboard.parts[0].chorus = 13;

    Click("switchEqualiser");
    expected.effect.equaliser[0] = 1;
    Type("eqFrequency1", QStringLiteral("1.03khz"));
    expected.effect.equaliser[1] = 31;
    Type("eqFrequency2", QStringLiteral("9kHz"));  // not in the table: refused
    EXPECT_EQ(Get<QComboBox>("eqFrequency2")->currentText(), QStringLiteral("2.12KHz"));
    Slide("eqGain4", 20);
    expected.effect.equaliser[8] = static_cast<uint8_t>(-8);
    EXPECT_EQ(Get<QLabel>("eqGainText4")->text(), QStringLiteral("-8dB"));

    const fs::path path = window_.Local() / "every.prf";
    SaveAs(path);
    EXPECT_TRUE(window_.Reporter().Empty()) << window_.Reporter().Texts().front();
    const PerformanceBank read = ReadBack(path);
    EXPECT_EQ(Differences(read.At(1), expected), "");
    EXPECT_EQ(Differences(read.At(0), Bank().At(0)), "");

    // Opened again, the pages show the same values.
    ChoosePerformance(0);
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        Click("openButton");
    }
    ChoosePerformance(1);
    EXPECT_EQ(Differences(Shown(), expected), "");
    EXPECT_EQ(Get<QComboBox>("reverbType")->currentIndex(), 3);
    EXPECT_EQ(Get<QLabel>("eqGainText4")->text(), QStringLiteral("-8dB"));
    ShowTab(PerformanceEditor::kKeyboardTab);
    EXPECT_EQ(Get<QSpinBox>("octaveL")->value(), -1);
    EXPECT_EQ(Get<QLineEdit>("masterTune")->text(), QStringLiteral("445.5"));
    EXPECT_EQ(Get<QComboBox>("voiceR3")->currentIndex(), 5);
}

TEST_F(PerformanceEditorTest, AVoiceIsTakenFromItsRowNotFromTheNumberInItsText) {
    PresetCatalog& catalog = window_.App().catalog;
    catalog.ReadVoiceTableBytes(
        "[GROUP NAME]\nPiano\nStrings\n[VOICE INFO]\n"
        "31\t1\t0\tViolin\t1\t2\t3\t0\t90\t30\t5\t0\t244\n"
        "5\t0\t0\tGrand\t4\t5\t6\t0\t100\t45\t7\t12\t0\n",
        false);
    editor_->RefreshForDevice();
    auto* voice = Get<QComboBox>("voiceR1");
    ASSERT_EQ(voice->count(), 2);
    EXPECT_EQ(voice->itemText(1), QStringLiteral("001 Violin"));
    // R1's voice 0 is not in this catalogue: its number shows and its numbers stay.
    EXPECT_EQ(voice->currentText(), QStringLiteral("001"));
    const KeyboardPart before = Shown().keyboard.parts[0];
    Choose(voice, 1);
    EXPECT_EQ(Shown().keyboard.parts[0].voice.number, 30);
    EXPECT_EQ(Shown().keyboard.parts[0].p3, 3);
    EXPECT_EQ(voice->currentText(), QStringLiteral("001 Violin"));
    Click("undoButton");
    EXPECT_EQ(Shown().keyboard.parts[0], before);

    // Typing filters the list by name.
    voice->setFocus();
    voice->lineEdit()->selectAll();
    QTest::keyClicks(voice->lineEdit(), QStringLiteral("gra"));
    QAbstractItemView* popup = voice->completer()->popup();
    ASSERT_TRUE(QTest::qWaitFor([popup] { return popup->isVisible(); }));
    EXPECT_EQ(popup->model()->rowCount(), 1);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(Shown().keyboard.parts[0].voice.number, 4);
}

TEST_F(PerformanceEditorTest, TheChooserButtonStoresThePresetsOwnNumber) {
    const auto& groups = window_.App().catalog.VoiceGroups();
    ASSERT_GE(groups.size(), 2u);
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<PresetChooser*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        auto* groupBox = chooser->findChild<QComboBox*>(QStringLiteral("chooserGroupBox"));
        auto* entries = chooser->findChild<QListWidget*>(QStringLiteral("chooserEntryList"));
        ASSERT_TRUE(groupBox != nullptr && entries != nullptr);
        groupBox->setCurrentIndex(1);
        QTest::mouseClick(entries->viewport(), Qt::LeftButton, {},
                          entries->visualItemRect(entries->item(0)).center());
        QTest::mouseClick(chooser->findChild<QPushButton*>(QStringLiteral("chooserOkButton")),
                          Qt::LeftButton);
    });
    Click("chooseVoiceR2");
    const VoiceEntry* chosen = window_.App().catalog.FindVoiceByDisplay(groups[1].displays[0]);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(Shown().keyboard.parts[1].voice,
              (PresetRef{0, static_cast<uint16_t>(chosen->number - 1), {}}));
    EXPECT_EQ(Get<QComboBox>("voiceR2")->currentText(), QString::fromStdString(chosen->display));
}

// The Edit menu opened with its button, and the item with that text (in a sub-menu when
// `sub` is given) taken.
void PickFromEditMenu(QToolButton* button, const QString& sub, const QString& item) {
    QTimer::singleShot(0, [sub, item] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QMenu* target = menu;
        if (!sub.isEmpty()) {
            for (QAction* action : menu->actions()) {
                if (action->text() == sub && action->menu() != nullptr) {
                    target = action->menu();
                }
            }
        }
        QAction* chosen = nullptr;
        for (QAction* action : target->actions()) {
            if (action->text() == item) {
                chosen = action;
            }
        }
        menu->close();
        ASSERT_NE(chosen, nullptr) << item.toStdString();
        chosen->trigger();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
}

TEST_F(PerformanceEditorTest, ThePatternButtonStoresTheChosenPatternAndAFileVoiceIsGrey) {
    ShowTab(PerformanceEditor::kEffectTab);
    const auto& arps = window_.App().catalog.ArpGroups();
    ASSERT_FALSE(arps.empty());
    ASSERT_GE(arps[0].names.size(), 4u);
    QTimer::singleShot(0, [] {
        QWidget* chooser = QApplication::activeModalWidget();
        ASSERT_NE(chooser, nullptr);
        auto* entries = chooser->findChild<QListWidget*>(QStringLiteral("chooserEntryList"));
        ASSERT_NE(entries, nullptr);
        EXPECT_EQ(entries->currentRow(), 0);  // the stored pattern
        QTest::keyClick(entries, Qt::Key_Down);
        QTest::keyClick(entries, Qt::Key_Down);
        QTest::keyClick(entries, Qt::Key_Return);
    });
    Click("arpPatternButton");
    EXPECT_EQ(Shown().effect.parts[0].arpPattern, (PresetRef{0, 2, {}}));
    EXPECT_TRUE(
        Get<QLabel>("arpPattern")->text().endsWith(QString::fromStdString(arps[0].names[2])));

    // A voice file of the USB tab shows its path on grey.
    editor_->Document().Edit("Keyboard/R3/voice", [](Performance& p) {
        p.keyboard.parts[2].voice = {2, 0, "USB\\Pads\\Warm.voc"};
    });
    ShowTab(PerformanceEditor::kKeyboardTab);
    auto* voice = Get<QComboBox>("voiceR3");
    EXPECT_EQ(voice->currentText(), QStringLiteral("USB\\Pads\\Warm.voc"));
    EXPECT_EQ(voice->lineEdit()->palette().color(QPalette::Base), QColor(191, 191, 191));
    EXPECT_NE(Get<QComboBox>("voiceR1")->lineEdit()->palette().color(QPalette::Base),
              QColor(191, 191, 191));
}

TEST_F(PerformanceEditorTest, CopySwapAndCompareThroughTheEditMenu) {
    auto* edit = Get<QToolButton>("editButton");
    Type("volumeR1", QStringLiteral("5"));
    PickFromEditMenu(edit, QStringLiteral("Copy This Performance To"),
                     QStringLiteral("Performance 5"));
    EXPECT_EQ(Bank().At(4).keyboard.volumes[0], 5);
    Type("volumeR2", QStringLiteral("6"));
    PickFromEditMenu(edit, QStringLiteral("Swap This Performance With"),
                     QStringLiteral("Performance 5"));
    EXPECT_EQ(Bank().At(4).keyboard.volumes[1], 6);
    EXPECT_NE(Bank().At(0).keyboard.volumes[1], 6);
    EXPECT_EQ(Get<QSpinBox>("volumeR2")->value(), Bank().At(0).keyboard.volumes[1]);
    Click("undoButton");
    EXPECT_EQ(Bank().At(0).keyboard.volumes[1], 6);

    // Compared with performance 2 and with the saved file.
    const fs::path path = window_.Local() / "cmp.prf";
    SaveAs(path);
    Type("volumeL", QStringLiteral("1"));
    int listed = -1;
    int againstFile = -1;
    // The dialog is looked at once it is open, then closed.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CompareDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        poll.stop();
        listed = dialog->DifferenceCount();
        auto* with = dialog->findChild<QComboBox*>(QStringLiteral("compareWith"));
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("compareTable"));
        if (with != nullptr && table != nullptr) {
            EXPECT_EQ(with->count(), 6);  // five performances and the file
            with->setCurrentIndex(with->count() - 1);
            againstFile = dialog->DifferenceCount();
            if (againstFile > 0) {
                EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("Keyboard L volume"));
                EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("1"));
            }
        }
        dialog->reject();
    });
    poll.start(10);
    PickFromEditMenu(edit, QString(), QStringLiteral("Compare"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !poll.isActive(); }));
    EXPECT_EQ(listed, static_cast<int>(ComparePerformances(Bank().At(0), Bank().At(1)).size()));
    EXPECT_GE(listed, 2);  // at least the two volumes typed
    EXPECT_EQ(againstFile, 1);
}

}  // namespace
}  // namespace veltrano

namespace veltrano {
namespace {

TEST_F(PerformanceEditorTest, AnotherDeviceBringsItsDefaultBankUnlessTheEditsAreKept) {
    RecordingReporter& reporter = window_.Reporter();
    const PerformanceBank start = Bank();
    Type("volumeR2", QStringLiteral("3"));
    reporter.ScriptAnswers({Answer::Cancel});
    editor_->DeviceSwitched();
    EXPECT_EQ(Bank().At(0).keyboard.volumes[1], 3);
    EXPECT_EQ(reporter.Messages().size(), 1u);

    reporter.ScriptAnswers({Answer::No});
    editor_->DeviceSwitched();
    EXPECT_EQ(Bank().Performances(), start.Performances());
    EXPECT_FALSE(editor_->Document().Modified());
    EXPECT_EQ(Get<QLineEdit>("fileName")->text(), QString());
    EXPECT_EQ(Get<QSpinBox>("volumeR2")->value(), start.At(0).keyboard.volumes[1]);
    // Without edits nothing is asked.
    reporter.Clear();
    editor_->DeviceSwitched();
    EXPECT_TRUE(reporter.Empty());
}

TEST_F(PerformanceEditorTest, ALanguageSwitchRelabelsThePagesAndKeepsWhatWasTyped) {
    auto* tune = Get<QLineEdit>("masterTune");
    tune->setFocus();
    QTest::keyClick(tune, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(tune, QStringLiteral("441.5"));
    window_.App().language.SelectLanguage(1, window_.App().config);
    window_.Panel().ApplyTexts();
    EXPECT_EQ(Shown().keyboard.masterTune, 4415);
    EXPECT_EQ(Get<QComboBox>("performanceBox")->itemText(0), QStringLiteral("演奏 1"));
    EXPECT_EQ(Get<QTabWidget>("performanceTabs")->tabText(1), QStringLiteral("效果"));
    EXPECT_EQ(Get<QPushButton>("switchHarmony")->text(), QStringLiteral("和声"));
    EXPECT_EQ(Get<QComboBox>("touch")->itemText(0), QStringLiteral("关"));
}

}  // namespace
}  // namespace veltrano

namespace veltrano {
namespace {

TEST_F(PerformanceEditorTest, EveryControlHasANameInBothLanguages) {
    for (int language : {0, 1}) {
        window_.App().language.SelectLanguage(language, window_.App().config);
        window_.Panel().ApplyTexts();
        for (QWidget* w : editor_->findChildren<QWidget*>()) {
            const bool control =
                qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractSlider*>(w) ||
                qobject_cast<QListWidget*>(w) ||
                (qobject_cast<QLineEdit*>(w) && !w->parentWidget()->inherits("QAbstractSpinBox") &&
                 !qobject_cast<QComboBox*>(w->parentWidget()));
            // Scroll bars of the scrolled pages are the frame's, not controls of the editor.
            if (!control || qobject_cast<QScrollBar*>(w) != nullptr) {
                continue;
            }
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
                << language << " " << w->metaObject()->className() << " "
                << w->objectName().toStdString();
        }
    }
}

}  // namespace
}  // namespace veltrano
