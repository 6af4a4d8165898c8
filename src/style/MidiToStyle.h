#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "style/ChannelSettings.h"
#include "style/DscFile.h"
#include "style/MidiFile.h"
#include "style/StyleFile.h"

namespace veltrano {

class Reporter;

// ---------------------------------------------------------------------------------------------
// Section boxes

// The wizard's twelve section check boxes; a fill box stands for the four fills of its group.
enum class SectionBox {
    IntroA,
    IntroB,
    MainA,
    MainB,
    MainC,
    MainD,
    FillA,
    FillB,
    FillC,
    FillD,
    EndingA,
    EndingB
};
inline constexpr int kSectionBoxCount = 12;
using SectionBoxes = std::bitset<kSectionBoxCount>;

[[nodiscard]] constexpr size_t BoxBit(SectionBox box) {
    return static_cast<size_t>(box);
}
// "Intro A", "Main C", "Fill B", "Ending A".
[[nodiscard]] std::string_view SectionBoxName(SectionBox box);
// The box of such a name, blanks around it and letter case ignored; nullopt for others.
[[nodiscard]] std::optional<SectionBox> FindSectionBox(std::string_view name);
// The slots a box covers: one, or the four fills "Fill In A<g>" to "Fill In D<g>" of group g.
[[nodiscard]] std::vector<int> SectionBoxSlots(SectionBox box);
// Whether some checked box covers the slot.
[[nodiscard]] bool BoxesCoverSlot(SectionBoxes boxes, int slot);

// The order in which the wizard lists sections: intros, the sixteen fills, mains, endings.
[[nodiscard]] const std::array<int, kSectionSlotCount>& WizardSectionOrder();

// ---------------------------------------------------------------------------------------------
// Analysis results

// Where a section lies in the analysed file. Ticks are full width: files run far past 65,535.
struct MidiSectionSpan {
    bool found = false;
    uint64_t startTick = 0;  // tick of its marker
    uint64_t endTick = 0;    // where the analysis closed it
    uint64_t bars = 0;       // (end - start) rounded up to whole bars; a style keeps at most 255
    uint16_t channelsInUse = 0;  // bit n: a note-on with non-zero velocity on channel n
    // Positions in WalkOrder(): the events after the marker, up to the marker that ends it.
    size_t begin = 0;
    size_t end = 0;
};

// ---------------------------------------------------------------------------------------------
// The wizard

// The MIDI-to-style wizard's model: analyses a MIDI file whose sections are delimited by marker
// events, keeps the channel settings of every section, and builds the style with its music data.
// The windows drive it step by step; the command line does the same without asking.
class MidiToStyle {
public:
    // Whether an instrument has been connected at least once (its profile and preset catalogues
    // are known). Without an answer there is none.
    using InstrumentInfoQuery = std::function<bool()>;

    static constexpr std::string_view kDefaultDescriptionName = "Default.dsc";
    // The question of entering the one-touch step without instrument information (caption
    // "OTS Setting", Yes/No); asked by the window, which then offers the connection.
    static constexpr std::string_view kOtsSettingCaption = "OTS Setting";
    static constexpr std::string_view kOtsSettingQuestion =
        "You must connect your device with PC at least once,\n"
        "then you can get the instrument information and set the OTS params.\n"
        "If you want to start, please connect your device now and then press the Yes button.";

    explicit MidiToStyle(InstrumentInfoQuery hasInstrumentInfo = {});

    // --- Step 1 ---------------------------------------------------------------------------

    // Reads the file and finds its lead-in, sections, names, tempo and time signature. A path
    // other than the last analysed one starts from a new style. On failure ("Open midi file
    // failed", "Midi file must be format0 or format1", "Wrong format of name in midi file",
    // "Wrong format of midi file: not find the mark of Sint") no file counts as analysed and
    // the style keeps the values it had.
    [[nodiscard]] bool Analyse(const std::filesystem::path& path, Reporter& reporter);
    [[nodiscard]] bool Analysed() const { return analysed_; }
    [[nodiscard]] const std::filesystem::path& MidiPath() const { return path_; }
    [[nodiscard]] const MidiFile& Midi() const { return midi_; }
    // The merged event list's indices in the order the analysis walks them: markers of the
    // lead-in and of sections go in front of the other events of their tick.
    [[nodiscard]] const std::vector<uint32_t>& WalkOrder() const { return order_; }
    [[nodiscard]] const MidiSectionSpan& Section(int slot) const;
    [[nodiscard]] const MidiSectionSpan& LeadIn() const { return leadIn_; }
    // The boxes worth offering: those covering a section the analysis found.
    [[nodiscard]] SectionBoxes FoundBoxes() const;

    // Next: the short name (first 8 characters) and, when not empty, the long name go into the
    // style; a section is present when it was found and a checked box covers it. False (and
    // nothing changes) when no file has been analysed; the window then says so.
    [[nodiscard]] bool ChooseSections(SectionBoxes boxes, std::string_view shortName,
                                      std::string_view longName);

    // --- Step 2 ---------------------------------------------------------------------------

    // The present sections, in the wizard's order.
    [[nodiscard]] std::vector<int> PresentSections() const;
    // The rows of a section slot (0-23), for the page to show and edit.
    [[nodiscard]] SectionChannels& Channels(int slot);
    [[nodiscard]] const SectionChannels& Channels(int slot) const;

    // The Reset values in all 24 sections.
    void ResetSettings();
    // Reset: the values above, then the program folder's "Default.dsc" applied when it is
    // there (a file that fails to read says so). True when the description was applied.
    [[nodiscard]] bool ResetSettings(const std::filesystem::path& programFolder,
                                     Reporter& reporter);
    // Load: reads a description file and applies its channel tables to the rows and its
    // one-touch settings to the style; what was applied before a fault stays. The one-touch
    // step's Load follows it with StoreSettings().
    [[nodiscard]] bool LoadDescription(const std::filesystem::path& path, Reporter& reporter);
    // The description of the present intros, mains, fills "Fill In AA", "Fill In BB",
    // "Fill In CC", "Fill In DD" and endings, and of the style's one-touch settings.
    [[nodiscard]] DscFile BuildDescription() const;
    // Whether an instrument has been connected at least once; without, says so ("DSC Save").
    [[nodiscard]] bool CheckInstrumentInfo(Reporter& reporter) const;
    [[nodiscard]] bool HasInstrumentInfo() const {
        return hasInstrumentInfo_ && hasInstrumentInfo_();
    }
    // Save: refused without instrument information ("DSC Save"); otherwise writes
    // BuildDescription().
    [[nodiscard]] bool SaveDescription(const std::filesystem::path& path, Reporter& reporter) const;

    // Auto: for an intro the intro and ending boxes, for any other section the main and fill
    // boxes.
    [[nodiscard]] static SectionBoxes AutoBoxes(int slot);
    // OK of "Also apply to": copies the rows of the slot to every section the boxes cover.
    // "No segment be selected" and false when no box is checked; "All selected segments also be
    // changed" afterwards otherwise (caption "AlsoApply").
    [[nodiscard]] bool AlsoApply(int slot, SectionBoxes boxes, Reporter& reporter);

    // Next: the rows of all 24 sections into the style's part records and chord masks.
    void StoreSettings();

    // --- Step 3 ---------------------------------------------------------------------------

    [[nodiscard]] OneTouchSettings& OneTouch() { return style_.Model().oneTouch; }
    // The values of a new style.
    void ResetOneTouch() { style_.Model().oneTouch = DefaultOneTouchSettings(); }

    // Finish: the music data of "Sint" and every present section into the style, then the
    // style file's save with its own overwrite question; a declined question is no save.
    [[nodiscard]] StyleFile::SaveOutcome Save(const std::filesystem::path& path,
                                              Reporter& reporter);

    // The music data as the style stores it, from the analysed file and the style's part
    // records (write them with StoreSettings() first). "Sint" ends with 0 remaining ticks;
    // a section with the ticks from its last written event to the end of its last bar.
    [[nodiscard]] MusicData LeadInMusic() const;
    [[nodiscard]] MusicData SectionMusic(int slot) const;
    // Both into the style: "Sint" and every present section; absent ones are emptied.
    void WriteMusic();

    [[nodiscard]] StyleModel& Model() { return style_.Model(); }
    [[nodiscard]] const StyleModel& Model() const { return style_.Model(); }

private:
    [[nodiscard]] MusicData Music(const MidiSectionSpan& span, uint16_t rhythmChannels,
                                  uint64_t endTick) const;
    void Forget();
    void TakeSettingsFromStyle();

    InstrumentInfoQuery hasInstrumentInfo_;
    StyleFile style_;
    std::filesystem::path path_;
    std::filesystem::path stylePath_;  // the file the style was started from
    bool analysed_ = false;
    MidiFile midi_;
    std::vector<uint32_t> order_;
    MidiSectionSpan leadIn_;
    std::array<MidiSectionSpan, kSectionSlotCount> sections_{};
    std::array<SectionChannels, kSectionSlotCount> settings_{};
};

}  // namespace veltrano
