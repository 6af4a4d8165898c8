// "sty2mid", "sty2ots" and "sty2dsc": a style's MIDI file, one-touch settings and description.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "style/StyleToMidi.h"

namespace veltrano::cli {

namespace {

struct ConvertOptions {
    std::string style;
    std::string target;
    std::optional<std::string> tempo;
    std::optional<std::string> timeSignature;
    std::optional<std::string> shortName;
};

// Messages as the console shows them; the one question, whether an existing target is to be
// replaced, is answered Yes only with --yes.
class ConversionReporter : public Reporter {
public:
    explicit ConversionReporter(bool replace) : replace_(replace) {}

    void Show(Icon icon, std::string_view caption, std::string_view text) override {
        console_.Show(icon, caption, text);
    }
    Answer Ask(Icon icon, std::string_view caption, std::string_view text, Buttons) override {
        console_.Show(icon, caption, text);
        std::fprintf(stderr, "  -> %s\n", replace_ ? "Yes (--yes)" : "No (--yes replaces it)");
        return replace_ ? Answer::Yes : Answer::No;
    }

private:
    ConsoleReporter console_{ConsoleReporter::Policy::AlwaysNo};
    bool replace_;
};

int RunConversion(ConversionMode mode, const ConvertOptions& options, const CliState& state) {
    AppContext app;
    if (!StartApplication(app)) {
        return kExitFailed;
    }
    ConversionReporter reporter(state.options.yes && !state.options.no);
    StyleToMidi converter;
    if (!converter.Open(options.style, reporter)) {
        return kExitFailed;
    }
    if (mode == ConversionMode::Midi) {
        // What is not given stays as the style has it, and is checked as the dialog checks it.
        const SaveMidiCheck check =
            CheckSaveMidiInput(options.shortName.value_or(converter.Info().shortName),
                               options.tempo.value_or(converter.TempoText()),
                               options.timeSignature.value_or(converter.TimeSignatureText()));
        if (!check.Accepted()) {
            reporter.Show(Icon::Warning, kSaveMidiCaption, check.message);
            return kExitFailed;
        }
        converter.SetOverrides(*check.overrides);
    }
    const StyleToMidi::SaveResult result =
        converter.Save(mode, options.target, reporter);
    if (result != StyleToMidi::SaveResult::Written) {
        return kExitFailed;
    }
    if (const auto target = StyleToMidi::TargetPath(options.target, mode)) {
        std::printf("%s\n", target->string().c_str());
    }
    return kExitOk;
}

CLI::App* AddConversion(CLI::App& root, CliState& state, const char* name, const char* description,
                        ConversionMode mode, const std::shared_ptr<ConvertOptions>& options) {
    CLI::App* cmd = root.add_subcommand(name, description);
    cmd->add_option("STYLE", options->style, "The style file (.sty)")->required();
    cmd->add_option("OUT", options->target, "The file to write; its extension is set")->required();
    cmd->fallthrough();
    cmd->callback(
        [&state, options, mode] { state.exitCode = RunConversion(mode, *options, state); });
    return cmd;
}

}  // namespace

void RegisterStyleToMidiCommands(CLI::App& root, CliState& state) {
    auto midi = std::make_shared<ConvertOptions>();
    CLI::App* sty2mid = AddConversion(root, state, "sty2mid",
                                      "Write a style's sections as a MIDI file with markers",
                                      ConversionMode::Midi, midi);
    sty2mid->add_option("--tempo", midi->tempo, "Tempo in beats per minute (30-280)");
    sty2mid->add_option("--timesig", midi->timeSignature, "Time signature nn/dd");
    sty2mid->add_option("--short-name", midi->shortName, "Short name, 1 to 8 characters");

    AddConversion(root, state, "sty2ots", "Write a style's one-touch settings (.ots)",
                  ConversionMode::OneTouch, std::make_shared<ConvertOptions>());
    AddConversion(root, state, "sty2dsc", "Write a style's description (.dsc)",
                  ConversionMode::Description, std::make_shared<ConvertOptions>());
}

}  // namespace veltrano::cli
