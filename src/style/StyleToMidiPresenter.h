#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "style/StyleToMidi.h"

namespace veltrano {

class AppConfig;
class LanguageTable;
class Reporter;

// What a file dialog of the conversion pages is to show; the page adds its caption.
struct FileChoice {
    std::string_view filter;  // "MIDI files(*.mid)|*.mid||"
    DialogFolderKey folder;   // where it starts, and where a successful operation stores it
    std::string suggestedName;
};
// The dialog itself: the chosen path, or nullopt when cancelled.
using ChooseFile = std::function<std::optional<std::filesystem::path>(const FileChoice&)>;

// How a save of the conversion pages ended.
enum class SaveFlow {
    Written,
    Refused,    // a check said why; nothing asked
    Cancelled,  // the file dialog was cancelled
    Declined,   // the existing file was not to be replaced; nothing written
    Failed,     // the failure was shown
};

// The style-to-MIDI page's rules: opening a style, the fields it shows, and the three saves with
// their checks in order, the file dialog (opened again after an empty name), the question before
// a file is replaced, and the folders the dialogs remember.
class StyleToMidiPresenter {
public:
    // What the page shows of the opened style; all empty when none is open.
    struct Fields {
        std::string path;
        std::string longName;
        std::string shortName;
        std::string tempo;
        std::string timeSignature;
    };
    // The editable fields as the user left them.
    struct Typed {
        std::string shortName;
        std::string tempo;
        std::string timeSignature;
    };

    StyleToMidiPresenter(AppConfig& config, const LanguageTable& language)
        : config_(config), language_(language) {}

    [[nodiscard]] FileChoice OpenChoice() const;
    // Validates the style; on success the fields show it and its folder is remembered, on
    // failure they are emptied.
    [[nodiscard]] bool Open(const std::filesystem::path& path, Reporter& reporter);
    [[nodiscard]] const Fields& Shown() const { return fields_; }

    // Save OTS, Save DSC, Save MIDI. Every check of `mode` before the dialog, in order (no
    // style, then for MIDI short name, tempo, time signature); the dialog; an empty name says
    // so and starts over from the checks; the conversion; the dialog's folder stored when the
    // file was written.
    [[nodiscard]] SaveFlow Save(ConversionMode mode, const Typed& typed, const ChooseFile& choose,
                                Reporter& reporter);
    // The path of the last file written.
    [[nodiscard]] const std::filesystem::path& LastWritten() const { return lastWritten_; }

    [[nodiscard]] StyleToMidi& Converter() { return converter_; }

private:
    AppConfig& config_;
    const LanguageTable& language_;
    StyleToMidi converter_;
    Fields fields_;
    std::filesystem::path lastWritten_;
};

// The folder of a chosen file as a dialog remembers it.
void RememberFolder(AppConfig& config, DialogFolderKey key, const std::filesystem::path& file);

}  // namespace veltrano
