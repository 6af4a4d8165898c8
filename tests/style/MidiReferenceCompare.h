#pragma once

// Field-by-field comparison of the reader's result with the reference walk's.
#include <string>

#include "MidiReferenceWalk.h"
#include "style/MidiFile.h"

namespace veltrano::test {

// Empty when both agree; otherwise the first difference.
inline std::string DifferenceFromReference(const MidiFile& midi, bool loaded,
                                           const ReferenceResult& ref) {
    const auto differs = [](const std::string& what, const auto& ours, const auto& theirs) {
        return what + ": reader " + std::to_string(ours) + ", reference " + std::to_string(theirs);
    };
    if (loaded != ref.ok) {
        return differs("loaded", loaded, ref.ok);
    }
    if (!loaded) {
        return midi.Events().empty() && midi.TempoMap().empty() && midi.InformationText().empty()
                   ? std::string()
                   : std::string("a failed load left a model behind");
    }
    if (midi.Format() != ref.format || midi.TrackCount() != ref.trackCount ||
        midi.Division() != ref.division) {
        return "header fields differ";
    }
    if (midi.Events().size() != ref.events.size()) {
        return differs("event count", midi.Events().size(), ref.events.size());
    }
    for (size_t i = 0; i < ref.events.size(); ++i) {
        const MidiEvent& a = midi.Events()[i];
        const ReferenceEvent& b = ref.events[i];
        const std::string at = "event " + std::to_string(i) + " ";
        if (a.track != b.track)
            return differs(at + "track", a.track, b.track);
        if (a.type != b.type)
            return differs(at + "type", a.type, b.type);
        if (static_cast<int>(a.kind) != b.kind)
            return differs(at + "kind", int(a.kind), b.kind);
        if (a.message != b.message)
            return differs(at + "message", a.message, b.message);
        if (a.delta != b.delta)
            return differs(at + "delta", a.delta, b.delta);
        if (a.tick != b.tick)
            return differs(at + "tick", a.tick, b.tick);
        if (a.time != b.time)
            return differs(at + "time", a.time, b.time);
        if (a.duration != b.duration)
            return differs(at + "duration", a.duration, b.duration);
        if (a.matched != b.matched)
            return differs(at + "matched", a.matched, b.matched);
        if (midi.HexText(a) != b.hexText) {
            return at + "hex text: reader \"" + midi.HexText(a) + "\", reference \"" + b.hexText +
                   "\"";
        }
        if (midi.PositionText(a) != b.positionText) {
            return at + "position: reader " + midi.PositionText(a) + ", reference " +
                   b.positionText;
        }
    }
    if (midi.TempoMap().size() != ref.tempoMap.size()) {
        return differs("tempo map size", midi.TempoMap().size(), ref.tempoMap.size());
    }
    for (size_t i = 0; i < ref.tempoMap.size(); ++i) {
        if (midi.TempoMap()[i].bpm != ref.tempoMap[i].first ||
            midi.TempoMap()[i].tick != ref.tempoMap[i].second) {
            return "tempo map entry " + std::to_string(i) + " differs";
        }
    }
    if (midi.TimeSignatureMap().size() != ref.timeSignatureMap.size()) {
        return differs("time-signature map size", midi.TimeSignatureMap().size(),
                       ref.timeSignatureMap.size());
    }
    for (size_t i = 0; i < ref.timeSignatureMap.size(); ++i) {
        const MidiTimeSignatureEntry& e = midi.TimeSignatureMap()[i];
        if (std::tuple(e.denominator, e.numerator, e.tick) != ref.timeSignatureMap[i]) {
            return "time-signature map entry " + std::to_string(i) + " differs";
        }
    }
    if (midi.CurrentTempo() != ref.currentTempo) {
        return differs("current tempo", midi.CurrentTempo(), ref.currentTempo);
    }
    if (midi.CurrentDenominator() != ref.currentDenominator ||
        midi.CurrentNumerator() != ref.currentNumerator) {
        return "current time signature differs";
    }
    if (midi.CurrentBpm() != ref.currentBpm) {
        return differs("current bpm", midi.CurrentBpm(), ref.currentBpm);
    }
    if (midi.LongestTime() != ref.longestTime) {
        return differs("longest time", midi.LongestTime(), ref.longestTime);
    }
    if (midi.LongestTick() != ref.longestTick) {
        return differs("longest tick", midi.LongestTick(), ref.longestTick);
    }
    if (midi.InformationText() != ref.information) {
        return "information text differs";
    }
    return {};
}

}  // namespace veltrano::test
