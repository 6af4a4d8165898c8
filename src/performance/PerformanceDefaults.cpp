#include "performance/PerformanceDefaults.h"

#include "device/PresetCatalog.h"

namespace veltrano {

namespace {

const VoiceEntry* CatalogueVoice(const KeyboardPart& part, const PresetCatalog& catalog) {
    if (part.voice.IsFile()) {
        return nullptr;
    }
    return catalog.FindVoiceByNumber(int{part.voice.number} + 1);
}

// Catalogue values are decimal texts of bytes (an octave down is 244); keep the byte.
uint8_t LowByte(int value) {
    return static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

void ResetKeyboard(KeyboardSection& keyboard) {
    const auto offsets = keyboard.offsets;
    keyboard = KeyboardSection{};
    keyboard.offsets = offsets;
}

void ResetEffect(EffectSection& effect) {
    const uint8_t headerByte = effect.headerByte;
    effect = EffectSection{};
    effect.headerByte = headerByte;
}

void ResetControllers(ControllersSection& controllers) {
    controllers = ControllersSection{};
}

void ResetStyleSong(StyleSongSection& styleSong) {
    styleSong = StyleSongSection{};
}

void ResetGlobal(GlobalSection& global) {
    global = GlobalSection{};
}

void ResetPerformance(Performance& performance) {
    ResetKeyboard(performance.keyboard);
    ResetEffect(performance.effect);
    ResetControllers(performance.controllers);
    ResetStyleSong(performance.styleSong);
    ResetGlobal(performance.global);
}

void ApplyVoiceDefaults(KeyboardSection& keyboard, const PresetCatalog& catalog) {
    for (size_t i = 0; i < keyboard.parts.size(); ++i) {
        KeyboardPart& part = keyboard.parts[i];
        const VoiceEntry* voice = CatalogueVoice(part, catalog);
        if (voice == nullptr) {
            continue;
        }
        const VoicePartDefaults& values = voice->parts[i];
        keyboard.volumes[i] = LowByte(values.volume);
        keyboard.pans[i] = static_cast<int8_t>(LowByte(values.pan));
        part.octave = static_cast<int8_t>(LowByte(values.octave));
        part.reverb = LowByte(values.reverb);
        part.chorus = LowByte(values.chorus);
    }
}

void ApplyVoiceNumbers(KeyboardSection& keyboard, const PresetCatalog& catalog) {
    for (KeyboardPart& part : keyboard.parts) {
        const VoiceEntry* voice = CatalogueVoice(part, catalog);
        if (voice == nullptr) {
            continue;
        }
        part.p1 = LowByte(voice->bankMsb);
        part.p2 = LowByte(voice->bankLsb);
        part.p3 = LowByte(voice->program);
    }
}

void ResetBank(PerformanceBank& bank, const PresetCatalog& catalog) {
    for (Performance& performance : bank.Performances()) {
        ResetPerformance(performance);
        ApplyVoiceDefaults(performance.keyboard, catalog);
    }
}

}  // namespace veltrano
