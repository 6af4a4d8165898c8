#include "ui/PianoKeyboard.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "app/AppContext.h"
#include "app/OnScreenKeyboard.h"
#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "support/FakeMidiBackend.h"

namespace veltrano {
namespace {

TEST(KeyboardGeometryTest, EveryKeyHasItsPlaceAndIsFoundAgain) {
    const KeyboardGeometry geometry(880, 110);
    EXPECT_EQ(KeyboardGeometry::WhiteKeyCount(), 52);
    int whites = 0;
    for (int note = 21; note <= 108; ++note) {
        const auto rect = geometry.Rect(note);
        ASSERT_TRUE(rect) << note;
        EXPECT_GE(rect->x, 0) << note;
        EXPECT_LE(rect->Right(), 880) << note;
        EXPECT_LE(rect->Bottom(), 110) << note;
        if (KeyboardGeometry::IsBlack(note)) {
            EXPECT_LT(rect->width, geometry.WhiteKeyWidth()) << note;
            EXPECT_LT(rect->height, 110) << note;
            // Between its two white neighbours.
            EXPECT_LT(rect->x, geometry.Rect(note - 1)->Right()) << note;
            EXPECT_GT(rect->Right(), geometry.Rect(note + 1)->x) << note;
        } else {
            ++whites;
            EXPECT_DOUBLE_EQ(rect->width, 880.0 / 52) << note;
            EXPECT_DOUBLE_EQ(rect->height, 110) << note;
        }
        // The centre of a black key, and the lower part of a white key, give the note back.
        const double y = KeyboardGeometry::IsBlack(note) ? rect->CenterY() : 100;
        EXPECT_EQ(geometry.NoteAt(rect->CenterX(), y), note) << note;
    }
    EXPECT_EQ(whites, 52);
    EXPECT_FALSE(geometry.Rect(20));
    EXPECT_FALSE(geometry.Rect(109));
    EXPECT_EQ(geometry.NoteAt(-1, 50), -1);
    EXPECT_EQ(geometry.NoteAt(880, 50), -1);
    EXPECT_EQ(geometry.NoteAt(10, 110), -1);
    EXPECT_EQ(KeyboardGeometry::NoteName(60), "C4");
    EXPECT_EQ(KeyboardGeometry::NoteName(21), "A0");
    EXPECT_EQ(KeyboardGeometry::NoteName(108), "C8");
}

TEST(KeyboardGeometryTest, BlackKeysLieOnTopOfWhiteOnes) {
    const KeyboardGeometry geometry(1040, 120);
    const KeyRect cSharp = *geometry.Rect(61);
    // Where C#4 overlaps C4 and D4, the black key wins; below it the white keys are found.
    EXPECT_EQ(geometry.NoteAt(cSharp.x + 1, 10), 61);
    EXPECT_EQ(geometry.NoteAt(cSharp.Right() - 1, 10), 61);
    EXPECT_EQ(geometry.NoteAt(cSharp.x + 1, cSharp.Bottom() + 1), 60);
    EXPECT_EQ(geometry.NoteAt(cSharp.Right() - 1, cSharp.Bottom() + 1), 62);
    // E and F have no black key between them.
    const KeyRect e = *geometry.Rect(64);
    EXPECT_EQ(geometry.NoteAt(e.Right() - 0.5, 5), 64);
    EXPECT_EQ(geometry.NoteAt(e.Right() + 0.5, 5), 65);
}

class PianoKeyboardTest : public ::testing::Test {
protected:
    PianoKeyboardTest() {
        auto backend = std::make_unique<test::FakeMidiBackend>(
            std::vector<std::string>{}, std::vector<std::string>{"Microsoft GS Wavetable Synth"});
        backend_ = backend.get();
        ports_.AddBackend(std::move(backend));
        ports_.ListPorts();
        EXPECT_TRUE(ports_.OpenOutput(0));
        ports_.SetBlockingSend(true);
        widget_.resize(880, 110);
    }

    QPoint Centre(int note) const {
        const KeyRect rect = *widget_.Geometry().Rect(note);
        const double y = KeyboardGeometry::IsBlack(note) ? rect.CenterY() : rect.Bottom() - 8;
        return QPointF(rect.CenterX(), y).toPoint();
    }
    void Click(int note) { QTest::mouseClick(&widget_, Qt::LeftButton, {}, Centre(note)); }
    std::vector<Bytes> Sent() const { return backend_->Sent(); }

    VirtualEventLoop loop_;
    RecordingReporter reporter_;
    MidiPorts ports_{loop_, reporter_};
    Link link_{loop_, ports_, reporter_};
    AppContext app_;
    OnScreenKeyboard rules_{ports_, link_, app_};
    PianoKeyboard widget_{rules_};
    test::FakeMidiBackend* backend_ = nullptr;
};

TEST_F(PianoKeyboardTest, AClickPlaysThroughTheRules) {
    QSignalSpy pressed(&widget_, &PianoKeyboard::KeyPressed);
    QSignalSpy released(&widget_, &PianoKeyboard::KeyReleased);
    EXPECT_EQ(widget_.accessibleName(), "Keyboard");
    QTest::mousePress(&widget_, Qt::LeftButton, {}, Centre(61));
    EXPECT_EQ(widget_.HeldKeys(), std::vector<int>{61});
    QTest::mouseRelease(&widget_, Qt::LeftButton, {}, Centre(61));
    EXPECT_TRUE(widget_.HeldKeys().empty());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x90, 61, 100}, {0x90, 61, 0}}));
    ASSERT_EQ(pressed.size(), 1);
    EXPECT_EQ(pressed[0][0].toInt(), 61);
    ASSERT_EQ(released.size(), 1);

    // The rules refuse while pad entry takes the notes: the key still goes down and is reported.
    rules_.SetPadEntry(true);
    Click(60);
    EXPECT_EQ(Sent().size(), 3u);  // only the release, which pad entry does not hold back
    EXPECT_EQ(pressed.size(), 2);
}

TEST_F(PianoKeyboardTest, ShowingAndMarkingSendNothing) {
    QSignalSpy pressed(&widget_, &PianoKeyboard::KeyPressed);
    widget_.ShowKey(64, true);
    widget_.MarkKey(67, true);
    widget_.ShowKey(200, true);  // out of range: ignored
    widget_.MarkKey(-5, true);
    EXPECT_TRUE(widget_.KeyShown(64));
    EXPECT_TRUE(widget_.KeyMarked(67));
    EXPECT_TRUE(widget_.HeldKeys().empty());
    EXPECT_TRUE(widget_.grab().size().isValid());  // paints with shown and marked keys
    widget_.ShowKey(64, false);
    widget_.ClearMarks();
    EXPECT_FALSE(widget_.KeyShown(64));
    EXPECT_FALSE(widget_.KeyMarked(67));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(pressed.size(), 0);
}

TEST_F(PianoKeyboardTest, LatchHoldsKeysUntilClickedAgainOrLatchEnds) {
    widget_.SetLatch(true);
    Click(67);
    Click(60);
    Click(64);
    EXPECT_EQ(widget_.HeldKeys(), (std::vector<int>{60, 64, 67}));
    Click(64);  // a second click lets go
    EXPECT_EQ(widget_.HeldKeys(), (std::vector<int>{60, 67}));
    EXPECT_EQ(Sent().size(), 4u);
    QSignalSpy released(&widget_, &PianoKeyboard::KeyReleased);
    widget_.SetLatch(false);
    EXPECT_TRUE(widget_.HeldKeys().empty());
    EXPECT_EQ(released.size(), 2);
    EXPECT_EQ(Sent().back(), (Bytes{0x90, 67, 0}));
    EXPECT_EQ(Sent().size(), 6u);
}

TEST_F(PianoKeyboardTest, SwitchingOffReleasesEverythingAndIgnoresTheMouse) {
    widget_.SetLatch(true);
    Click(60);
    Click(72);
    QSignalSpy released(&widget_, &PianoKeyboard::KeyReleased);
    const size_t before = Sent().size();
    widget_.SetKeysOn(false);
    EXPECT_FALSE(widget_.KeysOn());
    EXPECT_TRUE(widget_.HeldKeys().empty());
    EXPECT_EQ(released.size(), 2);
    // A velocity-0 note-on for every key of the range.
    const std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size() - before, 88u);
    EXPECT_EQ(sent[before], (Bytes{0x90, 21, 0}));
    EXPECT_EQ(sent.back(), (Bytes{0x90, 108, 0}));

    Click(64);
    QTest::mousePress(&widget_, Qt::LeftButton, {}, Centre(65));
    QTest::mouseMove(&widget_, Centre(67));
    QTest::mouseRelease(&widget_, Qt::LeftButton, {}, Centre(67));
    EXPECT_TRUE(widget_.HeldKeys().empty());
    EXPECT_EQ(Sent().size(), sent.size());
    widget_.SetKeysOn(false);  // already off: nothing more goes out
    EXPECT_EQ(Sent().size(), sent.size());

    widget_.SetKeysOn(true);  // latch is still on
    Click(64);
    EXPECT_EQ(widget_.HeldKeys(), std::vector<int>{64});
    EXPECT_EQ(Sent().back(), (Bytes{0x90, 64, 100}));
}

TEST_F(PianoKeyboardTest, DraggingSlidesFromKeyToKey) {
    QTest::mousePress(&widget_, Qt::LeftButton, {}, Centre(60));
    QTest::mouseMove(&widget_, Centre(60) + QPoint(1, 0));  // same key: nothing new
    QTest::mouseMove(&widget_, Centre(61));
    EXPECT_EQ(widget_.HeldKeys(), std::vector<int>{61});
    QTest::mouseMove(&widget_, Centre(62));
    QTest::mouseMove(&widget_, QPoint(-20, 50));  // off the keyboard: the key comes up
    EXPECT_TRUE(widget_.HeldKeys().empty());
    QTest::mouseMove(&widget_, Centre(64));
    QTest::mouseRelease(&widget_, Qt::LeftButton, {}, Centre(64));
    EXPECT_TRUE(widget_.HeldKeys().empty());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x90, 60, 100},
                                          {0x90, 60, 0},
                                          {0x90, 61, 100},
                                          {0x90, 61, 0},
                                          {0x90, 62, 100},
                                          {0x90, 62, 0},
                                          {0x90, 64, 100},
                                          {0x90, 64, 0}}));
}

TEST_F(PianoKeyboardTest, HidingWhileAKeyIsHeldLetsItGo) {
    widget_.show();
    QTest::mousePress(&widget_, Qt::LeftButton, {}, Centre(60));
    widget_.hide();
    EXPECT_TRUE(widget_.HeldKeys().empty());
    EXPECT_EQ(Sent().back(), (Bytes{0x90, 60, 0}));
    QTest::mouseRelease(&widget_, Qt::LeftButton, {}, Centre(60));
    EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(PianoKeyboardTest, TheLayoutFollowsTheWidth) {
    widget_.resize(1300, 140);
    EXPECT_DOUBLE_EQ(widget_.Geometry().Width(), 1300);
    EXPECT_DOUBLE_EQ(widget_.Geometry().Height(), 140);
    Click(108);
    Click(21);
    EXPECT_EQ(Sent().size(), 4u);
    EXPECT_EQ(Sent()[0][1], 108);
    EXPECT_EQ(Sent()[2][1], 21);
}

}  // namespace
}  // namespace veltrano
