#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "style/MidiToStyle.h"
#include "style/StyleToMidiPresenter.h"

namespace veltrano {

class AppConfig;
class LanguageTable;
class Reporter;

// The MIDI-to-style wizard's flow over its model: which step is shown, what was typed and
// checked on each, and the rules of every button, so that Back and Next keep every setting.
// The pages only show this state and turn the user's actions into calls.
class MidiToStyleSteps {
public:
    enum class Step { Open = 1, Channels = 2, OneTouch = 3 };
    // Connects to the instrument (the device dialog, then the connection); true when it
    // succeeded.
    using ConnectInstrument = std::function<bool()>;

    MidiToStyleSteps(AppConfig& config, const LanguageTable& language,
                     std::filesystem::path programFolder,
                     MidiToStyle::InstrumentInfoQuery hasInstrumentInfo);

    [[nodiscard]] Step Current() const { return step_; }
    [[nodiscard]] MidiToStyle& Wizard() { return wizard_; }
    [[nodiscard]] const MidiToStyle& Wizard() const { return wizard_; }

    // --- Step 1 -----------------------------------------------------------------------------

    [[nodiscard]] FileChoice OpenChoice() const;
    // Analyses the file as chosen (its name is not changed). On success the names and the
    // boxes of the sections found are shown and the folder is remembered; on failure the
    // fields are emptied. Any step returns to the first.
    [[nodiscard]] bool Open(const std::filesystem::path& path, Reporter& reporter);
    [[nodiscard]] const std::string& PathText() const { return pathText_; }
    std::string shortName;  // the fields as typed
    std::string longName;
    SectionBoxes boxes;  // checked section boxes
    // The boxes that cover a section the file has; the others cannot be checked.
    [[nodiscard]] SectionBoxes Offered() const { return wizard_.FoundBoxes(); }
    // Next: refused without a file (the language's IDS_MIDITOSTYLE_NOMIDI) and with a short
    // name that is not 1-8 characters; otherwise the names and sections go into the style, a
    // file new to the wizard gets the Reset settings, and step 2 is shown.
    [[nodiscard]] bool NextFromOpen(Reporter& reporter);

    // --- Step 2 -----------------------------------------------------------------------------

    // The section whose rows are shown (a slot), -1 with none present.
    [[nodiscard]] int CurrentSection() const { return section_; }
    void SelectSection(int slot);
    SectionBoxes alsoApply;  // the "Also apply to" boxes
    void AutoBoxes() { alsoApply = MidiToStyle::AutoBoxes(section_); }
    [[nodiscard]] bool ApplyAlso(Reporter& reporter);
    [[nodiscard]] bool LoadSettings(const ChooseFile& choose, Reporter& reporter);
    [[nodiscard]] SaveFlow SaveSettings(const ChooseFile& choose, Reporter& reporter);
    // The defaults, then "Default.dsc" of the program folder when it is there.
    void ResetSettings(Reporter& reporter);
    void BackToOpen() { step_ = Step::Open; }
    // Next: without instrument information the "OTS Setting" question; Yes connects, and only
    // a connection that brought the information goes on. The rows go into the style's records.
    [[nodiscard]] bool NextFromChannels(Reporter& reporter, const ConnectInstrument& connect);

    // --- Step 3 -----------------------------------------------------------------------------

    [[nodiscard]] bool LoadOneTouch(const ChooseFile& choose, Reporter& reporter);
    [[nodiscard]] SaveFlow SaveOneTouch(const ChooseFile& choose, Reporter& reporter);
    void ResetOneTouch() { wizard_.ResetOneTouch(); }
    void BackToChannels() { step_ = Step::Channels; }
    // Finish: the style file. Its folder is remembered only when it was written; a declined
    // replacement is no save.
    [[nodiscard]] SaveFlow Finish(const ChooseFile& choose, Reporter& reporter);
    [[nodiscard]] const std::filesystem::path& LastWritten() const { return lastWritten_; }

    // What a file dropped on the wizard does: a MIDI file is opened on step 1, a description
    // is loaded on step 2 or 3. False for other files.
    [[nodiscard]] bool Drop(const std::filesystem::path& path, Reporter& reporter);

private:
    // The dialog, the extension, an empty name reported under `caption` (the dialog opens again),
    // the question before an existing file is replaced; then `write`. The folder is stored when
    // it wrote.
    [[nodiscard]] SaveFlow SaveWith(
        const FileChoice& choice, std::string_view extension, std::string_view caption,
        const ChooseFile& choose, Reporter& reporter,
        const std::function<SaveFlow(const std::filesystem::path&)>& write);
    [[nodiscard]] bool LoadWith(DialogFolderKey key, const ChooseFile& choose, Reporter& reporter);
    // The description of steps 2 and 3, its dialog's folder kept under `key`.
    [[nodiscard]] SaveFlow SaveDescription(DialogFolderKey key, const ChooseFile& choose,
                                           Reporter& reporter);

    AppConfig& config_;
    const LanguageTable& language_;
    std::filesystem::path programFolder_;
    MidiToStyle wizard_;
    Step step_ = Step::Open;
    std::string pathText_;
    std::filesystem::path settingsFor_;  // the file whose settings the rows hold
    int section_ = -1;
    std::filesystem::path lastWritten_;
};

}  // namespace veltrano
