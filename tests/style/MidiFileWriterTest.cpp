// Writing format-0 files: the header, the leading text events, variable-length quantities and
// the final patching; and reading what was written.
#include <gtest/gtest.h>

#include <string>

#include "base/Reporter.h"
#include "style/MidiFile.h"
#include "style/MidiWriter.h"

namespace veltrano {
namespace {

using namespace std::string_literals;

TEST(MidiWriterVlq, GroupsSevenBitsMostSignificantFirst) {
    EXPECT_EQ(MidiWriter::encode_vlq(0), (Bytes{0x00}));
    EXPECT_EQ(MidiWriter::encode_vlq(127), (Bytes{0x7F}));
    EXPECT_EQ(MidiWriter::encode_vlq(128), (Bytes{0x81, 0x00}));
    EXPECT_EQ(MidiWriter::encode_vlq(16383), (Bytes{0xFF, 0x7F}));
    EXPECT_EQ(MidiWriter::encode_vlq(16384), (Bytes{0x81, 0x80, 0x00}));
    EXPECT_EQ(MidiWriter::encode_vlq(0x0FFFFFFF), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(MidiWriter::encode_vlq(0xFFFFFFFF), (Bytes{0x8F, 0xFF, 0xFF, 0xFF, 0x7F}));
    // What is encoded reads back, for every width.
    for (uint32_t v : {0u, 1u, 127u, 128u, 300u, 16383u, 16384u, 2097151u, 2097152u, 0x0FFFFFFFu}) {
        const Bytes b = MidiWriter::encode_vlq(v);
        ByteReader in(b);
        EXPECT_EQ(in.Vlq(), v);
        EXPECT_EQ(in.Remaining(), 0u);
    }
    static_assert(MidiWriter::byte_swap32(0x11223344) == 0x44332211);
}

TEST(MidiWriterHeader, IsTwentyTwoBytesWithRoomForDivisionAndLength) {
    ByteWriter file;
    MidiWriter::write_header(file);
    EXPECT_EQ(file.Data(), (Bytes{'M', 'T', 'h',  'd', 0,   0,   0,   6, 0, 0, 0,
                                  1,   0,   0x78, 'M', 'T', 'r', 'k', 0, 0, 0, 0}));
}

TEST(MidiWriterText, WritesDeltaTypeLengthAndTextWithoutATrailingFF) {
    ByteWriter file;
    MidiWriter::write_text_meta(file, 0, 0x03, "untitled");
    EXPECT_EQ(file.Data(), (Bytes{0x00, 0xFF, 0x03, 0x08, 'u', 'n', 't', 'i', 't', 'l', 'e', 'd'}));

    ByteWriter ff;
    MidiWriter::write_text_meta(ff, 5, 0x01, std::string("a\xFF,b\xFF", 5));
    EXPECT_EQ(ff.Data(), (Bytes{0x05, 0xFF, 0x01, 0x04, 'a', 0xFF, ',', 'b'}));

    ByteWriter empty;
    MidiWriter::write_text_meta(empty, 0, 0x06, "");
    EXPECT_EQ(empty.Data(), (Bytes{0x00, 0xFF, 0x06, 0x00}));

    ByteWriter lone;
    MidiWriter::write_text_meta(lone, 0, 0x01, "\xFF");
    EXPECT_EQ(lone.Data(), (Bytes{0x00, 0xFF, 0x01, 0x00}));

    ByteWriter longText;
    MidiWriter::write_text_meta(longText, 0, 0x01, std::string(200, 'x'));
    ASSERT_EQ(longText.Size(), 4u + 1u + 200u);
    EXPECT_EQ(longText.Data()[3], 0x81);
    EXPECT_EQ(longText.Data()[4], 0x48);
}

TEST(MidiWriterFinish, PatchesDivisionAndTrackLength) {
    ByteWriter file;
    MidiWriter::write_header(file);
    file.Append(ByteView(Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    const size_t length = MidiWriter::finish(file, 0x1E0);
    ASSERT_EQ(length, 22u + 7u + 4u);
    ASSERT_EQ(file.Size(), length);
    const Bytes& b = file.Data();
    EXPECT_EQ(b[12], 0x01);
    EXPECT_EQ(b[13], 0xE0);
    ByteReader in(b);
    ASSERT_TRUE(in.Seek(18));
    EXPECT_EQ(in.U32Be(), length - 22);
    EXPECT_EQ(Bytes(b.end() - 4, b.end()), (Bytes{0x00, 0xFF, 0x2F, 0x00}));

    ByteWriter noHeader;
    noHeader.Append(std::string_view("MThd"));
    EXPECT_EQ(MidiWriter::finish(noHeader, 96), 0u);
    EXPECT_EQ(noHeader.Size(), 4u);
}

// The layout the style conversion writes, read back by the reader.
TEST(MidiWriterRoundTrip, WhatIsWrittenReadsBackEventForEvent) {
    ByteWriter file;
    MidiWriter::write_header(file);
    MidiWriter::write_text_meta(file, 0, 0x01, "comment");
    MidiWriter::write_text_meta(file, 0, 0x02, "(c)");
    MidiWriter::write_text_meta(file, 0, 0x03, "untitled");
    MidiWriter::write_text_meta(file, 0, 0x01, "name:Long,SHORT,\xFF,\xFF");
    file.Append(ByteView(Bytes{0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}));  // 3/4
    file.Append(ByteView(Bytes{0x00, 0xFF, 0x59, 0x02, 0x00, 0x00}));
    file.Append(ByteView(Bytes{0x00, 0xFF, 0x51, 0x03}));
    file.U24Be(60000000 / 100);
    MidiWriter::write_text_meta(file, 0, 0x06, "Sint");
    file.Append(ByteView(Bytes{0x00, 0x99, 36, 100}));
    file.Vlq(300);
    file.Append(ByteView(Bytes{0x99, 36, 0}));
    file.Vlq(200);
    file.Append(ByteView(Bytes{0xFF, 0x06, 0x06, 'M', 'a', 'i', 'n', ' ', 'A'}));
    file.Append(ByteView(Bytes{0x00, 0xC2, 33}));
    const size_t length = MidiWriter::finish(file, 192);
    ASSERT_EQ(length, file.Size());

    MidiFile midi;
    RecordingReporter reporter;
    ASSERT_TRUE(midi.LoadBytes(file.Data(), reporter)) << midi.LastError();
    EXPECT_EQ(midi.Format(), 0);
    EXPECT_EQ(midi.TrackCount(), 1);
    EXPECT_EQ(midi.Division(), 192);
    ASSERT_EQ(midi.Events().size(), 12u);
    EXPECT_EQ(midi.TimeSignatureMap(), (std::vector<MidiTimeSignatureEntry>{{4, 3, 0}}));
    EXPECT_EQ(midi.TempoMap(), (std::vector<MidiTempoEntry>{{100, 0}}));
    const auto& ev = midi.Events();
    EXPECT_EQ(midi.MetaData(ev[3]), "name:Long,SHORT,\xFF,");
    EXPECT_EQ(midi.MetaData(ev[7]), "Sint");
    EXPECT_EQ(ev[8].duration, 300);
    EXPECT_TRUE(ev[9].matched);
    EXPECT_EQ(midi.MetaData(ev[10]), "Main A");
    EXPECT_EQ(ev[10].tick, 500);
    EXPECT_EQ(ev[10].delta, 200u);
    EXPECT_EQ(midi.PositionText(ev[10]), "1:03:116");  // 500 ticks in 3/4 at 192
    EXPECT_EQ(ev[11].message, 0x21C2u);
    // 100 bpm at 192 ticks per quarter: 500 ticks are 1562.5 ms.
    EXPECT_DOUBLE_EQ(ev[11].time, 1562.5);
    EXPECT_EQ(midi.InformationText(),
              "File format: 0  \nTrack count: 1  \nTime division: 192\n"
              "Track 0 comment:comment\nCopyright:(c)\nTrack 0 name:untitled\n"
              "Track 0 comment:name:Long,SHORT,\xFF,\n\x00\x00\nSint\nMain A\n"s);
}

TEST(MidiWriterRoundTrip, OneTempoAndTheEndGiveTheFileLengthLessTheHeader) {
    ByteWriter file;
    MidiWriter::write_header(file);
    file.Append(ByteView(Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    const size_t length = MidiWriter::finish(file, 96);
    ByteReader in(file.Data());
    ASSERT_TRUE(in.Seek(18));
    EXPECT_EQ(in.U32Be(), length - 22);

    MidiFile midi;
    RecordingReporter reporter;
    ASSERT_TRUE(midi.LoadBytes(file.Data(), reporter));
    ASSERT_EQ(midi.Events().size(), 1u);
    EXPECT_EQ(midi.CurrentTempo(), 500000u);
}

}  // namespace
}  // namespace veltrano
