#pragma once

#include <QPointer>
#include <QString>
#include <QVector>

#include <memory>

#include "app/DeviceService.h"
#include "transfer/FileBrowserPresenter.h"
#include "transfer/gui/LocalVolumes.h"
#include "ui/ToolPage.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace veltrano {

class BrowserList;
class TransferAnimation;

// The Transmit page: the computer's volumes, folders and files on the left, one folder of the
// instrument on the right, and the commands that move files between them. The rules are the
// presenter's; this page shows its lists and turns clicks, keys and drops into its calls.
class FileBrowser : public ToolPage, private FileBrowserView {
    Q_OBJECT

public:
    static constexpr int kVolumePollMs = 2000;

    explicit FileBrowser(const PageServices& services, QWidget* parent = nullptr);
    ~FileBrowser() override;

    void ApplyTexts() override;
    void PageShown() override;
    [[nodiscard]] bool MayLeave() override;
    void BusyChanged(bool busy) override;

    [[nodiscard]] FileBrowserPresenter& Presenter() { return *presenter_; }
    // Looks at the mounted volumes now (the timer does it every kVolumePollMs).
    void PollVolumes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The device service's notices, passed to the presenter.
    class Listener : public DeviceListener {
    public:
        explicit Listener(FileBrowser& page) : page_(page) {}
        void ListLocalAgain() override;
        void ListDeviceAgain() override;
        void Progress(uint64_t bytesDone, uint64_t bytesTotal) override;
        void DrivesChanged() override;

    private:
        FileBrowser& page_;
    };

    // FileBrowserView
    void LocalRowsChanged() override;
    void DeviceRowsChanged() override;
    void BatchChanged(BatchKind kind) override;
    void ProgressChanged(const BatchProgress& progress) override;

    void BuildLayout();
    void FillVolumeBox();
    // The folder tree of a volume, opened down to `folder`, which becomes the local folder.
    void BuildTree(const QString& root, const QString& folder);
    void FillChildren(QTreeWidgetItem* item);
    void ShowLocalFolder(const QString& folder);
    void ChooseLocalFolder();
    void ListTypedPath();
    void EnterSelected();
    void UpdateCommands();
    void DownloadUrls(const QList<QUrl>& urls);
    void AdoptListingLater();

    Listener listener_;
    std::unique_ptr<FileBrowserPresenter> presenter_;
    ListenerScope scope_;
    QVector<LocalVolume> volumes_;

    QGroupBox* localBox_ = nullptr;
    QGroupBox* deviceBox_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    QComboBox* volumeBox_ = nullptr;
    QPushButton* localUpdate_ = nullptr;
    QPushButton* chooseFolder_ = nullptr;
    QLabel* treeLabel_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLabel* localListLabel_ = nullptr;
    BrowserList* localList_ = nullptr;
    QPushButton* back_ = nullptr;
    QLabel* pathLabel_ = nullptr;
    QLineEdit* pathBox_ = nullptr;
    QPushButton* deviceUpdate_ = nullptr;
    QLabel* deviceListLabel_ = nullptr;
    BrowserList* deviceList_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* upload_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* stop_ = nullptr;
    TransferAnimation* toDevice_ = nullptr;
    TransferAnimation* toLocal_ = nullptr;
    QWidget* progressPanel_ = nullptr;
    QLabel* fileText_ = nullptr;
    QProgressBar* fileBar_ = nullptr;
    QLabel* batchText_ = nullptr;
    QProgressBar* batchBar_ = nullptr;
    QTimer* volumeTimer_ = nullptr;
};

}  // namespace veltrano
