#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class IniFileTest : public ::testing::Test {
protected:
    IniFile Make(std::string_view text) {
        WriteFile(dir_ / "test.ini", text);
        return IniFile(dir_ / "test.ini");
    }
    std::string Content() const { return ReadFile(dir_ / "test.ini"); }

    TempDir dir_;
};

TEST_F(IniFileTest, LookupRules) {
    IniFile ini = Make(
        "orphan=before any section\n"
        "[Option]\n"
        "  LanguageID = 1  \n"
        "languageid=2\n"
        "Quoted=\"  spaced  \"\n"
        "Single='x'\n"
        "Half=\"open\n"
        "NoEquals\n"
        "[option]\n"
        "Other=second section with the same name\n");
    // Case-insensitive names, blanks around names and values trimmed, first match wins.
    EXPECT_EQ(ini.GetString("OPTION", "languageID"), "1");
    EXPECT_EQ(ini.GetString(" Option ", "LanguageID"), "1");
    // The first section of a name is the only one searched.
    EXPECT_EQ(ini.GetString("Option", "Other", "dflt"), "dflt");
    EXPECT_EQ(ini.GetString("Option", "orphan", "dflt"), "dflt");
    // One pair of matching quotes is removed; an unmatched quote stays.
    EXPECT_EQ(ini.GetString("Option", "Quoted"), "  spaced  ");
    EXPECT_EQ(ini.GetString("Option", "Single"), "x");
    EXPECT_EQ(ini.GetString("Option", "Half"), "\"open");
    EXPECT_EQ(ini.GetString("Option", "NoEquals", "d"), "d");
    EXPECT_EQ(ini.GetString("Missing", "Key"), "");
}

TEST_F(IniFileTest, CrLfAndLfReadAlike) {
    IniFile crlf = Make("[A]\r\nKey=value\r\nNext=2\r\n");
    EXPECT_EQ(crlf.GetString("A", "Key"), "value");
    EXPECT_EQ(crlf.GetInt("A", "Next", 0), 2);
    EXPECT_EQ(crlf.GetSectionKeys("A"), (std::vector<std::string>{"Key", "Next"}));
}

TEST_F(IniFileTest, LongValuesAreReadWhole) {
    const std::string longValue(600, 'v');
    const std::string huge(10 * 1024 * 1024, 'h');
    IniFile ini = Make("[S]\nLong=" + longValue + "\nHuge=" + huge + "\nAfter=ok\n");
    EXPECT_EQ(ini.GetString("S", "Long"), longValue);
    EXPECT_EQ(ini.GetString("S", "Huge").size(), huge.size());
    EXPECT_EQ(ini.GetString("S", "After"), "ok");
}

TEST_F(IniFileTest, IntegerConversions) {
    IniFile ini = Make(
        "[N]\nDec=42\nNeg=-1\nHex=1f\nHex0x=0x1F\nBin=101\nOct=17\nJunk=abc\nTail=12abc\n"
        "Empty=\nBig=99999999999\nLong=" +
        std::string(64, '1') + "9\n");
    EXPECT_EQ(ini.GetInt("N", "Dec", 7), 42);
    EXPECT_EQ(ini.GetInt("N", "Neg", 7), -1);  // the device class of a never-connected device
    EXPECT_EQ(ini.GetInt("N", "Hex", 0, 16), 31);
    EXPECT_EQ(ini.GetInt("N", "Hex0x", 0, 16), 31);
    EXPECT_EQ(ini.GetInt("N", "Bin", 0, 2), 5);
    EXPECT_EQ(ini.GetInt("N", "Oct", 0, 8), 15);
    EXPECT_EQ(ini.GetInt("N", "Dec", 0, 3), 42);  // unknown bases mean decimal
    EXPECT_EQ(ini.GetInt("N", "Hex", 0, 10), 1);
    EXPECT_EQ(ini.GetInt("N", "Junk", 7), 0);
    EXPECT_EQ(ini.GetInt("N", "Tail", 7), 12);
    EXPECT_EQ(ini.GetInt("N", "Empty", 7), 7);
    EXPECT_EQ(ini.GetInt("N", "Missing", 7), 7);
    EXPECT_EQ(ini.GetInt("N", "Big", 7), -1);  // saturates like the unsigned conversion
    // Only the first 64 characters count: 64 ones in base 2 saturate, the 9 is never seen.
    EXPECT_EQ(ini.GetInt("N", "Long", 0, 2), -1);
}

TEST_F(IniFileTest, BooleanWords) {
    IniFile ini = Make("[Option]\nA=Yes\nB=TRUE\nC=2\nD=0\nE=no\nF=\nG=true \n");
    EXPECT_TRUE(ini.GetBool("Option", "A", false));
    EXPECT_TRUE(ini.GetBool("Option", "B", false));
    EXPECT_TRUE(ini.GetBool("Option", "C", false));
    EXPECT_FALSE(ini.GetBool("Option", "D", true));
    EXPECT_FALSE(ini.GetBool("Option", "E", true));
    EXPECT_TRUE(ini.GetBool("Option", "F", true));
    EXPECT_FALSE(ini.GetBool("Option", "F", false));
    EXPECT_TRUE(ini.GetBool("Option", "G", false));
    EXPECT_TRUE(ini.GetBool("Option", "Missing", true));
}

TEST_F(IniFileTest, SectionKeysInFileOrder) {
    IniFile ini = Make(
        "[Language]\n"
        " English = lang/English.ini\n"
        "=no name\n"
        "no equals sign\n"
        "\tChinese\t=lang/Chinese.ini\n"
        "[Next]\nX=1\n");
    EXPECT_EQ(ini.GetSectionKeys("language"), (std::vector<std::string>{"English", "Chinese"}));
    EXPECT_TRUE(ini.GetSectionKeys("Absent").empty());
    EXPECT_EQ(ini.GetSectionLines("Language").size(), 4u);
}

TEST_F(IniFileTest, WriteCreatesFileAndSection) {
    IniFile ini(dir_ / "new.ini");
    ASSERT_TRUE(ini.WriteString("Option", "LanguageID", "1"));
    ASSERT_TRUE(ini.WriteString("LastDevice", "Device", "Arranger X"));
    EXPECT_EQ(ReadFile(dir_ / "new.ini"),
              "[Option]\nLanguageID=1\n[LastDevice]\nDevice=Arranger X\n");
    EXPECT_EQ(ini.GetString("lastdevice", "device"), "Arranger X");
}

TEST_F(IniFileTest, WriteKeepsEveryOtherLine) {
    const std::string original =
        "; settings\r\n"
        "[Option]\r\n"
        "  TransmitFunc = 1 ; keep\r\n"
        "LanguageID=0\r\n"
        "Unknown=keep me\r\n"
        "\r\n"
        "[Language]\r\n"
        "English=lang/English.ini";  // no line end on the last line
    IniFile ini = Make(original);
    ASSERT_TRUE(ini.WriteInt("option", "languageid", 1));
    ASSERT_TRUE(ini.WriteString("Option", "MidiDevInID", "3"));
    ASSERT_TRUE(ini.WriteString("Language", "Chinese", "lang/Chinese.ini"));
    EXPECT_EQ(Content(),
              "; settings\r\n"
              "[Option]\r\n"
              "  TransmitFunc = 1 ; keep\r\n"
              "LanguageID=1\r\n"
              "Unknown=keep me\r\n"
              "MidiDevInID=3\r\n"
              "\r\n"
              "[Language]\r\n"
              "English=lang/English.ini\r\n"
              "Chinese=lang/Chinese.ini\r\n");
}

TEST_F(IniFileTest, WrittenValuesCannotStartNewLines) {
    IniFile ini = Make("[LastDevice]\nDevice=Old\n");
    ASSERT_TRUE(ini.WriteString("LastDevice", "Device", "Evil\r\n[Option]\nTransmitFunc=0"));
    EXPECT_EQ(ini.GetString("LastDevice", "Device"), "Evil[Option]TransmitFunc=0");
    EXPECT_FALSE(ini.HasSection("Option"));
    EXPECT_EQ(Content(), "[LastDevice]\nDevice=Evil[Option]TransmitFunc=0\n");
    // Names that cannot be written back as names are refused and nothing changes.
    EXPECT_FALSE(ini.WriteString("", "Key", "v"));
    EXPECT_FALSE(ini.WriteString("Sec", "", "v"));
    EXPECT_FALSE(ini.WriteString("Sec]tion", "Key", "v"));
    EXPECT_FALSE(ini.WriteString("Sec", "Key=1", "v"));
    EXPECT_FALSE(ini.WriteString("Sec\n[Other", "Key", "v"));
    EXPECT_FALSE(ini.WriteString("Sec", "[Key", "v"));
    EXPECT_EQ(Content(), "[LastDevice]\nDevice=Evil[Option]TransmitFunc=0\n");
}

TEST_F(IniFileTest, WriteIntBases) {
    EXPECT_EQ(IniFile::FormatInt(5, 2), "101");
    EXPECT_EQ(IniFile::FormatInt(0, 2), "0");
    EXPECT_EQ(IniFile::FormatInt(-1, 2), std::string(32, '1'));
    EXPECT_EQ(IniFile::FormatInt(15, 8), "17");
    EXPECT_EQ(IniFile::FormatInt(255, 16), "FF");
    EXPECT_EQ(IniFile::FormatInt(-5, 10), "-5");
    EXPECT_EQ(IniFile::FormatInt(12, 7), "12");
    IniFile ini(dir_ / "n.ini");
    ASSERT_TRUE(ini.WriteInt("N", "Hex", 255, 16));
    EXPECT_EQ(ini.GetInt("N", "Hex", 0, 16), 255);
}

TEST_F(IniFileTest, SeesChangesMadeBehindItsBack) {
    IniFile reader = Make("[A]\nKey=1\n");
    EXPECT_EQ(reader.GetString("A", "Key"), "1");
    IniFile writer(dir_ / "test.ini");
    ASSERT_TRUE(writer.WriteString("A", "Key", "a much longer value"));
    EXPECT_EQ(reader.GetString("A", "Key"), "a much longer value");
}

TEST_F(IniFileTest, HostileFilesGiveDefaults) {
    std::string garbage;
    for (int i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    }
    IniFile binary = Make(garbage);
    EXPECT_EQ(binary.GetString("Option", "LanguageID", "d"), "d");
    EXPECT_EQ(binary.GetInt("Option", "LanguageID", 9), 9);

    IniFile missing(dir_ / "absent.ini");
    EXPECT_EQ(missing.GetString("A", "B", "d"), "d");
    EXPECT_TRUE(missing.GetSectionKeys("A").empty());

    // A folder where the file should be cannot be read or replaced.
    std::filesystem::create_directory(dir_ / "folder.ini");
    IniFile folder(dir_ / "folder.ini");
    EXPECT_EQ(folder.GetString("A", "B", "d"), "d");
    EXPECT_FALSE(folder.WriteString("A", "B", "c"));

    IniFile none;
    EXPECT_EQ(none.GetString("A", "B", "d"), "d");
    EXPECT_FALSE(none.WriteString("A", "B", "c"));

    // A missing folder is not created by a write.
    IniFile deep(dir_ / "no" / "such" / "x.ini");
    EXPECT_FALSE(deep.WriteString("A", "B", "c"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "no"));
}

TEST_F(IniFileTest, InMemoryTextIsReadOnly) {
    IniFile ini = IniFile::FromText("[A]\r\nB=c\r\n");
    EXPECT_EQ(ini.GetString("A", "B"), "c");
    EXPECT_FALSE(ini.WriteString("A", "B", "d"));
}

}  // namespace
}  // namespace veltrano
