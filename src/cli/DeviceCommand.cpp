// "device": the instrument's link on the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/CliCommon.h"
#include "cli/CliLink.h"

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
