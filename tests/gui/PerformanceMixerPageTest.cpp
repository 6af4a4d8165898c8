// The Mixer page of the performance editor: sliders and number fields moved by keys, the
// levels shared with the Keyboard page, saved and read back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "DemoWindow.h"
#include "PerformanceEditorFixture.h"
#include "performance/PerformanceDocument.h"
#include "performance/PerformanceFile.h"
#include "performance/gui/PerformanceEditor.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

class MixerPageTest : public test::PerformanceEditorFixture {
protected:
    MixerPageTest() { ShowTab(PerformanceEditor::kMixerTab); }

    void ShowMixerTab(int tab) { ClickTab("mixerTabs", tab); }
    const Performance& Shown() { return editor_->Document().Current(); }
};

TEST_F(MixerPageTest, SliderAndFieldMoveTogetherAndTheKeyboardPageShowsTheLevel) {
    auto* slider = Get<QSlider>(QStringLiteral("slider Mixer/R1/volume"));
    auto* value = Get<QSpinBox>(QStringLiteral("value Mixer/R1/volume"));
    const int start = Shown().keyboard.volumes[0];
    ASSERT_GE(start, 8);
    EXPECT_EQ(slider->value(), start);
    EXPECT_FALSE(slider->accessibleName().isEmpty());
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(value->value(), start - 7);
    EXPECT_EQ(Shown().keyboard.volumes[0], start - 7);
    Type(value, QStringLiteral("40"));
    EXPECT_EQ(slider->value(), 40);

    ShowTab(PerformanceEditor::kKeyboardTab);
    auto* keyboardVolume = Get<QSpinBox>(QStringLiteral("volumeR1"));
    EXPECT_EQ(keyboardVolume->value(), 40);
    // Undone from the Keyboard page, the Mixer shows it too.
    QTest::mouseClick(Get<QToolButton>(QStringLiteral("undoButton")), Qt::LeftButton);
    EXPECT_EQ(Shown().keyboard.volumes[0], start - 7);
    ShowTab(PerformanceEditor::kKeyboardTab);
    Type(keyboardVolume, QStringLiteral("77"));
    ShowTab(PerformanceEditor::kMixerTab);
    EXPECT_EQ(slider->value(), 77);
}

TEST_F(MixerPageTest, PansAreSignedAndEveryTabIsSavedAndReadBack) {
    editor_->Document().Edit("test/pan", [](Performance& p) {
        p.keyboard.pans[3] = static_cast<int8_t>(192);
        p.styleSong.channelVolumes[4] = 0xC0;
    });
    editor_->Page(PerformanceEditor::kMixerTab).Show();
    EXPECT_EQ(Get<QSpinBox>(QStringLiteral("value Mixer/L/pan"))->value(), -64);
    Type(Get<QSpinBox>(QStringLiteral("value Mixer/R2/pan")), QStringLiteral("-1"));
    Type(Get<QSpinBox>(QStringLiteral("value Mixer/song/volume")), QStringLiteral("12"));
    ShowMixerTab(1);
    Type(Get<QSpinBox>(QStringLiteral("value Mixer/track 3/volume")), QStringLiteral("5"));
    QTest::mouseClick(Get<QCheckBox>(QStringLiteral("box Mixer/track 8 2")), Qt::LeftButton);
    ShowMixerTab(2);
    EXPECT_EQ(Get<QSpinBox>(QStringLiteral("value Mixer/channel 5/volume"))->value(), 0x40);
    Type(Get<QSpinBox>(QStringLiteral("value Mixer/channel 16/volume")), QStringLiteral("127"));
    QTest::mouseClick(Get<QCheckBox>(QStringLiteral("box Mixer/channel 10 1")), Qt::LeftButton);

    const fs::path path = window_.Local() / "mixer.prf";
    {
        test::FileDialogAnswer answer(QString::fromStdString(path.string()));
        QTest::mouseClick(Get<QAbstractButton>(QStringLiteral("saveButton")), Qt::LeftButton);
    }
    PerformanceBank read;
    ASSERT_TRUE(PerformanceFile(window_.Reporter(), CodePage::Windows1252).Read(path, read));
    const Performance& p = read.At(0);
    EXPECT_EQ(static_cast<uint8_t>(p.keyboard.pans[1]), 255);
    EXPECT_EQ(p.keyboard.pans[3], -64);
    EXPECT_EQ(p.styleSong.songVolume, 12);
    EXPECT_EQ(p.styleSong.trackVolumes[2], 5);
    EXPECT_EQ(p.styleSong.trackBits[1], 0x80);
    EXPECT_EQ(p.styleSong.channelVolumes[15], 127);
    EXPECT_EQ(p.styleSong.channelBits[0], 1u << 9);
    EXPECT_EQ(p, Shown());
}

}  // namespace
}  // namespace veltrano
