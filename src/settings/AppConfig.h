#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"

namespace veltrano {

// A language file named in the settings: its display name and its path relative to the
// program folder, as written in the file.
struct LanguageSetting {
    std::string name;
    std::string relativePath;
};

// The last folder of one file dialog, kept per tool.
struct DialogFolderKey {
    std::string_view section;
    std::string_view key;
};

namespace dialog_folder {
inline constexpr DialogFolderKey kOpenArp{"CreateArp", "OpenArpPath"};
inline constexpr DialogFolderKey kSaveArp{"CreateArp", "SaveArpPath"};
inline constexpr DialogFolderKey kOpenPerf{"EditPerformance", "OpenPerfPath"};
inline constexpr DialogFolderKey kSavePerf{"EditPerformance", "SavePerfPath"};
inline constexpr DialogFolderKey kM2sOpenMidi{"MidiToStyle", "OpenMidiDefPath"};
inline constexpr DialogFolderKey kM2sLoadDsc{"MidiToStyle", "LoadCasmDefPath"};
inline constexpr DialogFolderKey kM2sSaveDsc{"MidiToStyle", "SaveCasmDefPath"};
inline constexpr DialogFolderKey kM2sLoadOts{"MidiToStyle", "LoadOtsDefPath"};
inline constexpr DialogFolderKey kM2sSaveOts{"MidiToStyle", "SaveOtsDefPath"};
inline constexpr DialogFolderKey kM2sSaveStyle{"MidiToStyle", "SaveStyDefPath"};
inline constexpr DialogFolderKey kS2mOpenStyle{"StyleToMidi", "OpenStyleDefPath"};
inline constexpr DialogFolderKey kS2mSaveOts{"StyleToMidi", "SaveOtsDefPath"};
inline constexpr DialogFolderKey kS2mSaveDsc{"StyleToMidi", "SaveCasmDefPath"};
inline constexpr DialogFolderKey kS2mSaveMidi{"StyleToMidi", "SaveMidiDefPath"};
inline constexpr DialogFolderKey kSaveMidiLog{"MidiMonitor", "SaveLogPath"};
}  // namespace dialog_folder

// The program's settings file "Cnfg.ini": every key the program reads or writes, with its
// default. Each setting is written the moment it changes.
class AppConfig {
public:
    static constexpr int kDeviceListSlots = 10;
    static constexpr int kMaxLanguages = 16;

    void SetPath(std::filesystem::path path) { file_.SetPath(std::move(path)); }
    [[nodiscard]] IniFile& File() { return file_; }
    [[nodiscard]] const IniFile& File() const { return file_; }

    [[nodiscard]] std::string LastDevice() const;
    [[nodiscard]] bool SetLastDevice(std::string_view name);

    [[nodiscard]] std::string SoftwareName() const;
    [[nodiscard]] std::string SoftwareVersion() const;
    [[nodiscard]] std::string SoftwareCopyright() const;

    [[nodiscard]] bool TransmitFunc() const;

    [[nodiscard]] int LanguageId() const;
    [[nodiscard]] bool SetLanguageId(int index);

    [[nodiscard]] bool SetMidiDeviceIds(int inputIndex, int outputIndex);
    // Each port is written on its own when only that one opened.
    [[nodiscard]] bool SetMidiDevInId(int inputIndex);
    [[nodiscard]] bool SetMidiDevOutId(int outputIndex);
    // The chosen ports' names, kept beside their positions (ports come and go, so positions
    // shift; the name finds the port again).
    [[nodiscard]] bool SetMidiDevInName(std::string_view name);
    [[nodiscard]] bool SetMidiDevOutName(std::string_view name);

    // The raw values of "Device0" … "Device9" (empty where missing).
    [[nodiscard]] std::vector<std::string> DeviceListSlots() const;
    [[nodiscard]] bool SetDeviceListSlot(int slot, std::string_view name);

    // At most kMaxLanguages entries of the "Language" section, in file order.
    [[nodiscard]] std::vector<LanguageSetting> Languages() const;

    [[nodiscard]] std::string DialogFolder(DialogFolderKey key) const;
    [[nodiscard]] bool SetDialogFolder(DialogFolderKey key, std::string_view folder);

private:
    IniFile file_;
};

}  // namespace veltrano
