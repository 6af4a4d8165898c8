#include "transfer/gui/FileBrowser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "base/Reporter.h"
#include "transfer/DeviceListing.h"
#include "transfer/gui/BrowserList.h"
#include "transfer/gui/FolderDialog.h"
#include "transfer/gui/TransferAnimation.h"
#include "ui/UiText.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "MainPanel";
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFilledRole = Qt::UserRole + 2;
constexpr int kBarSteps = 1000;

QPushButton* MakeButton(const char* objectName, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAccessibleName(button->text());
    button->setAutoDefault(false);
    return button;
}

QString LocalText(const fs::path& path) {
    return QString::fromStdString(path.string());
}

int BarValue(uint64_t done, uint64_t total) {
    if (total == 0) {
        return 0;
    }
    return static_cast<int>(std::min<uint64_t>(done, total) * kBarSteps / total);
}

QString TimeText(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    if (whole < 60) {
        return QStringLiteral("%1 s").arg(whole);
    }
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

// --- notices ---

void FileBrowser::Listener::ListLocalAgain() {
    page_.presenter_->ListLocalAgain();
}
void FileBrowser::Listener::ListDeviceAgain() {
    page_.presenter_->ListDeviceAgain();
}
void FileBrowser::Listener::Progress(uint64_t bytesDone, uint64_t bytesTotal) {
    page_.presenter_->Progress(bytesDone, bytesTotal);
}
void FileBrowser::Listener::DrivesChanged() {
    page_.PollVolumes();
}

// --- the page ---

FileBrowser::FileBrowser(const PageServices& services, QWidget* parent)
    : ToolPage(services, parent),
      listener_(*this),
      presenter_(std::make_unique<FileBrowserPresenter>(Devices().Files(), Devices().Listing(),
                                                        Devices().GetLink(), App().config,
                                                        static_cast<FileBrowserView&>(*this))),
      scope_(Devices(), listener_) {
    setObjectName(QStringLiteral("fileBrowser"));
    BuildLayout();

    volumes_ = MountedLocalVolumes();
    (void)presenter_->SetVolumes(VolumeRoots(volumes_));
    QString start = LocalText(FileBrowserPresenter::KeptLocalFolder(App().config));
    if (start.isEmpty()) {
        start = QDir::homePath();
    }
    const int volume = VolumeOf(volumes_, start);
    BuildTree(volume >= 0 ? volumes_[volume].root : QDir::rootPath(), start);

    volumeTimer_ = new QTimer(this);
    volumeTimer_->setInterval(kVolumePollMs);
    connect(volumeTimer_, &QTimer::timeout, this, &FileBrowser::PollVolumes);
    volumeTimer_->start();

    ApplyTexts();
    UpdateCommands();
}

FileBrowser::~FileBrowser() = default;

void FileBrowser::BuildLayout() {
    // The computer.
    localBox_ = new QGroupBox(this);
    volumeLabel_ = new QLabel(localBox_);
    volumeBox_ = new QComboBox(localBox_);
    volumeBox_->setObjectName(QStringLiteral("localVolumeBox"));
    volumeBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    volumeBox_->setMinimumContentsLength(10);
    localUpdate_ = MakeButton("localUpdateButton", "Update", localBox_);
    chooseFolder_ = new QPushButton(localBox_);
    chooseFolder_->setObjectName(QStringLiteral("chooseFolderButton"));
    chooseFolder_->setAutoDefault(false);
    chooseFolder_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    treeLabel_ = new QLabel(localBox_);
    tree_ = new QTreeWidget(localBox_);
    tree_->setObjectName(QStringLiteral("localFolderTree"));
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    localListLabel_ = new QLabel(localBox_);
    localList_ = new BrowserList(BrowserList::Side::Local, localBox_);
    localList_->setObjectName(QStringLiteral("localFileList"));
    // White and light grey rows with dark grey text.
    localList_->setAlternatingRowColors(true);
    localList_->setStyleSheet(QStringLiteral(
        "QTreeView#localFileList { background-color: #FFFFFF; alternate-background-color: "
        "#F0F0F0; color: #585858; }"));

    // Two rows, so the pane stays narrow enough for the narrow window.
    auto* localTop = new QGridLayout;
    localTop->addWidget(volumeLabel_, 0, 0);
    localTop->addWidget(volumeBox_, 0, 1, 1, 3);
    localTop->addWidget(localUpdate_, 1, 2);
    localTop->addWidget(chooseFolder_, 1, 3);
    localTop->setColumnStretch(1, 1);
    auto* treeBox = new QWidget(localBox_);
    auto* treeLayout = new QVBoxLayout(treeBox);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->addWidget(treeLabel_);
    treeLayout->addWidget(tree_);
    auto* listBox = new QWidget(localBox_);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(localListLabel_);
    listLayout->addWidget(localList_);
    auto* localSplit = new QSplitter(Qt::Vertical, localBox_);
    localSplit->addWidget(treeBox);
    localSplit->addWidget(listBox);
    localSplit->setStretchFactor(0, 2);
    localSplit->setStretchFactor(1, 3);
    auto* localLayout = new QVBoxLayout(localBox_);
    localLayout->addLayout(localTop);
    localLayout->addWidget(localSplit, 1);

    // The commands between the panes.
    auto* middle = new QWidget(this);
    download_ = MakeButton("downloadButton", "Download", middle);
    download_->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    upload_ = MakeButton("uploadButton", "Upload", middle);
    upload_->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    delete_ = MakeButton("deleteButton", "Delete", middle);
    delete_->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    toDevice_ = new TransferAnimation(TransferAnimation::Direction::ToRight, middle);
    toDevice_->setObjectName(QStringLiteral("downloadAnimation"));
    toLocal_ = new TransferAnimation(TransferAnimation::Direction::ToLeft, middle);
    toLocal_->setObjectName(QStringLiteral("uploadAnimation"));
    auto* middleLayout = new QVBoxLayout(middle);
    middleLayout->addStretch(1);
    middleLayout->addWidget(download_);
    middleLayout->addWidget(toDevice_, 0, Qt::AlignHCenter);
    middleLayout->addWidget(upload_);
    middleLayout->addWidget(toLocal_, 0, Qt::AlignHCenter);
    middleLayout->addSpacing(16);
    middleLayout->addWidget(delete_);
    middleLayout->addStretch(2);

    // The instrument.
    deviceBox_ = new QGroupBox(this);
    pathLabel_ = new QLabel(deviceBox_);
    pathBox_ = new QLineEdit(deviceBox_);
    pathBox_->setObjectName(QStringLiteral("devicePathBox"));
    back_ = MakeButton("backButton", "Back", deviceBox_);
    back_->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    deviceUpdate_ = MakeButton("deviceUpdateButton", "Update", deviceBox_);
    deviceListLabel_ = new QLabel(deviceBox_);
    deviceList_ = new BrowserList(BrowserList::Side::Device, deviceBox_);
    deviceList_->setObjectName(QStringLiteral("deviceFileList"));
    auto* deviceTop = new QGridLayout;
    deviceTop->addWidget(pathLabel_, 0, 0);
    deviceTop->addWidget(pathBox_, 0, 1, 1, 3);
    deviceTop->addWidget(back_, 1, 2);
    deviceTop->addWidget(deviceUpdate_, 1, 3);
    deviceTop->setColumnStretch(1, 1);
    auto* deviceLayout = new QVBoxLayout(deviceBox_);
    deviceLayout->addLayout(deviceTop);
    deviceLayout->addWidget(deviceListLabel_);
    deviceLayout->addWidget(deviceList_, 1);

    // Progress, with Stop beside it, while a batch runs.
    progressPanel_ = new QWidget(this);
    progressPanel_->setObjectName(QStringLiteral("transferProgress"));
    fileText_ = new QLabel(progressPanel_);
    fileText_->setObjectName(QStringLiteral("transferFileText"));
    fileBar_ = new QProgressBar(progressPanel_);
    fileBar_->setObjectName(QStringLiteral("transferFileBar"));
    batchText_ = new QLabel(progressPanel_);
    batchText_->setObjectName(QStringLiteral("transferBatchText"));
    batchBar_ = new QProgressBar(progressPanel_);
    batchBar_->setObjectName(QStringLiteral("transferBatchBar"));
    for (QProgressBar* bar : {fileBar_, batchBar_}) {
        bar->setRange(0, kBarSteps);
        bar->setTextVisible(false);
    }
    stop_ = MakeButton("stopButton", "Stop", progressPanel_);
    stop_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    auto* progressGrid = new QGridLayout(progressPanel_);
    progressGrid->setContentsMargins(0, 0, 0, 0);
    progressGrid->addWidget(fileText_, 0, 0);
    progressGrid->addWidget(fileBar_, 1, 0);
    progressGrid->addWidget(batchText_, 2, 0);
    progressGrid->addWidget(batchBar_, 3, 0);
    progressGrid->addWidget(stop_, 0, 1, 4, 1, Qt::AlignVCenter);
    progressGrid->setColumnStretch(0, 1);
    progressPanel_->setVisible(false);
    stop_->setVisible(false);

    auto* panes = new QHBoxLayout;
    panes->addWidget(localBox_, 1);
    panes->addWidget(middle);
    panes->addWidget(deviceBox_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addWidget(progressPanel_);

    // The computer's side.
    connect(volumeBox_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < volumes_.size()) {
            BuildTree(volumes_[index].root, volumes_[index].root);
        }
    });
    connect(localUpdate_, &QPushButton::clicked, this, [this] {
        const QString folder = LocalText(presenter_->LocalFolder());
        const int volume = VolumeOf(volumes_, folder);
        BuildTree(volume >= 0 ? volumes_[volume].root : QDir::rootPath(), folder);
    });
    connect(chooseFolder_, &QPushButton::clicked, this, &FileBrowser::ChooseLocalFolder);
    connect(tree_, &QTreeWidget::itemExpanded, this, &FileBrowser::FillChildren);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) {
            FillChildren(item);
            item->setExpanded(true);
            ShowLocalFolder(item->data(0, kPathRole).toString());
        }
    });
    connect(localList_, &BrowserList::DeviceRowsDropped, this,
            [this](const std::vector<size_t>& rows) { presenter_->Upload(rows); });

    // The instrument's side.
    connect(back_, &QPushButton::clicked, this, [this] { (void)presenter_->Back(); });
    connect(deviceUpdate_, &QPushButton::clicked, this, [this] { (void)presenter_->Update(); });
    connect(pathBox_, &QLineEdit::returnPressed, this, &FileBrowser::ListTypedPath);
    connect(deviceList_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { (void)presenter_->Enter(BrowserList::RowOf(item)); });
    connect(deviceList_, &BrowserList::FilesDropped, this, &FileBrowser::DownloadUrls);

    // The batches.
    connect(download_, &QPushButton::clicked, this,
            [this] { presenter_->Download(localList_->SelectedRows()); });
    connect(upload_, &QPushButton::clicked, this,
            [this] { presenter_->Upload(deviceList_->SelectedRows()); });
    connect(delete_, &QPushButton::clicked, this,
            [this] { presenter_->Delete(deviceList_->SelectedRows()); });
    connect(stop_, &QPushButton::clicked, this, [this] { presenter_->Stop(); });

    localList_->installEventFilter(this);
    deviceList_->installEventFilter(this);
}

void FileBrowser::ApplyTexts() {
    const LanguageTable& language = App().language;
    auto text = [&](const char* key) { return UiText(language, kSection, key); };
    auto label = [](QLabel* label, QWidget* buddy, const QString& caption) {
        label->setText(caption);
        label->setBuddy(buddy);
        buddy->setAccessibleName(QString(caption).remove(u'&'));
    };
    localBox_->setTitle(text("IDS_DLG_COMPUTER"));
    deviceBox_->setTitle(text("IDS_DLG_INSTRUMENT"));
    label(volumeLabel_, volumeBox_, text("IDS_DLG_DRIVE"));
    label(treeLabel_, tree_, text("IDS_DLG_FOLDERS"));
    label(localListLabel_, localList_, text("IDS_DLG_LOCAL_FILES"));
    label(pathLabel_, pathBox_, text("IDS_DLG_PATH"));
    label(deviceListLabel_, deviceList_, text("IDS_DLG_DEVICE_FILES"));
    chooseFolder_->setText(text("IDS_DLG_BROWSE"));
    chooseFolder_->setAccessibleName(chooseFolder_->text());
    localUpdate_->setAccessibleDescription(text("IDS_DLG_UPDATE_LOCAL"));
    localUpdate_->setToolTip(localUpdate_->accessibleDescription());
    deviceUpdate_->setAccessibleDescription(text("IDS_DLG_UPDATE_DEVICE"));
    deviceUpdate_->setToolTip(deviceUpdate_->accessibleDescription());
    fileBar_->setAccessibleName(text("IDS_DLG_FILE_PROGRESS"));
    batchBar_->setAccessibleName(text("IDS_DLG_BATCH_PROGRESS"));
}

void FileBrowser::PageShown() {
    AdoptListingLater();
}

// The window lists "USER" right after showing the page, or once the link is free: show
// what it found without asking the instrument again.
void FileBrowser::AdoptListingLater() {
    QTimer::singleShot(0, this, [this] { (void)presenter_->AdoptListing(); });
}

bool FileBrowser::MayLeave() {
    return presenter_->Running() == BatchKind::None;
}

void FileBrowser::BusyChanged(bool busy) {
    UpdateCommands();
    if (!busy && isVisible()) {
        AdoptListingLater();
    }
}

void FileBrowser::UpdateCommands() {
    const bool idle = presenter_->Idle();
    for (QWidget* command : {static_cast<QWidget*>(back_), static_cast<QWidget*>(deviceUpdate_),
                             static_cast<QWidget*>(download_), static_cast<QWidget*>(upload_),
                             static_cast<QWidget*>(delete_), static_cast<QWidget*>(pathBox_)}) {
        command->setEnabled(idle);
    }
}

// --- the computer's side ---

void FileBrowser::FillVolumeBox() {
    const QSignalBlocker block(volumeBox_);
    volumeBox_->clear();
    for (const LocalVolume& volume : std::as_const(volumes_)) {
        volumeBox_->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), volume.name);
    }
    volumeBox_->setCurrentIndex(VolumeOf(volumes_, LocalText(presenter_->LocalFolder())));
}

void FileBrowser::PollVolumes() {
    QVector<LocalVolume> now = MountedLocalVolumes();
    if (!presenter_->SetVolumes(VolumeRoots(now))) {
        return;
    }
    volumes_ = std::move(now);
    const QString folder = LocalText(presenter_->LocalFolder());
    const int volume = VolumeOf(volumes_, folder);
    if (volume >= 0 && QFileInfo(folder).isDir()) {
        FillVolumeBox();
        return;
    }
    // The stick the local pane showed was taken out: back to the home folder.
    const QString home = QDir::homePath();
    const int homeVolume = VolumeOf(volumes_, home);
    BuildTree(homeVolume >= 0 ? volumes_[homeVolume].root : QDir::rootPath(), home);
}

void FileBrowser::FillChildren(QTreeWidgetItem* item) {
    if (item == nullptr || item->data(0, kFilledRole).toBool()) {
        return;
    }
    item->setData(0, kFilledRole, true);
    const QDir dir(item->data(0, kPathRole).toString());
    const QFileInfoList folders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const QFileInfo& folder : folders) {
        auto* child = new QTreeWidgetItem(item, {folder.fileName()});
        child->setIcon(0, icon);
        child->setData(0, kPathRole, folder.absoluteFilePath());
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (folders.isEmpty()) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    }
}

void FileBrowser::BuildTree(const QString& root, const QString& folder) {
    const QString cleanRoot = QDir::cleanPath(root);
    const QString cleanFolder = QDir::cleanPath(folder);
    QTreeWidgetItem* current = nullptr;
    {
        const QSignalBlocker block(tree_);
        tree_->clear();
        auto* top = new QTreeWidgetItem(tree_, {QDir::toNativeSeparators(cleanRoot)});
        top->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
        top->setData(0, kPathRole, cleanRoot);
        FillChildren(top);
        top->setExpanded(true);
        current = top;
        // Down the folder's path below the root, as far as the folders exist.
        const QString relative = QDir(cleanRoot).relativeFilePath(cleanFolder);
        if (!relative.startsWith(QLatin1String("..")) && relative != QLatin1String(".")) {
            for (const QString& part : relative.split(u'/', Qt::SkipEmptyParts)) {
                QTreeWidgetItem* next = nullptr;
                for (int i = 0; i < current->childCount(); ++i) {
                    if (current->child(i)->text(0) == part) {
                        next = current->child(i);
                        break;
                    }
                }
                if (next == nullptr) {
                    break;
                }
                FillChildren(next);
                next->setExpanded(true);
                current = next;
            }
        }
        tree_->setCurrentItem(current);
    }
    tree_->scrollToItem(current);
    ShowLocalFolder(current->data(0, kPathRole).toString());
    FillVolumeBox();
}

void FileBrowser::ShowLocalFolder(const QString& folder) {
    localList_->SetFolder(folder);
    if (!presenter_->SetLocalFolder(fs::path(folder.toStdString()))) {
        presenter_->FillLocal();
    }
}

void FileBrowser::ChooseLocalFolder() {
    const QString chosen = ChooseFolder(this, QStringLiteral("Browser"),
                                        LocalText(presenter_->LocalFolder()), Messages());
    if (chosen.isEmpty()) {
        return;
    }
    // The chosen folder is the one the transfers use from now on, and the tree shows it.
    const int volume = VolumeOf(volumes_, chosen);
    BuildTree(volume >= 0 ? volumes_[volume].root : QDir::rootPath(), chosen);
}

// --- the instrument's side ---

void FileBrowser::ListTypedPath() {
    const std::string typed = DeviceListing::DevicePath(pathBox_->text().trimmed().toStdString());
    // The listing waits for the instrument with the window live; the page may go meanwhile.
    const QPointer<FileBrowser> self(this);
    if (!presenter_->ListDevice(typed) && self) {
        pathBox_->setText(QString::fromStdString(presenter_->DeviceFolder()));
    }
}

void FileBrowser::EnterSelected() {
    const std::vector<size_t> rows = deviceList_->SelectedRows();
    if (!rows.empty()) {
        (void)presenter_->Enter(rows.front());
    }
}

void FileBrowser::DownloadUrls(const QList<QUrl>& urls) {
    std::vector<fs::path> paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths.emplace_back(url.toLocalFile().toStdString());
        }
    }
    presenter_->DownloadFiles(paths);
}

bool FileBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return ToolPage::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == deviceList_) {
        switch (key) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                EnterSelected();
                return true;
            case Qt::Key_Backspace:
                (void)presenter_->Back();
                return true;
            case Qt::Key_Delete:
                presenter_->Delete(deviceList_->SelectedRows());
                return true;
            case Qt::Key_F5:
                (void)presenter_->Update();
                return true;
            default:
                break;
        }
    } else if (watched == localList_ && key == Qt::Key_F5) {
        localUpdate_->click();
        return true;
    }
    return ToolPage::eventFilter(watched, event);
}

// --- what the presenter tells ---

void FileBrowser::LocalRowsChanged() {
    localList_->ShowRows(presenter_->LocalRows());
}

void FileBrowser::DeviceRowsChanged() {
    pathBox_->setText(QString::fromStdString(presenter_->DeviceFolder()));
    deviceList_->ShowRows(presenter_->DeviceRows());
}

void FileBrowser::BatchChanged(BatchKind kind) {
    const bool running = kind != BatchKind::None;
    stop_->setVisible(running);
    progressPanel_->setVisible(running);
    if (kind == BatchKind::Upload) {
        toLocal_->Start();
    } else {
        toLocal_->Stop();
    }
    if (kind == BatchKind::Download) {
        toDevice_->Start();
    } else {
        toDevice_->Stop();
    }
    if (running) {
        fileText_->clear();
        batchText_->clear();
        fileBar_->setValue(0);
        batchBar_->setValue(0);
    }
    UpdateCommands();
}

void FileBrowser::ProgressChanged(const BatchProgress& progress) {
    const LanguageTable& language = App().language;
    fileText_->setText(UiText(language, kSection, "IDS_DLG_TRANSFER_FILE")
                           .arg(progress.file)
                           .arg(progress.files)
                           .arg(QString::fromStdString(progress.name)));
    fileBar_->setValue(BarValue(progress.fileDone, progress.fileTotal));
    if (progress.batchTotal == 0) {
        // A delete moves no bytes: the bar counts files.
        batchBar_->setValue(BarValue(progress.file, progress.files));
        batchText_->clear();
        return;
    }
    batchBar_->setValue(BarValue(progress.batchDone, progress.batchTotal));
    QString state = UiText(language, kSection, "IDS_DLG_TRANSFER_BYTES")
                        .arg(QString::fromStdString(ReadableSize(progress.batchDone)),
                             QString::fromStdString(ReadableSize(progress.batchTotal)));
    if (progress.bytesPerSecond > 0 && progress.secondsLeft >= 0) {
        state += QStringLiteral(" · ") +
                 UiText(language, kSection, "IDS_DLG_TRANSFER_SPEED")
                     .arg(QString::fromStdString(
                              ReadableSize(static_cast<uint64_t>(progress.bytesPerSecond))),
                          TimeText(progress.secondsLeft));
    }
    batchText_->setText(state);
}

}  // namespace veltrano
