#include "arp/ArpEditor.h"

#include <gtest/gtest.h>

#include "base/Reporter.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Mode = ArpEditor::GateMode;

ArpStep Note(uint16_t mask, uint8_t gate = 100) {
    ArpStep step;
    step.noteMask = mask;
    step.gate = gate;
    return step;
}

// An editor holding `steps` from step 0 on, as if opened.
void Put(ArpEditor& editor, std::initializer_list<ArpStep> steps) {
    ArpPattern pattern;
    int i = 0;
    for (const ArpStep& s : steps) {
        pattern.SetStep(i++, s);
    }
    pattern.SetLength(pattern.UsedLength());
    pattern.RebuildGrid();
    editor.Doc().Load(pattern);
}

uint16_t Mask(const ArpEditor& editor, int step) {
    return editor.Pattern().GetStep(step).noteMask;
}

TEST(ArpEditor, ATieAsksOnceBeforeItSwallowsNotesAndNoKeepsEverything) {
    ArpEditor editor;
    RecordingReporter reporter;
    // A tie of 3 steps at step 0; row 5 already holds notes at steps 1, 2 and 3.
    Put(editor, {Note(0, 0x83), Note(1 << 5), Note(1 << 5), Note(1 << 5)});
    const ArpPattern before = editor.Pattern();

    reporter.ScriptAnswers({Answer::No});
    editor.ClickCell(0, 5, reporter);
    EXPECT_EQ(editor.Pattern(), before);
    EXPECT_FALSE(editor.Doc().Modified());

    reporter.ScriptAnswers({Answer::Yes});
    editor.ClickCell(0, 5, reporter);
    EXPECT_EQ(reporter.Texts(),
              std::vector<std::string>(2, std::string(ArpEditor::kSustainQuestion)));
    EXPECT_EQ(reporter.Messages().back().caption, "Warning");
    EXPECT_EQ(Mask(editor, 0), 1 << 5);
    EXPECT_EQ(Mask(editor, 1), 0);
    EXPECT_EQ(Mask(editor, 2), 0);
    EXPECT_EQ(Mask(editor, 3), 1 << 5);  // beyond the tie
    EXPECT_EQ(editor.Pattern().GridCell(5, 1), ArpPattern::Cell::Held);
    EXPECT_TRUE(editor.Doc().Modified());

    // Clearing a note asks nothing.
    reporter.Clear();
    editor.ClickCell(0, 5, reporter);
    EXPECT_EQ(Mask(editor, 0), 0);
    EXPECT_TRUE(reporter.Empty());
}

TEST(ArpEditor, SwitchingToTieStoresTwoStepsAndNoChangesNothing) {
    ArpEditor editor;
    RecordingReporter reporter;
    Put(editor, {Note(0b101), Note(0b100), Note(0b001)});
    const ArpPattern before = editor.Pattern();

    reporter.ScriptAnswers({Answer::No});
    editor.SetGateMode(Mode::Tie, reporter);
    EXPECT_EQ(editor.Pattern(), before) << "No leaves the gate as it was too";
    EXPECT_EQ(editor.Fields().gateMode, Mode::Normal);

    reporter.ScriptAnswers({Answer::Yes});
    editor.SetGateMode(Mode::Tie, reporter);
    EXPECT_EQ(editor.Pattern().GetStep(0).gate, 0x82);
    EXPECT_EQ(Mask(editor, 1), 0);      // the conflicting row of the next step
    EXPECT_EQ(Mask(editor, 2), 0b001);  // two steps on: not covered
    const auto fields = editor.Fields();
    EXPECT_EQ(fields.gateValue, 2) << "the stored length, not 1";
    EXPECT_EQ(fields.gateUnit, "(1-50)steps");
    EXPECT_EQ(reporter.Messages().size(), 2u);

    // No conflict: no question.
    reporter.Clear();
    editor.SelectColumn(2);
    editor.SetGateMode(Mode::Tie, reporter);
    EXPECT_TRUE(reporter.Empty());
    EXPECT_EQ(editor.Pattern().GetStep(2).gate, 0x82);
    editor.SelectColumn(3);
    editor.SelectColumn(2);
    EXPECT_EQ(editor.Fields().gateUnit, "(1-50steps)");

    // The other modes and their fields.
    editor.SetGateMode(Mode::Off, reporter);
    EXPECT_EQ(editor.Pattern().GetStep(2).gate, 0);
    EXPECT_FALSE(editor.Fields().gateValueEditable);
    EXPECT_EQ(editor.Fields().gateValue, 0);
    editor.SetGateMode(Mode::Legato, reporter);
    EXPECT_EQ(editor.Pattern().GetStep(2).gate, 101);
    EXPECT_EQ(editor.Fields().gateValue, 101);
    EXPECT_TRUE(editor.Fields().gateUnit.empty());
    editor.SetGateMode(Mode::Normal, reporter);
    EXPECT_EQ(editor.Pattern().GetStep(2).gate, 100);
    EXPECT_EQ(editor.Fields().gateUnit, "(1%-100%)");
    editor.SetGateValue(0, reporter);
    EXPECT_EQ(editor.Pattern().GetStep(2).gate, 1);
    editor.SetGateMode(Mode::Normal, reporter);  // chosen again: the value stays
    EXPECT_EQ(editor.Pattern().GetStep(2).gate, 1);
}

TEST(ArpEditor, LengtheningATieAsksAboutTheStepsItNewlyCovers) {
    ArpEditor editor;
    RecordingReporter reporter;
    Put(editor, {Note(0b10, 0x82), Note(0b10), Note(0), Note(0b10), Note(0b10)});
    editor.SetGateValue(4, reporter);  // covers steps 2 and 3 newly; step 1 was covered already
    ASSERT_EQ(reporter.Messages().size(), 1u);
    EXPECT_EQ(editor.Pattern().GetStep(0).gate, 0x82) << "No abandons";
    reporter.ScriptAnswers({Answer::Yes});
    editor.SetGateValue(4, reporter);
    EXPECT_EQ(editor.Pattern().GetStep(0).gate, 0x84);
    EXPECT_EQ(Mask(editor, 1), 0b10);
    EXPECT_EQ(Mask(editor, 3), 0);
    EXPECT_EQ(Mask(editor, 4), 0b10);
    reporter.Clear();
    editor.SetGateValue(1, reporter);  // shorter: nothing to ask
    EXPECT_TRUE(reporter.Empty());
    EXPECT_EQ(editor.Pattern().GetStep(0).gate, 0x81);
    reporter.ScriptAnswers({Answer::Yes});
    editor.SetGateValue(99, reporter);  // at most 50 steps; steps 1 and 4 lose their notes
    EXPECT_EQ(editor.Pattern().GetStep(0).gate, 0x80 | 50);
    EXPECT_EQ(Mask(editor, 1), 0);
    EXPECT_EQ(Mask(editor, 4), 0);
}

TEST(ArpEditor, ScrollingSelectionAndTheSaveLength) {
    ArpEditor editor;
    RecordingReporter reporter;
    editor.ScrollTo(2);
    editor.ClickCell(9, 0, reporter);  // step 12 (index 11)
    EXPECT_EQ(editor.SaveLength(), 12);
    EXPECT_EQ(editor.SelectedStep(), 11);
    EXPECT_EQ(editor.HighlightedColumn(), 9);
    editor.ScrollTo(99);
    EXPECT_EQ(editor.FirstVisibleStep(), 40);
    EXPECT_EQ(editor.HighlightedColumn(), -1);  // scrolled away
    // Edits go to first visible + selected column, even while the header is away.
    editor.SetPitch(-60);
    EXPECT_EQ(editor.Pattern().GetStep(49).pitch, -48);
    editor.ScrollTo(2);
    editor.ClickCell(9, 0, reporter);
    EXPECT_EQ(editor.SaveLength(), 1);
    editor.SetSaveLength(0);
    EXPECT_EQ(editor.SaveLength(), 1);
    editor.SetSaveLength(30);
    EXPECT_EQ(editor.SaveLength(), 30);
    EXPECT_TRUE(reporter.Empty());

    editor.SetVelocity(0);
    EXPECT_EQ(editor.Fields().velocity, "Key");
    EXPECT_EQ(ArpEditor::ParseVelocity(" kEy "), 0);
    EXPECT_EQ(ArpEditor::ParseVelocity("127"), 127);
    EXPECT_EQ(ArpEditor::ParseVelocity("128"), std::nullopt);
    EXPECT_EQ(ArpEditor::ParseVelocity("12a"), std::nullopt);
    EXPECT_EQ(ArpEditor::ParseVelocity(""), std::nullopt);
    editor.SetFlam(-120);
    EXPECT_EQ(editor.Fields().flam, -99);
}

TEST(ArpEditor, UndoAndRedoShowTheStepOfTheEdit) {
    ArpEditor editor;
    RecordingReporter reporter;
    editor.ClickCell(3, 4, reporter);
    editor.SetPitch(5);
    editor.SetPitch(7);  // one typed value merges
    editor.ScrollTo(30);
    editor.SelectColumn(0);
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.Pattern().GetStep(3).pitch, 0);
    EXPECT_EQ(editor.SelectedStep(), 3) << "shown again";
    EXPECT_EQ(editor.HighlightedColumn(), 3 - editor.FirstVisibleStep());
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(Mask(editor, 3), 0);
    EXPECT_EQ(editor.SaveLength(), 1);
    EXPECT_FALSE(editor.Doc().Modified());
    EXPECT_FALSE(editor.Undo());
    ASSERT_TRUE(editor.Redo());
    ASSERT_TRUE(editor.Redo());
    EXPECT_EQ(editor.Pattern().GetStep(3).pitch, 7);
    EXPECT_EQ(editor.SaveLength(), 4);
}

TEST(ArpEditor, OpenAndSaveKeepThePatternAndTheFileRules) {
    TempDir dir;
    ArpEditor editor;
    RecordingReporter reporter;
    editor.ClickCell(2, 1, reporter);
    editor.SetPitch(-3);
    const ArpPattern drawn = editor.Pattern();

    // A file that cannot be read leaves the pattern under edit as it was.
    WriteFile(dir / "short.arp", std::string("\x05\x00\x01", 3));
    EXPECT_FALSE(editor.Open(dir / "short.arp", reporter));
    EXPECT_EQ(reporter.Texts(), std::vector<std::string>{"Open the arp file failed"});
    EXPECT_EQ(editor.Pattern(), drawn);
    EXPECT_TRUE(editor.Doc().Modified());

    // Save: the name in lower case, the folders as they are, the extension replaced.
    const auto folder = dir / "Mixed.Case";
    std::filesystem::create_directories(folder);
    const auto path = ArpEditor::SavePath(folder / "My Pattern.TXT");
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, folder / "my pattern.arp");
    EXPECT_EQ(ArpEditor::SavePath(folder / "NoDot"), folder / "nodot.arp");
    EXPECT_EQ(ArpEditor::SavePath(folder / ".ARP"), std::nullopt);
    EXPECT_EQ(ArpEditor::SavePath(folder / "."), std::nullopt);
    EXPECT_EQ(ArpEditor::SavePath(""), std::nullopt);

    ASSERT_TRUE(editor.Save(*path, reporter));
    EXPECT_FALSE(editor.Doc().Modified());
    EXPECT_EQ(editor.FilePath(), *path);
    ArpPattern read;
    ASSERT_TRUE(read.Load(*path, reporter));
    EXPECT_EQ(read.Length(), 3);
    EXPECT_EQ(read.GetStep(2).noteMask, 0b10);
    EXPECT_EQ(read.GetStep(2).pitch, -3);
    EXPECT_EQ(ReadFile(*path).size(), 2u + 3 * 8);

    // Replacing asks; No writes nothing.
    editor.SetSaveLength(5);
    reporter.Clear();
    reporter.ScriptAnswers({Answer::No});
    EXPECT_FALSE(editor.Save(*path, reporter));
    EXPECT_EQ(reporter.Texts(),
              std::vector<std::string>{"This file is exist, do you want to continue?"});
    EXPECT_EQ(ReadFile(*path).size(), 2u + 3 * 8);
    EXPECT_TRUE(editor.Doc().Modified());

    // Open: records beyond the file's count are those of a new pattern; count 0 plays one.
    editor.SetPitch(9);
    WriteFile(dir / "empty.arp", std::string("\x00\x00", 2));
    ASSERT_TRUE(editor.Open(dir / "empty.arp", reporter));
    EXPECT_EQ(editor.SaveLength(), 1);
    EXPECT_EQ(editor.Pattern().GetStep(2), ArpStep{});
    EXPECT_FALSE(editor.Doc().Modified());
    ASSERT_TRUE(editor.Open(*path, reporter));
    EXPECT_EQ(editor.Pattern().GetStep(2).pitch, -3);
    EXPECT_EQ(editor.SelectedStep(), 0);
    EXPECT_FALSE(editor.Doc().CanUndo());

    editor.New();
    EXPECT_EQ(editor.Pattern(), ArpPattern());
    EXPECT_TRUE(editor.FilePath().empty());
}

}  // namespace
}  // namespace veltrano
