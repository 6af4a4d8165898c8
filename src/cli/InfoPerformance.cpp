// "info" for performance banks.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "app/AppContext.h"
#include "app/Startup.h"
#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "cli/InfoCommand.h"
#include "performance/PerformanceFile.h"

namespace veltrano::cli {

namespace {

using nlohmann::json;

constexpr const char* kTouchCurves[] = {"hard 2", "hard 1", "normal", "soft 2", "soft 1"};
constexpr const char* kPadKinds[] = {"Drum",       "Chord",         "Tempo Tap",
                                     "Start/Stop", "Effect Switch", "SYNC Style"};
constexpr const char* kKnobFunctions[] = {"Volume",     "Pan",          "Rev. Level",  "Cho. Level",
                                          "Env-Attack", "Env-Release",  "Cutoff",      "Resonance",
                                          "EQ-Low",     "EQ-Low Mid",   "EQ-High Mid", "EQ-High",
                                          "Arp-Gate",   "Arp-Velocity", "Arp-Reso",    "Tempo"};
constexpr const char* kPedalFunctions[] = {
    "Sustain",   "Soft",       "Sostenuto",  "Portamento", "Pitch Bend",  "Modulation", "Prev Perf",
    "Next Perf", "Score PgUp", "Score PgDn", "Start/Stop", "Fade In/Out", "Tempo Tap"};
constexpr const char* kNoteNames[] = {"C",  "C#", "D",  "Eb", "E",  "F",
                                      "F#", "G",  "Ab", "A",  "Bb", "B"};

template <size_t N>
std::string Named(const char* const (&names)[N], int index) {
    if (index >= 0 && static_cast<size_t>(index) < N) {
        return names[index];
    }
    return "#" + std::to_string(index);
}

std::string NoteName(int note) {
    return std::string(kNoteNames[note % 12]) + std::to_string(note / 12 - 1);
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

// The catalogue's display text of a preset voice ("001 Grand Piano"), or empty.
std::string VoiceDisplay(const PresetCatalog* catalog, const PresetRef& voice) {
    if (catalog == nullptr || voice.IsFile()) {
        return {};
    }
    const VoiceEntry* entry = catalog->FindVoiceByNumber(int{voice.number} + 1);
    return entry != nullptr ? entry->display : std::string();
}

std::string RefText(const PresetRef& ref, const char* tabs[3]) {
    if (!ref.IsFile()) {
        return "number " + std::to_string(ref.number);
    }
    const char* tab = ref.source <= 2 && tabs != nullptr ? tabs[ref.source] : "file";
    return std::string(tab) + " " + ref.path;
}

json RefJson(const PresetRef& ref) {
    json out{{"source", ref.source}};
    if (ref.IsFile()) {
        out["path"] = ref.path;
    } else {
        out["number"] = ref.number;
    }
    return out;
}

json KeyboardJson(const KeyboardSection& kb, const PresetCatalog* catalog) {
    json parts = json::array();
    for (size_t i = 0; i < kb.parts.size(); ++i) {
        const KeyboardPart& p = kb.parts[i];
        json voice = RefJson(p.voice);
        const std::string display = VoiceDisplay(catalog, p.voice);
        voice["catalogue"] = display.empty() ? json(nullptr) : json(display);
        parts.push_back({{"part", kPartNames[i]},
                         {"on", p.on},
                         {"voice", voice},
                         {"p1", p.p1},
                         {"p2", p.p2},
                         {"p3", p.p3},
                         {"octave", p.octave},
                         {"reverb", p.reverb},
                         {"chorus", p.chorus},
                         {"splitKey", kb.splitKeys[i]},
                         {"volume", kb.volumes[i]},
                         {"pan", kb.pans[i]}});
    }
    return {{"offsets", kb.offsets},
            {"parts", parts},
            {"masterTune", kb.masterTune},
            {"transpose", kb.transpose},
            {"touchLatch", kb.touchLatch},
            {"touchCurve", kb.touchCurve},
            {"fixedLevel", kb.fixedLevel},
            {"k5", kb.k5},
            {"k6", kb.k6}};
}

json EffectJson(const EffectSection& fx) {
    json parts = json::array();
    for (size_t i = 0; i < fx.parts.size(); ++i) {
        const PartEffect& p = fx.parts[i];
        parts.push_back({{"part", kPartNames[i]},
                         {"flags", p.flags},
                         {"arpPattern", RefJson(p.arpPattern)},
                         {"arpParams", p.arpParams},
                         {"fixedNotes", p.fixedNotes},
                         {"harmony", {p.harmonyType, p.harmonyRatio, p.harmonyTouchLimit}},
                         {"chopper", {p.chopperMode, p.chopperSpeed, p.chopperPullUp}},
                         {"chopperPattern", RefJson(p.chopperPattern)},
                         {"insertion", p.insertion}});
    }
    return {{"globalEffect", fx.globalEffect},
            {"equaliser", fx.equaliser},
            {"headerByte", fx.headerByte},
            {"parts", parts}};
}

json ControllersJson(const ControllersSection& c) {
    json pads = json::array();
    for (const Pad& pad : c.pads) {
        json notes = json::array();
        for (size_t k = 0; k < pad.noteCount; ++k) {
            notes.push_back(pad.notes[k]);
        }
        pads.push_back({{"kind", pad.kind},
                        {"drum", pad.drum},
                        {"chordByte", pad.chordByte},
                        {"notes", notes},
                        {"applyTo", pad.applyTo}});
    }
    json knobs = json::array();
    for (const Knob& knob : c.knobs) {
        knobs.push_back(
            {{"group", knob.group}, {"function", knob.function}, {"applyTo", knob.applyTo}});
    }
    json pedals = json::array();
    for (const Pedal& pedal : c.pedals) {
        pedals.push_back({{"function", pedal.function},
                          {"q1", pedal.q1},
                          {"q2", pedal.q2},
                          {"q3", pedal.q3},
                          {"q4", pedal.q4}});
    }
    return {{"pads", pads}, {"knobs", knobs}, {"pitchBend", c.pitchBend}, {"pedals", pedals}};
}

json StyleSongJson(const StyleSongSection& s) {
    return {{"tempo", s.tempo},
            {"selection", s.selection},
            {"style", RefJson(s.style)},
            {"styleSwitches", s.styleSwitches},
            {"mainSection", s.mainSection},
            {"fullRange", s.fullRange},
            {"detectMode", s.detectMode},
            {"styleSplitKey", s.styleSplitKey},
            {"styleVolume", s.styleVolume},
            {"trackVolumes", s.trackVolumes},
            {"trackBits", s.trackBits},
            {"song", RefJson(s.song)},
            {"songSettings", s.songSettings},
            {"songVolume", s.songVolume},
            {"channelVolumes", s.channelVolumes},
            {"channelBits", s.channelBits}};
}

json GlobalJson(const GlobalSection& g) {
    return {{"g1", g.denominatorItem}, {"g2", g.numeratorItem}, {"g3", g.accentBell},
            {"g4", g.metronomeVolume}, {"g5", g.fadeInTime},    {"g6", g.fadeOutTime},
            {"g7", g.fadeOutHoldTime}};
}

json BankJson(const std::filesystem::path& path, const PerformanceBank& bank,
              const PresetCatalog* catalog) {
    json performances = json::array();
    for (int k = 0; k < kPerformanceCount; ++k) {
        const Performance& p = bank.At(k);
        performances.push_back({{"index", k},
                                {"keyboard", KeyboardJson(p.keyboard, catalog)},
                                {"effect", EffectJson(p.effect)},
                                {"controllers", ControllersJson(p.controllers)},
                                {"pitchBendPresent", p.pitchBendPresent},
                                {"styleSong", StyleSongJson(p.styleSong)},
                                {"global", GlobalJson(p.global)}});
    }
    return {{"file", path.string()}, {"performances", performances}};
}

void PrintKeyboard(const KeyboardSection& kb, const PresetCatalog* catalog) {
    const bool touch = (kb.touchLatch & 1) != 0;
    const int latch = (kb.touchLatch >> 1) & 3;
    std::printf("  Keyboard: master tune %.1f Hz, transpose %+d, touch %s, latch %s%s\n",
                kb.masterTune / 10.0, kb.transpose,
                touch ? Named(kTouchCurves, kb.touchCurve).c_str() : "off",
                latch == 0   ? "all off"
                : latch == 1 ? "left"
                : latch == 2 ? "all on"
                             : "?",
                touch ? "" : (", fixed level " + std::to_string(kb.fixedLevel)).c_str());
    static const char* kVoiceTabs[3] = {"preset", "USER", "USB"};
    for (size_t i = 0; i < kb.parts.size(); ++i) {
        const KeyboardPart& p = kb.parts[i];
        std::string voice = VoiceDisplay(catalog, p.voice);
        if (voice.empty()) {
            voice = RefText(p.voice, kVoiceTabs);
        }
        std::printf("    %-2s %-3s %-32s vol %3d pan %+3d oct %+3d rev %3d cho %3d split %s\n",
                    kPartNames[i], OnOff(p.on != 0).c_str(), voice.c_str(), kb.volumes[i],
                    kb.pans[i], p.octave, p.reverb, p.chorus,
                    NoteName(kb.splitKeys[i] & 0x7F).c_str());
    }
}

void PrintEffects(const EffectSection& fx) {
    const auto& a = fx.globalEffect;
    const auto& b = fx.equaliser;
    std::printf(
        "  Effects: global effect %s (reverb type %d level %d, chorus type %d level %d), "
        "equaliser %s\n",
        OnOff(a[0] != 0).c_str(), a[1], a[2], a[3], a[4], OnOff(b[0] != 0).c_str());
    for (size_t i = 0; i < fx.parts.size(); ++i) {
        const PartEffect& p = fx.parts[i];
        std::printf("    %-2s arpeggiator %s (%s), harmony %s, chopper %s (%s), insertion %s\n",
                    kPartNames[i], OnOff(p.flags & 1).c_str(),
                    RefText(p.arpPattern, nullptr).c_str(), OnOff(p.flags & 2).c_str(),
                    OnOff(p.flags & 4).c_str(), RefText(p.chopperPattern, nullptr).c_str(),
                    OnOff(p.flags & 8).c_str());
    }
}

void PrintControllers(const Performance& p) {
    const ControllersSection& c = p.controllers;
    std::string pads;
    for (const Pad& pad : c.pads) {
        pads += (pads.empty() ? "" : ", ") + Named(kPadKinds, pad.kind);
        if (pad.kind == 1 && pad.noteCount > 0) {
            pads += " (" + std::to_string(pad.noteCount) + " notes)";
        }
    }
    std::string knobs;
    for (const Knob& knob : c.knobs) {
        knobs += (knobs.empty() ? "" : ", ") + Named(kKnobFunctions, knob.function);
    }
    std::string pedals;
    for (const Pedal& pedal : c.pedals) {
        pedals += (pedals.empty() ? "" : ", ") + Named(kPedalFunctions, pedal.function);
    }
    std::printf("  Controllers:\n    pads: %s\n    knobs: %s\n    pedals: %s\n", pads.c_str(),
                knobs.c_str(), pedals.c_str());
    if (p.pitchBendPresent) {
        std::printf("    pitch-bend: parts 0x%X, range item %d\n", c.pitchBend[1], c.pitchBend[2]);
    } else {
        std::printf("    pitch-bend: not stored\n");
    }
}

void PrintStyleSong(const StyleSongSection& s) {
    static const char* kTabs[3] = {"preset", "USER", "USB"};
    std::printf("  Style&Song: tempo %d, plays the %s\n", s.tempo,
                s.selection == 1 ? "song" : "style");
    std::printf("    style %s, main %c, volume %d\n", RefText(s.style, kTabs).c_str(),
                'A' + (s.mainSection & 3), s.styleVolume);
    std::printf("    song %s, volume %d\n", RefText(s.song, kTabs).c_str(), s.songVolume);
}

void PrintGlobal(const GlobalSection& g) {
    std::printf(
        "  Global: time signature items %d/%d, accent bell %s, metronome volume %d, "
        "fade in %.1f s, fade out %.1f s, hold %.1f s\n",
        g.numeratorItem, g.denominatorItem, OnOff(g.accentBell != 0).c_str(), g.metronomeVolume,
        g.fadeInTime / 10.0, g.fadeOutTime / 10.0, g.fadeOutHoldTime / 10.0);
}

}  // namespace

int InfoPerformance(const std::filesystem::path& path, bool json) {
    // The catalogue only adds voice names and the settings the language (hence the code page
    // of the paths); a bank is shown without them too.
    AppContext app;
    const PresetCatalog* catalog = nullptr;
    int language = 0;
    if (StartApplication(app)) {
        LoadModels(app);
        catalog = &app.catalog;
        language = app.language.Index();
    }
    ConsoleReporter reporter(ConsoleReporter::Policy::AlwaysNo);
    PerformanceBank bank;
    if (!PerformanceFile(reporter, CodePageForLanguage(language)).Read(path, bank)) {
        return kExitFailed;
    }
    if (json) {
        std::printf("%s\n", BankJson(path, bank, catalog).dump(2).c_str());
        return kExitOk;
    }
    std::printf("Performance bank: %s\n", path.string().c_str());
    for (int k = 0; k < kPerformanceCount; ++k) {
        const Performance& p = bank.At(k);
        std::printf("\nPerformance %d\n", k + 1);
        PrintKeyboard(p.keyboard, catalog);
        PrintEffects(p.effect);
        PrintControllers(p);
        PrintStyleSong(p.styleSong);
        PrintGlobal(p.global);
    }
    return kExitOk;
}

}  // namespace veltrano::cli
