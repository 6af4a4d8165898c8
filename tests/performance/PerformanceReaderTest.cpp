// Damaged and hostile files: each is refused with one message and leaves the bank as it was.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/Reporter.h"
#include "performance/PerformanceFile.h"
#include "performance/PerformanceSections.h"
#include "performance/PerformanceTestSupport.h"

namespace veltrano {
namespace {

using test::Header;
using test::HeaderPosition;
using test::Layout;
using test::PutU32;
using test::WriteBank;

enum { H0, H1, H2, H3, H4, H5, H6, H7, H8, H9, H10 };

using Message = RecordingReporter::Message;

class PerformanceReaderTest : public ::testing::Test {
protected:
    PerformanceReaderTest() {
        std::mt19937 rng(7);
        bank_ = test::RandomBank(rng, CodePage::Windows1252);
        before_ = bank_;
        PerformanceBank plain;
        plain.At(0).keyboard.parts[1].voice = {1, 0, "USER/VOICE/PIANO.VOC"};
        plain.At(0).styleSong.style = {1, 0, "USER/STYLE/POP.STY"};
        file_ = WriteBank(plain, Layout(true, 3));
    }

    // Reads the bytes over the random bank and expects exactly one message and no change.
    void ExpectRefused(const Bytes& bytes, const Message& message) {
        RecordingReporter reporter;
        EXPECT_FALSE(PerformanceFile(reporter, CodePage::Windows1252).ReadBytes(bytes, bank_));
        EXPECT_EQ(reporter.Messages(), std::vector<Message>{message});
        EXPECT_EQ(bank_.Performances(), before_.Performances());
        EXPECT_FALSE(bank_.Loaded());
    }

    size_t Section(int k, int entry) const {
        return test::BlockStart(file_, k) + Header(file_, k, entry);
    }

    PerformanceBank bank_;
    PerformanceBank before_;
    Bytes file_;
};

Message Error(std::string caption, std::string text) {
    return {Icon::Error, std::move(caption), std::move(text)};
}

TEST_F(PerformanceReaderTest, WellFormedFileReplacesTheBankAndSetsLoaded) {
    RecordingReporter reporter;
    ASSERT_TRUE(PerformanceFile(reporter, CodePage::Windows1252).ReadBytes(file_, bank_));
    EXPECT_TRUE(reporter.Empty());
    EXPECT_TRUE(bank_.Loaded());
    EXPECT_EQ(bank_.At(0).keyboard.parts[1].voice.path, "USER/VOICE/PIANO.VOC");
    EXPECT_EQ(bank_.At(0).keyboard.offsets, (std::array<uint32_t, 3>{13, 93, 110}));
    EXPECT_EQ(bank_.At(5).global, GlobalSection{});
}

TEST_F(PerformanceReaderTest, OnlyTheMagicInItsOwnOrderIsAccepted) {
    const Message invalid = Error("Error", "Invalid format of the prf file");
    for (const std::string& magic :
         {std::string("FRPM"), std::string("mprf"), std::string("MPR\0", 4), std::string("MPRG")}) {
        Bytes bytes = file_;
        std::copy(magic.begin(), magic.end(), bytes.begin());
        ExpectRefused(bytes, invalid);
    }
    ExpectRefused(Bytes{'M', 'P', 'R'}, invalid);
    ExpectRefused(Bytes{}, invalid);
}

TEST_F(PerformanceReaderTest, TruncatedAtEveryLengthIsRefused) {
    // The trailing length is not read, so only a file that lost more than it is refused.
    for (size_t length = 0; length + 4 < file_.size(); ++length) {
        RecordingReporter reporter;
        const Bytes cut(file_.begin(), file_.begin() + static_cast<std::ptrdiff_t>(length));
        ASSERT_FALSE(PerformanceFile(reporter, CodePage::Windows1252).ReadBytes(cut, bank_))
            << length;
        ASSERT_EQ(reporter.Messages().size(), 1u) << length;
        ASSERT_EQ(reporter.Messages()[0].icon, Icon::Error);
        ASSERT_EQ(bank_.Performances(), before_.Performances()) << length;
    }
    EXPECT_FALSE(bank_.Loaded());
    RecordingReporter reporter;
    const Bytes withoutLength(file_.begin(), file_.end() - 4);
    EXPECT_TRUE(PerformanceFile(reporter, CodePage::Windows1252).ReadBytes(withoutLength, bank_));
}

TEST_F(PerformanceReaderTest, TrailingLengthIsIgnored) {
    PutU32(file_, file_.size() - 4, 12345);
    RecordingReporter reporter;
    EXPECT_TRUE(PerformanceFile(reporter, CodePage::Windows1252).ReadBytes(file_, bank_));
}

TEST_F(PerformanceReaderTest, SectionLengthsAndPositionsOutsideTheFile) {
    const Bytes original = file_;
    // Keyboard section of length 0.
    PutU32(file_, HeaderPosition(file_, 0, H1), Header(file_, 0, H0));
    ExpectRefused(file_, Error("Error(keyboard)", "Reading length can't be less than 0"));
    // Effect section ending before it starts.
    file_ = original;
    PutU32(file_, HeaderPosition(file_, 2, H2), Header(file_, 2, H1) - 1);
    ExpectRefused(file_, Error("Error(effect)", "Reading length can't be less than 0"));
    // Style&Song section running past the end of the file.
    file_ = original;
    PutU32(file_, HeaderPosition(file_, 5, H10), 0xFFFFFFF0u);
    ExpectRefused(file_, Error("Error(controller)", "No more data for reading"));
    // Global section running past the end of the file (its Style&Song section grows to fit).
    file_ = original;
    PutU32(file_, HeaderPosition(file_, 3, H10),
           static_cast<uint32_t>(file_.size() - test::BlockStart(file_, 3) - 4));
    ExpectRefused(file_, Error("Error(global setting)", "No more data for reading"));
    // A block whose header lies outside the file.
    file_ = original;
    PutU32(file_, 5 + 4 * 4, static_cast<uint32_t>(file_.size() - 10));
    ExpectRefused(file_, Error("Error", "No more data for reading"));
    // A header of six offsets that the file does not hold.
    ExpectRefused(Bytes{'M', 'P', 'R', 'F', 6, 29, 0, 0},
                  Error("Error", "No more data for reading"));
}

TEST_F(PerformanceReaderTest, SectionsShorterThanTheirFields) {
    const Bytes original = file_;
    PutU32(file_, HeaderPosition(file_, 1, H1), Header(file_, 1, H0) + 40);
    ExpectRefused(file_,
                  Error("Error(keyboard)", "The keyboard section ends before its last field"));
    file_ = original;
    PutU32(file_, HeaderPosition(file_, 1, H2), Header(file_, 1, H1) + 770);
    ExpectRefused(file_, Error("Error(effect)", "The effect section ends before its last field"));
    file_ = original;
    PutU32(file_, HeaderPosition(file_, 1, H6), Header(file_, 1, H2) + 30);
    ExpectRefused(file_,
                  Error("Error(controller)", "The controllers section ends before its last field"));
}

TEST_F(PerformanceReaderTest, CountsAboveTheRoomOfThePerformance) {
    const Bytes original = file_;
    file_[Section(0, H0) + 12] = 5;
    ExpectRefused(file_, Error("Error(keyboard)",
                               "The keyboard section holds 5 parts; a performance has room for 4"));
    file_ = original;
    file_[Section(1, H2)] = 13;
    ExpectRefused(file_,
                  Error("Error(controller)",
                        "The controllers section holds 13 pads; a performance has room for 12"));
    file_ = original;
    file_[Section(2, H3) + 3] = 7;
    ExpectRefused(file_,
                  Error("Error(controller)",
                        "The controllers section holds 7 knobs; a performance has room for 6"));
    file_ = original;
    file_[Section(3, H5)] = 4;
    ExpectRefused(file_,
                  Error("Error(controller)",
                        "The controllers section holds 4 pedals; a performance has room for 3"));
}

TEST_F(PerformanceReaderTest, VoiceSourceOutsideTheThreeTabs) {
    file_[Section(4, H0) + 13 + 1] = 3;
    ExpectRefused(file_, Error("Error(keyboard)", "Invalid tab value"));
}

TEST_F(PerformanceReaderTest, PathsWithoutTerminatorOrTooLong) {
    // R2's voice path runs to the end of the keyboard section without a terminator.
    const size_t path = Section(0, H0) + 13 + 10 + 2;
    const size_t end = Section(0, H1);
    Bytes bytes = file_;
    for (size_t i = path; i < end; ++i) {
        bytes[i] = 'x';
    }
    ExpectRefused(bytes,
                  Error("Error(keyboard)",
                        "The voice file path of part R2 has no terminator inside its section"));

    // 260 characters: one more than a path field can hold.
    PerformanceBank longPath;
    longPath.At(2).styleSong.style = {1, 0, std::string(259, 'a')};
    Bytes longest = WriteBank(longPath, Layout(true, 3));
    const size_t style = test::BlockStart(longest, 2) + Header(longest, 2, H6) + 4;
    ASSERT_EQ(longest[style + 2 * 259], 0);
    longest[style + 2 * 259] = 'a';  // the terminator becomes a 260th character
    ExpectRefused(longest,
                  Error("Error(controller)", "The style file path is longer than 259 bytes"));
}

TEST_F(PerformanceReaderTest, OpenFailureNamesThePath) {
    RecordingReporter reporter;
    EXPECT_FALSE(PerformanceFile(reporter, CodePage::Windows1252)
                     .Read("/nonexistent/folder/bank.prf", bank_));
    EXPECT_EQ(
        reporter.Messages(),
        std::vector<Message>{Error("Error", "Open the file failed: /nonexistent/folder/bank.prf")});
    EXPECT_EQ(bank_.Performances(), before_.Performances());
}

// The section readers on their own, with bytes no writer would produce.
TEST(PerformanceSectionReaderTest, PathFieldsStayInsideTheirSection) {
    RecordingReporter reporter;
    const SectionContext context{CodePage::Windows1252, reporter};
    KeyboardSection keyboard;
    const KeyboardSection before = keyboard;

    // One part whose path has an odd byte where its terminator would be.
    Bytes bytes{13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 'a', 0, 'b', 0, 0};
    EXPECT_FALSE(ReadKeyboardSection(bytes, keyboard, context));
    EXPECT_EQ(reporter.Texts(),
              std::vector<std::string>{
                  "The voice file path of part R1 has no terminator inside its section"});
    EXPECT_EQ(keyboard, before);

    // A terminated path whose field (two GBK bytes: six bytes) runs past the section.
    reporter.Clear();
    bytes = {13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0x2D, 0x4E, 0, 0};
    EXPECT_FALSE(ReadKeyboardSection(bytes, keyboard, {CodePage::Gbk, reporter}));
    EXPECT_EQ(reporter.Texts(),
              std::vector<std::string>{
                  "The voice file path of part R1 runs past the end of its section"});
    EXPECT_EQ(keyboard, before);

    // Unpaired surrogates and characters outside the code page read as "?".
    reporter.Clear();
    EffectSection effect;
    ByteWriter fx;
    fx.Zeros(20);
    fx.U8(0);
    fx.U16Le(0);
    fx.U16Le(0x8000);
    fx.U8(1);
    for (const uint16_t unit : std::initializer_list<uint16_t>{0xD800, 'z', 0x4E2D, 0}) {
        fx.U16Le(unit);
    }
    fx.Zeros(4000);
    EXPECT_TRUE(ReadEffectSection(fx.Data(), effect, context));
    EXPECT_TRUE(reporter.Empty());
    EXPECT_EQ(effect.parts[0].arpPattern.path, "?z?");
}

}  // namespace
}  // namespace veltrano
