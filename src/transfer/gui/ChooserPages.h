#pragma once

#include <QIcon>
#include <QString>
#include <QVector>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

#include "settings/AppConfig.h"
#include "transfer/ChooserModel.h"
#include "transfer/gui/LocalVolumes.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace veltrano {

class DeviceService;
class LanguageTable;
class Reporter;

// One tab of a chooser: it shows one source and says what is chosen in it.
class ChooserPage : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;
    virtual void ApplyTexts(const LanguageTable& language) = 0;
    // The page became the visible tab (the USER page lists its folder the first time).
    virtual void Activated() {}
    [[nodiscard]] virtual bool HasChoice() const = 0;

signals:
    // The selection changed, or a choice was confirmed by a double-click or Enter.
    void ChoiceChanged();
    void ChoiceConfirmed();
};

// A catalogue: a drop-down of the groups and the list of the chosen group's entries.
class CataloguePage : public ChooserPage {
    Q_OBJECT

public:
    CataloguePage(CatalogueChoice catalogue, int current, QWidget* parent = nullptr);
    void ApplyTexts(const LanguageTable& language) override;
    [[nodiscard]] bool HasChoice() const override { return Chosen().has_value(); }
    // The catalogue index of the selected entry.
    [[nodiscard]] std::optional<int> Chosen() const;

private:
    void ShowGroup(int listed);

    CatalogueChoice catalogue_;
    QLabel* groupLabel_ = nullptr;
    QComboBox* groups_ = nullptr;
    QLabel* entriesLabel_ = nullptr;
    QListWidget* entries_ = nullptr;
};

// The instrument's USER folder of a kind, listed when the tab is first shown.
class UserPage : public ChooserPage {
    Q_OBJECT

public:
    UserPage(DeviceService& devices, PresetKind kind, std::string currentPath, QIcon icon,
             QWidget* parent = nullptr);
    void ApplyTexts(const LanguageTable& language) override;
    void Activated() override;
    [[nodiscard]] bool HasChoice() const override { return !Chosen().empty(); }
    // The instrument path of the chosen file; empty when none is chosen.
    [[nodiscard]] std::string Chosen() const;

private:
    void List();

    DeviceService& devices_;
    std::string folder_;
    std::string previous_;
    QIcon icon_;
    bool listed_ = false;
    QLabel* pathLabel_ = nullptr;
    QLineEdit* path_ = nullptr;
    QLabel* filesLabel_ = nullptr;
    QListWidget* files_ = nullptr;
};

// A folder on the computer (a USB stick) with the kind's files in it.
class UsbPage : public ChooserPage {
    Q_OBJECT

public:
    UsbPage(AppConfig& config, Reporter& messages, std::string extension, std::string previousPath,
            QIcon icon, QWidget* parent = nullptr);
    void ApplyTexts(const LanguageTable& language) override;
    [[nodiscard]] bool HasChoice() const override;
    // The chosen file's instrument path; none when no file is chosen or it has no such path
    // (then `refused` is set when a file was chosen).
    [[nodiscard]] std::optional<std::string> Chosen(bool* refused = nullptr) const;
    // The folder shown, and the one the page starts in next time.
    [[nodiscard]] QString Folder() const { return folder_; }
    void RememberFolder();
    void ShowFolder(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Browse();
    void Open(QListWidgetItem* item);

    AppConfig& config_;
    Reporter& messages_;
    std::string extension_;
    std::string previousName_;
    QIcon icon_;
    QString folder_;
    QVector<LocalVolume> volumes_;
    QLabel* volumeLabel_ = nullptr;
    QComboBox* volumeBox_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLabel* filesLabel_ = nullptr;
    QListWidget* files_ = nullptr;
    QString browseCaption_;
};

// The settings key under which the USB page keeps its folder.
inline constexpr DialogFolderKey kUsbChooserFolder{"FileBrowser", "UsbFolder"};

}  // namespace veltrano
