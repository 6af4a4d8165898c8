#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"
#include "style/StyleFile.h"

namespace veltrano {

class Reporter;

// Sections of a description file, by index. Only some stand for a slot of our styles.
inline constexpr int kDscSectionCount = 18;
inline constexpr std::array<std::string_view, kDscSectionCount> kDscSectionNames = {
    "Main A",     "Main B",     "Main C",   "Main D",   "Fill In AA", "Fill In BB",
    "Fill In CC", "Fill In DD", "Break A",  "Break B",  "Intro A",    "Intro B",
    "Intro C",    "Intro D",    "Ending A", "Ending B", "Ending C",   "Ending D"};

// The style slot of a description section: mains 0-3, fills 4-7 (style fills 0, 5, 10, 15),
// intros 10-11, endings 14-15; -1 for the others.
[[nodiscard]] int DscSectionSlot(int sectionIndex);

// One channel as the description file carries it: the part record without its note-mask bytes,
// plus the chord mask.
struct ChannelDescription {
    using Name = std::array<char, 8>;
    static constexpr Name kBlankName = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

    uint8_t sourceChannel = 0;  // the channel slot of the style's part table
    Name name = kBlankName;
    uint8_t destination = 0;
    uint32_t chordMask = 0;
    uint8_t root = 0;
    uint8_t rootValue = 0;
    uint8_t transpositionRule = 0;
    uint8_t transpositionTable = 0;
    uint8_t highKey = 0;
    uint8_t noteLow = 0;
    uint8_t noteHigh = 0;
    uint8_t retriggerRule = 0;

    // From a style's channel; the name is 8 blanks.
    [[nodiscard]] static ChannelDescription FromChannel(int sourceChannel,
                                                        const ChannelSetting& channel);
    // Overwrites the record fields and chord mask it carries; the in-use flag and the note-mask
    // bytes stay.
    void ApplyTo(ChannelSetting& channel) const;

    bool operator==(const ChannelDescription&) const = default;
};

struct DscEntry {
    uint32_t sections = 0;  // bit i: description section i
    ChannelDescription description;

    [[nodiscard]] bool HasSection(int index) const { return ((sections >> index) & 1u) != 0; }
    bool operator==(const DscEntry&) const = default;
};

// One part of a one-touch setting as the description keeps it (16 bytes in memory).
struct DscOneTouch {
    uint8_t bankMsb = 0;
    uint8_t bankLsb = 0;
    uint8_t program = 0;
    std::array<char, 8> name{};  // "OCT_R1", "OCT_R2", "OCT_R3" or "OCT_L", zero-padded
    uint8_t volume = 0;
    uint8_t reverb = 0;
    uint8_t chorus = 0;
    uint8_t octave = 0;
    uint8_t pan = 0;

    [[nodiscard]] static DscOneTouch FromPart(int part, const OneTouchPart& values);
    [[nodiscard]] OneTouchPart ToPart() const;
    bool operator==(const DscOneTouch&) const = default;
};

using DscOneTouchTable =
    std::array<std::array<DscOneTouch, kOneTouchPartCount>, kOneTouchSettingCount>;

// The names a description gives the one-touch parts, in part order.
inline constexpr std::array<std::string_view, kOneTouchPartCount> kDscOneTouchNames = {
    "OCT_R1", "OCT_R2", "OCT_R3", "OCT_L"};

// A description file (.dsc): the channel descriptions of a style's sections, each listed once
// with the sections that share it, and the four one-touch settings.
class DscFile {
public:
    DscFile();

    // Section index 0-17 (others are ignored). A description equal to one already listed only
    // adds the section to it; otherwise it is appended.
    void add_channel(int sectionIndex, const ChannelDescription& description);
    // Setting 0-3, part 0-3 (others are ignored).
    void set_ots(int setting, int part, const DscOneTouch& values);

    // Creates the file. On failure shows, with the default caption, the line for the cause
    // followed by the path, and returns false.
    [[nodiscard]] bool write(const std::filesystem::path& path, Reporter& reporter) const;
    // Reads and checks a file: "Open file failed" (caption "ReadDsc"), "Invalid format of dsc
    // file" (caption "OpenDsc"). With apply, each channel description and the one-touch
    // settings are copied into the style as they are met; on a fault what was applied before
    // stays. The description itself is replaced only when the whole file was read.
    [[nodiscard]] bool read(const std::filesystem::path& path, bool apply, StyleModel& style,
                            Reporter& reporter);
    // The same on bytes in memory; style may be null when nothing is to be applied.
    [[nodiscard]] bool ReadBytes(ByteView bytes, StyleModel* style, Reporter& reporter);

    [[nodiscard]] Bytes Serialize() const;

    // Intros, mains, fills 0, 5, 10 and 15 and endings, all 16 channels of each, present or
    // not; the one-touch table from the style's one-touch settings.
    [[nodiscard]] static DscFile FromStyle(const StyleModel& style);

    [[nodiscard]] const std::vector<DscEntry>& Entries() const { return entries_; }
    [[nodiscard]] const DscOneTouchTable& OneTouch() const { return oneTouch_; }

    bool operator==(const DscFile&) const = default;

private:
    std::vector<DscEntry> entries_;
    DscOneTouchTable oneTouch_{};
};

// The text the description writer shows when a file cannot be created: the line for the error
// (an errno value) followed by the path.
[[nodiscard]] std::string FileErrorText(int error, const std::filesystem::path& path);

}  // namespace veltrano
