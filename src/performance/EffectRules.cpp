#include "performance/EffectRules.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "base/Text.h"
#include "settings/DeviceProfile.h"

namespace veltrano::effect_rules {

namespace {

uint16_t Bit(int bit) {
    return static_cast<uint16_t>(1U << bit);
}

void SetBit(uint16_t& word, int bit, bool on) {
    word = static_cast<uint16_t>(on ? (word | Bit(bit)) : (word & ~Bit(bit)));
}

// The instrument model with device id 1 uses one table for all four bands.
constexpr int kSingleTableDevice = 1;

inline constexpr FrequencyTable kFrequenciesOne{
    "50Hz",    "58Hz",    "67Hz",    "77Hz",    "87Hz",    "97Hz",    "108Hz",   "120Hz",
    "133Hz",   "150Hz",   "170Hz",   "190Hz",   "210Hz",   "230Hz",   "250Hz",   "270Hz",
    "290Hz",   "310Hz",   "340Hz",   "370Hz",   "400Hz",   "430Hz",   "460Hz",   "490Hz",
    "530Hz",   "570Hz",   "610Hz",   "650Hz",   "690Hz",   "730Hz",   "780Hz",   "830Hz",
    "880Hz",   "930Hz",   "0.98KHz", "1.04KHz", "1.1KHz",  "1.16KHz", "1.22KHz", "1.29KHz",
    "1.36KHz", "1.43KHz", "1.5KHz",  "1.57KHz", "1.65KHz", "1.73KHz", "1.81KHz", "1.89KHz",
    "1.98KHz", "2.07KHz", "2.16KHz", "2.25KHz", "2.35KHz", "2.45KHz", "2.55KHz", "2.65KHz",
    "2.75KHz", "2.85KHz", "2.95KHz", "3.06KHz", "3.17KHz", "3.28KHz", "3.39KHz", "3.51KHz",
    "3.63KHz", "3.75KHz", "3.88KHz", "4.01KHz", "4.14KHz", "4.27KHz", "4.41KHz", "4.55KHz",
    "4.7KHz",  "4.9KHz",  "5.1KHz",  "5.3KHz",  "5.5KHz",  "5.7KHz",  "5.9KHz",  "6.1KHz",
    "6.3KHz",  "6.5KHz",  "6.7KHz",  "6.9KHz",  "7.1KHz",  "7.3KHz",  "7.5KHz",  "7.7KHz",
    "7.9KHz",  "8.1KHz",  "8.3KHz",  "8.5KHz",  "8.7KHz",  "8.9KHz",  "9.1KHz",  "9.3KHz",
    "9.6KHz",  "9.9KHz",  "10.2KHz", "10.5KHz", "10.8KHz", "11.1KHz", "11.4KHz", "11.7KHz",
    "12KHz",   "12.3KHz", "12.6KHz", "12.9KHz", "13.2KHz", "13.5KHz", "13.8KHz", "14.1KHz",
    "14.4KHz", "14.7KHz", "15KHz",   "15.3KHz", "15.6KHz", "16KHz",   "16.4KHz", "16.8KHz",
    "17.2KHz", "17.6KHz", "18KHz",   "18.4KHz", "18.8KHz", "19.2KHz", "19.6KHz", "20KHz"};
inline constexpr FrequencyTable kFrequenciesLow{
    "0Hz",     "30Hz",    "70Hz",    "100Hz",   "130Hz",   "170Hz",   "200Hz",   "230Hz",
    "260Hz",   "300Hz",   "330Hz",   "360Hz",   "400Hz",   "430Hz",   "460Hz",   "500Hz",
    "530Hz",   "560Hz",   "600Hz",   "630Hz",   "660Hz",   "690Hz",   "730Hz",   "760Hz",
    "790Hz",   "830Hz",   "860Hz",   "890Hz",   "930Hz",   "0.96KHz", "0.99KHz", "1.03KHz",
    "1.06KHz", "1.09KHz", "1.12KHz", "1.16KHz", "1.19KHz", "1.22KHz", "1.26KHz", "1.29KHz",
    "1.32KHz", "1.36KHz", "1.39KHz", "1.42KHz", "1.46KHz", "1.49KHz", "1.52KHz", "1.55KHz",
    "1.59KHz", "1.62KHz", "1.65KHz", "1.69KHz", "1.72KHz", "1.75KHz", "1.79KHz", "1.82KHz",
    "1.85KHz", "1.89KHz", "1.92KHz", "1.95KHz", "1.98KHz", "2.02KHz", "2.05KHz", "2.08KHz",
    "2.12KHz", "2.15KHz", "2.18KHz", "2.22KHz", "2.25KHz", "2.28KHz", "2.31KHz", "2.35KHz",
    "2.38KHz", "2.41KHz", "2.45KHz", "2.48KHz", "2.51KHz", "2.55KHz", "2.58KHz", "2.61KHz",
    "2.65KHz", "2.68KHz", "2.71KHz", "2.74KHz", "2.78KHz", "2.81KHz", "2.84KHz", "2.88KHz",
    "2.91KHz", "2.94KHz", "2.98KHz", "3.01KHz", "3.04KHz", "3.08KHz", "3.11KHz", "3.14KHz",
    "3.17KHz", "3.21KHz", "3.24KHz", "3.27KHz", "3.31KHz", "3.34KHz", "3.37KHz", "3.41KHz",
    "3.44KHz", "3.47KHz", "3.51KHz", "3.54KHz", "3.57KHz", "3.6KHz",  "3.64KHz", "3.67KHz",
    "3.7KHz",  "3.74KHz", "3.77KHz", "3.8KHz",  "3.84KHz", "3.87KHz", "3.9KHz",  "3.94KHz",
    "3.97KHz", "4KHz",    "4.03KHz", "4.07KHz", "4.1KHz",  "4.13KHz", "4.17KHz", "4.2KHz"};
inline constexpr FrequencyTable kFrequenciesHigh{
    "0Hz",      "147Hz",    "294Hz",    "441Hz",    "588Hz",    "735Hz",    "882Hz",    "1.03KHz",
    "1.18KHz",  "1.33KHz",  "1.48KHz",  "1.62KHz",  "1.77KHz",  "1.92KHz",  "2.07KHz",  "2.21KHz",
    "2.36KHz",  "2.51KHz",  "2.66KHz",  "2.81KHz",  "2.95KHz",  "3.1KHz",   "3.25KHz",  "3.4KHz",
    "3.54KHz",  "3.69KHz",  "3.84KHz",  "3.99KHz",  "4.13KHz",  "4.28KHz",  "4.43KHz",  "4.58KHz",
    "4.72KHz",  "4.87KHz",  "5.02KHz",  "5.17KHz",  "5.31KHz",  "5.46KHz",  "5.61KHz",  "5.76KHz",
    "5.91KHz",  "6.05KHz",  "6.2KHz",   "6.35KHz",  "6.5KHz",   "6.64KHz",  "6.79KHz",  "6.94KHz",
    "7.09KHz",  "7.23KHz",  "7.38KHz",  "7.53KHz",  "7.68KHz",  "7.82KHz",  "7.97KHz",  "8.12KHz",
    "8.27KHz",  "8.42KHz",  "8.56KHz",  "8.71KHz",  "8.86KHz",  "9.01KHz",  "9.15KHz",  "9.3KHz",
    "9.45KHz",  "9.6KHz",   "9.74KHz",  "9.89KHz",  "10.04KHz", "10.19KHz", "10.33KHz", "10.48KHz",
    "10.63KHz", "10.78KHz", "10.93KHz", "11.07KHz", "11.22KHz", "11.37KHz", "11.52KHz", "11.66KHz",
    "11.81KHz", "11.96KHz", "12.11KHz", "12.25KHz", "12.4KHz",  "12.55KHz", "12.7KHz",  "12.84KHz",
    "12.99KHz", "13.14KHz", "13.29KHz", "13.44KHz", "13.58KHz", "13.73KHz", "13.88KHz", "14.03KHz",
    "14.17KHz", "14.32KHz", "14.47KHz", "14.62KHz", "14.76KHz", "14.91KHz", "15.06KHz", "15.21KHz",
    "15.35KHz", "15.5KHz",  "15.65KHz", "15.8KHz",  "15.94KHz", "16.09KHz", "16.24KHz", "16.39KHz",
    "16.54KHz", "16.68KHz", "16.83KHz", "16.98KHz", "17.13KHz", "17.27KHz", "17.42KHz", "17.57KHz",
    "17.72KHz", "17.86KHz", "18.01KHz", "18.16KHz", "18.31KHz", "18.45KHz", "18.6KHz",  "18.75KHz"};

}  // namespace

bool SwitchOn(const PartEffect& part, Switch which) {
    return (part.flags & Bit(static_cast<int>(which))) != 0;
}

void SetSwitch(PartEffect& part, Switch which, bool on) {
    SetBit(part.flags, static_cast<int>(which), on);
}

bool SwitchEditable(Switch which, int shownPart) {
    return which != Switch::Insertion || shownPart == 0;
}

bool ExtraSwitchOn(const PartEffect& part) {
    return (part.flags & Bit(kExtraSwitchBit)) != 0;
}

void SetExtraSwitch(PartEffect& part, bool on) {
    SetBit(part.flags, kExtraSwitchBit, on);
}

bool ArpCheck(const PartEffect& part, int bit) {
    return bit >= 0 && bit < kArpChecks && (part.arpParams[0] & (1U << bit)) != 0;
}

void SetArpCheck(PartEffect& part, int bit, bool on) {
    if (bit < 0 || bit >= kArpChecks) {
        return;
    }
    const auto mask = static_cast<uint8_t>(1U << bit);
    part.arpParams[0] =
        static_cast<uint8_t>(on ? (part.arpParams[0] | mask) : (part.arpParams[0] & ~mask));
}

int OctaveRangeItem(const PartEffect& part) {
    return std::clamp(part.arpParams[4] - 1, 0, kOctaveRangeItems - 1);
}

void SetOctaveRangeItem(PartEffect& part, int item) {
    part.arpParams[4] = static_cast<uint8_t>(std::clamp(item, 0, kOctaveRangeItems - 1) + 1);
}

Velocity VelocityKind(const PartEffect& part) {
    const uint8_t v = part.arpParams[5];
    if (v == 0) {
        return Velocity::Key;
    }
    return v < 128 ? Velocity::Value : Velocity::Step;
}

void SetVelocity(PartEffect& part, Velocity kind, int value) {
    switch (kind) {
        case Velocity::Key:
            part.arpParams[5] = 0;
            break;
        case Velocity::Value:
            part.arpParams[5] = static_cast<uint8_t>(std::clamp(value, 1, 127));
            break;
        case Velocity::Step:
            // A step velocity already stored keeps its value.
            if (part.arpParams[5] < 128) {
                part.arpParams[5] = 255;
            }
            break;
    }
}

int RatioItem(const PartEffect& part) {
    const auto it = std::find(kHarmonyRatios.begin(), kHarmonyRatios.end(), part.harmonyRatio);
    return it == kHarmonyRatios.end() ? -1 : static_cast<int>(it - kHarmonyRatios.begin());
}

int CategoryCount() {
    return static_cast<int>(kTypesPerCategory.size());
}

int TypeCount(int category) {
    if (category < 0 || category >= CategoryCount()) {
        return 0;
    }
    return kTypesPerCategory[static_cast<size_t>(category)];
}

size_t ParameterOffset(int category, int type) {
    category = std::clamp(category, 0, CategoryCount() - 1);
    type = std::clamp(type, 0, TypeCount(category) - 1);
    const int before =
        std::accumulate(kTypesPerCategory.begin(), kTypesPerCategory.begin() + category, 0);
    return static_cast<size_t>((before + type) * kParametersPerType);
}

int InsertionCategory(const PartEffect& part) {
    return std::clamp<int>(part.insertion[kCategoryByte], 0, CategoryCount() - 1);
}

int InsertionType(const PartEffect& part) {
    return std::clamp<int>(part.insertion[kTypeByte], 0, TypeCount(InsertionCategory(part)) - 1);
}

std::vector<const char*> ReverbTypeKeys(const DeviceProfileValues& profile) {
    std::vector<const char*> keys{"IDS_EFFECT_ROOM1", "IDS_EFFECT_ROOM2", "IDS_EFFECT_ROOM3",
                                  "IDS_EFFECT_HALL1", "IDS_EFFECT_HALL2", "IDS_EFFECT_PLATE"};
    if (profile.productName != kModelWithoutDelayReverbs) {
        keys.push_back("IDS_EFFECT_DELAY");
        keys.push_back("IDS_EFFECT_PANDELAY");
    }
    return keys;
}

std::vector<const char*> ChorusTypeKeys(const DeviceProfileValues& profile) {
    std::vector<const char*> keys{"IDS_EFFECT_CHORUS1",  "IDS_EFFECT_CHORUS2",
                                  "IDS_EFFECT_CHORUS3",  "IDS_EFFECT_CHORUS4",
                                  "IDS_EFFECT_FEEDBACK", "IDS_EFFECT_FLANGER"};
    if (profile.deviceId == kSingleTableDevice) {
        keys.push_back("IDS_EFFECT_ROTARY1");
        keys.push_back("IDS_EFFECT_ROTARY2");
    } else {
        keys.push_back("IDS_EFFECT_SHORTDELAY");
        keys.push_back("IDS_EFFECT_FEEDBACKDELAY");
    }
    return keys;
}

const FrequencyTable& Frequencies(const DeviceProfileValues& profile, int band) {
    if (profile.deviceId == kSingleTableDevice) {
        return kFrequenciesOne;
    }
    return band == kBands - 1 ? kFrequenciesHigh : kFrequenciesLow;
}

std::optional<int> FrequencyIndex(const FrequencyTable& table, std::string_view text) {
    const std::string_view wanted = TrimBlanks(text);
    for (size_t i = 0; i < table.size(); ++i) {
        if (EqualsNoCase(table[i], wanted)) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

int Gain(uint8_t stored) {
    return std::clamp<int>(static_cast<int8_t>(stored), -kMaxGain, kMaxGain);
}

std::string GainText(uint8_t stored) {
    const int gain = Gain(stored);
    std::array<char, 16> text{};
    if (gain < 0) {
        std::snprintf(text.data(), text.size(), "-%ddB", -gain);
    } else {
        std::snprintf(text.data(), text.size(), "%ddB", gain);
    }
    return text.data();
}

int GainSliderPosition(uint8_t stored) {
    return kMaxGain - Gain(stored);
}

uint8_t GainFromSlider(int position) {
    return static_cast<uint8_t>(kMaxGain - std::clamp(position, 0, 2 * kMaxGain));
}

}  // namespace veltrano::effect_rules
