#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/PresetCatalog.h"
#include "device/SysExMessage.h"

namespace veltrano {

// What the preset chooser picks: a voice, a style or a song.
enum class PresetKind { Voice = 0, Style = 1, Song = 2 };
// What the pattern chooser picks: an arpeggiator or a chopper pattern.
enum class PatternKind { Arpeggio = 0, Chopper = 1 };

// A chooser's value, as the editors store it: the source (the tab: 0 the catalogue, then the
// instrument's USER folder and the USB stick for the preset chooser, the USB stick for the
// pattern chooser), the catalogue index for source 0, the instrument path for the others.
struct ChooserChoice {
    int source = 0;
    int number = 0;
    std::string path;
    bool operator==(const ChooserChoice&) const = default;
};

// The tabs a chooser offers, in order; index in this list = source.
enum class ChooserTab { Catalogue, User, Usb };
[[nodiscard]] std::vector<ChooserTab> PresetChooserTabs(bool transmitFunc);
[[nodiscard]] std::vector<ChooserTab> PatternChooserTabs(PatternKind kind, bool transmitFunc);

// One page of a catalogue: groups of entry names, in catalogue order. An entry's catalogue
// index counts the entries of every group before its own, then its row.
class CatalogueChoice {
public:
    struct Group {
        std::string name;
        std::vector<std::string> entries;
    };

    explicit CatalogueChoice(std::vector<Group> groups);
    [[nodiscard]] static CatalogueChoice ForPresets(const PresetCatalog& catalog, PresetKind kind);
    [[nodiscard]] static CatalogueChoice ForPatterns(const PresetCatalog& catalog,
                                                     PatternKind kind);

    // The groups the drop-down lists: every group with a name, as positions into Groups().
    [[nodiscard]] const std::vector<size_t>& ListedGroups() const { return listed_; }
    [[nodiscard]] const std::vector<Group>& Groups() const { return groups_; }

    struct Position {
        size_t listed = 0;  // position in ListedGroups()
        size_t row = 0;
    };
    // Where a catalogue index is shown; none when no listed group holds it.
    [[nodiscard]] std::optional<Position> Find(int index) const;
    // The catalogue index of a row of a listed group; none when there is no such row.
    [[nodiscard]] std::optional<int> IndexOf(size_t listed, size_t row) const;

private:
    std::vector<Group> groups_;
    std::vector<size_t> listed_;
    std::vector<int> firstIndex_;  // per group
};

// The instrument folder of the USER page: "USER\VOICE", "USER\STYLE" or "USER\SONG".
[[nodiscard]] std::string UserFolder(PresetKind kind);
// The files of a listing the USER page shows (folders are not a choice).
[[nodiscard]] std::vector<std::string> UserPageNames(const std::vector<FileEntry>& entries);
// The row of the previously chosen name (compared without regard to ASCII case).
[[nodiscard]] std::optional<size_t> FindNameNoCase(const std::vector<std::string>& names,
                                                   std::string_view name);
// The name part of an instrument path ("USER\STYLE\Pop.sty" -> "Pop.sty").
[[nodiscard]] std::string DeviceBaseName(std::string_view path);

// The extension of a kind's files on the USB page, with its dot: ".voc", ".sty", ".mid", ".arp".
[[nodiscard]] std::string_view UsbExtension(PresetKind kind);
[[nodiscard]] std::string_view UsbExtension(PatternKind kind);
// Whether a local file name is one the USB page lists for that extension (case ignored).
[[nodiscard]] bool HasUsbExtension(std::string_view name, std::string_view extension);

// The longest instrument path a chooser hands back.
inline constexpr size_t kMaxChooserPath = 259;

// The instrument's path of a file on a USB stick: "USB\" + the folder below the stick's
// mount point (with backslashes) + the name. Local paths use the platform's separators. None
// when the folder is not under the mount point, when a part of it could not be sent (control
// characters, "..") or when the result is longer than kMaxChooserPath bytes.
[[nodiscard]] std::optional<std::string> UsbDevicePath(std::string_view mountPoint,
                                                       std::string_view folder,
                                                       std::string_view name);

}  // namespace veltrano
