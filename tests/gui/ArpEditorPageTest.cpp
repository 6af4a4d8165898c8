#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <map>

#include "DemoWindow.h"
#include "app/OnScreenKeyboard.h"
#include "arp/ArpEngine.h"
#include "arp/gui/ArpControlsWindow.h"
#include "arp/gui/ArpEditorPage.h"
#include "support/FakeMidiBackend.h"
#include "ui/PianoKeyboard.h"

namespace veltrano {
namespace {

constexpr int kArpPage = 3;

class ArpEditorPageTest : public ::testing::Test {
protected:
    ArpEditorPageTest() {
        page_ = dynamic_cast<ArpEditorPage*>(&window_.ShowPage(kArpPage));
        EXPECT_NE(page_, nullptr);
    }
    template <typename T>
    T* Child(const std::string& name) {
        return window_.Find<T>(name.c_str());
    }
    void ClickCell(int column, int row) {
        QTest::mouseClick(
            Child<QPushButton>("arpCell_" + std::to_string(column) + "_" + std::to_string(row)),
            Qt::LeftButton);
    }
    void Type(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    const ArpPattern& Pattern() { return page_->Editor().Pattern(); }

    test::DemoWindow window_;
    ArpEditorPage* page_ = nullptr;
};

TEST_F(ArpEditorPageTest, GridHeadersScrollAndStepFieldsEditThePattern) {
    RecordingReporter& reporter = window_.Reporter();
    ClickCell(0, 0);
    ClickCell(1, 0);
    EXPECT_EQ(Pattern().GetStep(0).noteMask, 1);
    EXPECT_EQ(Pattern().GetStep(1).noteMask, 1);
    EXPECT_EQ(Child<QSpinBox>("arpLength")->value(), 2);
    EXPECT_EQ(Child<QPushButton>("arpCell_1_0")->accessibleName(), "Step 2, row 1, note start");

    // Step 1 to Tie: the note of step 2 is in the way. No keeps everything.
    QTest::mouseClick(Child<QPushButton>("arpHeader_0"), Qt::LeftButton);
    QComboBox* mode = Child<QComboBox>("arpGateMode");
    reporter.ScriptAnswers({Answer::No});
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);  // Normal -> Tie
    EXPECT_EQ(Pattern().GetStep(0).gate, 100);
    EXPECT_EQ(mode->currentIndex(), 1);
    reporter.ScriptAnswers({Answer::Yes});
    QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(Pattern().GetStep(0).gate, 0x82);
    EXPECT_EQ(Pattern().GetStep(1).noteMask, 0);
    EXPECT_EQ(Child<QSpinBox>("arpGateValue")->value(), 2);
    EXPECT_EQ(Child<QPushButton>("arpCell_1_0")->accessibleName(), "Step 2, row 1, held by a tie");
    EXPECT_EQ(reporter.Messages().size(), 2u);
    EXPECT_EQ(reporter.Messages().back().text,
              "Because of Sustain settings, some notes will be removed, do you want to continue?");

    // Scroll one page on: the headers follow, edits go to the step chosen there.
    QScrollBar* scroll = Child<QScrollBar>("arpScroll");
    scroll->setFocus();
    QTest::keyClick(scroll, Qt::Key_PageDown);
    EXPECT_EQ(page_->Editor().FirstVisibleStep(), 10);
    EXPECT_EQ(Child<QPushButton>("arpHeader_2")->text(), "13");
    QTest::mouseClick(Child<QPushButton>("arpHeader_2"), Qt::LeftButton);
    Type(Child<QSpinBox>("arpPitch"), "-5");
    Type(Child<QLineEdit>("arpVelocityField"), "key");
    Type(Child<QSpinBox>("arpFlam"), "12");
    EXPECT_EQ(Pattern().GetStep(12).pitch, -5);
    EXPECT_EQ(Pattern().GetStep(12).velocity, 0);
    EXPECT_EQ(Pattern().GetStep(12).flam, 12);
    EXPECT_EQ(Child<QLineEdit>("arpVelocityField")->text(), "Key");

    // The keyboard: arrows move the cursor cell, Space toggles it.
    window_.Panel().show();
    QApplication::setActiveWindow(&window_.Panel());
    QPushButton* cell = Child<QPushButton>("arpCell_0_0");
    cell->setFocus();
    QTest::keyClick(cell, Qt::Key_Right);
    QTest::keyClick(cell->window()->focusWidget(), Qt::Key_Up);
    QTest::keyClick(cell->window()->focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Pattern().GetStep(11).noteMask, 0b10);

    // Undo takes the edits back one by one, and shows their step.
    QTest::keyClick(cell->window()->focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Pattern().GetStep(11).noteMask, 0);
    QTest::keyClick(cell->window()->focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Pattern().GetStep(12).flam, 0);
    EXPECT_EQ(Child<QSpinBox>("arpFlam")->value(), 0);
    EXPECT_TRUE(Child<QLineEdit>("arpPath")->text().endsWith('*'));
}

TEST_F(ArpEditorPageTest, SaveOpenAndNewRoundTripThroughTheFile) {
    RecordingReporter& reporter = window_.Reporter();
    ClickCell(3, 5);
    Type(Child<QSpinBox>("arpPitch"), "7");
    const auto typed = window_.Local() / "My Pattern.TXT";
    {
        test::FileDialogAnswer answer(QString::fromStdString(typed.string()));
        QTest::mouseClick(Child<QPushButton>("arpSave"), Qt::LeftButton);
        EXPECT_TRUE(answer.Answered());
        EXPECT_EQ(answer.Filter(), "Arpeggiator files(*.arp)");
    }
    const auto saved = window_.Local() / "my pattern.arp";
    ArpPattern read;
    ASSERT_TRUE(read.Load(saved, reporter));
    EXPECT_EQ(read.Length(), 4);
    EXPECT_EQ(read.GetStep(3).noteMask, 1 << 5);
    EXPECT_EQ(read.GetStep(3).pitch, 7);
    EXPECT_FALSE(Child<QLineEdit>("arpPath")->text().endsWith('*'));
    EXPECT_EQ(window_.App().config.DialogFolder(dialog_folder::kSaveArp), window_.Local().string());

    // New after an edit asks first; Cancel keeps the pattern.
    ClickCell(0, 0);
    reporter.Clear();
    reporter.ScriptAnswers({Answer::Cancel});
    EXPECT_FALSE(window_.Panel().ShowPage(0)) << "leaving with edits is asked about";
    EXPECT_EQ(reporter.Texts(), std::vector<std::string>{"Save the changes to my pattern.arp?"});
    reporter.ScriptAnswers({Answer::Cancel});
    QTest::mouseClick(Child<QPushButton>("arpNew"), Qt::LeftButton);
    EXPECT_EQ(Pattern().GetStep(0).noteMask, 1);
    reporter.ScriptAnswers({Answer::No});
    QTest::mouseClick(Child<QPushButton>("arpNew"), Qt::LeftButton);
    EXPECT_EQ(Pattern(), ArpPattern());

    {
        test::FileDialogAnswer answer(QString::fromStdString(saved.string()));
        QTest::mouseClick(Child<QPushButton>("arpOpen"), Qt::LeftButton);
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(Pattern().GetStep(3).pitch, 7);
    EXPECT_EQ(Child<QSpinBox>("arpLength")->value(), 4);
    EXPECT_EQ(Child<QPushButton>("arpCell_3_5")->isChecked(), true);
}

TEST(ArpControlsWindow, SendsItsSettingsInOrderAndEachChange) {
    LanguageTable language;
    RecordingReporter reporter;
    std::vector<std::array<int, 3>> sent;
    ArpControlsWindow window(language, reporter, [&](int code, int a, int b) {
        sent.push_back({code, a, b});
    });
    window.SendAll();
    std::vector<int> codes;
    for (const auto& c : sent) {
        codes.push_back(c[0]);
    }
    std::vector<int> expected{38, 39, 40, 41, 42, 46, 34, 37, 44};
    expected.insert(expected.end(), 12, 43);
    expected.insert(expected.end(), {36, 35, 50, 50});
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(sent[2], (std::array<int, 3>{40, 1, 0}));  // key sync on
    EXPECT_EQ(sent[6], (std::array<int, 3>{34, 5, 0}));  // "1/4"
    EXPECT_EQ(sent[8], (std::array<int, 3>{44, 1, 0}));  // trigger all
    EXPECT_EQ(sent[10], (std::array<int, 3>{43, 1, 64}));
    EXPECT_EQ(sent.back(), (std::array<int, 3>{50, 1, 127}));

    sent.clear();
    window.show();
    auto press = [&](const char* name) {
        auto* box = window.findChild<QCheckBox*>(name);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    };
    press("arpSort");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.back(), (std::array<int, 3>{38, 1, 0}));
    press("arpFixedNote");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[sent.size() - 2], (std::array<int, 3>{42, 1, 0}));
    EXPECT_EQ(sent.back(), (std::array<int, 3>{43, 0, 60}));

    QLineEdit* name = window.findChild<QLineEdit*>("arpFixedNoteName");
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "Eb5");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(sent.back(), (std::array<int, 3>{43, 0, 75}));
    name->selectAll();
    QTest::keyClicks(name, "H9");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(reporter.Texts(), std::vector<std::string>{"Invalid pitch name"});
    EXPECT_EQ(name->text(), "C4");
    EXPECT_EQ(sent.back(), (std::array<int, 3>{43, 0, 60}));

    QComboBox* resolution = window.findChild<QComboBox*>("arpResolution");
    resolution->setFocus();
    QTest::keyClick(resolution, Qt::Key_Down);  // "1/4T"
    EXPECT_EQ(sent.back(), (std::array<int, 3>{34, 4, 0}));
    QComboBox* velocity = window.findChild<QComboBox*>("arpVelocity");
    velocity->setFocus();
    QTest::keyClick(velocity, Qt::Key_Down);  // Value: the number typed
    EXPECT_EQ(sent.back(), (std::array<int, 3>{46, 100, 0}));
    QTest::keyClick(velocity, Qt::Key_Down);  // Step
    EXPECT_EQ(sent.back(), (std::array<int, 3>{46, 255, 0}));
    EXPECT_FALSE(window.findChild<QSpinBox*>("arpVelocityMin")->isVisible());
}

TEST_F(ArpEditorPageTest, ThePreviewPlaysTheHeldKeysAndEndsEveryNoteAtStop) {
    auto fake = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{},
                                                        std::vector<std::string>{"Recorder"});
    test::FakeMidiBackend* backend = fake.get();
    MidiPorts& ports = window_.Devices().Ports();
    ports.AddBackend(std::move(fake));
    ports.ListPorts();
    const auto& names = ports.OutputNames();
    const int position =
        static_cast<int>(std::find(names.begin(), names.end(), "Recorder") - names.begin());
    ASSERT_TRUE(ports.OpenOutput(position));

    // Two steps, rows 1 and 2; a legato note on the second.
    ClickCell(0, 0);
    ClickCell(1, 1);
    QTest::mouseClick(Child<QPushButton>("arpHeader_1"), Qt::LeftButton);
    QComboBox* mode = Child<QComboBox>("arpGateMode");
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_End);  // Legato
    ASSERT_EQ(Pattern().GetStep(1).gate, 101);

    // Keys latched on the main window's keyboard are the preview's input.
    window_.Panel().SetKeyboardOn(true);
    QTest::mouseClick(Child<QPushButton>("arpKbdLatch"), Qt::LeftButton);
    PianoKeyboard& keyboard = window_.Panel().Keyboard();
    ASSERT_TRUE(keyboard.Latch());
    for (int note : {64, 60}) {
        const KeyRect key = *keyboard.Geometry().Rect(note);
        QTest::mouseClick(
            &keyboard, Qt::LeftButton, {},
            QPoint(static_cast<int>(key.CenterX()), static_cast<int>(key.Bottom()) - 4));
    }
    ASSERT_EQ(keyboard.HeldKeys(), (std::vector<int>{60, 64}));
    // The keyboard's own notes (latched, so still sounding) are not the preview's.
    QTest::qWait(100);
    backend->ClearLog();

    QPushButton* preview = Child<QPushButton>("arpPreview");
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(preview->text(), "Stop");
    EXPECT_TRUE(std::filesystem::exists(window_.Home() / "PREVIEW.ARP"));
    // The latch button is ignored while the preview plays.
    QTest::mouseClick(Child<QPushButton>("arpKbdLatch"), Qt::LeftButton);
    EXPECT_TRUE(keyboard.Latch());
    for (int i = 0; i < 100 && backend->Sent().size() < 6; ++i) {
        QTest::qWait(20);
    }
    // The step being played is framed on the grid.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Child<QPushButton>("arpHeader_0")->property("played").toInt() == 1 ||
                   Child<QPushButton>("arpHeader_1")->property("played").toInt() == 1;
        },
        5000));
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(preview->text(), "Preview");
    ASSERT_TRUE(page_->Player().WaitUntilQuiet(std::chrono::seconds(5)));
    ASSERT_TRUE(page_->Output().WaitUntilSent(std::chrono::milliseconds(5000)));

    // The preview's notes have all ended; only the two latched keys of the keyboard sound.
    const auto sounding = [&] {
        std::map<int, int> count;
        for (const Bytes& m : backend->Sent()) {
            EXPECT_EQ(m[0], 0x90) << "channel 1";
            count[m[1]] += m[2] > 0 ? 1 : -1;
        }
        std::erase_if(count, [](const auto& entry) { return entry.second == 0; });
        return count;
    };
    std::set<int> played;
    for (const Bytes& m : backend->Sent()) {
        if (m[2] > 0) {
            played.insert(m[1]);
        }
    }
    EXPECT_EQ(played, (std::set<int>{60, 64}));
    EXPECT_GT(backend->Sent().size(), 4u);
    EXPECT_EQ(sounding(), (std::map<int, int>{{60, 1}, {64, 1}}));
    // Latch off (the preview stopped) ends every key of the keyboard's range.
    QTest::mouseClick(Child<QPushButton>("arpKbdLatch"), Qt::LeftButton);
    EXPECT_FALSE(keyboard.Latch());
    QTest::qWait(50);
    for (const auto& [note, count] : sounding()) {
        EXPECT_LT(count, 0) << "note " << note << " still sounds";  // extra offs are harmless
    }
}

TEST_F(ArpEditorPageTest, KeysPlayedOnTheInstrumentFeedThePreviewUnlessSwitchedOff) {
    auto fake = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{"Recorder In"},
                                                        std::vector<std::string>{"Recorder"});
    test::FakeMidiBackend* backend = fake.get();
    MidiPorts& ports = window_.Devices().Ports();
    ports.AddBackend(std::move(fake));
    ports.ListPorts();
    const auto at = [](const std::vector<std::string>& names, const char* name) {
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    };
    ports.StopInput();
    ports.CloseInput();
    ASSERT_TRUE(ports.OpenInput(at(ports.InputNames(), "Recorder In")));
    ASSERT_TRUE(ports.StartInput());
    ASSERT_TRUE(ports.OpenOutput(at(ports.OutputNames(), "Recorder")));

    ClickCell(0, 0);
    QTest::mouseClick(Child<QPushButton>("arpPreview"), Qt::LeftButton);
    const auto played = [&](int note) {
        for (const Bytes& m : backend->Sent()) {
            if (m.size() == 3 && m[1] == note && m[2] > 0) {
                return static_cast<int>(m[2]);
            }
        }
        return 0;
    };
    const Bytes on62{0x90, 62, 90};
    backend->Deliver(on62);
    EXPECT_TRUE(QTest::qWaitFor([&] { return played(62) != 0; }, 5000));
    EXPECT_EQ(played(62), 90) << "the key's velocity";

    QCheckBox* box = Child<QCheckBox>("arpInstrumentKeys");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    ASSERT_FALSE(box->isChecked());
    const Bytes off62{0x80, 62, 0};
    backend->Deliver(off62);  // ignored as well: 62 stays held
    const Bytes on65{0x90, 65, 90};
    backend->Deliver(on65);
    QTest::qWait(300);
    EXPECT_EQ(played(65), 0);
    const size_t before = backend->Sent().size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return backend->Sent().size() > before; }, 5000))
        << "62 still plays";

    QTest::mouseClick(Child<QPushButton>("arpPreview"), Qt::LeftButton);
    ASSERT_TRUE(page_->Player().WaitUntilQuiet(std::chrono::seconds(5)));
    ASSERT_TRUE(page_->Output().WaitUntilSent(std::chrono::milliseconds(5000)));
    int sounding = 0;
    for (const Bytes& m : backend->Sent()) {
        sounding += m[2] > 0 ? 1 : -1;
    }
    EXPECT_EQ(sounding, 0);
}

TEST_F(ArpEditorPageTest, AChosenVoiceGoesToThePreviewChannel) {
    auto fake = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{},
                                                        std::vector<std::string>{"Recorder"});
    test::FakeMidiBackend* backend = fake.get();
    MidiPorts& ports = window_.Devices().Ports();
    ports.AddBackend(std::move(fake));
    ports.ListPorts();
    const auto& names = ports.OutputNames();
    ASSERT_TRUE(ports.OpenOutput(
        static_cast<int>(std::find(names.begin(), names.end(), "Recorder") - names.begin())));

    QComboBox* voice = Child<QComboBox>("arpVoice");
    const auto& voices = window_.App().catalog.Voices();
    ASSERT_EQ(voice->count(), voices.empty() ? 128 : static_cast<int>(voices.size()));
    voice->setFocus();
    QTest::keyClick(voice, Qt::Key_Down);
    QTest::keyClick(voice, Qt::Key_Down);
    ASSERT_EQ(voice->currentIndex(), 2);
    int msb = 0;
    int lsb = 0;
    int program = 2;
    if (!voices.empty()) {
        msb = voices[2].bankMsb;
        lsb = voices[2].bankLsb;
        program = voices[2].program;
    } else {
        EXPECT_EQ(voice->currentText(), "003 Electric Grand Piano");
    }
    const uint8_t channel = msb == 120 ? 9 : 0;
    const std::vector<Bytes> expected{
        {static_cast<uint8_t>(0xB0 | channel), 0x00, static_cast<uint8_t>(msb)},
        {static_cast<uint8_t>(0xB0 | channel), 0x20, static_cast<uint8_t>(lsb)},
        {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)}};
    // Each step of the arrow key chose a voice; the last three messages are the last voice's.
    const auto sent = backend->Sent();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(std::vector<Bytes>(sent.end() - 3, sent.end()), expected);
}

TEST_F(ArpEditorPageTest, LeavingThePageEndsThePreviewAndItsNotes) {
    auto fake = std::make_unique<test::FakeMidiBackend>(std::vector<std::string>{},
                                                        std::vector<std::string>{"Recorder"});
    test::FakeMidiBackend* backend = fake.get();
    MidiPorts& ports = window_.Devices().Ports();
    ports.AddBackend(std::move(fake));
    ports.ListPorts();
    const auto& names = ports.OutputNames();
    ASSERT_TRUE(ports.OpenOutput(
        static_cast<int>(std::find(names.begin(), names.end(), "Recorder") - names.begin())));
    // A legato note an octave above the key: it sounds until it is ended.
    ClickCell(0, 0);
    Type(Child<QSpinBox>("arpPitch"), "12");
    QComboBox* mode = Child<QComboBox>("arpGateMode");
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_End);
    window_.Panel().SetKeyboardOn(true);
    PianoKeyboard& keyboard = window_.Panel().Keyboard();
    const KeyRect key = *keyboard.Geometry().Rect(62);
    QTest::mousePress(&keyboard, Qt::LeftButton, {},
                      QPoint(static_cast<int>(key.CenterX()), static_cast<int>(key.Bottom()) - 4));
    QTest::qWait(50);
    backend->ClearLog();
    QTest::mouseClick(Child<QPushButton>("arpPreview"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto sent = backend->Sent();
            return std::any_of(sent.begin(), sent.end(), [](const Bytes& m) { return m[1] == 74; });
        },
        5000));

    window_.Reporter().ScriptAnswers({Answer::No});  // drop the edits
    ASSERT_TRUE(window_.Panel().ShowPage(0));
    EXPECT_FALSE(page_->Player().Running());
    // The page change first switches the keyboard off, which may end every key of its range
    // from the lowest up; then the page is hidden and the preview ends its own note after that.
    const auto sent = backend->Sent();
    size_t lastOn = 0;
    bool on = false;
    size_t floodEnd = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (sent[i][1] == 74 && sent[i][2] > 0) {
            lastOn = i;
            on = true;
        }
        if (sent[i][1] == OnScreenKeyboard::kHighestKey && sent[i][2] == 0) {
            floodEnd = i;
        }
    }
    ASSERT_TRUE(on);
    bool ended = false;
    for (size_t i = std::max(lastOn, floodEnd) + 1; i < sent.size(); ++i) {
        ended = ended || (sent[i][1] == 74 && sent[i][2] == 0);
    }
    EXPECT_TRUE(ended) << "ended before the page was left";
}

}  // namespace
}  // namespace veltrano
