#include "transfer/gui/ChooserPages.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/DeviceService.h"
#include "settings/AppConfig.h"
#include "settings/LanguageTable.h"
#include "transfer/gui/FolderDialog.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MainPanel";
constexpr int kFolderRole = Qt::UserRole + 1;

QListWidget* MakeList(const char* objectName, QWidget* parent, bool icons) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    if (icons) {
        list->setViewMode(QListView::IconMode);
        list->setResizeMode(QListView::Adjust);
        list->setMovement(QListView::Static);
        list->setWordWrap(true);
        list->setGridSize(QSize(112, 72));
    }
    list->setMinimumSize(360, 240);
    return list;
}

void SelectRow(QListWidget* list, int row) {
    if (row < 0 || row >= list->count()) {
        return;
    }
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    list->scrollToItem(list->item(row), QAbstractItemView::PositionAtCenter);
}

// The chooser's lists confirm with a double-click and with Enter, as the OK button does.
void WireConfirm(ChooserPage* page, QListWidget* list) {
    QObject::connect(list, &QListWidget::itemSelectionChanged, page, &ChooserPage::ChoiceChanged);
    QObject::connect(list, &QListWidget::itemActivated, page, [page](QListWidgetItem* item) {
        if (item != nullptr && !item->data(kFolderRole).toBool()) {
            emit page->ChoiceConfirmed();
        }
    });
}

void Label(QLabel* label, QWidget* buddy, const QString& text) {
    label->setText(text);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(u'&'));
}

}  // namespace

// --- catalogue ---

CataloguePage::CataloguePage(CatalogueChoice catalogue, int current, QWidget* parent)
    : ChooserPage(parent), catalogue_(std::move(catalogue)) {
    setObjectName(QStringLiteral("cataloguePage"));
    groupLabel_ = new QLabel(this);
    groups_ = new QComboBox(this);
    groups_->setObjectName(QStringLiteral("chooserGroupBox"));
    entriesLabel_ = new QLabel(this);
    entries_ = MakeList("chooserEntryList", this, false);

    // Qt shows an "&" of a drop-down item as it is, so the name needs no doubling here; the
    // group is found again by its position, never by its shown text.
    for (size_t g : catalogue_.ListedGroups()) {
        groups_->addItem(QString::fromStdString(catalogue_.Groups()[g].name));
    }
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(groupLabel_);
    top->addWidget(groups_, 1);
    layout->addLayout(top);
    layout->addWidget(entriesLabel_);
    layout->addWidget(entries_, 1);

    connect(groups_, &QComboBox::currentIndexChanged, this, [this](int listed) {
        ShowGroup(listed);
        emit ChoiceChanged();
    });
    WireConfirm(this, entries_);

    const auto position = catalogue_.Find(current);
    const int listed = position ? static_cast<int>(position->listed) : 0;
    {
        const QSignalBlocker block(groups_);
        groups_->setCurrentIndex(listed);
    }
    ShowGroup(listed);
    if (position) {
        SelectRow(entries_, static_cast<int>(position->row));
    }
}

void CataloguePage::ShowGroup(int listed) {
    entries_->clear();
    if (listed < 0 || static_cast<size_t>(listed) >= catalogue_.ListedGroups().size()) {
        return;
    }
    const auto& group = catalogue_.Groups()[catalogue_.ListedGroups()[listed]];
    for (const std::string& entry : group.entries) {
        entries_->addItem(QString::fromStdString(entry));
    }
}

void CataloguePage::ApplyTexts(const LanguageTable& language) {
    Label(groupLabel_, groups_, UiText(language, kSection, "IDS_DLG_GROUP"));
    Label(entriesLabel_, entries_, UiText(language, kSection, "IDS_DLG_ENTRIES"));
}

std::optional<int> CataloguePage::Chosen() const {
    const QList<QListWidgetItem*> selected = entries_->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return catalogue_.IndexOf(static_cast<size_t>(groups_->currentIndex()),
                              static_cast<size_t>(entries_->row(selected.front())));
}

// --- USER ---

UserPage::UserPage(DeviceService& devices, PresetKind kind, std::string currentPath, QIcon icon,
                   QWidget* parent)
    : ChooserPage(parent),
      devices_(devices),
      folder_(UserFolder(kind)),
      previous_(DeviceBaseName(currentPath)),
      icon_(std::move(icon)) {
    setObjectName(QStringLiteral("userPage"));
    pathLabel_ = new QLabel(this);
    path_ = new QLineEdit(QString::fromStdString(folder_), this);
    path_->setObjectName(QStringLiteral("userPathBox"));
    path_->setReadOnly(true);
    filesLabel_ = new QLabel(this);
    files_ = MakeList("userFileList", this, true);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(pathLabel_);
    top->addWidget(path_, 1);
    layout->addLayout(top);
    layout->addWidget(filesLabel_);
    layout->addWidget(files_, 1);
    WireConfirm(this, files_);
}

void UserPage::ApplyTexts(const LanguageTable& language) {
    Label(pathLabel_, path_, UiText(language, kSection, "IDS_DLG_PATH"));
    Label(filesLabel_, files_, UiText(language, kSection, "IDS_DLG_FILES"));
}

void UserPage::Activated() {
    if (!listed_) {
        listed_ = true;
        List();
    }
}

void UserPage::List() {
    // The listing waits for the instrument with the window live; the dialog may close
    // meanwhile.
    QPointer<UserPage> self(this);
    const bool listed = devices_.Files().QueryFiles(folder_);
    if (!self || !listed) {
        return;
    }
    const std::vector<std::string> names = UserPageNames(devices_.Listing().Entries());
    files_->clear();
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(icon_, QString::fromStdString(name), files_);
        item->setToolTip(item->text());
    }
    if (const auto row = FindNameNoCase(names, previous_)) {
        SelectRow(files_, static_cast<int>(*row));
    }
    emit ChoiceChanged();
}

std::string UserPage::Chosen() const {
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    if (selected.isEmpty()) {
        return {};
    }
    return DeviceListing::ChildFolder(folder_, selected.front()->text().toStdString());
}

// --- USB ---

UsbPage::UsbPage(AppConfig& config, Reporter& messages, std::string extension,
                 std::string previousPath, QIcon icon, QWidget* parent)
    : ChooserPage(parent),
      config_(config),
      messages_(messages),
      extension_(std::move(extension)),
      previousName_(DeviceBaseName(previousPath)),
      icon_(std::move(icon)),
      volumes_(MountedLocalVolumes()) {
    setObjectName(QStringLiteral("usbPage"));
    volumeLabel_ = new QLabel(this);
    volumeBox_ = new QComboBox(this);
    volumeBox_->setObjectName(QStringLiteral("usbVolumeBox"));
    for (const LocalVolume& volume : volumes_) {
        volumeBox_->addItem(volume.name);
    }
    folderLabel_ = new QLabel(this);
    folderEdit_ = new QLineEdit(this);
    folderEdit_->setObjectName(QStringLiteral("usbFolderEdit"));
    browse_ = new QPushButton(this);
    browse_->setObjectName(QStringLiteral("usbBrowseButton"));
    browse_->setAutoDefault(false);
    filesLabel_ = new QLabel(this);
    files_ = MakeList("usbFileList", this, true);

    auto* grid = new QGridLayout;
    grid->addWidget(volumeLabel_, 0, 0);
    grid->addWidget(volumeBox_, 0, 1, 1, 2);
    grid->addWidget(folderLabel_, 1, 0);
    grid->addWidget(folderEdit_, 1, 1);
    grid->addWidget(browse_, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(filesLabel_);
    layout->addWidget(files_, 1);

    connect(volumeBox_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < volumes_.size()) {
            ShowFolder(volumes_[index].root);
        }
    });
    connect(folderEdit_, &QLineEdit::returnPressed, this,
            [this] { ShowFolder(QDir::fromNativeSeparators(folderEdit_->text())); });
    connect(browse_, &QPushButton::clicked, this, &UsbPage::Browse);
    connect(files_, &QListWidget::itemActivated, this, &UsbPage::Open);
    WireConfirm(this, files_);
    // Backspace goes one folder up, as in the file browser.
    files_->installEventFilter(this);

    QString start = QString::fromStdString(config_.DialogFolder(kUsbChooserFolder));
    if (start.isEmpty() || !QFileInfo(start).isDir()) {
        start = volumes_.size() > 2 ? volumes_.back().root : QDir::homePath();
    }
    ShowFolder(start);
}

void UsbPage::ApplyTexts(const LanguageTable& language) {
    Label(volumeLabel_, volumeBox_, UiText(language, kSection, "IDS_DLG_DRIVE"));
    Label(folderLabel_, folderEdit_, UiText(language, kSection, "IDS_DLG_FOLDER"));
    Label(filesLabel_, files_, UiText(language, kSection, "IDS_DLG_FILES"));
    browse_->setText(UiText(language, kSection, "IDS_DLG_BROWSE"));
    browse_->setAccessibleName(browse_->text().remove(u'&'));
    browseCaption_ = UiText(language, kSection, "IDS_DLG_FOLDER");
}

void UsbPage::ShowFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir()) {
        folderEdit_->setText(QDir::toNativeSeparators(folder_));
        return;
    }
    folder_ = QDir::cleanPath(info.absoluteFilePath());
    folderEdit_->setText(QDir::toNativeSeparators(folder_));
    const int volume = VolumeOf(volumes_, folder_);
    if (volume >= 0) {
        const QSignalBlocker block(volumeBox_);
        volumeBox_->setCurrentIndex(volume);
    }
    files_->clear();
    const QDir dir(folder_);
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    if (!dir.isRoot()) {
        auto* up = new QListWidgetItem(folderIcon, QStringLiteral(".."), files_);
        up->setData(kFolderRole, true);
    }
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QListWidgetItem(folderIcon, entry.fileName(), files_);
        item->setData(kFolderRole, true);
    }
    int previous = -1;
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        const std::string name = entry.fileName().toStdString();
        if (!HasUsbExtension(name, extension_)) {
            continue;
        }
        auto* item = new QListWidgetItem(icon_, entry.fileName(), files_);
        item->setToolTip(item->text());
        if (previous < 0 && FindNameNoCase({name}, previousName_)) {
            previous = files_->row(item);
        }
    }
    SelectRow(files_, previous);
    emit ChoiceChanged();
}

void UsbPage::Open(QListWidgetItem* item) {
    if (item == nullptr || !item->data(kFolderRole).toBool()) {
        return;
    }
    ShowFolder(item->text() == QLatin1String("..") ? QFileInfo(folder_).absolutePath()
                                                   : QDir(folder_).filePath(item->text()));
}

void UsbPage::Browse() {
    const QString chosen = ChooseFolder(this, browseCaption_, folder_, messages_);
    if (!chosen.isEmpty()) {
        ShowFolder(chosen);
    }
}

bool UsbPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == files_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Backspace) {
        ShowFolder(QFileInfo(folder_).absolutePath());
        return true;
    }
    return ChooserPage::eventFilter(watched, event);
}

bool UsbPage::HasChoice() const {
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    return !selected.isEmpty() && !selected.front()->data(kFolderRole).toBool();
}

std::optional<std::string> UsbPage::Chosen(bool* refused) const {
    if (refused != nullptr) {
        *refused = false;
    }
    if (!HasChoice()) {
        return std::nullopt;
    }
    const std::string name = files_->selectedItems().front()->text().toStdString();
    auto path = UsbDevicePath(MountPointOf(folder_).toStdString(), folder_.toStdString(), name);
    if (!path && refused != nullptr) {
        *refused = true;
    }
    return path;
}

void UsbPage::RememberFolder() {
    (void)config_.SetDialogFolder(kUsbChooserFolder, folder_.toStdString());
}

}  // namespace veltrano
