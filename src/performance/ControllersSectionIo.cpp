// The controllers section: pads, the knob header with its fixed group table and the knobs,
// the pitch-bend bytes when the instrument has a wheel, and the pedals. Each entry stores only
// the bytes its kind or function uses.
#include <string>

#include "performance/PerformanceSections.h"
#include "performance/SectionCodec.h"
#include "settings/DeviceProfile.h"

namespace veltrano {

namespace {

namespace caption = performance_caption;

enum PadKind : uint8_t { kPadDrum = 0, kPadChord = 1, kPadEffectSwitch = 4 };

constexpr uint8_t kKnobGroupsWide = 3;
constexpr uint8_t kKnobGroupsNarrow = 4;
constexpr std::array<uint8_t, 16> kKnobGroupTableWide{2, 1, 3, 1, 0, 1, 1, 1,
                                                      4, 1, 5, 1, 6, 1, 7, 1};
constexpr std::array<uint8_t, 12> kKnobGroupTableNarrow{0, 1, 1, 1, 4, 1, 5, 1, 6, 1, 7, 1};
// Knob functions 0-7 carry apply-to bits in the file.
constexpr uint8_t kKnobFunctionsWithParts = 8;
// The chord word count is a byte holding n + 1.
constexpr int kMaxStoredChordNotes = 254;

// Knob entries exist only for the two group layouts the instrument defines; for any other the
// knob count is stored as 0, so that a reader never looks for entries that are not there.
bool HasKnobEntries(uint8_t knobFunctionGroups) {
    return knobFunctionGroups == kKnobGroupsWide || knobFunctionGroups == kKnobGroupsNarrow;
}

std::string TooManyText(const char* source, int count, const char* what, int room) {
    return std::string(source) + " " + std::to_string(count) + " " + what +
           "; a performance has room for " + std::to_string(room);
}

bool CheckLayout(const ControllerLayout& layout, Reporter& reporter) {
    const auto check = [&](int count, const char* what, int room) {
        if (count >= 0 && count <= room) {
            return true;
        }
        ReportError(reporter, caption::kController,
                    TooManyText("The device profile asks for", count, what, room));
        return false;
    };
    const bool knobsStored = HasKnobEntries(static_cast<uint8_t>(layout.knobFunctionGroups));
    return check(layout.padCount, "pads", kMaxPads) &&
           (!knobsStored || check(layout.knobCount, "knobs", kMaxKnobs)) &&
           check(layout.pedalCount, "pedals", kMaxPedals);
}

void WritePad(ByteWriter& out, const Pad& pad) {
    out.U8(pad.kind);
    switch (pad.kind) {
        case kPadDrum:
            out.Append(pad.drum);
            break;
        case kPadChord: {
            out.U8(pad.chordByte);
            const int words = pad.noteCount > 0 ? pad.noteCount + 1 : 0;
            out.U8(static_cast<uint8_t>(words));
            for (int k = 0; k < words; ++k) {
                out.U16Le(pad.notes[static_cast<size_t>(k)]);
            }
            break;
        }
        case kPadEffectSwitch:
            out.U8(pad.applyTo);
            break;
        default:
            break;
    }
}

void ReadPad(ByteReader& reader, Pad& pad) {
    pad.kind = reader.U8();
    switch (pad.kind) {
        case kPadDrum:
            for (uint8_t& b : pad.drum) {
                b = reader.U8();
            }
            break;
        case kPadChord: {
            pad.chordByte = reader.U8();
            const uint8_t words = reader.U8();
            pad.noteCount = words > 0 ? static_cast<uint8_t>(words - 1) : 0;
            for (size_t k = 0; k < words; ++k) {
                pad.notes[k] = reader.U16Le();
            }
            break;
        }
        case kPadEffectSwitch:
            pad.applyTo = reader.U8();
            break;
        default:
            break;
    }
}

void WritePedal(ByteWriter& out, const Pedal& pedal) {
    out.U8(pedal.function);
    switch (pedal.function) {
        case 1:
            out.U8(pedal.q4);
            out.U8(pedal.q1);
            break;
        case 4:
            out.U8(pedal.q4);
            out.U8(pedal.q2);
            out.U8(pedal.q3);
            break;
        case 0:
        case 2:
        case 3:
        case 5:
            out.U8(pedal.q4);
            break;
        default:
            break;
    }
}

void ReadPedal(ByteReader& reader, Pedal& pedal) {
    pedal.function = reader.U8();
    switch (pedal.function) {
        case 1:
            pedal.q4 = reader.U8();
            pedal.q1 = reader.U8();
            break;
        case 4:
            pedal.q4 = reader.U8();
            pedal.q2 = reader.U8();
            pedal.q3 = reader.U8();
            break;
        case 0:
        case 2:
        case 3:
        case 5:
            pedal.q4 = reader.U8();
            break;
        default:
            break;
    }
}

}  // namespace

ControllerLayout ControllerLayout::FromProfile(const DeviceProfileValues& profile) {
    ControllerLayout layout;
    if (profile.deviceClass >= 0) {
        layout.padCount = profile.controllerPad;
        layout.knobCount = profile.controllerKnob;
        layout.pedalCount = profile.controllerPedal;
    }
    layout.pitchBend = profile.controllerPitchbend > 0;
    layout.knobFunctionGroups = profile.knobFunctionGroups;
    layout.knobCustomGroup = profile.knobCustomGroup;
    return layout;
}

std::optional<ControllersWritten> WriteControllersSection(const ControllersSection& controllers,
                                                          const ControllerLayout& layout,
                                                          ByteWriter& out, Reporter& reporter) {
    if (!CheckLayout(layout, reporter)) {
        return std::nullopt;
    }
    for (int i = 0; i < layout.padCount; ++i) {
        const Pad& pad = controllers.pads[static_cast<size_t>(i)];
        if (pad.kind == kPadChord && pad.noteCount > kMaxStoredChordNotes) {
            ReportError(reporter, caption::kController,
                        "The chord of pad " + std::to_string(i + 1) + " holds " +
                            std::to_string(pad.noteCount) + " notes; a file stores at most " +
                            std::to_string(kMaxStoredChordNotes));
            return std::nullopt;
        }
    }

    ControllersWritten written;
    ByteWriter section;
    section.U8(static_cast<uint8_t>(layout.padCount));
    for (int i = 0; i < layout.padCount; ++i) {
        WritePad(section, controllers.pads[static_cast<size_t>(i)]);
    }

    written.knobHeader = section.Size();
    const auto groups = static_cast<uint8_t>(layout.knobFunctionGroups);
    const int knobCount = HasKnobEntries(groups) ? layout.knobCount : 0;
    section.U8(groups);
    section.U8(static_cast<uint8_t>(layout.knobCustomGroup));
    section.U8(controllers.knobs[0].group);
    section.U8(static_cast<uint8_t>(knobCount));
    if (groups == kKnobGroupsWide) {
        section.Append(kKnobGroupTableWide);
    } else if (groups == kKnobGroupsNarrow) {
        section.Append(kKnobGroupTableNarrow);
    }
    for (int i = 0; i < knobCount; ++i) {
        const Knob& knob = controllers.knobs[static_cast<size_t>(i)];
        section.U8(knob.function);
        if (knob.function < kKnobFunctionsWithParts) {
            section.U8(knob.applyTo);
        }
    }

    if (layout.pitchBend) {
        written.pitchBend = section.Size();
        section.Append(controllers.pitchBend);
    }

    written.pedals = section.Size();
    section.U8(static_cast<uint8_t>(layout.pedalCount));
    for (int i = 0; i < layout.pedalCount; ++i) {
        WritePedal(section, controllers.pedals[static_cast<size_t>(i)]);
    }
    written.length = section.Size();
    out.Append(section.Data());
    return written;
}

bool ReadControllersSection(ByteView bytes, bool pitchBendPresent, ControllersSection& controllers,
                            Reporter& reporter) {
    ControllersSection read = controllers;
    ByteReader reader(bytes);
    const auto tooMany = [&](int count, const char* what, int room) {
        ReportError(reporter, caption::kController,
                    TooManyText("The controllers section holds", count, what, room));
        return false;
    };

    const uint8_t padCount = reader.U8();
    if (reader.Ok() && padCount > kMaxPads) {
        return tooMany(padCount, "pads", kMaxPads);
    }
    for (size_t i = 0; i < padCount && reader.Ok(); ++i) {
        ReadPad(reader, read.pads[i]);
    }

    const uint8_t groups = reader.U8();
    reader.Skip(1);  // the custom group: the instrument's business
    read.knobs[0].group = reader.U8();
    const uint8_t knobCount = reader.U8();
    if (groups == kKnobGroupsWide) {
        reader.Skip(kKnobGroupTableWide.size());
    } else if (groups == kKnobGroupsNarrow) {
        reader.Skip(kKnobGroupTableNarrow.size());
    }
    if (HasKnobEntries(groups)) {
        if (reader.Ok() && knobCount > kMaxKnobs) {
            return tooMany(knobCount, "knobs", kMaxKnobs);
        }
        for (size_t i = 0; i < knobCount && reader.Ok(); ++i) {
            Knob& knob = read.knobs[i];
            knob.function = reader.U8();
            if (knob.function < kKnobFunctionsWithParts) {
                knob.applyTo = reader.U8();
            }
        }
    }

    if (pitchBendPresent) {
        for (uint8_t& b : read.pitchBend) {
            b = reader.U8();
        }
    }

    const uint8_t pedalCount = reader.U8();
    if (reader.Ok() && pedalCount > kMaxPedals) {
        return tooMany(pedalCount, "pedals", kMaxPedals);
    }
    for (size_t i = 0; i < pedalCount && reader.Ok(); ++i) {
        ReadPedal(reader, read.pedals[i]);
    }

    if (!reader.Ok()) {
        ReportError(reporter, caption::kController, CutShortText("controllers"));
        return false;
    }
    controllers = std::move(read);
    return true;
}

}  // namespace veltrano
