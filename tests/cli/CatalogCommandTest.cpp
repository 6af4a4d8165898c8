#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/Process.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::BuiltProgram;
using test::RunProgram;
using test::TempDir;

class CatalogCommandTest : public ::testing::Test {
protected:
    test::ProcessResult Cli(const std::vector<std::string>& args) {
        return RunProgram(BuiltProgram("veltrano-cli").string(), args,
                          {"VELTRANO_HOME=" + home_.Path().string()});
    }
    TempDir home_;
};

TEST_F(CatalogCommandTest, JsonOfTheBundledCatalogueInBothLanguages) {
    const auto english = Cli({"catalog", "--json"});
    ASSERT_EQ(english.exitCode, 0) << english.err;
    // The empty home was seeded from the bundled resources, and only with them.
    EXPECT_TRUE(std::filesystem::exists(home_ / "Cnfg.ini"));
    EXPECT_TRUE(std::filesystem::exists(home_ / "Presets" / "Default" / "VOICETAB_CN.INI"));
    EXPECT_FALSE(std::filesystem::exists(home_ / "veltrano-cli"));

    const auto json = nlohmann::json::parse(english.out);
    ASSERT_TRUE(json.contains("voices"));
    const auto& first = json["voices"][0];
    for (const char* field : {"number", "name", "display", "msb", "lsb", "program", "drum"}) {
        EXPECT_TRUE(first.contains(field)) << field;
    }
    EXPECT_EQ(first["display"], "001 " + first["name"].get<std::string>());
    EXPECT_GE(json["voiceGroups"].size(), 8u);
    EXPECT_TRUE(json["voiceGroups"][0].contains("voices"));
    for (const char* groups : {"styleGroups", "songGroups", "arpGroups", "chopperGroups"}) {
        ASSERT_FALSE(json[groups].empty()) << groups;
        EXPECT_TRUE(json[groups][0].contains("names")) << groups;
    }
    EXPECT_EQ(json["arpGroups"][0]["name"], "Normal");

    // --json after the subcommand's words, and the Chinese tables.
    const auto chinese = Cli({"catalog", "--lang", "1", "--device", "Default", "--json"});
    ASSERT_EQ(chinese.exitCode, 0) << chinese.err;
    const auto cn = nlohmann::json::parse(chinese.out);
    EXPECT_EQ(cn["voices"].size(), json["voices"].size());
    EXPECT_NE(cn["voices"][0]["name"], json["voices"][0]["name"]);
}

TEST_F(CatalogCommandTest, TextOutputAndErrors) {
    const auto text = Cli({"catalog"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Voices: "), std::string::npos);
    EXPECT_NE(text.out.find("Styles"), std::string::npos);

    EXPECT_EQ(Cli({"catalog", "--device", "No Such Device"}).exitCode, 1);
    EXPECT_EQ(Cli({"catalog", "--device", "../Presets"}).exitCode, 2);
    EXPECT_EQ(Cli({"catalog", "--lang", "7"}).exitCode, 2);
    EXPECT_EQ(Cli({"catalog", "--bogus"}).exitCode, 2);
    EXPECT_EQ(Cli({}).exitCode, 2);
    EXPECT_EQ(Cli({"--yes", "--no", "catalog"}).exitCode, 2);

    const auto version = Cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find(VELTRANO_VERSION), std::string::npos);
}

}  // namespace
}  // namespace veltrano
