#include "base/EditDocument.h"

#include <gtest/gtest.h>

#include <array>

namespace veltrano {
namespace {

struct Bank {
    std::array<int, 3> volume{};
    std::string name;
    bool operator==(const Bank&) const = default;
};

using Doc = EditDocument<Bank>;

TEST(EditDocument, EditsUndoRedoAndTheModifiedFlag) {
    Doc doc;
    std::vector<DocumentChange::Kind> heard;
    doc.Listen([&](const DocumentChange& c) { heard.push_back(c.kind); });
    EXPECT_FALSE(doc.Modified());
    EXPECT_FALSE(doc.CanUndo());

    EXPECT_TRUE(doc.Edit("vol0", [](Bank& b) { b.volume[0] = 10; }));
    EXPECT_TRUE(doc.Edit("name", [](Bank& b) { b.name = "Song"; }));
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(doc.Undo(), "name");
    EXPECT_EQ(doc.Value().name, "");
    EXPECT_EQ(doc.Value().volume[0], 10);
    EXPECT_EQ(doc.Undo(), "vol0");
    EXPECT_FALSE(doc.Modified());  // back where it started
    EXPECT_EQ(doc.Undo(), "");     // nothing more
    EXPECT_EQ(doc.Redo(), "vol0");
    EXPECT_EQ(doc.Value().volume[0], 10);
    // An edit after an undo ends the redo path.
    EXPECT_TRUE(doc.Edit("vol1", [](Bank& b) { b.volume[1] = 5; }));
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(heard, (std::vector<DocumentChange::Kind>{
                         DocumentChange::Kind::Edit, DocumentChange::Kind::Edit,
                         DocumentChange::Kind::Undo, DocumentChange::Kind::Undo,
                         DocumentChange::Kind::Redo, DocumentChange::Kind::Edit}));
}

TEST(EditDocument, ARunOfOneFieldIsOneStepUntilEndMerge) {
    Doc doc;
    for (int v = 1; v <= 20; ++v) {  // a slider dragged
        doc.Edit("vol0", [v](Bank& b) { b.volume[0] = v; });
    }
    doc.EndMerge();  // let go
    doc.Edit("vol0", [](Bank& b) { b.volume[0] = 99; });
    doc.Undo();
    EXPECT_EQ(doc.Value().volume[0], 20);
    doc.Undo();
    EXPECT_EQ(doc.Value().volume[0], 0);
    EXPECT_FALSE(doc.CanUndo());
    // Another field in between also breaks the run.
    doc.Edit("vol0", [](Bank& b) { b.volume[0] = 1; });
    doc.Edit("vol1", [](Bank& b) { b.volume[1] = 1; });
    doc.Edit("vol0", [](Bank& b) { b.volume[0] = 2; });
    doc.Undo();
    EXPECT_EQ(doc.Value().volume[0], 1);
}

TEST(EditDocument, NoChangeIsNoStep) {
    Doc doc;
    EXPECT_FALSE(doc.Edit("vol0", [](Bank& b) { b.volume[0] = 0; }));
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.Modified());
}

TEST(EditDocument, SavingAndLoading) {
    Doc doc;
    doc.Edit("vol0", [](Bank& b) { b.volume[0] = 3; });
    doc.MarkSaved();
    EXPECT_FALSE(doc.Modified());
    // A run that began before the save does not merge into the saved step.
    doc.Edit("vol0", [](Bank& b) { b.volume[0] = 4; });
    EXPECT_TRUE(doc.Modified());
    doc.Undo();
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.Value().volume[0], 3);
    doc.Undo();
    EXPECT_TRUE(doc.Modified());  // before the saved state is modified too

    Bank opened;
    opened.name = "Opened";
    doc.Load(opened);
    EXPECT_FALSE(doc.Modified());
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(doc.Value().name, "Opened");
}

TEST(EditDocument, AVeryLongHistoryKeepsTheNewestSteps) {
    Doc doc;
    for (int v = 1; v <= 500; ++v) {
        doc.EndMerge();
        doc.Edit("vol0", [v](Bank& b) { b.volume[0] = v; });
    }
    int undone = 0;
    while (doc.CanUndo()) {
        doc.Undo();
        ++undone;
    }
    EXPECT_EQ(undone, static_cast<int>(Doc::kMaxSteps));
    EXPECT_EQ(doc.Value().volume[0], 500 - static_cast<int>(Doc::kMaxSteps));
    // The saved state was forgotten: every state is modified now.
    EXPECT_TRUE(doc.Modified());
}

TEST(EditDocument, AListenerMayLeaveWhileBeingTold) {
    Doc doc;
    int first = 0;
    int second = 0;
    Doc::ListenerId secondId = 0;
    doc.Listen([&](const DocumentChange&) {
        ++first;
        doc.StopListening(secondId);
    });
    secondId = doc.Listen([&](const DocumentChange&) { ++second; });
    doc.Edit("name", [](Bank& b) { b.name = "x"; });
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

}  // namespace
}  // namespace veltrano
