// "info FILE.mid": the header, the tempo and time-signature maps, the number of events and the
// information text of a Standard MIDI file; with --json every event as well.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "cli/InfoCommand.h"
#include "style/MidiFile.h"

namespace veltrano::cli {

namespace {

const char* KindName(MidiEventKind kind) {
    switch (kind) {
        case MidiEventKind::Channel:
            return "channel";
        case MidiEventKind::SysEx:
            return "sysex";
        case MidiEventKind::Meta:
            return "meta";
    }
    return "";
}

nlohmann::ordered_json EventJson(const MidiFile& midi, const MidiEvent& e) {
    nlohmann::ordered_json out = {{"track", e.track},      {"kind", KindName(e.kind)},
                                  {"type", e.type},        {"message", e.message},
                                  {"delta", e.delta},      {"tick", e.tick},
                                  {"time", e.time},        {"position", midi.PositionText(e)},
                                  {"hex", midi.HexText(e)}};
    if (e.IsNoteOn()) {
        out["duration"] = e.duration;
    }
    if (e.IsNoteOff()) {
        out["matched"] = e.matched;
    }
    return out;
}

nlohmann::ordered_json MidiJson(const std::filesystem::path& path, const MidiFile& midi) {
    nlohmann::ordered_json tempos = nlohmann::ordered_json::array();
    for (const MidiTempoEntry& t : midi.TempoMap()) {
        tempos.push_back({{"bpm", t.bpm}, {"tick", t.tick}});
    }
    nlohmann::ordered_json signatures = nlohmann::ordered_json::array();
    for (const MidiTimeSignatureEntry& s : midi.TimeSignatureMap()) {
        signatures.push_back(
            {{"numerator", s.numerator}, {"denominator", s.denominator}, {"tick", s.tick}});
    }
    nlohmann::ordered_json events = nlohmann::ordered_json::array();
    for (const MidiEvent& e : midi.Events()) {
        events.push_back(EventJson(midi, e));
    }
    return {{"file", path.string()},
            {"format", midi.Format()},
            {"tracks", midi.TrackCount()},
            {"division", midi.Division()},
            {"eventCount", midi.Events().size()},
            {"longestTick", midi.LongestTick()},
            {"longestTime", midi.LongestTime()},
            {"tempoMap", tempos},
            {"timeSignatures", signatures},
            {"information", midi.InformationText()},
            {"events", events}};
}

// The information text holds the files' own bytes; control characters other than line
// breaks are shown escaped so that they cannot drive the terminal.
std::string Printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\n') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else if (byte == 0x7F) {
            out += "\\x7F";
        } else {
            out += c;
        }
    }
    return out;
}

void PrintMidi(const std::filesystem::path& path, const MidiFile& midi) {
    std::printf("File: %s\n", path.string().c_str());
    std::printf("Format: %u\nTracks: %u\nDivision: %u ticks per quarter note\n", midi.Format(),
                midi.TrackCount(), midi.Division());
    std::printf("Events: %zu\n", midi.Events().size());
    std::printf("Longest tick: %.0f\nLongest time: %.1f ms\n", midi.LongestTick(),
                midi.LongestTime());
    std::printf("\nTempo map: %zu\n", midi.TempoMap().size());
    for (const MidiTempoEntry& t : midi.TempoMap()) {
        std::printf("  tick %10.0f  %d bpm\n", t.tick, t.bpm);
    }
    std::printf("\nTime signatures: %zu\n", midi.TimeSignatureMap().size());
    for (const MidiTimeSignatureEntry& s : midi.TimeSignatureMap()) {
        std::printf("  tick %10.0f  %d/%d\n", s.tick, s.numerator, s.denominator);
    }
    std::printf("\nInformation:\n%s", Printable(midi.InformationText()).c_str());
}

}  // namespace

int InfoMidiFile(const std::filesystem::path& path, bool json) {
    ConsoleReporter reporter(ConsoleReporter::Policy::AlwaysNo);
    MidiFile midi;
    if (!midi.load(path, reporter)) {
        reporter.Show(Icon::Error, "Error",
                      "Open midi file failed: " + path.string() + ": " + midi.LastError());
        return kExitFailed;
    }
    if (json) {
        // Texts come from the file in any code page: bytes that are not UTF-8 are replaced.
        const std::string text =
            MidiJson(path, midi)
                .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        std::printf("%s\n", text.c_str());
    } else {
        PrintMidi(path, midi);
    }
    return kExitOk;
}

}  // namespace veltrano::cli
