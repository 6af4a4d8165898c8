// Every read of the INI reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using veltrano::IniFile;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniFile ini = IniFile::FromText(text);
    for (const char* section : {"Option", "Language", "LastDevice", "DeviceList", "Menu", ""}) {
        for (const std::string& key : ini.GetSectionKeys(section)) {
            (void)ini.GetString(section, key);
            (void)ini.GetInt(section, key, -1, 16);
            (void)ini.GetBool(section, key, true);
        }
        (void)ini.GetSectionLines(section);
        (void)ini.GetInt(section, "LanguageID", 0, 10);
    }
    // The first line's text used as a section name and key.
    const std::string_view first = text.substr(0, text.find('\n'));
    (void)ini.GetString(first, first);
    (void)IniFile::ParseInt(text, 0, 2);
    (void)IniFile::ParseBool(text, false);
    return 0;
}
