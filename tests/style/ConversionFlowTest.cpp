// The flows of the two conversion pages without their windows: the checks of the saves and
// their order, the dialogs that open again, the remembered folders, and the wizard's steps.
#include <gtest/gtest.h>

#include "base/Reporter.h"
#include "settings/AppConfig.h"
#include "settings/LanguageTable.h"
#include "style/DscFile.h"
#include "style/MidiFile.h"
#include "style/MidiToStyleSteps.h"
#include "style/StyleToMidiPresenter.h"
#include "support/SampleStyle.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Message = RecordingReporter::Message;

// File dialogs answered from a script; every request is kept.
class ScriptedDialogs {
public:
    void Answer(std::initializer_list<std::optional<fs::path>> answers) {
        answers_.insert(answers_.end(), answers.begin(), answers.end());
    }
    ChooseFile Chooser() {
        return [this](const FileChoice& choice) -> std::optional<fs::path> {
            requests.push_back(choice);
            if (answers_.empty()) {
                ADD_FAILURE() << "an unexpected file dialog";
                return std::nullopt;
            }
            std::optional<fs::path> answer = answers_.front();
            answers_.erase(answers_.begin());
            return answer;
        };
    }
    std::vector<FileChoice> requests;

private:
    std::vector<std::optional<fs::path>> answers_;
};

class ConversionFlowTest : public ::testing::Test {
protected:
    ConversionFlowTest() {
        config_.SetPath(dir_ / "Cnfg.ini");
        language_.SetLanguages({{"English", test::SourceResources() / "lang" / "English.ini"}});
        language_.SetIndex(LanguageTable::kEnglish);
        test::WriteSampleStyle(dir_ / "pop.sty");
    }

    // The sample style converted by the style-to-MIDI page's flow.
    fs::path SampleMidi() {
        StyleToMidiPresenter page(config_, language_);
        EXPECT_TRUE(page.Open(dir_ / "pop.sty", reporter_));
        ScriptedDialogs dialogs;
        dialogs.Answer({dir_ / "pop.mid"});
        EXPECT_EQ(
            page.Save(ConversionMode::Midi, {"POP", "120", "4/4"}, dialogs.Chooser(), reporter_),
            SaveFlow::Written);
        reporter_.Clear();
        return dir_ / "pop.mid";
    }

    TempDir dir_;
    AppConfig config_;
    LanguageTable language_;
    RecordingReporter reporter_;
    bool instrumentKnown_ = true;
};

TEST_F(ConversionFlowTest, SaveMidiChecksInOrderThenTheDialogUntilANameIsGiven) {
    StyleToMidiPresenter page(config_, language_);
    ScriptedDialogs dialogs;
    const StyleToMidiPresenter::Typed good{"POP", "120", "4/4"};
    // Each refusal ends the save before the dialog; the first failing check speaks.
    EXPECT_EQ(page.Save(ConversionMode::Midi, good, dialogs.Chooser(), reporter_),
              SaveFlow::Refused);
    ASSERT_TRUE(page.Open(dir_ / "pop.sty", reporter_));
    EXPECT_EQ(page.Shown().longName, "Pop Ballad");
    EXPECT_EQ(page.Shown().tempo, "120");
    EXPECT_EQ(page.Shown().timeSignature, "4/4");
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kS2mOpenStyle), dir_.Path().string());
    for (const StyleToMidiPresenter::Typed& typed :
         std::vector<StyleToMidiPresenter::Typed>{{"", "x", "x"},
                                                  {"NINECHARS", "120", "4/4"},
                                                  {"   ", "120", "4/4"},
                                                  {"POP", " ", "4/4"},
                                                  {"POP", "120.5", "4/4"},
                                                  {"POP", "281", "4/4"},
                                                  {"POP", "120", "3"},
                                                  {"POP", "120", "3/5"},
                                                  {"POP", "120", "a/4"},
                                                  {"POP", "120", "3x/4"},
                                                  {"POP", "120", "3/4x"}}) {
        EXPECT_EQ(page.Save(ConversionMode::Midi, typed, dialogs.Chooser(), reporter_),
                  SaveFlow::Refused);
    }
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_EQ(reporter_.Texts(),
              (std::vector<std::string>{
                  "No style file is open.\nPlease open a style file first.",
                  "The short name can't be null", "The length of short name must be 1~8",
                  "The short name can't be null", "The tempo can't be null",
                  "The tempo must be a decimal string", "The tempo value is out of range",
                  "The format of time signature is: nn/dd \nnn is the numerator and dd is the "
                  "denominator",
                  "The denominator of time signature must be 1, 2, 4, 8, 16 or 32",
                  "The numerator of time signature must be positive number",
                  "The numerator of time signature must be decimal value",
                  "The denominator of time signature must be decimal value"}));
    for (const Message& m : reporter_.Messages()) {
        EXPECT_EQ(m.caption, "SaveMidi");
        EXPECT_EQ(m.icon, Icon::Warning);
    }

    // An empty name opens the dialog again; the typed values become the file's.
    reporter_.Clear();
    fs::create_directory(dir_ / "out");
    WriteFile(dir_ / "log.txt", "mine");
    dialogs.Answer({dir_ / "out" / ".mid", dir_ / "out" / "song.txt"});
    EXPECT_EQ(page.Save(ConversionMode::Midi, {"NEW", "90", "3/4"}, dialogs.Chooser(), reporter_),
              SaveFlow::Written);
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].filter, "MIDI files(*.mid)|*.mid||");
    EXPECT_EQ(dialogs.requests[0].folder.key, "SaveMidiDefPath");
    EXPECT_EQ(dialogs.requests[0].suggestedName, "pop.mid");
    EXPECT_EQ(reporter_.Messages(), (std::vector<Message>{{Icon::Information, "SaveMidi",
                                                           "The file name can't be null", false}}));
    EXPECT_EQ(page.LastWritten(), dir_ / "out" / "song.mid");
    MidiFile midi;
    ASSERT_TRUE(midi.load(dir_ / "out" / "song.mid", reporter_));
    EXPECT_EQ(midi.TempoMap().front().bpm, 90);
    EXPECT_EQ(midi.TimeSignatureMap().front().numerator, 3);
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kS2mSaveMidi), (dir_ / "out").string());
    EXPECT_EQ(ReadFile(dir_ / "log.txt"), "mine");

    // Replacing it is asked; No writes nothing and keeps the folder.
    reporter_.Clear();
    reporter_.ScriptAnswers({Answer::No});
    dialogs.Answer({dir_ / "song.mid"});
    WriteFile(dir_ / "song.mid", "old");
    EXPECT_EQ(page.Save(ConversionMode::Midi, good, dialogs.Chooser(), reporter_),
              SaveFlow::Declined);
    EXPECT_EQ(ReadFile(dir_ / "song.mid"), "old");
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kS2mSaveMidi), (dir_ / "out").string());
    EXPECT_EQ(reporter_.Messages(),
              (std::vector<Message>{{Icon::Question, "SaveMidi",
                                     "This file is exist, do you want to continue?", true}}));
    // Cancel of the dialog ends quietly.
    reporter_.Clear();
    dialogs.Answer({std::nullopt});
    EXPECT_EQ(page.Save(ConversionMode::Midi, good, dialogs.Chooser(), reporter_),
              SaveFlow::Cancelled);
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(ConversionFlowTest, OneTouchAndDescriptionSavesSkipTheMidiChecks) {
    StyleToMidiPresenter page(config_, language_);
    ScriptedDialogs dialogs;
    EXPECT_EQ(page.Save(ConversionMode::OneTouch, {}, dialogs.Chooser(), reporter_),
              SaveFlow::Refused);
    EXPECT_EQ(reporter_.Messages().back().caption, "SaveOts");
    ASSERT_TRUE(page.Open(dir_ / "pop.sty", reporter_));
    reporter_.Clear();
    // Bad typed values do not stop these two.
    dialogs.Answer({dir_ / "a", dir_ / ".dsc", dir_ / "b.dsc"});
    EXPECT_EQ(page.Save(ConversionMode::OneTouch, {"", "", ""}, dialogs.Chooser(), reporter_),
              SaveFlow::Written);
    EXPECT_EQ(ReadFile(dir_ / "a.ots").size(), 144u);
    EXPECT_EQ(page.Save(ConversionMode::Description, {"", "", ""}, dialogs.Chooser(), reporter_),
              SaveFlow::Written);
    EXPECT_EQ(reporter_.Texts(), (std::vector<std::string>{"The file name can't be null"}));
    EXPECT_EQ(reporter_.Messages().front().caption, "SaveDSC");
    DscFile dsc;
    StyleModel unused;
    EXPECT_TRUE(dsc.read(dir_ / "b.dsc", false, unused, reporter_));
    EXPECT_EQ(dialogs.requests[0].filter, "O.T.S files(*.ots)|*.ots||");
    EXPECT_EQ(dialogs.requests[1].filter, "DSC files(*.dsc)|*.dsc||");
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kS2mSaveOts), dir_.Path().string());
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kS2mSaveDsc), dir_.Path().string());

    // A style that fails to open empties the fields.
    WriteFile(dir_ / "bad.sty", "MSF 123");
    EXPECT_FALSE(page.Open(dir_ / "bad.sty", reporter_));
    EXPECT_TRUE(page.Shown().path.empty());
    EXPECT_TRUE(page.Shown().shortName.empty());
}

class WizardFlowTest : public ConversionFlowTest {
protected:
    MidiToStyleSteps MakeSteps() {
        return MidiToStyleSteps(config_, language_, dir_.Path(),
                                [this] { return instrumentKnown_; });
    }
};

TEST_F(WizardFlowTest, StepOneRefusesNextWithoutAFileOrWithABadShortName) {
    MidiToStyleSteps steps = MakeSteps();
    EXPECT_FALSE(steps.NextFromOpen(reporter_));
    EXPECT_EQ(
        reporter_.Messages(),
        (std::vector<Message>{{Icon::Error, "Error",
                               "No MIDI file is open.\nPlease open a MIDI file first.", false}}));

    // The file is opened as named, whatever the case of its extension.
    const fs::path midi = SampleMidi();
    fs::rename(midi, dir_ / "Pop.MID");
    ASSERT_TRUE(steps.Open(dir_ / "Pop.MID", reporter_));
    EXPECT_EQ(steps.PathText(), (dir_ / "Pop.MID").string());
    EXPECT_EQ(steps.shortName, "POP");
    EXPECT_EQ(steps.longName, "Pop Ballad");
    EXPECT_EQ(steps.Offered(), steps.boxes);
    EXPECT_TRUE(steps.boxes.test(BoxBit(SectionBox::FillA)));
    EXPECT_FALSE(steps.boxes.test(BoxBit(SectionBox::MainC)));
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kM2sOpenMidi), dir_.Path().string());

    reporter_.Clear();
    for (const char* name : {"", "NINECHARS", "  "}) {
        steps.shortName = name;
        EXPECT_FALSE(steps.NextFromOpen(reporter_)) << name;
        EXPECT_EQ(steps.Current(), MidiToStyleSteps::Step::Open);
    }
    EXPECT_EQ(reporter_.Texts(), (std::vector<std::string>{"The short name can't be null",
                                                           "The length of short name must be 1~8",
                                                           "The short name can't be null"}));
    steps.shortName = "EIGHTCHR";
    EXPECT_TRUE(steps.NextFromOpen(reporter_));
    EXPECT_EQ(steps.Wizard().Model().info.shortName, "EIGHTCHR");

    // A file that fails to analyse empties the fields and leaves no file open.
    WriteFile(dir_ / "junk.mid", "MThd");
    EXPECT_FALSE(steps.Open(dir_ / "junk.mid", reporter_));
    EXPECT_EQ(steps.Current(), MidiToStyleSteps::Step::Open);
    EXPECT_TRUE(steps.PathText().empty());
    EXPECT_TRUE(steps.shortName.empty());
    reporter_.Clear();
    EXPECT_FALSE(steps.NextFromOpen(reporter_));
    EXPECT_EQ(reporter_.Texts().size(), 1u);
}

TEST_F(WizardFlowTest, BackAndNextKeepEverySettingUpToTheSavedStyle) {
    MidiToStyleSteps steps = MakeSteps();
    ASSERT_TRUE(steps.Open(SampleMidi(), reporter_));
    steps.boxes.reset(BoxBit(SectionBox::MainB));
    steps.longName = "Ballad Two";
    ASSERT_TRUE(steps.NextFromOpen(reporter_));
    EXPECT_EQ(steps.Wizard().PresentSections(),
              (std::vector<int>{IntroSlot(0), FillSlot(0), MainSlot(0), EndingSlot(0)}));
    EXPECT_EQ(steps.CurrentSection(), IntroSlot(0));
    // Reset values are in place on a first visit (an intro's chord channels mute the minor
    // group and more).
    EXPECT_EQ(steps.Wizard().Channels(IntroSlot(0))[2].chordMask, 0x0007FF00u);

    steps.SelectSection(MainSlot(1));  // not present
    EXPECT_EQ(steps.CurrentSection(), IntroSlot(0));
    steps.SelectSection(MainSlot(0));
    ChannelSetting& row = steps.Wizard().Channels(MainSlot(0))[4];
    row.record.destination = 12;
    row.record.SetTranspositionTable(3);
    row.record.noteLow = 24;
    row.chordMask = 0xFFFFFF00u;

    ASSERT_TRUE(steps.NextFromChannels(reporter_, {}));
    EXPECT_EQ(steps.Current(), MidiToStyleSteps::Step::OneTouch);
    steps.Wizard().OneTouch()[2][1].volume = 77;
    steps.Wizard().OneTouch()[0][0].program = 12;

    // Back twice and forward again: nothing is lost.
    steps.BackToChannels();
    steps.BackToOpen();
    EXPECT_EQ(steps.longName, "Ballad Two");
    EXPECT_FALSE(steps.boxes.test(BoxBit(SectionBox::MainB)));
    ASSERT_TRUE(steps.NextFromOpen(reporter_));
    EXPECT_EQ(steps.CurrentSection(), MainSlot(0));
    EXPECT_EQ(steps.Wizard().Channels(MainSlot(0))[4], row);
    ASSERT_TRUE(steps.NextFromChannels(reporter_, {}));
    EXPECT_EQ(steps.Wizard().OneTouch()[2][1].volume, 77);

    ScriptedDialogs dialogs;
    dialogs.Answer({dir_ / "made"});
    ASSERT_EQ(steps.Finish(dialogs.Chooser(), reporter_), SaveFlow::Written);
    EXPECT_EQ(dialogs.requests[0].filter, "STY files(*.sty)|*.sty||");
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kM2sSaveStyle), dir_.Path().string());
    EXPECT_TRUE(reporter_.Empty()) << reporter_.Texts().front();

    StyleFile back;
    ASSERT_TRUE(back.Load(dir_ / "made.sty", reporter_));
    const StyleModel& m = back.Model();
    EXPECT_EQ(m.info.longName, "Ballad Two");
    EXPECT_EQ(m.info.shortName, "POP");
    EXPECT_FALSE(m.sections[MainSlot(1)].present);
    EXPECT_EQ(m.sections[MainSlot(0)].bars, 2);
    EXPECT_EQ(m.sections[MainSlot(0)].channels[4].record.destination, 12);
    EXPECT_EQ(m.sections[MainSlot(0)].channels[4].record.TranspositionTable(), 3);
    EXPECT_EQ(m.sections[MainSlot(0)].channels[4].record.noteLow, 24);
    EXPECT_EQ(m.sections[MainSlot(0)].channels[4].chordMask, 0xFFFFFF00u);
    EXPECT_EQ(m.oneTouch[2][1].volume, 77);
    EXPECT_EQ(m.oneTouch[0][0].program, 12);
    EXPECT_EQ(m.sections[MainSlot(0)].music, steps.Wizard().Model().sections[MainSlot(0)].music);
}

TEST_F(WizardFlowTest, OneTouchStepWithoutInstrumentInformationAsksAndConnects) {
    instrumentKnown_ = false;
    MidiToStyleSteps steps = MakeSteps();
    ASSERT_TRUE(steps.Open(SampleMidi(), reporter_));
    ASSERT_TRUE(steps.NextFromOpen(reporter_));
    int connects = 0;
    const auto connect = [&](bool succeeds) {
        return [&connects, succeeds, this] {
            ++connects;
            instrumentKnown_ = succeeds;
            return succeeds;
        };
    };
    reporter_.ScriptAnswers({Answer::No, Answer::Cancel, Answer::Yes, Answer::Yes});
    EXPECT_FALSE(steps.NextFromChannels(reporter_, connect(true)));
    EXPECT_FALSE(steps.NextFromChannels(reporter_, connect(true)));
    EXPECT_EQ(connects, 0);
    EXPECT_FALSE(steps.NextFromChannels(reporter_, connect(false)));
    EXPECT_EQ(steps.Current(), MidiToStyleSteps::Step::Channels);
    EXPECT_TRUE(steps.NextFromChannels(reporter_, connect(true)));
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(steps.Current(), MidiToStyleSteps::Step::OneTouch);
    ASSERT_EQ(reporter_.Messages().size(), 4u);
    EXPECT_EQ(reporter_.Messages()[0],
              (Message{Icon::Question, "OTS Setting", std::string(MidiToStyle::kOtsSettingQuestion),
                       true}));

    // Step 2's Save is refused without the information, before any dialog.
    instrumentKnown_ = false;
    reporter_.Clear();
    ScriptedDialogs dialogs;
    EXPECT_EQ(steps.SaveSettings(dialogs.Chooser(), reporter_), SaveFlow::Refused);
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_EQ(reporter_.Messages().front().caption, "DSC Save");
}

TEST_F(WizardFlowTest, DeclinedReplacementSavesNothingAndKeepsTheFolder) {
    MidiToStyleSteps steps = MakeSteps();
    ASSERT_TRUE(steps.Open(SampleMidi(), reporter_));
    ASSERT_TRUE(steps.NextFromOpen(reporter_));
    ASSERT_TRUE(steps.NextFromChannels(reporter_, {}));
    fs::create_directory(dir_ / "other");
    WriteFile(dir_ / "other" / "kept.sty", "old");
    ASSERT_TRUE(config_.SetDialogFolder(dialog_folder::kM2sSaveStyle, "/before"));

    ScriptedDialogs dialogs;
    // An empty name is refused and the dialog opens again; then No to the question.
    dialogs.Answer({dir_ / "other" / ".sty", dir_ / "other" / "kept"});
    reporter_.ScriptAnswers({Answer::No});
    EXPECT_EQ(steps.Finish(dialogs.Chooser(), reporter_), SaveFlow::Declined);
    EXPECT_EQ(ReadFile(dir_ / "other" / "kept.sty"), "old");
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kM2sSaveStyle), "/before");
    EXPECT_EQ(
        reporter_.Messages(),
        (std::vector<Message>{
            {Icon::Information, "Midi2Sty", "The file name can't be null", false},
            {Icon::Question, "SaveSty", "This file is exist, do you want to continue?", true}}));

    // The one-touch step's description: same question, caption "SaveDsc".
    reporter_.Clear();
    WriteFile(dir_ / "other" / "d.dsc", "old");
    dialogs.Answer({dir_ / "other" / "d.txt", dir_ / "other" / "e"});
    reporter_.ScriptAnswers({Answer::Cancel});
    EXPECT_EQ(steps.SaveOneTouch(dialogs.Chooser(), reporter_), SaveFlow::Declined);
    EXPECT_EQ(ReadFile(dir_ / "other" / "d.dsc"), "old");
    EXPECT_EQ(steps.SaveOneTouch(dialogs.Chooser(), reporter_), SaveFlow::Written);
    EXPECT_EQ(reporter_.Messages().front().caption, "SaveDsc");
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kM2sSaveOts), (dir_ / "other").string());
}

TEST_F(WizardFlowTest, DescriptionsLoadAndSaveAcrossStepsAndDrops) {
    MidiToStyleSteps steps = MakeSteps();
    ASSERT_TRUE(steps.Open(SampleMidi(), reporter_));
    ASSERT_TRUE(steps.NextFromOpen(reporter_));
    steps.Wizard().Channels(MainSlot(0))[3].record.highKey = 9;
    steps.Wizard().OneTouch()[1][3].pan = 20;
    ScriptedDialogs dialogs;
    dialogs.Answer({dir_ / "set.dsc"});
    ASSERT_EQ(steps.SaveSettings(dialogs.Chooser(), reporter_), SaveFlow::Written);
    EXPECT_EQ(dialogs.requests[0].folder.key, "SaveCasmDefPath");

    // Reset, then the saved description loaded back by Load on step 2.
    steps.ResetSettings(reporter_);
    steps.Wizard().ResetOneTouch();
    EXPECT_EQ(steps.Wizard().Channels(MainSlot(0))[3].record.highKey, 6);
    dialogs.Answer({dir_ / "set.dsc"});
    ASSERT_TRUE(steps.LoadSettings(dialogs.Chooser(), reporter_));
    EXPECT_EQ(steps.Wizard().Channels(MainSlot(0))[3].record.highKey, 9);
    EXPECT_EQ(steps.Wizard().OneTouch()[1][3].pan, 20);
    EXPECT_EQ(config_.DialogFolder(dialog_folder::kM2sLoadDsc), dir_.Path().string());

    // Also apply: Auto of a main checks the mains and fills.
    steps.SelectSection(MainSlot(0));
    steps.AutoBoxes();
    EXPECT_TRUE(steps.alsoApply.test(BoxBit(SectionBox::FillA)));
    EXPECT_FALSE(steps.alsoApply.test(BoxBit(SectionBox::EndingA)));
    ASSERT_TRUE(steps.ApplyAlso(reporter_));
    EXPECT_EQ(steps.Wizard().Channels(FillSlot(0))[3].record.highKey, 9);
    EXPECT_EQ(steps.Wizard().Channels(EndingSlot(0))[3].record.highKey, 6);

    // A description dropped on step 2 loads; a MIDI file dropped goes back to step 1; other
    // files are not taken.
    steps.ResetSettings(reporter_);
    EXPECT_TRUE(steps.Drop(dir_ / "set.dsc", reporter_));
    EXPECT_EQ(steps.Wizard().Channels(MainSlot(0))[3].record.highKey, 9);
    EXPECT_FALSE(steps.Drop(dir_ / "pop.sty", reporter_));
    EXPECT_TRUE(steps.Drop(dir_ / "pop.mid", reporter_));
    EXPECT_EQ(steps.Current(), MidiToStyleSteps::Step::Open);
    EXPECT_TRUE(steps.Wizard().Analysed());
    // The same file again keeps the settings made for it.
    ASSERT_TRUE(steps.NextFromOpen(reporter_));
    EXPECT_EQ(steps.Wizard().Channels(MainSlot(0))[3].record.highKey, 9);
}

}  // namespace
}  // namespace veltrano
