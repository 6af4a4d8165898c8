// "sty2mid", "sty2ots" and "sty2dsc": a style's MIDI file, one-touch settings and description.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/Text.h"
#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "style/StyleToMidi.h"

namespace veltrano::cli {

namespace {

namespace fs = std::filesystem;

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

// One style into one target, checked as the dialog checks it; what is not given stays as the
// style has it. The target's path is printed when written.
bool ConvertOne(ConversionMode mode, const std::string& style, const std::string& target,
                const ConvertOptions& options, Reporter& reporter) {
    StyleToMidi converter;
    if (!converter.Open(style, reporter)) {
        return false;
    }
    if (mode == ConversionMode::Midi) {
        const SaveMidiCheck check =
            CheckSaveMidiInput(options.shortName.value_or(converter.Info().shortName),
                               options.tempo.value_or(converter.TempoText()),
                               options.timeSignature.value_or(converter.TimeSignatureText()));
        if (!check.Accepted()) {
            reporter.Show(Icon::Warning, kSaveMidiCaption, check.message);
            return false;
        }
        converter.SetOverrides(*check.overrides);
    }
    if (converter.Save(mode, target, reporter) != StyleToMidi::SaveResult::Written) {
        return false;
    }
    if (const auto written = StyleToMidi::TargetPath(target, mode)) {
        std::printf("%s\n", written->string().c_str());
    }
    return true;
}

int RunConversion(ConversionMode mode, const ConvertOptions& options, const CliState& state) {
    AppContext app;
    if (!StartApplication(app)) {
        return kExitFailed;
    }
    ConversionReporter reporter(state.options.yes && !state.options.no);
    return ConvertOne(mode, options.style, options.target, options, reporter) ? kExitOk
                                                                              : kExitFailed;
}

// The styles named: files as given, folders by their ".sty" files (any letter case) in name
// order.
std::optional<std::vector<fs::path>> CollectStyles(const std::vector<std::string>& inputs) {
    std::vector<fs::path> styles;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            styles.emplace_back(input);
            continue;
        }
        std::vector<fs::path> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(input, ec)) {
            if (entry.is_regular_file(ec) &&
                EqualsNoCase(entry.path().extension().string(), ".sty")) {
                found.push_back(entry.path());
            }
        }
        if (ec) {
            std::fprintf(stderr, "Cannot read the folder %s\n", input.c_str());
            return std::nullopt;
        }
        std::sort(found.begin(), found.end());
        styles.insert(styles.end(), found.begin(), found.end());
    }
    return styles;
}

// "sty2mid --out DIR STYLE-OR-FOLDER...": every style into DIR/<its name>.mid, with a line of
// progress for each. A style that fails is reported and the others are still converted.
int RunBatch(const std::vector<std::string>& inputs, const std::string& outDir,
             const ConvertOptions& options, const CliState& state) {
    const std::optional<std::vector<fs::path>> styles = CollectStyles(inputs);
    if (!styles) {
        return kExitFailed;
    }
    if (styles->empty()) {
        std::fprintf(stderr, "No style files (.sty) found\n");
        return kExitFailed;
    }
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir, ec)) {
        std::fprintf(stderr, "Cannot create the folder %s\n", outDir.c_str());
        return kExitFailed;
    }
    AppContext app;
    if (!StartApplication(app)) {
        return kExitFailed;
    }
    ConversionReporter reporter(state.options.yes && !state.options.no);
    size_t failed = 0;
    for (size_t i = 0; i < styles->size(); ++i) {
        const fs::path& style = (*styles)[i];
        std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, styles->size(), style.string().c_str());
        const fs::path target = fs::path(outDir) / style.filename();
        if (!ConvertOne(ConversionMode::Midi, style.string(), target.string(), options, reporter)) {
            ++failed;
        }
    }
    std::fprintf(stderr, "%zu of %zu converted\n", styles->size() - failed, styles->size());
    return failed == 0 ? kExitOk : kExitFailed;
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
    auto inputs = std::make_shared<std::vector<std::string>>();
    auto outDir = std::make_shared<std::optional<std::string>>();
    CLI::App* sty2mid = root.add_subcommand(
        "sty2mid",
        "Write a style's sections as a MIDI file with markers; with --out DIR, any number of "
        "styles and folders of styles");
    sty2mid->add_option("FILES", *inputs, "STYLE OUT.mid, or with --out the styles and folders")
        ->required();
    sty2mid->add_option("--out", *outDir, "Folder for the MIDI files of several styles");
    sty2mid->fallthrough();
    sty2mid->callback([&state, midi, inputs, outDir] {
        if (*outDir) {
            state.exitCode = RunBatch(*inputs, **outDir, *midi, state);
            return;
        }
        if (inputs->size() != 2) {
            std::fprintf(stderr, "sty2mid takes STYLE OUT.mid, or --out DIR and the styles\n");
            state.exitCode = kExitUsage;
            return;
        }
        midi->style = (*inputs)[0];
        midi->target = (*inputs)[1];
        state.exitCode = RunConversion(ConversionMode::Midi, *midi, state);
    });
    sty2mid->add_option("--tempo", midi->tempo, "Tempo in beats per minute (30-280)");
    sty2mid->add_option("--timesig", midi->timeSignature, "Time signature nn/dd");
    sty2mid->add_option("--short-name", midi->shortName, "Short name, 1 to 8 characters");

    AddConversion(root, state, "sty2ots", "Write a style's one-touch settings (.ots)",
                  ConversionMode::OneTouch, std::make_shared<ConvertOptions>());
    AddConversion(root, state, "sty2dsc", "Write a style's description (.dsc)",
                  ConversionMode::Description, std::make_shared<ConvertOptions>());
}

}  // namespace veltrano::cli
