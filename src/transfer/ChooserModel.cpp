#include "transfer/ChooserModel.h"

#include <filesystem>

#include "base/Text.h"

namespace veltrano {

namespace fs = std::filesystem;

std::vector<ChooserTab> PresetChooserTabs(bool transmitFunc) {
    if (!transmitFunc) {
        return {ChooserTab::Catalogue};
    }
    return {ChooserTab::Catalogue, ChooserTab::User, ChooserTab::Usb};
}

std::vector<ChooserTab> PatternChooserTabs(PatternKind kind, bool transmitFunc) {
    if (kind == PatternKind::Arpeggio && transmitFunc) {
        return {ChooserTab::Catalogue, ChooserTab::Usb};
    }
    return {ChooserTab::Catalogue};
}

CatalogueChoice::CatalogueChoice(std::vector<Group> groups) : groups_(std::move(groups)) {
    int next = 0;
    for (size_t g = 0; g < groups_.size(); ++g) {
        firstIndex_.push_back(next);
        next += static_cast<int>(groups_[g].entries.size());
        if (!groups_[g].name.empty()) {
            listed_.push_back(g);
        }
    }
}

CatalogueChoice CatalogueChoice::ForPresets(const PresetCatalog& catalog, PresetKind kind) {
    std::vector<Group> groups;
    if (kind == PresetKind::Voice) {
        for (const VoiceGroup& group : catalog.VoiceGroups()) {
            groups.push_back({group.name, group.displays});
        }
        return CatalogueChoice(std::move(groups));
    }
    const auto& source = kind == PresetKind::Style ? catalog.StyleGroups() : catalog.SongGroups();
    for (const NameGroup& group : source) {
        groups.push_back({group.name, group.names});
    }
    return CatalogueChoice(std::move(groups));
}

CatalogueChoice CatalogueChoice::ForPatterns(const PresetCatalog& catalog, PatternKind kind) {
    std::vector<Group> groups;
    const auto& source =
        kind == PatternKind::Arpeggio ? catalog.ArpGroups() : catalog.ChopperGroups();
    for (const NameGroup& group : source) {
        groups.push_back({group.name, group.names});
    }
    return CatalogueChoice(std::move(groups));
}

std::optional<CatalogueChoice::Position> CatalogueChoice::Find(int index) const {
    for (size_t listed = 0; listed < listed_.size(); ++listed) {
        const size_t g = listed_[listed];
        const int first = firstIndex_[g];
        const int count = static_cast<int>(groups_[g].entries.size());
        if (index >= first && index < first + count) {
            return Position{listed, static_cast<size_t>(index - first)};
        }
    }
    return std::nullopt;
}

std::optional<int> CatalogueChoice::IndexOf(size_t listed, size_t row) const {
    if (listed >= listed_.size()) {
        return std::nullopt;
    }
    const size_t g = listed_[listed];
    if (row >= groups_[g].entries.size()) {
        return std::nullopt;
    }
    return firstIndex_[g] + static_cast<int>(row);
}

std::string UserFolder(PresetKind kind) {
    switch (kind) {
        case PresetKind::Voice:
            return "USER\\VOICE";
        case PresetKind::Style:
            return "USER\\STYLE";
        case PresetKind::Song:
            break;
    }
    return "USER\\SONG";
}

std::vector<std::string> UserPageNames(const std::vector<FileEntry>& entries) {
    std::vector<std::string> names;
    for (const FileEntry& entry : entries) {
        if (entry.HasSize() && !entry.name.empty()) {
            names.push_back(entry.name);
        }
    }
    return names;
}

std::optional<size_t> FindNameNoCase(const std::vector<std::string>& names, std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (EqualsNoCase(names[i], name)) {
            return i;
        }
    }
    return std::nullopt;
}

std::string DeviceBaseName(std::string_view path) {
    const size_t cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string_view UsbExtension(PresetKind kind) {
    switch (kind) {
        case PresetKind::Voice:
            return ".voc";
        case PresetKind::Style:
            return ".sty";
        case PresetKind::Song:
            break;
    }
    return ".mid";
}

std::string_view UsbExtension(PatternKind kind) {
    (void)kind;  // chopper patterns come only from the catalogue
    return ".arp";
}

bool HasUsbExtension(std::string_view name, std::string_view extension) {
    return name.size() > extension.size() &&
           EqualsNoCase(name.substr(name.size() - extension.size()), extension);
}

std::optional<std::string> UsbDevicePath(std::string_view mountPoint, std::string_view folder,
                                         std::string_view name) {
    if (mountPoint.empty() || folder.empty() || !IsSafePathComponent(name)) {
        return std::nullopt;
    }
    const fs::path root = fs::path(std::string(mountPoint)).lexically_normal();
    const fs::path inside = fs::path(std::string(folder)).lexically_normal();
    const fs::path relative = inside.lexically_relative(root);
    if (relative.empty()) {
        return std::nullopt;  // not below the mount point at all
    }
    std::string path = "USB\\";
    for (const fs::path& part : relative) {
        const std::string text = part.string();
        if (text.empty() || text == ".") {
            continue;  // the mount point itself, or a trailing separator
        }
        if (!IsSafePathComponent(text)) {
            return std::nullopt;  // "..": the folder is outside the stick
        }
        path += text;
        path += '\\';
    }
    path += name;
    if (path.size() > kMaxChooserPath) {
        return std::nullopt;
    }
    return path;
}

}  // namespace veltrano
