#include "app/OnScreenKeyboard.h"

#include "base/Text.h"
#include "device/DeviceContext.h"
#include "device/Link.h"
#include "device/MidiPorts.h"

namespace veltrano {

namespace {

constexpr std::string_view kSoftwareSynthesizers[] = {
    "Microsoft",  // the Windows GS wavetable synthesizer
    "FLUID Synth", "FluidSynth", "TiMidity", "Apple DLS", "Veltrano Simulated Instrument"};

bool Contains(std::string_view text, std::string_view part) {
    return ToLowerAscii(text).find(ToLowerAscii(part)) != std::string::npos;
}

}  // namespace

OnScreenKeyboard::OnScreenKeyboard(MidiPorts& ports, const Link& link, const DeviceContext& app)
    : ports_(ports), link_(link), app_(app) {}

bool OnScreenKeyboard::IsSoftwareSynthesizer(std::string_view portName) {
    for (const std::string_view synth : kSoftwareSynthesizers) {
        if (Contains(portName, synth)) {
            return true;
        }
    }
    return false;
}

bool OnScreenKeyboard::CanSound() const {
    return noteOutput_ && ports_.BlockingSend() &&
           (link_.state.connected || IsSoftwareSynthesizer(ports_.OutputName()));
}

uint32_t OnScreenKeyboard::NoteOn(int note, int velocity) const {
    return static_cast<uint32_t>(0x90 | channel_) | (static_cast<uint32_t>(note) << 8) |
           (static_cast<uint32_t>(velocity) << 16);
}

bool OnScreenKeyboard::Press(int note) {
    if (note < kLowestKey || note > kHighestKey) {
        return false;
    }
    if (pressedKey_) {
        pressedKey_(note);
    }
    const uint32_t message = NoteOn(note, velocity_);
    if (padEntry_ && pageTakesNotes_ && padNotes_) {
        padNotes_(message);
    }
    if (!CanSound() || padEntry_ || pageSwitching_) {
        return false;
    }
    const DeviceProfileValues& profile = app_.profile.Values();
    if (drumVoice_ && (note < profile.kbdRangeL || note > profile.kbdRangeH)) {
        return false;
    }
    return ports_.SendShort(message);
}

bool OnScreenKeyboard::Release(int note) {
    if (note < kLowestKey || note > kHighestKey) {
        return false;
    }
    const uint32_t message = NoteOn(note, 0);
    if (padEntry_ && pageTakesNotes_ && padNotes_) {
        padNotes_(message);
    }
    if (!CanSound()) {
        return false;
    }
    return ports_.SendShort(message);
}

bool OnScreenKeyboard::SoundPadNote(uint32_t message) {
    if (!CanSound()) {
        return false;
    }
    return ports_.SendShort(message);
}

void OnScreenKeyboard::ReleaseAll() {
    if (!ports_.BlockingSend()) {
        return;
    }
    for (int note = kLowestKey; note <= kHighestKey; ++note) {
        (void)ports_.SendShort(NoteOn(note, 0));
    }
}

}  // namespace veltrano
