#include "transfer/gui/LocalVolumes.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

namespace veltrano {

namespace {

// File systems that never hold the player's files.
bool IsPseudoFileSystem(const QByteArray& type) {
    static const QList<QByteArray> kPseudo = {
        "tmpfs",    "devtmpfs", "proc",   "sysfs",     "cgroup",   "cgroup2", "overlay",
        "squashfs", "devpts",   "mqueue", "hugetlbfs", "debugfs",  "tracefs", "securityfs",
        "pstore",   "bpf",      "autofs", "fusectl",   "configfs", "efivarfs"};
    return kPseudo.contains(type);
}

bool IsUnder(const QString& folder, const QString& root) {
    if (root.isEmpty()) {
        return false;
    }
    const QString cleanRoot = QDir::cleanPath(root);
    const QString cleanFolder = QDir::cleanPath(folder);
    if (cleanFolder.compare(cleanRoot, Qt::CaseSensitive) == 0) {
        return true;
    }
    const QString prefix = cleanRoot.endsWith(QLatin1Char('/')) ? cleanRoot : cleanRoot + "/";
    return cleanFolder.startsWith(prefix, Qt::CaseSensitive);
}

}  // namespace

QVector<LocalVolume> MountedLocalVolumes() {
    QVector<LocalVolume> volumes;
    const QStorageInfo root = QStorageInfo::root();
    volumes.push_back({QDir::toNativeSeparators(root.rootPath()), root.rootPath()});
    const QString home = QDir::homePath();
    if (QDir::cleanPath(home) != QDir::cleanPath(root.rootPath())) {
        volumes.push_back({QDir::toNativeSeparators(home), home});
    }
    QVector<LocalVolume> others;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady() || storage.isRoot() ||
            IsPseudoFileSystem(storage.fileSystemType())) {
            continue;
        }
        const QString path = storage.rootPath();
        const QString label = storage.displayName();
        const QString shown = label == path ? QDir::toNativeSeparators(path)
                                            : label + " (" + QDir::toNativeSeparators(path) + ")";
        others.push_back({shown, path});
    }
    std::sort(others.begin(), others.end(),
              [](const LocalVolume& a, const LocalVolume& b) { return a.root < b.root; });
    for (const LocalVolume& volume : others) {
        if (!volumes.contains(volume)) {
            volumes.push_back(volume);
        }
    }
    return volumes;
}

std::vector<std::string> VolumeRoots(const QVector<LocalVolume>& volumes) {
    std::vector<std::string> roots;
    for (const LocalVolume& volume : volumes) {
        roots.push_back(volume.root.toStdString());
    }
    return roots;
}

int VolumeOf(const QVector<LocalVolume>& volumes, const QString& folder) {
    int best = -1;
    for (int i = 0; i < volumes.size(); ++i) {
        if (IsUnder(folder, volumes[i].root) &&
            (best < 0 || volumes[i].root.size() > volumes[best].root.size())) {
            best = i;
        }
    }
    return best;
}

QString MountPointOf(const QString& folder) {
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.rootPath() : QString();
}

}  // namespace veltrano
