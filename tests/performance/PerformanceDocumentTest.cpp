// Defaults, voice defaults from the catalogue, and the New, Open and Save commands.
#include "performance/PerformanceDocument.h"

#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "base/Reporter.h"
#include "performance/PerformanceDefaults.h"
#include "performance/PerformanceFile.h"
#include "performance/PerformanceTestSupport.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using Message = RecordingReporter::Message;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The defaults the file layout tests do not already see in the written bytes.
TEST(PerformanceDefaultsTest, FreshPerformanceHoldsTheNewDefaults) {
    const Performance p;
    const KeyboardSection& kb = p.keyboard;
    EXPECT_EQ((std::array<int, 6>{kb.transpose, kb.touchLatch, kb.touchCurve, kb.fixedLevel, kb.k5,
                                  kb.k6}),
              (std::array<int, 6>{0, 1, 2, 100, 0, 0}));
    // Arpeggiator: key sync and key sound, quarter notes, step velocity 1-127, trigger all.
    const PartEffect& fx = p.effect.parts[0];
    EXPECT_EQ(fx.arpParams, (std::array<uint8_t, 9>{12, 0, 0, 0, 1, 255, 1, 127, 1}));
    EXPECT_EQ(fx.fixedNotes,
              (std::array<uint8_t, 12>{60, 64, 67, 71, 74, 77, 81, 84, 84, 84, 84, 84}));
    EXPECT_EQ(fx.insertion[137], 255);
    EXPECT_EQ(fx.insertion[139], 0);
    const Pad& pad = p.controllers.pads[11];
    EXPECT_EQ((std::array<int, 4>{pad.kind, pad.noteCount, pad.drum[3], pad.applyTo}),
              (std::array<int, 4>{1, 0, 60, 1}));
    EXPECT_EQ(p.controllers.knobs[5], (Knob{0, 0, 1}));
    EXPECT_EQ(p.controllers.pedals[2], (Pedal{0, 127, 0, 0, 1}));
    EXPECT_EQ(p.styleSong.detectMode, 1);
    EXPECT_EQ(p.styleSong.channelVolumes[15], 100);
    EXPECT_EQ(p.global, (GlobalSection{2, 4, 1, 100, 0, 0, 0}));
}

TEST(PerformanceDefaultsTest, ResetKeepsOnlyWhatRecordsTheLastRead) {
    std::mt19937 rng(3);
    PerformanceBank bank = test::RandomBank(rng, CodePage::Windows1252);
    Performance& p = bank.At(4);
    p.keyboard.offsets = {13, 60, 77};
    p.effect.headerByte = 9;
    ResetPerformance(p);
    Performance expected;
    expected.keyboard.offsets = {13, 60, 77};
    expected.effect.headerByte = 9;
    EXPECT_EQ(p, expected);
}

TEST(PerformanceDefaultsTest, VoiceDefaultsComeFromTheCatalogueEntryAfterTheNumber) {
    PresetCatalog catalog;
    catalog.ReadVoiceTableBytes(
        "[GROUP NAME]\nPiano\n[VOICE INFO]\n"
        "1\t0\t0\tGrand\t4\t5\t6\t0\t100\t45\t7\t12\t244\n"
        "219\t0\t0\tStrings\t1\t2\t3\t0\t95\t60\t10\t0\t0\n",
        false);
    KeyboardSection kb;
    kb.parts[2].voice.number = 9999;  // not in the catalogue: kept as it is
    kb.parts[3].voice = {1, 0, "USER/VOICE/A.VOC"};
    kb.parts[3].voice.number = 0;  // a file voice has no catalogue entry
    ApplyVoiceDefaults(kb, catalog);
    ApplyVoiceNumbers(kb, catalog);
    EXPECT_EQ(kb.volumes, (std::array<uint8_t, 4>{100, 95, 110, 110}));
    EXPECT_EQ(kb.parts[0].reverb, 45);
    EXPECT_EQ(kb.parts[0].chorus, 7);
    EXPECT_EQ(kb.parts[0].octave, 12);
    EXPECT_EQ(kb.parts[1].reverb, 60);
    EXPECT_EQ(kb.parts[1].chorus, 10);
    EXPECT_EQ(kb.parts[2].reverb, 40);
    EXPECT_EQ(kb.parts[2].p1 + kb.parts[2].p2 + kb.parts[2].p3, 0);
    EXPECT_EQ(kb.parts[3].reverb, 40);
    // p1 to p3: bank MSB, bank LSB, program.
    EXPECT_EQ((std::array<int, 3>{kb.parts[0].p1, kb.parts[0].p2, kb.parts[0].p3}),
              (std::array<int, 3>{5, 4, 6}));

    // The octave of the left part is the catalogue's last column: 244 is an octave down.
    KeyboardSection left;
    left.parts[3].voice.number = 0;
    ApplyVoiceDefaults(left, catalog);
    EXPECT_EQ(left.parts[3].octave, -12);
}

TEST(PerformanceFileNameTest, LowerCasesTheNameAndSetsTheExtension) {
    EXPECT_EQ(PerformanceFileName("/Home/My.Banks/Live SET.PRF"), "/Home/My.Banks/live set.prf");
    EXPECT_EQ(PerformanceFileName("/Home/My.Banks/Show"), "/Home/My.Banks/show.prf");
    EXPECT_EQ(PerformanceFileName("/home/a/Bank.v2.Txt"), "/home/a/bank.v2.prf");
    EXPECT_EQ(PerformanceFileName("/home/a/bank."), "/home/a/bank.prf");
    EXPECT_EQ(PerformanceFileName("Relative"), "relative.prf");
}

class PerformanceDocumentTest : public ::testing::Test {
protected:
    PerformanceDocumentTest() {
        app_.programFolder = dir_.Path();
        app_.config.SetPath(dir_ / "Cnfg.ini");
        app_.catalog.ReadVoiceTableBytes(
            "[GROUP NAME]\nPiano\n[VOICE INFO]\n"
            "1\t0\t0\tGrand\t0\t0\t0\t0\t90\t30\t5\t0\t0\n",
            false);
    }

    fs::path DefaultFile() const { return dir_ / "Presets" / "Default" / "Default.prf"; }
    Bytes Written(const PerformanceBank& bank) const {
        return test::WriteBank(bank, ControllerLayout::FromProfile(app_.profile.Values()));
    }

    TempDir dir_;
    AppContext app_;
    RecordingReporter reporter_;
};

TEST_F(PerformanceDocumentTest, CreationAndNewWithoutDefaultFile) {
    PerformanceDocument doc(app_, reporter_);
    for (const Performance& p : doc.Bank().Performances()) {
        EXPECT_EQ(p.keyboard.volumes[0], 90);
        EXPECT_EQ(p.keyboard.parts[0].reverb, 30);
        EXPECT_EQ(p.keyboard.volumes[1], 110);
    }
    ASSERT_TRUE(doc.SetCurrentIndex(3));
    doc.Edit("test", [](Performance& p) { p.global.metronomeVolume = 1; });
    doc.New();
    PerformanceBank expected;
    ResetBank(expected, app_.catalog);
    EXPECT_EQ(doc.Bank().Performances(), expected.Performances());
    EXPECT_TRUE(reporter_.Empty());
    EXPECT_FALSE(doc.Bank().Loaded());
}

TEST_F(PerformanceDocumentTest, NewReadsTheDefaultFileOverTheReset) {
    PerformanceBank stored;
    stored.At(1).styleSong.tempo = 99;
    WriteFile(DefaultFile(), AsText(Written(stored)));
    PerformanceDocument doc(app_, reporter_);
    ASSERT_TRUE(doc.SetCurrentIndex(2));
    doc.Edit("test", [](Performance& p) { p.styleSong.tempo = 77; });
    doc.New();
    EXPECT_EQ(doc.Bank().At(1).styleSong.tempo, 99);
    EXPECT_EQ(doc.Bank().At(2).styleSong.tempo, 120);
    EXPECT_TRUE(doc.Bank().Loaded());
    // The default file is not a folder the user chose.
    EXPECT_EQ(app_.config.DialogFolder(dialog_folder::kOpenPerf), "");
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(PerformanceDocumentTest, SaveAsksBeforeReplacingAndRemembersTheFolder) {
    PerformanceDocument doc(app_, reporter_);
    ASSERT_TRUE(doc.SetCurrentIndex(0));
    doc.Edit("test", [](Performance& p) { p.styleSong.tempo = 133; });
    fs::create_directories(dir_ / "Banks");
    ASSERT_TRUE(doc.Save(dir_ / "Banks" / "Live.PRF"));
    const fs::path saved = dir_ / "Banks" / "live.prf";
    EXPECT_EQ(ReadFile(saved), AsText(Written(doc.Bank())));
    EXPECT_EQ(doc.FileName(), "live.prf");
    EXPECT_EQ(app_.config.DialogFolder(dialog_folder::kSavePerf), (dir_ / "Banks").string());
    EXPECT_TRUE(reporter_.Empty());

    ASSERT_TRUE(doc.SetCurrentIndex(0));
    doc.Edit("test", [](Performance& p) { p.styleSong.tempo = 60; });
    reporter_.ScriptAnswers({Answer::No});
    EXPECT_FALSE(doc.Save(saved));
    const Message question{Icon::Question, "Save", "This file is exist, do you want to continue? ",
                           true};
    EXPECT_EQ(reporter_.Messages(), std::vector<Message>{question});
    PerformanceBank reread;
    ASSERT_TRUE(PerformanceFile(reporter_, CodePage::Windows1252).Read(saved, reread));
    EXPECT_EQ(reread.At(0).styleSong.tempo, 133);

    reporter_.Clear();
    reporter_.ScriptAnswers({Answer::Yes});
    EXPECT_TRUE(doc.Save(saved));
    ASSERT_TRUE(PerformanceFile(reporter_, CodePage::Windows1252).Read(saved, reread));
    EXPECT_EQ(reread.At(0).styleSong.tempo, 60);
}

TEST_F(PerformanceDocumentTest, SaveFailuresLeaveTheOldFile) {
    PerformanceDocument doc(app_, reporter_);
    EXPECT_FALSE(doc.Save(dir_ / "missing" / "bank.prf"));
    const Message failed{Icon::Error, "Error",
                         "Create file failed: " + (dir_ / "missing" / "bank.prf").string()};
    EXPECT_EQ(reporter_.Messages(), std::vector<Message>{failed});
    EXPECT_EQ(doc.FileName(), "");

    // A bank the instrument cannot hold is refused before the old file is touched.
    reporter_.Clear();
    WriteFile(dir_ / "bank.prf", "old");
    ASSERT_TRUE(doc.SetCurrentIndex(1));
    doc.Edit("test", [](Performance& p) {
        p.keyboard.parts[0].voice = {1, 0, std::string(300, 'p')};
    });
    reporter_.ScriptAnswers({Answer::Yes});
    EXPECT_FALSE(doc.Save(dir_ / "bank.prf"));
    EXPECT_EQ(ReadFile(dir_ / "bank.prf"), "old");
    EXPECT_EQ(reporter_.Texts().back(), "The voice file path of part R1 is longer than 259 bytes");
}

TEST_F(PerformanceDocumentTest, OpenReadsTheChosenFileAndRemembersItsFolder) {
    PerformanceBank stored;
    stored.At(5).global.fadeInTime = 200;
    // Where names keep their case, a chosen file in capitals is still found.
    WriteFile(dir_ / "In" / "Show.PRF", AsText(Written(stored)));
    PerformanceDocument doc(app_, reporter_);
    ASSERT_TRUE(doc.Open(dir_ / "In" / "Show.PRF"));
    EXPECT_EQ(doc.Bank().At(5).global.fadeInTime, 200);
    EXPECT_EQ(doc.FileName(), "Show.PRF");
    EXPECT_EQ(app_.config.DialogFolder(dialog_folder::kOpenPerf), (dir_ / "In").string());

    WriteFile(dir_ / "In" / "broken.prf", "FRPM and more");
    const PerformanceBank before = doc.Bank();
    EXPECT_FALSE(doc.Open(dir_ / "In" / "broken.prf"));
    EXPECT_EQ(doc.Bank().Performances(), before.Performances());
    EXPECT_EQ(doc.FileName(), "Show.PRF");
    EXPECT_FALSE(doc.Open(dir_ / "none.prf"));
    EXPECT_EQ(reporter_.Texts(),
              (std::vector<std::string>{"Invalid format of the prf file",
                                        "Open the file failed: " + (dir_ / "none.prf").string()}));
}

}  // namespace
}  // namespace veltrano
