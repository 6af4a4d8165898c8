// How the Keyboard and Effect pages show and store each field.
#include <gtest/gtest.h>

#include "device/PresetCatalog.h"
#include "performance/EffectRules.h"
#include "performance/KeyboardRules.h"
#include "settings/DeviceProfile.h"

namespace veltrano {
namespace {

namespace kr = keyboard_rules;
namespace er = effect_rules;

TEST(KeyboardRulesTest, OctavesShowInStepsAndStoreAsSemitones) {
    EXPECT_EQ(kr::OctaveStep(12), 1);
    EXPECT_EQ(kr::OctaveStep(static_cast<int8_t>(244)), -1);
    EXPECT_EQ(kr::OctaveStep(24), 2);
    EXPECT_EQ(kr::OctaveStep(static_cast<int8_t>(232)), -2);
    EXPECT_EQ(kr::OctaveStep(5), 0);
    EXPECT_EQ(static_cast<uint8_t>(kr::OctaveSemitones(-1)), 244);
    EXPECT_EQ(kr::OctaveSemitones(2), 24);
    EXPECT_EQ(kr::OctaveSemitones(9), 24);  // never beyond two octaves
}

TEST(KeyboardRulesTest, MasterTuneIsClampedWhereverItComesFrom) {
    EXPECT_EQ(kr::TuneText(4100), "415.4");  // a file's value below the range
    EXPECT_EQ(kr::TuneText(4400), "440.0");
    EXPECT_EQ(kr::ParseTune("470"), 4662);
    EXPECT_EQ(kr::ParseTune(" 415.4 "), 4154);
    EXPECT_EQ(kr::ParseTune("440.09"), 4400);  // truncated toward zero
    EXPECT_EQ(kr::ParseTune("1e9"), 4662);
    EXPECT_EQ(kr::ParseTune("-3"), 4154);
    EXPECT_EQ(kr::ParseTune("440Hz"), std::nullopt);
    EXPECT_EQ(kr::ParseTune(""), std::nullopt);
    EXPECT_EQ(kr::ParseTune("nan"), std::nullopt);
}

TEST(KeyboardRulesTest, TouchAndLatchShareOneByte) {
    KeyboardSection kb;
    EXPECT_EQ(kr::TouchItem(kb), 3);  // touch on, normal
    EXPECT_FALSE(kr::FixedLevelShown(kb));
    kr::SetTouchItem(kb, 0);
    kr::SetLatchItem(kb, 1);
    EXPECT_EQ(kb.touchLatch, 2);
    EXPECT_EQ(kb.touchCurve, 2);
    EXPECT_EQ(kr::TouchItem(kb), 0);
    EXPECT_EQ(kr::LatchItem(kb), 1);
    EXPECT_TRUE(kr::FixedLevelShown(kb));
    kr::SetTouchItem(kb, 5);  // soft 1
    EXPECT_EQ(kb.touchLatch, 3);
    EXPECT_EQ(kb.touchCurve, 4);
    kr::SetLatchItem(kb, 2);
    EXPECT_EQ(kb.touchLatch, 5);
    // Bits the page does not edit stay.
    kb.touchLatch = 0x81;
    kr::SetLatchItem(kb, 1);
    EXPECT_EQ(kb.touchLatch, 0x83);
    kb.touchCurve = 200;
    EXPECT_EQ(kr::TouchItem(kb), 5);
}

TEST(KeyboardRulesTest, StyleSplitNeverLiesAbovePartSplit) {
    const kr::KeyRange range{21, 108};
    Performance p;
    kr::SetStyleSplit(p, 1, 60, range);
    EXPECT_EQ(p.styleSong.styleSplitKey, 60);
    EXPECT_EQ(p.keyboard.splitKeys[1], 60);
    EXPECT_EQ(p.keyboard.splitKeys[0], 54);  // only the shown part follows
    kr::SetPartSplit(p, 1, 50, range);
    EXPECT_EQ(p.keyboard.splitKeys[1], 50);
    EXPECT_EQ(p.styleSong.styleSplitKey, 50);
    kr::SetPartSplit(p, 2, 70, range);
    EXPECT_EQ(p.styleSong.styleSplitKey, 50);

    // The range of the instrument limits what is shown and stored; the high bits of a part
    // split stay.
    const kr::KeyRange narrow{36, 96};
    p.keyboard.splitKeys[3] = 0x8000 | 20;
    EXPECT_EQ(kr::ShownPartSplit(p, 3, narrow), 36);
    kr::SetPartSplit(p, 3, 120, narrow);
    EXPECT_EQ(p.keyboard.splitKeys[3], 0x8000 | 96);

    DeviceProfileValues broken;
    broken.kbdRangeL = 100;
    broken.kbdRangeH = 30;
    EXPECT_EQ(kr::KeyRange::FromProfile(broken).low, 21);
    EXPECT_EQ(kr::KeyRange::FromProfile(broken).high, 108);
}

// A catalogue whose positions (the numbers in the display texts) are not its voice numbers.
PresetCatalog ShuffledCatalogue() {
    PresetCatalog catalog;
    catalog.ReadVoiceTableBytes(
        "[GROUP NAME]\nPiano\nStrings\n[VOICE INFO]\n"
        "31\t1\t0\tViolin\t1\t2\t3\t0\t90\t30\t5\t0\t244\n"
        "5\t0\t0\tGrand\t4\t5\t6\t0\t100\t45\t7\t12\t0\n"
        "12\t0\t0\tBright\t7\t8\t9\t0\t80\t20\t0\t0\t0\n",
        false);
    return catalog;
}

TEST(KeyboardRulesTest, AChosenRowGivesItsOwnVoiceNumberAndCatalogueNumbers) {
    PresetCatalog catalog = ShuffledCatalogue();
    ASSERT_EQ(catalog.Voices().size(), 3u);
    // Ordered by number: Grand (5, text "002 Grand"), Bright (12, "003"), Violin (31, "001").
    ASSERT_EQ(catalog.Voices()[0].display, "002 Grand");
    KeyboardSection kb;
    kb.parts[1].voice.number = 4;  // Grand
    kb.volumes[1] = 77;
    kb.parts[1].reverb = 11;
    EXPECT_EQ(kr::VoiceRow(catalog, kb.parts[1]), 0u);
    ASSERT_TRUE(kr::ChooseVoice(catalog, kb, 1, 2));  // the row of "001 Violin"
    EXPECT_EQ(kb.parts[1].voice.number, 30);          // not 0, the number in its text
    EXPECT_EQ((std::array<int, 3>{kb.parts[1].p1, kb.parts[1].p2, kb.parts[1].p3}),
              (std::array<int, 3>{2, 1, 3}));
    EXPECT_EQ(kr::VoiceRow(catalog, kb.parts[1]), 2u);
    // The levels left behind belong to Grand for this part now.
    EXPECT_EQ(catalog.FindVoiceByNumber(5)->parts[1].volume, 77);
    EXPECT_EQ(catalog.FindVoiceByNumber(5)->parts[1].reverb, 11);
    EXPECT_EQ(catalog.FindVoiceByNumber(5)->parts[0].volume, 100);
    EXPECT_FALSE(kr::ChooseVoice(catalog, kb, 1, 3));
    EXPECT_FALSE(kr::ChooseVoice(catalog, kb, 4, 0));
}

TEST(KeyboardRulesTest, AVoiceTheCatalogueLacksKeepsItsNumbers) {
    const PresetCatalog catalog = ShuffledCatalogue();
    KeyboardPart part;
    part.voice.number = 99;
    part.p1 = 8;
    EXPECT_EQ(kr::VoiceRow(catalog, part), std::nullopt);
    EXPECT_EQ(kr::UnlistedVoiceText(part), "100");
    KeyboardSection kb;
    kb.parts[0] = part;
    kr::ChooseVoiceRef(catalog, kb, 0, PresetRef{0, 200, {}});
    EXPECT_EQ(kb.parts[0].voice.number, 200);
    EXPECT_EQ(kb.parts[0].p1, 8);
    // From an empty catalogue nothing can be chosen and nothing changes.
    PresetCatalog empty;
    EXPECT_FALSE(kr::ChooseVoice(empty, kb, 0, 0));
    EXPECT_EQ(kb.parts[0].voice.number, 200);
    // A voice file keeps its path; a preset drops it.
    kr::ChooseVoiceRef(catalog, kb, 0, PresetRef{2, 0, "USB\\A.VOC"});
    EXPECT_EQ(kb.parts[0].voice, (PresetRef{2, 0, "USB\\A.VOC"}));
    EXPECT_EQ(kr::VoiceRow(catalog, kb.parts[0]), std::nullopt);
    kr::ChooseVoiceRef(catalog, kb, 0, PresetRef{0, 11, "stale"});
    EXPECT_EQ(kb.parts[0].voice, (PresetRef{0, 11, {}}));
    EXPECT_EQ(kb.parts[0].p3, 9);
}

TEST(KeyboardRulesTest, ChooserPositionsCountTheGroupsInFileOrder) {
    const PresetCatalog catalog = ShuffledCatalogue();
    // Piano holds Grand and Bright, Strings holds Violin.
    KeyboardPart violin;
    violin.voice.number = 30;
    EXPECT_EQ(kr::VoiceChooserIndex(catalog, violin), 2);
    EXPECT_EQ(kr::VoiceAtChooserIndex(catalog, 0)->number, 5);
    EXPECT_EQ(kr::VoiceAtChooserIndex(catalog, 2)->number, 31);
    EXPECT_EQ(kr::VoiceAtChooserIndex(catalog, 3), nullptr);
    EXPECT_EQ(kr::VoiceAtChooserIndex(catalog, -1), nullptr);
}

TEST(KeyboardRulesTest, NoteNames) {
    EXPECT_EQ(kr::NoteName(60), "C4");
    EXPECT_EQ(kr::NoteName(21), "A0");
    EXPECT_EQ(kr::NoteName(70), "Bb4");
    EXPECT_EQ(kr::NoteName(0), "C-1");
}

TEST(EffectRulesTest, SwitchesAndTheArpeggiatorBytes) {
    PartEffect fx;
    fx.flags = 0x8001;
    er::SetSwitch(fx, er::Switch::Chopper, true);
    er::SetSwitch(fx, er::Switch::Arpeggiator, false);
    EXPECT_EQ(fx.flags, 0x8004);
    EXPECT_TRUE(er::ExtraSwitchOn(fx));
    EXPECT_TRUE(er::SwitchEditable(er::Switch::Insertion, 0));
    EXPECT_FALSE(er::SwitchEditable(er::Switch::Insertion, 3));
    EXPECT_TRUE(er::SwitchEditable(er::Switch::Harmony, 3));

    fx.arpParams[0] = 0xE0 | 12;
    er::SetArpCheck(fx, 0, true);
    er::SetArpCheck(fx, 3, false);
    EXPECT_EQ(fx.arpParams[0], 0xE0 | 5);  // bits above the five checks stay
    er::SetArpCheck(fx, 7, false);
    EXPECT_EQ(fx.arpParams[0], 0xE0 | 5);

    fx.arpParams[4] = 0;
    EXPECT_EQ(er::OctaveRangeItem(fx), 0);
    er::SetOctaveRangeItem(fx, 2);
    EXPECT_EQ(fx.arpParams[4], 3);

    fx.arpParams[5] = 100;
    EXPECT_EQ(er::VelocityKind(fx), er::Velocity::Value);
    er::SetVelocity(fx, er::Velocity::Step, 0);
    EXPECT_EQ(fx.arpParams[5], 255);
    fx.arpParams[5] = 130;
    er::SetVelocity(fx, er::Velocity::Step, 0);
    EXPECT_EQ(fx.arpParams[5], 130);
    er::SetVelocity(fx, er::Velocity::Value, 500);
    EXPECT_EQ(fx.arpParams[5], 127);
    er::SetVelocity(fx, er::Velocity::Key, 50);
    EXPECT_EQ(er::VelocityKind(fx), er::Velocity::Key);

    fx.harmonyRatio = 50;
    EXPECT_EQ(er::RatioItem(fx), -1);
    fx.harmonyRatio = 100;
    EXPECT_EQ(er::RatioItem(fx), 3);
}

TEST(EffectRulesTest, InsertionTypesOwnSeparateBytesBeforeTheChoice) {
    size_t total = 0;
    for (int c = 0; c < er::CategoryCount(); ++c) {
        EXPECT_LE(er::TypeCount(c), er::kMaxTypesPerCategory);
        total += static_cast<size_t>(er::TypeCount(c));
    }
    EXPECT_EQ(total * er::kParametersPerType, er::kCategoryByte);
    const int last = er::CategoryCount() - 1;
    EXPECT_EQ(er::ParameterOffset(last, er::TypeCount(last) - 1) + er::kParametersPerType,
              er::kCategoryByte);
    EXPECT_EQ(er::ParameterOffset(1, 0), 14u * er::kParametersPerType);
    PartEffect fx;
    fx.insertion[er::kCategoryByte] = 200;
    fx.insertion[er::kTypeByte] = 200;
    EXPECT_EQ(er::InsertionCategory(fx), last);
    EXPECT_EQ(er::InsertionType(fx), er::TypeCount(last) - 1);
}

TEST(EffectRulesTest, TypeListsAndFrequencyTablesFollowTheInstrument) {
    DeviceProfileValues other;
    EXPECT_EQ(er::ReverbTypeKeys(other).size(), 8u);
    EXPECT_STREQ(er::ChorusTypeKeys(other).back(), "IDS_EFFECT_FEEDBACKDELAY");
    DeviceProfileValues one;
    one.deviceId = 1;
    one.productName = std::string(er::kModelWithoutDelayReverbs);
    EXPECT_EQ(er::ReverbTypeKeys(one).size(), 6u);
    EXPECT_STREQ(er::ChorusTypeKeys(one)[6], "IDS_EFFECT_ROTARY1");

    EXPECT_STREQ(er::Frequencies(one, 0)[64], "3.63KHz");
    EXPECT_EQ(&er::Frequencies(one, 0), &er::Frequencies(one, 3));
    EXPECT_STREQ(er::Frequencies(other, 0)[127], "4.2KHz");
    EXPECT_STREQ(er::Frequencies(other, 3)[7], "1.03KHz");
    EXPECT_STREQ(er::Frequencies(other, 3)[127], "18.75KHz");
    // The High table steps by about 0.147 kHz from its first entry.
    EXPECT_STREQ(er::Frequencies(other, 3)[1], "147Hz");

    EXPECT_EQ(er::FrequencyIndex(er::Frequencies(other, 0), "1.03khz"), 31);
    EXPECT_EQ(er::FrequencyIndex(er::Frequencies(other, 0), " 0Hz "), 0);
    // A text the table lacks is refused rather than taken as the first entry.
    EXPECT_EQ(er::FrequencyIndex(er::Frequencies(other, 0), "1kHz"), std::nullopt);
    EXPECT_EQ(er::FrequencyIndex(er::Frequencies(other, 0), ""), std::nullopt);
}

TEST(EffectRulesTest, GainTextsAndSliderPositions) {
    EXPECT_EQ(er::GainText(244), "-12dB");
    EXPECT_EQ(er::GainSliderPosition(244), 24);
    EXPECT_EQ(er::GainText(12), "12dB");
    EXPECT_EQ(er::GainSliderPosition(12), 0);
    EXPECT_EQ(er::GainText(0), "0dB");
    EXPECT_EQ(er::GainFromSlider(24), 244);
    EXPECT_EQ(er::GainFromSlider(12), 0);
    EXPECT_EQ(er::GainFromSlider(99), 244);
    EXPECT_EQ(er::GainText(100), "12dB");  // out of range shows the nearest end
}

}  // namespace
}  // namespace veltrano
