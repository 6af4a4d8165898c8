#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace veltrano {

class Reporter;

// What an event record holds. Meta types share their numbers with channel statuses (a meta
// event of type 0x90 exists in hostile files), so the kind is kept apart from the type.
enum class MidiEventKind : uint8_t { Channel, SysEx, Meta };

// One event of a Standard MIDI File, in the merged, tick-ordered list of all tracks.
struct MidiEvent {
    static constexpr uint32_t kNone = 0xFFFFFFFF;

    double tick = 0;      // absolute tick from the start of the track
    double time = 0;      // absolute time in milliseconds
    double duration = 0;  // note-ons: ticks until the paired note-off (0 when none)
    // Channel messages: status in bits 0-7, first data byte in bits 8-15, second in 16-23.
    // Tempo meta events: microseconds per quarter note. Otherwise 0.
    uint32_t message = 0;
    uint32_t delta = 0;  // ticks since the previous event of the same track
    // Index in MidiFile::TimeSignatureMap() of the time signature in force when the event was
    // read; kNone before the first one.
    uint32_t timeSignature = kNone;
    uint32_t metaIndex = kNone;  // meta events: where MidiFile::MetaData() finds their data
    uint16_t track = 0;          // index of the track chunk, from 0
    // Channel messages: the status byte (note-offs read as 8n are stored as 9n, velocity 0).
    // System exclusive: 0xF0 or 0xF7. Meta events: the meta type.
    uint8_t type = 0;
    MidiEventKind kind = MidiEventKind::Channel;
    bool matched = false;  // a note-off that has been paired with a note-on
    // The status and second data byte as they were in the file, for the hex text.
    uint8_t rawStatus = 0;
    uint8_t rawData2 = 0;

    [[nodiscard]] bool IsChannel() const { return kind == MidiEventKind::Channel; }
    [[nodiscard]] bool IsSysEx() const { return kind == MidiEventKind::SysEx; }
    [[nodiscard]] bool IsMeta() const { return kind == MidiEventKind::Meta; }
    [[nodiscard]] bool IsMeta(uint8_t metaType) const { return IsMeta() && type == metaType; }
    [[nodiscard]] uint8_t Status() const { return static_cast<uint8_t>(message); }
    [[nodiscard]] uint8_t Channel() const { return message & 0x0F; }
    [[nodiscard]] uint8_t Data1() const { return static_cast<uint8_t>(message >> 8); }
    [[nodiscard]] uint8_t Data2() const { return static_cast<uint8_t>(message >> 16); }
    [[nodiscard]] bool IsNoteOn() const {
        return IsChannel() && (Status() & 0xF0) == 0x90 && Data2() != 0;
    }
    // Note-offs of every spelling are stored as note-ons with velocity 0.
    [[nodiscard]] bool IsNoteOff() const {
        return IsChannel() && (Status() & 0xF0) == 0x90 && Data2() == 0;
    }
};

struct MidiTempoEntry {
    int bpm = 0;
    double tick = 0;
    bool operator==(const MidiTempoEntry&) const = default;
};

struct MidiTimeSignatureEntry {
    int denominator = 0;  // the note value: 2 to the power of the file's dd
    int numerator = 0;
    double tick = 0;
    bool operator==(const MidiTimeSignatureEntry&) const = default;
};

// Meta types the reader gives meaning to.
inline constexpr uint8_t kMidiMetaText = 0x01;
inline constexpr uint8_t kMidiMetaCopyright = 0x02;
inline constexpr uint8_t kMidiMetaTrackName = 0x03;
inline constexpr uint8_t kMidiMetaInstrument = 0x04;
inline constexpr uint8_t kMidiMetaMarker = 0x06;
inline constexpr uint8_t kMidiMetaEndOfTrack = 0x2F;
inline constexpr uint8_t kMidiMetaTempo = 0x51;
inline constexpr uint8_t kMidiMetaTimeSignature = 0x58;

// A track that stopped at a byte no event can begin with; what followed it was not read.
struct MidiTrackEarlyEnd {
    uint16_t track = 0;  // index of the track chunk, from 0
    double tick = 0;     // where the track stopped
    size_t offset = 0;   // file offset of the refused byte
    bool operator==(const MidiTrackEarlyEnd&) const = default;
};

// A Standard MIDI File of format 0 or 1 read into one list of events of all tracks, merged in
// tick order, with a tempo map, a time-signature map, note durations, times in milliseconds and
// bar:beat:tick positions. Reading costs time and memory in proportion to the file.
class MidiFile {
public:
    // Larger files are refused before anything is allocated for them.
    static constexpr uint64_t kMaxFileBytes = uint64_t{1} << 30;

    // Reads the whole file and parses it, replacing what was loaded before. On failure the
    // model is left cleared and LastError() says why; an allocation failure is also shown as
    // "Run out of memory!". The caller checks the format itself.
    [[nodiscard]] bool load(const std::filesystem::path& path, Reporter& reporter);
    // The same on bytes already in memory; the path stays empty.
    [[nodiscard]] bool LoadBytes(ByteView bytes, Reporter& reporter);
    // Frees every event and map entry and resets every field to its initial value.
    void clear();

    [[nodiscard]] bool Loaded() const { return loaded_; }
    [[nodiscard]] const std::string& FilePath() const { return path_; }
    [[nodiscard]] const std::string& LastError() const { return error_; }

    [[nodiscard]] uint16_t Format() const { return format_; }
    [[nodiscard]] uint16_t TrackCount() const { return trackCount_; }
    [[nodiscard]] uint16_t Division() const { return division_; }

    // All events of all tracks, ticks ascending. At one tick: the first event of the lowest
    // track that has events there, then the other tracks' events from the highest track down,
    // then the rest of the lowest track's; each track's in file order.
    [[nodiscard]] const std::vector<MidiEvent>& Events() const { return events_; }
    // One entry per tempo event once a time signature is known, and one at every time
    // signature once a tempo is known.
    [[nodiscard]] const std::vector<MidiTempoEntry>& TempoMap() const { return tempoMap_; }
    [[nodiscard]] const std::vector<MidiTimeSignatureEntry>& TimeSignatureMap() const {
        return timeSignatureMap_;
    }

    // The last values read, in parse order (tracks one after the other).
    [[nodiscard]] uint32_t CurrentTempo() const { return currentTempo_; }  // µs per quarter
    [[nodiscard]] uint32_t CurrentDenominator() const { return currentDenominator_; }
    [[nodiscard]] uint32_t CurrentNumerator() const { return currentNumerator_; }
    [[nodiscard]] int CurrentBpm() const { return currentBpm_; }

    [[nodiscard]] double LongestTime() const { return longestTime_; }
    [[nodiscard]] double LongestTick() const { return longestTick_; }
    // The header summary and the texts of the meta events, one line each.
    [[nodiscard]] const std::string& InformationText() const { return information_; }

    // The tracks that stopped early, in track order.
    [[nodiscard]] const std::vector<MidiTrackEarlyEnd>& EarlyEnds() const { return earlyEnds_; }

    // The data bytes of a meta event as they were in the file; empty for other events.
    [[nodiscard]] std::string_view MetaData(const MidiEvent& event) const;
    // "90 3C 40" for channel messages as read ("C0 05 " for one data byte), the raw data for
    // meta events, empty for system exclusive.
    [[nodiscard]] std::string HexText(const MidiEvent& event) const;
    // "bar:beat:tick" under the time signature in force when the event was read.
    [[nodiscard]] std::string PositionText(const MidiEvent& event) const;

    // Moves one event to another index, the others keeping their order; for callers that
    // adjust the merged order (a marker put in front of the events of its tick).
    void MoveEvent(size_t from, size_t to);

private:
    struct MetaSpan {
        uint32_t offset = 0;
        uint32_t size = 0;
    };
    struct TrackSpan;
    struct Counts;
    static constexpr size_t kNoEvent = SIZE_MAX;

    bool Parse(ByteView bytes);
    bool ReadInFileOrder(ByteView bytes, std::vector<TrackSpan>& spans, Counts& counts);
    void ReadMeta(uint16_t track, uint8_t type, double tick, ByteView data);
    void ReadMerged(const std::vector<TrackSpan>& spans, const Counts& counts);
    void Complete();
    void TimeEvents();
    void PairNotes();
    void PairSharedKeys(const std::vector<bool>& sharedKey);

    uint16_t format_ = 0;
    uint16_t trackCount_ = 0;
    uint16_t division_ = 0;
    std::vector<MidiEvent> events_;
    std::vector<MidiTempoEntry> tempoMap_;
    std::vector<MidiTimeSignatureEntry> timeSignatureMap_;
    uint32_t currentTempo_ = 0;
    uint32_t currentDenominator_ = 0;
    uint32_t currentNumerator_ = 0;
    int currentBpm_ = 0;
    double longestTime_ = 0;
    double longestTick_ = 0;
    std::string information_;
    std::string path_;
    bool loaded_ = false;
    std::string error_;

    std::vector<MidiTrackEarlyEnd> earlyEnds_;
    std::string metaData_;  // the data of every meta event, back to back
    std::vector<MetaSpan> metaSpans_;
    size_t lastTempo_ = kNoEvent;  // the last tempo event in the merged list
};

// "bar:beat:tick" of a tick under a time signature (numerator, denominator value) at a
// division; "0:00:000" when no bar can be formed (no time signature, or one so small that a
// beat or a bar has no ticks).
[[nodiscard]] std::string FormatMidiPosition(double tick, uint32_t numerator, uint32_t denominator,
                                             uint32_t division);

}  // namespace veltrano
