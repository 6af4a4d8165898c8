#pragma once

#include <QList>
#include <QTreeWidget>
#include <QUrl>

#include <vector>

#include "transfer/FileBrowserPresenter.h"

namespace veltrano {

// One of the browser's two lists: the five columns, full-row selection of many rows, sorting
// by any column (sizes and times by their values), and dragging rows to the other list.
// Local rows travel as file addresses (so the desktop's file manager takes them too); the
// instrument's rows as their positions, which only the local list takes.
class BrowserList : public QTreeWidget {
    Q_OBJECT

public:
    enum class Side { Local, Device };
    static constexpr const char* kDeviceRowsFormat = "application/x-veltrano-device-rows";

    BrowserList(Side side, QWidget* parent = nullptr);

    // Shows the rows; the selection is kept by name.
    void ShowRows(const std::vector<BrowserRow>& rows);
    // The presenter's positions of the selected rows, in the order the list shows them.
    [[nodiscard]] std::vector<size_t> SelectedRows() const;
    // The presenter's position of an item.
    [[nodiscard]] static size_t RowOf(const QTreeWidgetItem* item);
    // Where the local rows are, for the file addresses of a drag.
    void SetFolder(const QString& folder) { folder_ = folder; }

    // What a drag of the selected rows carries.
    [[nodiscard]] QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;

signals:
    // Files dropped on this list from the other list or from outside the program.
    void FilesDropped(const QList<QUrl>& urls);
    // Instrument rows dropped on this (the local) list.
    void DeviceRowsDropped(const std::vector<size_t>& rows);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    [[nodiscard]] QStringList mimeTypes() const override;

private:
    [[nodiscard]] bool Takes(const QMimeData* data) const;

    Side side_;
    QString folder_;
};

}  // namespace veltrano
