#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "settings/IniFile.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::BuiltProgram;
using test::RunProgram;
using test::TempDir;

class DeviceCommandTest : public ::testing::Test {
protected:
    test::ProcessResult Cli(const std::vector<std::string>& args) {
        return RunProgram(BuiltProgram("veltrano-cli").string(), args,
                          {"VELTRANO_HOME=" + home_.Path().string()});
    }
    TempDir home_;
    TempDir storage_;
};

TEST_F(DeviceCommandTest, ConnectToTheSimulatedInstrument) {
    const auto result = Cli({"device", "connect", "--sim", storage_.Path().string(), "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto identity = nlohmann::json::parse(result.out);
    EXPECT_EQ(identity["productName"], "Arranger SIM-61");
    EXPECT_EQ(identity["firmwareVersion"], "1.00");
    const fs::path folder = home_ / "Presets" / "Arranger SIM-61";
    EXPECT_EQ(identity["folder"], folder.string());
    for (const char* table :
         {"VOICETAB.INI", "VOICETAB_CN.INI", "STYLETAB.INI", "STYLETAB_CN.INI", "SONGTAB.INI",
          "SONGTAB_CN.INI", "ARPTAB.INI", "ARPTAB_CN.INI", "PERFTAB.INI", "PERFTAB_CN.INI",
          "CHPTAB.INI", "CHPTAB_CN.INI", "Default.prf", "device.ini"}) {
        EXPECT_TRUE(fs::exists(folder / table)) << table;
    }
    EXPECT_EQ(IniFile(home_ / "Cnfg.ini").GetString("LastDevice", "Device"), "Arranger SIM-61");
    // The storage folder of the instrument was laid out.
    EXPECT_TRUE(fs::is_directory(storage_ / "USER" / "STYLE"));
    EXPECT_TRUE(fs::is_directory(storage_ / "USB"));

    // Text output, and options before the subcommand's words.
    const auto text = Cli({"--sim", storage_.Path().string(), "device", "connect"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Product:     Arranger SIM-61"), std::string::npos);
    EXPECT_EQ(text.err, "");  // same firmware: nothing fetched, nothing to say

    const auto tables = Cli({"device", "tables", "--sim", storage_.Path().string()});
    ASSERT_EQ(tables.exitCode, 0) << tables.err;
    EXPECT_NE(tables.err.find("table 7 of 7"), std::string::npos);
}

TEST_F(DeviceCommandTest, FailuresAreReportedWithTheirCaption) {
    const auto refused = Cli(
        {"device", "connect", "--sim", storage_.Path().string(), "--sim-faults", "refuse-connect"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Connect: Can't be allow connect"), std::string::npos)
        << refused.err;

    const auto silent =
        Cli({"device", "connect", "--sim", storage_.Path().string(), "--sim-faults", "drop=1"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("Connect: Time out"), std::string::npos) << silent.err;

    EXPECT_EQ(
        Cli({"device", "connect", "--sim", storage_.Path().string(), "--sim-faults", "bogus=1"})
            .exitCode,
        2);
    EXPECT_EQ(Cli({"device", "connect"}).exitCode, 2);
    EXPECT_EQ(Cli({"device", "connect", "--sim", "x", "--in", "0", "--out", "0"}).exitCode, 2);
    EXPECT_EQ(Cli({"device", "connect", "--in", "No such port", "--out", "No such port"}).exitCode,
              1);
    EXPECT_EQ(Cli({"device"}).exitCode, 2);
}

TEST_F(DeviceCommandTest, FilesBothWays) {
    const std::string sim = storage_.Path().string();
    TempDir local;
    test::WriteFile(local / "tune.mid", std::string(3000, 'm'));
    const auto put =
        Cli({"device", "put", (local / "tune.mid").string(), "USER\\SONG", "--sim", sim});
    ASSERT_EQ(put.exitCode, 0) << put.err;
    EXPECT_EQ(test::ReadFile(storage_ / "USER" / "SONG" / "tune.mid"), std::string(3000, 'm'));
    EXPECT_NE(put.err.find("3/3 blocks"), std::string::npos) << put.err;

    // Sending it again asks to overwrite: --no keeps the instrument's file, --yes replaces it.
    test::WriteFile(local / "tune.mid", std::string(10, 'n'));
    ASSERT_EQ(
        Cli({"device", "put", (local / "tune.mid").string(), "USER/SONG", "--sim", sim, "--no"})
            .exitCode,
        0);
    EXPECT_EQ(test::ReadFile(storage_ / "USER" / "SONG" / "tune.mid"), std::string(3000, 'm'));
    ASSERT_EQ(
        Cli({"--yes", "device", "put", (local / "tune.mid").string(), "USER/SONG", "--sim", sim})
            .exitCode,
        0);
    EXPECT_EQ(test::ReadFile(storage_ / "USER" / "SONG" / "tune.mid"), std::string(10, 'n'));

    const auto ls = Cli({"device", "ls", "USER\\SONG", "--sim", sim, "--json"});
    ASSERT_EQ(ls.exitCode, 0) << ls.err;
    const auto listing = nlohmann::json::parse(ls.out);
    EXPECT_EQ(listing["folder"], "USER\\SONG");
    ASSERT_EQ(listing["entries"].size(), 1u);
    EXPECT_EQ(listing["entries"][0]["name"], "tune.mid");
    EXPECT_EQ(listing["entries"][0]["size"], 10);

    TempDir back;
    const auto get =
        Cli({"device", "get", "USER/SONG/tune.mid", back.Path().string(), "--sim", sim});
    ASSERT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(test::ReadFile(back / "tune.mid"), std::string(10, 'n'));
    test::WriteFile(back / "tune.mid", "mine");
    EXPECT_EQ(
        Cli({"device", "get", "USER/SONG/tune.mid", back.Path().string(), "--sim", sim, "--no"})
            .exitCode,
        0);
    EXPECT_EQ(test::ReadFile(back / "tune.mid"), "mine");

    const auto missing =
        Cli({"device", "get", "USER/SONG/none.mid", back.Path().string(), "--sim", sim});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Upload: This file is not exist: none.mid"), std::string::npos);

    ASSERT_EQ(Cli({"device", "rm", "USER\\SONG\\tune.mid", "--sim", sim}).exitCode, 0);
    EXPECT_FALSE(fs::exists(storage_ / "USER" / "SONG" / "tune.mid"));
    EXPECT_EQ(Cli({"device", "rm", "USER\\SONG\\tune.mid", "--sim", sim}).exitCode, 1);
    EXPECT_EQ(Cli({"device", "put", (local / "absent.mid").string(), "--sim", sim}).exitCode, 2);
}

}  // namespace
}  // namespace veltrano
