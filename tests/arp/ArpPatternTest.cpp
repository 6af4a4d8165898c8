#include "arp/ArpPattern.h"

#include <gtest/gtest.h>

#include "base/Reporter.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Cell = ArpPattern::Cell;

ArpStep Note(uint16_t mask, uint8_t gate = 100) {
    ArpStep step;
    step.noteMask = mask;
    step.gate = gate;
    return step;
}

TEST(ArpPattern, DefaultsOfANewPattern) {
    ArpPattern p;
    EXPECT_EQ(p.Length(), 1);
    EXPECT_EQ(p.UsedLength(), 1);
    for (int i = 0; i < ArpPattern::kMaxSteps; ++i) {
        EXPECT_EQ(p.GetStep(i), (ArpStep{0, 0, 100, 100, 0, 0}));
    }
    EXPECT_EQ(p.GetStep(50), ArpStep{});
    p.SetStep(-1, Note(1));  // outside: ignored
    p.SetStep(50, Note(1));
    EXPECT_EQ(p.UsedLength(), 1);
}

TEST(ArpPattern, SavingWritesOnlyTheLengthAndRenumbers) {
    TempDir dir;
    RecordingReporter reporter;
    ArpPattern p;
    ArpStep first = Note(0x0001);
    first.index = 33;  // rewritten on save
    first.pitch = -1;
    first.flam = -99;
    first.velocity = 0;
    p.SetStep(0, first);
    p.SetStep(10, Note(0x0800));
    EXPECT_EQ(p.UsedLength(), 11);
    ASSERT_TRUE(p.Save(dir / "p.arp", 3, reporter));
    const std::string bytes = ReadFile(dir / "p.arp");
    ASSERT_EQ(bytes.size(), 26u);  // count 3 and three records: step 10 is lost
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x03\x00", 2));
    EXPECT_EQ(bytes.substr(2, 8), std::string("\x00\x00\xFF\x64\x00\x9D\x01\x00", 8));
    EXPECT_EQ(static_cast<uint8_t>(bytes[10]), 1);  // record 1 holds index 1
    EXPECT_EQ(static_cast<uint8_t>(bytes[18]), 2);

    ArpPattern back;
    ASSERT_TRUE(back.Load(dir / "p.arp", reporter));
    EXPECT_EQ(back.Length(), 3);
    EXPECT_EQ(back.GetStep(0).pitch, -1);
    EXPECT_EQ(back.GetStep(0).flam, -99);
    EXPECT_EQ(back.GetStep(0).index, 0);
    EXPECT_EQ(back.GetStep(10).noteMask, 0);
    EXPECT_EQ(back.Serialize(3), Bytes(bytes.begin(), bytes.end()));
    EXPECT_TRUE(reporter.Empty());
}

TEST(ArpPattern, TiesInTheGrid) {
    ArpPattern p;
    p.SetStep(4, Note(1u << 5, 0x83));
    p.SetStep(48, Note(1u << 2, 0x85));
    p.SetStep(20, Note(1u << 7, 0x81));  // a tie of one step holds nothing more
    p.SetStep(30, Note(1u << 0, 101));   // legato is not a tie
    p.RebuildGrid();
    EXPECT_EQ(p.GridCell(5, 4), Cell::Start);
    EXPECT_EQ(p.GridCell(5, 5), Cell::Held);
    EXPECT_EQ(p.GridCell(5, 6), Cell::Held);
    EXPECT_EQ(p.GridCell(5, 7), Cell::Empty);
    EXPECT_EQ(p.GridCell(2, 48), Cell::Start);
    EXPECT_EQ(p.GridCell(2, 49), Cell::Held);
    EXPECT_EQ(p.GridCell(2, 50), Cell::Empty);
    EXPECT_EQ(p.GridCell(7, 21), Cell::Empty);
    EXPECT_EQ(p.GridCell(0, 31), Cell::Empty);
    EXPECT_EQ(p.GridCell(12, 4), Cell::Empty);
}

TEST(ArpPattern, ReaderRefusesWhatItCannotHold) {
    TempDir dir;
    RecordingReporter reporter;
    ArpPattern p;
    p.SetStep(0, Note(0x0003));
    p.SetLength(1);
    const ArpPattern before = p;

    WriteFile(dir / "big.arp", std::string("\x33\x00", 2) + std::string(51 * 8, '\0'));
    WriteFile(dir / "short.arp", std::string("\x02\x00", 2) + std::string(15, '\0'));
    WriteFile(dir / "empty.arp", "");
    for (const char* name : {"big.arp", "short.arp", "empty.arp", "missing.arp"}) {
        reporter.Clear();
        EXPECT_FALSE(p.Load(dir / name, reporter)) << name;
        ASSERT_EQ(reporter.Messages().size(), 1u);
        EXPECT_EQ(
            reporter.Messages()[0],
            (RecordingReporter::Message{Icon::Error, "Error", "Open the arp file failed", false}));
        EXPECT_EQ(p.Length(), before.Length());
        EXPECT_EQ(p.GetStep(0), before.GetStep(0)) << name;
    }

    // A count of 0 loads as an empty pattern; the records keep their content.
    WriteFile(dir / "zero.arp", std::string("\x00\x00", 2));
    ASSERT_TRUE(p.Load(dir / "zero.arp", reporter));
    EXPECT_EQ(p.Length(), 0);
    EXPECT_EQ(p.GetStep(0).noteMask, 0x0003);
    EXPECT_EQ(p.GridCell(0, 0), Cell::Start);

    // Records beyond the count keep their content too.
    WriteFile(dir / "one.arp", std::string("\x01\x00\x00\x00\x00\x64\x64\x00\x00\x00", 10));
    p.SetStep(1, Note(0x0010));
    ASSERT_TRUE(p.Load(dir / "one.arp", reporter));
    EXPECT_EQ(p.GetStep(0).noteMask, 0);
    EXPECT_EQ(p.GetStep(1).noteMask, 0x0010);

    EXPECT_FALSE(p.Save(dir / "no" / "folder" / "x.arp", 1, reporter));
    EXPECT_EQ(reporter.Texts().back(), "Create arp file failed");
}

TEST(ArpPattern, RandomRoundTrips) {
    uint32_t x = 12345;
    auto next = [&] {
        x = x * 1664525u + 1013904223u;
        return x >> 8;
    };
    for (int round = 0; round < 50; ++round) {
        ArpPattern p;
        const int length = 1 + static_cast<int>(next() % 50);
        for (int k = 0; k < length; ++k) {
            ArpStep s;
            s.pitch = static_cast<int8_t>(static_cast<int>(next() % 97) - 48);
            s.gate = static_cast<uint8_t>(next() % 256);
            s.velocity = static_cast<uint8_t>(next() % 128);
            s.flam = static_cast<int8_t>(static_cast<int>(next() % 199) - 99);
            s.noteMask = static_cast<uint16_t>(next() & ArpStep::kNoteMaskBits);
            s.index = static_cast<uint16_t>(k);
            p.SetStep(k, s);
        }
        const Bytes bytes = p.Serialize(length);
        ASSERT_EQ(bytes.size(), 2 + 8u * length);
        const auto parsed = ArpPattern::ParseFile(bytes);
        ASSERT_TRUE(parsed.has_value());
        for (int k = 0; k < length; ++k) {
            EXPECT_EQ((*parsed)[static_cast<size_t>(k)], p.GetStep(k));
        }
    }
}

}  // namespace
}  // namespace veltrano
