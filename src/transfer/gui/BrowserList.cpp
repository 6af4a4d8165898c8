#include "transfer/gui/BrowserList.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QSet>

namespace veltrano {

namespace {

constexpr int kRowRole = Qt::UserRole + 1;
constexpr int kSortRole = Qt::UserRole + 2;
constexpr int kFolderRole = Qt::UserRole + 3;

// Sizes and times sort by their values, folders before files, names without regard to case.
class RowItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        const bool folder = data(0, kFolderRole).toBool();
        const bool otherFolder = other.data(0, kFolderRole).toBool();
        if (folder != otherFolder) {
            // Folders first whichever way the list is sorted.
            const bool ascending =
                treeWidget() == nullptr ||
                treeWidget()->header()->sortIndicatorOrder() == Qt::AscendingOrder;
            return ascending ? folder : otherFolder;
        }
        if (column == BrowserRow::kName) {
            return text(0).compare(other.text(0), Qt::CaseInsensitive) < 0;
        }
        return data(column, kSortRole).toLongLong() < other.data(column, kSortRole).toLongLong();
    }
};

QByteArray EncodeRows(const std::vector<size_t>& rows) {
    QStringList parts;
    for (size_t row : rows) {
        parts << QString::number(row);
    }
    return parts.join(u',').toLatin1();
}

std::vector<size_t> DecodeRows(const QByteArray& bytes) {
    std::vector<size_t> rows;
    for (const QByteArray& part : bytes.split(',')) {
        bool ok = false;
        const qulonglong row = part.toULongLong(&ok);
        if (ok) {
            rows.push_back(static_cast<size_t>(row));
        }
    }
    return rows;
}

}  // namespace

BrowserList::BrowserList(Side side, QWidget* parent) : QTreeWidget(parent), side_(side) {
    setColumnCount(BrowserRow::kColumns);
    QStringList titles;
    for (const BrowserColumn& column : kBrowserColumns) {
        titles << QString::fromLatin1(column.title);
    }
    setHeaderLabels(titles);
    for (int c = 0; c < BrowserRow::kColumns; ++c) {
        header()->resizeSection(c, kBrowserColumns[c].width);
    }
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Arrival order until the user sorts by a column; a third click returns to it.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    header()->setSortIndicatorClearable(true);
    setSortingEnabled(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
}

void BrowserList::ShowRows(const std::vector<BrowserRow>& rows) {
    QSet<QString> selected;
    for (const QTreeWidgetItem* item : selectedItems()) {
        selected.insert(item->text(0));
    }
    const bool sorting = isSortingEnabled();
    setSortingEnabled(false);
    clear();
    QList<QTreeWidgetItem*> items;
    for (size_t r = 0; r < rows.size(); ++r) {
        const BrowserRow& row = rows[r];
        auto* item = new RowItem;
        for (int c = 0; c < BrowserRow::kColumns; ++c) {
            item->setText(c, QString::fromStdString(row.columns[c]));
        }
        item->setData(0, kRowRole, static_cast<qulonglong>(r));
        item->setData(0, kFolderRole, row.folder);
        item->setData(BrowserRow::kSize, kSortRole, static_cast<qlonglong>(row.size));
        for (int t = 0; t < 3; ++t) {
            item->setData(BrowserRow::kCreated + t, kSortRole,
                          static_cast<qlonglong>(row.times[t]));
        }
        item->setIcon(0,
                      style()->standardIcon(row.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
        if (row.folder) {
            // Folders are opened, never dragged.
            item->setFlags(item->flags() & ~Qt::ItemIsDragEnabled);
        }
        items << item;
    }
    addTopLevelItems(items);
    setSortingEnabled(sorting);
    for (QTreeWidgetItem* item : std::as_const(items)) {
        if (selected.contains(item->text(0))) {
            item->setSelected(true);
        }
    }
}

size_t BrowserList::RowOf(const QTreeWidgetItem* item) {
    return static_cast<size_t>(item->data(0, kRowRole).toULongLong());
}

std::vector<size_t> BrowserList::SelectedRows() const {
    std::vector<size_t> rows;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = topLevelItem(i);
        if (item->isSelected()) {
            rows.push_back(RowOf(item));
        }
    }
    return rows;
}

QStringList BrowserList::mimeTypes() const {
    return {QStringLiteral("text/uri-list"), QString::fromLatin1(kDeviceRowsFormat)};
}

QMimeData* BrowserList::mimeData(const QList<QTreeWidgetItem*>& items) const {
    auto* data = new QMimeData;
    if (side_ == Side::Local) {
        QList<QUrl> urls;
        for (const QTreeWidgetItem* item : items) {
            urls << QUrl::fromLocalFile(QDir(folder_).filePath(item->text(0)));
        }
        data->setUrls(urls);
    } else {
        std::vector<size_t> rows;
        for (const QTreeWidgetItem* item : items) {
            if (!item->data(0, kFolderRole).toBool()) {
                rows.push_back(RowOf(item));
            }
        }
        data->setData(QString::fromLatin1(kDeviceRowsFormat), EncodeRows(rows));
    }
    return data;
}

bool BrowserList::Takes(const QMimeData* data) const {
    if (data == nullptr) {
        return false;
    }
    if (side_ == Side::Local) {
        return data->hasFormat(QString::fromLatin1(kDeviceRowsFormat));
    }
    // Local files, from the local list or from outside; never this list's own rows.
    return data->hasUrls() && !data->hasFormat(QString::fromLatin1(kDeviceRowsFormat));
}

void BrowserList::dragEnterEvent(QDragEnterEvent* event) {
    if (Takes(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void BrowserList::dragMoveEvent(QDragMoveEvent* event) {
    if (Takes(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void BrowserList::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (event->source() == this || !Takes(data)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The batch runs after the drop has ended, so the dragging side is not left waiting.
    if (side_ == Side::Local) {
        const std::vector<size_t> rows =
            DecodeRows(data->data(QString::fromLatin1(kDeviceRowsFormat)));
        QMetaObject::invokeMethod(
            this, [this, rows] { emit DeviceRowsDropped(rows); }, Qt::QueuedConnection);
    } else {
        const QList<QUrl> urls = data->urls();
        QMetaObject::invokeMethod(
            this, [this, urls] { emit FilesDropped(urls); }, Qt::QueuedConnection);
    }
}

}  // namespace veltrano
