#include "style/StyleToMidiPresenter.h"

#include "base/Reporter.h"
#include "settings/AppConfig.h"
#include "settings/LanguageTable.h"

namespace veltrano {

namespace fs = std::filesystem;

void RememberFolder(AppConfig& config, DialogFolderKey key, const fs::path& file) {
    // A setting that cannot be written costs only the remembered folder.
    (void)config.SetDialogFolder(key, file.parent_path().string());
}

FileChoice StyleToMidiPresenter::OpenChoice() const {
    return {kOpenStyleFilter, dialog_folder::kS2mOpenStyle, {}};
}

bool StyleToMidiPresenter::Open(const fs::path& path, Reporter& reporter) {
    fields_ = {};
    if (!converter_.Open(path, reporter)) {
        return false;
    }
    const StyleInfo& info = converter_.Info();
    fields_.path = path.string();
    fields_.longName = info.longName;
    fields_.shortName = info.shortName;
    fields_.tempo = converter_.TempoText();
    fields_.timeSignature = converter_.TimeSignatureText();
    RememberFolder(config_, dialog_folder::kS2mOpenStyle, path);
    return true;
}

SaveFlow StyleToMidiPresenter::Save(ConversionMode mode, const Typed& typed,
                                    const ChooseFile& choose, Reporter& reporter) {
    const SaveDialogSetup setup = SaveDialogOf(mode);
    while (true) {
        if (!converter_.CheckOpen(mode, language_, reporter)) {
            return SaveFlow::Refused;
        }
        if (mode == ConversionMode::Midi) {
            const SaveMidiCheck check =
                CheckSaveMidiInput(typed.shortName, typed.tempo, typed.timeSignature);
            if (!check.Accepted()) {
                reporter.Show(Icon::Warning, setup.caption, check.message);
                return SaveFlow::Refused;
            }
            converter_.SetOverrides(*check.overrides);
        }
        FileChoice choice{setup.filter, setup.folder, {}};
        if (const auto suggested =
                WithExtension(converter_.StylePath().filename(), setup.extension)) {
            choice.suggestedName = suggested->string();
        }
        const std::optional<fs::path> chosen = choose(choice);
        if (!chosen) {
            return SaveFlow::Cancelled;
        }
        switch (converter_.Save(mode, *chosen, reporter)) {
            case StyleToMidi::SaveResult::NameEmpty:
                continue;
            case StyleToMidi::SaveResult::Declined:
                return SaveFlow::Declined;
            case StyleToMidi::SaveResult::Failed:
                return SaveFlow::Failed;
            case StyleToMidi::SaveResult::Written:
                break;
        }
        lastWritten_ = StyleToMidi::TargetPath(*chosen, mode).value_or(*chosen);
        RememberFolder(config_, setup.folder, lastWritten_);
        return SaveFlow::Written;
    }
}

}  // namespace veltrano
