// The two conversion pages as a player uses them: a style turned into a MIDI file with its
// one-touch and description files, and that MIDI file turned back into a style through the
// wizard's three steps, every file checked on disk with the core readers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <functional>

#include "DemoWindow.h"
#include "base/Bytes.h"
#include "device/gui/MidiDeviceDialog.h"
#include "device/peer/SimulatedPortBackend.h"
#include "settings/IniFile.h"
#include "style/DscFile.h"
#include "style/MidiFile.h"
#include "style/StyleFile.h"
#include "style/gui/ChordMuteDialog.h"
#include "style/gui/MidiToStyleWizard.h"
#include "style/gui/StyleToMidiDialog.h"
#include "support/SampleStyle.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DemoWindow;
using test::ReadFile;
using test::WriteFile;

constexpr const char* kFileExists = "This file is exist, do you want to continue?";

// The file dialogs that open one after the other, each answered in turn as a person would:
// the name typed and Enter pressed (an empty name: Escape).
class FileDialogQueue {
public:
    explicit FileDialogQueue(std::initializer_list<QString> answers) : answers_(answers) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(10);
    }
    ~FileDialogQueue() {
        EXPECT_TRUE(answers_.empty()) << answers_.size() << " dialogs did not open";
    }
    QStringList captions;

private:
    void Poll() {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (answers_.empty() || dialog == nullptr || !dialog->isVisible() || dialog == last_) {
            return;
        }
        last_ = dialog;
        captions << dialog->windowTitle();
        const QString answer = answers_.front();
        answers_.pop_front();
        if (answer.isEmpty()) {
            dialog->reject();
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(answer);
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the file dialog did not take " << answer.toStdString();
            dialog->reject();
        }
    }

    std::deque<QString> answers_;
    QPointer<QFileDialog> last_;
    QTimer timer_;
};

// Runs `step` on every turn of the event loop (nested ones too) until it returns true.
class WhenReady {
public:
    explicit WhenReady(std::function<bool()> step) : step_(std::move(step)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (!done_ && step_()) {
                done_ = true;
                timer_.stop();
            }
        });
        timer_.start(10);
    }
    [[nodiscard]] bool Done() const { return done_; }

private:
    std::function<bool()> step_;
    QTimer timer_;
    bool done_ = false;
};

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

class StyleConversionPagesTest : public ::testing::Test {
protected:
    explicit StyleConversionPagesTest(DemoWindow::Options options = {}) : window_(options) {
        test::WriteSampleStyle(window_.Local() / "pop.sty");
    }

    template <typename T>
    T* Find(const char* name) {
        return window_.Find<T>(name);
    }
    void Click(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        ASSERT_TRUE(button->isVisible() && button->isEnabled()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // A check box toggled from the keyboard (a click in its empty right part would miss it).
    static void Toggle(QCheckBox* box) {
        ASSERT_NE(box, nullptr);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    }
    void Type(const char* name, const QString& text) {
        auto* edit = Find<QLineEdit>(name);
        ASSERT_NE(edit, nullptr) << name;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    // Picks a drop-down's item with the keyboard, as a person going down the list would.
    void Choose(const char* name, const QString& item) {
        auto* box = Find<QComboBox>(name);
        ASSERT_NE(box, nullptr) << name;
        const int target = box->findText(item);
        ASSERT_GE(target, 0) << item.toStdString();
        box->setFocus();
        while (box->currentIndex() != target) {
            QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        }
    }
    std::vector<std::string> Texts() const {
        return const_cast<DemoWindow&>(window_).Reporter().Texts();
    }

    // The style-to-MIDI page: the sample opened and saved as MIDI under `name`.
    fs::path MidiOfTheStylePage(const QString& name) {
        window_.ShowPage(1);
        {
            FileDialogQueue dialogs({Q(window_.Local() / "pop.sty")});
            Click("s2mOpen");
        }
        FileDialogQueue dialogs({Q(window_.Local() / name.toStdString())});
        Click("s2mSaveMidi");
        return window_.Local() / (name.toStdString() + ".mid");
    }

    DemoWindow window_;
};

TEST_F(StyleConversionPagesTest, StyleToMidiFromOpenToItsThreeFiles) {
    window_.ShowPage(1);
    RecordingReporter& reporter = window_.Reporter();
    Click("s2mSaveMidi");
    EXPECT_EQ(
        Texts(),
        (std::vector<std::string>{"No style file is open.\nPlease open a style file first."}));

    {
        FileDialogQueue dialogs({Q(window_.Local() / "pop.sty")});
        Click("s2mOpen");
        EXPECT_EQ(dialogs.captions, QStringList{QStringLiteral("Open")});
    }
    EXPECT_EQ(Find<QLineEdit>("s2mPath")->text(), Q(window_.Local() / "pop.sty"));
    EXPECT_EQ(Find<QLineEdit>("s2mLongName")->text(), "Pop Ballad");
    EXPECT_EQ(Find<QLineEdit>("s2mShortName")->text(), "POP");
    EXPECT_EQ(Find<QLineEdit>("s2mTempo")->text(), "120");
    EXPECT_EQ(Find<QLineEdit>("s2mTimeSignature")->text(), "4/4");

    // Each check speaks in turn; nothing is asked for before they all pass.
    reporter.Clear();
    Type("s2mShortName", "");
    Click("s2mSaveMidi");
    Type("s2mShortName", "TOOLONGNAME");
    Click("s2mSaveMidi");
    Type("s2mShortName", "BALLAD");
    Type("s2mTempo", "29");
    Click("s2mSaveMidi");
    Type("s2mTempo", "96");
    Type("s2mTimeSignature", "3/5");
    Click("s2mSaveMidi");
    Type("s2mTimeSignature", "3/4");
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "The short name can't be null", "The length of short name must be 1~8",
                           "The tempo value is out of range",
                           "The denominator of time signature must be 1, 2, 4, 8, 16 or 32"}));

    // An empty name opens the dialog again; the typed values are the file's.
    reporter.Clear();
    fs::create_directory(window_.Local() / "out");
    WriteFile(window_.Home() / "log.txt", "the user's own");
    {
        FileDialogQueue dialogs(
            {Q(window_.Local() / "out" / ".mid"), Q(window_.Local() / "out" / "song")});
        Click("s2mSaveMidi");
    }
    EXPECT_EQ(Texts(), (std::vector<std::string>{"The file name can't be null"}));
    EXPECT_EQ(ReadFile(window_.Home() / "log.txt"), "the user's own");
    MidiFile midi;
    ASSERT_TRUE(midi.load(window_.Local() / "out" / "song.mid", reporter));
    EXPECT_EQ(midi.TempoMap().front().bpm, 96);
    EXPECT_EQ(midi.TimeSignatureMap().front().numerator, 3);
    std::vector<std::string> markers;
    std::string name;
    for (const MidiEvent& e : midi.Events()) {
        if (e.IsMeta(kMidiMetaMarker)) {
            markers.emplace_back(midi.MetaData(e));
        } else if (e.IsMeta(kMidiMetaText) && midi.MetaData(e).starts_with("name:")) {
            name = std::string(midi.MetaData(e));
        }
    }
    EXPECT_EQ(markers, (std::vector<std::string>{"Sint", "Intro A", "Main A", "Main B",
                                                 "Fill In AA", "Ending A"}));
    EXPECT_TRUE(name.starts_with("name:Pop Ballad,BALLAD,")) << name;
    EXPECT_EQ(window_.App().config.DialogFolder(dialog_folder::kS2mSaveMidi),
              (window_.Local() / "out").string());

    // One-touch settings and description.
    reporter.Clear();
    {
        FileDialogQueue dialogs({Q(window_.Local() / "out" / "pop")});
        Click("s2mSaveOts");
    }
    const std::string ots = ReadFile(window_.Local() / "out" / "pop.ots");
    ASSERT_EQ(ots.size(), 144u);
    EXPECT_EQ(ots[0], 1);
    EXPECT_EQ(static_cast<uint8_t>(ots[4]), 100);  // R1's volume
    {
        FileDialogQueue dialogs({Q(window_.Local() / "out" / "pop")});
        Click("s2mSaveDsc");
    }
    DscFile dsc;
    StyleModel applied;
    ASSERT_TRUE(dsc.read(window_.Local() / "out" / "pop.dsc", true, applied, reporter));
    EXPECT_EQ(applied.oneTouch, test::SampleStyle().oneTouch);
    EXPECT_TRUE(reporter.Empty()) << Texts().front();

    // Replacing a file is asked; No keeps it.
    const std::string before = ReadFile(window_.Local() / "out" / "song.mid");
    Type("s2mTempo", "140");
    reporter.ScriptAnswers({Answer::No});
    {
        FileDialogQueue dialogs({Q(window_.Local() / "out" / "song.mid")});
        Click("s2mSaveMidi");
    }
    EXPECT_EQ(Texts(), (std::vector<std::string>{kFileExists}));
    EXPECT_EQ(ReadFile(window_.Local() / "out" / "song.mid"), before);
}

TEST_F(StyleConversionPagesTest, WizardTurnsTheMidiFileBackIntoAStyleWithEverySetting) {
    const fs::path midi = MidiOfTheStylePage(QStringLiteral("pop"));
    ASSERT_TRUE(fs::exists(midi));
    RecordingReporter& reporter = window_.Reporter();
    reporter.Clear();

    window_.ShowPage(0);
    Click("m2sNext1");
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"No MIDI file is open.\nPlease open a MIDI file first."}));
    reporter.Clear();
    {
        FileDialogQueue dialogs({Q(midi)});
        Click("m2sOpen");
    }
    EXPECT_EQ(Find<QLineEdit>("m2sPath")->text(), Q(midi));
    EXPECT_EQ(Find<QLineEdit>("m2sShortName")->text(), "POP");
    const QString analysis = Find<QPlainTextEdit>("m2sAnalysis")->toPlainText();
    EXPECT_TRUE(analysis.contains("Main A: 2 bar(s), channels 1 3 5")) << analysis.toStdString();
    EXPECT_TRUE(analysis.contains("Fill In AA: 1 bar(s)")) << analysis.toStdString();
    // Main C is not in the file: its box cannot be checked. Main B is left out.
    EXPECT_FALSE(Find<QCheckBox>("m2sBox4")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>("m2sBox3")->isChecked());
    Toggle(Find<QCheckBox>("m2sBox3"));
    Type("m2sLongName", "Ballad Two");

    // The short name must be one that can be saved.
    Type("m2sShortName", "NINECHARS");
    Click("m2sNext1");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"The length of short name must be 1~8"}));
    EXPECT_TRUE(Find<QWidget>("m2sStep1")->isVisible());
    reporter.Clear();
    Type("m2sShortName", "BALLAD2");
    Click("m2sNext1");
    ASSERT_TRUE(Find<QWidget>("m2sStep2")->isVisible());

    // Step 2: the present sections in the wizard's order; Main A chosen, channel 3 changed.
    auto* sections = Find<QListWidget>("m2sSections");
    QStringList listed;
    for (int i = 0; i < sections->count(); ++i) {
        listed << sections->item(i)->text();
    }
    EXPECT_EQ(listed, (QStringList{"Intro A", "Fill In AA", "Main A", "Ending A"}));
    sections->setFocus();
    QTest::mouseClick(sections->viewport(), Qt::LeftButton, {},
                      sections->visualItemRect(sections->item(2)).center());
    Choose("m2sRow2Dest", "13");
    Choose("m2sRow2Table", "Dorian");
    Choose("m2sRow2NoteLow", "C2");
    // A main's chord channels start muted under every chord; now only under the minor
    // ones and the major chord.
    const auto mask = [this] {
        return window_.Panel()
            .findChild<MidiToStyleWizard*>()
            ->Steps()
            .Wizard()
            .Channels(MainSlot(0))[2]
            .chordMask;
    };
    EXPECT_EQ(mask(), 0u);
    EXPECT_EQ(Find<QPushButton>("m2sRow2Chord")->text(), QStringLiteral("Yes"));
    Click("m2sRow2Chord");
    auto* mute = window_.Panel().findChild<ChordMuteDialog*>();
    ASSERT_NE(mute, nullptr);
    EXPECT_TRUE(mute->isVisible());
    QTest::mouseClick(mute->findChild<QPushButton*>("chordAllMinor"), Qt::LeftButton);
    Toggle(mute->findChild<QCheckBox*>("chordMute0"));
    QTest::mouseClick(mute->findChild<QPushButton*>("chordOk"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(mask(), ~0x0007FF01u);
    // Cancel leaves it as it was.
    Click("m2sRow2Chord");
    mute = window_.Panel().findChild<ChordMuteDialog*>();
    ASSERT_NE(mute, nullptr);
    QTest::mouseClick(mute->findChild<QPushButton*>("chordSelectAll"), Qt::LeftButton);
    QTest::mouseClick(mute->findChild<QPushButton*>("chordCancel"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(mask(), ~0x0007FF01u);
    // Also apply to the mains and fills.
    Click("m2sAuto");
    EXPECT_TRUE(Find<QCheckBox>("m2sAlso6")->isChecked());    // Fill A
    EXPECT_FALSE(Find<QCheckBox>("m2sAlso10")->isChecked());  // Ending A
    Click("m2sApply");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"All selected segments also be changed"}));
    reporter.Clear();

    // Step 3: the instrument is known, so Next goes straight on.
    Click("m2sNext2");
    ASSERT_TRUE(Find<QWidget>("m2sStep3")->isVisible());
    EXPECT_TRUE(reporter.Empty());
    auto* tabs = Find<QTabWidget>("m2sOtsTabs");
    EXPECT_EQ(tabs->tabText(3), "OTS4");
    tabs->setCurrentIndex(1);
    auto* volume = Find<QSpinBox>("m2sOts1Part1Volume");
    volume->setFocus();
    volume->selectAll();
    QTest::keyClicks(volume, "77");
    QTest::keyClick(volume, Qt::Key_Tab);
    auto* voice = Find<QComboBox>("m2sOts0Part0Voice");
    ASSERT_GT(voice->count(), 3);
    const QString voiceName = voice->itemText(3);
    tabs->setCurrentIndex(0);
    Choose("m2sOts0Part0Voice", voiceName);
    const int voiceKey = voice->currentData().toInt();

    // Back to step 1 and forward again: every setting is still there.
    Click("m2sBack3");
    ASSERT_TRUE(Find<QWidget>("m2sStep2")->isVisible());
    EXPECT_EQ(Find<QComboBox>("m2sRow2Dest")->currentText(), "13");
    Click("m2sBack2");
    ASSERT_TRUE(Find<QWidget>("m2sStep1")->isVisible());
    EXPECT_EQ(Find<QLineEdit>("m2sLongName")->text(), "Ballad Two");
    EXPECT_FALSE(Find<QCheckBox>("m2sBox3")->isChecked());
    Click("m2sNext1");
    EXPECT_EQ(Find<QComboBox>("m2sRow2Table")->currentText(), "Dorian");
    Click("m2sNext2");
    EXPECT_EQ(Find<QSpinBox>("m2sOts1Part1Volume")->value(), 77);

    // Finish, and no to sending it.
    reporter.ScriptAnswers({Answer::No});
    {
        FileDialogQueue dialogs({Q(window_.Local() / "made")});
        Click("m2sFinish");
    }
    ASSERT_EQ(reporter.Messages().size(), 1u) << Texts().front();
    EXPECT_TRUE(reporter.Messages()[0].question);
    StyleFile back;
    ASSERT_TRUE(back.Load(window_.Local() / "made.sty", reporter));
    const StyleModel& m = back.Model();
    EXPECT_EQ(m.info.shortName, "BALLAD2");
    EXPECT_EQ(m.info.longName, "Ballad Two");
    EXPECT_EQ(m.info.tempo, 120);
    EXPECT_FALSE(m.sections[MainSlot(1)].present);
    ASSERT_TRUE(m.sections[MainSlot(0)].present);
    EXPECT_EQ(m.sections[MainSlot(0)].bars, 2);
    for (const int slot : {MainSlot(0), FillSlot(0)}) {
        const ChannelSetting& row = m.sections[static_cast<size_t>(slot)].channels[2];
        EXPECT_EQ(row.record.destination, 12) << slot;
        EXPECT_EQ(row.record.TranspositionTable(), 9) << slot;
        EXPECT_EQ(row.record.noteLow, 24) << slot;
        // Muted: the minor group and the major chord.
        EXPECT_EQ(row.chordMask, ~0x0007FF01u) << slot;
    }
    // The intro was not among the sections the settings were applied to.
    EXPECT_EQ(m.sections[IntroSlot(0)].channels[2].record.TranspositionTable(), 0);
    EXPECT_EQ(m.oneTouch[1][1].volume, 77);
    EXPECT_EQ((m.oneTouch[0][0].bankMsb << 16) | (m.oneTouch[0][0].bankLsb << 8) |
                  m.oneTouch[0][0].program,
              voiceKey);
    // The music came through: Main A's bass note on channel 5 is there, with its duration.
    const Bytes& music = m.sections[MainSlot(0)].music.events;
    const auto bass = std::find(music.begin(), music.end(), uint8_t{0x94});
    ASSERT_NE(bass, music.end());
    ASSERT_GE(music.end() - bass, 4);
    EXPECT_EQ(Bytes(bass, bass + 4), (Bytes{0x94, 40, 80, 96}));
    EXPECT_TRUE(m.sections[MainSlot(0)].channels[4].inUse);
}

TEST_F(StyleConversionPagesTest, DeclinedReplacementAndSendingTheStyleToTheInstrument) {
    const fs::path midi = MidiOfTheStylePage(QStringLiteral("pop"));
    RecordingReporter& reporter = window_.Reporter();
    window_.ShowPage(0);
    ASSERT_TRUE(window_.Panel().findChild<MidiToStyleWizard*>()->OpenMidi(midi));
    Click("m2sNext1");
    Click("m2sNext2");
    ASSERT_TRUE(Find<QWidget>("m2sStep3")->isVisible());

    // Written, then sent to USER\STYLE.
    fs::create_directory(window_.Local() / "a");
    reporter.Clear();
    reporter.ScriptAnswers({Answer::Yes});
    {
        FileDialogQueue dialogs({Q(window_.Local() / "a" / "song.txt")});
        Click("m2sFinish");
    }
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Texts()[0].starts_with("Send the new style to the instrument's USER\\STYLE"));
    const std::string written = ReadFile(window_.Local() / "a" / "song.sty");
    ASSERT_GT(written.size(), 32u);
    EXPECT_EQ(ReadFile(window_.Storage() / "USER" / "STYLE" / "song.sty"), written);

    // An existing file not replaced: nothing saved, nothing offered, the folder kept.
    fs::create_directory(window_.Local() / "b");
    WriteFile(window_.Local() / "b" / "kept.sty", "old");
    reporter.Clear();
    reporter.ScriptAnswers({Answer::No});
    {
        FileDialogQueue dialogs({Q(window_.Local() / "b" / "kept")});
        Click("m2sFinish");
    }
    EXPECT_EQ(Texts(), (std::vector<std::string>{kFileExists}));
    EXPECT_EQ(ReadFile(window_.Local() / "b" / "kept.sty"), "old");
    EXPECT_EQ(window_.App().config.DialogFolder(dialog_folder::kM2sSaveStyle),
              (window_.Local() / "a").string());
}

TEST_F(StyleConversionPagesTest, DescriptionFilesSavedAndLoadedOnSteps2And3) {
    const fs::path midi = MidiOfTheStylePage(QStringLiteral("pop"));
    RecordingReporter& reporter = window_.Reporter();
    window_.ShowPage(0);
    ASSERT_TRUE(window_.Panel().findChild<MidiToStyleWizard*>()->OpenMidi(midi));
    Click("m2sNext1");

    // Step 2: a changed row saved, reset away, and loaded back.
    Choose("m2sRow3HighKey", "A");
    {
        FileDialogQueue dialogs({Q(window_.Local() / "rows")});
        Click("m2sSaveDsc");
    }
    ASSERT_TRUE(fs::exists(window_.Local() / "rows.dsc"));
    Click("m2sReset");
    EXPECT_EQ(Find<QComboBox>("m2sRow3HighKey")->currentText(), "#F");
    {
        FileDialogQueue dialogs({Q(window_.Local() / "rows.dsc")});
        Click("m2sLoadDsc");
    }
    EXPECT_EQ(Find<QComboBox>("m2sRow3HighKey")->currentText(), "A");

    // Step 3: the same with a one-touch value.
    Click("m2sNext2");
    auto* pan = Find<QSpinBox>("m2sOts0Part3Pan");
    pan->setFocus();
    pan->selectAll();
    QTest::keyClicks(pan, "20");
    {
        FileDialogQueue dialogs({Q(window_.Local() / "ots")});
        Click("m2sSaveOts");
    }
    Click("m2sResetOts");
    EXPECT_EQ(pan->value(), 64);
    {
        FileDialogQueue dialogs({Q(window_.Local() / "ots.dsc")});
        Click("m2sLoadOts");
    }
    EXPECT_EQ(pan->value(), 20);
    EXPECT_TRUE(reporter.Empty()) << Texts().front();
    EXPECT_EQ(window_.App().config.DialogFolder(dialog_folder::kM2sLoadOts),
              window_.Local().string());
}

TEST_F(StyleConversionPagesTest, EveryControlOfEveryStepHasAName) {
    const fs::path midi = MidiOfTheStylePage(QStringLiteral("pop"));
    // The page's own controls; the window's are another matter.
    const auto unnamed = [this] {
        QStringList missing;
        const int page = window_.Panel().CurrentPage();
        for (QWidget* w : window_.Panel().Page(page).findChildren<QWidget*>()) {
            if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus ||
                qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr ||
                qobject_cast<QComboBox*>(w->parentWidget()) != nullptr) {
                continue;
            }
            const auto* button = qobject_cast<QAbstractButton*>(w);
            const bool named =
                !w->accessibleName().isEmpty() || (button != nullptr && !button->text().isEmpty());
            const bool control = button != nullptr || qobject_cast<QComboBox*>(w) ||
                                 qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QAbstractSpinBox*>(w) ||
                                 qobject_cast<QListWidget*>(w) || qobject_cast<QPlainTextEdit*>(w);
            if (control && !named) {
                missing << w->objectName();
            }
        }
        return missing;
    };
    window_.ShowPage(1);
    EXPECT_EQ(unnamed(), QStringList());
    window_.ShowPage(0);
    ASSERT_TRUE(window_.Panel().findChild<MidiToStyleWizard*>()->OpenMidi(midi));
    EXPECT_EQ(unnamed(), QStringList());
    Click("m2sNext1");
    EXPECT_EQ(unnamed(), QStringList());
    EXPECT_EQ(Find<QComboBox>("m2sRow6Table")->accessibleName(), "Channel 7, Transpose Table");
    Click("m2sNext2");
    EXPECT_EQ(unnamed(), QStringList());
    EXPECT_EQ(Find<QSpinBox>("m2sOts0Part3Pan")->accessibleName(), "OTS1 L, Pan");
}

TEST_F(StyleConversionPagesTest, ChordMuteDialogButtons) {
    ChordMuteDialog dialog(0x0000FFFF, window_.App().language);
    const auto checked = [&dialog] {
        uint32_t bits = 0;
        for (int t = 0; t < 32; ++t) {
            if (dialog.findChild<QCheckBox*>(QStringLiteral("chordMute%1").arg(t))->isChecked()) {
                bits |= 1u << t;
            }
        }
        return bits;
    };
    EXPECT_EQ(checked(), 0xFFFF0000u);
    EXPECT_EQ(dialog.windowTitle(), "Chord Mute");
    const auto click = [&dialog](const char* name) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(name), Qt::LeftButton);
    };
    click("chordSelectAll");
    EXPECT_EQ(checked(), 0xFFFFFFFFu);
    EXPECT_EQ(dialog.Mask(), 0u);
    click("chordClear");
    EXPECT_EQ(checked(), 0u);
    EXPECT_EQ(dialog.Mask(), 0xFFFFFFFFu);
    click("chordAllMajor");
    EXPECT_EQ(checked(), 0xFFF800FFu);
    click("chordAllMinor");
    EXPECT_EQ(checked(), 0x0007FF00u);
    EXPECT_EQ(dialog.Mask(), 0xFFF800FFu);
    click("chordCancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(StyleConversionPagesTest, FilesDroppedOnEitherPageOpenThere) {
    const auto drop = [](QWidget* page, const fs::path& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(Q(path))});
        const QPoint at = page->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
    };
    ToolPage& styleToMidi = window_.ShowPage(1);
    drop(&styleToMidi, window_.Local() / "pop.sty");
    EXPECT_EQ(Find<QLineEdit>("s2mShortName")->text(), "POP");

    const fs::path midi = MidiOfTheStylePage(QStringLiteral("dropped"));
    ToolPage& wizard = window_.ShowPage(0);
    drop(&wizard, midi);
    EXPECT_EQ(Find<QLineEdit>("m2sPath")->text(), Q(midi));
    EXPECT_TRUE(window_.Reporter().Empty()) << Texts().front();
}

TEST_F(StyleConversionPagesTest, TrackThatEndsEarlyIsReported) {
    // Track 2 plays a note, then holds a byte no event begins with at tick 480.
    ByteWriter file;
    file.Append(std::string_view("MThd"));
    file.U32Be(6);
    file.U16Be(1);
    file.U16Be(2);
    file.U16Be(96);
    const auto track = [&file](const Bytes& body) {
        file.Append(std::string_view("MTrk"));
        file.U32Be(static_cast<uint32_t>(body.size()));
        file.Append(body);
    };
    track({0x00, 0xFF, 0x06, 0x04, 'S', 'i', 'n',  't',  0x00, 0xFF, 0x06, 0x06,
           'M',  'a',  'i',  'n',  ' ', 'A', 0x83, 0x00, 0xFF, 0x2F, 0x00});
    track({0x00, 0x92, 60, 100, 0x83, 0x60, 0x82, 60, 0, 0x00, 0xF4, 0x00, 0x92, 62, 100, 0x00,
           0xFF, 0x2F, 0x00});
    WriteFile(window_.Local() / "cut.mid", AsText(file.Take()));

    window_.ShowPage(0);
    {
        FileDialogQueue dialogs({Q(window_.Local() / "cut.mid")});
        Click("m2sOpen");
    }
    const QString analysis = Find<QPlainTextEdit>("m2sAnalysis")->toPlainText();
    EXPECT_TRUE(analysis.contains("Track 2 stops at tick 480")) << analysis.toStdString();
}

class WizardWithoutInstrumentTest : public StyleConversionPagesTest {
protected:
    WizardWithoutInstrumentTest() : StyleConversionPagesTest(Options()) {}
    static DemoWindow::Options Options() {
        DemoWindow::Options options;
        options.connect = false;
        return options;
    }
};

TEST_F(WizardWithoutInstrumentTest, OtsSettingQuestionOpensTheDeviceDialogAndConnects) {
    const fs::path midi = MidiOfTheStylePage(QStringLiteral("pop"));
    RecordingReporter& reporter = window_.Reporter();
    window_.ShowPage(0);
    ASSERT_TRUE(window_.Panel().findChild<MidiToStyleWizard*>()->OpenMidi(midi));
    Click("m2sNext1");

    // Step 2's Save needs the instrument's information.
    reporter.Clear();
    Click("m2sSaveDsc");
    ASSERT_EQ(reporter.Messages().size(), 1u);
    EXPECT_EQ(reporter.Messages()[0].caption, "DSC Save");

    // No stays on step 2.
    reporter.Clear();
    reporter.ScriptAnswers({Answer::No});
    Click("m2sNext2");
    ASSERT_EQ(reporter.Messages().size(), 1u);
    EXPECT_EQ(reporter.Messages()[0].caption, "OTS Setting");
    EXPECT_TRUE(Find<QWidget>("m2sStep2")->isVisible());

    // Yes: the device dialog, the simulated instrument chosen, OK; connected, on to step 3.
    reporter.ScriptAnswers({Answer::Yes});
    WhenReady chooser([] {
        auto* dialog = qobject_cast<MidiDeviceDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return false;
        }
        const auto* in = dialog->findChild<QListWidget*>("midiInputList");
        const auto* out = dialog->findChild<QListWidget*>("midiOutputList");
        const QString name = QString::fromLatin1(SimulatedPortBackend::kPortName.data(),
                                                 SimulatedPortBackend::kPortName.size());
        dialog->Select(in->row(in->findItems(name, Qt::MatchExactly).value(0)),
                       out->row(out->findItems(name, Qt::MatchExactly).value(0)));
        QTest::mouseClick(dialog->findChild<QPushButton*>("midiOkButton"), Qt::LeftButton);
        return true;
    });
    Click("m2sNext2");
    EXPECT_TRUE(chooser.Done());
    EXPECT_TRUE(window_.Devices().Connected());
    EXPECT_TRUE(Find<QWidget>("m2sStep3")->isVisible());
    // The voice lists come from the instrument's catalogue.
    EXPECT_GT(Find<QComboBox>("m2sOts0Part0Voice")->count(), 3);
}

}  // namespace
}  // namespace veltrano
