#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace veltrano {

class Reporter;

// ---------------------------------------------------------------------------------------------
// Section slots

inline constexpr int kSectionSlotCount = 24;
inline constexpr int kStyleChannelCount = 16;
inline constexpr int kMainGroupCount = 4;
inline constexpr int kFillCount = 16;
inline constexpr std::string_view kLeadInName = "Sint";

// Slots are numbered in file order: "Intro A", "Intro B", "Ending A", "Ending B", then for each
// main group g (A-D) its main followed by its four fills. Fill k (0-15) is "Fill In" with the
// letters A-D for k mod 4 and k div 4; the fills of group g are 4g to 4g+3.
[[nodiscard]] constexpr int IntroSlot(int intro) {
    return intro;
}
[[nodiscard]] constexpr int EndingSlot(int ending) {
    return 2 + ending;
}
[[nodiscard]] constexpr int MainSlot(int group) {
    return 4 + 5 * group;
}
[[nodiscard]] constexpr int FillSlot(int fill) {
    return MainSlot(fill / 4) + 1 + fill % 4;
}

enum class SectionKind { Intro, Ending, Main, Fill };

[[nodiscard]] constexpr SectionKind SlotKind(int slot) {
    if (slot < 2) {
        return SectionKind::Intro;
    }
    if (slot < 4) {
        return SectionKind::Ending;
    }
    return (slot - 4) % 5 == 0 ? SectionKind::Main : SectionKind::Fill;
}
// Main group (0-3) of a main or fill slot; the fill index (0-15) of a fill slot.
[[nodiscard]] constexpr int SlotGroup(int slot) {
    return (slot - 4) / 5;
}
[[nodiscard]] constexpr int SlotFill(int slot) {
    return 4 * SlotGroup(slot) + (slot - 4) % 5 - 1;
}

// "Intro A", "Ending B", "Main C", "Fill In BA", ...; empty for a slot out of range.
[[nodiscard]] std::string_view SectionName(int slot);
// The slot of an exact section name, or nullopt.
[[nodiscard]] std::optional<int> FindSectionSlot(std::string_view name);

// ---------------------------------------------------------------------------------------------
// Style model

// The InfS block. Texts are held without their terminators (a zero after the long name, 0xFF
// after the second and third texts); the file adds them.
struct StyleInfo {
    static constexpr size_t kShortNameMax = 8;
    // A text field is a length byte counting the text and its terminator.
    static constexpr size_t kTextMax = 254;

    uint16_t tempo = 100;      // beats per minute
    uint8_t numerator = 4;     // time signature
    uint8_t denominator = 4;   // the value, not a power of two
    uint16_t division = 192;   // ticks per quarter note
    uint8_t durationUnit = 1;  // factor of every note duration in the music data; saved as 1
    std::string shortName;     // up to 8 characters
    std::string longName;
    std::string secondText;
    std::string thirdText;

    // Ticks of one bar: numerator × division × 4 / denominator (0 for a zero denominator).
    [[nodiscard]] uint32_t TicksPerBar() const;
    bool operator==(const StyleInfo&) const = default;
};

// One part of a one-touch setting, in file order.
struct OneTouchPart {
    uint8_t bankMsb = 0;
    uint8_t bankLsb = 0;
    uint8_t program = 0;
    uint8_t volume = 100;
    uint8_t octave = 0;
    uint8_t reverb = 40;
    uint8_t chorus = 0;
    uint8_t pan = 64;
    bool operator==(const OneTouchPart&) const = default;

    // The 8 bytes in their order in the style and in the .ots file.
    void Write(ByteWriter& out) const;
    [[nodiscard]] static OneTouchPart Read(ByteReader& in);
};

inline constexpr int kOneTouchSettingCount = 4;
inline constexpr int kOneTouchPartCount = 4;
// Parts in file order.
inline constexpr std::array<std::string_view, kOneTouchPartCount> kOneTouchPartNames = {"R1", "R2",
                                                                                        "R3", "L"};
using OneTouchSetting = std::array<OneTouchPart, kOneTouchPartCount>;
using OneTouchSettings = std::array<OneTouchSetting, kOneTouchSettingCount>;

// Programs R1 0, R2 49, R3 49, L 0; volumes 100, 80, 45, 100; bank 0/0, octave 0, reverb 40,
// chorus 0, pan 64.
[[nodiscard]] OneTouchSettings DefaultOneTouchSettings();

inline constexpr std::array<std::string_view, 11> kTranspositionTableNames = {"By Pass",
                                                                              "Melody",
                                                                              "Chord",
                                                                              "Melodic Minor",
                                                                              "Melodic Minor 5th",
                                                                              "Harmonic Minor",
                                                                              "Harmonic Minor 5th",
                                                                              "Natural Minor",
                                                                              "Natural Minor 5th",
                                                                              "Dorian",
                                                                              "Dorian 5th"};
inline constexpr std::array<std::string_view, 2> kTranspositionRuleNames = {"Root", "Fixed"};
inline constexpr std::array<std::string_view, 5> kRetriggerRuleNames = {
    "Stop", "Pitch Shift", "Pitch Shift to Root", "Retrigger", "Retrigger to Root"};

// How one source channel of a section is played: the 9-byte part record.
struct PartRecord {
    uint8_t destination = 8;  // 0-15; 8 and 9 mark rhythm parts
    uint8_t packed = 2;       // transposition table, rule and retrigger rule (accessors below)
    uint8_t highKey = 6;      // pitch class
    uint8_t noteLow = 0;
    uint8_t noteHigh = 127;
    uint8_t noteMask1 = 255;
    uint8_t noteMask2 = 15;
    uint8_t root = 0;       // pitch class
    uint8_t rootValue = 2;  // the value carried with the root

    // The record of a new style for a channel: destination 8 + (channel mod 8), the rest as above.
    [[nodiscard]] static PartRecord Default(int channel);

    [[nodiscard]] bool IsRhythm() const { return destination == 8 || destination == 9; }
    [[nodiscard]] int TranspositionTable() const { return packed & 0x0F; }
    [[nodiscard]] int TranspositionRule() const { return (packed >> 4) & 0x01; }
    [[nodiscard]] int RetriggerRule() const { return packed >> 5; }
    void SetTranspositionTable(int table);
    void SetTranspositionRule(int rule);
    void SetRetriggerRule(int rule);
    [[nodiscard]] static uint8_t Pack(int table, int rule, int retrigger);

    bool operator==(const PartRecord&) const = default;
};

// One channel slot of a section's part table.
struct ChannelSetting {
    static constexpr uint32_t kNewChordMask = 0x0000FFFF;

    bool inUse = false;  // the slot holds a part record; an unused slot is the byte 0xF0
    uint32_t chordMask = kNewChordMask;  // bit t: plays under chord type t
    PartRecord record;

    bool operator==(const ChannelSetting&) const = default;
};

// The chord mask read_control gives a channel whose slot is 0xF0.
[[nodiscard]] uint32_t UnusedChannelChordMask(int slot, int channel);

// A section's music data: its events, then the ticks from the last event to the section's end.
// The file adds the end byte.
struct MusicData {
    Bytes events;
    uint32_t remainingTicks = 0;
    bool operator==(const MusicData&) const = default;
};

struct StyleSection {
    bool present = false;
    uint8_t bars = 0;
    std::array<ChannelSetting, kStyleChannelCount> channels;
    MusicData music;

    bool operator==(const StyleSection&) const = default;
};

// A whole style; a default-constructed one is a new style: default info and one-touch settings,
// no sections, every channel with its default record and the chord mask 0x0000FFFF.
struct StyleModel {
    StyleModel();

    StyleInfo info;
    OneTouchSettings oneTouch;
    MusicData leadIn;  // "Sint"; its remaining ticks are always saved as 0
    std::array<StyleSection, kSectionSlotCount> sections;

    bool operator==(const StyleModel&) const = default;
};

// Where read_control found things in the opened file.
struct StyleLayout {
    uint8_t sectionCount = 0;
    uint8_t groupCount = 0;
    uint32_t leadInOffset = 0;                                   // music data of "Sint"
    std::array<uint32_t, kSectionSlotCount> dataOffsets{};       // 0 for absent sections
    std::array<uint16_t, kSectionSlotCount> partTableOffsets{};  // 0 for absent sections
};

// ---------------------------------------------------------------------------------------------
// Chord tables

using ChordChannelMasks = std::array<uint16_t, 32>;  // per chord type: bit n = channel n plays

struct ChordTableEntry {
    uint8_t type = 0;
    uint16_t mask = 0;
    bool operator==(const ChordTableEntry&) const = default;
};

// A part table's chord table as stored: group defaults and the types that differ from them.
struct ChordTable {
    uint16_t majorDefault = 0;
    uint16_t minorDefault = 0;
    std::vector<ChordTableEntry> entries;
    bool operator==(const ChordTable&) const = default;
};

// Each group's default is its most frequent mask (a tie goes to the lowest chord type); an
// entry, in type order, for every type whose mask differs from its own group's default.
[[nodiscard]] ChordTable CompressChordTable(const ChordChannelMasks& masks);
// Entries whose type is above 31 are ignored; a later entry for a type replaces an earlier one.
[[nodiscard]] ChordChannelMasks ExpandChordTable(const ChordTable& table);
// The per-type masks of the channels in use, and back to per-channel chord masks.
[[nodiscard]] ChordChannelMasks ChordMasksByType(
    const std::array<ChannelSetting, kStyleChannelCount>& channels);
[[nodiscard]] uint32_t ChannelChordMask(const ChordChannelMasks& masks, int channel);

// ---------------------------------------------------------------------------------------------
// Music data

// Channels (bit n) whose note-ons carry no duration: those whose part record's destination is 8
// or 9, in use or not.
[[nodiscard]] uint16_t RhythmChannels(
    const std::array<ChannelSetting, kStyleChannelCount>& channels);
// "Sint" has no part table; its data is read with the records of a new style, whose rhythm
// channels are 0, 1, 8 and 9. Writers of lead-in data must follow the same rule.
inline constexpr uint16_t kLeadInRhythmChannels = 0x0303;

// The bytes of a section's music data up to and including its end byte, split into events and
// remaining ticks. nullopt when the data runs out first, uses running status before any status,
// or holds a status other than a channel message, 0xF0 or 0xF7.
[[nodiscard]] std::optional<MusicData> SplitMusicData(ByteView data, uint16_t rhythmChannels);

// Appends a delta or remaining-ticks quantity. The byte 0xFF where a delta is expected ends a
// section, so a quantity whose first byte would be 0xFF gets a leading 0x80 (the same value).
void AppendMusicDelta(ByteWriter& out, uint32_t ticks);

// ---------------------------------------------------------------------------------------------
// The style file

// A style (.sty): the model, and the file it was read from. Reading follows the instrument's
// order: validate opens and checks a file, then read_info, read_ots and read_control fill the
// model, and read_section hands out the music data at an offset. A read that fails shows its
// message and leaves the model as it was. Load does all of it and also splits the music data.
class StyleFile {
public:
    StyleFile() = default;

    [[nodiscard]] StyleModel& Model() { return model_; }
    [[nodiscard]] const StyleModel& Model() const { return model_; }
    // Back to a new style; closes the file.
    void Reset();

    // Reads the file and checks its length and tags ("Open the style file failed ", "The file
    // length is not a multiple of 4", "Invalid format style file " with the tag as caption). On
    // success the file's bytes stay open for the reads below; on failure it is closed.
    [[nodiscard]] bool validate(const std::filesystem::path& path, Reporter& reporter);
    // The same checks on bytes already in memory.
    [[nodiscard]] bool ValidateBytes(Bytes bytes, Reporter& reporter);
    [[nodiscard]] bool IsOpen() const { return open_; }
    void Close();

    // Tempo, time signature, division, duration unit and the names.
    [[nodiscard]] bool read_info(Reporter& reporter);
    [[nodiscard]] bool read_ots(Reporter& reporter);
    // Presence, bar counts, offsets (into Layout()) and every present section's part table,
    // chord table expanded and transposed; clears every section's music data.
    [[nodiscard]] bool read_control(Reporter& reporter);
    [[nodiscard]] const StyleLayout& Layout() const { return layout_; }
    // The file from offset to its end; nullopt when nothing is there (the caller shows
    // "A wrong address detected").
    [[nodiscard]] std::optional<ByteView> read_section(uint32_t offset) const;

    // validate, read_info, read_ots, read_control, then the music data of "Sint" and every
    // present section. The file is closed afterwards.
    [[nodiscard]] bool Load(const std::filesystem::path& path, Reporter& reporter);
    [[nodiscard]] bool LoadBytes(Bytes bytes, Reporter& reporter);

    // Writes the whole style. An existing target is replaced only after Yes to "This file is
    // exist, do you want to continue?" (caption "SaveSty"); anything else writes nothing and
    // counts as success. Failures: "Create style file failed" (caption "Error"), "The style is
    // too large to be saved" (caption "SaveSty").
    [[nodiscard]] bool save(const std::filesystem::path& path, Reporter& reporter) const;
    // The same, telling a declined replacement from a written file.
    enum class SaveOutcome { Written, Declined, Failed };
    [[nodiscard]] SaveOutcome SaveAsked(const std::filesystem::path& path,
                                        Reporter& reporter) const;
    // Writes without asking; the failures as for save.
    [[nodiscard]] bool Write(const std::filesystem::path& path, Reporter& reporter) const;
    // The bytes save writes; nullopt when a part-table offset or a chunk size would not fit its
    // 16-bit field. Texts longer than 254 bytes and short names longer than 8 are cut.
    [[nodiscard]] std::optional<Bytes> Serialize() const;

private:
    [[nodiscard]] bool LoadOpened(Reporter& reporter);

    StyleModel model_;
    StyleLayout layout_;
    Bytes file_;
    bool open_ = false;
    // Found by validate: where each chunk's content starts and (for DatS) the tag.
    size_t infoStart_ = 0;
    size_t infoEnd_ = 0;
    size_t otsStart_ = 0;
    size_t otsEnd_ = 0;
    size_t controlStart_ = 0;
    size_t controlEnd_ = 0;
};

}  // namespace veltrano
