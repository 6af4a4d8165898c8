#include "settings/AppConfig.h"

#include <string>

namespace veltrano {

namespace {

constexpr std::string_view kLastDevice = "LastDevice";
constexpr std::string_view kSoftware = "Software";
constexpr std::string_view kOption = "Option";
constexpr std::string_view kDeviceList = "DeviceList";
constexpr std::string_view kLanguage = "Language";

std::string DeviceSlotKey(int slot) {
    return "Device" + std::to_string(slot);
}

}  // namespace

std::string AppConfig::LastDevice() const {
    return file_.GetString(kLastDevice, "Device");
}

bool AppConfig::SetLastDevice(std::string_view name) {
    return file_.WriteString(kLastDevice, "Device", name);
}

std::string AppConfig::SoftwareName() const {
    return file_.GetString(kSoftware, "SoftwareName");
}

std::string AppConfig::SoftwareVersion() const {
    return file_.GetString(kSoftware, "SoftwareVersion");
}

std::string AppConfig::SoftwareCopyright() const {
    return file_.GetString(kSoftware, "SoftwareCopyright");
}

bool AppConfig::TransmitFunc() const {
    return file_.GetBool(kOption, "TransmitFunc", true);
}

int AppConfig::LanguageId() const {
    return file_.GetInt(kOption, "LanguageID", 0, 10);
}

bool AppConfig::SetLanguageId(int index) {
    return file_.WriteInt(kOption, "LanguageID", index);
}

bool AppConfig::SetMidiDeviceIds(int inputIndex, int outputIndex) {
    const bool in = SetMidiDevInId(inputIndex);
    const bool out = SetMidiDevOutId(outputIndex);
    return in && out;
}

bool AppConfig::SetMidiDevInId(int inputIndex) {
    return file_.WriteInt(kOption, "MidiDevInID", inputIndex);
}

bool AppConfig::SetMidiDevOutId(int outputIndex) {
    return file_.WriteInt(kOption, "MidiDevOutID", outputIndex);
}

bool AppConfig::SetMidiDevInName(std::string_view name) {
    return file_.WriteString(kOption, "MidiDevInName", name);
}

bool AppConfig::SetMidiDevOutName(std::string_view name) {
    return file_.WriteString(kOption, "MidiDevOutName", name);
}

std::vector<std::string> AppConfig::DeviceListSlots() const {
    std::vector<std::string> slots;
    for (int i = 0; i < kDeviceListSlots; ++i) {
        slots.push_back(file_.GetString(kDeviceList, DeviceSlotKey(i)));
    }
    return slots;
}

bool AppConfig::SetDeviceListSlot(int slot, std::string_view name) {
    if (slot < 0 || slot >= kDeviceListSlots) {
        return false;
    }
    return file_.WriteString(kDeviceList, DeviceSlotKey(slot), name);
}

std::vector<LanguageSetting> AppConfig::Languages() const {
    std::vector<LanguageSetting> languages;
    for (const std::string& key : file_.GetSectionKeys(kLanguage)) {
        if (static_cast<int>(languages.size()) == kMaxLanguages) {
            break;
        }
        languages.push_back({key, file_.GetString(kLanguage, key)});
    }
    return languages;
}

std::string AppConfig::DialogFolder(DialogFolderKey key) const {
    return file_.GetString(key.section, key.key);
}

bool AppConfig::SetDialogFolder(DialogFolderKey key, std::string_view folder) {
    return file_.WriteString(key.section, key.key, folder);
}

}  // namespace veltrano
