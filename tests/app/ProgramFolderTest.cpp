#include "app/ProgramFolder.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(ProgramFolder, Choice) {
    TempDir dir;
    const fs::path exe = dir / "bin";
    fs::create_directories(exe);
    ProgramFolderInputs inputs{{}, exe, dir / "user"};

    // Installed: the per-user folder, seeded from <prefix>/share/veltrano.
    ProgramFolderChoice choice = ChooseProgramFolder(inputs);
    EXPECT_EQ(choice.folder, dir / "user");
    EXPECT_EQ(choice.resources, dir / "share" / "veltrano");

    // Portable: the executable's folder holds Cnfg.ini.
    WriteFile(exe / "Cnfg.ini", "");
    choice = ChooseProgramFolder(inputs);
    EXPECT_EQ(choice.folder, exe);
    EXPECT_EQ(choice.resources, exe);

    // The environment's choice wins over both.
    inputs.homeOverride = dir / "home";
    choice = ChooseProgramFolder(inputs);
    EXPECT_EQ(choice.folder, dir / "home");
    EXPECT_EQ(choice.resources, exe);
}

TEST(ProgramFolder, SeedingCopiesTheListedResourcesAndKeepsUserFiles) {
    TempDir dir;
    const fs::path res = dir / "bin";
    WriteFile(res / "Cnfg.ini", "[Software]\nSoftwareName=Veltrano\n");
    WriteFile(res / "lang" / "English.ini", "[Menu]\n");
    WriteFile(res / "Presets" / "Default" / "device.ini", "[Connect]\n");
    WriteFile(res / "veltrano-cli", "a program, not a resource");
    WriteFile(res / "resources.manifest",
              "Cnfg.ini\nlang/English.ini\nPresets/Default/device.ini\n../outside\n/abs\n\n");
    const fs::path home = dir / "home";
    WriteFile(home / "lang" / "English.ini", "the user's own");

    ASSERT_EQ(SeedProgramFolder({home, res}), "");
    EXPECT_EQ(ReadFile(home / "Cnfg.ini"), "[Software]\nSoftwareName=Veltrano\n");
    EXPECT_EQ(ReadFile(home / "lang" / "English.ini"), "the user's own");
    EXPECT_TRUE(fs::exists(home / "Presets" / "Default" / "device.ini"));
    EXPECT_FALSE(fs::exists(home / "veltrano-cli"));
    EXPECT_FALSE(fs::exists(dir / "outside"));

    // A folder that already has its settings is left alone.
    WriteFile(res / "Cnfg.ini", "changed");
    ASSERT_EQ(SeedProgramFolder({home, res}), "");
    EXPECT_EQ(ReadFile(home / "Cnfg.ini"), "[Software]\nSoftwareName=Veltrano\n");
}

TEST(ProgramFolder, SeedingWithoutManifestCopiesTheWholeTree) {
    TempDir dir;
    const fs::path share = dir / "share";
    WriteFile(share / "Cnfg.ini", "x");
    WriteFile(share / "Help" / "Help_En.html", "<p>");
    ASSERT_EQ(SeedProgramFolder({dir / "user", share}), "");
    EXPECT_EQ(ReadFile(dir / "user" / "Help" / "Help_En.html"), "<p>");
}

TEST(ProgramFolder, SeedingFailuresAreReported) {
    TempDir dir;
    EXPECT_NE(SeedProgramFolder({{}, dir.Path()}), "");
    EXPECT_NE(SeedProgramFolder({dir / "user", dir / "nothing"}), "");
    WriteFile(dir / "file", "x");
    EXPECT_NE(SeedProgramFolder({dir / "file" / "sub", dir.Path()}), "");
}

}  // namespace
}  // namespace veltrano
