#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Bytes.h"
#include "settings/AppConfig.h"
#include "style/MidiFile.h"
#include "style/StyleFile.h"

namespace veltrano {

class LanguageTable;
class Reporter;

// What a conversion of an opened style produces.
enum class ConversionMode { OneTouch = 0, Description = 1, Midi = 2 };

inline constexpr std::string_view kSaveMidiCaption = "SaveMidi";
inline constexpr std::string_view kSaveOtsCaption = "SaveOts";
inline constexpr std::string_view kSaveDscCaption = "SaveDSC";
inline constexpr std::string_view kOpenStyleFilter = "Style files(*.sty)|*.sty||";

// What the file dialog of each save shows, and where its folder is remembered.
struct SaveDialogSetup {
    std::string_view caption;
    std::string_view filter;            // "MIDI files(*.mid)|*.mid||"
    std::string_view defaultExtension;  // "*.mid"
    std::string_view extension;         // ".mid", put on the chosen name
    DialogFolderKey folder;
};
[[nodiscard]] SaveDialogSetup SaveDialogOf(ConversionMode mode);

// Values typed in the dialog that replace the style's own in the output.
struct StyleOverrides {
    uint16_t tempo = 0;       // beats per minute; 0 keeps the style's
    uint8_t numerator = 0;    // the time signature replaces the style's only when both are set
    uint8_t denominator = 0;  // the value, not a power of two
    std::string shortName;    // empty keeps the style's

    bool operator==(const StyleOverrides&) const = default;
};

// The checks of short name, tempo and time signature before a MIDI file is saved: either the
// accepted overrides or the message to show (caption kSaveMidiCaption, exclamation icon).
struct SaveMidiCheck {
    std::optional<StyleOverrides> overrides;
    std::string message;

    [[nodiscard]] bool Accepted() const { return overrides.has_value(); }
};

// The short name as typed: empty when it will do (1-8 characters, not all blanks), else the
// message that refuses it.
[[nodiscard]] std::string CheckShortName(std::string_view shortName);

// The chosen path with `extension` (".mid") in place of any other; nullopt when no name is left
// besides the extension.
[[nodiscard]] std::optional<std::filesystem::path> WithExtension(
    const std::filesystem::path& chosen, std::string_view extension);

// The texts as typed: the short name as it stands, tempo and time signature ("nn/dd") trimmed.
[[nodiscard]] SaveMidiCheck CheckSaveMidiInput(std::string_view shortName, std::string_view tempo,
                                               std::string_view timeSignature);

// One event of the section being converted.
struct ConvertedEvent {
    int64_t time = 0;      // ticks from the section's start
    int64_t duration = 0;  // note-ons: ticks until the note-off added for them
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;

    bool operator==(const ConvertedEvent&) const = default;
};

// How the sections of one MIDI conversion are laid end to end. A section whose events stop
// short of its length owes the next marker a carry, so markers stay on the bar lines. One whose
// events run past it gets the next section's marker inside it at the bar line; the next section
// then starts after the last event, behind its marker by the overlap.
struct SectionChaining {
    int64_t pendingCarry = 0;   // ticks owed to the next section's marker
    int64_t overlap = 0;        // ticks by which the next section starts behind its marker
    int64_t leadInGap = 0;      // ticks from the last lead-in event to the end of its bar
    bool markerPlaced = false;  // the next section's marker was written inside this one

    bool operator==(const SectionChaining&) const = default;
};

// The style-to-MIDI converter behind the dialog and the command line: opens a style, keeps the
// values typed over it, and writes its one-touch settings (.ots), its description (.dsc) or a
// format-0 MIDI file in which every section follows the previous one behind a marker event.
// The style file is read again for every conversion, so a file changed meanwhile is checked
// again; it is closed when the conversion ends.
class StyleToMidi {
public:
    enum class SaveResult {
        Written,
        NameEmpty,  // "The file name can't be null" was shown; the dialog starts over
        Declined,   // the existing target was not to be replaced; nothing written
        Failed,     // the failure was shown
    };

    // Validates the style and reads its names, tempo and time signature; the overrides are
    // cleared. On failure the converter has no style open.
    [[nodiscard]] bool Open(const std::filesystem::path& path, Reporter& reporter);
    [[nodiscard]] bool IsOpen() const { return !path_.empty(); }
    // The first check of every save: with no style open, shows the language's
    // "MainPanel"/IDS_DLG_STYLEERROR with the save's caption and returns false.
    [[nodiscard]] bool CheckOpen(ConversionMode mode, const LanguageTable& language,
                                 Reporter& reporter) const;
    [[nodiscard]] const std::filesystem::path& StylePath() const { return path_; }
    // As the file holds it, without the overrides.
    [[nodiscard]] const StyleInfo& Info() const { return info_; }
    // The tempo ("%d") and time signature ("%d/%d") the dialog shows; empty with no style.
    [[nodiscard]] std::string TempoText() const;
    [[nodiscard]] std::string TimeSignatureText() const;

    [[nodiscard]] const StyleOverrides& Overrides() const { return overrides_; }
    void SetOverrides(StyleOverrides overrides) { overrides_ = std::move(overrides); }
    void ClearOverrides() { overrides_ = {}; }

    // Texts of the leading meta events of the MIDI file: empty comment and copyright are left
    // out, an empty track name is written as "untitled".
    void SetComment(std::string text) { comment_ = std::move(text); }
    void SetCopyright(std::string text) { copyright_ = std::move(text); }
    void SetTrackName(std::string text) { trackName_ = std::move(text); }

    // The chosen path with the mode's extension (".mid", ".ots", ".dsc") in place of any other;
    // nullopt when no name is left besides the extension.
    [[nodiscard]] static std::optional<std::filesystem::path> TargetPath(
        const std::filesystem::path& chosen, ConversionMode mode);

    // Everything after the file dialog: the extension, the empty-name check, the question
    // before an existing file is replaced, then the conversion. The caller has checked that a
    // style is open and, for MIDI, set the accepted overrides. Files beside the target, and
    // those of the program folder, are left alone.
    [[nodiscard]] SaveResult Save(ConversionMode mode, const std::filesystem::path& chosen,
                                  Reporter& reporter);

    // Reads the style again and writes the target without asking: "Create OTS file failed",
    // the description writer's message, or "Create midi file failed" when it cannot be written.
    [[nodiscard]] bool Convert(ConversionMode mode, const std::filesystem::path& target,
                               Reporter& reporter);
    // The MIDI file's bytes; nullopt when the style cannot be read or the file would be
    // larger than the output limit ("The MIDI file would be too large", caption "Error").
    [[nodiscard]] std::optional<Bytes> BuildMidi(Reporter& reporter);
    // Hostile styles can point every section at the same large music data; the default is
    // the largest MIDI file the reader takes back.
    void SetOutputLimit(uint64_t bytes) { outputLimit_ = bytes; }

    // After a conversion: the style as read, with the overrides applied.
    [[nodiscard]] const StyleModel& Style() const { return style_.Model(); }
    // After a MIDI conversion: the chaining state and the events of the last section.
    [[nodiscard]] const SectionChaining& Chaining() const { return chaining_; }
    [[nodiscard]] const std::vector<ConvertedEvent>& Events() const { return events_; }

private:
    [[nodiscard]] bool ReadStyle(ConversionMode mode, Reporter& reporter);
    [[nodiscard]] std::optional<Bytes> WriteMidi(Reporter& reporter);
    void WriteLeadingEvents(ByteWriter& out) const;
    // slot -1 is the lead-in.
    void ConvertSection(ByteWriter& out, int slot, std::optional<int> nextSlot, Reporter& reporter);
    void ParseSection(ByteView data, uint16_t rhythm, int64_t length, Reporter& reporter);

    std::filesystem::path path_;
    StyleInfo info_;
    StyleOverrides overrides_;
    std::string comment_;
    std::string copyright_;
    std::string trackName_;

    StyleFile style_;
    SectionChaining chaining_;
    std::vector<ConvertedEvent> events_;
    uint64_t outputLimit_ = MidiFile::kMaxFileBytes;
};

}  // namespace veltrano
