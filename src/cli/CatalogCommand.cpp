// "catalog": the preset catalogues of a device folder, as the editors see them.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/AppContext.h"
#include "app/Startup.h"
#include "base/Text.h"
#include "cli/CliCommon.h"

namespace veltrano::cli {

namespace {

nlohmann::json NameGroupsJson(const std::vector<NameGroup>& groups) {
    nlohmann::json out = nlohmann::json::array();
    for (const NameGroup& g : groups) {
        out.push_back({{"name", g.name}, {"names", g.names}});
    }
    return out;
}

nlohmann::json CatalogJson(const PresetCatalog& catalog) {
    nlohmann::json voices = nlohmann::json::array();
    for (const VoiceEntry& v : catalog.Voices()) {
        nlohmann::json parts = nlohmann::json::array();
        for (const VoicePartDefaults& p : v.parts) {
            parts.push_back({{"volume", p.volume},
                             {"pan", p.pan},
                             {"octave", p.octave},
                             {"reverb", p.reverb},
                             {"chorus", p.chorus}});
        }
        voices.push_back({{"number", v.number},
                          {"name", v.name},
                          {"display", v.display},
                          {"msb", v.bankMsb},
                          {"lsb", v.bankLsb},
                          {"program", v.program},
                          {"drum", v.drum},
                          {"parts", parts}});
    }
    nlohmann::json voiceGroups = nlohmann::json::array();
    for (const VoiceGroup& g : catalog.VoiceGroups()) {
        voiceGroups.push_back(
            {{"name", g.name}, {"voices", g.displays}, {"first", g.first}, {"last", g.last}});
    }
    return {{"voices", voices},
            {"voiceGroups", voiceGroups},
            {"styleGroups", NameGroupsJson(catalog.StyleGroups())},
            {"songGroups", NameGroupsJson(catalog.SongGroups())},
            {"arpGroups", NameGroupsJson(catalog.ArpGroups())},
            {"chopperGroups", NameGroupsJson(catalog.ChopperGroups())}};
}

void PrintNameGroups(const char* title, const std::vector<NameGroup>& groups) {
    std::printf("\n%s\n", title);
    for (const NameGroup& g : groups) {
        std::printf("  [%s] %zu\n", g.name.c_str(), g.names.size());
        for (const std::string& name : g.names) {
            std::printf("    %s\n", name.c_str());
        }
    }
}

void PrintCatalog(const AppContext& app, const PresetCatalog& catalog) {
    std::printf("Device folder: %s\n", app.DeviceFolder().string().c_str());
    std::printf("\nVoices: %zu in %zu groups\n", catalog.Voices().size(),
                catalog.VoiceGroups().size());
    for (const VoiceGroup& g : catalog.VoiceGroups()) {
        std::printf("  [%s] %d-%d\n", g.name.c_str(), g.first, g.last);
        for (const std::string& display : g.displays) {
            const VoiceEntry* v = catalog.FindVoiceByDisplay(display);
            if (v == nullptr) {
                continue;
            }
            std::printf("    %-32s bank %3d/%3d  program %3d%s\n", display.c_str(), v->bankMsb,
                        v->bankLsb, v->program, v->drum ? "  drum kit" : "");
        }
    }
    PrintNameGroups("Styles", catalog.StyleGroups());
    PrintNameGroups("Songs", catalog.SongGroups());
    PrintNameGroups("Arpeggios", catalog.ArpGroups());
    PrintNameGroups("Choppers", catalog.ChopperGroups());
}

}  // namespace

void RegisterCatalogCommand(CLI::App& root, CliState& state) {
    struct Options {
        std::string device;
        std::optional<int> language;
    };
    auto options = std::make_shared<Options>();
    CLI::App* cmd = root.add_subcommand("catalog", "Show the preset catalogues of a device");
    cmd->add_option("--device", options->device, "Device folder name (default: the current one)");
    cmd->add_option("--lang", options->language, "Language index: 0 English, 1 Chinese")
        ->check(CLI::Range(0, 1));
    cmd->callback([&state, options] {
        AppContext app;
        if (!StartApplication(app)) {
            state.exitCode = kExitFailed;
            return;
        }
        if (!options->device.empty()) {
            if (!IsSafePathComponent(options->device)) {
                std::fprintf(stderr, "Invalid device name: %s\n", options->device.c_str());
                state.exitCode = kExitUsage;
                return;
            }
            app.currentDevice = options->device;
        }
        if (options->language) {
            app.language.SetIndex(*options->language);
        }
        std::error_code ec;
        if (!std::filesystem::is_directory(app.DeviceFolder(), ec)) {
            std::fprintf(stderr, "No device folder: %s\n", app.DeviceFolder().string().c_str());
            state.exitCode = kExitFailed;
            return;
        }
        LoadModels(app);
        if (state.options.json) {
            std::printf("%s\n", CatalogJson(app.catalog).dump(2).c_str());
        } else {
            PrintCatalog(app, app.catalog);
        }
    });
}

}  // namespace veltrano::cli
