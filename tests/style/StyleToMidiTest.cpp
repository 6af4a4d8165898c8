#include "style/StyleToMidi.h"

#include <gtest/gtest.h>

#include "base/Reporter.h"
#include "settings/LanguageTable.h"
#include "style/DscFile.h"
#include "style/MidiFile.h"
#include "style/StyleSamples.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Message = RecordingReporter::Message;
using Marker = std::pair<std::string, double>;

// Music data of a section, every event with its full status. Channels 0, 1, 8 and 9 are
// rhythm parts in a new style; the others carry durations.
class Music {
public:
    Music& Msg(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2 = 0) {
        AppendMusicDelta(out_, delta);
        out_.U8(status);
        out_.U8(data1);
        if ((status & 0xE0) != 0xC0) {
            out_.U8(data2);
        }
        return *this;
    }
    Music& Note(uint32_t delta, uint8_t channel, uint8_t key, uint32_t duration) {
        Msg(delta, static_cast<uint8_t>(0x90 | channel), key, 100);
        out_.Vlq(duration);
        return *this;
    }
    Music& Raw(std::initializer_list<uint8_t> bytes) {
        out_.Append(Bytes(bytes));
        return *this;
    }
    MusicData Done(uint32_t remaining) { return {out_.Take(), remaining}; }

private:
    ByteWriter out_;
};

// One bar of 4/4 at division 96 is 384 ticks.
StyleModel Base() {
    StyleModel m;
    m.info.division = 96;
    m.info.tempo = 120;
    m.info.shortName = "FILE";
    return m;
}

void Add(StyleModel& m, int slot, uint8_t bars, MusicData music) {
    StyleSection& s = m.sections[static_cast<size_t>(slot)];
    s.present = true;
    s.bars = bars;
    s.music = std::move(music);
}

class StyleToMidiTest : public ::testing::Test {
protected:
    void Open(const StyleModel& m) {
        WriteFile(dir_ / "s.sty", AsText(test::Serialized(m)));
        ASSERT_TRUE(converter_.Open(dir_ / "s.sty", reporter_));
    }
    // Converts the opened style and reads the MIDI file back.
    void Convert() {
        const std::optional<Bytes> bytes = converter_.BuildMidi(reporter_);
        ASSERT_TRUE(bytes);
        bytes_ = *bytes;
        ASSERT_TRUE(midi_.LoadBytes(bytes_, reporter_));
        EXPECT_EQ(midi_.Format(), 0);
    }
    std::vector<Marker> Markers() const {
        std::vector<Marker> markers;
        for (const MidiEvent& e : midi_.Events()) {
            if (e.IsMeta(kMidiMetaMarker)) {
                markers.emplace_back(std::string(midi_.MetaData(e)), e.tick);
            }
        }
        return markers;
    }
    // Channel events as tick and message (status, data 1 and data 2 from the low byte up).
    std::vector<std::pair<double, uint32_t>> Channel() const {
        std::vector<std::pair<double, uint32_t>> events;
        for (const MidiEvent& e : midi_.Events()) {
            if (e.IsChannel()) {
                events.emplace_back(e.tick, e.message);
            }
        }
        return events;
    }

    TempDir dir_;
    RecordingReporter reporter_;
    StyleToMidi converter_;
    Bytes bytes_;
    MidiFile midi_;
};

TEST(StyleToMidiChecks, ShortNameTempoAndTimeSignature) {
    const auto message = [](std::string_view name, std::string_view tempo, std::string_view sig) {
        return CheckSaveMidiInput(name, tempo, sig).message;
    };
    const SaveMidiCheck ok = CheckSaveMidiInput("ABCDEFGH", " 280 ", "3/4");
    ASSERT_TRUE(ok.Accepted());
    EXPECT_EQ(*ok.overrides, (StyleOverrides{280, 3, 4, "ABCDEFGH"}));
    EXPECT_TRUE(CheckSaveMidiInput("A", "30", "32/32").Accepted());

    EXPECT_EQ(message("", "120", "4/4"), "The short name can't be null");
    EXPECT_EQ(message("   ", "120", "4/4"), "The short name can't be null");
    EXPECT_EQ(message("ABCDEFGHI", "120", "4/4"), "The length of short name must be 1~8");
    EXPECT_EQ(message("A", " ", "4/4"), "The tempo can't be null");
    EXPECT_EQ(message("A", "120.5", "4/4"), "The tempo must be a decimal string");
    EXPECT_EQ(message("A", "29", "4/4"), "The tempo value is out of range");
    EXPECT_EQ(message("A", "281", "4/4"), "The tempo value is out of range");
    EXPECT_EQ(message("A", "99999999999", "4/4"), "The tempo value is out of range");
    EXPECT_EQ(message("A", "120", "3"),
              "The format of time signature is: nn/dd \nnn is the numerator and dd is the "
              "denominator");
    EXPECT_EQ(message("A", "120", "3/4/4"), message("A", "120", "3"));
    EXPECT_EQ(message("A", "120", "3/5"),
              "The denominator of time signature must be 1, 2, 4, 8, 16 or 32");
    EXPECT_EQ(message("A", "120", "0/4"),
              "The numerator of time signature must be positive number");
    EXPECT_EQ(message("A", "120", "a/4"), message("A", "120", "0/4"));
    EXPECT_EQ(message("A", "120", "3x/4"), "The numerator of time signature must be decimal value");
    EXPECT_EQ(message("A", "120", "3/4x"),
              "The denominator of time signature must be decimal value");
    EXPECT_EQ(message("A", "120", "256/4"), "The numerator of time signature must be 1~255");
}

TEST_F(StyleToMidiTest, LeadInAndFirstMainAtDivision96) {
    StyleModel m = Base();
    m.leadIn = Music().Note(0, 2, 60, 48).Done(0);  // ends before its bar does
    Add(m, MainSlot(0), 4,
        Music()
            .Msg(0, 0x99, 36, 100)  // rhythm: released by the stored note-off below
            .Note(0, 2, 64, 200)
            .Msg(96, 0x99, 36, 0)
            .Msg(1404, 0xB2, 7, 90)
            .Done(36));
    Open(m);
    Convert();
    EXPECT_EQ(midi_.Division(), 96);
    EXPECT_EQ(Markers(), (std::vector<Marker>{{"Sint", 0}, {"Main A", 384}}));
    EXPECT_EQ(Channel(), (std::vector<std::pair<double, uint32_t>>{{0, 0x643C92},
                                                                   {48, 0x003C92},
                                                                   {384, 0x642499},
                                                                   {384, 0x644092},
                                                                   {480, 0x002499},
                                                                   {584, 0x004092},
                                                                   {1884, 0x5A07B2}}));
    EXPECT_LE(midi_.LongestTick(), 384 + 1536);
    EXPECT_TRUE(reporter_.Empty()) << reporter_.Texts().front();
}

TEST_F(StyleToMidiTest, HeldNotesEndAtTheSectionEnd) {
    StyleModel m = Base();
    Add(m, MainSlot(0), 1,
        Music()
            .Note(300, 2, 60, 500)  // held past the bar
            .Msg(0, 0x99, 38, 90)   // rhythm, never released: until the end of the data
            .Note(100, 2, 62, 50)   // starts after the bar
            .Done(100));
    Open(m);
    Convert();
    const double start = 384;  // after the empty lead-in's bar
    EXPECT_EQ(Channel(), (std::vector<std::pair<double, uint32_t>>{{start + 300, 0x643C92},
                                                                   {start + 300, 0x5A2699},
                                                                   {start + 384, 0x003C92},
                                                                   {start + 384, 0x002699},
                                                                   {start + 400, 0x643E92},
                                                                   {start + 400, 0x003E92}}));
}

TEST_F(StyleToMidiTest, RhythmLookAheadSkipsDurationsAndSysExAndKeepsAddedOrder) {
    StyleModel m = Base();
    Add(m, MainSlot(0), 1,
        Music()
            .Msg(0, 0x99, 36, 100)
            .Note(10, 2, 60, 0x99)  // a duration whose first byte would read as a status
            .Raw({0x0A, 0xF0, 0x02, 0x01, 0xF7})
            .Msg(20, 0x89, 36, 0)  // the rhythm release, spelt 8n
            .Msg(0, 0xB2, 7, 1)    // after the release added for the note-on at the same time
            .Note(0, 2, 61, 0)     // on and off at one time, in that order
            .Done(0));
    Open(m);
    Convert();
    EXPECT_EQ(Channel(), (std::vector<std::pair<double, uint32_t>>{{384, 0x642499},
                                                                   {394, 0x643C92},
                                                                   {424, 0x002499},
                                                                   {424, 0x0107B2},
                                                                   {424, 0x643D92},
                                                                   {424, 0x003D92},
                                                                   {394 + 0x99, 0x003C92}}));
}

TEST_F(StyleToMidiTest, LeadingMetaEventsAndTheDialogsShortName) {
    StyleModel m = Base();
    m.info.longName = "Long";
    m.info.secondText = "B";
    m.info.thirdText = "C";
    Add(m, MainSlot(0), 1, Music().Done(288));
    Open(m);
    const SaveMidiCheck check = CheckSaveMidiInput("DIALOG", "120", "3/4");
    ASSERT_TRUE(check.Accepted());
    converter_.SetOverrides(*check.overrides);
    Convert();
    const std::string names = "name:Long,DIALOG,B\xFF,C";
    const std::string expected =
        std::string("\x00\xFF\x03\x08untitled", 12) + std::string("\x00\xFF\x01", 3) +
        char(names.size()) + names + std::string("\x00\xFF\x58\x04\x03\x02\x18\x08", 8) +
        std::string("\x00\xFF\x59\x02\x00\x00", 6) +
        std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7) + std::string("\x00\xFF\x06\x04Sint", 8);
    const std::string file(AsText(bytes_));
    EXPECT_EQ(file.substr(0, 14), std::string("MThd\0\0\0\6\0\0\0\1\0\x60", 14));
    EXPECT_EQ(file.substr(22, expected.size()), expected);
    // The lead-in's bar follows the time signature typed: three beats.
    EXPECT_EQ(Markers(), (std::vector<Marker>{{"Sint", 0}, {"Main A", 288}}));
    EXPECT_EQ(midi_.TimeSignatureMap().at(0), (MidiTimeSignatureEntry{4, 3, 0}));

    // Comment and copyright go first; an empty third text leaves the second's 0xFF in place.
    m.info.thirdText.clear();
    Open(m);
    converter_.SetComment("c");
    converter_.SetCopyright("(c)");
    converter_.SetTrackName("Demo");
    Convert();
    const std::string second(AsText(bytes_));
    EXPECT_EQ(second.substr(22, 20), std::string("\x00\xFF\x01\x01"
                                                 "c\x00\xFF\x02\x03(c)\x00\xFF\x03\x04"
                                                 "Demo",
                                                 20));
    EXPECT_NE(second.find(std::string("name:Long,FILE,B\xFF,\x00\xFF\x58", 21)), std::string::npos);
}

TEST_F(StyleToMidiTest, EverySectionInPlayingOrderOneBarApart) {
    StyleModel m = Base();
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        Add(m, slot, 1, Music().Msg(0, 0xC2, static_cast<uint8_t>(slot)).Done(384));
    }
    Open(m);
    Convert();
    std::vector<std::string> order = {"Sint",   "Intro A", "Intro B", "Main A",
                                      "Main B", "Main C",  "Main D"};
    for (int fill = 0; fill < kFillCount; ++fill) {
        order.emplace_back(SectionName(FillSlot(fill)));
    }
    order.emplace_back("Ending A");
    order.emplace_back("Ending B");
    std::vector<Marker> expected;
    for (size_t i = 0; i < order.size(); ++i) {
        expected.emplace_back(order[i], 384.0 * static_cast<double>(i));
    }
    EXPECT_EQ(Markers(), expected);
    // Each marker stands before the program change of its section.
    const std::vector<MidiEvent>& events = midi_.Events();
    for (size_t i = 1; i < events.size(); ++i) {
        if (events[i].IsChannel()) {
            ASSERT_TRUE(events[i - 1].IsMeta(kMidiMetaMarker)) << i;
            EXPECT_EQ(events[i - 1].tick, events[i].tick);
            EXPECT_EQ(FindSectionSlot(midi_.MetaData(events[i - 1])), events[i].Data1());
        }
    }
}

TEST_F(StyleToMidiTest, SectionsRunningPastOrStoppingShortKeepMarkersOnBarLines) {
    StyleModel m = Base();
    Add(m, MainSlot(0), 1, Music().Msg(0, 0xC2, 1).Msg(500, 0xB2, 7, 1).Done(0));  // 116 over
    Add(m, MainSlot(1), 1, Music().Msg(0, 0xC2, 2).Msg(200, 0xB2, 7, 2).Done(184));
    Add(m, MainSlot(2), 1, Music().Msg(0, 0xC2, 3).Msg(300, 0xB2, 7, 3).Done(84));
    Add(m, MainSlot(3), 2, Music().Msg(0, 0xC2, 4).Msg(100, 0xB2, 7, 4).Done(668));
    Add(m, EndingSlot(0), 1, Music().Msg(0, 0xC2, 5).Done(384));
    Open(m);
    Convert();
    EXPECT_EQ(Markers(), (std::vector<Marker>{{"Sint", 0},
                                              {"Main A", 384},
                                              {"Main B", 768},
                                              {"Main C", 1152},
                                              {"Main D", 1536},
                                              {"Ending A", 2304}}));
    // Main B starts after Main A's last event, 116 ticks behind its marker.
    EXPECT_EQ(Channel()[1], (std::pair<double, uint32_t>{884, 0x0107B2}));
    EXPECT_EQ(Channel()[2], (std::pair<double, uint32_t>{884, 0x02C2}));

    // An overlap longer than the next section: its marker cannot go back before what is
    // written, and the events after it keep their times.
    StyleModel far = Base();
    Add(far, MainSlot(0), 1, Music().Msg(0, 0xC2, 1).Msg(1000, 0xB2, 7, 1).Done(0));
    Add(far, FillSlot(0), 1, Music().Msg(0, 0xC2, 2).Msg(10, 0xC2, 3).Done(374));
    Add(far, EndingSlot(0), 1, Music().Msg(0, 0xC2, 4).Done(384));
    Open(far);
    Convert();
    EXPECT_EQ(Markers(),
              (std::vector<Marker>{
                  {"Sint", 0}, {"Main A", 384}, {"Fill In AA", 768}, {"Ending A", 1384}}));
    EXPECT_EQ(Channel()[3], (std::pair<double, uint32_t>{1394, 0x03C2}));
}

TEST_F(StyleToMidiTest, RandomStylesReadBackWithAMarkerPerSection) {
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        const StyleModel m = test::RandomStyle(seed);
        Open(m);
        Convert();
        const std::vector<Marker> markers = Markers();
        size_t present = 0;
        for (const StyleSection& section : m.sections) {
            present += section.present ? 1 : 0;
        }
        ASSERT_EQ(markers.size(), present + 1) << seed;
        for (size_t i = 1; i < markers.size(); ++i) {
            EXPECT_LE(markers[i - 1].second, markers[i].second) << seed;
        }
    }
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(StyleToMidiTest, BadMusicDataAndWrongAddresses) {
    StyleModel m = Base();
    Add(m, MainSlot(0), 1,
        Music().Msg(0, 0x99, 36, 100).Msg(0, 0x99, 38, 100).Msg(5, 0xC2, 1).Raw({0, 0xF4}).Done(0));
    Add(m, MainSlot(1), 1, Music().Msg(0, 0xC2, 2).Done(384));
    Open(m);
    Convert();
    // Shown once; the events before the fault stay, the rhythm notes end where reading did.
    EXPECT_EQ(reporter_.Messages(),
              (std::vector<Message>{{Icon::Error, "Error", "Invalide music data ", false}}));
    EXPECT_EQ(Channel().size(), 6u);
    EXPECT_EQ(Channel()[2], (std::pair<double, uint32_t>{389, 0x002499}));
    EXPECT_EQ(Channel()[3], (std::pair<double, uint32_t>{389, 0x002699}));

    // Main B's music data said to lie past the end of the file: it yields nothing.
    Bytes style = test::Serialized(m);
    const size_t control = AsText(style).find("CtlS") + 6;
    const size_t leadInField = (control + 5 + 3) / 4 * 4;  // after the one group byte
    style[leadInField + 8] = 0xF0;
    style[leadInField + 9] = 0xFF;
    WriteFile(dir_ / "s.sty", AsText(style));
    reporter_.Clear();
    ASSERT_TRUE(converter_.Open(dir_ / "s.sty", reporter_));
    Convert();
    EXPECT_EQ(reporter_.Texts(),
              (std::vector<std::string>{"Invalide music data ", "A wrong address detected"}));
    EXPECT_EQ(Markers().back().first, "Main A");
}

TEST_F(StyleToMidiTest, SavingOneTouchDescriptionAndMidiFiles) {
    StyleModel m = Base();
    m.oneTouch[1][2].volume = 0;
    Add(m, MainSlot(0), 1, Music().Done(384));
    Open(m);
    using Result = StyleToMidi::SaveResult;
    EXPECT_EQ(converter_.Save(ConversionMode::OneTouch, dir_ / "x.txt", reporter_),
              Result::Written);
    const std::string ots = ReadFile(dir_ / "x.ots");
    ASSERT_EQ(ots.size(), 144u);
    for (size_t entry = 0; entry < 16; ++entry) {
        EXPECT_EQ(ots[entry * 9], entry == 1 * 4 + 2 ? 0 : 1) << entry;
    }
    EXPECT_EQ(converter_.Save(ConversionMode::OneTouch, dir_ / ".ots", reporter_),
              Result::NameEmpty);
    reporter_.ScriptAnswers({Answer::No});
    EXPECT_EQ(converter_.Save(ConversionMode::OneTouch, dir_ / "x.ots", reporter_),
              Result::Declined);
    EXPECT_EQ(
        reporter_.Messages(),
        (std::vector<Message>{
            {Icon::Information, "SaveOts", "The file name can't be null", false},
            {Icon::Question, "SaveOts", "This file is exist, do you want to continue?", true}}));

    EXPECT_EQ(converter_.Save(ConversionMode::Description, dir_ / "d", reporter_), Result::Written);
    DscFile dsc;
    StyleModel unused;
    ASSERT_TRUE(dsc.read(dir_ / "d.dsc", false, unused, reporter_));
    EXPECT_EQ(dsc, DscFile::FromStyle(converter_.Style()));

    // MIDI: a "log.txt" beside it (the user's own file) stays; a target that cannot be made is
    // reported.
    WriteFile(dir_ / "log.txt", "old");
    EXPECT_EQ(converter_.Save(ConversionMode::Midi, dir_ / "t.MID", reporter_), Result::Written);
    EXPECT_EQ(ReadFile(dir_ / "log.txt"), "old");
    EXPECT_TRUE(midi_.load(dir_ / "t.mid", reporter_));
    reporter_.Clear();
    EXPECT_FALSE(converter_.Convert(ConversionMode::Midi, dir_ / "no" / "t.mid", reporter_));
    EXPECT_EQ(reporter_.Messages(),
              (std::vector<Message>{{Icon::Error, "Error", "Create midi file failed", false}}));

    // Too large a file is refused rather than built.
    reporter_.Clear();
    converter_.SetOutputLimit(30);
    EXPECT_FALSE(converter_.BuildMidi(reporter_));
    EXPECT_EQ(reporter_.Texts(), (std::vector<std::string>{"The MIDI file would be too large"}));
    converter_.SetOutputLimit(MidiFile::kMaxFileBytes);

    // No style open: the language's text under the save's caption.
    LanguageTable language;
    language.SetLanguages({{"English", test::SourceResources() / "lang" / "English.ini"}});
    language.SetIndex(LanguageTable::kEnglish);
    reporter_.Clear();
    EXPECT_TRUE(converter_.CheckOpen(ConversionMode::Midi, language, reporter_));
    EXPECT_FALSE(StyleToMidi().CheckOpen(ConversionMode::Description, language, reporter_));
    EXPECT_EQ(
        reporter_.Messages(),
        (std::vector<Message>{{Icon::Warning, "SaveDSC",
                               "No style file is open.\nPlease open a style file first.", false}}));

    // The style changed since it was opened: checked again, nothing written.
    WriteFile(dir_ / "s.sty", "MSF junk");
    reporter_.Clear();
    EXPECT_EQ(converter_.Save(ConversionMode::Midi, dir_ / "u", reporter_), Result::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "u.mid"));
    EXPECT_FALSE(reporter_.Empty());
}

}  // namespace
}  // namespace veltrano
