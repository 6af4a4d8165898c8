#include "app/gui/MainPanel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <set>

#include "DemoWindow.h"
#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "app/Startup.h"
#include "app/gui/AboutBox.h"
#include "app/gui/HelpLauncher.h"
#include "app/gui/InstrumentPicture.h"
#include "base/Reporter.h"
#include "device/gui/ConnectionIndicator.h"
#include "device/gui/MidiDeviceDialog.h"
#include "device/gui/ProgressDialog.h"
#include "settings/IniFile.h"
#include "support/FakeMidiBackend.h"
#include "support/TempDir.h"
#include "ui/PianoKeyboard.h"
#include "ui/QtEventLoop.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::EveryTurn;

constexpr const char* kProduct = "Arranger SIM-61";
constexpr const char* kLostLink =
    "No active sense message be detected, please check the connection";

// Receives what the panel hands to the desktop's viewer.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

class MainPanelTest : public ::testing::Test {
protected:
    MainPanelTest() {
        fs::copy(test::SourceResources(), home_.Path(), fs::copy_options::recursive);
        // Nothing the tests do may reach the real desktop.
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &urls_, "Open");
    }
    ~MainPanelTest() override {
        panel_.reset();
        devices_.reset();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void SetOption(const char* key, const char* value) {
        IniFile config(home_ / "Cnfg.ini");
        ASSERT_TRUE(config.WriteString("Option", key, value));
    }

    // Start-up as the program does it, with the built-in instrument listed after the system
    // ports. `beforePanel` runs once the settings are read.
    void Start(SimFaults faults = {}, const std::function<void()>& beforePanel = {}) {
        ReadSettings(app_, home_.Path());
        LoadModels(app_);
        if (beforePanel) {
            beforePanel();
        }
        devices_ = std::make_unique<DeviceService>(app_, loop_, reporter_);
        devices_->AddSystemPorts();
        panel_ = std::make_unique<MainPanel>(app_, *devices_, reporter_);
        SimulatedInstrumentSetup setup;
        setup.faults = faults;
        ASSERT_TRUE(panel_->EnableSimulatedInstrument(setup));
        panel_->Initialise();
        panel_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
    }

    template <typename T>
    T* Child(const char* name) {
        T* child = panel_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // The items of a drop-down list as they are when it opens.
    QStringList Items(const char* menuName) {
        QMenu* menu = Child<QMenu>(menuName);
        emit menu->aboutToShow();
        QStringList texts;
        for (QAction* action : menu->actions()) {
            texts << action->text();
        }
        return texts;
    }
    void Choose(const char* menuName, int item) {
        QMenu* menu = Child<QMenu>(menuName);
        emit menu->aboutToShow();
        ASSERT_LT(item, menu->actions().size());
        menu->actions().at(item)->trigger();
        // Menu commands run queued.
        QCoreApplication::processEvents();
    }
    QString Title(const char* menuName) { return Child<QMenu>(menuName)->title(); }

    std::vector<ToolPage*> VisiblePages() {
        std::vector<ToolPage*> visible;
        for (ToolPage* page : panel_->findChildren<ToolPage*>()) {
            if (page->isVisible()) {
                visible.push_back(page);
            }
        }
        return visible;
    }
    // The caption of a page's Open button.
    static QString Title(ToolPage* page) {
        auto* open = page->findChild<QPushButton*>(QStringLiteral("openButton"));
        return open != nullptr ? open->text() : QString();
    }
    // Ticks of the keep-alive timer with nobody answering, until the link is given up.
    void LoseLink() {
        for (int tick = 0; tick < 4; ++tick) {
            ASSERT_TRUE(panel_->Devices().GetLink().state.connected) << tick;
            panel_->Devices().Session().KeepAliveTick();
        }
        ASSERT_FALSE(panel_->Devices().GetLink().state.connected);
    }

    test::TempDir home_;
    AppContext app_;
    QtEventLoop loop_;
    RecordingReporter reporter_;
    std::unique_ptr<DeviceService> devices_;
    UrlCatcher urls_;
    std::unique_ptr<MainPanel> panel_;
};

const char* const kPageButtons[] = {"pageButtonMidiToStyle", "pageButtonStyleToMidi",
                                    "pageButtonPerformance", "pageButtonArpeggio",
                                    "pageButtonTransmit"};

TEST_F(MainPanelTest, ExactlyOnePageIsVisibleAndItsButtonChecked) {
    Start();
    const QStringList view = Items("viewMenu");
    ASSERT_EQ(view.size(), 7);  // the pages, a separator and the MIDI monitor
    EXPECT_EQ(view[6], "MIDI Monitor");
    EXPECT_EQ(panel_->CurrentPage(), 0);
    for (int page : {2, 0, 3, 1, 4}) {
        panel_->SetKeyboardOn(true);
        if (page < 4) {
            QTest::mouseClick(Child<QPushButton>(kPageButtons[page]), Qt::LeftButton);
        } else {
            Choose("viewMenu", 4);
        }
        EXPECT_EQ(panel_->CurrentPage(), page);
        const auto visible = VisiblePages();
        ASSERT_EQ(visible.size(), 1u) << page;
        EXPECT_EQ(visible[0], &panel_->Page(page)) << page;
        for (int other = 0; other < 5; ++other) {
            EXPECT_EQ(Child<QPushButton>(kPageButtons[other])->isChecked(), other == page)
                << page << " " << other;
        }
        // A page switch takes the keyboard off.
        EXPECT_FALSE(panel_->Keyboard().KeysOn()) << page;
        EXPECT_FALSE(Child<QPushButton>("keyboardToggle")->isChecked()) << page;
    }
    // The file browser's first showing lists "USER", which says why it cannot.
    EXPECT_EQ(reporter_.Texts(), std::vector<std::string>{"No device be connected"});
    panel_->ShowPage(5);
    panel_->ShowPage(-1);
    EXPECT_EQ(panel_->CurrentPage(), 4);
}

TEST_F(MainPanelTest, WithoutTransmitFunctionsTheButtonIsGoneButTheViewItemStays) {
    SetOption("TransmitFunc", "0");
    Start();
    EXPECT_TRUE(Child<QPushButton>(kPageButtons[4])->isHidden());
    EXPECT_FALSE(Child<QPushButton>(kPageButtons[3])->isHidden());
    const QStringList view = Items("viewMenu");
    ASSERT_EQ(view.size(), 7);
    EXPECT_EQ(view[4], "File Transfer");
    Choose("viewMenu", 4);
    EXPECT_EQ(panel_->CurrentPage(), 4);
}

TEST_F(MainPanelTest, DemoConnectShowsProgressAndNamesTheDevice) {
    Start();
    auto* box = Child<QComboBox>("deviceBox");
    auto* picture = panel_->findChild<InstrumentPicture*>();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(box->count(), 1);
    EXPECT_EQ(box->currentText(), "Default");
    picture->grab();
    EXPECT_EQ(picture->LastPainted(), "instrument_other.svg");

    // The fetch runs inside the connect; look at the progress window while it does.
    int highest = -1;
    bool shownModeless = false;
    EveryTurn watch([&] {
        if (auto* progress = panel_->findChild<ProgressDialog*>();
            progress && progress->isVisible()) {
            highest = std::max(highest, progress->Position());
            shownModeless = shownModeless || !progress->isModal();
        }
        return false;
    });
    ASSERT_TRUE(panel_->StartDemo());
    EXPECT_TRUE(shownModeless);
    EXPECT_EQ(highest, 7);
    EXPECT_EQ(panel_->findChild<ProgressDialog*>(), nullptr);

    EXPECT_EQ(box->count(), 1);
    EXPECT_EQ(box->currentText(), kProduct);
    EXPECT_TRUE(Child<ConnectionIndicator>("connectionIndicator")->Connected());
    EXPECT_TRUE(fs::exists(home_ / "Presets" / kProduct / "device.ini"));
    EXPECT_TRUE(fs::exists(home_ / "Presets" / kProduct / "VOICETAB_CN.INI"));
    EXPECT_EQ(IniFile(home_ / "Cnfg.ini").GetString("LastDevice", "Device"), kProduct);
    // The instrument is of class 1.
    picture->grab();
    EXPECT_EQ(picture->LastPainted(), "instrument_a.svg");
    EXPECT_TRUE(reporter_.Empty()) << reporter_.Texts().front();

    // Now connected, the file browser's first showing lists the instrument's folder.
    panel_->ShowPage(4);
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MainPanelTest, DeviceMenuFollowsTheLinkState) {
    SimFaults faults;
    faults.noKeepAlive = true;
    Start(faults);
    EXPECT_EQ(Items("deviceMenu"), (QStringList{"Connect Device", "MIDI Device..."}));
    ASSERT_TRUE(panel_->StartDemo());
    EXPECT_EQ(Items("deviceMenu")[0], "Disconnect Device");

    // Four keep-alive requests without an answer: the link is given up.
    LoseLink();
    EXPECT_EQ(reporter_.Texts(), std::vector<std::string>{kLostLink});
    EXPECT_EQ(Items("deviceMenu")[0], "Connect Device");
    EXPECT_FALSE(Child<ConnectionIndicator>("connectionIndicator")->Connected());

    // The ports stay chosen: Connect connects again, without tables this time.
    bool progressSeen = false;
    EveryTurn watch([&] {
        progressSeen = progressSeen || panel_->findChild<ProgressDialog*>() != nullptr;
        return false;
    });
    Choose("deviceMenu", 0);
    EXPECT_TRUE(panel_->Devices().GetLink().state.connected);
    EXPECT_FALSE(progressSeen);
    EXPECT_EQ(Items("deviceMenu")[0], "Disconnect Device");

    // Disconnect: the device box offers the device list again, the current device first.
    Choose("deviceMenu", 0);
    EXPECT_FALSE(panel_->Devices().GetLink().state.connected);
    EXPECT_EQ(Items("deviceMenu")[0], "Connect Device");
    auto* box = Child<QComboBox>("deviceBox");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), kProduct);
    EXPECT_EQ(box->itemText(1), "Default");
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(reporter_.Texts().size(), 1u);
}

TEST_F(MainPanelTest, LanguageSwitchRelabelsEverythingAtOnce) {
    Start();
    panel_->ShowPage(2);
    EXPECT_EQ(Title("viewMenu"), "View");
    EXPECT_EQ(Title("helpMenu"), "Help  ");
    EXPECT_EQ(Child<QPushButton>(kPageButtons[2])->text(), "    Performance");
    EXPECT_EQ(Title(VisiblePages().at(0)), "Open");
    EXPECT_EQ(Child<QPushButton>("keyboardToggle")->text(), "Keyboard");

    Choose("languageMenu", 1);
    EXPECT_EQ(Title("viewMenu"), "视图");
    EXPECT_EQ(Title("deviceMenu"), "设备");
    EXPECT_EQ(Title("languageMenu"), "语言");
    EXPECT_EQ(Title("helpMenu"), "帮助");
    EXPECT_EQ(Child<QPushButton>(kPageButtons[0])->text(), "    MIDI转风格");
    EXPECT_EQ(Child<QPushButton>(kPageButtons[2])->text(), "    演奏编辑");
    EXPECT_EQ(Title(VisiblePages().at(0)), "打开");
    EXPECT_EQ(Child<QPushButton>("keyboardToggle")->text(), "键盘");
    EXPECT_EQ(Items("deviceMenu")[0], "连接设备");
    EXPECT_EQ(panel_->CurrentPage(), 2);
    // The choice is kept for the next start.
    EXPECT_EQ(IniFile(home_ / "Cnfg.ini").GetInt("Option", "LanguageID", -1), 1);

    Choose("languageMenu", 0);
    EXPECT_EQ(Title("helpMenu"), "Help  ");
    EXPECT_EQ(Title(VisiblePages().at(0)), "Open");
    EXPECT_EQ(IniFile(home_ / "Cnfg.ini").GetInt("Option", "LanguageID", -1), 0);
}

TEST_F(MainPanelTest, KeysSoundOnlyWhenConnectedOrOnASoftwareSynthesizer) {
    Start();
    auto fake = std::make_unique<test::FakeMidiBackend>(
        std::vector<std::string>{},
        std::vector<std::string>{"USB MIDI Interface", "FLUID Synth (4711):Synth input port"});
    test::FakeMidiBackend* backend = fake.get();
    MidiPorts& ports = panel_->Devices().Ports();
    ports.AddBackend(std::move(fake));
    ports.ListPorts();
    const auto position = [&](const std::string& name) {
        const auto& names = ports.OutputNames();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    };
    PianoKeyboard& keyboard = panel_->Keyboard();
    const auto playC4 = [&] {
        const KeyRect key = *keyboard.Geometry().Rect(60);
        QTest::mouseClick(
            &keyboard, Qt::LeftButton, {},
            QPoint(static_cast<int>(key.CenterX()), static_cast<int>(key.Bottom()) - 4));
    };
    const Bytes noteOn{0x90, 60, 100};
    const Bytes noteOff{0x90, 60, 0};

    ASSERT_TRUE(ports.OpenOutput(position("USB MIDI Interface")));
    backend->ClearLog();
    panel_->SetKeyboardOn(true);
    playC4();
    EXPECT_TRUE(backend->Sent().empty());

    // A software synthesizer plays without an instrument.
    ASSERT_TRUE(ports.OpenOutput(position("FLUID Synth (4711):Synth input port")));
    playC4();
    EXPECT_EQ(backend->Sent(), (std::vector<Bytes>{noteOn, noteOff}));

    // With the keyboard off nothing is played.
    panel_->SetKeyboardOn(false);
    const size_t before = backend->Sent().size();
    playC4();
    EXPECT_EQ(backend->Sent().size(), before);

    // An instrument connected on the cable's port hears the keys.
    ASSERT_TRUE(ports.OpenOutput(position("USB MIDI Interface")));
    panel_->Devices().GetLink().state.connected = true;
    panel_->SetKeyboardOn(true);
    playC4();
    const auto sent = backend->Sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], noteOn);
    EXPECT_EQ(sent.back(), noteOff);
    panel_->Devices().GetLink().state.connected = false;
}

TEST_F(MainPanelTest, CommandsDuringAWaitDoNotStartASecondExchange) {
    Start();
    // While the connect waits for the instrument: the Connect and MIDI Device commands, a
    // device-box choice and the file browser's first showing all come in.
    bool dialogSeen = false;
    EveryTurn dialogWatch([&] {
        dialogSeen = dialogSeen || panel_->findChild<MidiDeviceDialog*>() != nullptr;
        if (auto* dialog = panel_->findChild<MidiDeviceDialog*>()) {
            dialog->reject();
        }
        return false;
    });
    EveryTurn meddle([&] {
        if (!panel_->Devices().Busy()) {
            return false;
        }
        Choose("deviceMenu", 0);
        Choose("deviceMenu", 1);
        panel_->ShowPage(4);
        return true;
    });
    ASSERT_TRUE(panel_->StartDemo());
    EXPECT_TRUE(meddle.Done());
    EXPECT_FALSE(dialogSeen);
    EXPECT_TRUE(panel_->Devices().GetLink().state.connected);
    EXPECT_EQ(panel_->CurrentPage(), 4);
    // The listing was skipped while busy (no "No device be connected"); shown again now, it runs.
    EXPECT_TRUE(reporter_.Empty());
    panel_->ShowPage(0);
    panel_->ShowPage(4);
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MainPanelTest, AProgressWindowClosedDuringTheFetchIsLeftAlone) {
    Start();
    EveryTurn closer([&] {
        if (auto* progress = panel_->findChild<ProgressDialog*>();
            progress && progress->Position() >= 3) {
            delete progress;
            return true;
        }
        return false;
    });
    ASSERT_TRUE(panel_->StartDemo());
    EXPECT_TRUE(closer.Done());
    EXPECT_EQ(panel_->findChild<ProgressDialog*>(), nullptr);
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MainPanelTest, PortsComingBackAfterALostLinkReconnectSilently) {
    SimFaults faults;
    faults.noKeepAlive = true;
    Start(faults);
    ASSERT_TRUE(panel_->StartDemo());
    LoseLink();
    // A port appears: the next look at the port list connects again without a word.
    panel_->Devices().Ports().AddBackend(std::make_unique<test::FakeMidiBackend>(
        std::vector<std::string>{"New Cable"}, std::vector<std::string>{"New Cable"}));
    const bool reconnected =
        QTest::qWaitFor([&] { return panel_->Devices().GetLink().state.connected; },
                        static_cast<int>(MainPanel::kPortPollInterval.count()) * 2);
    EXPECT_TRUE(reconnected);
    EXPECT_EQ(reporter_.Texts(), std::vector<std::string>{kLostLink});
    EXPECT_TRUE(Child<ConnectionIndicator>("connectionIndicator")->Connected());
}

TEST_F(MainPanelTest, WidthToggleMovesTheRightHandControls) {
    Start();
    auto* toggle = Child<QPushButton>("widthToggle");
    auto* box = Child<QComboBox>("deviceBox");
    QCoreApplication::processEvents();
    const int width = panel_->width();
    const int boxX = box->mapTo(panel_.get(), QPoint()).x();

    QTest::mouseClick(toggle, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel_->width() == width - MainPanel::kWidthStep; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel_->Narrow());
    EXPECT_EQ(box->mapTo(panel_.get(), QPoint()).x(), boxX - MainPanel::kWidthStep);

    QTest::mouseClick(toggle, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel_->width() == width; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel_->Narrow());
    EXPECT_EQ(box->mapTo(panel_.get(), QPoint()).x(), boxX);
}

TEST_F(MainPanelTest, EnterAndEscapeAreSwallowed) {
    Start();
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        press.ignore();
        QApplication::sendEvent(panel_.get(), &press);
        EXPECT_TRUE(press.isAccepted()) << key;
    }
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    other.ignore();
    QApplication::sendEvent(panel_.get(), &other);
    EXPECT_FALSE(other.isAccepted());
    EXPECT_TRUE(panel_->isVisible());
}

TEST_F(MainPanelTest, ClosingClosesInputThenOutput) {
    Start();
    ASSERT_TRUE(panel_->StartDemo());
    MidiPorts& ports = panel_->Devices().Ports();
    ASSERT_EQ(ports.GetInputState(), InputState::Receiving);
    ASSERT_TRUE(ports.OutputOpen());
    panel_->close();
    EXPECT_EQ(ports.GetInputState(), InputState::Closed);
    EXPECT_FALSE(ports.OutputOpen());
    // Ports closed on purpose are no lost link.
    for (int tick = 0; tick < 5; ++tick) {
        panel_->Devices().Session().KeepAliveTick();
    }
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MainPanelTest, AboutBoxAndHelp) {
    Start();
    QString title;
    QString ok;
    EveryTurn closer([&] {
        auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return false;
        }
        title = box->windowTitle();
        ok = box->findChild<QPushButton*>(QStringLiteral("aboutOkButton"))->text();
        box->accept();
        return true;
    });
    Choose("helpMenu", 1);
    EXPECT_TRUE(closer.Done());
    EXPECT_EQ(title, "About Veltrano");
    EXPECT_EQ(ok, "OK");

    // Help opens the .html where no .chm exists, the .chm where one does.
    test::WriteFile(home_ / "Help" / "Help_En.html", "<html></html>");
    test::WriteFile(home_ / "Help" / "Help_Ch.html", "<html></html>");
    fs::remove(home_ / "Help" / "Help_En.chm");
    Choose("helpMenu", 0);
    test::WriteFile(home_ / "Help" / "Help_Ch.chm", "chm");
    Choose("languageMenu", 1);
    Choose("helpMenu", 0);
    ASSERT_EQ(urls_.urls.size(), 2);
    EXPECT_EQ(fs::path(urls_.urls[0].toLocalFile().toStdString()), home_ / "Help" / "Help_En.html");
    EXPECT_EQ(fs::path(urls_.urls[1].toLocalFile().toStdString()), home_ / "Help" / "Help_Ch.chm");
    EXPECT_TRUE(reporter_.Empty());

    fs::remove(home_ / "Help" / "Help_Ch.chm");
    fs::remove(home_ / "Help" / "Help_Ch.html");
    Choose("helpMenu", 0);
    EXPECT_EQ(urls_.urls.size(), 2);
    // Said in the chosen language, with the file that was looked for.
    EXPECT_EQ(reporter_.Texts(),
              std::vector<std::string>{"找不到帮助文件：\n" +
                                       (home_ / "Help" / "Help_Ch.html").string()});
}

TEST(InstrumentPictureTest, ClassesChooseTheirDrawing) {
    EXPECT_EQ(InstrumentPicture::PictureForClass(-1), "instrument_other.svg");
    EXPECT_EQ(InstrumentPicture::PictureForClass(0), "instrument_a.svg");
    EXPECT_EQ(InstrumentPicture::PictureForClass(3), "instrument_a.svg");
    EXPECT_EQ(InstrumentPicture::PictureForClass(4), "instrument_b.svg");
    EXPECT_EQ(InstrumentPicture::PictureForClass(7), "instrument_b.svg");
    EXPECT_EQ(InstrumentPicture::PictureForClass(8), "instrument_other.svg");
    EXPECT_EQ(InstrumentPicture::PictureForClass(255), "instrument_other.svg");
}

// Every text the panel and its dialogs look up is in both language files, in its section.
TEST_F(MainPanelTest, EveryLookedUpKeyIsInBothLanguageFiles) {
    std::set<std::pair<std::string, std::string>> lookups;
    Start({}, [&] {
        app_.language.SetLookupObserver(
            [&](std::string_view section, std::string_view key) { lookups.emplace(section, key); });
    });
    const auto everything = [&] {
        panel_->ApplyTexts();
        for (const char* menu : {"viewMenu", "deviceMenu", "languageMenu", "helpMenu"}) {
            (void)Items(menu);
        }
        EveryTurn closeDialogs([&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                qobject_cast<QDialog*>(modal)->reject();
                return true;
            }
            return false;
        });
        Choose("helpMenu", 1);
        EXPECT_TRUE(closeDialogs.Done());
        EveryTurn closeDevice([&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                qobject_cast<QDialog*>(modal)->reject();
                return true;
            }
            return false;
        });
        Choose("deviceMenu", 1);
        EXPECT_TRUE(closeDevice.Done());
    };
    everything();
    ASSERT_TRUE(panel_->StartDemo());  // the progress window
    (void)Items("deviceMenu");
    Choose("languageMenu", 1);
    everything();

    const IniFile english(home_ / "lang" / "English.ini");
    const IniFile chinese(home_ / "lang" / "Chinese.ini");
    std::set<std::string> sections;
    for (const auto& [section, key] : lookups) {
        sections.insert(section);
        EXPECT_TRUE(key.starts_with("IDS_")) << section << "/" << key;
        EXPECT_NE(english.GetString(section, key), "") << section << "/" << key;
        EXPECT_NE(chinese.GetString(section, key), "") << section << "/" << key;
    }
    // The recording saw the menus, the panel, the About box, the device and progress windows
    // (and the sections of the pages built so far).
    EXPECT_TRUE(sections.count("Menu"));
    EXPECT_TRUE(sections.count("MainPanel"));
    for (const char* key : {"IDS_OPTION_CON_DEV", "IDS_OPTION_DISCON_DEV", "IDS_CHINESE",
                            "IDS_ABOUT", "IDS_TRANSPORT"}) {
        EXPECT_TRUE(lookups.count({"Menu", key})) << key;
    }
    for (const char* key : {"IDS_DLG_About", "IDS_DLG_OK", "IDS_DLG_MIDIDEV", "IDS_DLG_LOADING",
                            "IDS_BTN_TRANSMIT", "IDS_KEYBOARD"}) {
        EXPECT_TRUE(lookups.count({"MainPanel", key})) << key;
    }
}

}  // namespace
}  // namespace veltrano

#include "MainPanelTest.moc"
