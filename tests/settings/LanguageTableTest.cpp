#include "settings/LanguageTable.h"

#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "app/Startup.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class LanguageTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir_ / "lang" / "en.ini",
                  "[Menu]\nIDS_FILE=File\nIDS_TWO=first\\nsecond\nIDS_SLASH=a\\b\\\n"
                  "[MainPanel]\nIDS_OK=OK\n");
        WriteFile(dir_ / "lang" / "cn.ini", "[Menu]\nIDS_FILE=文件\n");
    }
    TempDir dir_;
};

TEST_F(LanguageTableTest, BackslashNIsALineBreakAndNothingElseChanges) {
    WriteFile(dir_ / "Cnfg.ini", "[Language]\nEnglish=lang/en.ini\nChinese=lang/cn.ini\n");
    AppContext app;
    ReadSettings(app, dir_.Path());
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_TWO"), "first\nsecond");
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_SLASH"), "a\\b\\");
}

TEST_F(LanguageTableTest, NoFallbackAcrossSectionsOrLanguages) {
    WriteFile(dir_ / "Cnfg.ini", "[Language]\nEnglish=lang/en.ini\nChinese=lang/cn.ini\n");
    AppContext app;
    ReadSettings(app, dir_.Path());
    EXPECT_EQ(app.language.LookupText("MainPanel", "IDS_OK"), "OK");
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_OK"), "");
    app.language.SetIndex(1);
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_FILE"), "文件");
    EXPECT_EQ(app.language.LookupText("MainPanel", "IDS_OK"), "");
}

TEST_F(LanguageTableTest, SwitchingLanguageIsWrittenAtOnceAndUsedNextStart) {
    WriteFile(dir_ / "Cnfg.ini",
              "; keep\n[Option]\nLanguageID=0\n[Language]\nEnglish=lang/en.ini\n"
              "Chinese=lang/cn.ini\n");
    {
        AppContext app;
        ReadSettings(app, dir_.Path());
        app.language.SelectLanguage(1, app.config);
        EXPECT_EQ(app.language.LookupText("Menu", "IDS_FILE"), "文件");
    }
    EXPECT_EQ(ReadFile(dir_ / "Cnfg.ini"),
              "; keep\n[Option]\nLanguageID=1\n[Language]\nEnglish=lang/en.ini\n"
              "Chinese=lang/cn.ini\n");
    AppContext next;
    ReadSettings(next, dir_.Path());
    EXPECT_EQ(next.language.Index(), 1);
    EXPECT_EQ(next.language.LookupText("Menu", "IDS_FILE"), "文件");
}

TEST_F(LanguageTableTest, ChoosingALanguageThatIsNotListedEmptiesEveryText) {
    WriteFile(dir_ / "Cnfg.ini", "[Language]\nEnglish=lang/en.ini\n");
    AppContext app;
    ReadSettings(app, dir_.Path());
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_FILE"), "File");
    app.language.SelectLanguage(1, app.config);
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_FILE"), "");
    EXPECT_EQ(app.config.LanguageId(), 1);
}

TEST(LanguageCommands, IdentifiersAndHelpFiles) {
    EXPECT_EQ(LanguageTable::LanguageOfCommand(5500), 0);
    EXPECT_EQ(LanguageTable::LanguageOfCommand(5515), 15);
    EXPECT_EQ(LanguageTable::LanguageOfCommand(5516), -1);
    EXPECT_EQ(LanguageTable::LanguageOfCommand(5499), -1);
    EXPECT_EQ(LanguageTable::HelpFileStem(0), std::filesystem::path("Help") / "Help_En");
    EXPECT_EQ(LanguageTable::HelpFileStem(1), std::filesystem::path("Help") / "Help_Ch");
    EXPECT_EQ(LanguageTable::HelpFileStem(7), std::filesystem::path("Help") / "Help_Ch");
}

}  // namespace
}  // namespace veltrano
