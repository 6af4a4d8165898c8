#include "style/StyleFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/Reporter.h"
#include "style/ChordTypes.h"
#include "style/StyleSamples.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::RandomStyle;
using test::ReadFile;
using test::Serialized;
using test::TempDir;
using test::WriteFile;
using Message = RecordingReporter::Message;

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    int high = -1;
    for (const char c : hex) {
        int v = -1;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        }
        if (v < 0) {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return bytes;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
    return Bytes(bytes.begin() + static_cast<ptrdiff_t>(from),
                 bytes.begin() + static_cast<ptrdiff_t>(from + count));
}

uint16_t U16At(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t U32At(const Bytes& b, size_t at) {
    return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
           (uint32_t{b[at + 3]} << 24);
}

// A style with only the given sections present, of two bars, no channel in use; the unused
// channels hold the chord masks that reading gives them.
StyleModel WithSections(std::initializer_list<int> slots) {
    StyleModel m;
    for (const int slot : slots) {
        StyleSection& s = m.sections[static_cast<size_t>(slot)];
        s.present = true;
        s.bars = 2;
        for (int n = 0; n < kStyleChannelCount; ++n) {
            s.channels[static_cast<size_t>(n)].chordMask = UnusedChannelChordMask(slot, n);
        }
    }
    return m;
}

StyleModel Reload(const Bytes& bytes) {
    StyleFile style;
    RecordingReporter reporter;
    EXPECT_TRUE(style.LoadBytes(bytes, reporter)) << testing::PrintToString(reporter.Texts());
    return style.Model();
}

// ---------------------------------------------------------------------------------------------
// Layout

TEST(StyleFileLayout, NewStyleIsHeaderChunksAndLeadInTailOnly) {
    const Bytes expected = FromHex(
        "4D 53 46 20 56 30 31 00 49 6E 66 53 15 00"
        "00 64 00 04 04 C0 00 01 09 00 00 00 00 00 00 00 00 00 00 00 00"
        "4F 74 73 53 81 00 04"
        "00 00 00 64 00 28 00 40 00 00 31 50 00 28 00 40 00 00 31 2D 00 28 00 40 00 00 00 64 00 28 "
        "00 40"
        "00 00 00 64 00 28 00 40 00 00 31 50 00 28 00 40 00 00 31 2D 00 28 00 40 00 00 00 64 00 28 "
        "00 40"
        "00 00 00 64 00 28 00 40 00 00 31 50 00 28 00 40 00 00 31 2D 00 28 00 40 00 00 00 64 00 28 "
        "00 40"
        "00 00 00 64 00 28 00 40 00 00 31 50 00 28 00 40 00 00 31 2D 00 28 00 40 00 00 00 64 00 28 "
        "00 40"
        "43 74 6C 53 08 00"
        "00 00 00 00 BC 00 00 00"  // no sections, no groups; "Sint" at 188
        "44 61 74 53 00 FF 00 00");
    const Bytes bytes = Serialized(StyleModel());
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(Reload(bytes), StyleModel());
}

TEST(StyleFileLayout, TextFieldsAndShortName) {
    StyleModel m;
    m.info.longName = "abc";
    m.info.secondText = "x";
    m.info.shortName = "ABCDEFGHIJ";
    const Bytes bytes = Serialized(m);
    EXPECT_EQ(U16At(bytes, 12), 18 + 5 + 3 + 1);
    EXPECT_EQ(Slice(bytes, 23, 9), FromHex("41 42 43 44 45 46 47 48 00"));
    EXPECT_EQ(Slice(bytes, 32, 9), FromHex("04 61 62 63 00 02 78 FF 00"));
    EXPECT_EQ(Slice(bytes, 41, 4), FromHex("4F 74 73 53"));
    const StyleModel back = Reload(bytes);
    EXPECT_EQ(back.info.longName, "abc");
    EXPECT_EQ(back.info.secondText, "x");
    EXPECT_EQ(back.info.thirdText, "");
    EXPECT_EQ(back.info.shortName, "ABCDEFGH");

    // Trailing blanks of the short name are not part of it; texts too long for their length
    // byte are cut rather than wrapped.
    m.info.shortName = "AB  ";
    m.info.longName = std::string(300, 'L');
    m.info.thirdText = std::string(255, 'T');
    const StyleModel cut = Reload(Serialized(m));
    EXPECT_EQ(cut.info.shortName, "AB");
    EXPECT_EQ(cut.info.longName, std::string(254, 'L'));
    EXPECT_EQ(cut.info.thirdText, std::string(254, 'T'));
}

TEST(StyleFileLayout, OnlyMainCHasThreeGroupBytes) {
    const Bytes bytes = Serialized(WithSections({MainSlot(2)}));
    // Control block at 176: count, intros, endings, groups, group bytes, one byte of padding.
    EXPECT_EQ(Slice(bytes, 176, 8), FromHex("01 00 00 03 00 00 01 00"));
    EXPECT_EQ(U32At(bytes, 184), 220u);  // "Sint" right after "DatS" at 216
    EXPECT_EQ(U32At(bytes, 188), 222u);  // Main C after the lead-in's 00 FF
    EXPECT_EQ(U16At(bytes, 192), 195);   // its part table after the bar count
    EXPECT_EQ(bytes[194], 2);
    // No channel in use: no entries, both defaults 0, sixteen unused slots.
    EXPECT_EQ(Slice(bytes, 195, 5), FromHex("02 00 00 00 00"));
    EXPECT_EQ(Slice(bytes, 200, 16), Bytes(16, 0xF0));
    EXPECT_EQ(U16At(bytes, 174), 216 - 176);
    EXPECT_EQ(Slice(bytes, 216, 8), FromHex("44 61 74 53 00 FF 00 FF"));
    EXPECT_EQ(bytes.size(), 224u);
}

TEST(StyleFileLayout, FillsWithoutTheirMainKeepTheirGroupByte) {
    // The group count follows the highest main; a fill above it would be listed with offsets
    // but without a group byte, so the count covers it.
    StyleModel m = WithSections({MainSlot(0), FillSlot(4)});
    const Bytes bytes = Serialized(m);
    EXPECT_EQ(Slice(bytes, 176, 6), FromHex("02 00 00 02 01 02"));
    EXPECT_EQ(Reload(bytes), m);
}

TEST(StyleFileLayout, SectionSlotsAndNames) {
    EXPECT_EQ(SectionName(IntroSlot(1)), "Intro B");
    EXPECT_EQ(SectionName(EndingSlot(0)), "Ending A");
    EXPECT_EQ(SectionName(MainSlot(3)), "Main D");
    // Fill k: letter of k mod 4, then of k div 4.
    EXPECT_EQ(SectionName(FillSlot(1)), "Fill In BA");
    EXPECT_EQ(SectionName(FillSlot(4)), "Fill In AB");
    EXPECT_EQ(SectionName(FillSlot(15)), "Fill In DD");
    EXPECT_EQ(SectionName(24), "");
    for (int k = 0; k < kFillCount; ++k) {
        EXPECT_EQ(SlotKind(FillSlot(k)), SectionKind::Fill);
        EXPECT_EQ(SlotFill(FillSlot(k)), k);
        EXPECT_EQ(SlotGroup(FillSlot(k)), k / 4);
    }
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        EXPECT_EQ(FindSectionSlot(SectionName(slot)), slot);
    }
    EXPECT_EQ(FindSectionSlot("main a"), std::nullopt);
    EXPECT_EQ(ChordName(1, 10), "C#m7");
    EXPECT_EQ(ChordName(0, 0), "C");
    EXPECT_EQ(ChordName(11, 31), "B1+2+5");
}

// ---------------------------------------------------------------------------------------------
// Chord tables

TEST(StyleChordTable, GroupDefaultsAndTies) {
    ChordChannelMasks equal{};
    equal.fill(0x1234);
    const ChordTable flat = CompressChordTable(equal);
    EXPECT_EQ(flat, (ChordTable{0x1234, 0x1234, {}}));

    // Ten major types each of two masks: the tie goes to the mask of the lowest chord type,
    // whatever its value.
    for (const auto& [first, second] : {std::pair<uint16_t, uint16_t>{0x00F0, 0x000F},
                                        std::pair<uint16_t, uint16_t>{0x000F, 0x00F0}}) {
        ChordChannelMasks masks{};
        masks.fill(0x5555);  // the minor group
        for (int t : {0, 1, 2, 3, 4, 19, 20, 21, 22, 23}) {
            masks[static_cast<size_t>(t)] = first;
        }
        for (int t : {5, 6, 7, 24, 25, 26, 27, 28, 29, 30}) {
            masks[static_cast<size_t>(t)] = second;
        }
        masks[31] = 0x7777;
        const ChordTable table = CompressChordTable(masks);
        EXPECT_EQ(table.majorDefault, first);
        EXPECT_EQ(table.minorDefault, 0x5555);
        ASSERT_EQ(table.entries.size(), 11u);
        EXPECT_EQ(table.entries.front(), (ChordTableEntry{5, second}));
        EXPECT_EQ(table.entries.back(), (ChordTableEntry{31, 0x7777}));
        EXPECT_EQ(ExpandChordTable(table), masks);
    }

    // The most frequent mask wins over the one of the lowest type.
    ChordChannelMasks masks{};
    masks.fill(0x0002);
    masks[0] = 0x0001;
    masks[8] = 0x0003;
    masks[9] = 0x0003;
    EXPECT_EQ(CompressChordTable(masks).majorDefault, 0x0002);
    EXPECT_EQ(CompressChordTable(masks).minorDefault, 0x0002);
    EXPECT_EQ(CompressChordTable(masks).entries,
              (std::vector<ChordTableEntry>{{0, 0x0001}, {8, 0x0003}, {9, 0x0003}}));
}

TEST(StyleChordTable, ReadingFillsDefaultsByGroupAndIgnoresBadTypes) {
    ChordTable table{0x00AA, 0x0055, {{3, 0x0001}, {40, 0xFFFF}, {12, 0x0002}, {3, 0x0004}}};
    const ChordChannelMasks masks = ExpandChordTable(table);
    for (int t = 0; t < kChordTypeCount; ++t) {
        uint16_t expected = IsMinorChordType(t) ? 0x0055 : 0x00AA;
        if (t == 3) {
            expected = 0x0004;  // the later entry
        } else if (t == 12) {
            expected = 0x0002;
        }
        EXPECT_EQ(masks[static_cast<size_t>(t)], expected) << "type " << t;
    }
}

TEST(StyleChordTable, SectionTablesInTheFile) {
    StyleModel m = WithSections({MainSlot(0), IntroSlot(0)});
    StyleSection& main = m.sections[static_cast<size_t>(MainSlot(0))];
    // Channels 2 and 3 play every major chord; channel 3 also minor type 10, whose mask then
    // equals the major default but not the minor default.
    for (int n : {2, 3}) {
        main.channels[static_cast<size_t>(n)].inUse = true;
        main.channels[static_cast<size_t>(n)].chordMask = kMajorChordTypes;
    }
    main.channels[3].chordMask |= 1u << 10;
    // Intro: one channel in use whose mask is the same for every type.
    StyleSection& intro = m.sections[static_cast<size_t>(IntroSlot(0))];
    intro.channels[5].inUse = true;
    intro.channels[5].chordMask = kAllChordTypes;
    intro.channels[5].record.destination = 3;

    const Bytes bytes = Serialized(m);
    StyleFile style;
    RecordingReporter reporter;
    ASSERT_TRUE(style.LoadBytes(bytes, reporter));
    const size_t introTable = style.Layout().partTableOffsets[static_cast<size_t>(IntroSlot(0))];
    const size_t mainTable = style.Layout().partTableOffsets[static_cast<size_t>(MainSlot(0))];
    EXPECT_LT(introTable, mainTable);  // intros before mains
    EXPECT_EQ(Slice(bytes, introTable, 5), FromHex("02 20 00 20 00"));
    EXPECT_EQ(Slice(bytes, introTable + 5, 6), FromHex("F0 F0 F0 F0 F0 03"));
    EXPECT_EQ(Slice(bytes, mainTable, 8), FromHex("03 0C 00 00 00 0A 08 00"));

    // The unused slots read back with the masks of their kind of section.
    const StyleModel back = style.Model();
    const auto& introBack = back.sections[static_cast<size_t>(IntroSlot(0))].channels;
    const auto& mainBack = back.sections[static_cast<size_t>(MainSlot(0))].channels;
    EXPECT_EQ(introBack[5].chordMask, kAllChordTypes);
    EXPECT_EQ(introBack[0].chordMask, 0x0007FF00u);
    EXPECT_EQ(introBack[8].chordMask, 0xFFF800FFu);
    EXPECT_EQ(mainBack[7].chordMask, 0x0007FF00u);
    EXPECT_EQ(mainBack[15].chordMask, 0xFFFFFFFFu);
    EXPECT_EQ(mainBack[2].chordMask, kMajorChordTypes);
    EXPECT_EQ(mainBack[3].chordMask, kMajorChordTypes | (1u << 10));
    EXPECT_FALSE(mainBack[0].inUse);
    EXPECT_EQ(mainBack[0].record, PartRecord::Default(0));
    EXPECT_EQ(UnusedChannelChordMask(FillSlot(9), 12), 0xFFFFFFFFu);
    EXPECT_EQ(UnusedChannelChordMask(EndingSlot(1), 12), 0xFFF800FFu);
}

// ---------------------------------------------------------------------------------------------
// Music data

TEST(StyleMusicData, SplittingFollowsRhythmPartsRunningStatusAndSysEx) {
    // Channel 0 is melodic (note-ons carry a duration), channel 9 rhythm (explicit offs).
    const Bytes data = FromHex(
        "00 90 3C 64 83 00"  // note-on ch0 with duration 384
        "10 3E 50 60"        // running status, duration 96
        "00 99 24 7F"        // rhythm note-on: no duration
        "20 24 00"           // its off as velocity 0
        "00 F0 03 01 02 03"  // system exclusive, skipped
        "05 B0 07 64 C1 05 E2 00 40"
        "83 10 FF"  // 400 remaining ticks, end
        "AA BB");   // what follows belongs to someone else
    const std::optional<MusicData> split = SplitMusicData(data, 1u << 9);
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->events, Slice(data, 0, data.size() - 5));
    EXPECT_EQ(split->remainingTicks, 400u);

    // Whether a note-on carries a duration decides where the events end.
    const Bytes noteThenEnd = FromHex("00 90 3C 64 00 FF");
    EXPECT_EQ(SplitMusicData(noteThenEnd, 0), (MusicData{Slice(noteThenEnd, 0, 5), 0}));
    EXPECT_EQ(SplitMusicData(noteThenEnd, 1), (MusicData{Slice(noteThenEnd, 0, 4), 0}));
    EXPECT_FALSE(SplitMusicData(FromHex("00 3C 64"), 0).has_value());  // no status yet
    EXPECT_FALSE(SplitMusicData(FromHex("00 F3 01 FF"), 0).has_value());
    EXPECT_FALSE(SplitMusicData(FromHex("00 90 3C 64 83"), 0).has_value());
    EXPECT_EQ(SplitMusicData(FromHex("FF"), 0), (MusicData{{}, 0}));
}

TEST(StyleMusicData, RemainingTicksComeBackAndNeverLookLikeTheEnd) {
    StyleModel m = WithSections({MainSlot(0), EndingSlot(1)});
    StyleSection& main = m.sections[static_cast<size_t>(MainSlot(0))];
    main.channels[0].inUse = true;
    main.channels[0].record.destination = 0;
    main.music.events = FromHex("00 90 3C 64 60");
    main.music.remainingTicks = 1440;  // the last event ends before the bar does
    // 16300 ticks as a plain quantity is FF 2C: the end byte where a delta stands.
    StyleSection& ending = m.sections[static_cast<size_t>(EndingSlot(1))];
    ending.music.remainingTicks = 16300;
    m.leadIn.events = FromHex("00 C0 05");

    const Bytes bytes = Serialized(m);
    StyleFile style;
    RecordingReporter reporter;
    ASSERT_TRUE(style.LoadBytes(bytes, reporter));
    EXPECT_EQ(style.Model(), m);
    const size_t endingAt = style.Layout().dataOffsets[static_cast<size_t>(EndingSlot(1))];
    EXPECT_EQ(Slice(bytes, endingAt, 4), FromHex("80 FF 2C FF"));
    const size_t mainAt = style.Layout().dataOffsets[static_cast<size_t>(MainSlot(0))];
    EXPECT_EQ(Slice(bytes, mainAt, 8), FromHex("00 90 3C 64 60 8B 20 FF"));
    EXPECT_EQ(Slice(bytes, style.Layout().leadInOffset, 5), FromHex("00 C0 05 00 FF"));
}

// ---------------------------------------------------------------------------------------------
// Reading step by step, as the conversion to MIDI does

TEST(StyleFileRead, StepByStepAndSectionBytes) {
    const StyleModel m = RandomStyle(7);
    TempDir dir;
    WriteFile(dir / "a.sty", AsText(Serialized(m)));
    StyleFile style;
    RecordingReporter reporter;
    ASSERT_TRUE(style.validate(dir / "a.sty", reporter));
    EXPECT_TRUE(style.IsOpen());
    ASSERT_TRUE(style.read_info(reporter));
    EXPECT_EQ(style.Model().info, m.info);
    ASSERT_TRUE(style.read_ots(reporter));
    EXPECT_EQ(style.Model().oneTouch, m.oneTouch);
    ASSERT_TRUE(style.read_control(reporter));
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        const StyleSection& want = m.sections[static_cast<size_t>(slot)];
        const StyleSection& got = style.Model().sections[static_cast<size_t>(slot)];
        EXPECT_EQ(got.present, want.present);
        EXPECT_EQ(got.channels, want.channels);
        if (!want.present) {
            EXPECT_EQ(style.Layout().dataOffsets[static_cast<size_t>(slot)], 0u);
            continue;
        }
        EXPECT_EQ(got.bars, want.bars);
        const std::optional<ByteView> data =
            style.read_section(style.Layout().dataOffsets[static_cast<size_t>(slot)]);
        ASSERT_TRUE(data.has_value());
        ASSERT_GE(data->size(), want.music.events.size());
        EXPECT_TRUE(std::equal(want.music.events.begin(), want.music.events.end(), data->begin()));
    }
    EXPECT_FALSE(style.read_section(1u << 30).has_value());
    EXPECT_TRUE(reporter.Empty());
    style.Close();
    EXPECT_FALSE(style.read_info(reporter));
}

// ---------------------------------------------------------------------------------------------
// Round trips

TEST(StyleFileRoundTrip, RandomStylesWriteReadWriteIdentically) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        const StyleModel m = RandomStyle(seed);
        const Bytes first = Serialized(m);
        ASSERT_FALSE(first.empty());
        ASSERT_EQ(first.size() % 4, 0u);
        StyleFile style;
        RecordingReporter reporter;
        ASSERT_TRUE(style.LoadBytes(first, reporter))
            << "seed " << seed << ": " << testing::PrintToString(reporter.Texts());
        EXPECT_EQ(style.Model(), m) << "seed " << seed;
        EXPECT_EQ(style.Serialize(), first) << "seed " << seed;
    }
}

TEST(StyleFileRoundTrip, TheLargestStyleKeepsItsOffsetsInRange) {
    // Every section present, every channel in use, a different mask per channel: 32 entries
    // per table and the longest texts. The control block must still fit its 16-bit offsets.
    StyleModel m;
    m.info.longName = std::string(254, 'a');
    m.info.secondText = std::string(254, 'b');
    m.info.thirdText = std::string(254, 'c');
    for (StyleSection& s : m.sections) {
        s.present = true;
        s.bars = 255;
        for (int n = 0; n < kStyleChannelCount; ++n) {
            s.channels[static_cast<size_t>(n)].inUse = true;
            s.channels[static_cast<size_t>(n)].chordMask =
                0x9E3779B9u * static_cast<uint32_t>(n + 1);
        }
    }
    StyleFile style;
    style.Model() = m;
    const std::optional<Bytes> bytes = style.Serialize();
    ASSERT_TRUE(bytes.has_value());
    StyleFile back;
    RecordingReporter reporter;
    ASSERT_TRUE(back.LoadBytes(*bytes, reporter));
    EXPECT_EQ(back.Model(), m);
    EXPECT_EQ(back.Layout().sectionCount, 24);
    EXPECT_EQ(back.Layout().groupCount, 4);
    EXPECT_LT(back.Layout().partTableOffsets[23], 8000);
}

TEST(StyleFileRoundTrip, SaveAsksBeforeReplacing) {
    TempDir dir;
    const auto path = dir / "s.sty";
    const StyleModel m = RandomStyle(3);
    StyleFile style;
    style.Model() = m;
    RecordingReporter reporter;
    ASSERT_TRUE(style.save(path, reporter));
    EXPECT_TRUE(reporter.Empty());
    StyleFile loaded;
    ASSERT_TRUE(loaded.Load(path, reporter));
    EXPECT_EQ(loaded.Model(), m);
    EXPECT_FALSE(loaded.IsOpen());

    // An existing file: No keeps it and counts as done; Yes replaces it.
    style.Model() = StyleModel();
    reporter.ScriptAnswers({Answer::No, Answer::Yes});
    EXPECT_TRUE(style.save(path, reporter));
    EXPECT_EQ(ReadFile(path), std::string(AsText(Serialized(m))));
    EXPECT_TRUE(style.save(path, reporter));
    EXPECT_EQ(ReadFile(path), std::string(AsText(Serialized(StyleModel()))));
    const Message ask{Icon::Question, "SaveSty", "This file is exist, do you want to continue?",
                      true};
    EXPECT_EQ(reporter.Messages(), (std::vector<Message>{ask, ask}));

    reporter.Clear();
    EXPECT_FALSE(style.save(dir / "missing" / "s.sty", reporter));
    EXPECT_EQ(reporter.Messages(),
              (std::vector<Message>{{Icon::Error, "Error", "Create style file failed", false}}));
}

// ---------------------------------------------------------------------------------------------
// Bad files

std::vector<Message> Validate(const Bytes& bytes) {
    StyleFile style;
    RecordingReporter reporter;
    EXPECT_FALSE(style.ValidateBytes(bytes, reporter));
    EXPECT_FALSE(style.IsOpen());
    return reporter.Messages();
}

Message Invalid(std::string caption) {
    return {Icon::Error, std::move(caption), "Invalid format style file ", false};
}

TEST(StyleFileValidate, EachTagAndTheLength) {
    const Bytes good = Serialized(StyleModel());
    Bytes odd = good;
    odd.resize(odd.size() - 2);
    // Refused on its length before any tag is read, even with every tag in place.
    EXPECT_EQ(Validate(odd),
              (std::vector<Message>{
                  {Icon::Error, "Error", "The file length is not a multiple of 4", false}}));
    Bytes bad = good;
    bad[3] = 'X';
    EXPECT_EQ(Validate(bad), std::vector<Message>{Invalid("MSF ")});
    bad = good;
    bad[8] = 'i';
    EXPECT_EQ(Validate(bad), std::vector<Message>{Invalid("InfS")});
    bad = good;
    bad[35 + 3] = 0x01;  // "OtsS" -> "Ots\x01"
    EXPECT_EQ(Validate(bad),
              (std::vector<Message>{{Icon::Error, "OtsS", "Ots\\x01", false}, Invalid("OtsS")}));
    bad = good;
    bad[12] = 0xF0;  // InfS size pointing past the end
    EXPECT_EQ(Validate(bad),
              (std::vector<Message>{{Icon::Error, "OtsS", "", false}, Invalid("OtsS")}));
    bad = good;
    bad[170] = 'c';
    EXPECT_EQ(Validate(bad), std::vector<Message>{Invalid("CtlS")});
    bad = good;
    bad[174] = 0x09;  // CtlS size one too many
    EXPECT_EQ(Validate(bad), std::vector<Message>{Invalid("DatS")});
    EXPECT_EQ(Validate({}), std::vector<Message>{Invalid("MSF ")});

    StyleFile style;
    RecordingReporter reporter;
    EXPECT_FALSE(style.validate("/nonexistent/x.sty", reporter));
    EXPECT_EQ(reporter.Messages(),
              (std::vector<Message>{{Icon::Error, "Error", "Open the style file failed ", false}}));
}

// Loads hostile bytes into a style holding a known model: it must fail with a message and keep
// the model.
void ExpectRefused(const Bytes& bytes, const std::string& why) {
    StyleFile style;
    style.Model() = RandomStyle(99);
    const StyleModel before = style.Model();
    RecordingReporter reporter;
    EXPECT_FALSE(style.LoadBytes(bytes, reporter)) << why;
    EXPECT_FALSE(reporter.Empty()) << why;
    EXPECT_EQ(style.Model(), before) << why;
}

TEST(StyleFileHostile, EveryTruncationIsRefused) {
    for (const uint32_t seed : {11u, 12u}) {
        const Bytes bytes = Serialized(RandomStyle(seed));
        for (size_t length = 0; length < bytes.size(); ++length) {
            ExpectRefused(Slice(bytes, 0, length), "length " + std::to_string(length));
        }
    }
}

TEST(StyleFileHostile, OffsetsAndCountsOutsideTheFile) {
    const StyleModel m = WithSections({MainSlot(0)});
    const Bytes good = Serialized(m);
    // Control block at 176: 01 00 00 01 01, pad to 184, "Sint" offset, Main A's data offset
    // at 188, its part table offset at 192, bars at 194, the table at 195.
    Bytes bad = good;
    bad[192] = 0xF0;
    bad[193] = 0xFF;
    ExpectRefused(bad, "part table past the end");
    bad = good;
    bad[190] = 0xFF;
    ExpectRefused(bad, "music data past the end");
    bad = good;
    bad[184] = 0xFF;
    ExpectRefused(bad, "lead-in past the end");
    bad = good;
    bad[176] = 200;
    ExpectRefused(bad, "section count not matching the flags");
    bad = good;
    bad[179] = 200;
    ExpectRefused(bad, "group count");
    bad = good;
    bad[195] = 0xFF;  // 253 chord entries in a file that ends long before
    ExpectRefused(bad, "huge entry count");

    StyleFile style;
    RecordingReporter reporter;
    ASSERT_TRUE(style.ValidateBytes(bad, reporter));
    EXPECT_TRUE(style.read_info(reporter));
    EXPECT_FALSE(style.read_control(reporter));
    EXPECT_EQ(reporter.Messages(), std::vector<Message>{Invalid("CtlS")});

    // A music-data offset outside the file is the conversion's "wrong address".
    bad = good;
    bad[190] = 0xFF;
    reporter.Clear();
    EXPECT_FALSE(style.LoadBytes(bad, reporter));
    EXPECT_EQ(reporter.Messages(),
              (std::vector<Message>{{Icon::Error, "Error", "A wrong address detected", false}}));
}

TEST(StyleFileHostile, ChunksTooSmallForTheirFields) {
    // Tags and sizes in place, but an InfS of 4 bytes and an OtsS of 1: each read stays in its
    // own chunk and refuses.
    ByteWriter w;
    w.Append("MSF V01");
    w.U8(0);
    w.Append("InfS");
    w.U16Le(4);
    w.Zeros(4);
    w.Append("OtsS");
    w.U16Le(1);
    w.U8(4);
    w.Append("CtlS");
    w.U16Le(0);
    w.Append("DatS");
    w.Zeros(4 - w.Size() % 4);
    StyleFile style;
    RecordingReporter reporter;
    ASSERT_TRUE(style.ValidateBytes(w.Data(), reporter));
    EXPECT_FALSE(style.read_info(reporter));
    EXPECT_FALSE(style.read_ots(reporter));
    EXPECT_FALSE(style.read_control(reporter));
    EXPECT_EQ(reporter.Messages(),
              (std::vector<Message>{Invalid("InfS"), Invalid("OtsS"), Invalid("CtlS")}));
    EXPECT_EQ(style.Model(), StyleModel());
}

TEST(StyleFileHostile, RandomDamageNeverReadsOutside) {
    // Damage in the header and control area: whatever the reader decides, it decides cleanly.
    std::mt19937 rng(5);
    for (uint32_t seed = 20; seed < 60; ++seed) {
        const Bytes good = Serialized(RandomStyle(seed));
        for (int round = 0; round < 50; ++round) {
            Bytes bad = good;
            const size_t limit = std::min<size_t>(bad.size(), 1200);
            for (int k = 0; k < 3; ++k) {
                bad[std::uniform_int_distribution<size_t>(0, limit - 1)(rng)] =
                    static_cast<uint8_t>(rng());
            }
            StyleFile style;
            const StyleModel before = style.Model();
            RecordingReporter reporter;
            if (!style.LoadBytes(bad, reporter)) {
                EXPECT_FALSE(reporter.Empty());
                EXPECT_EQ(style.Model(), before);
            }
        }
    }
}

}  // namespace
}  // namespace veltrano
