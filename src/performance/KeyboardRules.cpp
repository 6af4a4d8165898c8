#include "performance/KeyboardRules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/Text.h"
#include "device/PresetCatalog.h"
#include "settings/DeviceProfile.h"

namespace veltrano::keyboard_rules {

namespace {

constexpr int kOctave = 12;
constexpr int kLowBits = 0x7F;

}  // namespace

int OctaveStep(int8_t semitones) {
    switch (semitones) {
        case -2 * kOctave:
            return -2;
        case -kOctave:
            return -1;
        case kOctave:
            return 1;
        case 2 * kOctave:
            return 2;
        default:
            return 0;
    }
}

int8_t OctaveSemitones(int step) {
    return static_cast<int8_t>(std::clamp(step, -2, 2) * kOctave);
}

int TouchItem(const KeyboardSection& keyboard) {
    if ((keyboard.touchLatch & 1) == 0) {
        return 0;
    }
    // A curve outside the list shows as the last item rather than none.
    return std::min<int>(keyboard.touchCurve, kTouchItems - 2) + 1;
}

void SetTouchItem(KeyboardSection& keyboard, int item) {
    item = std::clamp(item, 0, kTouchItems - 1);
    if (item == 0) {
        keyboard.touchLatch = static_cast<uint8_t>(keyboard.touchLatch & ~1);
        keyboard.touchCurve = 2;
    } else {
        keyboard.touchLatch = static_cast<uint8_t>(keyboard.touchLatch | 1);
        keyboard.touchCurve = static_cast<uint8_t>(item - 1);
    }
}

bool FixedLevelShown(const KeyboardSection& keyboard) {
    return (keyboard.touchLatch & 1) == 0;
}

int LatchItem(const KeyboardSection& keyboard) {
    switch (keyboard.touchLatch & 6) {
        case 2:
            return 1;
        case 4:
            return 2;
        default:
            return 0;
    }
}

void SetLatchItem(KeyboardSection& keyboard, int item) {
    item = std::clamp(item, 0, kLatchItems - 1);
    // Only bits 1 and 2 are the latch; the others (touch, and what the instrument may keep
    // above them) stay.
    keyboard.touchLatch = static_cast<uint8_t>((keyboard.touchLatch & ~6) | (item * 2));
}

uint16_t ClampTune(uint16_t tenths) {
    return std::clamp(tenths, kMinTune, kMaxTune);
}

std::string TuneText(uint16_t tenths) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%.1f", ClampTune(tenths) / 10.0);
    return text.data();
}

std::optional<uint16_t> ParseTune(std::string_view text) {
    const std::string trimmed(TrimBlanks(text));
    if (trimmed.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double hertz = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(hertz)) {
        return std::nullopt;
    }
    const double tenths = std::trunc(std::clamp(hertz, kMinTune / 10.0, kMaxTune / 10.0) * 10.0 +
                                     1e-6);  // 415.4 * 10 is 4153.999...
    return ClampTune(static_cast<uint16_t>(tenths));
}

KeyRange KeyRange::FromProfile(const DeviceProfileValues& profile) {
    KeyRange range{std::clamp(profile.kbdRangeL, 0, kLowBits),
                   std::clamp(profile.kbdRangeH, 0, kLowBits)};
    if (range.low > range.high) {
        return KeyRange{};
    }
    return range;
}

int KeyRange::Clamp(int note) const {
    return std::clamp(note, low, high);
}

int ShownPartSplit(const Performance& performance, int part, KeyRange range) {
    return range.Clamp(performance.keyboard.splitKeys.at(static_cast<size_t>(part)) & kLowBits);
}

int ShownStyleSplit(const Performance& performance, KeyRange range) {
    return range.Clamp(performance.styleSong.styleSplitKey & kLowBits);
}

namespace {

void StorePartSplit(Performance& performance, int part, int note) {
    uint16_t& key = performance.keyboard.splitKeys.at(static_cast<size_t>(part));
    key = static_cast<uint16_t>((key & ~kLowBits) | (note & kLowBits));
}

}  // namespace

void SetStyleSplit(Performance& performance, int shownPart, int note, KeyRange range) {
    note = range.Clamp(note);
    performance.styleSong.styleSplitKey = static_cast<uint8_t>(note);
    if (note > ShownPartSplit(performance, shownPart, range)) {
        StorePartSplit(performance, shownPart, note);
    }
}

void SetPartSplit(Performance& performance, int part, int note, KeyRange range) {
    note = range.Clamp(note);
    StorePartSplit(performance, part, note);
    if (note < ShownStyleSplit(performance, range)) {
        performance.styleSong.styleSplitKey = static_cast<uint8_t>(note);
    }
}

std::optional<size_t> VoiceRow(const PresetCatalog& catalog, const KeyboardPart& part) {
    if (part.voice.IsFile()) {
        return std::nullopt;
    }
    const auto& voices = catalog.Voices();
    const int number = int{part.voice.number} + 1;
    const auto it = std::find_if(voices.begin(), voices.end(),
                                 [number](const VoiceEntry& v) { return v.number == number; });
    if (it == voices.end()) {
        return std::nullopt;
    }
    return static_cast<size_t>(it - voices.begin());
}

namespace {

void TakeCatalogueNumbers(const VoiceEntry& entry, KeyboardPart& part) {
    part.p1 = static_cast<uint8_t>(entry.bankMsb & 0xFF);
    part.p2 = static_cast<uint8_t>(entry.bankLsb & 0xFF);
    part.p3 = static_cast<uint8_t>(entry.program & 0xFF);
}

}  // namespace

bool ChooseVoice(PresetCatalog& catalog, KeyboardSection& keyboard, int part, size_t row) {
    if (part < 0 || part >= kKeyboardPartCount || row >= catalog.Voices().size()) {
        return false;
    }
    const auto i = static_cast<size_t>(part);
    KeyboardPart& record = keyboard.parts[i];
    // The levels the player set for the voice left behind are that voice's for this part
    // until the catalogue is read again.
    if (const auto before = VoiceRow(catalog, record)) {
        VoiceEntry* entry = catalog.FindVoiceByNumber(catalog.Voices()[*before].number);
        if (entry != nullptr) {
            VoicePartDefaults& values = entry->parts[i];
            values.volume = keyboard.volumes[i];
            values.pan = static_cast<uint8_t>(keyboard.pans[i]);
            values.octave = static_cast<uint8_t>(record.octave);
            values.reverb = record.reverb;
            values.chorus = record.chorus;
        }
    }
    const VoiceEntry& chosen = catalog.Voices()[row];
    record.voice.source = 0;
    record.voice.number = static_cast<uint16_t>(std::clamp(chosen.number - 1, 0, 0xFFFF));
    record.voice.path.clear();
    TakeCatalogueNumbers(chosen, record);
    return true;
}

void ChooseVoiceRef(const PresetCatalog& catalog, KeyboardSection& keyboard, int part,
                    const PresetRef& voice) {
    if (part < 0 || part >= kKeyboardPartCount) {
        return;
    }
    KeyboardPart& record = keyboard.parts[static_cast<size_t>(part)];
    record.voice = voice;
    if (!voice.IsFile()) {
        record.voice.path.clear();
        if (const VoiceEntry* entry = catalog.FindVoiceByNumber(int{voice.number} + 1)) {
            TakeCatalogueNumbers(*entry, record);
        }
    }
}

std::optional<int> VoiceChooserIndex(const PresetCatalog& catalog, const KeyboardPart& part) {
    const auto row = VoiceRow(catalog, part);
    if (!row) {
        return std::nullopt;
    }
    const std::string& display = catalog.Voices()[*row].display;
    int index = 0;
    for (const VoiceGroup& group : catalog.VoiceGroups()) {
        for (const std::string& entry : group.displays) {
            if (entry == display) {
                return index;
            }
            ++index;
        }
    }
    return std::nullopt;
}

const VoiceEntry* VoiceAtChooserIndex(const PresetCatalog& catalog, int index) {
    if (index < 0) {
        return nullptr;
    }
    for (const VoiceGroup& group : catalog.VoiceGroups()) {
        if (static_cast<size_t>(index) < group.displays.size()) {
            return catalog.FindVoiceByDisplay(group.displays[static_cast<size_t>(index)]);
        }
        index -= static_cast<int>(group.displays.size());
    }
    return nullptr;
}

std::string UnlistedVoiceText(const KeyboardPart& part) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%.3d", int{part.voice.number} + 1);
    return text.data();
}

std::string NoteName(int note) {
    static constexpr std::array<const char*, 12> kNames{"C",  "C#", "D",  "Eb", "E",  "F",
                                                        "F#", "G",  "Ab", "A",  "Bb", "B"};
    note = std::clamp(note, 0, 127);
    return std::string(kNames[static_cast<size_t>(note % 12)]) + std::to_string(note / 12 - 1);
}

}  // namespace veltrano::keyboard_rules
