#include "device/PresetCatalog.h"

#include <gtest/gtest.h>

#include "base/TextCodec.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::TempDir;
using test::WriteFile;

std::string VoiceLine(int number, int group, const std::string& name, int lsb = 0, int msb = 0,
                      int program = 0, int volume = 100, int octave = 0, int octaveL = 0) {
    return std::to_string(number) + "\t" + std::to_string(group) + "\t0\t" + name + "\t" +
           std::to_string(lsb) + "\t" + std::to_string(msb) + "\t" + std::to_string(program) +
           "\t0\t" + std::to_string(volume) + "\t40\t10\t" + std::to_string(octave) + "\t" +
           std::to_string(octaveL) + "\n";
}

// The line with a trailing comment after its last field.
std::string WithComment(std::string line) {
    line.pop_back();
    return line + "\t ; comment\n";
}

class PresetCatalogTest : public ::testing::Test {
protected:
    TempDir dir_;
    PresetCatalog catalog_;
};

TEST_F(PresetCatalogTest, VoiceTableLineRules) {
    WriteFile(dir_ / "VOICETAB.INI",
              "[GROUP NAME]\n"
              "; the groups\n"
              "  Piano  \n"
              "\n"
              "Rock&&Pop//Ballads ; escaped\n"
              "Drum Kits\n"
              "[VOICE INFO]\n" +
                  VoiceLine(1, 0, "Grand Piano", 0, 0, 0, 100, 0, 244) + ";" +
                  VoiceLine(2, 0, "Commented Out") + "\n" +
                  VoiceLine(3, 1, "Rock Organ", 1, 0, 18, 90, 12, 0) +
                  "4\t1\t0\tToo Few Fields\t0\t0\n" + VoiceLine(5, 7, "No Such Group") +
                  VoiceLine(6, 2, "Standard Kit", 0, 120, 0) +
                  VoiceLine(7, 2, "Not A Kit", 1, 120, 0) + "  " +
                  WithComment(VoiceLine(8, 0, "Bright Piano", 0, 0, 1)));
    catalog_.ReadVoiceCatalogue(dir_.Path(), 0);

    ASSERT_EQ(catalog_.VoiceGroups().size(), 3u);
    EXPECT_EQ(catalog_.VoiceGroups()[0].name, "Piano");
    EXPECT_EQ(catalog_.VoiceGroups()[1].name, "Rock&Pop Ballads");

    // Positions count the remaining non-empty lines, including those skipped as invalid.
    ASSERT_EQ(catalog_.Voices().size(), 5u);
    const VoiceEntry* grand = catalog_.FindVoiceByNumber(1);
    ASSERT_NE(grand, nullptr);
    EXPECT_EQ(grand->display, "001 Grand Piano");
    EXPECT_EQ(grand->parts[0].octave, 0);
    EXPECT_EQ(grand->parts[3].octave, 244);
    EXPECT_EQ(grand->parts[1].volume, 100);
    EXPECT_EQ(grand->parts[2].reverb, 40);
    EXPECT_EQ(grand->parts[3].chorus, 10);
    EXPECT_EQ(grand->parts[3].pan, 0);
    EXPECT_EQ(catalog_.FindVoiceByNumber(2), nullptr);
    EXPECT_EQ(catalog_.FindVoiceByNumber(4), nullptr);
    EXPECT_EQ(catalog_.FindVoiceByNumber(5), nullptr);

    const VoiceEntry* organ = catalog_.FindVoiceByDisplay("002 Rock Organ");
    ASSERT_NE(organ, nullptr);
    EXPECT_EQ(organ->bankLsb, 1);
    EXPECT_EQ(organ->bankMsb, 0);
    EXPECT_EQ(organ->program, 18);
    EXPECT_EQ(organ->parts[0].octave, 12);

    EXPECT_TRUE(catalog_.FindVoiceByNumber(6)->drum);
    EXPECT_FALSE(catalog_.FindVoiceByNumber(7)->drum);
    EXPECT_EQ(catalog_.FindVoiceByNumber(8)->display, "007 Bright Piano");

    const VoiceGroup& piano = catalog_.VoiceGroups()[0];
    EXPECT_EQ(piano.displays, (std::vector<std::string>{"001 Grand Piano", "007 Bright Piano"}));
    EXPECT_EQ(piano.first, 1);
    EXPECT_EQ(piano.last, 2);  // first + count - 1
    const VoiceGroup& kits = catalog_.VoiceGroups()[2];
    EXPECT_EQ(kits.first, 5);
    EXPECT_EQ(kits.last, 6);
}

TEST_F(PresetCatalogTest, VoicesAreOrderedByNumberEqualNumbersAfterTheFirst) {
    WriteFile(dir_ / "VOICETAB.INI", "[GROUP NAME]\nAll\n[VOICE INFO]\n" + VoiceLine(5, 0, "A") +
                                         VoiceLine(2, 0, "B") + VoiceLine(5, 0, "C") +
                                         VoiceLine(9, 0, "D") + VoiceLine(5, 0, "E") +
                                         VoiceLine(1, 0, "F"));
    catalog_.ReadVoiceCatalogue(dir_.Path(), 0);
    std::vector<std::string> names;
    for (const VoiceEntry& v : catalog_.Voices()) {
        names.push_back(v.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"F", "B", "A", "E", "C", "D"}));
    EXPECT_EQ(catalog_.VoiceGroups()[0].displays.front(), "001 A");
}

TEST_F(PresetCatalogTest, GroupLimitsAndRereadClearsEverything) {
    std::string text = "[GROUP NAME]\n";
    for (int i = 0; i < 600; ++i) {
        text += "G" + std::to_string(i) + "\n";
    }
    text += "[VOICE INFO]\n" + VoiceLine(1, 511, "Last Group") + VoiceLine(2, 512, "Past Limit");
    WriteFile(dir_ / "VOICETAB.INI", text);
    catalog_.ReadVoiceCatalogue(dir_.Path(), 0);
    EXPECT_EQ(catalog_.VoiceGroups().size(), 512u);
    EXPECT_EQ(catalog_.Voices().size(), 1u);

    std::filesystem::remove(dir_ / "VOICETAB.INI");
    catalog_.ReadVoiceCatalogue(dir_.Path(), 0);
    EXPECT_TRUE(catalog_.Voices().empty());
    EXPECT_TRUE(catalog_.VoiceGroups().empty());
}

TEST_F(PresetCatalogTest, StyleAndSongGroups) {
    std::string styles = "[STYLE NAME]\n";
    for (int i = 0; i < 6; ++i) {
        styles += std::to_string(i + 1) + "\tStyle " + std::to_string(i) + "\n";
    }
    styles +=
        "[GROUP NAME]\nPop\t0\t2\nSwing&&Jazz\t3\t5\nBackwards\t4\t3\nPast End\t5\t6\n"
        "Negative\t-1\t2\nShort\t1\nWhole\t0\t5\n";
    WriteFile(dir_ / "STYLETAB.INI", styles);
    std::string songs = "[SONG NAME]\n1\tOde\n2\n3\tCanon\n[GROUP NAME]\n";
    for (int i = 0; i < 300; ++i) {
        songs += "G" + std::to_string(i) + "\t0\t2\n";
    }
    WriteFile(dir_ / "SONGTAB.INI", songs);
    catalog_.ReadOtherCatalogues(dir_.Path(), 0);

    const auto& groups = catalog_.StyleGroups();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].name, "Pop");
    EXPECT_EQ(groups[0].names, (std::vector<std::string>{"Style 0", "Style 1", "Style 2"}));
    EXPECT_EQ(groups[1].name, "Swing&Jazz");
    EXPECT_EQ(groups[1].names.back(), "Style 5");
    EXPECT_EQ(groups[2].names.size(), 6u);

    // A line without a name keeps its place, so "Canon" stays index 2.
    ASSERT_EQ(catalog_.SongGroups().size(), 256u);
    EXPECT_EQ(catalog_.SongGroups()[0].names, (std::vector<std::string>{"Ode", "Canon"}));
}

TEST_F(PresetCatalogTest, ArpAndChopperNamesFormOneNormalGroup) {
    WriteFile(dir_ / "ARPTAB.INI", "[FILE NAME]\n1\tUp 8\n; 2\tHidden\n3\tDown 16\nbroken\n");
    catalog_.ReadOtherCatalogues(dir_.Path(), 0);
    ASSERT_EQ(catalog_.ArpGroups().size(), 1u);
    EXPECT_EQ(catalog_.ArpGroups()[0].name, "Normal");
    EXPECT_EQ(catalog_.ArpGroups()[0].names, (std::vector<std::string>{"Up 8", "Down 16"}));
    EXPECT_TRUE(catalog_.ChopperGroups().empty());  // no table, no group
    EXPECT_TRUE(catalog_.StyleGroups().empty());
}

TEST_F(PresetCatalogTest, LanguageChoosesTheTableFile) {
    WriteFile(dir_ / "VOICETAB.INI",
              "[GROUP NAME]\nPiano\n[VOICE INFO]\n" + VoiceLine(1, 0, "Grand"));
    WriteFile(dir_ / "VOICETAB_CN.INI",
              "[GROUP NAME]\n钢琴\n[VOICE INFO]\n" + VoiceLine(1, 0, "大钢琴"));
    WriteFile(dir_ / "CHPTAB.INI", "[FILE NAME]\n1\tChop\n");
    WriteFile(dir_ / "CHPTAB_CN.INI", "[FILE NAME]\n1\t切分\n");

    catalog_.ReadVoiceCatalogue(dir_.Path(), 1);
    EXPECT_EQ(catalog_.Voices()[0].name, "大钢琴");
    catalog_.ReadVoiceCatalogue(dir_.Path(), 5);  // other index: the last choice stays
    EXPECT_EQ(catalog_.Voices()[0].name, "大钢琴");
    catalog_.ReadVoiceCatalogue(dir_.Path(), 0);
    EXPECT_EQ(catalog_.Voices()[0].name, "Grand");
    catalog_.ReadVoiceCatalogue(dir_.Path(), 5);
    EXPECT_EQ(catalog_.Voices()[0].name, "Grand");

    catalog_.ReadOtherCatalogues(dir_.Path(), 5);  // other tables: Chinese for any index but 0
    EXPECT_EQ(catalog_.ChopperGroups()[0].names[0], "切分");
    catalog_.ReadOtherCatalogues(dir_.Path(), 0);
    EXPECT_EQ(catalog_.ChopperGroups()[0].names[0], "Chop");
}

TEST_F(PresetCatalogTest, LegacyCodePagesAreDecoded) {
    const auto gbk = Utf8ToLegacy(
        "[GROUP NAME]\r\n钢琴\r\n[VOICE INFO]\r\n" + VoiceLine(1, 0, "大钢琴"), CodePage::Gbk);
    ASSERT_TRUE(gbk.has_value());
    WriteFile(dir_ / "VOICETAB_CN.INI", *gbk);
    WriteFile(dir_ / "VOICETAB.INI",
              "[GROUP NAME]\r\nOrch\xE9stra\r\n[VOICE INFO]\r\n" + VoiceLine(1, 0, "Caf\xE9"));
    catalog_.ReadVoiceCatalogue(dir_.Path(), 1);
    EXPECT_EQ(catalog_.VoiceGroups()[0].name, "钢琴");
    EXPECT_EQ(catalog_.Voices()[0].display, "001 大钢琴");
    catalog_.ReadVoiceCatalogue(dir_.Path(), 0);
    EXPECT_EQ(catalog_.VoiceGroups()[0].name, "Orchéstra");
    EXPECT_EQ(catalog_.Voices()[0].name, "Café");
}

TEST_F(PresetCatalogTest, TableFileNames) {
    EXPECT_EQ(PresetCatalog::TableFileName(0, false), "VOICETAB.INI");
    EXPECT_EQ(PresetCatalog::TableFileName(4, true), "PERFTAB_CN.INI");
    EXPECT_EQ(PresetCatalog::TableFileName(5, false), "CHPTAB.INI");
    EXPECT_EQ(PresetCatalog::TableFileName(6, true), "Default.prf");
    EXPECT_EQ(PresetCatalog::TableFileName(7, false), "");
}

TEST_F(PresetCatalogTest, GarbageTablesReadAsEmpty) {
    std::string garbage = "[VOICE INFO]\n";
    for (int i = 0; i < 50000; ++i) {
        garbage.push_back(static_cast<char>((i * 131) & 0xFF));
    }
    WriteFile(dir_ / "VOICETAB.INI", garbage);
    WriteFile(dir_ / "STYLETAB.INI", "[STYLE NAME]\n" + std::string(10 * 1024 * 1024, 'x'));
    catalog_.ReadVoiceCatalogue(dir_.Path(), 0);
    catalog_.ReadOtherCatalogues(dir_.Path(), 0);
    EXPECT_TRUE(catalog_.Voices().empty());
    EXPECT_TRUE(catalog_.StyleGroups().empty());
}

}  // namespace
}  // namespace veltrano
