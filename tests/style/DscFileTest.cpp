#include "style/DscFile.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "base/Reporter.h"
#include "style/StyleSamples.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::RandomStyle;
using test::TempDir;
using test::WriteFile;
using Message = RecordingReporter::Message;

Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
    return Bytes(bytes.begin() + static_cast<ptrdiff_t>(from),
                 bytes.begin() + static_cast<ptrdiff_t>(from + count));
}

Bytes Concat(std::initializer_list<std::string_view> parts) {
    Bytes out;
    for (const std::string_view part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

std::string Be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

ChannelDescription Sample() {
    ChannelDescription d;
    d.sourceChannel = 2;
    d.destination = 10;
    d.chordMask = 0x0007FF00;
    d.root = 5;
    d.rootValue = 2;
    d.transpositionRule = 1;
    d.transpositionTable = 3;
    d.highKey = 6;
    d.noteLow = 0;
    d.noteHigh = 127;
    d.retriggerRule = 4;
    return d;
}

const Message kInvalid{Icon::Information, "OpenDsc", "Invalid format of dsc file", false};

// ---------------------------------------------------------------------------------------------
// Layout

TEST(DscFileLayout, SharedDescriptionIsOneSegmentWithItsSectionsInIndexOrder) {
    DscFile dsc;
    ChannelDescription other = Sample();
    other.noteHigh = 100;
    dsc.add_channel(1, Sample());
    dsc.add_channel(0, Sample());
    dsc.add_channel(0, other);
    dsc.add_channel(18, other);  // no such section: ignored
    dsc.add_channel(-1, other);
    ASSERT_EQ(dsc.Entries().size(), 2u);
    EXPECT_EQ(dsc.Entries()[0].sections, 0x3u);
    EXPECT_EQ(dsc.Entries()[1].sections, 0x1u);

    const Bytes bytes = dsc.Serialize();
    const std::string table(
        "\x02        \x0A\x00\x0F\xFF\x00\x00\x07\xFF\x00\x05\x02\x01\x03\x06\x00\x7F\x04\x00", 27);
    const Bytes casm = Concat({"CASM", Be32(2 * 8 + 56 + 49), "CSEG", Be32(56), "Sdec", Be32(13),
                               "Main A,Main B", "Ctab", Be32(27), table});
    ASSERT_GE(bytes.size(), casm.size());
    EXPECT_EQ(Slice(bytes, 0, casm.size()), casm);
    // The second segment: only "Main A", its own table.
    EXPECT_EQ(Slice(bytes, casm.size(), 18), Concat({"CSEG", Be32(49), "Sdec", Be32(6), "Ma"}));
    EXPECT_EQ(bytes.size(), casm.size() + 8 + 49 + 8 + 4 * 163);
}

TEST(DscFileLayout, OneTouchTracksAtFixedPlaces) {
    DscFile dsc;
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            OneTouchPart v{
                static_cast<uint8_t>(s), static_cast<uint8_t>(p), 7, 100, 0xF4, 40, 1, 64};
            dsc.set_ots(s, p, DscOneTouch::FromPart(p, v));
        }
    }
    dsc.set_ots(4, 0, {});  // out of range: ignored
    const Bytes bytes = dsc.Serialize();
    ASSERT_EQ(bytes.size(), 8u + 8 + 4 * 163);
    EXPECT_EQ(Slice(bytes, 8, 8), Concat({"OTSc", Be32(652)}));
    const size_t track1 = 16 + 163;  // setting 1 on MIDI channel 1
    EXPECT_EQ(Slice(bytes, track1, 8), Concat({"MTrk", Be32(155)}));
    const std::string r1(
        "\x00\xB1\x00\x01\x00\xB1\x20\x00\x00\xC1\x07\x00\xFF\x03\x07OCT_R1\xF4"
        "\x00\xB1\x07\x64\x00\xB1\x5B\x28\x00\xB1\x5D\x01\x00\xB1\x0A\x40",
        38);
    EXPECT_EQ(Slice(bytes, track1 + 8, 38), Concat({r1}));
    const std::string l(
        "\x00\xB1\x00\x01\x00\xB1\x20\x03\x00\xC1\x07\x00\xFF\x03\x06OCT_L\xF4"
        "\x00\xB1\x07\x64\x00\xB1\x5B\x28\x00\xB1\x5D\x01\x00\xB1\x0A\x40\x00\xFF\x2F\x00",
        41);
    EXPECT_EQ(Slice(bytes, track1 + 8 + 3 * 38, 41), Concat({l}));

    // Reading takes the values from those places into the style.
    StyleModel style;
    RecordingReporter reporter;
    DscFile back;
    ASSERT_TRUE(back.ReadBytes(bytes, &style, reporter));
    EXPECT_EQ(back, dsc);
    EXPECT_EQ(style.oneTouch[1][3], (OneTouchPart{1, 3, 7, 100, 0xF4, 40, 1, 64}));
    EXPECT_EQ(style.oneTouch[3][0], (OneTouchPart{3, 0, 7, 100, 0xF4, 40, 1, 64}));
}

TEST(DscFileLayout, FromStyleListsEverySectionOfEveryChannel) {
    // A new style: each channel's description is the same in all twelve sections.
    const DscFile dsc = DscFile::FromStyle(StyleModel());
    ASSERT_EQ(dsc.Entries().size(), 16u);
    const Bytes bytes = dsc.Serialize();
    const std::string list =
        "Main A,Main B,Main C,Main D,Fill In AA,Fill In BB,Fill In CC,Fill In DD,Intro A,Intro "
        "B,Ending A,Ending B";
    EXPECT_EQ(Slice(bytes, 20, 4 + list.size()), Concat({Be32(list.size()), list}));
    EXPECT_EQ(dsc.Entries()[3].description.sourceChannel, 3);
    EXPECT_EQ(dsc.Entries()[3].description.destination, 11);
    EXPECT_EQ(dsc.Entries()[3].description.chordMask, 0x0000FFFFu);
    EXPECT_EQ(dsc.OneTouch()[2][1].program, 49);
    EXPECT_EQ(std::string(dsc.OneTouch()[2][3].name.data()), "OCT_L");
}

// ---------------------------------------------------------------------------------------------
// Reading

Bytes OneSegment(std::string_view sections, const std::string& table) {
    return Concat({"CASM", Be32(16 + sections.size() + 8 + 27), "CSEG",
                   Be32(8 + sections.size() + 8 + 27), "Sdec", Be32(sections.size()), sections,
                   "Ctab", Be32(27), table});
}

TEST(DscFileRead, CtabFieldsIntoTheStyle) {
    // Chord mask bits 0-1 from byte 13, the rest from bytes 14-17; a root of 12 reads as 0.
    std::string table(
        "\x03NAMENAME\x09\x00\x0F\xFF\x01\xFF\xFF\xFF\xFF\x0C\x07\x01\x05\x03\x10\x60\x02\x00", 27);
    StyleModel style;
    style.sections[static_cast<size_t>(MainSlot(1))].channels[3].inUse = true;
    style.sections[static_cast<size_t>(MainSlot(1))].channels[3].record.noteMask1 = 0x11;
    const StyleModel before = style;
    DscFile dsc;
    RecordingReporter reporter;
    ASSERT_TRUE(dsc.ReadBytes(OneSegment("Main B,Fill In CC,Nonsense", table), &style, reporter));
    EXPECT_TRUE(reporter.Empty());

    for (const int slot : {MainSlot(1), FillSlot(10)}) {
        const ChannelSetting& c = style.sections[static_cast<size_t>(slot)].channels[3];
        const ChannelSetting& old = before.sections[static_cast<size_t>(slot)].channels[3];
        EXPECT_EQ(c.chordMask, 0xFFFFFFFDu);
        EXPECT_EQ(c.record.destination, 9);
        EXPECT_EQ(c.record.root, 0);
        EXPECT_EQ(c.record.rootValue, 7);
        EXPECT_EQ(c.record.TranspositionRule(), 1);
        EXPECT_EQ(c.record.TranspositionTable(), 5);
        EXPECT_EQ(c.record.RetriggerRule(), 2);
        EXPECT_EQ(c.record.highKey, 3);
        EXPECT_EQ(c.record.noteLow, 0x10);
        EXPECT_EQ(c.record.noteHigh, 0x60);
        // Not carried by the description.
        EXPECT_EQ(c.inUse, old.inUse);
        EXPECT_EQ(c.record.noteMask1, old.record.noteMask1);
        EXPECT_EQ(c.record.noteMask2, old.record.noteMask2);
    }
    // Nothing else changed.
    StyleModel rest = style;
    for (const int slot : {MainSlot(1), FillSlot(10)}) {
        rest.sections[static_cast<size_t>(slot)].channels[3] =
            before.sections[static_cast<size_t>(slot)].channels[3];
    }
    EXPECT_EQ(rest, before);
    ASSERT_EQ(dsc.Entries().size(), 1u);
    EXPECT_EQ(dsc.Entries()[0].sections, (1u << 1) | (1u << 6));
    EXPECT_EQ(std::string(dsc.Entries()[0].description.name.data(), 8), "NAMENAME");

    // The description's own mask round trip: 0x0007FF00 is 00 00 07 FF 00 in bytes 13-17.
    DscFile one;
    one.add_channel(0, Sample());
    const Bytes bytes = one.Serialize();
    EXPECT_EQ(Slice(bytes, 8 + 8 + 8 + 6 + 8 + 13, 5), (Bytes{0x00, 0x00, 0x07, 0xFF, 0x00}));
    DscFile back;
    ASSERT_TRUE(back.ReadBytes(bytes, nullptr, reporter));
    EXPECT_EQ(back.Entries()[0].description.chordMask, 0x0007FF00u);
}

TEST(DscFileRead, SectionsWithoutAStyleSlotApplyNowhere) {
    std::string table(27, '\0');
    table[0] = 1;
    StyleModel style;
    DscFile dsc;
    RecordingReporter reporter;
    ASSERT_TRUE(dsc.ReadBytes(OneSegment("Break A", table), &style, reporter));
    EXPECT_EQ(style, StyleModel());
    ASSERT_EQ(dsc.Entries().size(), 1u);
    EXPECT_EQ(dsc.Entries()[0].sections, 1u << 8);

    // A source channel beyond 15 has no slot either.
    table[0] = 16;
    ASSERT_TRUE(dsc.ReadBytes(OneSegment("Main A", table), &style, reporter));
    EXPECT_EQ(style, StyleModel());
    EXPECT_EQ(DscSectionSlot(8), -1);
    EXPECT_EQ(DscSectionSlot(5), FillSlot(5));
    EXPECT_EQ(DscSectionSlot(15), EndingSlot(1));
}

TEST(DscFileRead, StyleThroughDescriptionAndBack) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const StyleModel source = RandomStyle(seed);
        const Bytes bytes = DscFile::FromStyle(source).Serialize();
        StyleModel target = RandomStyle(seed + 1000);
        const StyleModel before = target;
        DscFile dsc;
        RecordingReporter reporter;
        ASSERT_TRUE(dsc.ReadBytes(bytes, &target, reporter));
        EXPECT_EQ(target.oneTouch, source.oneTouch);
        for (int index = 0; index < kDscSectionCount; ++index) {
            const int slot = DscSectionSlot(index);
            if (slot < 0) {
                continue;
            }
            for (int n = 0; n < kStyleChannelCount; ++n) {
                ChannelSetting want =
                    source.sections[static_cast<size_t>(slot)].channels[static_cast<size_t>(n)];
                const ChannelSetting& old =
                    before.sections[static_cast<size_t>(slot)].channels[static_cast<size_t>(n)];
                want.inUse = old.inUse;
                want.record.noteMask1 = old.record.noteMask1;
                want.record.noteMask2 = old.record.noteMask2;
                EXPECT_EQ(
                    target.sections[static_cast<size_t>(slot)].channels[static_cast<size_t>(n)],
                    want)
                    << "seed " << seed << " slot " << slot << " channel " << n;
            }
        }
        // The other fills are not in a description.
        EXPECT_EQ(target.sections[static_cast<size_t>(FillSlot(1))],
                  before.sections[static_cast<size_t>(FillSlot(1))]);
    }
}

TEST(DscFileRead, WriteReadWriteIsIdentical) {
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        const DscFile dsc = DscFile::FromStyle(RandomStyle(seed));
        const Bytes bytes = dsc.Serialize();
        DscFile back;
        RecordingReporter reporter;
        ASSERT_TRUE(back.ReadBytes(bytes, nullptr, reporter)) << "seed " << seed;
        EXPECT_EQ(back, dsc) << "seed " << seed;
        EXPECT_EQ(back.Serialize(), bytes) << "seed " << seed;
    }
    // Through the file system too.
    TempDir dir;
    const DscFile dsc = DscFile::FromStyle(RandomStyle(5));
    RecordingReporter reporter;
    ASSERT_TRUE(dsc.write(dir / "a.dsc", reporter));
    DscFile back;
    StyleModel style;
    ASSERT_TRUE(back.read(dir / "a.dsc", false, style, reporter));
    EXPECT_EQ(style, StyleModel());  // not applied
    EXPECT_EQ(back, dsc);
    EXPECT_TRUE(reporter.Empty());
}

// ---------------------------------------------------------------------------------------------
// Bad files

TEST(DscFileHostile, TagsAndContentsOutsideTheFile) {
    RecordingReporter reporter;
    DscFile dsc;
    StyleModel style;
    EXPECT_TRUE(dsc.ReadBytes(Concat({"CASM"}), &style, reporter));  // empty
    EXPECT_TRUE(dsc.Entries().empty());

    const std::string table(27, '\x01');
    const std::vector<Bytes> bad = {
        Concat({"CAS"}),
        Concat({"CASX", Be32(0)}),
        Concat({"CASM", Be32(0), "CSEG", Be32(0), "Sdex", Be32(0)}),  // CSEG without Sdec
        Concat({"CASM", Be32(0), "CSEG", Be32(0), "Sdec", Be32(100), "Main A"}),
        Concat({"CASM", Be32(0), "CSEG", Be32(0), "Sdec", Be32(0xFFFFFFFF), "Main A"}),
        Concat({"CASM", Be32(0), "CSEG", Be32(0), "Sdec"}),
        Concat({"CASM", Be32(0), "Ctab", Be32(27), table.substr(0, 26)}),
        Concat({"CASM", Be32(0), "OTSc", Be32(652), std::string(651, '\0')}),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        reporter.Clear();
        dsc.add_channel(0, Sample());
        const DscFile before = dsc;
        EXPECT_FALSE(dsc.ReadBytes(bad[i], &style, reporter)) << i;
        EXPECT_EQ(reporter.Messages(), std::vector<Message>{kInvalid}) << i;
        EXPECT_EQ(dsc, before) << i;
    }

    // What was applied before the fault stays applied.
    const Bytes good = OneSegment("Main A", std::string("\x04", 1) + std::string(26, '\x07'));
    Bytes partial = good;
    const Bytes broken = Concat({"CSEG", Be32(0), "Sdec", Be32(50)});
    partial.insert(partial.end(), broken.begin(), broken.end());
    style = StyleModel();
    EXPECT_FALSE(dsc.ReadBytes(partial, &style, reporter));
    EXPECT_EQ(style.sections[static_cast<size_t>(MainSlot(0))].channels[4].record.destination, 7);
}

TEST(DscFileHostile, EveryTruncationEndsCleanly) {
    const Bytes bytes = DscFile::FromStyle(RandomStyle(8)).Serialize();
    for (size_t length = 0; length < bytes.size(); ++length) {
        DscFile dsc;
        StyleModel style;
        RecordingReporter reporter;
        const bool ok = dsc.ReadBytes(Slice(bytes, 0, length), &style, reporter);
        if (ok) {
            EXPECT_TRUE(reporter.Empty());
        } else {
            EXPECT_EQ(reporter.Messages(), std::vector<Message>{kInvalid}) << length;
            EXPECT_EQ(dsc, DscFile()) << length;
        }
    }
}

TEST(DscFileHostile, FilesThatCannotBeOpenedOrCreated) {
    TempDir dir;
    RecordingReporter reporter;
    DscFile dsc;
    StyleModel style;
    EXPECT_FALSE(dsc.read(dir / "none.dsc", true, style, reporter));
    EXPECT_EQ(reporter.Messages(),
              (std::vector<Message>{{Icon::Error, "ReadDsc", "Open file failed", false}}));

    reporter.Clear();
    const auto missing = dir / "no" / "a.dsc";
    EXPECT_FALSE(dsc.write(missing, reporter));
    EXPECT_EQ(
        reporter.Messages(),
        (std::vector<Message>{{Icon::Error, "", "No such directory\n" + missing.string(), false}}));

    // A folder where the file should go.
    reporter.Clear();
    std::filesystem::create_directory(dir / "d.dsc");
    EXPECT_FALSE(dsc.write(dir / "d.dsc", reporter));
    EXPECT_EQ(reporter.Texts(),
              std::vector<std::string>{"Can not access to the file\n" + (dir / "d.dsc").string()});

    EXPECT_EQ(FileErrorText(ENOSPC, "x"), "Run out of disk\nx");
    EXPECT_EQ(FileErrorText(EMFILE, "x"), "File been opened too many times\nx");
    EXPECT_EQ(FileErrorText(EXDEV, "x"), "Unknown Error!x");
}

}  // namespace
}  // namespace veltrano
