#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/IniFile.h"
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
    for (const char* table : {"VOICETAB.INI", "VOICETAB_CN.INI", "STYLETAB.INI",
                              "STYLETAB_CN.INI", "SONGTAB.INI", "SONGTAB_CN.INI", "ARPTAB.INI",
                              "ARPTAB_CN.INI", "PERFTAB.INI", "PERFTAB_CN.INI", "CHPTAB.INI",
                              "CHPTAB_CN.INI", "Default.prf", "device.ini"}) {
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
    const auto refused = Cli({"device", "connect", "--sim", storage_.Path().string(),
                              "--sim-faults", "refuse-connect"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Connect: Can't be allow connect"), std::string::npos)
        << refused.err;

    const auto silent = Cli({"device", "connect", "--sim", storage_.Path().string(),
                             "--sim-faults", "drop=1"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("Connect: Time out"), std::string::npos) << silent.err;

    EXPECT_EQ(Cli({"device", "connect", "--sim", storage_.Path().string(), "--sim-faults",
                   "bogus=1"})
                  .exitCode,
              2);
    EXPECT_EQ(Cli({"device", "connect"}).exitCode, 2);
    EXPECT_EQ(Cli({"device", "connect", "--sim", "x", "--in", "0", "--out", "0"}).exitCode, 2);
    EXPECT_EQ(Cli({"device", "connect", "--in", "No such port", "--out", "No such port"}).exitCode,
              1);
    EXPECT_EQ(Cli({"device"}).exitCode, 2);
}

}  // namespace
}  // namespace veltrano
