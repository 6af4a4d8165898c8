// The files shipped with the program: settings, both language files and the demo instrument.
#include <gtest/gtest.h>

#include <set>

#include "app/AppContext.h"
#include "app/Startup.h"
#include "base/FileIo.h"
#include "base/Text.h"
#include "base/TextCodec.h"
#include "settings/IniFile.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

// Sections and keys of a language file, in file order.
std::vector<std::pair<std::string, std::vector<std::string>>> Structure(const fs::path& file) {
    std::vector<std::pair<std::string, std::vector<std::string>>> result;
    const auto bytes = ReadFileBytes(file);
    EXPECT_TRUE(bytes.has_value()) << file;
    if (!bytes) {
        return result;
    }
    EXPECT_TRUE(IsValidUtf8(*bytes)) << file;
    IniFile ini(file);
    for (std::string_view line : SplitFields(*bytes, '\n')) {
        line = TrimBlanks(line);
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            const std::string section(line.substr(1, line.size() - 2));
            result.emplace_back(section, ini.GetSectionKeys(section));
        }
    }
    return result;
}

TEST(BundledResources, LanguageFilesHoldTheSameKeysWithTexts) {
    const fs::path lang = test::SourceResources() / "lang";
    const auto english = Structure(lang / "English.ini");
    const auto chinese = Structure(lang / "Chinese.ini");
    ASSERT_FALSE(english.empty());
    EXPECT_EQ(english, chinese);

    IniFile en(lang / "English.ini");
    IniFile cn(lang / "Chinese.ini");
    std::set<std::string> sections;
    for (const auto& [section, keys] : english) {
        EXPECT_TRUE(sections.insert(section).second) << "section twice: " << section;
        std::set<std::string> seen;
        for (const std::string& key : keys) {
            EXPECT_TRUE(key.starts_with("IDS_")) << section << "/" << key;
            EXPECT_TRUE(seen.insert(key).second) << "key twice: " << section << "/" << key;
            EXPECT_NE(en.GetString(section, key), "") << section << "/" << key;
            EXPECT_NE(cn.GetString(section, key), "") << section << "/" << key;
        }
    }
    for (const char* needed : {"Menu", "MainPanel", "EditPerformance", "CreateArpeggiator",
                               "MidiToStyle1", "MidiToStyle2", "MidiToStyle3", "StyleToMidi"}) {
        EXPECT_TRUE(sections.count(needed)) << needed;
    }
    EXPECT_EQ(en.GetString("Menu", "IDS_HELP"), "Help");
}

TEST(BundledResources, SettingsListEnglishThenChinese) {
    test::TempDir dir;
    fs::copy(test::SourceResources(), dir.Path(), fs::copy_options::recursive);
    AppContext app;
    ReadSettings(app, dir.Path());
    EXPECT_EQ(app.softwareName, "Veltrano");
    EXPECT_EQ(app.softwareVersion, VELTRANO_VERSION);
    EXPECT_EQ(app.currentDevice, "Default");
    ASSERT_EQ(app.language.Languages().size(), 2u);
    EXPECT_EQ(app.language.Languages()[0].name, "English");
    EXPECT_EQ(app.language.Languages()[1].name, "Chinese");
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_ENGLISH").empty(), false);
    app.language.SetIndex(1);
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_HELP").empty(), false);
}

TEST(BundledResources, DemoInstrumentCatalogues) {
    const fs::path device = test::SourceResources() / "Presets" / "Default";
    for (int table = 0; table < 6; ++table) {
        for (bool chinese : {false, true}) {
            const auto bytes = ReadFileBytes(device / PresetCatalog::TableFileName(table, chinese));
            ASSERT_TRUE(bytes.has_value()) << table << chinese;
            EXPECT_TRUE(IsValidUtf8(*bytes));
            EXPECT_EQ(bytes->find('\r'), std::string::npos) << "bundled tables use LF";
        }
    }
    EXPECT_TRUE(fs::exists(device / "device.ini"));

    for (int language : {0, 1}) {
        PresetCatalog catalog;
        catalog.ReadVoiceCatalogue(device, language);
        catalog.ReadOtherCatalogues(device, language);
        EXPECT_GE(catalog.Voices().size(), 128u + 4u);
        int kits = 0;
        std::set<int> gmPrograms;
        for (const VoiceEntry& v : catalog.Voices()) {
            kits += v.drum ? 1 : 0;
            if (v.bankMsb == 0 && v.bankLsb == 0) {
                gmPrograms.insert(v.program);
            }
        }
        EXPECT_GE(kits, 4);
        EXPECT_EQ(gmPrograms.size(), 128u);
        EXPECT_GE(catalog.VoiceGroups().size(), 8u);
        size_t styles = 0;
        for (const NameGroup& g : catalog.StyleGroups()) {
            styles += g.names.size();
        }
        EXPECT_GE(styles, 24u);
        EXPECT_GE(catalog.StyleGroups().size(), 4u);
        EXPECT_FALSE(catalog.SongGroups().empty());
        ASSERT_EQ(catalog.ArpGroups().size(), 1u);
        EXPECT_FALSE(catalog.ArpGroups()[0].names.empty());
        ASSERT_EQ(catalog.ChopperGroups().size(), 1u);
        EXPECT_FALSE(catalog.ChopperGroups()[0].names.empty());
    }
}

}  // namespace
}  // namespace veltrano
