// The bundled default bank of the demo instrument and the fuzzing seeds are what the writer
// makes; with VELTRANO_REGENERATE=1 these tests write them into the source tree instead of
// comparing, after a deliberate change of the format or the defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/AppContext.h"
#include "base/FileIo.h"
#include "base/Reporter.h"
#include "device/PresetCatalog.h"
#include "performance/PerformanceDefaults.h"
#include "performance/PerformanceDocument.h"
#include "performance/PerformanceFile.h"
#include "performance/PerformanceTestSupport.h"
#include "settings/DeviceProfile.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

fs::path DemoFolder() {
    return test::SourceResources() / "Presets" / "Default";
}

bool Regenerating() {
    const char* value = std::getenv("VELTRANO_REGENERATE");
    return value != nullptr && std::string(value) == "1";
}

// The file must hold exactly these bytes; when regenerating, it is made to.
void ExpectFile(const fs::path& path, const Bytes& bytes) {
    ASSERT_FALSE(bytes.empty());
    if (Regenerating()) {
        ASSERT_TRUE(WriteFileAtomic(path, AsText(bytes))) << path;
        return;
    }
    EXPECT_TRUE(test::ReadFile(path) == AsText(bytes))
        << path << " differs from what the writer makes; run the performance tests with "
        << "VELTRANO_REGENERATE=1 after a deliberate change";
}

// What the editor holds after "New" on the demo instrument, saved as it saves: the defaults,
// the catalogue's values for each default voice and the voice's catalogue numbers.
PerformanceBank DemoDefaultBank(const PresetCatalog& catalog) {
    PerformanceBank bank;
    ResetBank(bank, catalog);
    for (Performance& p : bank.Performances()) {
        ApplyVoiceNumbers(p.keyboard, catalog);
    }
    return bank;
}

TEST(DefaultBankTest, BundledDefaultBankIsTheDemoDefaults) {
    PresetCatalog catalog;
    catalog.ReadVoiceCatalogue(DemoFolder(), 0);
    ASSERT_NE(catalog.FindVoiceByNumber(396), nullptr);
    DeviceProfile profile;
    profile.Read(DemoFolder());
    const PerformanceBank bank = DemoDefaultBank(catalog);
    const Bytes bytes = test::WriteBank(bank, ControllerLayout::FromProfile(profile.Values()));
    ExpectFile(DemoFolder() / "Default.prf", bytes);

    // The editor's New on the demo instrument ends with that bank.
    AppContext app;
    app.programFolder = test::SourceResources();
    app.profile.Read(DemoFolder());
    app.catalog = catalog;
    RecordingReporter reporter;
    PerformanceDocument doc(app, reporter);
    doc.New();
    EXPECT_TRUE(reporter.Empty());
    EXPECT_TRUE(doc.Bank().Loaded());
    EXPECT_EQ(test::WriteBank(doc.Bank(), doc.Layout()), bytes);
    const KeyboardSection& kb = doc.Bank().At(0).keyboard;
    EXPECT_EQ(kb.volumes, (std::array<uint8_t, 4>{100, 95, 100, 90}));  // 001, 219, 334, 396
    EXPECT_EQ(kb.parts[3].reverb, 60);
    EXPECT_EQ(kb.parts[3].chorus, 20);
    EXPECT_EQ(kb.parts[2].p3, 107);  // Guzheng
}

// Seeds for the reader's fuzz target: the bundled bank and banks that reach the other
// branches (paths in both code pages, every knob layout, chords, few controllers).
TEST(DefaultBankTest, FuzzSeedsAreWriterOutput) {
    const fs::path corpus =
        fs::path(VELTRANO_SOURCE_DIR) / "fuzz" / "corpus" / "performance_reader";
    if (Regenerating()) {
        std::error_code ec;
        fs::create_directories(corpus, ec);
    }
    std::vector<std::pair<std::string, Bytes>> seeds;

    const auto demo = ReadFileBytes(DemoFolder() / "Default.prf");
    ASSERT_TRUE(demo.has_value());
    seeds.emplace_back("default.prf", Bytes(demo->begin(), demo->end()));

    PerformanceBank paths;
    paths.At(0).keyboard.parts[1].voice = {1, 0,
                                           "USER/VOICE/Stra\xC3\x9F"
                                           "e.voc"};
    paths.At(1).effect.parts[2].arpPattern = {1, 0, "USB/ARP/UP.ARP"};
    paths.At(2).effect.parts[0].chopperPattern = {1, 0, "USB/CHOP/A.CHP"};
    paths.At(3).styleSong.style = {2, 0, "USB/STYLE/\xE2\x82\xAC.sty"};
    paths.At(4).styleSong.song = {1, 0, "USER/SONG/TUNE.MID"};
    seeds.emplace_back("paths_western.prf", test::WriteBank(paths, test::Layout(false, 4)));

    PerformanceBank chinese;
    chinese.At(0).keyboard.parts[0].voice = {2, 0, "USB/\xE9\x9F\xB3\xE8\x89\xB2.voc"};
    chinese.At(0).styleSong.song = {1, 0, "\xE9\x92\xA2\xE7\x90\xB4.mid"};
    Pad& chord = chinese.At(1).controllers.pads[0];
    chord.noteCount = 3;
    chord.notes = {0x3C93, 0x4093, 0x4393, 0};
    chinese.At(1).controllers.pads[1].kind = 0;
    chinese.At(1).controllers.pads[2].kind = 4;
    chinese.At(1).controllers.pedals[0].function = 4;
    seeds.emplace_back("paths_gbk.prf",
                       test::WriteBank(chinese, test::Layout(true, 0), CodePage::Gbk));

    std::mt19937 rng(5);
    seeds.emplace_back("random.prf", test::WriteBank(test::RandomBank(rng, CodePage::Windows1252),
                                                     test::Layout(true, 3)));
    seeds.emplace_back("few_controllers.prf",
                       test::WriteBank(PerformanceBank{}, test::Layout(false, 3, 1, 1, 0)));

    for (const auto& [name, bytes] : seeds) {
        ExpectFile(corpus / name, bytes);
    }
}

}  // namespace
}  // namespace veltrano
