// Write, read, write: the same bytes, and the same model for every field the file stores.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/Reporter.h"
#include "performance/PerformanceFile.h"
#include "performance/PerformanceSections.h"
#include "performance/PerformanceTestSupport.h"

namespace veltrano {
namespace {

using test::Layout;
using test::WriteBank;

struct Case {
    ControllerLayout layout;
    CodePage page;
};

void ExpectRoundTrip(const PerformanceBank& bank, const Case& c) {
    const Bytes first = WriteBank(bank, c.layout, c.page);
    RecordingReporter reporter;
    PerformanceBank read;
    ASSERT_TRUE(PerformanceFile(reporter, c.page).ReadBytes(first, read));
    ASSERT_TRUE(reporter.Empty()) << reporter.Texts().front();
    EXPECT_EQ(WriteBank(read, c.layout, c.page), first);
    for (int k = 0; k < kPerformanceCount; ++k) {
        const Performance& want = bank.At(k);
        const Performance& got = read.At(k);
        KeyboardSection keyboard = got.keyboard;
        keyboard.offsets = want.keyboard.offsets;
        EXPECT_EQ(keyboard, want.keyboard) << k;
        EXPECT_EQ(got.effect, want.effect) << k;
        EXPECT_EQ(got.styleSong, want.styleSong) << k;
        EXPECT_EQ(got.global, want.global) << k;
        EXPECT_EQ(got.pitchBendPresent, c.layout.pitchBend);
        const auto offsets = KeyboardOffsets(want.keyboard, c.page);
        ASSERT_TRUE(offsets.has_value());
        EXPECT_EQ(got.keyboard.offsets, *offsets);
    }
}

TEST(PerformanceRoundTripTest, DefaultBankOnEveryControllerLayout) {
    const PerformanceBank bank;
    for (const bool pitchBend : {false, true}) {
        for (const int groups : {0, 3, 4, 7}) {
            ExpectRoundTrip(bank, {Layout(pitchBend, groups), CodePage::Windows1252});
            ExpectRoundTrip(bank, {Layout(pitchBend, groups, 0, 0, 0), CodePage::Gbk});
        }
    }
}

TEST(PerformanceRoundTripTest, RandomBanksInBothCodePages) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 40; ++round) {
        const CodePage page = round % 2 == 0 ? CodePage::Windows1252 : CodePage::Gbk;
        const PerformanceBank bank = test::RandomBank(rng, page);
        const Case c{Layout(round % 3 != 0, 3 + round % 2, round % 13, round % 7, round % 4), page};
        SCOPED_TRACE(round);
        ExpectRoundTrip(bank, c);
    }
}

TEST(PerformanceRoundTripTest, PathsUpToTheFieldLimit) {
    PerformanceBank bank;
    bank.At(0).keyboard.parts[0].voice = {2, 0, std::string(kMaxPathBytes, 'v')};
    // 129 double-byte characters and one single: 259 GBK bytes.
    std::string chinese;
    for (int i = 0; i < 129; ++i) {
        chinese += "\xE9\x9F\xB3";
    }
    bank.At(1).effect.parts[3].chopperPattern = {1, 0, chinese + "x"};
    ExpectRoundTrip(bank, {Layout(true, 3), CodePage::Gbk});
}

TEST(PerformanceWriterTest, RefusesWhatTheFileCannotHold) {
    const auto refused = [](const PerformanceBank& bank, const ControllerLayout& layout,
                            const std::string& caption, const std::string& text) {
        RecordingReporter reporter;
        EXPECT_FALSE(PerformanceFile(reporter, CodePage::Gbk).Build(bank, layout).has_value());
        EXPECT_EQ(reporter.Messages(),
                  (std::vector<RecordingReporter::Message>{{Icon::Error, caption, text}}));
    };
    PerformanceBank bank;
    refused(bank, Layout(true, 3, 13), "Error(controller)",
            "The device profile asks for 13 pads; a performance has room for 12");
    refused(bank, Layout(true, 4, 12, 7), "Error(controller)",
            "The device profile asks for 7 knobs; a performance has room for 6");
    refused(bank, Layout(true, 3, 12, 6, -1), "Error(controller)",
            "The device profile asks for -1 pedals; a performance has room for 3");

    PerformanceBank chord;
    chord.At(2).controllers.pads[11].noteCount = 255;
    refused(chord, Layout(true, 3), "Error(controller)",
            "The chord of pad 12 holds 255 notes; a file stores at most 254");

    PerformanceBank longVoice;
    longVoice.At(0).keyboard.parts[3].voice = {
        1, 0, std::string(130, 'a') + "\xE4\xB8\xAD" + std::string(128, 'b')};
    refused(longVoice, Layout(true, 3), "Error(keyboard)",
            "The voice file path of part L is longer than 259 bytes");

    PerformanceBank badTab;
    badTab.At(0).keyboard.parts[1].voice.source = 3;
    refused(badTab, Layout(true, 3), "Error(keyboard)", "Invalid tab value");

    PerformanceBank longSong;
    longSong.At(5).styleSong.song = {1, 0, std::string(260, 's')};
    refused(longSong, Layout(true, 3), "Error(controller)",
            "The song file path is longer than 259 bytes");
}

TEST(PerformanceWriterTest, NegativeSectionStartWritesNothing) {
    RecordingReporter reporter;
    const SectionContext context{CodePage::Windows1252, reporter};
    ByteWriter out;
    out.U8(0xAA);
    EXPECT_FALSE(WriteKeyboardSection(KeyboardSection{}, -1, out, context).has_value());
    EXPECT_FALSE(WriteEffectSection(EffectSection{}, -44, out, context).has_value());
    EXPECT_EQ(out.Data(), Bytes{0xAA});
    EXPECT_EQ(reporter.Messages(),
              (std::vector<RecordingReporter::Message>{
                  {Icon::Error, "Error(keyboard)", "The start address can't be less than 0"},
                  {Icon::Error, "Error(Effect)", "The start address can't be less than 0"}}));
    EXPECT_EQ(WriteKeyboardSection(KeyboardSection{}, 44, out, context), 78u);
    EXPECT_EQ(WriteEffectSection(EffectSection{}, 122, out, context), 771u);
}

}  // namespace
}  // namespace veltrano
