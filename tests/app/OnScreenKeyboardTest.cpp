#include "app/OnScreenKeyboard.h"

#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "support/FakeMidiBackend.h"

namespace veltrano {
namespace {

class OnScreenKeyboardTest : public ::testing::Test {
protected:
    void Open(const std::string& outputName) {
        auto backend = std::make_unique<test::FakeMidiBackend>(
            std::vector<std::string>{}, std::vector<std::string>{outputName});
        backend_ = backend.get();
        ports_.AddBackend(std::move(backend));
        ports_.ListPorts();
        ASSERT_TRUE(ports_.OpenOutput(0));
        ports_.SetBlockingSend(true);
    }
    size_t Sent() const { return backend_->Sent().size(); }

    VirtualEventLoop loop_;
    RecordingReporter reporter_;
    MidiPorts ports_{loop_, reporter_};
    Link link_{loop_, ports_, reporter_};
    AppContext app_;
    OnScreenKeyboard keyboard_{ports_, link_, app_};
    test::FakeMidiBackend* backend_ = nullptr;
};

TEST_F(OnScreenKeyboardTest, NothingWithoutAnInstrumentUnlessTheOutputIsASynthesizer) {
    Open("USB MIDI Interface");
    EXPECT_FALSE(keyboard_.Press(60));
    EXPECT_FALSE(keyboard_.Release(60));
    EXPECT_EQ(Sent(), 0u);
    link_.state.connected = true;
    EXPECT_TRUE(keyboard_.Press(60));
    EXPECT_TRUE(keyboard_.Release(60));
    ASSERT_EQ(Sent(), 2u);
    EXPECT_EQ(backend_->Sent()[0], (Bytes{0x90, 60, 100}));
    EXPECT_EQ(backend_->Sent()[1], (Bytes{0x90, 60, 0}));
    for (const char* synth : {"Microsoft GS Wavetable Synth", "FLUID Synth (1234):Synth input",
                              "TiMidity port 0", "Veltrano Simulated Instrument"}) {
        EXPECT_TRUE(OnScreenKeyboard::IsSoftwareSynthesizer(synth)) << synth;
    }
    EXPECT_FALSE(OnScreenKeyboard::IsSoftwareSynthesizer("Arranger SIM-61 MIDI 1"));
}

TEST_F(OnScreenKeyboardTest, TheConditionsOfAPress) {
    Open("Microsoft GS Wavetable Synth");
    keyboard_.SetChannel(9);
    keyboard_.SetVelocity(80);
    EXPECT_TRUE(keyboard_.Press(36));
    EXPECT_EQ(backend_->Sent().back(), (Bytes{0x99, 36, 80}));

    ports_.SetBlockingSend(false);  // during start-up and bulk sends
    EXPECT_FALSE(keyboard_.Press(40));
    EXPECT_FALSE(keyboard_.Release(40));
    ports_.SetBlockingSend(true);

    keyboard_.SetPageSwitching(true);  // presses wait, releases still go
    EXPECT_FALSE(keyboard_.Press(41));
    EXPECT_TRUE(keyboard_.Release(41));
    keyboard_.SetPageSwitching(false);

    keyboard_.SetNoteOutput(false);
    EXPECT_FALSE(keyboard_.Press(42));
    EXPECT_FALSE(keyboard_.Release(42));
    keyboard_.SetNoteOutput(true);

    // A drum kit sounds only within the instrument's keyboard range.
    app_.profile.MutableValues().kbdRangeL = 36;
    app_.profile.MutableValues().kbdRangeH = 96;
    keyboard_.SetCurrentVoiceIsDrum(true);
    EXPECT_FALSE(keyboard_.Press(30));
    EXPECT_TRUE(keyboard_.Press(96));
    EXPECT_TRUE(keyboard_.Release(30));  // releases are not range-checked
    EXPECT_FALSE(keyboard_.Press(109));  // outside the on-screen keys
}

TEST_F(OnScreenKeyboardTest, PadEntryRoutesKeysToTheControllersPage) {
    Open("Microsoft GS Wavetable Synth");
    std::vector<uint32_t> padNotes;
    std::vector<int> pressed;
    keyboard_.SetPadNoteHandler([&](uint32_t m) { padNotes.push_back(m); });
    keyboard_.SetPressedKeyHandler([&](int note) { pressed.push_back(note); });
    keyboard_.SetPadEntry(true);
    EXPECT_FALSE(keyboard_.Press(60));  // pad entry: not sounded, and not taken yet
    EXPECT_TRUE(padNotes.empty());
    keyboard_.SetPageTakesNotes(true);
    EXPECT_FALSE(keyboard_.Press(62));
    (void)keyboard_.Release(62);
    EXPECT_EQ(padNotes, (std::vector<uint32_t>{0x643E90u, 0x003E90u}));
    EXPECT_EQ(pressed, (std::vector<int>{60, 62}));  // every press, whatever the switches

    // The page plays what it took on the channel it chose, under the keyboard's conditions.
    const size_t before = Sent();
    EXPECT_TRUE(keyboard_.SoundPadNote(0x642499u));
    ASSERT_EQ(Sent(), before + 1);
    EXPECT_EQ(backend_->Sent().back(), (Bytes{0x99, 36, 100}));
    keyboard_.SetNoteOutput(false);
    EXPECT_FALSE(keyboard_.SoundPadNote(0x642499u));
    EXPECT_EQ(Sent(), before + 1);
}

TEST_F(OnScreenKeyboardTest, SwitchingOffReleasesEveryKey) {
    Open("USB MIDI Interface");
    keyboard_.ReleaseAll();
    ASSERT_EQ(Sent(), 88u);  // even without an instrument
    EXPECT_EQ(backend_->Sent().front(), (Bytes{0x90, 21, 0}));
    EXPECT_EQ(backend_->Sent().back(), (Bytes{0x90, 108, 0}));
    ports_.SetBlockingSend(false);
    keyboard_.ReleaseAll();
    EXPECT_EQ(Sent(), 88u);
}

}  // namespace
}  // namespace veltrano
