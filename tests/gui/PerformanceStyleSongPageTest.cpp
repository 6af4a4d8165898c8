// The Style&Song page of the performance editor driven by keys and clicks, checked in the
// bank and in the saved file read back by the core reader.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "DemoWindow.h"
#include "PerformanceEditorFixture.h"
#include "performance/PerformanceDocument.h"
#include "performance/PerformanceFile.h"
#include "performance/StyleSongRules.h"
#include "performance/gui/PerformanceEditor.h"
#include "transfer/gui/PresetChooser.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
namespace sr = style_song_rules;

class StyleSongPageTest : public test::PerformanceEditorFixture {
protected:
    StyleSongPageTest() { ShowTab(PerformanceEditor::kStyleSongTab); }

    void Choose(const QString& name, int index) {
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
    // A click on the box itself, not on the empty space its row leaves right of the text.
    static void ClickBox(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    const StyleSongSection& Shown() { return editor_->Document().Current().styleSong; }
};

TEST_F(StyleSongPageTest, TheSongAsSelectionOrFullRangeHidesTheDetectButtons) {
    editor_->Document().Edit("test/range", [](Performance& p) { p.styleSong.fullRange = 0; });
    editor_->Page(PerformanceEditor::kStyleSongTab).Show();
    auto* button = Get<QPushButton>(QStringLiteral("detectButton1"));
    EXPECT_TRUE(button->isVisible());
    Choose(QStringLiteral("currentSelection"), 1);
    EXPECT_EQ(Shown().selection, 1);
    EXPECT_TRUE(Get<QCheckBox>(QStringLiteral("fullRange"))->isChecked());
    EXPECT_FALSE(button->isVisible());
    Choose(QStringLiteral("currentSelection"), 0);
    EXPECT_TRUE(button->isVisible());
    ClickBox(Get<QCheckBox>(QStringLiteral("fullRange")));
    EXPECT_EQ(Shown().fullRange, 1);
    EXPECT_FALSE(button->isVisible());
}

TEST_F(StyleSongPageTest, EveryControlIsSavedAndReadBackAndTheTempoKeptInRange) {
    // The field takes no more than the range; a file's tempo beyond it shows and is stored
    // as the top of the range once the page is left.
    Type(QStringLiteral("tempo"), QStringLiteral("999"));
    EXPECT_LE(Shown().tempo, sr::kMaxTempo);
    editor_->Document().Edit("test/tempo", [](Performance& p) { p.styleSong.tempo = 60000; });
    editor_->Page(PerformanceEditor::kStyleSongTab).Show();
    EXPECT_EQ(Get<QSpinBox>(QStringLiteral("tempo"))->value(), sr::kMaxTempo);
    ShowTab(PerformanceEditor::kGlobalTab);
    EXPECT_EQ(Shown().tempo, sr::kMaxTempo);
    ShowTab(PerformanceEditor::kStyleSongTab);
    Type(QStringLiteral("tempo"), QStringLiteral("96"));
    Choose(QStringLiteral("styleSwitch0"), 0);
    Choose(QStringLiteral("styleSwitch7"), 0);
    Choose(QStringLiteral("styleSwitch3"), 1);
    Choose(QStringLiteral("mainSection"), 2);
    QTest::mouseClick(Get<QPushButton>(QStringLiteral("detectButton2")), Qt::LeftButton);
    EXPECT_EQ(Get<QComboBox>(QStringLiteral("detectMode"))->currentIndex(), 2);
    Type(QStringLiteral("styleVolume"), QStringLiteral("77"));
    Choose(QStringLiteral("playMode"), 1);
    ClickBox(Get<QCheckBox>(QStringLiteral("loopOn")));
    Type(QStringLiteral("songVolume"), QStringLiteral("33"));
    const bool loop = sr::LoopOn(Shown());

    const fs::path path = window_.Local() / "stylesong.prf";
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        QTest::mouseClick(Get<QAbstractButton>(QStringLiteral("saveButton")), Qt::LeftButton);
    }
    PerformanceBank read;
    ASSERT_TRUE(PerformanceFile(window_.Reporter(), CodePage::Windows1252).Read(path, read));
    const StyleSongSection& s = read.At(0).styleSong;
    EXPECT_EQ(s.tempo, 96);
    EXPECT_EQ(s.styleSwitches & 0x89, 0x81);
    EXPECT_EQ(s.mainSection, 2);
    EXPECT_EQ(s.detectMode, 2);
    EXPECT_EQ(s.styleVolume, 77);
    EXPECT_TRUE(loop);
    EXPECT_EQ(s.songSettings, 192);
    EXPECT_EQ(s.songVolume, 33);
    EXPECT_EQ(s, Shown());
    // The Mixer shows the volumes typed here.
    ShowTab(PerformanceEditor::kMixerTab);
    EXPECT_EQ(Get<QSpinBox>(QStringLiteral("value Mixer/style/volume"))->value(), 77);
}

// The chooser opened by the Select button of a group, answered by keys: `downs` entries further
// down the catalogue, then Return.
void AnswerChooser(int downs) {
    QTimer::singleShot(0, [downs] {
        auto* chooser = qobject_cast<PresetChooser*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        auto* entries = chooser->findChild<QListWidget*>(QStringLiteral("chooserEntryList"));
        ASSERT_NE(entries, nullptr);
        entries->setFocus();
        for (int i = 0; i < downs; ++i) {
            QTest::keyClick(entries, Qt::Key_Down);
        }
        QTest::keyClick(entries, Qt::Key_Return);
    });
}

TEST_F(StyleSongPageTest, StyleAndSongAreChosenFromTheirCataloguesAndSaved) {
    const auto& styles = window_.App().catalog.StyleGroups();
    const auto& songs = window_.App().catalog.SongGroups();
    ASSERT_GE(styles.at(0).names.size(), 3u);
    ASSERT_GE(songs.at(0).names.size(), 2u);
    AnswerChooser(2);
    QTest::mouseClick(Get<QPushButton>(QStringLiteral("chooseStyle")), Qt::LeftButton);
    EXPECT_EQ(Shown().style, (PresetRef{0, 2, {}}));
    EXPECT_EQ(Get<QLabel>(QStringLiteral("styleRef"))->text(),
              QStringLiteral("003 ") + QString::fromStdString(styles[0].names[2]));
    AnswerChooser(1);
    QTest::mouseClick(Get<QPushButton>(QStringLiteral("chooseSong")), Qt::LeftButton);
    EXPECT_EQ(Shown().song, (PresetRef{0, 1, {}}));

    const fs::path path = window_.Local() / "chosen.prf";
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        QTest::mouseClick(Get<QAbstractButton>(QStringLiteral("saveButton")), Qt::LeftButton);
    }
    PerformanceBank read;
    ASSERT_TRUE(PerformanceFile(window_.Reporter(), CodePage::Windows1252).Read(path, read));
    EXPECT_EQ(read.At(0).styleSong.style, (PresetRef{0, 2, {}}));
    EXPECT_EQ(read.At(0).styleSong.song, (PresetRef{0, 1, {}}));
    // One step each, undone in turn.
    QTest::mouseClick(Get<QAbstractButton>(QStringLiteral("undoButton")), Qt::LeftButton);
    EXPECT_EQ(Shown().song, PresetRef{});
    EXPECT_EQ(Shown().style, (PresetRef{0, 2, {}}));
}

}  // namespace
}  // namespace veltrano
