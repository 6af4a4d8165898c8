// "mid2sty MIDI OUT.sty": a MIDI file whose sections are delimited by markers made into a style,
// as the wizard does with its defaults.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "base/Text.h"
#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "style/MidiToStyle.h"

namespace veltrano::cli {

namespace {

struct MidiToStyleOptions {
    std::string midi;
    std::string target;
    std::optional<std::string> dsc;
    std::optional<std::string> shortName;
    std::optional<std::string> longName;
    std::optional<std::string> sections;
};

// "Intro A,Main A,Fill A": the wizard's section boxes; nullopt (with the message printed) for
// a name that is none of them.
std::optional<SectionBoxes> ParseSectionList(std::string_view list) {
    SectionBoxes boxes;
    for (const std::string_view name : SplitFields(list, ',')) {
        if (TrimBlanks(name).empty()) {
            continue;
        }
        const std::optional<SectionBox> box = FindSectionBox(name);
        if (!box) {
            std::fprintf(stderr,
                         "Unknown section: %.*s (expected Intro A, Intro B, Main A-D, Fill A-D, "
                         "Ending A, Ending B)\n",
                         static_cast<int>(name.size()), name.data());
            return std::nullopt;
        }
        boxes.set(BoxBit(*box));
    }
    if (boxes.none()) {
        std::fprintf(stderr, "--sections names no section\n");
        return std::nullopt;
    }
    return boxes;
}

void PrintSummary(const MidiToStyle& wizard, const std::filesystem::path& target) {
    const StyleModel& model = wizard.Model();
    const StyleInfo& info = model.info;
    std::printf("Wrote %s\n", target.string().c_str());
    std::printf("  short name \"%s\", long name \"%s\"\n", info.shortName.c_str(),
                info.longName.c_str());
    std::printf("  tempo %u, time signature %u/%u, division %u\n", unsigned{info.tempo},
                unsigned{info.numerator}, unsigned{info.denominator}, unsigned{info.division});
    for (const int slot : wizard.PresentSections()) {
        const StyleSection& section = model.sections[static_cast<size_t>(slot)];
        std::string channels;
        for (int n = 0; n < kStyleChannelCount; ++n) {
            if (section.channels[static_cast<size_t>(n)].inUse) {
                channels += ' ' + std::to_string(n + 1);
            }
        }
        const std::string_view name = SectionName(slot);
        std::printf("  %-10.*s %3u bars  channels:%s\n", static_cast<int>(name.size()), name.data(),
                    unsigned{section.bars}, channels.empty() ? " -" : channels.c_str());
    }
}

int Run(const MidiToStyleOptions& options, const GlobalOptions& global) {
    std::optional<SectionBoxes> chosen;
    if (options.sections) {
        chosen = ParseSectionList(*options.sections);
        if (!chosen) {
            return kExitUsage;
        }
    }
    AppContext app;
    if (!StartApplication(app)) {
        return kExitFailed;
    }
    ConsoleReporter reporter(global.yes && !global.no ? ConsoleReporter::Policy::AlwaysYes
                                                      : ConsoleReporter::Policy::AlwaysNo);

    MidiToStyle wizard;
    if (!wizard.Analyse(options.midi, reporter)) {
        return kExitFailed;
    }
    const SectionBoxes found = wizard.FoundBoxes();
    if (chosen) {
        for (int b = 0; b < kSectionBoxCount; ++b) {
            if (chosen->test(static_cast<size_t>(b)) && !found.test(static_cast<size_t>(b))) {
                const std::string_view name = SectionBoxName(static_cast<SectionBox>(b));
                std::fprintf(stderr, "The MIDI file has no marker of %.*s\n",
                             static_cast<int>(name.size()), name.data());
                return kExitFailed;
            }
        }
    }
    const std::string shortName = options.shortName.value_or(wizard.Model().info.shortName);
    if (!wizard.ChooseSections(chosen.value_or(found), shortName,
                               options.longName.value_or(std::string()))) {
        return kExitFailed;
    }

    // Reset, then the description asked for on top of it, as the wizard's Load does.
    (void)wizard.ResetSettings(app.programFolder, reporter);
    if (options.dsc && !wizard.LoadDescription(*options.dsc, reporter)) {
        return kExitFailed;
    }
    wizard.StoreSettings();

    const std::filesystem::path target(options.target);
    std::error_code ec;
    if (std::filesystem::exists(target, ec) && !(global.yes && !global.no)) {
        std::fprintf(stderr, "%s exists; --yes replaces it\n", target.string().c_str());
        return kExitFailed;
    }
    if (wizard.Save(target, reporter) != StyleFile::SaveOutcome::Written) {
        return kExitFailed;
    }
    PrintSummary(wizard, target);
    return kExitOk;
}

}  // namespace

void RegisterMidiToStyleCommand(CLI::App& root, CliState& state) {
    auto options = std::make_shared<MidiToStyleOptions>();
    CLI::App* cmd = root.add_subcommand(
        "mid2sty", "Make a style from a MIDI file whose sections are delimited by markers");
    cmd->add_option("MIDI", options->midi, "The MIDI file (format 0 or 1)")->required();
    cmd->add_option("OUT", options->target, "The style to write (.sty)")->required();
    cmd->add_option("--dsc", options->dsc,
                    "Description file (.dsc) applied over the default channel settings");
    cmd->add_option("--short-name", options->shortName,
                    "Short name (first 8 characters); default: the file's");
    cmd->add_option("--long-name", options->longName, "Long name; default: the file's");
    cmd->add_option("--sections", options->sections,
                    "Sections to take, e.g. \"Intro A,Main A,Fill A,Ending A\" (a fill box "
                    "takes the four fills of its group); default: every section found");
    cmd->fallthrough();
    cmd->callback([&state, options] { state.exitCode = Run(*options, state.options); });
}

}  // namespace veltrano::cli
