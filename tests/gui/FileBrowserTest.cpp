#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <functional>

#include "DemoWindow.h"
#include "app/gui/MainPanel.h"
#include "support/TransferRig.h"
#include "transfer/gui/BrowserList.h"
#include "transfer/gui/FileBrowser.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::EveryTurn;
using test::PatternBytes;

// The Transmit page of the demo window, with the local pane on the test's own folder.
class FileBrowserTest : public ::testing::Test {
protected:
    FileBrowserTest() {
        window_.ShowPage(MainPanel::kTransmitPage);
        page_ = window_.Find<FileBrowser>("fileBrowser");
        localList_ = window_.Find<QTreeWidget>("localFileList");
        deviceList_ = window_.Find<QTreeWidget>("deviceFileList");
    }

    QPushButton* Button(const char* name) { return window_.Find<QPushButton>(name); }
    void Click(const char* name) {
        QPushButton* button = Button(name);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The local pane moved to the test's folder with the folder button, as a player does.
    void ChooseLocalFolder() {
        test::FileDialogAnswer answer(QString::fromStdString(window_.Local().string()));
        Click("chooseFolderButton");
        EXPECT_EQ(answer.Caption(), QStringLiteral("Browser"));
    }
    static QStringList Names(QTreeWidget* list) {
        QStringList names;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            names << list->topLevelItem(i)->text(0);
        }
        return names;
    }
    static QTreeWidgetItem* Row(QTreeWidget* list, const QString& name) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(0) == name) {
                return list->topLevelItem(i);
            }
        }
        ADD_FAILURE() << "no row " << name.toStdString();
        return nullptr;
    }
    static QPoint At(QTreeWidget* list, QTreeWidgetItem* item) {
        list->scrollToItem(item);
        // The name column: the rows are wider than a narrow list.
        const QRect rect = list->visualItemRect(item);
        return {std::min(rect.left() + 40, list->viewport()->width() / 2), rect.center().y()};
    }
    void ClickRow(QTreeWidget* list, const QString& name,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTreeWidgetItem* item = Row(list, name);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, At(list, item));
    }
    void Update() {
        Click("deviceUpdateButton");
        ASSERT_TRUE(window_.Reporter().Empty()) << window_.Reporter().Texts().front();
    }
    std::string Stored(const std::string& relative) {
        return test::ReadFile(window_.Storage() / relative);
    }

    test::DemoWindow window_;
    FileBrowser* page_ = nullptr;
    QTreeWidget* localList_ = nullptr;
    QTreeWidget* deviceList_ = nullptr;
};

TEST_F(FileBrowserTest, TheListsCarryTheirColumnsAndAccessibleNames) {
    ASSERT_NE(page_, nullptr);
    const QStringList titles{"File Name", "File Size", "Creation Time", "Last Access Time",
                             "Last Write Time"};
    const int widths[] = {195, 127, 150, 150, 150};
    for (QTreeWidget* list : {localList_, deviceList_}) {
        ASSERT_EQ(list->columnCount(), 5);
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(list->headerItem()->text(c), titles[c]);
            EXPECT_EQ(list->header()->sectionSize(c), widths[c]);
        }
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    }
    EXPECT_TRUE(localList_->alternatingRowColors());
    EXPECT_EQ(localList_->accessibleName(), QStringLiteral("Files on the computer"));
    EXPECT_EQ(deviceList_->accessibleName(), QStringLiteral("Files on the instrument"));
    for (const char* name : {"backButton", "deviceUpdateButton", "downloadButton", "uploadButton",
                             "deleteButton", "localUpdateButton", "chooseFolderButton"}) {
        EXPECT_FALSE(Button(name)->accessibleName().isEmpty()) << name;
    }
    EXPECT_FALSE(Button("stopButton")->isVisible());
    EXPECT_FALSE(window_.Find<QLineEdit>("devicePathBox")->accessibleName().isEmpty());
}

TEST_F(FileBrowserTest, EveryControlThatTakesTheKeyboardHasAName) {
    for (QWidget* widget : page_->findChildren<QWidget*>()) {
        if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus) != 0) {
            EXPECT_FALSE(widget->accessibleName().isEmpty())
                << widget->metaObject()->className() << " " << widget->objectName().toStdString();
        }
    }
}

TEST_F(FileBrowserTest, AFolderThatDoesNotExistIsRefusedAndTheDialogStaysOpen) {
    const QString missing = QString::fromStdString((window_.Local() / "nowhere").string());
    bool stayedOpen = false;
    EveryTurn typer([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return false;
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(missing);
        QTest::keyClick(name, Qt::Key_Return);
        stayedOpen = dialog->isVisible();
        name->setText(QString::fromStdString(window_.Local().string()));
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog->isVisible()) {
            dialog->reject();
        }
        return true;
    });
    Click("chooseFolderButton");
    EXPECT_TRUE(typer.Done());
    EXPECT_TRUE(stayedOpen);
    const std::vector<RecordingReporter::Message> expected{
        {Icon::Information, "", "'" + missing.toStdString() + "' path is invalid!"}};
    EXPECT_EQ(window_.Reporter().Messages(), expected);
    EXPECT_EQ(page_->Presenter().LocalFolder(), window_.Local());
}

TEST_F(FileBrowserTest, UpdateFillsTheListAndDoubleClickEntersAFolder) {
    test::WriteFile(window_.Storage() / "USER" / "Song.mid", PatternBytes(1500, 1));
    test::WriteFile(window_.Storage() / "USER" / "STYLE" / "Pop.sty", "style");
    Update();
    EXPECT_EQ(window_.Find<QLineEdit>("devicePathBox")->text(), QStringLiteral("USER"));
    const QStringList names = Names(deviceList_);
    for (const char* name : {"VOICE", "STYLE", "SONG", "Song.mid"}) {
        EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;
    }
    EXPECT_EQ(Row(deviceList_, "Song.mid")->text(1), QStringLiteral("1500 bytes (1.5 KiB)"));
    EXPECT_EQ(Row(deviceList_, "STYLE")->text(1), QString());

    // A double-click: the first click, then the second.
    const QPoint at = At(deviceList_, Row(deviceList_, "STYLE"));
    QTest::mouseClick(deviceList_->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(deviceList_->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(window_.Find<QLineEdit>("devicePathBox")->text(), QStringLiteral("USER\\STYLE"));
    EXPECT_EQ(Names(deviceList_), QStringList{"Pop.sty"});
    // Backspace goes back up; Enter on a folder row opens it.
    deviceList_->setFocus();
    QTest::keyClick(deviceList_, Qt::Key_Backspace);
    EXPECT_EQ(window_.Find<QLineEdit>("devicePathBox")->text(), QStringLiteral("USER"));
    ClickRow(deviceList_, "SONG");
    QTest::keyClick(deviceList_, Qt::Key_Return);
    EXPECT_EQ(window_.Find<QLineEdit>("devicePathBox")->text(), QStringLiteral("USER\\SONG"));
    // A path typed into the path box is listed.
    auto* path = window_.Find<QLineEdit>("devicePathBox");
    path->setFocus();
    path->selectAll();
    QTest::keyClicks(path, QStringLiteral("USER/STYLE"));
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_EQ(Names(deviceList_), QStringList{"Pop.sty"});
    EXPECT_TRUE(window_.Reporter().Empty());
}

TEST_F(FileBrowserTest, UploadWritesTheInstrumentsBytesIntoTheChosenFolder) {
    const std::string bytes = PatternBytes(3000, 2);
    test::WriteFile(window_.Storage() / "USER" / "Song.mid", bytes);
    test::WriteFile(window_.Local() / "Old.STY", "old");
    test::WriteFile(window_.Local() / "notes.txt", "not listed");
    ChooseLocalFolder();
    EXPECT_EQ(Names(localList_), QStringList{"Old.STY"});
    Update();
    ClickRow(deviceList_, "Song.mid");
    Click("uploadButton");
    EXPECT_TRUE(test::ReadFile(window_.Local() / "Song.mid") == bytes);
    EXPECT_TRUE(Names(localList_).contains(QStringLiteral("Song.mid")));
    EXPECT_TRUE(window_.Reporter().Empty());
    // The chosen folder is the one the next run opens.
    EXPECT_EQ(window_.App().config.File().GetString("FileBrowser", "LocalFolder", ""),
              window_.Local().string());
}

TEST_F(FileBrowserTest, DownloadStoresTheFileOnTheInstrument) {
    const std::string bytes = PatternBytes(5000, 3);
    test::WriteFile(window_.Local() / "Mine.sty", bytes);
    ChooseLocalFolder();
    Update();
    ClickRow(deviceList_, "STYLE");
    QTest::keyClick(deviceList_, Qt::Key_Return);
    ClickRow(localList_, "Mine.sty");
    Click("downloadButton");
    EXPECT_TRUE(Stored("USER/STYLE/Mine.sty") == bytes);
    EXPECT_EQ(Names(deviceList_), QStringList{"Mine.sty"});
    EXPECT_TRUE(window_.Reporter().Empty());
}

TEST_F(FileBrowserTest, DeleteAsksAndRemoves) {
    for (const char* name : {"a.mid", "b.mid", "c.mid"}) {
        test::WriteFile(window_.Storage() / "USER" / "SONG" / name, "MThd");
    }
    Update();
    ClickRow(deviceList_, "SONG");
    QTest::keyClick(deviceList_, Qt::Key_Return);
    ClickRow(deviceList_, "a.mid");
    ClickRow(deviceList_, "c.mid", Qt::ControlModifier);
    window_.Reporter().ScriptAnswers({Answer::No});
    Click("deleteButton");
    ASSERT_EQ(window_.Reporter().Messages().size(), 1u);
    EXPECT_EQ(window_.Reporter().Messages()[0].text,
              "Delete 2 file(s) from the instrument?\n\na.mid\nc.mid");
    EXPECT_TRUE(fs::exists(window_.Storage() / "USER" / "SONG" / "a.mid"));

    window_.Reporter().Clear();
    window_.Reporter().ScriptAnswers({Answer::Yes});
    deviceList_->setFocus();
    QTest::keyClick(deviceList_, Qt::Key_Delete);
    EXPECT_EQ(window_.Reporter().Messages().size(), 1u);
    EXPECT_FALSE(fs::exists(window_.Storage() / "USER" / "SONG" / "a.mid"));
    EXPECT_FALSE(fs::exists(window_.Storage() / "USER" / "SONG" / "c.mid"));
    EXPECT_TRUE(fs::exists(window_.Storage() / "USER" / "SONG" / "b.mid"));
    EXPECT_EQ(Names(deviceList_), QStringList{"b.mid"});

    // Ctrl+A takes every row.
    test::WriteFile(window_.Storage() / "USER" / "SONG" / "d.mid", "MThd");
    QTest::keyClick(deviceList_, Qt::Key_F5);
    EXPECT_EQ(Names(deviceList_), (QStringList{"b.mid", "d.mid"}));
    window_.Reporter().Clear();
    window_.Reporter().ScriptAnswers({Answer::Yes});
    QTest::keyClick(deviceList_, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(deviceList_, Qt::Key_Delete);
    EXPECT_EQ(window_.Reporter().Texts(),
              std::vector<std::string>{"Delete 2 file(s) from the instrument?\n\nb.mid\nd.mid"});
    EXPECT_TRUE(Names(deviceList_).isEmpty());
}

TEST_F(FileBrowserTest, StopDuringALongUploadLeavesNoPartialFileAndTheButtonsEnabled) {
    test::WriteFile(window_.Storage() / "USER" / "Long.mid", PatternBytes(400000, 4));
    ChooseLocalFolder();
    Update();
    ClickRow(deviceList_, "Long.mid");
    bool sawProgress = false;
    bool commandsOffMeanwhile = true;
    EveryTurn stopper([&] {
        auto* bar = window_.Find<QProgressBar>("transferFileBar");
        if (!Button("stopButton")->isVisible() || bar->value() < 50) {
            return false;
        }
        sawProgress = true;
        commandsOffMeanwhile =
            !Button("uploadButton")->isEnabled() && !Button("downloadButton")->isEnabled() &&
            !Button("deleteButton")->isEnabled() && !Button("backButton")->isEnabled() &&
            !Button("deviceUpdateButton")->isEnabled();
        EXPECT_TRUE(window_.Find<QWidget>("uploadAnimation")->isVisible());
        EXPECT_FALSE(
            window_.Find<QWidget>("transferBatchText")->property("text").toString().isEmpty());
        QTest::mouseClick(Button("stopButton"), Qt::LeftButton);
        return true;
    });
    Click("uploadButton");
    EXPECT_TRUE(stopper.Done());
    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(commandsOffMeanwhile);
    EXPECT_EQ(window_.Reporter().Texts(),
              std::vector<std::string>{"Uploading is aborted: Long.mid"});
    EXPECT_TRUE(fs::is_empty(window_.Local()));
    EXPECT_FALSE(Button("stopButton")->isVisible());
    EXPECT_FALSE(window_.Find<QWidget>("uploadAnimation")->isVisible());
    for (const char* name :
         {"uploadButton", "downloadButton", "deleteButton", "backButton", "deviceUpdateButton"}) {
        EXPECT_TRUE(Button(name)->isEnabled()) << name;
    }
}

TEST_F(FileBrowserTest, StopDuringALongDownloadLeavesNoFileOnTheInstrument) {
    test::WriteFile(window_.Local() / "Big.sty", PatternBytes(600000, 5));
    ChooseLocalFolder();
    Update();
    ClickRow(localList_, "Big.sty");
    EveryTurn stopper([&] {
        if (!Button("stopButton")->isVisible() ||
            window_.Find<QProgressBar>("transferBatchBar")->value() < 50) {
            return false;
        }
        EXPECT_TRUE(window_.Find<QWidget>("downloadAnimation")->isVisible());
        QTest::mouseClick(Button("stopButton"), Qt::LeftButton);
        return true;
    });
    Click("downloadButton");
    EXPECT_TRUE(stopper.Done());
    const std::string path = (window_.Local() / "Big.sty").string();
    EXPECT_EQ(
        window_.Reporter().Texts(),
        (std::vector<std::string>{"Downloading is aborted: Big.sty", "Download failed: " + path}));
    EXPECT_FALSE(fs::exists(window_.Storage() / "USER" / "Big.sty"));
    EXPECT_TRUE(Button("downloadButton")->isEnabled());
    EXPECT_FALSE(Names(deviceList_).contains(QStringLiteral("Big.sty")));
}

// A drop as the desktop's file manager (or the local list) delivers it.
void Drop(QTreeWidget* list, QMimeData* data) {
    const QPoint at = list->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    ASSERT_TRUE(drop.isAccepted());
    // The batch runs after the drop has ended.
    QCoreApplication::processEvents();
}

TEST_F(FileBrowserTest, FilesDraggedBetweenThePanesAndFromTheDesktopAreCopied) {
    const std::string dropped = PatternBytes(2000, 6);
    test::TempDir desktop;
    test::WriteFile(desktop / "FromDesk.mid", dropped);
    test::WriteFile(window_.Local() / "Local.voc", "voice");
    test::WriteFile(window_.Storage() / "USER" / "Remote.sty", "remote");
    ChooseLocalFolder();
    Update();

    // From the desktop onto the instrument list.
    QMimeData desk;
    desk.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString((desktop / "FromDesk.mid").string()))});
    Drop(deviceList_, &desk);
    EXPECT_TRUE(Stored("USER/FromDesk.mid") == dropped);

    // From the local list onto the instrument list: what its drag carries.
    auto* local = static_cast<BrowserList*>(localList_);
    std::unique_ptr<QMimeData> fromLocal(local->mimeData({Row(localList_, "Local.voc")}));
    Drop(deviceList_, fromLocal.get());
    EXPECT_EQ(Stored("USER/Local.voc"), "voice");

    // From the instrument list onto the local list.
    auto* device = static_cast<BrowserList*>(deviceList_);
    std::unique_ptr<QMimeData> fromDevice(device->mimeData({Row(deviceList_, "Remote.sty")}));
    Drop(localList_, fromDevice.get());
    EXPECT_EQ(test::ReadFile(window_.Local() / "Remote.sty"), "remote");

    // A list takes nothing from itself, and the local list no outside files.
    QDragEnterEvent refused(localList_->viewport()->rect().center(), Qt::CopyAction, &desk,
                            Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(localList_->viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_TRUE(window_.Reporter().Empty()) << window_.Reporter().Texts().front();
}

TEST_F(FileBrowserTest, ColumnsSortByTheirValues) {
    test::WriteFile(window_.Local() / "big.mid", std::string(20000, 'x'));
    test::WriteFile(window_.Local() / "small.mid", std::string(3, 'x'));
    test::WriteFile(window_.Local() / "Middle.mid", std::string(9000, 'x'));
    ChooseLocalFolder();
    localList_->header()->setSortIndicator(1, Qt::AscendingOrder);
    EXPECT_EQ(Names(localList_), (QStringList{"small.mid", "Middle.mid", "big.mid"}));
    localList_->header()->setSortIndicator(0, Qt::AscendingOrder);
    EXPECT_EQ(Names(localList_), (QStringList{"big.mid", "Middle.mid", "small.mid"}));
    // The rows are still the presenter's: selection maps back through the sort.
    ClickRow(localList_, "small.mid");
    Update();
    Click("downloadButton");
    EXPECT_EQ(Stored("USER/small.mid"), "xxx");
}

TEST(FileBrowserOffline, ListingWithoutTheInstrumentSaysSo) {
    test::DemoWindow::Options options;
    options.connect = false;
    test::DemoWindow window(options);
    window.ShowPage(MainPanel::kTransmitPage);
    window.Reporter().Clear();
    auto* page = window.Find<FileBrowser>("fileBrowser");
    ASSERT_NE(page, nullptr);
    QTest::mouseClick(window.Find<QPushButton>("deviceUpdateButton"), Qt::LeftButton);
    EXPECT_EQ(window.Reporter().Texts(), std::vector<std::string>{"No device be connected"});
    EXPECT_TRUE(page->Presenter().DeviceRows().empty());
}

}  // namespace
}  // namespace veltrano
