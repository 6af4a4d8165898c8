#pragma once

#include <QString>
#include <QVector>

#include <string>
#include <vector>

namespace veltrano {

// A place the local pane and the USB page can start from: a mounted volume, or the user's
// home folder. Desktops without drive letters have these instead.
struct LocalVolume {
    QString name;  // as shown
    QString root;  // its top folder
    bool operator==(const LocalVolume&) const = default;
};

// The root, the user's home and the mounted volumes that hold files (removable media among
// them), without the system's pseudo file systems, in a stable order.
[[nodiscard]] QVector<LocalVolume> MountedLocalVolumes();
// The volumes' roots, for comparing one look with the next.
[[nodiscard]] std::vector<std::string> VolumeRoots(const QVector<LocalVolume>& volumes);
// The position of the volume a folder lies on (the longest root that holds it); -1 for none.
[[nodiscard]] int VolumeOf(const QVector<LocalVolume>& volumes, const QString& folder);
// The mount point of the file system a folder lies on.
[[nodiscard]] QString MountPointOf(const QString& folder);

}  // namespace veltrano
