#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "style/ChordTypes.h"
#include "style/StyleFile.h"

namespace veltrano {

// How the 16 source channels of one section are played, as the MIDI-to-style wizard edits them.
// The in-use flags of these rows are not edited: the analysis of the MIDI file decides them.
using SectionChannels = std::array<ChannelSetting, kStyleChannelCount>;

// The wizard's Reset values for a section slot. Channels n and n + 8 play on destination 8 + n;
// the rhythm channels 0 and 1 (and 8, 9) keep their pitch ("Fixed"), the others follow the root.
// Intros and endings mute the bass and chord channels under the minor or major group; mains
// and fills hand channels 10-15 the chord transposition.
[[nodiscard]] SectionChannels DefaultChannelSettings(int slot);

// The values a row's destination box offers, 8-15, shown as "09" to "16".
inline constexpr int kFirstDestinationChoice = 8;
inline constexpr int kLastDestinationChoice = 15;
// "09" for 8; an empty text outside 0-15.
[[nodiscard]] std::string DestinationName(int destination);

inline constexpr std::array<std::string_view, 12> kHighKeyNames = {
    "C", "#C", "D", "#D", "E", "F", "#F", "G", "#G", "A", "#A", "B"};
// "C0" for 0, "C5" for 60, "G10" for 127; an empty text outside 0-127.
[[nodiscard]] std::string NoteName(int note);

// What the chord-mask button shows: "Null" when the channel plays under every chord type,
// "Yes" when some are muted.
[[nodiscard]] std::string_view ChordMaskLabel(uint32_t chordMask);

// The chord-mute dialog: one box per chord type, checked when the type is muted (its bit in the
// chord mask is 0). The dialog works on a copy; OK takes Mask(), Cancel drops it.
class ChordMuteSelection {
public:
    explicit ChordMuteSelection(uint32_t chordMask) : mask_(chordMask) {}

    [[nodiscard]] bool Muted(int type) const;
    // Types outside 0-31 are ignored.
    void SetMuted(int type, bool muted);

    void SelectAll() { mask_ = 0; }
    void Clear() { mask_ = kAllChordTypes; }
    // Checks exactly the major group (types 0-7 and 19-31).
    void AllMajor() { mask_ = kMinorChordTypes; }
    // Checks exactly the minor group (types 8-18).
    void AllMinor() { mask_ = kMajorChordTypes; }

    [[nodiscard]] uint32_t Mask() const { return mask_; }

private:
    uint32_t mask_;
};

}  // namespace veltrano
