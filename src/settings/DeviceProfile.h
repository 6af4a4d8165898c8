#pragma once

#include <filesystem>
#include <string>

#include "settings/IniFile.h"

namespace veltrano {

// What "device.ini" records about one instrument model.
struct DeviceProfileValues {
    std::string firmwareVersion;
    std::string productName;
    int deviceId = 0;
    int deviceClass = -1;  // -1: no instrument of this name has been connected yet
    int controllerTypes = 0;
    int controllerPedal = 0;
    int controllerKnob = 0;
    int controllerPad = 0;
    int controllerPitchbend = 0;
    int knobFunctionGroups = 0;
    int knobCustomGroup = 0;
    int kbdRangeL = 21;
    int kbdRangeH = 108;

    bool operator==(const DeviceProfileValues&) const = default;
};

// "device.ini" of the current instrument model's folder. The file object is re-pointed at
// every device change; the values are loaded into memory when it is.
class DeviceProfile {
public:
    static constexpr const char* kFileName = "device.ini";

    // Points the file at folder/device.ini and loads every key (defaults for missing ones).
    void Read(const std::filesystem::path& folder);
    // Points the file at folder/device.ini and keeps the values in memory as they are.
    void Repoint(const std::filesystem::path& folder);
    // Reads "DeviceID" of the current file again; the editors choose their device variants by
    // it.
    void ReadDeviceId();
    // Writes every key to the current file and keeps the values in memory.
    [[nodiscard]] bool Write(const DeviceProfileValues& values);
    // The keys a connect writes after a table fetch: "FirmwareVersion" and "DeviceID".
    [[nodiscard]] bool WriteFirmware(const std::string& version, int deviceId);
    // The keys a connect writes at its end: every key of "Connect" and "ProductName".
    [[nodiscard]] bool WriteConnection(const DeviceProfileValues& values);
    // The values in memory, which a connect takes over from the instrument.
    [[nodiscard]] DeviceProfileValues& MutableValues() { return values_; }

    [[nodiscard]] const DeviceProfileValues& Values() const { return values_; }
    [[nodiscard]] IniFile& File() { return file_; }

private:
    IniFile file_;
    DeviceProfileValues values_;
};

}  // namespace veltrano
