#include "settings/DeviceProfile.h"

namespace veltrano {

namespace {

constexpr std::string_view kFirmware = "Firmware";
constexpr std::string_view kConnect = "Connect";
constexpr std::string_view kDeviceId = "DeviceID";

// One table drives both the reader and the writer, so the two can never disagree.
struct IntKey {
    std::string_view section;
    std::string_view key;
    int DeviceProfileValues::*field;
};

constexpr IntKey kIntKeys[] = {
    {kFirmware, kDeviceId, &DeviceProfileValues::deviceId},
    {kConnect, "DeviceClass", &DeviceProfileValues::deviceClass},
    {kConnect, "ControllerTypes", &DeviceProfileValues::controllerTypes},
    {kConnect, "ControllerPedal", &DeviceProfileValues::controllerPedal},
    {kConnect, "ControllerKnob", &DeviceProfileValues::controllerKnob},
    {kConnect, "ControllerPad", &DeviceProfileValues::controllerPad},
    {kConnect, "ControllerPitchbend", &DeviceProfileValues::controllerPitchbend},
    {kConnect, "KnobFunctionGroups", &DeviceProfileValues::knobFunctionGroups},
    {kConnect, "KnobCustomGroup", &DeviceProfileValues::knobCustomGroup},
    {kConnect, "KbdRangeL", &DeviceProfileValues::kbdRangeL},
    {kConnect, "KbdRangeH", &DeviceProfileValues::kbdRangeH},
};

}  // namespace

void DeviceProfile::Repoint(const std::filesystem::path& folder) {
    file_.SetPath(folder / kFileName);
}

void DeviceProfile::Read(const std::filesystem::path& folder) {
    Repoint(folder);
    const DeviceProfileValues defaults;
    values_ = defaults;
    values_.firmwareVersion = file_.GetString(kFirmware, "FirmwareVersion");
    values_.productName = file_.GetString(kFirmware, "ProductName");
    for (const IntKey& k : kIntKeys) {
        values_.*k.field = file_.GetInt(k.section, k.key, defaults.*k.field, 10);
    }
}

void DeviceProfile::ReadDeviceId() {
    values_.deviceId = file_.GetInt(kFirmware, kDeviceId, DeviceProfileValues{}.deviceId, 10);
}

bool DeviceProfile::Write(const DeviceProfileValues& values) {
    bool ok = file_.WriteString(kFirmware, "FirmwareVersion", values.firmwareVersion);
    ok = file_.WriteString(kFirmware, "ProductName", values.productName) && ok;
    for (const IntKey& k : kIntKeys) {
        ok = file_.WriteInt(k.section, k.key, values.*k.field) && ok;
    }
    values_ = values;
    return ok;
}

bool DeviceProfile::WriteFirmware(const std::string& version, int deviceId) {
    const bool versionOk = file_.WriteString(kFirmware, "FirmwareVersion", version);
    const bool idOk = file_.WriteInt(kFirmware, kDeviceId, deviceId);
    return versionOk && idOk;
}

bool DeviceProfile::WriteConnection(const DeviceProfileValues& values) {
    bool ok = true;
    for (const IntKey& k : kIntKeys) {
        if (k.section == kConnect) {
            ok = file_.WriteInt(k.section, k.key, values.*k.field) && ok;
        }
    }
    return file_.WriteString(kFirmware, "ProductName", values.productName) && ok;
}

}  // namespace veltrano
