#include "style/ChannelSettings.h"

namespace veltrano {

namespace {

constexpr uint8_t kTableByPass = 0;
constexpr uint8_t kTableChord = 2;
constexpr uint8_t kRuleRoot = 0;
constexpr uint8_t kRuleFixed = 1;
constexpr uint8_t kRetriggerPitchShift = 1;

}  // namespace

SectionChannels DefaultChannelSettings(int slot) {
    const SectionKind kind = SlotKind(slot);
    const bool introOrEnding = kind == SectionKind::Intro || kind == SectionKind::Ending;
    SectionChannels channels;
    for (int n = 0; n < kStyleChannelCount; ++n) {
        ChannelSetting& c = channels[static_cast<size_t>(n)];
        PartRecord& r = c.record;
        const int low = n & 7;
        r.destination = static_cast<uint8_t>(8 + low);
        int table = kTableByPass;
        if (!introOrEnding && n >= 10) {
            table = kTableChord;
        }
        r.packed = PartRecord::Pack(table, low < 2 ? kRuleFixed : kRuleRoot, kRetriggerPitchShift);
        r.highKey = 6;
        r.noteLow = 0;
        r.noteHigh = 127;
        r.noteMask1 = 255;
        r.noteMask2 = 15;
        r.root = 0;
        r.rootValue = 2;
        if (introOrEnding) {
            if (n < 2) {
                c.chordMask = 0;
            } else if (n < 8) {
                c.chordMask = kMinorChordTypes;
            } else if (n < 10) {
                c.chordMask = kAllChordTypes;
            } else {
                c.chordMask = kMajorChordTypes;
            }
        } else {
            c.chordMask = n < 8 ? 0 : kAllChordTypes;
            if (n == 10) {
                r.highKey = 3;
                r.noteLow = 28;
            }
        }
    }
    return channels;
}

std::string DestinationName(int destination) {
    if (destination < 0 || destination > 15) {
        return {};
    }
    const int shown = destination + 1;
    return std::string{static_cast<char>('0' + shown / 10), static_cast<char>('0' + shown % 10)};
}

std::string NoteName(int note) {
    if (note < 0 || note > 127) {
        return {};
    }
    return std::string(kHighKeyNames[static_cast<size_t>(note % 12)]) + std::to_string(note / 12);
}

std::string_view ChordMaskLabel(uint32_t chordMask) {
    return chordMask == kAllChordTypes ? "Null" : "Yes";
}

bool ChordMuteSelection::Muted(int type) const {
    return type >= 0 && type < kChordTypeCount && ((mask_ >> type) & 1u) == 0;
}

void ChordMuteSelection::SetMuted(int type, bool muted) {
    if (type < 0 || type >= kChordTypeCount) {
        return;
    }
    const uint32_t bit = uint32_t{1} << type;
    mask_ = muted ? (mask_ & ~bit) : (mask_ | bit);
}

}  // namespace veltrano
