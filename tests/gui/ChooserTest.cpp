#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "DemoWindow.h"
#include "transfer/ChooserModel.h"
#include "transfer/gui/PatternChooser.h"
#include "transfer/gui/PresetChooser.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

template <typename T>
T* Child(QWidget& dialog, const char* name) {
    auto* child = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QStringList Rows(QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) {
        rows << list->item(i)->text();
    }
    return rows;
}

QString SelectedText(QListWidget* list) {
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text();
}

void ClickRow(QListWidget* list, int row) {
    ASSERT_LT(row, list->count());
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

QStringList TabTexts(QWidget& dialog) {
    auto* tabs = Child<QTabWidget>(dialog, "chooserTabs");
    QStringList texts;
    for (int i = 0; tabs != nullptr && i < tabs->count(); ++i) {
        texts << tabs->tabText(i);
    }
    return texts;
}

// The controls Tab visits from `start`, in order, until it comes back round.
QList<QWidget*> TabSequence(QWidget* start) {
    QList<QWidget*> sequence;
    for (QWidget* w = start->nextInFocusChain(); w != nullptr && w != start;
         w = w->nextInFocusChain()) {
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) != 0) {
            sequence << w;
        }
    }
    return sequence;
}

void Open(QDialog& dialog) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QCoreApplication::processEvents();
}

class ChooserTest : public ::testing::Test {
protected:
    test::DemoWindow window_;
};

TEST_F(ChooserTest, CatalogueOpensOnTheCurrentEntryAndReturnsTheChosenIndex) {
    const auto& groups = window_.App().catalog.StyleGroups();
    ASSERT_GE(groups.size(), 5u);
    // The style catalogue's fifth group holds "&" in its name; its third entry is index 34.
    const int current = 32 + 2;
    ASSERT_EQ(groups[4].name, "Swing&Jazz");
    PresetChooser chooser(window_.App(), window_.Devices(), window_.Reporter(), PresetKind::Style,
                          {0, current, {}}, &window_.Panel());
    Open(chooser);
    EXPECT_EQ(TabTexts(chooser), (QStringList{"PRESET", "USER", "USB"}));
    auto* groupBox = Child<QComboBox>(chooser, "chooserGroupBox");
    auto* entries = Child<QListWidget>(chooser, "chooserEntryList");
    auto* ok = Child<QPushButton>(chooser, "chooserOkButton");
    EXPECT_EQ(groupBox->currentText(), QStringLiteral("Swing&Jazz"));
    EXPECT_EQ(SelectedText(entries), QString::fromStdString(groups[4].names[2]));
    EXPECT_TRUE(ok->isEnabled());
    // Tab goes from the group to its entries, then to OK and Cancel.
    const auto sequence = TabSequence(groupBox);
    ASSERT_GE(sequence.size(), 3);
    EXPECT_EQ(sequence[0], entries);
    EXPECT_EQ(sequence[1], ok);
    EXPECT_EQ(sequence[2], Child<QPushButton>(chooser, "chooserCancelButton"));
    EXPECT_EQ(entries->accessibleName(), QStringLiteral("Entries"));

    // Another group: nothing is chosen in it yet, so OK waits.
    groupBox->setFocus();
    QTest::keyClick(groupBox, Qt::Key_Down);
    EXPECT_EQ(groupBox->currentIndex(), 5);
    EXPECT_EQ(Rows(entries).size(), static_cast<qsizetype>(groups[5].names.size()));
    EXPECT_FALSE(ok->isEnabled());
    ClickRow(entries, 3);
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
    EXPECT_EQ(chooser.Choice(), (ChooserChoice{0, 40 + 3, {}}));
}

TEST_F(ChooserTest, VoicesCountEveryGroupBeforeTheChosenOne) {
    const auto& groups = window_.App().catalog.VoiceGroups();
    ASSERT_GE(groups.size(), 2u);
    PresetChooser chooser(window_.App(), window_.Devices(), window_.Reporter(), PresetKind::Voice,
                          {0, -1, {}}, &window_.Panel());
    Open(chooser);
    auto* groupBox = Child<QComboBox>(chooser, "chooserGroupBox");
    auto* entries = Child<QListWidget>(chooser, "chooserEntryList");
    // A number no group holds opens the first group with nothing chosen.
    EXPECT_EQ(groupBox->currentIndex(), 0);
    EXPECT_TRUE(SelectedText(entries).isEmpty());
    EXPECT_FALSE(Child<QPushButton>(chooser, "chooserOkButton")->isEnabled());
    groupBox->setCurrentIndex(1);
    ASSERT_GE(entries->count(), 2);
    // A double-click confirms, as OK does.
    const QPoint at = entries->visualItemRect(entries->item(1)).center();
    QTest::mouseClick(entries->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(entries->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
    EXPECT_EQ(chooser.Choice().number, static_cast<int>(groups[0].displays.size()) + 1);
}

TEST_F(ChooserTest, UserPageListsTheInstrumentFolderAndSelectsThePreviousName) {
    test::WriteFile(window_.Storage() / "USER" / "SONG" / "Alpha.mid", "MThd");
    test::WriteFile(window_.Storage() / "USER" / "SONG" / "Beta.mid", "MThd");
    fs::create_directories(window_.Storage() / "USER" / "SONG" / "Folder");
    PresetChooser chooser(window_.App(), window_.Devices(), window_.Reporter(), PresetKind::Song,
                          {1, 0, "USER\\SONG\\beta.MID"}, &window_.Panel());
    Open(chooser);
    auto* files = Child<QListWidget>(chooser, "userFileList");
    QTRY_COMPARE(files->count(), 2);
    EXPECT_EQ(Child<QLineEdit>(chooser, "userPathBox")->text(), QStringLiteral("USER\\SONG"));
    EXPECT_EQ(SelectedText(files), QStringLiteral("Beta.mid"));
    ClickRow(files, Rows(files).indexOf(QStringLiteral("Alpha.mid")));
    QTest::mouseClick(Child<QPushButton>(chooser, "chooserOkButton"), Qt::LeftButton);
    EXPECT_EQ(chooser.Choice(), (ChooserChoice{1, 0, "USER\\SONG\\Alpha.mid"}));
    EXPECT_TRUE(window_.Reporter().Empty());
}

TEST_F(ChooserTest, AChooserClosedWhileTheUserFolderIsListedIsLeftAlone) {
    for (int i = 0; i < 40; ++i) {
        test::WriteFile(window_.Storage() / "USER" / "VOICE" / ("v" + std::to_string(i) + ".voc"),
                        "voice");
    }
    QPointer<PresetChooser> chooser =
        new PresetChooser(window_.App(), window_.Devices(), window_.Reporter(), PresetKind::Voice,
                          {1, 0, {}}, &window_.Panel());
    chooser->show();
    bool closed = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!closed && chooser && window_.Devices().Busy()) {
            closed = true;
            delete chooser.data();
        }
    });
    closer.start(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed && !window_.Devices().Busy(); }, 5000));
    EXPECT_TRUE(chooser.isNull());
    EXPECT_TRUE(window_.Reporter().Empty());
    // The link is free for the next exchange.
    EXPECT_TRUE(window_.Devices().Files().QueryFiles("USER\\VOICE"));
}

TEST_F(ChooserTest, UsbPageMapsTheLocalFolderToTheInstrumentsUsbPath) {
    const fs::path stick = window_.Local() / "Styles";
    test::WriteFile(stick / "Pop.STY", "style");
    test::WriteFile(stick / "Song.mid", "midi");
    fs::create_directories(stick / "More");
    PresetChooser chooser(window_.App(), window_.Devices(), window_.Reporter(), PresetKind::Style,
                          {2, 0, "USB\\x\\pop.sty"}, &window_.Panel());
    Open(chooser);
    auto* folder = Child<QLineEdit>(chooser, "usbFolderEdit");
    auto* files = Child<QListWidget>(chooser, "usbFileList");
    for (QWidget* widget : chooser.findChildren<QWidget*>()) {
        if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus) != 0) {
            EXPECT_FALSE(widget->accessibleName().isEmpty())
                << widget->metaObject()->className() << " " << widget->objectName().toStdString();
        }
    }
    folder->setFocus();
    folder->selectAll();
    QTest::keyClicks(folder, QString::fromStdString(stick.string()));
    QTest::keyClick(folder, Qt::Key_Return);
    // Folders to walk into, then only the kind's files; the previous name is chosen again.
    EXPECT_EQ(Rows(files), (QStringList{"..", "More", "Pop.STY"}));
    EXPECT_EQ(SelectedText(files), QStringLiteral("Pop.STY"));
    auto* ok = Child<QPushButton>(chooser, "chooserOkButton");
    ClickRow(files, 1);  // a folder is no choice
    EXPECT_FALSE(ok->isEnabled());
    ClickRow(files, 2);
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_EQ(chooser.result(), QDialog::Accepted);

    const QString mount = QStorageInfo(QString::fromStdString(stick.string())).rootPath();
    const auto expected = UsbDevicePath(mount.toStdString(), stick.string(), "Pop.STY");
    ASSERT_TRUE(expected);
    EXPECT_EQ(chooser.Choice(), (ChooserChoice{2, 0, *expected}));
    EXPECT_TRUE(chooser.Choice().path.starts_with("USB\\"));
    EXPECT_TRUE(chooser.Choice().path.ends_with("\\Styles\\Pop.STY"));
    // The next USB page starts where this one was left.
    EXPECT_EQ(window_.App().config.File().GetString("FileBrowser", "UsbFolder", ""),
              stick.string());
}

TEST_F(ChooserTest, UsbPageRefusesAPathTheInstrumentCannotHold) {
    fs::path deep = window_.Local();
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(50, static_cast<char>('a' + i));
    }
    test::WriteFile(deep / "Far.arp", "arp");
    PatternChooser chooser(window_.App(), window_.Reporter(), PatternKind::Arpeggio, {1, 0, {}},
                           &window_.Panel());
    Open(chooser);
    EXPECT_EQ(TabTexts(chooser), (QStringList{"LOCAL", "USB"}));
    auto* folder = Child<QLineEdit>(chooser, "usbFolderEdit");
    folder->setText(QString::fromStdString(deep.string()));
    QTest::keyClick(folder, Qt::Key_Return);
    auto* files = Child<QListWidget>(chooser, "usbFileList");
    ClickRow(files, Rows(files).indexOf(QStringLiteral("Far.arp")));
    QTest::mouseClick(Child<QPushButton>(chooser, "chooserOkButton"), Qt::LeftButton);
    EXPECT_TRUE(chooser.isVisible());
    EXPECT_NE(chooser.result(), QDialog::Accepted);
    ASSERT_EQ(window_.Reporter().Messages().size(), 1u);
    EXPECT_EQ(window_.Reporter().Messages()[0].icon, Icon::Information);
}

TEST_F(ChooserTest, PatternCataloguesAndTheModalCallAsPagesUseIt) {
    const auto& choppers = window_.App().catalog.ChopperGroups();
    ASSERT_EQ(choppers.size(), 1u);
    ASSERT_GE(choppers[0].names.size(), 5u);
    PatternChooser chooser(window_.App(), window_.Reporter(), PatternKind::Chopper, {0, 4, {}},
                           &window_.Panel());
    // Chopper patterns come from the catalogue only.
    QTimer::singleShot(0, &chooser, [&chooser] {
        EXPECT_EQ(TabTexts(chooser), QStringList{"LOCAL"});
        auto* entries = Child<QListWidget>(chooser, "chooserEntryList");
        EXPECT_EQ(entries->currentRow(), 4);
        QTest::keyClick(entries, Qt::Key_Down);
        QTest::keyClick(entries, Qt::Key_Return);
    });
    ASSERT_EQ(chooser.exec(), QDialog::Accepted);
    EXPECT_EQ(chooser.Choice(), (ChooserChoice{0, 5, {}}));
}

TEST(ChooserWithoutTransmit, OffersTheCatalogueOnly) {
    test::DemoWindow::Options options;
    options.transmitFunc = false;
    test::DemoWindow window(options);
    // A stored USER choice cannot be shown: the chooser opens on the catalogue.
    PresetChooser preset(window.App(), window.Devices(), window.Reporter(), PresetKind::Voice,
                         {1, 0, "USER\\VOICE\\a.voc"}, &window.Panel());
    EXPECT_EQ(TabTexts(preset), QStringList{"PRESET"});
    PatternChooser pattern(window.App(), window.Reporter(), PatternKind::Arpeggio, {0, 0, {}},
                           &window.Panel());
    EXPECT_EQ(TabTexts(pattern), QStringList{"LOCAL"});
}

}  // namespace
}  // namespace veltrano
