#include "app/Startup.h"

#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class StartupTest : public ::testing::Test {
protected:
    AppContext Start(std::string_view config) {
        WriteFile(dir_ / "Cnfg.ini", config);
        AppContext app;
        ReadSettings(app, dir_.Path());
        return app;
    }
    TempDir dir_;
};

TEST_F(StartupTest, MissingSettingsFileGivesDefaults) {
    AppContext app;
    ReadSettings(app, dir_.Path());
    EXPECT_EQ(app.currentDevice, "Default");
    EXPECT_EQ(app.deviceList, (std::vector<std::string>{"Default"}));
    EXPECT_TRUE(app.transmitFunc);
    EXPECT_TRUE(app.language.Languages().empty());
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_FILE"), "");
    EXPECT_EQ(app.profile.Values(), DeviceProfileValues{});
    EXPECT_EQ(app.profile.Values().deviceClass, -1);
    EXPECT_EQ(app.DeviceFolder(), dir_.Path() / "Presets" / "Default");
}

TEST_F(StartupTest, DeviceListHoldsEachNameOnceCurrentFirst) {
    AppContext app = Start(
        "[LastDevice]\nDevice=Arranger B\n"
        "[DeviceList]\nDevice0=Arranger A\nDevice1=Arranger B\nDevice2=\nDevice3=Arranger A\n"
        "Device4=arranger a\nDevice9=Arranger C\nDevice10=Ignored\n");
    EXPECT_EQ(app.currentDevice, "Arranger B");
    // Names compare exactly: a different letter case is a different model.
    EXPECT_EQ(app.deviceList,
              (std::vector<std::string>{"Arranger B", "Arranger A", "arranger a", "Arranger C"}));
}

TEST_F(StartupTest, EmptyLastDeviceMeansDefault) {
    AppContext app = Start("[LastDevice]\nDevice=\n[DeviceList]\nDevice0=Arranger A\n");
    EXPECT_EQ(app.currentDevice, "Default");
    EXPECT_EQ(app.deviceList, (std::vector<std::string>{"Default", "Arranger A"}));
}

TEST_F(StartupTest, DeviceNameThatIsNoFolderNameIsNotUsed) {
    for (const char* name : {"..", "../../etc", "a/b", "a\\b"}) {
        AppContext app = Start(std::string("[LastDevice]\nDevice=") + name + "\n");
        EXPECT_EQ(app.currentDevice, "Default") << name;
    }
}

TEST_F(StartupTest, SoftwareTextsAndTransmitSwitch) {
    AppContext app = Start(
        "[Software]\nSoftwareName=Veltrano\nSoftwareVersion=1.2\nSoftwareCopyright=(c) us\n"
        "[Option]\nTransmitFunc=no\n");
    EXPECT_EQ(app.softwareName, "Veltrano");
    EXPECT_EQ(app.softwareVersion, "1.2");
    EXPECT_EQ(app.softwareCopyright, "(c) us");
    EXPECT_FALSE(app.transmitFunc);
}

TEST_F(StartupTest, LanguageListAndIndex) {
    std::string config = "[Option]\nLanguageID=1\n[Language]\n";
    for (int i = 0; i < 18; ++i) {
        config += "Lang" + std::to_string(i) + "=lang/l" + std::to_string(i) + ".ini\n";
    }
    WriteFile(dir_ / "lang" / "l1.ini", "[Menu]\nIDS_FILE=File one\n");
    AppContext app = Start(config);
    ASSERT_EQ(app.language.Languages().size(), 16u);
    EXPECT_EQ(app.language.Languages()[15].name, "Lang15");
    EXPECT_EQ(app.language.Languages()[1].path, dir_.Path() / "lang" / "l1.ini");
    EXPECT_EQ(app.language.Index(), 1);
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_FILE"), "File one");
}

TEST_F(StartupTest, LanguageIndexPastTheListGivesEmptyTexts) {
    WriteFile(dir_ / "en.ini", "[Menu]\nIDS_FILE=File\n");
    AppContext app = Start("[Option]\nLanguageID=5\n[Language]\nEnglish=en.ini\n");
    EXPECT_EQ(app.language.Index(), 5);
    EXPECT_EQ(app.language.LookupText("Menu", "IDS_FILE"), "");
}

TEST_F(StartupTest, DeviceProfileOfTheCurrentDevice) {
    WriteFile(dir_ / "Presets" / "Arranger A" / "device.ini",
              "[Firmware]\nFirmwareVersion=V1.02\nProductName=Arranger A\nDeviceID=513\n"
              "[Connect]\nDeviceClass=2\nControllerKnob=4\nKbdRangeL=36\nKbdRangeH=96\n");
    AppContext app = Start("[LastDevice]\nDevice=Arranger A\n");
    const DeviceProfileValues& v = app.profile.Values();
    EXPECT_EQ(v.firmwareVersion, "V1.02");
    EXPECT_EQ(v.productName, "Arranger A");
    EXPECT_EQ(v.deviceId, 513);
    EXPECT_EQ(v.deviceClass, 2);
    EXPECT_EQ(v.controllerKnob, 4);
    EXPECT_EQ(v.controllerPad, 0);
    EXPECT_EQ(v.kbdRangeL, 36);
    EXPECT_EQ(v.kbdRangeH, 96);
}

TEST_F(StartupTest, DeviceProfileWritesEveryKeyAndReadsThemBack) {
    DeviceProfile profile;
    const auto folder = dir_.Path() / "Presets" / "X";
    std::filesystem::create_directories(folder);
    profile.Read(folder);
    DeviceProfileValues values;
    values.firmwareVersion = "V2";
    values.productName = "X";
    values.deviceId = 1;
    values.deviceClass = 0;
    values.controllerTypes = 3;
    values.controllerPedal = 2;
    values.controllerKnob = 6;
    values.controllerPad = 12;
    values.controllerPitchbend = 1;
    values.knobFunctionGroups = 4;
    values.knobCustomGroup = 3;
    values.kbdRangeL = 28;
    values.kbdRangeH = 103;
    ASSERT_TRUE(profile.Write(values));
    DeviceProfile again;
    again.Read(folder);
    EXPECT_EQ(again.Values(), values);
    EXPECT_NE(ReadFile(folder / "device.ini").find("[Connect]"), std::string::npos);
}

TEST_F(StartupTest, LoadModelsReadsTheCurrentDevicesCatalogues) {
    WriteFile(dir_ / "Presets" / "Default" / "VOICETAB.INI",
              "[GROUP NAME]\nPiano\n[VOICE INFO]\n1\t0\t0\tGrand\t0\t0\t0\t0\t100\t40\t0\t0\t0\n");
    WriteFile(dir_ / "Presets" / "Default" / "ARPTAB.INI", "[FILE NAME]\n1\tUp\n");
    AppContext app;
    ReadSettings(app, dir_.Path());
    LoadModels(app);
    ASSERT_EQ(app.catalog.Voices().size(), 1u);
    EXPECT_EQ(app.catalog.Voices()[0].display, "001 Grand");
    ASSERT_EQ(app.catalog.ArpGroups().size(), 1u);
    EXPECT_EQ(app.catalog.ArpGroups()[0].names, (std::vector<std::string>{"Up"}));
}

}  // namespace
}  // namespace veltrano
