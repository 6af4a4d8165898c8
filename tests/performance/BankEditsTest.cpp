// Edits of the bank through the document: undo across performances, the modified mark, copy
// and swap, and the comparison of two performances.
#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "base/Reporter.h"
#include "performance/PerformanceCompare.h"
#include "performance/PerformanceDocument.h"
#include "performance/PerformanceFile.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

class BankEditsTest : public ::testing::Test {
protected:
    BankEditsTest() {
        app_.programFolder = dir_.Path();
        app_.config.SetPath(dir_ / "Cnfg.ini");
    }
    void SetVolume(int performance, int value) {
        ASSERT_TRUE(doc_.SetCurrentIndex(performance));
        doc_.Edit("Keyboard/R1/volume",
                  [value](Performance& p) { p.keyboard.volumes[0] = static_cast<uint8_t>(value); });
    }

    test::TempDir dir_;
    AppContext app_;
    RecordingReporter reporter_;
    PerformanceDocument doc_{app_, reporter_};
};

TEST_F(BankEditsTest, UndoWalksBackAcrossPerformancesAndNamesWhereEachStepWasMade) {
    SetVolume(2, 10);
    SetVolume(2, 11);  // typed on: one step
    doc_.Edits().EndMerge();
    SetVolume(0, 50);
    EXPECT_EQ(doc_.MarkedFileName(), "*");
    EXPECT_EQ(doc_.Edits().Undo(), "P1/Keyboard/R1/volume");
    EXPECT_EQ(doc_.Bank().At(0).keyboard.volumes[0], 110);
    EXPECT_EQ(doc_.Edits().Undo(), "P3/Keyboard/R1/volume");
    EXPECT_EQ(doc_.Bank().At(2).keyboard.volumes[0], 110);
    EXPECT_FALSE(doc_.Modified());
    EXPECT_EQ(doc_.Edits().Redo(), "P3/Keyboard/R1/volume");
    EXPECT_EQ(doc_.Bank().At(2).keyboard.volumes[0], 11);
    // The shown performance is not part of the history.
    EXPECT_EQ(doc_.CurrentIndex(), 0);
    EXPECT_FALSE(doc_.SetCurrentIndex(6));
    EXPECT_FALSE(doc_.SetCurrentIndex(-1));
    EXPECT_EQ(doc_.CurrentIndex(), 0);

    const auto split = PerformanceDocument::SplitStepName("P3/Effect/Harmony/R2/ratio");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, 2);
    EXPECT_EQ(split->second, "Effect/Harmony/R2/ratio");
    for (const char* bad : {"", "P", "P0/x", "P7/x", "P12/x", "Q1/x", "P1x"}) {
        EXPECT_FALSE(PerformanceDocument::SplitStepName(bad)) << bad;
    }
}

TEST_F(BankEditsTest, SavingClearsTheMarkAndOpeningStartsANewHistory) {
    SetVolume(1, 64);
    ASSERT_TRUE(doc_.Save(dir_ / "Live.prf"));
    EXPECT_EQ(doc_.MarkedFileName(), "live.prf");
    EXPECT_TRUE(doc_.Edits().CanUndo());  // saving keeps the history
    SetVolume(1, 65);
    EXPECT_EQ(doc_.MarkedFileName(), "live.prf*");
    (void)doc_.Edits().Undo();
    EXPECT_EQ(doc_.MarkedFileName(), "live.prf");

    ASSERT_TRUE(doc_.Open(dir_ / "live.prf"));
    EXPECT_FALSE(doc_.Edits().CanUndo());
    EXPECT_FALSE(doc_.Modified());
    EXPECT_EQ(doc_.Bank().At(1).keyboard.volumes[0], 64);
    const auto saved = doc_.ReadQuietly(doc_.FilePath());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->At(1).keyboard.volumes[0], 64);
    EXPECT_FALSE(doc_.ReadQuietly(dir_ / "missing.prf"));

    // A file that cannot be read leaves the bank and its history alone.
    SetVolume(3, 1);
    test::WriteFile(dir_ / "bad.prf", "FRPM");
    EXPECT_FALSE(doc_.Open(dir_ / "bad.prf"));
    EXPECT_TRUE(doc_.Modified());
    EXPECT_EQ(doc_.Bank().At(3).keyboard.volumes[0], 1);
    doc_.New();
    EXPECT_FALSE(doc_.Modified());
    EXPECT_EQ(doc_.FileName(), "");
}

TEST_F(BankEditsTest, CopyAndSwapAreOneStepEach) {
    SetVolume(0, 1);
    SetVolume(4, 5);
    doc_.Edits().EndMerge();
    ASSERT_TRUE(doc_.CopyPerformance(0, 2));
    EXPECT_EQ(doc_.Bank().At(2).keyboard.volumes[0], 1);
    ASSERT_TRUE(doc_.SwapPerformances(2, 4));
    EXPECT_EQ(doc_.Bank().At(2).keyboard.volumes[0], 5);
    EXPECT_EQ(doc_.Bank().At(4).keyboard.volumes[0], 1);
    EXPECT_EQ(doc_.Edits().Undo(), "P5/Swap");
    EXPECT_EQ(doc_.Bank().At(2).keyboard.volumes[0], 1);
    EXPECT_EQ(doc_.Edits().Undo(), "P3/Copy");
    EXPECT_EQ(doc_.Bank().At(2).keyboard.volumes[0], 110);
    EXPECT_FALSE(doc_.CopyPerformance(1, 1));
    EXPECT_FALSE(doc_.CopyPerformance(0, 6));
    EXPECT_FALSE(doc_.SwapPerformances(-1, 2));
    // Copying an equal performance changes nothing and is no step.
    EXPECT_FALSE(doc_.CopyPerformance(1, 3));
}

TEST(PerformanceCompareTest, ListsOnlyTheFieldsThatDiffer) {
    Performance a;
    Performance b;
    EXPECT_TRUE(ComparePerformances(a, b).empty());
    b.keyboard.volumes[3] = 90;
    b.effect.parts[1].harmonyRatio = 20;
    b.keyboard.parts[0].voice = {1, 0, "USER\\VOICE\\Pad.voc"};
    b.controllers.pads[2].noteCount = 2;
    b.controllers.pads[2].notes[1] = 64;
    const auto differences = ComparePerformances(a, b);
    std::vector<std::string> fields;
    for (const FieldDifference& d : differences) {
        fields.push_back(d.field);
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"Keyboard R1 voice", "Keyboard R1 voice source",
                                                "Keyboard L volume", "Effect R2 harmony ratio",
                                                "Pad 3 notes", "Pad 3 note 1", "Pad 3 note 2"}));
    EXPECT_EQ(differences[2], (FieldDifference{"Keyboard L volume", "110", "90"}));
    EXPECT_EQ(differences[0].left, "#1");
    EXPECT_EQ(differences[0].right, "USER\\VOICE\\Pad.voc");
    EXPECT_EQ(differences[6], (FieldDifference{"Pad 3 note 2", "-", "64"}));
}

}  // namespace
}  // namespace veltrano
