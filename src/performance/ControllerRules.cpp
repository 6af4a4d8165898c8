#include "performance/ControllerRules.h"

#include <algorithm>
#include <type_traits>

#include "device/PresetCatalog.h"

namespace veltrano::controller_rules {

namespace {

constexpr int kRowLength = 6;
constexpr int kKnobFunctionsWithParts = 8;
constexpr int kPedalFunctionsWithParts = 6;

size_t At(int index) {
    return static_cast<size_t>(index);
}

bool InRange(int value, int count) {
    return value >= 0 && value < count;
}

// The apply-to byte of controller `index`, const or not as the section is; null outside the room.
template <typename Section>
auto* ApplyToField(Section& section, Kind kind, int index) {
    using Byte = std::conditional_t<std::is_const_v<Section>, const uint8_t, uint8_t>;
    Byte* bits = nullptr;
    if (InRange(index, Room(kind))) {
        switch (kind) {
            case Kind::Knob:
                bits = &section.knobs[At(index)].applyTo;
                break;
            case Kind::Pad:
                bits = &section.pads[At(index)].applyTo;
                break;
            case Kind::Pedal:
                bits = &section.pedals[At(index)].q4;
                break;
        }
    }
    return bits;
}

void SetBit(uint8_t& bits, int part, bool on) {
    if (!InRange(part, kParts)) {
        return;
    }
    const auto bit = static_cast<uint8_t>(1u << part);
    bits = static_cast<uint8_t>(on ? (bits | bit) : (bits & ~bit));
}

}  // namespace

int Room(Kind kind) {
    switch (kind) {
        case Kind::Knob:
            return kMaxKnobs;
        case Kind::Pad:
            return kMaxPads;
        case Kind::Pedal:
            return kMaxPedals;
    }
    return 0;
}

const std::vector<const char*>& FunctionKeys(Kind kind) {
    static const std::vector<const char*> knob{
        "IDS_CONTROL_VOLUME",      "IDS_CONTROL_PAN",         "IDS_CONTROL_REVERBLEVEL",
        "IDS_CONTROL_CHORUSLEVEL", "IDS_CONTROL_ENVATTACK",   "IDS_CONTROL_ENVRELEASE",
        "IDS_CONTROL_CUTOFF",      "IDS_CONTROL_RESONANCE",   "IDS_CONTROL_EQLOW",
        "IDS_CONTROL_EQLOWMID",    "IDS_CONTROL_EQHIGHMID",   "IDS_CONTROL_EQHIGH",
        "IDS_CONTROL_ARPGATE",     "IDS_CONTROL_ARPVELOCITY", "IDS_CONTROL_ARPRESONANCE",
        "IDS_CONTROL_TEMPO"};
    static const std::vector<const char*> pad{
        "IDS_CONTROL_DRUM",  "IDS_CONTROL_CHORD",        "IDS_CONTROL_TEMPOTAP",
        "IDS_CONTROL_START", "IDS_CONTROL_EFFECTSWITCH", "IDS_CONTROL_SYNCMEASURE"};
    static const std::vector<const char*> pedal{
        "IDS_CONTROL_SUSTAIN",    "IDS_CONTROL_SOFT",      "IDS_CONTROL_SOSTENUTO",
        "IDS_CONTROL_PORTAMENTO", "IDS_CONTROL_PITCHBEND", "IDS_CONTROL_MODULATION",
        "IDS_CONTROL_PREVPERF",   "IDS_CONTROL_NEXTPERF",  "IDS_CONTROL_SCOREPGUP",
        "IDS_CONTROL_SCOREPGDN",  "IDS_CONTROL_START",     "IDS_CONTROL_FADEINOUT",
        "IDS_CONTROL_TEMPOTAP"};
    switch (kind) {
        case Kind::Knob:
            return knob;
        case Kind::Pad:
            return pad;
        case Kind::Pedal:
            return pedal;
    }
    return knob;
}

int FunctionColumns(Kind kind) {
    return kind == Kind::Pad ? 3 : 4;
}

std::string LabelOf(std::string_view buttonText) {
    std::string label;
    for (const char c : buttonText) {
        if (c != ' ') {
            label += c;
        }
    }
    return label;
}

std::vector<Cell> KnobLayout(int knobs) {
    const int count = std::clamp(knobs, 0, kMaxKnobs);
    const int columns = count <= 2 ? 2 : (count <= 4 ? 2 : 3);
    std::vector<Cell> cells;
    for (int i = 0; i < count; ++i) {
        cells.push_back({i / columns, i % columns});
    }
    return cells;
}

std::vector<Cell> RowLayout(int count) {
    std::vector<Cell> cells;
    for (int i = 0; i < std::max(count, 0); ++i) {
        cells.push_back({i / kRowLength, i % kRowLength});
    }
    return cells;
}

int Shown(Kind kind, int profileCount) {
    return std::clamp(profileCount, 0, Room(kind));
}

int FunctionOf(const ControllersSection& section, Kind kind, int index) {
    if (!InRange(index, Room(kind))) {
        return 0;
    }
    switch (kind) {
        case Kind::Knob:
            return section.knobs[At(index)].function;
        case Kind::Pad:
            return section.pads[At(index)].kind;
        case Kind::Pedal:
            return section.pedals[At(index)].function;
    }
    return 0;
}

uint8_t ApplyToOf(const ControllersSection& section, Kind kind, int index) {
    const uint8_t* bits = ApplyToField(section, kind, index);
    return bits != nullptr ? *bits : 0;
}

bool HasPart(uint8_t applyTo, int part) {
    return InRange(part, kParts) && (applyTo & (1u << part)) != 0;
}

void Assign(ControllersSection& section, Kind kind, int index, int function) {
    if (!InRange(index, Room(kind)) ||
        !InRange(function, static_cast<int>(FunctionKeys(kind).size()))) {
        return;
    }
    const auto value = static_cast<uint8_t>(function);
    switch (kind) {
        case Kind::Knob:
            section.knobs[At(index)].function = value;
            section.knobs[At(index)].group = kAssignedKnobGroup;
            break;
        case Kind::Pad:
            section.pads[At(index)].kind = value;
            break;
        case Kind::Pedal:
            section.pedals[At(index)].function = value;
            break;
    }
}

void SetPart(ControllersSection& section, Kind kind, int index, int part, bool on) {
    if (uint8_t* bits = ApplyToField(section, kind, index)) {
        SetBit(*bits, part, on);
    }
}

bool FileKeepsApplyTo(Kind kind, int function) {
    switch (kind) {
        case Kind::Knob:
            return InRange(function, kKnobFunctionsWithParts);
        case Kind::Pad:
            return function == kPadEffectSwitch;
        case Kind::Pedal:
            return InRange(function, kPedalFunctionsWithParts);
    }
    return false;
}

bool OffersApplyTo(Kind kind, int function) {
    return kind != Kind::Pad || function == kPadEffectSwitch;
}

int KeyboardChannelFor(const Pad& pad) {
    return pad.kind == kPadDrum ? kDrumChannel : kNormalChannel;
}

std::vector<const VoiceEntry*> DrumVoices(const PresetCatalog& catalog) {
    std::vector<const VoiceEntry*> drums;
    std::vector<const VoiceEntry*> all;
    for (const VoiceEntry& voice : catalog.Voices()) {
        all.push_back(&voice);
        if (voice.drum) {
            drums.push_back(&voice);
        }
    }
    return drums.empty() ? all : drums;
}

int DrumVoiceItem(const std::vector<const VoiceEntry*>& voices, const Pad& pad) {
    for (size_t i = 0; i < voices.size(); ++i) {
        const VoiceEntry& v = *voices[i];
        if ((v.bankMsb & 0xFF) == pad.drum[0] && (v.bankLsb & 0xFF) == pad.drum[1] &&
            (v.program & 0xFF) == pad.drum[2]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void SetDrumVoice(Pad& pad, const VoiceEntry& voice) {
    pad.drum[0] = static_cast<uint8_t>(voice.bankMsb & 0xFF);
    pad.drum[1] = static_cast<uint8_t>(voice.bankLsb & 0xFF);
    pad.drum[2] = static_cast<uint8_t>(voice.program & 0xFF);
}

void SetDrumPitch(Pad& pad, int note) {
    if (InRange(note, 128)) {
        pad.drum[3] = static_cast<uint8_t>(note);
    }
}

ChordEntry AddChordNote(Pad& pad, int note) {
    if (!InRange(note, 128)) {
        return ChordEntry::NotANote;
    }
    const std::vector<int> notes = ChordNotes(pad);
    if (std::find(notes.begin(), notes.end(), note) != notes.end()) {
        return ChordEntry::AlreadyThere;
    }
    if (pad.noteCount >= kMaxChordNotes) {
        return ChordEntry::Full;
    }
    pad.notes[pad.noteCount] = static_cast<uint16_t>(kChordStatus | (note << 8));
    ++pad.noteCount;
    return ChordEntry::Added;
}

std::vector<int> ChordNotes(const Pad& pad) {
    std::vector<int> notes;
    const int count = std::min<int>(pad.noteCount, kChordNoteRoom);
    for (int k = 0; k < count; ++k) {
        notes.push_back((pad.notes[At(k)] >> 8) & 0x7F);
    }
    return notes;
}

void ClearChord(Pad& pad) {
    pad.noteCount = 0;
    pad.notes.fill(0);
}

int BendRangeItem(const ControllersSection& section) {
    return std::min<int>(section.pitchBend[2], kBendRangeItems - 1);
}

void SetBendRangeItem(ControllersSection& section, int item) {
    if (InRange(item, kBendRangeItems)) {
        section.pitchBend[2] = static_cast<uint8_t>(item);
    }
}

void SetBendPart(ControllersSection& section, int part, bool on) {
    SetBit(section.pitchBend[1], part, on);
}

}  // namespace veltrano::controller_rules
