#pragma once

// Styles for the style, description and one-touch tests: hand-made ones and random ones whose
// music data follows the format's rules.
#include <random>
#include <string>

#include "base/Bytes.h"
#include "style/StyleFile.h"

namespace veltrano::test {

// Random events for a section whose rhythm channels are given: note-ons with durations where
// the part needs them, note-offs as velocity 0, controllers, programs, bends, running status.
inline Bytes RandomEvents(std::mt19937& rng, uint16_t rhythm, int count) {
    const auto pick = [&rng](uint32_t lo, uint32_t hi) {
        return std::uniform_int_distribution<uint32_t>(lo, hi)(rng);
    };
    ByteWriter out;
    uint8_t last = 0;
    for (int i = 0; i < count; ++i) {
        // Deltas reach past 16383 now and then, where a plain quantity would begin with 0xFF.
        const uint32_t delta = pick(0, 9) == 0 ? pick(16000, 17000) : pick(0, 400);
        AppendMusicDelta(out, delta);
        const uint8_t channel = static_cast<uint8_t>(pick(0, 15));
        const uint32_t kind = pick(0, 4);
        uint8_t status = 0;
        switch (kind) {
            case 0:
            case 1:
                status = static_cast<uint8_t>(0x90 | channel);
                break;
            case 2:
                status = static_cast<uint8_t>(0xB0 | channel);
                break;
            case 3:
                status = static_cast<uint8_t>(0xC0 | channel);
                break;
            default:
                status = static_cast<uint8_t>(0xE0 | channel);
                break;
        }
        if (status != last) {
            out.U8(status);
            last = status;
        }
        out.U8(static_cast<uint8_t>(pick(0, 127)));
        if (kind == 3) {
            continue;
        }
        const uint8_t second = static_cast<uint8_t>(kind == 1 ? 0 : pick(1, 127));
        out.U8(second);
        if (kind == 0 && ((rhythm >> channel) & 1u) == 0) {
            out.Vlq(pick(0, 3) == 0 ? pick(0, 0x0FFFFFFF) : pick(1, 800));
        }
    }
    return out.Take();
}

inline std::string RandomText(std::mt19937& rng, size_t maxLength) {
    const size_t length = std::uniform_int_distribution<size_t>(0, maxLength)(rng);
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        text += static_cast<char>(std::uniform_int_distribution<int>(0x20, 0x7E)(rng));
    }
    return text;
}

inline StyleModel RandomStyle(uint32_t seed) {
    std::mt19937 rng(seed);
    const auto pick = [&rng](uint32_t lo, uint32_t hi) {
        return std::uniform_int_distribution<uint32_t>(lo, hi)(rng);
    };
    StyleModel m;
    m.info.tempo = static_cast<uint16_t>(pick(30, 280));
    m.info.numerator = static_cast<uint8_t>(pick(1, 12));
    m.info.denominator = static_cast<uint8_t>(1u << pick(0, 5));
    m.info.division = static_cast<uint16_t>(pick(24, 960));
    m.info.shortName = RandomText(rng, 8);
    while (!m.info.shortName.empty() && m.info.shortName.back() == ' ') {
        m.info.shortName.pop_back();
    }
    m.info.longName = RandomText(rng, pick(0, 3) == 0 ? 254 : 30);
    m.info.secondText = RandomText(rng, 20);
    m.info.thirdText = RandomText(rng, 20);
    for (auto& setting : m.oneTouch) {
        for (auto& part : setting) {
            part = {static_cast<uint8_t>(pick(0, 127)), static_cast<uint8_t>(pick(0, 127)),
                    static_cast<uint8_t>(pick(0, 127)), static_cast<uint8_t>(pick(0, 127)),
                    static_cast<uint8_t>(pick(0, 255)), static_cast<uint8_t>(pick(0, 127)),
                    static_cast<uint8_t>(pick(0, 127)), static_cast<uint8_t>(pick(0, 127))};
        }
    }
    m.leadIn.events = RandomEvents(rng, kLeadInRhythmChannels, static_cast<int>(pick(0, 10)));
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        StyleSection& s = m.sections[static_cast<size_t>(slot)];
        s.present = pick(0, 2) != 0;
        s.bars = static_cast<uint8_t>(pick(0, 255));
        for (int n = 0; n < kStyleChannelCount; ++n) {
            ChannelSetting& c = s.channels[static_cast<size_t>(n)];
            c.inUse = pick(0, 3) != 0;
            if (!c.inUse) {
                c.chordMask = UnusedChannelChordMask(slot, n);
                continue;
            }
            // A few distinct masks, so that the group defaults and entries both occur.
            static constexpr uint32_t kMasks[] = {0xFFFFFFFF, 0x0007FF00, 0xFFF800FF, 0,
                                                  0x0000FFFF};
            c.chordMask = pick(0, 4) == 0 ? pick(0, UINT32_MAX) : kMasks[pick(0, 4)];
            PartRecord& r = c.record;
            r.destination = static_cast<uint8_t>(pick(0, 15));
            r.packed = PartRecord::Pack(static_cast<int>(pick(0, 10)), static_cast<int>(pick(0, 1)),
                                        static_cast<int>(pick(0, 4)));
            r.highKey = static_cast<uint8_t>(pick(0, 11));
            r.noteLow = static_cast<uint8_t>(pick(0, 127));
            r.noteHigh = static_cast<uint8_t>(pick(0, 127));
            r.noteMask1 = static_cast<uint8_t>(pick(0, 255));
            r.noteMask2 = static_cast<uint8_t>(pick(0, 255));
            r.root = static_cast<uint8_t>(pick(0, 11));
            r.rootValue = static_cast<uint8_t>(pick(0, 255));
        }
        if (!s.present) {
            // What reading gives an absent section: the settings of a new style.
            s = StyleModel().sections[static_cast<size_t>(slot)];
            continue;
        }
        s.music.events =
            RandomEvents(rng, RhythmChannels(s.channels), static_cast<int>(pick(0, 60)));
        s.music.remainingTicks = pick(0, 3) == 0 ? pick(16256, 16383) : pick(0, 2000);
    }
    return m;
}

inline Bytes Serialized(const StyleModel& model) {
    StyleFile style;
    style.Model() = model;
    return style.Serialize().value_or(Bytes{});
}

}  // namespace veltrano::test
