#include "style/MidiToStyleSteps.h"

#include <algorithm>
#include <system_error>

#include "base/Reporter.h"
#include "base/Text.h"
#include "settings/AppConfig.h"
#include "settings/LanguageTable.h"
#include "style/StyleToMidi.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMidiFilter = "midi files(*.mid)|*.mid||";
constexpr std::string_view kDscFilter = "DSC files(*.dsc)|*.dsc||";
constexpr std::string_view kStyleFilter = "STY files(*.sty)|*.sty||";
constexpr std::string_view kDscExtension = ".dsc";
constexpr std::string_view kStyleExtension = ".sty";
constexpr std::string_view kWizardDscCaption = "SaveDsc";
constexpr std::string_view kFinishCaption = "Midi2Sty";
constexpr std::string_view kFileExists = "This file is exist, do you want to continue?";
constexpr std::string_view kFileNameNull = "The file name can't be null";

bool HasExtension(const fs::path& path, std::initializer_list<std::string_view> extensions) {
    const std::string extension = path.extension().string();
    return std::any_of(extensions.begin(), extensions.end(),
                       [&extension](std::string_view e) { return EqualsNoCase(extension, e); });
}

}  // namespace

MidiToStyleSteps::MidiToStyleSteps(AppConfig& config, const LanguageTable& language,
                                   fs::path programFolder,
                                   MidiToStyle::InstrumentInfoQuery hasInstrumentInfo)
    : config_(config),
      language_(language),
      programFolder_(std::move(programFolder)),
      wizard_(std::move(hasInstrumentInfo)) {}

// --- Step 1 ---------------------------------------------------------------------------------

FileChoice MidiToStyleSteps::OpenChoice() const {
    return {kMidiFilter, dialog_folder::kM2sOpenMidi, {}};
}

bool MidiToStyleSteps::Open(const fs::path& path, Reporter& reporter) {
    step_ = Step::Open;
    pathText_.clear();
    shortName.clear();
    longName.clear();
    boxes.reset();
    if (!wizard_.Analyse(path, reporter)) {
        return false;
    }
    const StyleInfo& info = wizard_.Model().info;
    pathText_ = path.string();
    shortName = info.shortName;
    longName = info.longName;
    boxes = wizard_.FoundBoxes();
    RememberFolder(config_, dialog_folder::kM2sOpenMidi, path);
    return true;
}

bool MidiToStyleSteps::NextFromOpen(Reporter& reporter) {
    if (!wizard_.Analysed()) {
        reporter.Show(Icon::Error, language_.LookupText("MidiToStyle1", "IDS_MIDITOSTYLE_ERROR"),
                      language_.LookupText("MidiToStyle1", "IDS_MIDITOSTYLE_NOMIDI"));
        return false;
    }
    // The style cannot be saved without a short name of 1-8 characters; say so now rather
    // than after the other two steps.
    if (const std::string message = CheckShortName(shortName); !message.empty()) {
        reporter.Show(Icon::Warning, language_.LookupText("MidiToStyle1", "IDS_MIDITOSTYLE_ERROR"),
                      message);
        return false;
    }
    if (!wizard_.ChooseSections(boxes & wizard_.FoundBoxes(), shortName, longName)) {
        return false;
    }
    if (settingsFor_ != wizard_.MidiPath()) {
        ResetSettings(reporter);
        settingsFor_ = wizard_.MidiPath();
    }
    const std::vector<int> present = wizard_.PresentSections();
    if (std::find(present.begin(), present.end(), section_) == present.end()) {
        section_ = present.empty() ? -1 : present.front();
    }
    step_ = Step::Channels;
    return true;
}

// --- Step 2 ---------------------------------------------------------------------------------

void MidiToStyleSteps::SelectSection(int slot) {
    const std::vector<int> present = wizard_.PresentSections();
    if (std::find(present.begin(), present.end(), slot) != present.end()) {
        section_ = slot;
    }
}

bool MidiToStyleSteps::ApplyAlso(Reporter& reporter) {
    return section_ >= 0 && wizard_.AlsoApply(section_, alsoApply, reporter);
}

bool MidiToStyleSteps::LoadWith(DialogFolderKey key, const ChooseFile& choose, Reporter& reporter) {
    const std::optional<fs::path> chosen = choose({kDscFilter, key, {}});
    if (!chosen || !wizard_.LoadDescription(*chosen, reporter)) {
        return false;
    }
    RememberFolder(config_, key, *chosen);
    return true;
}

bool MidiToStyleSteps::LoadSettings(const ChooseFile& choose, Reporter& reporter) {
    return LoadWith(dialog_folder::kM2sLoadDsc, choose, reporter);
}

SaveFlow MidiToStyleSteps::SaveSettings(const ChooseFile& choose, Reporter& reporter) {
    if (!wizard_.CheckInstrumentInfo(reporter)) {
        return SaveFlow::Refused;
    }
    return SaveDescription(dialog_folder::kM2sSaveDsc, choose, reporter);
}

SaveFlow MidiToStyleSteps::SaveDescription(DialogFolderKey key, const ChooseFile& choose,
                                           Reporter& reporter) {
    return SaveWith({kDscFilter, key, {}}, kDscExtension, kWizardDscCaption, choose, reporter,
                    [this, &reporter](const fs::path& target) {
                        return wizard_.SaveDescription(target, reporter) ? SaveFlow::Written
                                                                         : SaveFlow::Failed;
                    });
}

void MidiToStyleSteps::ResetSettings(Reporter& reporter) {
    if (wizard_.ResetSettings(programFolder_, reporter)) {
        RememberFolder(config_, dialog_folder::kM2sLoadDsc,
                       programFolder_ / MidiToStyle::kDefaultDescriptionName);
    }
}

bool MidiToStyleSteps::NextFromChannels(Reporter& reporter, const ConnectInstrument& connect) {
    if (!wizard_.HasInstrumentInfo()) {
        const Answer answer = reporter.Ask(Icon::Question, MidiToStyle::kOtsSettingCaption,
                                           MidiToStyle::kOtsSettingQuestion, Buttons::YesNoCancel);
        if (answer != Answer::Yes || !connect || !connect() || !wizard_.HasInstrumentInfo()) {
            return false;
        }
    }
    wizard_.StoreSettings();
    step_ = Step::OneTouch;
    return true;
}

// --- Step 3 ---------------------------------------------------------------------------------

bool MidiToStyleSteps::LoadOneTouch(const ChooseFile& choose, Reporter& reporter) {
    // The description's channel tables come with its one-touch settings.
    const bool loaded = LoadWith(dialog_folder::kM2sLoadOts, choose, reporter);
    wizard_.StoreSettings();
    return loaded;
}

SaveFlow MidiToStyleSteps::SaveOneTouch(const ChooseFile& choose, Reporter& reporter) {
    return SaveDescription(dialog_folder::kM2sSaveOts, choose, reporter);
}

SaveFlow MidiToStyleSteps::Finish(const ChooseFile& choose, Reporter& reporter) {
    FileChoice choice{kStyleFilter, dialog_folder::kM2sSaveStyle, {}};
    if (const auto suggested = WithExtension(wizard_.MidiPath().filename(), kStyleExtension)) {
        choice.suggestedName = suggested->string();
    }
    // The style asks its own question before it replaces a file.
    const std::optional<fs::path> chosen = [&]() -> std::optional<fs::path> {
        while (true) {
            const std::optional<fs::path> path = choose(choice);
            if (!path) {
                return std::nullopt;
            }
            if (auto target = WithExtension(*path, kStyleExtension)) {
                return target;
            }
            reporter.Show(Icon::Information, kFinishCaption, kFileNameNull);
        }
    }();
    if (!chosen) {
        return SaveFlow::Cancelled;
    }
    switch (wizard_.Save(*chosen, reporter)) {
        case StyleFile::SaveOutcome::Declined:
            return SaveFlow::Declined;
        case StyleFile::SaveOutcome::Failed:
            return SaveFlow::Failed;
        case StyleFile::SaveOutcome::Written:
            break;
    }
    lastWritten_ = *chosen;
    RememberFolder(config_, dialog_folder::kM2sSaveStyle, *chosen);
    return SaveFlow::Written;
}

SaveFlow MidiToStyleSteps::SaveWith(const FileChoice& choice, std::string_view extension,
                                    std::string_view caption, const ChooseFile& choose,
                                    Reporter& reporter,
                                    const std::function<SaveFlow(const fs::path&)>& write) {
    while (true) {
        const std::optional<fs::path> path = choose(choice);
        if (!path) {
            return SaveFlow::Cancelled;
        }
        const std::optional<fs::path> target = WithExtension(*path, extension);
        if (!target) {
            reporter.Show(Icon::Information, caption, kFileNameNull);
            continue;
        }
        std::error_code ec;
        if (fs::exists(*target, ec) && reporter.Ask(Icon::Question, caption, kFileExists,
                                                    Buttons::YesNoCancel) != Answer::Yes) {
            return SaveFlow::Declined;
        }
        const SaveFlow result = write(*target);
        if (result == SaveFlow::Written) {
            lastWritten_ = *target;
            RememberFolder(config_, choice.folder, *target);
        }
        return result;
    }
}

bool MidiToStyleSteps::Drop(const fs::path& path, Reporter& reporter) {
    if (HasExtension(path, {".mid", ".midi", ".kar"})) {
        (void)Open(path, reporter);
        return true;
    }
    if (HasExtension(path, {kDscExtension}) && step_ != Step::Open) {
        if (wizard_.LoadDescription(path, reporter)) {
            if (step_ == Step::OneTouch) {
                wizard_.StoreSettings();
                RememberFolder(config_, dialog_folder::kM2sLoadOts, path);
            } else {
                RememberFolder(config_, dialog_folder::kM2sLoadDsc, path);
            }
        }
        return true;
    }
    return false;
}

}  // namespace veltrano
