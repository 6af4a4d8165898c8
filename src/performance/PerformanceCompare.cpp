#include "performance/PerformanceCompare.h"

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace veltrano {

namespace {

// Field names and their values, flattened, so two performances compare line by line.
class Fields {
public:
    void Add(std::string name, std::string value) {
        items_.emplace_back(std::move(name), std::move(value));
    }
    void Add(std::string name, int value) { Add(std::move(name), std::to_string(value)); }
    void Add(const std::string& name, const PresetRef& ref) {
        Add(name, ref.IsFile() ? ref.path : "#" + std::to_string(int{ref.number} + 1));
        Add(name + " source", ref.source);
    }
    template <typename Array>
    void AddAll(const std::string& name, const Array& values) {
        for (size_t i = 0; i < values.size(); ++i) {
            Add(name + " " + std::to_string(i + 1), static_cast<int>(values[i]));
        }
    }
    [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& Items() const {
        return items_;
    }

private:
    std::vector<std::pair<std::string, std::string>> items_;
};

std::string Part(size_t i) {
    return kPartNames[i];
}

Fields Flatten(const Performance& p) {
    Fields f;
    const KeyboardSection& kb = p.keyboard;
    for (size_t i = 0; i < kb.parts.size(); ++i) {
        const KeyboardPart& part = kb.parts[i];
        const std::string name = "Keyboard " + Part(i) + " ";
        f.Add(name + "on", part.on);
        f.Add(name + "voice", part.voice);
        f.Add(name + "voice numbers", std::to_string(part.p1) + "/" + std::to_string(part.p2) +
                                          "/" + std::to_string(part.p3));
        f.Add(name + "octave", part.octave);
        f.Add(name + "reverb", part.reverb);
        f.Add(name + "chorus", part.chorus);
        f.Add(name + "volume", kb.volumes[i]);
        f.Add(name + "pan", kb.pans[i]);
        f.Add(name + "split key", kb.splitKeys[i]);
    }
    f.Add("Keyboard master tune", kb.masterTune);
    f.Add("Keyboard transpose", kb.transpose);
    f.Add("Keyboard touch and latch", kb.touchLatch);
    f.Add("Keyboard touch curve", kb.touchCurve);
    f.Add("Keyboard fixed level", kb.fixedLevel);
    f.Add("Keyboard k5", kb.k5);
    f.Add("Keyboard k6", kb.k6);

    const EffectSection& fx = p.effect;
    f.AddAll("Effect global", fx.globalEffect);
    f.AddAll("Effect equaliser", fx.equaliser);
    for (size_t i = 0; i < fx.parts.size(); ++i) {
        const PartEffect& part = fx.parts[i];
        const std::string name = "Effect " + Part(i) + " ";
        f.Add(name + "switches", part.flags);
        f.Add(name + "arpeggio pattern", part.arpPattern);
        f.AddAll(name + "arpeggiator", part.arpParams);
        f.AddAll(name + "fixed note", part.fixedNotes);
        f.Add(name + "harmony type", part.harmonyType);
        f.Add(name + "harmony ratio", part.harmonyRatio);
        f.Add(name + "harmony touch limit", part.harmonyTouchLimit);
        f.Add(name + "chopper mode", part.chopperMode);
        f.Add(name + "chopper speed", part.chopperSpeed);
        f.Add(name + "chopper pull-up", part.chopperPullUp);
        f.Add(name + "chopper pattern", part.chopperPattern);
        f.AddAll(name + "insertion byte", part.insertion);
    }

    const ControllersSection& c = p.controllers;
    for (size_t i = 0; i < c.pads.size(); ++i) {
        const Pad& pad = c.pads[i];
        const std::string name = "Pad " + std::to_string(i + 1) + " ";
        f.Add(name + "kind", pad.kind);
        f.AddAll(name + "drum", pad.drum);
        f.Add(name + "chord", pad.chordByte);
        f.Add(name + "notes", pad.noteCount);
        for (size_t n = 0; n < pad.noteCount && n < pad.notes.size(); ++n) {
            f.Add(name + "note " + std::to_string(n + 1), pad.notes[n]);
        }
        f.Add(name + "apply to", pad.applyTo);
    }
    for (size_t i = 0; i < c.knobs.size(); ++i) {
        const Knob& knob = c.knobs[i];
        const std::string name = "Knob " + std::to_string(i + 1) + " ";
        f.Add(name + "group", knob.group);
        f.Add(name + "function", knob.function);
        f.Add(name + "apply to", knob.applyTo);
    }
    f.AddAll("Pitch bend", c.pitchBend);
    for (size_t i = 0; i < c.pedals.size(); ++i) {
        const Pedal& pedal = c.pedals[i];
        const std::string name = "Pedal " + std::to_string(i + 1) + " ";
        f.Add(name + "function", pedal.function);
        f.Add(name + "values", std::to_string(pedal.q1) + "/" + std::to_string(pedal.q2) + "/" +
                                   std::to_string(pedal.q3) + "/" + std::to_string(pedal.q4));
    }

    const StyleSongSection& s = p.styleSong;
    f.Add("Style/Song tempo", s.tempo);
    f.Add("Style/Song selection", s.selection);
    f.Add("Style", s.style);
    f.Add("Style switches", s.styleSwitches);
    f.Add("Style main section", s.mainSection);
    f.Add("Style full range", s.fullRange);
    f.Add("Style chord detect", s.detectMode);
    f.Add("Style split key", s.styleSplitKey);
    f.Add("Style volume", s.styleVolume);
    f.AddAll("Style track volume", s.trackVolumes);
    f.AddAll("Style track bits", s.trackBits);
    f.Add("Song", s.song);
    f.Add("Song settings", s.songSettings);
    f.Add("Song volume", s.songVolume);
    f.AddAll("Song channel volume", s.channelVolumes);
    f.AddAll("Song channel bits", s.channelBits);

    const GlobalSection& g = p.global;
    f.Add("Global time signature denominator", g.denominatorItem);
    f.Add("Global time signature numerator", g.numeratorItem);
    f.Add("Global accent bell", g.accentBell);
    f.Add("Global metronome volume", g.metronomeVolume);
    f.Add("Global fade-in time", g.fadeInTime);
    f.Add("Global fade-out time", g.fadeOutTime);
    f.Add("Global fade-out hold time", g.fadeOutHoldTime);
    return f;
}

}  // namespace

std::vector<FieldDifference> ComparePerformances(const Performance& left,
                                                 const Performance& right) {
    // Chord pads list as many notes as they hold, so the two lists may differ in length:
    // fields are matched by name.
    const Fields a = Flatten(left);
    const Fields b = Flatten(right);
    std::vector<FieldDifference> differences;
    const auto index = [](const Fields& fields) {
        std::unordered_map<std::string, const std::string*> byName;
        for (const auto& [field, value] : fields.Items()) {
            byName.emplace(field, &value);
        }
        return byName;
    };
    const auto inA = index(a);
    const auto inB = index(b);
    auto valueIn = [](const auto& byName, const std::string& name) -> const std::string* {
        const auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    };
    static const std::string kNone = "-";
    for (const auto& [field, value] : a.Items()) {
        const std::string* other = valueIn(inB, field);
        if (other == nullptr || *other != value) {
            differences.push_back({field, value, other != nullptr ? *other : kNone});
        }
    }
    for (const auto& [field, value] : b.Items()) {
        if (valueIn(inA, field) == nullptr) {
            differences.push_back({field, kNone, value});
        }
    }
    return differences;
}

}  // namespace veltrano
