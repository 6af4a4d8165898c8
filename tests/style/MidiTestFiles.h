#pragma once

// Builders of Standard MIDI File bytes for the tests, the fuzz seeds and the reference check.
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace veltrano::test {

// The bytes of one track chunk's body, event by event.
class TrackBytes {
public:
    TrackBytes& Delta(uint32_t delta) {
        out_.Vlq(delta);
        return *this;
    }
    TrackBytes& Raw(std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) {
            out_.U8(b);
        }
        return *this;
    }
    TrackBytes& Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        return Delta(delta).Raw(bytes);
    }
    TrackBytes& Meta(uint32_t delta, uint8_t type, std::string_view data) {
        Delta(delta).Raw({0xFF, type});
        out_.Vlq(static_cast<uint32_t>(data.size()));
        out_.Append(data);
        return *this;
    }
    TrackBytes& Tempo(uint32_t delta, uint32_t microseconds) {
        Delta(delta).Raw({0xFF, 0x51, 0x03});
        out_.U24Be(microseconds);
        return *this;
    }
    TrackBytes& TimeSignature(uint32_t delta, uint8_t numerator, uint8_t power) {
        return Event(delta, {0xFF, 0x58, 0x04, numerator, power, 0x18, 0x08});
    }
    TrackBytes& SysEx(uint32_t delta, uint8_t lead, std::string_view data) {
        Delta(delta).Raw({lead});
        out_.Vlq(static_cast<uint32_t>(data.size()));
        out_.Append(data);
        return *this;
    }
    TrackBytes& End(uint32_t delta = 0) { return Event(delta, {0xFF, 0x2F, 0x00}); }

    [[nodiscard]] const Bytes& Data() const { return out_.Data(); }

private:
    ByteWriter out_;
};

// A whole file: the header announcing `announced` tracks (by default as many as given) and one
// MTrk chunk per body.
inline Bytes MakeSmf(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks,
                     int announced = -1) {
    ByteWriter out;
    out.Append(std::string_view("MThd"));
    out.U32Be(6);
    out.U16Be(format);
    out.U16Be(static_cast<uint16_t>(announced < 0 ? tracks.size() : size_t(announced)));
    out.U16Be(division);
    for (const Bytes& body : tracks) {
        out.Append(std::string_view("MTrk"));
        out.U32Be(static_cast<uint32_t>(body.size()));
        out.Append(body);
    }
    return out.Take();
}

inline Bytes MakeSmf(uint16_t format, uint16_t division, std::initializer_list<TrackBytes> tracks) {
    std::vector<Bytes> bodies;
    for (const TrackBytes& t : tracks) {
        bodies.push_back(t.Data());
    }
    return MakeSmf(format, division, bodies);
}

inline std::string_view AsView(const Bytes& bytes) {
    return AsText(bytes);
}

// A random file that stresses the merge and the pairing: several tracks with many events at
// the same ticks, running status, note-offs of both spellings, notes of one pitch overlapping
// across tracks, meta and system-exclusive events in between, and now and then a damaged
// chunk or a stray byte.
inline Bytes RandomSmf(uint32_t seed, bool allowDamage = true) {
    std::mt19937 rng(seed);
    const auto pick = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    const uint16_t format = pick(3) == 0 ? 0 : 1;
    const int tracks = format == 0 ? 1 : 1 + static_cast<int>(pick(6));
    const uint16_t division =
        static_cast<uint16_t>(pick(4) == 0 ? 1 + pick(200) : 96 * (1 + pick(4)));
    const bool damage = allowDamage && pick(4) == 0;
    std::vector<Bytes> bodies;
    for (int t = 0; t < tracks; ++t) {
        TrackBytes body;
        const int events = static_cast<int>(pick(60));
        uint8_t running = 0;
        const uint8_t home = static_cast<uint8_t>(pick(3));  // few channels: keys collide
        for (int i = 0; i < events; ++i) {
            const uint32_t roll = pick(100);
            uint32_t delta = pick(3) == 0 ? 0 : pick(4) * 24;
            if (pick(20) == 0) {
                delta = pick(1u << 20);
            }
            const uint8_t channel = static_cast<uint8_t>((home + pick(2)) & 0x0F);
            const uint8_t note = static_cast<uint8_t>(60 + pick(3));
            if (roll < 55) {
                // Notes: on, off as 8n, off as 9n with velocity 0; sometimes under running
                // status.
                const uint32_t kind = pick(3);
                uint8_t status = static_cast<uint8_t>((kind == 1 ? 0x80 : 0x90) | channel);
                const uint8_t velocity =
                    kind == 0 ? static_cast<uint8_t>(1 + pick(127)) : (kind == 1 ? 64 : 0);
                if (status == running && pick(2) == 0) {
                    body.Event(delta, {note, velocity});
                } else {
                    body.Event(delta, {status, note, velocity});
                    running = status;
                }
            } else if (roll < 63) {
                const uint8_t status = static_cast<uint8_t>((pick(2) ? 0xC0 : 0xD0) | channel);
                body.Event(delta, {status, static_cast<uint8_t>(pick(128))});
                running = status;
            } else if (roll < 70) {
                const uint8_t status = static_cast<uint8_t>((pick(2) ? 0xB0 : 0xE0) | channel);
                body.Event(delta, {status, static_cast<uint8_t>(pick(128)),
                                   static_cast<uint8_t>(pick(128))});
                running = status;
            } else if (roll < 75) {
                body.Tempo(delta, pick(8) == 0 ? pick(3) : 200000 + pick(800000));
            } else if (roll < 79) {
                body.TimeSignature(delta, static_cast<uint8_t>(pick(8) == 0 ? 0 : 1 + pick(12)),
                                   static_cast<uint8_t>(pick(10) == 0 ? 31 + pick(3) : pick(6)));
            } else if (roll < 85) {
                static const char* const kTexts[] = {"Sint", "Main A", "name:a,b,c", "", "x"};
                body.Meta(delta, static_cast<uint8_t>(pick(2) ? 1 + pick(7) : pick(256)),
                          kTexts[pick(5)]);
            } else if (roll < 89) {
                body.SysEx(delta, pick(2) ? 0xF0 : 0xF7, std::string(pick(5), '\x11'));
            } else if (roll < 92) {
                body.Meta(delta, 0x51, std::string(pick(3), '\x01'));  // short tempo
            } else if (roll < 94 && damage) {
                body.Event(delta, {static_cast<uint8_t>(0xF1 + pick(6))});  // ends the track
            } else if (roll < 96 && damage) {
                body.Event(delta, {static_cast<uint8_t>(pick(128))});  // data byte
            } else {
                // Running status across other events.
                if (running != 0 && running < 0xC0) {
                    body.Event(delta, {note, static_cast<uint8_t>(pick(2) ? 0 : 100)});
                } else {
                    body.Event(delta, {static_cast<uint8_t>(0x90 | channel), note, 0});
                    running = static_cast<uint8_t>(0x90 | channel);
                }
            }
        }
        if (pick(4) != 0) {
            body.End(pick(3));
        }
        bodies.push_back(body.Data());
    }
    if (pick(8) == 0 && bodies.size() > 1) {
        bodies[pick(static_cast<uint32_t>(bodies.size()))].clear();  // an empty track
    }
    Bytes file = MakeSmf(format, division, bodies);
    if (damage) {
        switch (pick(4)) {
            case 0:
                file.resize(14 + pick(static_cast<uint32_t>(file.size() - 13)));
                break;
            case 1:
                file[14 + pick(static_cast<uint32_t>(file.size() - 14))] =
                    static_cast<uint8_t>(rng());
                break;
            case 2:
                file.insert(file.end(), {0x01, 0x02});
                break;
            default:
                file[11] = static_cast<uint8_t>(file[11] + 1);  // one more track announced
                break;
        }
    }
    return file;
}

}  // namespace veltrano::test
