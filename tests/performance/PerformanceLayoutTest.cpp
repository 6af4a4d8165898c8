// Where the writer puts each field, checked against the file layout the instrument reads.
#include <gtest/gtest.h>

#include <string>

#include "base/Reporter.h"
#include "performance/PerformanceFile.h"
#include "performance/PerformanceTestSupport.h"

namespace veltrano {
namespace {

using test::BlockStart;
using test::Header;
using test::Layout;
using test::U16At;
using test::U32At;
using test::WriteBank;

enum { H0, H1, H2, H3, H4, H5, H6, H7, H8, H9, H10 };

Bytes Slice(const Bytes& bytes, size_t start, size_t count) {
    EXPECT_LE(start + count, bytes.size());
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                 bytes.begin() + static_cast<std::ptrdiff_t>(start + count));
}

// Reads a file back into a fresh bank; fails the test on any message.
PerformanceBank ReadBack(const Bytes& file, CodePage page = CodePage::Windows1252) {
    RecordingReporter reporter;
    PerformanceBank bank;
    EXPECT_TRUE(PerformanceFile(reporter, page).ReadBytes(file, bank));
    EXPECT_TRUE(reporter.Empty()) << reporter.Texts().front();
    return bank;
}

TEST(PerformanceLayoutTest, NumberedBankHasTheDocumentedOffsets) {
    const PerformanceBank bank;
    const Bytes file = WriteBank(bank, Layout(true, 3));

    EXPECT_EQ(Slice(file, 0, 5), (Bytes{'M', 'P', 'R', 'F', 6}));
    EXPECT_EQ(BlockStart(file, 0), 29u);
    EXPECT_EQ(Header(file, 0, H0), 44u);
    EXPECT_EQ(Header(file, 0, H1), 122u);  // a keyboard section of 78 bytes
    EXPECT_EQ(Header(file, 0, H2), 893u);  // an effect section of 771 bytes

    const size_t kb = 29 + 44;
    EXPECT_EQ(U32At(file, kb), 13u);
    EXPECT_EQ(U32At(file, kb + 4), 53u);
    EXPECT_EQ(U32At(file, kb + 8), 70u);
    EXPECT_EQ(file[kb + 12], 4);
    // Volumes and pans at the third offset: 110 and 0 for each part.
    EXPECT_EQ(Slice(file, kb + 70, 8), (Bytes{110, 110, 110, 110, 0, 0, 0, 0}));
    // R2's record: off, source 0, voice 218, p1-p3, octave, reverb 40, chorus.
    EXPECT_EQ(Slice(file, kb + 23, 10), (Bytes{0, 0, 218, 0, 0, 0, 0, 0, 40, 0}));

    const size_t fx = 29 + 122;
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(U32At(file, fx + 4 * i), 21 + 183 * i);
    }
    EXPECT_EQ(U32At(file, fx + 16), 21u + 4 * 183);
    const size_t r1 = fx + 21;
    EXPECT_EQ(U16At(file, r1), 1);  // R1's arpeggiator on
    EXPECT_EQ(U16At(file, r1 + 2), 0x8000 + 24);
    EXPECT_EQ(U16At(file, r1 + 28), 0x8003);
    EXPECT_EQ(Slice(file, r1 + 30, 3), (Bytes{0, 80, 1}));
    EXPECT_EQ(U16At(file, r1 + 33), 0x8000 + 6);
    EXPECT_EQ(Slice(file, r1 + 35, 4), (Bytes{0, 4, 5, 0}));
    EXPECT_EQ(U16At(file, r1 + 41), 140);
    EXPECT_EQ(Slice(file, r1 + 43, 3), (Bytes{29, 79, 121}));
    EXPECT_EQ(U16At(file, fx + 21 + 183), 0);  // R2's arpeggiator off
    const size_t trailer = fx + 21 + 4 * 183;
    EXPECT_EQ(Slice(file, trailer, 18),
              (Bytes{0x05, 0x80, 0, 0, 64, 0, 64, 0x09, 0x80, 0, 64, 0, 64, 0, 64, 0, 64, 0}));

    const uint32_t h6 = Header(file, 0, H6);
    EXPECT_EQ(Header(file, 0, H7), h6 + 2);
    EXPECT_EQ(Header(file, 0, H8), h6 + 3);
    EXPECT_EQ(Header(file, 0, H9), h6 + 22);
    EXPECT_EQ(Header(file, 0, H10), h6 + 47);
    EXPECT_EQ(U16At(file, 29 + h6), 120);
    EXPECT_EQ(Slice(file, 29 + Header(file, 0, H10), 9), (Bytes{2, 4, 1, 100, 0, 0, 0, 0, 0}));

    for (int k = 0; k + 1 < kPerformanceCount; ++k) {
        EXPECT_EQ(BlockStart(file, k + 1), BlockStart(file, k) + Header(file, k, H10) + 9);
    }
    EXPECT_EQ(file.size(), BlockStart(file, 5) + Header(file, 5, H10) + 9 + 4);
    EXPECT_EQ(U32At(file, file.size() - 4), file.size());
}

TEST(PerformanceLayoutTest, ControllersKnobHeaderTablesAndPitchBend) {
    const PerformanceBank bank;
    {
        const Bytes file = WriteBank(bank, Layout(true, 3));
        const uint32_t h2 = Header(file, 0, H2);
        const uint32_t h3 = Header(file, 0, H3);
        EXPECT_EQ(h3, h2 + 1 + 12 * 3);  // twelve chord pads without notes
        const size_t knobs = 29 + h3;
        EXPECT_EQ(Slice(file, knobs, 4), (Bytes{3, 3, 0, 6}));
        EXPECT_EQ(Slice(file, knobs + 4, 16),
                  (Bytes{2, 1, 3, 1, 0, 1, 1, 1, 4, 1, 5, 1, 6, 1, 7, 1}));
        EXPECT_EQ(Slice(file, knobs + 20, 12), (Bytes{0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));
        EXPECT_EQ(Header(file, 0, H4), h3 + 32);
        EXPECT_EQ(Slice(file, 29 + Header(file, 0, H4), 3), (Bytes{16, 15, 2}));
        EXPECT_EQ(Header(file, 0, H5), h3 + 35);
        EXPECT_EQ(Slice(file, 29 + Header(file, 0, H5), 7), (Bytes{3, 0, 1, 0, 1, 0, 1}));
        EXPECT_EQ(Header(file, 0, H6), Header(file, 0, H5) + 7);
        EXPECT_TRUE(ReadBack(file).At(0).pitchBendPresent);
    }
    {
        const Bytes file = WriteBank(bank, Layout(false, 4));
        const size_t knobs = 29 + Header(file, 0, H3);
        EXPECT_EQ(Slice(file, knobs, 16), (Bytes{4, 3, 0, 6, 0, 1, 1, 1, 4, 1, 5, 1, 6, 1, 7, 1}));
        EXPECT_EQ(Header(file, 0, H4), 0u);
        EXPECT_EQ(Header(file, 0, H5), Header(file, 0, H3) + 4 + 12 + 12);
        EXPECT_FALSE(ReadBack(file).At(0).pitchBendPresent);
    }
}

// For a knob layout other than 3 and 4 no entries are stored; the count says so.
TEST(PerformanceLayoutTest, OtherKnobGroupsStoreNoKnobsAndReadNone) {
    PerformanceBank bank;
    bank.At(0).controllers.pedals[0] = {1, 90, 0, 0, 6};     // soft: q4 then q1
    bank.At(0).controllers.pedals[1] = {4, 127, 33, 44, 9};  // pitch bend: q4, q2, q3
    Bytes file = WriteBank(bank, Layout(false, 0));
    const uint32_t h3 = Header(file, 0, H3);
    EXPECT_EQ(Slice(file, 29 + h3, 4), (Bytes{0, 3, 0, 0}));
    EXPECT_EQ(Header(file, 0, H5), h3 + 4);
    EXPECT_EQ(Slice(file, 29 + h3 + 4, 8), (Bytes{3, 1, 6, 90, 4, 9, 33, 44}));

    // Files whose header counts knobs it never stored still read their pedals right.
    file[29 + h3 + 3] = 6;
    const PerformanceBank read = ReadBack(file);
    EXPECT_EQ(read.At(0).controllers.pedals, bank.At(0).controllers.pedals);
    EXPECT_EQ(read.At(0).controllers.knobs, bank.At(0).controllers.knobs);
}

TEST(PerformanceLayoutTest, EntriesStoreOnlyTheBytesOfTheirKind) {
    PerformanceBank bank;
    ControllersSection& c = bank.At(0).controllers;
    const auto padBytes = [&](const Pad& pad) {
        c.pads[0] = pad;
        const Bytes file = WriteBank(bank, Layout(false, 3, 1, 1, 1));
        const size_t start = 29 + Header(file, 0, H2);
        return Slice(file, start + 1, Header(file, 0, H3) - Header(file, 0, H2) - 1);
    };
    Pad pad;
    pad.kind = 2;  // tempo tap
    EXPECT_EQ(padBytes(pad), (Bytes{2}));
    pad.kind = 0;  // drum
    pad.drum = {1, 2, 3, 64};
    EXPECT_EQ(padBytes(pad), (Bytes{0, 1, 2, 3, 64}));
    pad.kind = 4;  // effect switch
    pad.applyTo = 9;
    EXPECT_EQ(padBytes(pad), (Bytes{4, 9}));
    pad.kind = 1;  // chord: n notes and the word after them
    pad.chordByte = 7;
    pad.noteCount = 2;
    pad.notes[0] = 0x3C93;
    pad.notes[1] = 0x4093;
    pad.notes[2] = 0x0102;
    EXPECT_EQ(padBytes(pad), (Bytes{1, 7, 3, 0x93, 0x3C, 0x93, 0x40, 0x02, 0x01}));
    pad.noteCount = 0;
    EXPECT_EQ(padBytes(pad), (Bytes{1, 7, 0}));

    const auto knobBytes = [&](uint8_t function) {
        c.knobs[0] = {3, function, 5};
        const Bytes file = WriteBank(bank, Layout(false, 3, 1, 1, 1));
        const size_t entries = 29 + Header(file, 0, H3) + 4 + 16;
        return Slice(file, entries, 29 + Header(file, 0, H5) - entries);
    };
    EXPECT_EQ(knobBytes(1), (Bytes{1, 5}));  // pan keeps its parts
    EXPECT_EQ(knobBytes(15), (Bytes{15}));   // tempo has none

    const auto pedalBytes = [&](const Pedal& pedal) {
        c.pedals[0] = pedal;
        const Bytes file = WriteBank(bank, Layout(false, 3, 1, 1, 1));
        const size_t start = 29 + Header(file, 0, H5);
        return Slice(file, start, Header(file, 0, H6) - Header(file, 0, H5));
    };
    EXPECT_EQ(pedalBytes({7, 1, 2, 3, 4}), (Bytes{1, 7}));  // next performance
    EXPECT_EQ(pedalBytes({4, 1, 2, 3, 4}), (Bytes{1, 4, 4, 2, 3}));
    EXPECT_EQ(pedalBytes({3, 1, 2, 3, 4}), (Bytes{1, 3, 4}));
}

TEST(PerformanceLayoutTest, PathFieldsTakeTwiceTheirCodePageLengthPlusTwo) {
    PerformanceBank bank;
    KeyboardPart& r1 = bank.At(0).keyboard.parts[0];
    r1.voice = {1, 0, "ABCDE"};
    const Bytes file = WriteBank(bank, Layout(true, 3));
    const size_t kb = 29 + 44;
    EXPECT_EQ(U32At(file, kb + 4), 13u + 20 + 3 * 10);
    EXPECT_EQ(Header(file, 0, H1), 44u + 78 + 10);
    EXPECT_EQ(Slice(file, kb + 13, 20),
              (Bytes{1, 1, 'A', 0, 'B', 0, 'C', 0, 'D', 0, 'E', 0, 0, 0, 0, 0, 0, 0, 40, 0}));

    // Effect records: each path adds its stored length minus the two bytes of a number.
    PartEffect& fx = bank.At(0).effect.parts[1];
    fx.arpPattern = {1, 0, "ab"};                         // 6 bytes stored
    fx.chopperPattern = {9, 0, "\xC3\xA9t\xE2\x82\xAC"};  // "ét€": 3 legacy bytes, 8 stored
    const Bytes withPatterns = WriteBank(bank, Layout(true, 3));
    const size_t effect = 29 + Header(withPatterns, 0, H1);
    EXPECT_EQ(U32At(withPatterns, effect + 8), 21u + 183 + 183 + 4 + 6);
    const size_t r2 = effect + 21 + 183;
    EXPECT_EQ(U16At(withPatterns, r2 + 2), 0x8000 + 22 + 6);
    EXPECT_EQ(Slice(withPatterns, r2 + 5, 6), (Bytes{'a', 0, 'b', 0, 0, 0}));
    const size_t chopper = r2 + 5 + 6 + 21 + 2 + 3;
    EXPECT_EQ(U16At(withPatterns, chopper), 0x8000 + 4 + 8);
    EXPECT_EQ(withPatterns[chopper + 5], 9);
    EXPECT_EQ(Slice(withPatterns, chopper + 6, 8), (Bytes{0xE9, 0, 't', 0, 0xAC, 0x20, 0, 0}));
    EXPECT_EQ(ReadBack(withPatterns).At(0).effect.parts[1], fx);
}

TEST(PerformanceLayoutTest, DoubleByteCharactersLeaveZerosAfterTheTerminator) {
    PerformanceBank bank;
    // "钢琴/a.voc": 10 bytes in GBK, 8 UTF-16 units.
    const std::string path = "\xE9\x92\xA2\xE7\x90\xB4/a.voc";
    bank.At(0).styleSong.song = {2, 0, path};
    const Bytes file = WriteBank(bank, Layout(true, 3), CodePage::Gbk);
    const size_t song = 29 + Header(file, 0, H9);
    EXPECT_EQ(Header(file, 0, H10) - Header(file, 0, H9), 1u + 22 + 2 + 16 + 4);
    EXPECT_EQ(Slice(file, song, 23), (Bytes{2, 0xA2, 0x94, 0x34, 0x74, '/', 0, 'a', 0, '.', 0, 'v',
                                            0, 'o',  0,    'c',  0,    0,   0, 0,   0, 0,   0}));
    const PerformanceBank read = ReadBack(file, CodePage::Gbk);
    EXPECT_EQ(read.At(0).styleSong.song.path, path);
    EXPECT_EQ(WriteBank(read, Layout(true, 3), CodePage::Gbk), file);

    // The Western code page has no such characters: they are stored as "?".
    const Bytes western = WriteBank(bank, Layout(true, 3));
    EXPECT_EQ(ReadBack(western).At(0).styleSong.song.path, "?\?/a.voc");
}

}  // namespace
}  // namespace veltrano
