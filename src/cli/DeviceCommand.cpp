// "device": the instrument's link on the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/Reporter.h"
#include "cli/CliCommon.h"
#include "cli/CliLink.h"
#include "cli/ProgressBar.h"
#include "transfer/DeviceListing.h"
#include "transfer/Transfers.h"

namespace veltrano::cli {

namespace {

void PrintIdentity(CliLink& rig, bool json) {
    const IdentityRecord& id = *rig.Session().Identity();
    const DeviceProfileValues& p = rig.App().profile.Values();
    const std::string folder = rig.App().DeviceFolder().string();
    if (json) {
        const nlohmann::json out = {{"productName", id.productName},
                                    {"firmwareVersion", id.firmwareVersion},
                                    {"deviceClass", id.deviceClass},
                                    {"deviceId", id.deviceId},
                                    {"controllerTypes", p.controllerTypes},
                                    {"pedals", p.controllerPedal},
                                    {"knobs", p.controllerKnob},
                                    {"pads", p.controllerPad},
                                    {"pitchBend", p.controllerPitchbend},
                                    {"knobFunctionGroups", p.knobFunctionGroups},
                                    {"knobCustomGroup", p.knobCustomGroup},
                                    {"keyboard", {p.kbdRangeL, p.kbdRangeH}},
                                    {"folder", folder}};
        std::printf("%s\n", out.dump(2).c_str());
        return;
    }
    std::printf("Product:     %s\n", id.productName.c_str());
    std::printf("Firmware:    %s\n", id.firmwareVersion.c_str());
    std::printf("Class:       %d\n", id.deviceClass);
    std::printf("Device ID:   %d\n", id.deviceId);
    std::printf("Controllers: type %d, %d pedals, %d knobs, %d pads, pitch bend %s\n",
                p.controllerTypes, p.controllerPedal, p.controllerKnob, p.controllerPad,
                p.controllerPitchbend != 0 ? "yes" : "no");
    std::printf("Knob groups: %d (custom group %d)\n", p.knobFunctionGroups, p.knobCustomGroup);
    std::printf("Keyboard:    %d-%d\n", p.kbdRangeL, p.kbdRangeH);
    std::printf("Folder:      %s\n", folder.c_str());
}

// Connects, runs the action while connected and disconnects again.
int WithConnection(const GlobalOptions& options, const std::function<int(CliLink&)>& action) {
    CliLink rig(options);
    const int opened = rig.Open();
    if (opened != kExitOk) {
        return opened;
    }
    if (!rig.Session().Connect(true)) {
        return kExitFailed;
    }
    const int status = action(rig);
    if (!rig.Session().Disconnect(true)) {
        return kExitFailed;
    }
    return status;
}

void PrintListing(const DeviceListing& listing, bool json) {
    if (json) {
        nlohmann::json entries = nlohmann::json::array();
        for (const FileEntry& e : listing.Entries()) {
            nlohmann::json entry = {{"name", e.name},
                                    {"folder", !e.HasSize()},
                                    {"created", FormatDeviceTime(e.time1)},
                                    {"accessed", FormatDeviceTime(e.time2)},
                                    {"written", FormatDeviceTime(e.time3)}};
            if (e.HasSize()) {
                entry["size"] = e.size;
            }
            entries.push_back(entry);
        }
        std::printf(
            "%s\n",
            nlohmann::json{{"folder", listing.Folder()}, {"entries", entries}}.dump(2).c_str());
        return;
    }
    std::printf("%s\n", listing.Folder().c_str());
    for (const FileEntry& e : listing.Entries()) {
        const std::string size = e.HasSize() ? std::to_string(e.size) + " bytes" : "<dir>";
        std::printf("  %-32s %14s  %-20s %-20s %-20s\n", e.name.c_str(), size.c_str(),
                    FormatDeviceTime(e.time1).c_str(), FormatDeviceTime(e.time2).c_str(),
                    FormatDeviceTime(e.time3).c_str());
    }
}

// The instrument file a command names, found by listing its folder (which also makes that
// folder the instrument's current one). Null, after a message, when it is not there.
const FileEntry* FindDeviceFile(CliLink& rig, const std::string& path, const char* caption) {
    const auto parts = DeviceListing::SplitPath(path);
    if (!rig.Devices().Files().QueryFiles(parts.folder)) {
        return nullptr;
    }
    const FileEntry* entry = rig.Devices().Listing().Find(parts.name);
    if (entry == nullptr) {
        rig.Reporter().Show(Icon::Error, caption, "This file is not exist: " + parts.name);
    } else if (!entry->HasSize()) {
        rig.Reporter().Show(Icon::Error, caption, "Not a file: " + parts.name);
        return nullptr;
    }
    return entry;
}

int ListFolder(CliLink& rig, const std::string& path, bool json) {
    const DeviceListing& listing = rig.Devices().Listing();
    if (!rig.Devices().Files().QueryFiles(DeviceListing::DevicePath(path))) {
        return kExitFailed;
    }
    PrintListing(listing, json);
    return kExitOk;
}

int GetFile(CliLink& rig, const std::string& path, const std::string& folder) {
    ProgressBar bar("get", sysex::kUploadBlockSize);
    ListenerScope listening(rig.Devices(), bar);
    const FileEntry* entry = FindDeviceFile(rig, path, "Upload");
    if (entry == nullptr) {
        return kExitFailed;
    }
    const std::filesystem::path localFolder = folder.empty() ? "." : folder;
    const std::string name = entry->name;
    if (Transfers::IsAcceptableLocalName(name) && std::filesystem::exists(localFolder / name)) {
        const Answer answer = rig.Reporter().Ask(
            Icon::Question, "Upload",
            "The file(" + name + ") is exist, do you want to overwrite it?", Buttons::YesNo);
        if (answer != Answer::Yes) {
            std::printf("Skipped %s\n", name.c_str());
            return kExitOk;
        }
    }
    if (!rig.Devices().Files().UploadFile(name, entry->size, localFolder)) {
        return kExitFailed;
    }
    bar.Finish();
    std::printf("Copied %s (%u bytes) to %s\n", name.c_str(), entry->size,
                (localFolder / name).string().c_str());
    return kExitOk;
}

int PutFile(CliLink& rig, const std::string& file, const std::string& folder) {
    ProgressBar bar("put", sysex::kDownloadDataSize);
    ListenerScope listening(rig.Devices(), bar);
    Transfers& transfers = rig.Devices().Files();
    // The instrument stores what it receives in its current folder: the one listed last.
    if (!transfers.QueryFiles(DeviceListing::DevicePath(folder))) {
        return kExitFailed;
    }
    if (!transfers.DownloadFile(file)) {
        return kExitFailed;
    }
    bar.Finish();
    std::printf("Sent %s to %s\n", file.c_str(), rig.Devices().Listing().Folder().c_str());
    return kExitOk;
}

int RemoveFile(CliLink& rig, const std::string& path) {
    const FileEntry* entry = FindDeviceFile(rig, path, "Delete");
    if (entry == nullptr) {
        return kExitFailed;
    }
    const std::string name = entry->name;
    if (!rig.Devices().Files().DeleteDeviceFile(name)) {
        return kExitFailed;
    }
    std::printf("Deleted %s\n",
                DeviceListing::ChildFolder(rig.Devices().Listing().Folder(), name).c_str());
    return kExitOk;
}

}  // namespace

void RegisterDeviceCommand(CLI::App& root, CliState& state) {
    CLI::App* device = root.add_subcommand("device", "Talk to the instrument");
    device->require_subcommand(1);
    device->fallthrough();

    CLI::App* connect = device->add_subcommand(
        "connect", "Connect, show the instrument's identity and where its tables are");
    connect->fallthrough();
    connect->callback([&state] {
        state.exitCode = WithConnection(state.options, [&state](CliLink& rig) {
            PrintIdentity(rig, state.options.json);
            return kExitOk;
        });
    });

    struct Words {
        std::string first;
        std::string second;
    };
    auto words = std::make_shared<Words>();

    CLI::App* ls = device->add_subcommand("ls", "List an instrument folder (USER by default)");
    ls->add_option("PATH", words->first, "Instrument folder, e.g. USER\\STYLE");
    ls->fallthrough();
    ls->callback([&state, words] {
        state.exitCode = WithConnection(state.options, [&](CliLink& rig) {
            return ListFolder(rig, words->first, state.options.json);
        });
    });

    CLI::App* get = device->add_subcommand("get", "Copy an instrument file to the computer");
    get->add_option("NAME", words->first, "Instrument file, e.g. USER\\SONG\\TUNE.MID")->required();
    get->add_option("DIR", words->second, "Local folder (default: the current one)");
    get->fallthrough();
    get->callback([&state, words] {
        state.exitCode = WithConnection(
            state.options, [&](CliLink& rig) { return GetFile(rig, words->first, words->second); });
    });

    CLI::App* put = device->add_subcommand("put", "Send a file to the instrument");
    put->add_option("FILE", words->first, "Local file")->required()->check(CLI::ExistingFile);
    put->add_option("FOLDER", words->second, "Instrument folder (default: USER)");
    put->fallthrough();
    put->callback([&state, words] {
        state.exitCode = WithConnection(
            state.options, [&](CliLink& rig) { return PutFile(rig, words->first, words->second); });
    });

    CLI::App* rm = device->add_subcommand("rm", "Delete an instrument file");
    rm->add_option("NAME", words->first, "Instrument file, e.g. USER\\SONG\\TUNE.MID")->required();
    rm->fallthrough();
    rm->callback([&state, words] {
        state.exitCode = WithConnection(
            state.options, [&](CliLink& rig) { return RemoveFile(rig, words->first); });
    });

    CLI::App* tables = device->add_subcommand("tables", "Fetch all preset tables again");
    tables->fallthrough();
    tables->callback([&state] {
        state.exitCode = WithConnection(state.options, [](CliLink& rig) {
            if (!rig.Session().FetchAllTables(true)) {
                return kExitFailed;
            }
            std::printf("Tables stored in %s\n", rig.App().DeviceFolder().string().c_str());
            return kExitOk;
        });
    });
}

}  // namespace veltrano::cli
