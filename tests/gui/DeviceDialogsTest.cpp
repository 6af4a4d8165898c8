#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/AppContext.h"
#include "app/Startup.h"
#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/MidiPorts.h"
#include "device/gui/ConnectionIndicator.h"
#include "device/gui/MidiDeviceDialog.h"
#include "device/gui/ProgressDialog.h"
#include "support/FakeMidiBackend.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::FakeMidiBackend;

const std::vector<Bytes> kInitialMessages{{0xB0, 0x00, 0x79}, {0xB0, 0x20, 0x00}, {0xC0, 0x00}};

// A program folder with the shipped settings and language files, read as at start-up.
class DeviceDialogsTest : public ::testing::Test {
protected:
    DeviceDialogsTest() {
        fs::copy_file(test::SourceResources() / "Cnfg.ini", dir_ / "Cnfg.ini");
        fs::copy(test::SourceResources() / "lang", dir_ / "lang", fs::copy_options::recursive);
        ReadSettings(app_, dir_.Path());
    }

    FakeMidiBackend& AddFake(std::vector<std::string> inputs, std::vector<std::string> outputs) {
        auto fake = std::make_unique<FakeMidiBackend>(std::move(inputs), std::move(outputs));
        FakeMidiBackend& ref = *fake;
        ports_.AddBackend(std::move(fake));
        return ref;
    }
    std::unique_ptr<MidiDeviceDialog> OpenDialog() {
        auto dialog =
            std::make_unique<MidiDeviceDialog>(ports_, app_.config, reporter_, app_.language);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    std::string Setting(std::string_view key) const {
        return app_.config.File().GetString("Option", key, "<unset>");
    }
    static QListWidget* List(QWidget& dialog, const char* name) {
        auto* list = dialog.findChild<QListWidget*>(QString::fromLatin1(name));
        EXPECT_NE(list, nullptr) << name;
        return list;
    }
    static QStringList Rows(QListWidget* list) {
        QStringList rows;
        for (int i = 0; i < list->count(); ++i) {
            rows << list->item(i)->text();
        }
        return rows;
    }
    static void DoubleClickRow(QListWidget* list, int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    test::TempDir dir_;
    AppContext app_;
    VirtualEventLoop loop_;
    RecordingReporter reporter_;
    MidiPorts ports_{loop_, reporter_};
};

TEST_F(DeviceDialogsTest, ListsThePortsAndEnterOpensTheChosenPair) {
    FakeMidiBackend& fake = AddFake({"in A", "in B"}, {"out A", "out B", "out C"});
    auto dialog = OpenDialog();
    EXPECT_TRUE(dialog->isModal());
    QListWidget* inputs = List(*dialog, "midiInputList");
    QListWidget* outputs = List(*dialog, "midiOutputList");
    EXPECT_EQ(Rows(inputs), (QStringList{"in A", "in B"}));
    EXPECT_EQ(Rows(outputs), (QStringList{"out A", "out B", "out C"}));
    // A new run starts on the first ports.
    EXPECT_EQ(dialog->SelectedInput(), 0);
    EXPECT_EQ(dialog->SelectedOutput(), 0);

    DoubleClickRow(inputs, 1);
    DoubleClickRow(outputs, 2);
    EXPECT_EQ(dialog->SelectedInput(), 1);
    EXPECT_EQ(dialog->SelectedOutput(), 2);
    EXPECT_TRUE(dialog->isVisible());  // a double-click only selects
    QTest::keyClick(outputs, Qt::Key_Return);

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ports_.GetInputState(), InputState::Receiving);
    EXPECT_EQ(ports_.InputIndex(), 1);
    EXPECT_EQ(ports_.OutputIndex(), 2);
    EXPECT_EQ(Setting("MidiDevInID"), "1");
    EXPECT_EQ(Setting("MidiDevOutID"), "2");
    EXPECT_EQ(fake.Sent(), kInitialMessages);
    EXPECT_TRUE(reporter_.Empty());

    // Opened again, it selects that pair; Escape leaves everything as it was.
    fake.ClearLog();
    auto again = OpenDialog();
    EXPECT_EQ(again->SelectedInput(), 1);
    EXPECT_EQ(again->SelectedOutput(), 2);
    again->Select(0, 0);
    QTest::keyClick(again.get(), Qt::Key_Escape);
    EXPECT_EQ(again->result(), QDialog::Rejected);
    EXPECT_TRUE(fake.Log().empty());
    EXPECT_EQ(ports_.ChosenInput(), 1);
    EXPECT_EQ(ports_.ChosenOutput(), 2);
    EXPECT_EQ(Setting("MidiDevInID"), "1");
}

TEST_F(DeviceDialogsTest, CancelButtonChangesNothing) {
    FakeMidiBackend& fake = AddFake({"in A", "in B"}, {"out A", "out B"});
    const std::string before = test::ReadFile(dir_ / "Cnfg.ini");
    auto dialog = OpenDialog();
    dialog->Select(1, 1);
    QTest::mouseClick(dialog->findChild<QPushButton*>("midiCancelButton"), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(fake.Log().empty());
    EXPECT_EQ(ports_.GetInputState(), InputState::Closed);
    EXPECT_FALSE(ports_.OutputOpen());
    EXPECT_EQ(test::ReadFile(dir_ / "Cnfg.ini"), before);
}

TEST_F(DeviceDialogsTest, WithoutPortsTheListsAreEmptyAndOkOpensNothing) {
    FakeMidiBackend& fake = AddFake({}, {});
    auto dialog = OpenDialog();
    EXPECT_EQ(List(*dialog, "midiInputList")->count(), 0);
    EXPECT_EQ(List(*dialog, "midiOutputList")->count(), 0);
    EXPECT_EQ(dialog->SelectedInput(), MidiDeviceChoice::kNone);
    EXPECT_EQ(dialog->SelectedOutput(), MidiDeviceChoice::kNone);
    QTest::mouseClick(dialog->findChild<QPushButton*>("midiOkButton"), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(fake.Log().empty());
    EXPECT_TRUE(reporter_.Empty());
    EXPECT_EQ(Setting("MidiDevInID"), "<unset>");
}

TEST_F(DeviceDialogsTest, RefreshRereadsThePortsAndAFailedOpenStillCloses) {
    FakeMidiBackend& fake = AddFake({"in A"}, {});
    auto dialog = OpenDialog();
    EXPECT_EQ(dialog->SelectedOutput(), MidiDeviceChoice::kNone);

    fake.SetPortNames({"in A", "in B"}, {"out A"});
    QTest::mouseClick(dialog->findChild<QPushButton*>("midiRefreshButton"), Qt::LeftButton);
    EXPECT_EQ(Rows(List(*dialog, "midiInputList")), (QStringList{"in A", "in B"}));
    EXPECT_EQ(Rows(List(*dialog, "midiOutputList")), (QStringList{"out A"}));
    EXPECT_EQ(dialog->SelectedInput(), 0);
    EXPECT_EQ(dialog->SelectedOutput(), 0);
    EXPECT_TRUE(dialog->isVisible());

    fake.openInputOk = false;
    QTest::mouseClick(dialog->findChild<QPushButton*>("midiOkButton"), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(reporter_.Texts(), (std::vector<std::string>{"Open midi device in failed"}));
    EXPECT_EQ(reporter_.Messages().front().caption, "Warning");
    EXPECT_TRUE(ports_.OutputOpen());
    EXPECT_EQ(Setting("MidiDevInID"), "<unset>");
    EXPECT_EQ(Setting("MidiDevOutID"), "0");
}

TEST_F(DeviceDialogsTest, TextsComeFromTheLanguageFileAndFollowASwitch) {
    AddFake({}, {});
    MidiDeviceDialog dialog(ports_, app_.config, reporter_, app_.language);
    ProgressDialog progress(app_.language);
    const auto text = [](QWidget& parent, const char* name) {
        if (auto* label = parent.findChild<QLabel*>(name)) {
            return label->text();
        }
        return parent.findChild<QPushButton*>(name)->text();
    };
    EXPECT_EQ(dialog.windowTitle(), "MIDI Device");
    EXPECT_EQ(text(dialog, "midiInputLabel"), "MIDI In");
    EXPECT_EQ(text(dialog, "midiOutputLabel"), "MIDI Out");
    EXPECT_EQ(text(dialog, "midiRefreshButton"), "Refresh");
    EXPECT_EQ(text(dialog, "midiCancelButton"), "Cancel");
    EXPECT_EQ(text(dialog, "midiOkButton"), "OK");
    EXPECT_EQ(text(progress, "progressLoadingLabel"), "Loading instrument data...");
    EXPECT_EQ(text(progress, "progressWaitLabel"), "Please wait...");
    EXPECT_TRUE(progress.findChild<QLabel*>("progressWaitLabel")->font().bold());

    app_.language.SelectLanguage(LanguageTable::kChinese, app_.config);
    dialog.ApplyTexts();
    progress.ApplyTexts();
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("MIDI 设备"));
    EXPECT_EQ(text(dialog, "midiRefreshButton"), QString::fromUtf8("刷新"));
    EXPECT_EQ(text(dialog, "midiOkButton"), QString::fromUtf8("确定"));
    EXPECT_EQ(text(progress, "progressWaitLabel"), QString::fromUtf8("请稍候..."));
}

TEST_F(DeviceDialogsTest, ProgressIsModelessAndKeepsTheCallersRange) {
    ProgressDialog progress(app_.language);
    EXPECT_FALSE(progress.isModal());
    progress.SetRange(0, 7);
    progress.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
    progress.SetPosition(3);
    auto* bar = progress.findChild<QProgressBar*>("progressBar");
    EXPECT_EQ(progress.Position(), 3);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 7);
    // Escape must not hide it behind the running fetch's back; the caller closes it.
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.isVisible());
    progress.close();
    EXPECT_FALSE(progress.isVisible());
}

TEST(ConnectionIndicatorTest, LampAndAccessibleStateFollowTheLink) {
    ConnectionIndicator indicator;
    indicator.resize(indicator.sizeHint());
    const auto centre = [&indicator] {
        const QImage image = indicator.grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    };
    const auto checked = [&indicator] {
        return QAccessible::queryAccessibleInterface(&indicator)->state().checked != 0;
    };
    EXPECT_FALSE(indicator.Connected());
    QColor off = centre();
    EXPECT_EQ(off.red(), off.green());
    EXPECT_FALSE(checked());

    indicator.SetConnected(true);
    EXPECT_TRUE(indicator.Connected());
    QColor on = centre();
    EXPECT_GT(on.green(), on.red() + 64);
    EXPECT_GT(on.green(), on.blue() + 64);
    EXPECT_TRUE(checked());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&indicator)->role(), QAccessible::Indicator);

    indicator.SetConnected(false);
    EXPECT_EQ(centre(), off);
    EXPECT_FALSE(checked());
}

}  // namespace
}  // namespace veltrano
