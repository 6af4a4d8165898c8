#include "style/MidiFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>
#include <system_error>

#include "base/FileIo.h"
#include "base/Reporter.h"

namespace veltrano {

namespace {

constexpr std::array<uint8_t, 8> kHeaderTag = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
constexpr std::array<uint8_t, 4> kTrackTag = {'M', 'T', 'r', 'k'};
constexpr size_t kHeaderSize = 14;
constexpr const char* kOutOfMemory = "Run out of memory!";

// Channel statuses with a single data byte: program change and channel pressure.
bool HasOneDataByte(uint8_t status) {
    return status >= 0xC0 && status <= 0xDF;
}

uint32_t TickToU32(double ticks) {
    return ticks >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(ticks);
}

uint64_t TickToU64(double ticks) {
    return ticks >= 18446744073709549568.0 ? UINT64_MAX : static_cast<uint64_t>(ticks);
}

int BpmOf(uint32_t microsecondsPerQuarter) {
    return static_cast<int>(std::lround(60000000.0 / microsecondsPerQuarter));
}

double MillisecondsPerTick(uint32_t microsecondsPerQuarter, uint16_t division) {
    return static_cast<double>(microsecondsPerQuarter) / (static_cast<double>(division) * 1000.0);
}

// A tempo needs three data bytes and is never 0 (its beats per minute would be infinite);
// 0 means the event is no tempo.
uint32_t TempoOf(ByteView data) {
    return data.size() < 3 ? 0 : (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
}

// A time signature needs its numerator and a denominator power whose note value fits an int.
bool IsTimeSignature(ByteView data) {
    return data.size() >= 2 && data[1] <= 30;
}

void AppendHex(std::string& text, uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    text += kDigits[value >> 4];
    text += kDigits[value & 0x0F];
}

// One event as read from a track, before it becomes a record.
struct Decoded {
    double tick = 0;
    MidiEventKind kind = MidiEventKind::Channel;
    uint8_t type = 0;  // channel status, 0xF0 or 0xF7, or the meta type
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    ByteView data;  // meta events: their data
};

// Reads one track chunk event by event. Whatever cannot be read ends the track with the
// events before it kept; only an unreadable first delta-time is an error.
class TrackDecoder {
public:
    [[nodiscard]] bool Start(ByteView body) {
        in_ = ByteReader(body);
        tick_ = in_.Vlq();
        ended_ = !in_.Ok();
        return !ended_;
    }

    // The next event, or false at the end of the track.
    [[nodiscard]] bool Next(Decoded& out) {
        if (ended_) {
            return false;
        }
        const size_t start = in_.Position();
        if (!Decode(out)) {
            ended_ = true;
            if (refused_) {
                refusedAt_ = start;
            }
            return false;
        }
        const uint32_t delta = in_.Vlq();
        ended_ = !in_.Ok();
        tick_ += delta;
        return true;
    }

    // Where the track stopped at a byte that cannot begin an event (its offset in the track
    // body); nullopt when it ended normally or ran out of bytes.
    [[nodiscard]] std::optional<size_t> RefusedAt() const { return refusedAt_; }
    [[nodiscard]] double Tick() const { return tick_; }

private:
    bool Decode(Decoded& out) {
        out.tick = tick_;
        const uint8_t lead = in_.U8();
        if (!in_.Ok()) {
            return false;
        }
        if (lead < 0xF0) {
            uint8_t data1 = lead;
            if (lead >= 0x80) {
                running_ = lead;
                data1 = in_.U8();
            } else if (running_ == 0) {
                refused_ = true;
                return false;  // a data byte with nothing to run on
            }
            out.kind = MidiEventKind::Channel;
            out.type = running_;
            out.data1 = data1;
            out.data2 = HasOneDataByte(running_) ? 0 : in_.U8();
            return in_.Ok();
        }
        if (lead == 0xF0 || lead == 0xF7) {
            const uint32_t length = in_.Vlq();
            out.kind = MidiEventKind::SysEx;
            out.type = lead;
            return in_.Ok() && in_.Skip(length);
        }
        if (lead == 0xFF) {
            const uint8_t type = in_.U8();
            if (!in_.Ok() || type == kMidiMetaEndOfTrack) {
                return false;
            }
            const uint32_t length = in_.Vlq();
            out.kind = MidiEventKind::Meta;
            out.type = type;
            out.data = in_.Take(length);
            return in_.Ok();
        }
        refused_ = true;
        return false;  // system common and real-time bytes have no place in a file
    }

    ByteReader in_{ByteView()};
    double tick_ = 0;
    uint8_t running_ = 0;
    bool ended_ = true;
    bool refused_ = false;
    std::optional<size_t> refusedAt_;
};

}  // namespace

// What the first pass hands the second.
struct MidiFile::TrackSpan {
    uint16_t track = 0;
    ByteView body;
    uint32_t signaturesBefore = 0;  // time signatures read before this track began
};

struct MidiFile::Counts {
    size_t events = 0;
    size_t metas = 0;
    size_t metaBytes = 0;
};

bool MidiFile::load(const std::filesystem::path& path, Reporter& reporter) {
    clear();
    try {
        std::error_code ec;
        const uintmax_t size = std::filesystem::file_size(path, ec);
        if (!ec && size > kMaxFileBytes) {
            error_ = "The file is too large for a MIDI file (more than 1 GiB)";
            return false;
        }
        bool parsed = false;
        {
            // The file's bytes are let go as soon as the events are taken from them.
            const std::optional<std::string> bytes = ReadFileBytes(path, kMaxFileBytes);
            if (!bytes) {
                error_ = "Cannot open the file";
                return false;
            }
            parsed = Parse(AsBytes(*bytes));
        }
        if (parsed) {
            Complete();
            path_ = path.string();
        }
        return parsed;
    } catch (const std::bad_alloc&) {
        clear();
        error_ = kOutOfMemory;
        reporter.Show(Icon::Error, "Error", kOutOfMemory);
        return false;
    }
}

bool MidiFile::LoadBytes(ByteView bytes, Reporter& reporter) {
    clear();
    try {
        if (!Parse(bytes)) {
            return false;
        }
        Complete();
        return true;
    } catch (const std::bad_alloc&) {
        clear();
        error_ = kOutOfMemory;
        reporter.Show(Icon::Error, "Error", kOutOfMemory);
        return false;
    }
}

void MidiFile::Complete() {
    TimeEvents();
    PairNotes();
    loaded_ = true;
}

void MidiFile::clear() {
    // Assigning a fresh object gives the memory back, not only the elements.
    *this = MidiFile();
}

// Two passes over the bytes. The first reads the tracks one after the other, as the file has
// them: everything that depends on that order (the maps, the current values, the information
// text, which time signature is in force) comes from it, and it counts what the second will
// store. The second reads all tracks at once and appends the records in merged order, so the
// list is written front to back, once, into memory allocated once.
bool MidiFile::Parse(ByteView bytes) {
    std::vector<TrackSpan> spans;
    Counts counts;
    if (!ReadInFileOrder(bytes, spans, counts)) {
        const std::string why = error_;
        clear();
        error_ = why;
        return false;
    }
    ReadMerged(spans, counts);
    return true;
}

bool MidiFile::ReadInFileOrder(ByteView bytes, std::vector<TrackSpan>& spans, Counts& counts) {
    if (bytes.empty()) {
        error_ = "The file is empty";
        return false;
    }
    ByteReader in(bytes);
    const ByteView tag = in.Take(kHeaderTag.size());
    const uint16_t format = in.U16Be();
    const uint16_t tracks = in.U16Be();
    const uint16_t division = in.U16Be();
    if (!in.Ok() || !std::equal(tag.begin(), tag.end(), kHeaderTag.begin())) {
        error_ = "Not a Standard MIDI file: it does not begin with an MThd header of length 6";
        return false;
    }
    // Every time and position divides by it.
    if (division == 0) {
        error_ = "The time division of the MIDI file is 0";
        return false;
    }
    format_ = format;
    trackCount_ = tracks;
    division_ = division;
    char line[160];
    std::snprintf(line, sizeof line, "File format: %d  \nTrack count: %d  \nTime division: %d\n",
                  format, tracks, division);
    information_ = line;

    size_t position = kHeaderSize;
    for (uint32_t track = 0; track < tracks; ++track) {
        ByteReader chunk(bytes);
        (void)chunk.Seek(position);
        const ByteView chunkTag = chunk.Take(kTrackTag.size());
        const uint32_t length = chunk.U32Be();
        if (!chunk.Ok() || !std::equal(chunkTag.begin(), chunkTag.end(), kTrackTag.begin())) {
            std::snprintf(line, sizeof line, "Track %u: no MTrk chunk at byte %zu", track,
                          position);
            error_ = line;
            return false;
        }
        const size_t start = position + 8;
        position = start + length;
        if (length == 0) {
            continue;
        }
        // A length past the end of the file gives the track what is there.
        const ByteView body = bytes.subspan(start, std::min<size_t>(length, bytes.size() - start));
        TrackDecoder decoder;
        if (!decoder.Start(body)) {
            std::snprintf(line, sizeof line,
                          "Track %u: the first delta-time at byte %zu cannot be read", track,
                          start);
            error_ = line;
            return false;
        }
        spans.push_back(
            {static_cast<uint16_t>(track), body, static_cast<uint32_t>(timeSignatureMap_.size())});
        Decoded e;
        while (decoder.Next(e)) {
            ++counts.events;
            if (e.kind == MidiEventKind::Meta) {
                ++counts.metas;
                counts.metaBytes += e.data.size();
                ReadMeta(static_cast<uint16_t>(track), e.type, e.tick, e.data);
            }
        }
        if (const std::optional<size_t> at = decoder.RefusedAt()) {
            earlyEnds_.push_back({static_cast<uint16_t>(track), decoder.Tick(), start + *at});
        }
    }
    return true;
}

void MidiFile::ReadMeta(uint16_t track, uint8_t type, double tick, ByteView data) {
    if (type == kMidiMetaTempo) {
        const uint32_t tempo = TempoOf(data);
        if (tempo == 0) {
            return;
        }
        currentTempo_ = tempo;
        if (!timeSignatureMap_.empty()) {
            currentBpm_ = BpmOf(tempo);
            tempoMap_.push_back({currentBpm_, tick});
        }
        return;
    }
    if (type == kMidiMetaTimeSignature) {
        if (!IsTimeSignature(data)) {
            return;
        }
        currentNumerator_ = data[0];
        currentDenominator_ = uint32_t{1} << data[1];
        timeSignatureMap_.push_back(
            {static_cast<int>(currentDenominator_), static_cast<int>(currentNumerator_), tick});
        // A tempo read before the first time signature enters the map here.
        if (currentTempo_ != 0) {
            currentBpm_ = BpmOf(currentTempo_);
            tempoMap_.push_back({currentBpm_, tick});
        }
        return;
    }
    switch (type) {
        case kMidiMetaText:
            information_ += "Track " + std::to_string(track) + " comment:";
            break;
        case kMidiMetaCopyright:
            information_ += "Copyright:";
            break;
        case kMidiMetaTrackName:
            information_ += "Track " + std::to_string(track) + " name:";
            break;
        case kMidiMetaInstrument:
            information_ += "Instrument:";
            break;
        default:
            break;
    }
    information_ += AsText(data);
    information_ += '\n';
}

// The order is that of inserting each track's events, track after track, into one list kept
// in tick order, where every track resumes its walk at its own last insertion and a record
// goes before the first greater tick or directly after the first equal one. Worked through,
// that is: ticks ascending; within one tick, the first event of the lowest track that has
// events there, then the events of the other tracks from the highest track down, each track's
// in file order, then the rest of the lowest track's. So the tracks are merged by (tick up,
// track down), every track read ahead by one event and the next one chosen by a loser tree,
// and when a tick is complete the lowest track's first event is moved to its front.
void MidiFile::ReadMerged(const std::vector<TrackSpan>& spans, const Counts& counts) {
    struct Cursor {
        TrackDecoder decoder;
        Decoded next;
        uint16_t track = 0;
        uint32_t signatures = 0;  // time signatures read so far, this track's included
    };
    events_.reserve(counts.events);
    metaSpans_.reserve(counts.metas);
    metaData_.reserve(counts.metaBytes);

    std::vector<Cursor> cursors;
    cursors.reserve(spans.size());
    for (const TrackSpan& span : spans) {
        Cursor c;
        c.track = span.track;
        c.signatures = span.signaturesBefore;
        if (c.decoder.Start(span.body) && c.decoder.Next(c.next)) {
            cursors.push_back(c);
        }
    }
    if (cursors.empty()) {
        return;
    }
    // Appends the cursor's event and reads its next one; false when the track has ended.
    const auto take = [this](Cursor& c) {
        const Decoded& d = c.next;
        MidiEvent& e = events_.emplace_back();
        e.tick = d.tick;
        e.track = c.track;
        e.kind = d.kind;
        e.type = d.type;
        if (d.kind == MidiEventKind::Channel) {
            e.rawStatus = d.type;
            e.rawData2 = d.data2;
            uint8_t velocity = d.data2;
            if ((d.type & 0xF0) == 0x80) {
                e.type = static_cast<uint8_t>(0x90 | (d.type & 0x0F));
                velocity = 0;
            }
            e.message = e.type | (uint32_t{d.data1} << 8) | (uint32_t{velocity} << 16);
        } else if (d.kind == MidiEventKind::Meta) {
            if (d.type == kMidiMetaTempo) {
                e.message = TempoOf(d.data);
                if (e.message != 0) {
                    lastTempo_ = events_.size() - 1;
                }
            } else if (d.type == kMidiMetaTimeSignature && IsTimeSignature(d.data)) {
                ++c.signatures;
            }
            e.metaIndex = static_cast<uint32_t>(metaSpans_.size());
            metaSpans_.push_back(
                {static_cast<uint32_t>(metaData_.size()), static_cast<uint32_t>(d.data.size())});
            metaData_.append(AsText(d.data));
        }
        e.timeSignature = c.signatures == 0 ? MidiEvent::kNone : c.signatures - 1;
        return c.decoder.Next(c.next);
    };

    // The loser tree over the cursors: leaves k..2k-1, each inner node keeps the loser of its
    // match, slot 0 the overall winner. A finished track's tick is infinite.
    const size_t k = cursors.size();
    std::vector<double> key(k);
    for (size_t i = 0; i < k; ++i) {
        key[i] = cursors[i].next.tick;
    }
    const auto beats = [&key, &cursors](uint32_t a, uint32_t b) {
        return key[a] < key[b] || (key[a] == key[b] && cursors[a].track > cursors[b].track);
    };
    std::vector<uint32_t> loser(k);
    {
        std::vector<uint32_t> winner(2 * k);
        for (size_t i = 0; i < k; ++i) {
            winner[k + i] = static_cast<uint32_t>(i);
        }
        for (size_t node = k - 1; node >= 1; --node) {
            const uint32_t a = winner[2 * node];
            const uint32_t b = winner[2 * node + 1];
            winner[node] = beats(a, b) ? a : b;
            loser[node] = beats(a, b) ? b : a;
        }
        loser[0] = winner[1];  // with one track, leaf 1 is the root
    }
    const auto replay = [&loser, &beats, k](uint32_t cursor) {
        uint32_t current = cursor;
        for (size_t node = (k + cursor) / 2; node >= 1; node /= 2) {
            if (beats(loser[node], current)) {
                std::swap(loser[node], current);
            }
        }
        loser[0] = current;
    };

    size_t groupStart = 0;
    size_t lowestBlock = 0;
    double groupTick = 0;
    const auto closeGroup = [&] {
        const auto base = events_.begin();
        std::rotate(base + static_cast<ptrdiff_t>(groupStart),
                    base + static_cast<ptrdiff_t>(lowestBlock),
                    base + static_cast<ptrdiff_t>(lowestBlock) + 1);
        if (lastTempo_ != kNoEvent && lastTempo_ >= groupStart) {
            // The move may have changed which tempo of this tick comes last.
            for (size_t i = events_.size(); i-- > groupStart;) {
                if (events_[i].IsMeta(kMidiMetaTempo) && events_[i].message != 0) {
                    lastTempo_ = i;
                    break;
                }
            }
        }
    };
    for (;;) {
        const uint32_t w = loser[0];
        const double tick = key[w];
        if (tick == std::numeric_limits<double>::infinity()) {
            break;
        }
        if (!events_.empty() && tick != groupTick) {
            closeGroup();
            groupStart = events_.size();
        }
        groupTick = tick;
        lowestBlock = events_.size();
        Cursor& c = cursors[w];
        bool goesOn = take(c);
        while (goesOn && c.next.tick == tick) {
            goesOn = take(c);
        }
        key[w] = goesOn ? c.next.tick : std::numeric_limits<double>::infinity();
        replay(w);
    }
    closeGroup();
}

// Times as if each track were walked over the whole list in turn, every tempo event met
// setting the milliseconds per tick before anything else is done with it: an event of track 0
// runs at the last tempo at or before it in the list (120 beats per minute before any), an
// event of a later track the same, or, before any tempo, at the last tempo of the whole list,
// where the previous walk ended. Each event's time is its track's previous time plus that
// rate times its delta.
void MidiFile::TimeEvents() {
    const double initial = MillisecondsPerTick(500000, division_);
    const double final = lastTempo_ == kNoEvent
                             ? initial
                             : MillisecondsPerTick(events_[lastTempo_].message, division_);
    std::vector<double> previousTick(trackCount_, 0.0);
    std::vector<double> previousTime(trackCount_, 0.0);
    bool tempoSeen = false;
    double perTick = 0;
    for (MidiEvent& e : events_) {
        if (e.IsMeta(kMidiMetaTempo) && e.message != 0) {
            perTick = MillisecondsPerTick(e.message, division_);
            tempoSeen = true;
        }
        const double rate = tempoSeen ? perTick : (e.track == 0 ? initial : final);
        const double delta = e.tick - previousTick[e.track];
        e.delta = TickToU32(delta);
        e.time = previousTime[e.track] + rate * delta;
        previousTick[e.track] = e.tick;
        previousTime[e.track] = e.time;
        longestTime_ = std::max(longestTime_, e.time);
        longestTick_ = std::max(longestTick_, e.tick);
    }
}

// Every note-on with a velocity, track by track and in list order within a track, takes the
// first following note-off of its status and note that no earlier note-on has taken. Keys
// (status and note) never meet, so each is paired on its own. When all note-ons of a key come
// from one track, taking "the first free note-off after each note-on, in order" pairs exactly
// as giving each note-off the oldest waiting note-on: one sweep with a queue per key. A key
// played by several tracks is paired track by track over its note-offs in list order, "the
// first free one from here on" found in a next-free chain with path halving.
void MidiFile::PairNotes() {
    constexpr size_t kKeys = 16 * 256;
    constexpr uint32_t kNoTrack = 0xFFFFFFFF;
    constexpr uint32_t kSeveral = 0xFFFFFFFE;
    const auto keyOf = [](const MidiEvent& e) -> size_t {
        return (size_t{e.Channel()} << 8) | e.Data1();
    };
    std::vector<uint32_t> onTrack(kKeys, kNoTrack);
    bool several = false;
    for (const MidiEvent& e : events_) {
        if (e.IsNoteOn()) {
            uint32_t& t = onTrack[keyOf(e)];
            if (t == kNoTrack) {
                t = e.track;
            } else if (t != e.track && t != kSeveral) {
                t = kSeveral;
                several = true;
            }
        }
    }

    {
        struct Waiting {
            std::vector<uint32_t> notes;
            size_t head = 0;
        };
        std::vector<Waiting> waiting(kKeys);
        for (size_t i = 0; i < events_.size(); ++i) {
            MidiEvent& e = events_[i];
            if (!e.IsChannel() || (e.Status() & 0xF0) != 0x90) {
                continue;
            }
            const size_t key = keyOf(e);
            if (onTrack[key] == kSeveral || onTrack[key] == kNoTrack) {
                continue;
            }
            Waiting& w = waiting[key];
            if (e.Data2() != 0) {
                w.notes.push_back(static_cast<uint32_t>(i));
            } else if (w.head < w.notes.size()) {
                MidiEvent& noteOn = events_[w.notes[w.head++]];
                noteOn.duration = e.tick - noteOn.tick;
                e.matched = true;
                if (w.head == w.notes.size()) {
                    w.notes.clear();
                    w.head = 0;
                }
            }
        }
    }
    if (several) {
        std::vector<bool> shared(kKeys);
        for (size_t key = 0; key < kKeys; ++key) {
            shared[key] = onTrack[key] == kSeveral;
        }
        PairSharedKeys(shared);
    }
}

void MidiFile::PairSharedKeys(const std::vector<bool>& sharedKey) {
    constexpr size_t kKeys = 16 * 256;
    const auto keyOf = [](const MidiEvent& e) -> size_t {
        return (size_t{e.Channel()} << 8) | e.Data1();
    };
    const auto shared = [&sharedKey, &keyOf](const MidiEvent& e) { return sharedKey[keyOf(e)]; };
    std::vector<uint32_t> keyStart(kKeys + 1, 0);
    std::vector<uint32_t> onsOfTrack(size_t{trackCount_} + 1, 0);
    for (const MidiEvent& e : events_) {
        if (e.IsNoteOff() && shared(e)) {
            ++keyStart[keyOf(e) + 1];
        } else if (e.IsNoteOn() && shared(e)) {
            ++onsOfTrack[size_t{e.track} + 1];
        }
    }
    for (size_t k = 0; k < kKeys; ++k) {
        keyStart[k + 1] += keyStart[k];
    }
    for (size_t t = 0; t < trackCount_; ++t) {
        onsOfTrack[t + 1] += onsOfTrack[t];
    }
    const size_t offCount = keyStart[kKeys];
    const size_t onCount = onsOfTrack[trackCount_];
    if (offCount == 0 || onCount == 0) {
        return;
    }

    struct NoteOn {
        uint32_t event;
        uint32_t firstOff;  // index of the first note-off of its key after it
    };
    std::vector<uint32_t> offs(offCount);
    std::vector<NoteOn> ons(onCount);
    {
        std::vector<uint32_t> offsSeen(keyStart.begin(), keyStart.end() - 1);
        std::vector<uint32_t> onsPlaced(onsOfTrack.begin(), onsOfTrack.end() - 1);
        for (size_t i = 0; i < events_.size(); ++i) {
            const MidiEvent& e = events_[i];
            if (e.IsNoteOff() && shared(e)) {
                offs[offsSeen[keyOf(e)]++] = static_cast<uint32_t>(i);
            } else if (e.IsNoteOn() && shared(e)) {
                ons[onsPlaced[e.track]++] = {static_cast<uint32_t>(i), offsSeen[keyOf(e)]};
            }
        }
    }
    // next[i] leads to the first free note-off at or after i; the extra last slot is free.
    std::vector<uint32_t> next(offCount + 1);
    for (size_t i = 0; i <= offCount; ++i) {
        next[i] = static_cast<uint32_t>(i);
    }
    const auto firstFree = [&next](uint32_t i) {
        while (next[i] != i) {
            next[i] = next[next[i]];
            i = next[i];
        }
        return i;
    };
    for (const NoteOn& on : ons) {
        MidiEvent& noteOn = events_[on.event];
        const uint32_t keyEnd = keyStart[keyOf(noteOn) + 1];
        const uint32_t free = firstFree(on.firstOff);
        if (free >= keyEnd) {
            continue;
        }
        MidiEvent& noteOff = events_[offs[free]];
        noteOn.duration = noteOff.tick - noteOn.tick;
        noteOff.matched = true;
        next[free] = free + 1;
    }
}

std::string_view MidiFile::MetaData(const MidiEvent& event) const {
    if (!event.IsMeta() || event.metaIndex >= metaSpans_.size()) {
        return {};
    }
    const MetaSpan& span = metaSpans_[event.metaIndex];
    return std::string_view(metaData_).substr(span.offset, span.size);
}

std::string MidiFile::HexText(const MidiEvent& event) const {
    switch (event.kind) {
        case MidiEventKind::Meta:
            return std::string(MetaData(event));
        case MidiEventKind::SysEx:
            return {};
        case MidiEventKind::Channel:
            break;
    }
    std::string text;
    AppendHex(text, event.rawStatus);
    text += ' ';
    AppendHex(text, event.Data1());
    text += ' ';
    if (!HasOneDataByte(event.rawStatus)) {
        AppendHex(text, event.rawData2);
    }
    return text;
}

std::string MidiFile::PositionText(const MidiEvent& event) const {
    if (event.timeSignature >= timeSignatureMap_.size()) {
        return FormatMidiPosition(event.tick, 0, 0, division_);
    }
    const MidiTimeSignatureEntry& ts = timeSignatureMap_[event.timeSignature];
    return FormatMidiPosition(event.tick, static_cast<uint32_t>(ts.numerator),
                              static_cast<uint32_t>(ts.denominator), division_);
}

void MidiFile::MoveEvent(size_t from, size_t to) {
    if (from >= events_.size() || to >= events_.size() || from == to) {
        return;
    }
    const auto base = events_.begin();
    if (from < to) {
        std::rotate(base + static_cast<ptrdiff_t>(from), base + static_cast<ptrdiff_t>(from) + 1,
                    base + static_cast<ptrdiff_t>(to) + 1);
    } else {
        std::rotate(base + static_cast<ptrdiff_t>(to), base + static_cast<ptrdiff_t>(from),
                    base + static_cast<ptrdiff_t>(from) + 1);
    }
}

std::string FormatMidiPosition(double tick, uint32_t numerator, uint32_t denominator,
                               uint32_t division) {
    const uint64_t beat = denominator == 0 ? 0 : uint64_t{division} * 4 / denominator;
    const uint64_t bar = denominator == 0 ? 0 : uint64_t{numerator} * division * 4 / denominator;
    if (beat == 0 || bar == 0) {
        return "0:00:000";
    }
    const uint64_t ticks = TickToU64(tick);
    const uint64_t barNumber = ticks / bar + 1;
    const uint64_t inBar = ticks - (barNumber - 1) * bar;
    std::string beatText = std::to_string(inBar / beat + 1);
    if (beatText.size() != 2) {
        beatText.insert(0, "0");
    }
    std::string tickText = std::to_string(inBar % beat);
    if (tickText.size() < 3) {
        tickText.insert(0, 3 - tickText.size(), '0');
    }
    return std::to_string(barNumber) + ":" + beatText + ":" + tickText;
}

}  // namespace veltrano
