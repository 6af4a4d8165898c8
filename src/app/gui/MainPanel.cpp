#include "app/gui/MainPanel.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/OnScreenKeyboard.h"

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "app/gui/AboutBox.h"
#include "app/gui/HelpLauncher.h"
#include "app/gui/InstrumentPicture.h"
#include "app/gui/QtDeviceObserver.h"
#include "app/gui/ToolPages.h"
#include "base/Reporter.h"
#include "device/MidiDeviceChoice.h"
#include "device/gui/ConnectionIndicator.h"
#include "device/gui/MidiDeviceDialog.h"
#include "device/gui/MidiMonitor.h"
#include "device/peer/SimulatedPortBackend.h"
#include "ui/PianoKeyboard.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kMenuSection = "Menu";
constexpr const char* kPanelSection = "MainPanel";
// Page buttons are indented by four spaces.
constexpr const char* kButtonIndent = "    ";
constexpr const char* kNarrowSymbol = "\u25B6";  // points the way the panel can grow again
constexpr const char* kWideSymbol = "\u25C0";
constexpr int kDefaultWidth = 1040;
constexpr int kDefaultHeight = 660;

// The language menu offers exactly these two, whatever the settings list.
constexpr const char* kLanguageKeys[] = {"IDS_ENGLISH", "IDS_CHINESE"};

// The last position of a port name: the built-in instrument is listed after every system port.
int LastPosition(const std::vector<std::string>& names, std::string_view name) {
    for (size_t i = names.size(); i > 0; --i) {
        if (names[i - 1] == name) {
            return static_cast<int>(i - 1);
        }
    }
    return MidiDeviceChoice::kNone;
}

}  // namespace

const std::array<MainPanel::PageInfo, MainPanel::kPageCount> MainPanel::kPages = {{
    {"IDS_BTN_MIDI2STYLE", "IDS_MIDI_TO_STYLE", "pageButtonMidiToStyle"},
    {"IDS_BTN_STYLE2MIDI", "IDS_STYLE_TO_MIDI", "pageButtonStyleToMidi"},
    {"IDS_BTN_PERF_PARAMS", "IDS_EDIT_PERFORMANCE", "pageButtonPerformance"},
    {"IDS_BTN_CREATE_ARP", "IDS_CREATE_ARP", "pageButtonArpeggio"},
    {"IDS_BTN_TRANSMIT", "IDS_TRANSPORT", "pageButtonTransmit"},
}};

MainPanel::MainPanel(AppContext& app, DeviceService& devices, Reporter& reporter, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      devices_(devices),
      reporter_(reporter),
      observer_(std::make_unique<QtDeviceObserver>(*this)) {
    setObjectName(QStringLiteral("mainPanel"));
    BuildWindow();
    BuildMenus();
    devices_.SetHost(observer_.get());
    devices_.AddListener(*observer_);
}

MainPanel::~MainPanel() {
    portPoll_->stop();
    // The service outlives the window: nothing of the window may be reached through it now.
    devices_.RemoveListener(*observer_);
    devices_.SetHost(nullptr);
}

DeviceService& MainPanel::Devices() {
    return devices_;
}

ToolPage& MainPanel::Page(int index) const {
    return *page_[static_cast<size_t>(std::clamp(index, 0, kPageCount - 1))];
}

PianoKeyboard& MainPanel::Keyboard() {
    return *keyboard_;
}

void MainPanel::BuildWindow() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("panelArea"));
    setCentralWidget(central);

    // The right-hand controls: the device box, the connection indicator and the width toggle.
    deviceBox_ = new QComboBox(central);
    deviceBox_->setObjectName(QStringLiteral("deviceBox"));
    deviceBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    deviceBox_->setMinimumContentsLength(16);
    connect(deviceBox_, &QComboBox::currentIndexChanged, this, &MainPanel::DeviceBoxChanged);
    indicator_ = new ConnectionIndicator(central);
    widthToggle_ = new QPushButton(QString::fromUtf8(kWideSymbol), central);
    widthToggle_->setObjectName(QStringLiteral("widthToggle"));
    widthToggle_->setFocusPolicy(Qt::TabFocus);
    connect(widthToggle_, &QPushButton::clicked, this, &MainPanel::ToggleWidth);
    auto* header = new QHBoxLayout;
    header->addStretch(1);
    header->addWidget(deviceBox_);
    header->addWidget(indicator_);
    header->addWidget(widthToggle_);

    auto* buttonColumn = new QWidget(central);
    buttonColumn->setObjectName(QStringLiteral("pageButtons"));
    auto* buttons = new QVBoxLayout(buttonColumn);
    buttons->setContentsMargins(0, 0, 0, 0);
    pageButtons_ = new QButtonGroup(this);
    pageButtons_->setExclusive(true);
    pageArea_ = new QStackedWidget(central);
    pageArea_->setObjectName(QStringLiteral("pageArea"));
    // The keyboard widget comes before the pages: they are given it.
    keyboard_ = new PianoKeyboard(devices_.Keyboard(), central);
    keyboard_->setObjectName(QStringLiteral("pianoKeyboard"));
    const PageServices services{app_, devices_, reporter_, *this};
    for (int i = 0; i < kPageCount; ++i) {
        const PageInfo& info = kPages[static_cast<size_t>(i)];
        auto* button = new QPushButton(buttonColumn);
        button->setObjectName(QString::fromLatin1(info.objectName));
        button->setProperty("pageButton", true);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::TabFocus);
        pageButtons_->addButton(button, i);
        buttons->addWidget(button);
        pageButton_[static_cast<size_t>(i)] = button;

        ToolPage* page = CreateToolPage(i, services, pageArea_);
        pageArea_->addWidget(page);
        page_[static_cast<size_t>(i)] = page;
    }
    buttons->addStretch(1);
    // Without the instrument's storage functions there is no Transmit button; the View menu
    // still leads to the page.
    pageButton_[kTransmitPage]->setVisible(app_.transmitFunc);
    // However a button is pressed (mouse, keyboard, an assistive tool's toggle), the page
    // follows its checked state.
    connect(pageButtons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && id != CurrentPage()) {
            ShowPage(id);
        }
    });

    sideColumn_ = new QWidget(central);
    sideColumn_->setObjectName(QStringLiteral("sideColumn"));
    sideColumn_->setFixedWidth(kWidthStep);
    picture_ = new InstrumentPicture(app_, sideColumn_);
    auto* side = new QVBoxLayout(sideColumn_);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(picture_);

    auto* body = new QHBoxLayout;
    body->addWidget(buttonColumn);
    body->addWidget(pageArea_, 1);
    body->addWidget(sideColumn_);

    keyboardToggle_ = new QPushButton(central);
    keyboardToggle_->setObjectName(QStringLiteral("keyboardToggle"));
    keyboardToggle_->setCheckable(true);
    keyboardToggle_->setFocusPolicy(Qt::TabFocus);
    connect(keyboardToggle_, &QPushButton::toggled, keyboard_, &PianoKeyboard::SetKeysOn);
    SetKeyboardOn(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(keyboardToggle_, 0, Qt::AlignTop);
    bottom->addWidget(keyboard_, 1);

    auto* layout = new QVBoxLayout(central);
    layout->addLayout(header);
    layout->addLayout(body, 1);
    layout->addLayout(bottom);

    portPoll_ = new QTimer(this);
    portPoll_->setInterval(static_cast<int>(kPortPollInterval.count()));
    connect(portPoll_, &QTimer::timeout, this, &MainPanel::PollPorts);

    resize(kDefaultWidth, kDefaultHeight);
}

void MainPanel::BuildMenus() {
    auto addMenu = [this](const char* objectName, void (MainPanel::*rebuild)()) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(objectName));
        menuBar()->addMenu(menu);
        // The items are made anew each time the list opens, so they always carry the current
        // texts and the Device item follows the link state.
        connect(menu, &QMenu::aboutToShow, this, rebuild);
        return menu;
    };
    menuBar()->setObjectName(QStringLiteral("menuBar"));
    viewMenu_ = addMenu("viewMenu", &MainPanel::RebuildViewMenu);
    deviceMenu_ = addMenu("deviceMenu", &MainPanel::RebuildDeviceMenu);
    languageMenu_ = addMenu("languageMenu", &MainPanel::RebuildLanguageMenu);
    helpMenu_ = addMenu("helpMenu", &MainPanel::RebuildHelpMenu);
}

// Menu commands run queued: a command may wait for the instrument, and the menu that sent it
// may be rebuilt (its items deleted) while it waits.
void MainPanel::RebuildViewMenu() {
    viewMenu_->clear();
    for (int i = 0; i < kPageCount; ++i) {
        QAction* action = viewMenu_->addAction(
            UiText(app_.language, kMenuSection, kPages[static_cast<size_t>(i)].menuKey));
        connect(
            action, &QAction::triggered, this, [this, i] { ShowPage(i); }, Qt::QueuedConnection);
    }
    viewMenu_->addSeparator();
    QAction* monitor =
        viewMenu_->addAction(UiText(app_.language, kMenuSection, "IDS_MIDI_MONITOR"));
    monitor->setObjectName(QStringLiteral("midiMonitorAction"));
    connect(
        monitor, &QAction::triggered, this, [this] { (void)ShowMidiMonitor(); },
        Qt::QueuedConnection);
}

MidiMonitor& MainPanel::ShowMidiMonitor() {
    if (monitor_ == nullptr) {
        monitor_ = new MidiMonitor(devices_.Ports().Traffic(), app_.language, app_.config,
                                   reporter_, this);
    }
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
    return *monitor_;
}

void MainPanel::RebuildDeviceMenu() {
    deviceMenu_->clear();
    const bool connected = devices_.Connected();
    connectAction_ = deviceMenu_->addAction(UiText(
        app_.language, kMenuSection, connected ? "IDS_OPTION_DISCON_DEV" : "IDS_OPTION_CON_DEV"));
    connectAction_->setObjectName(QStringLiteral("connectAction"));
    connect(connectAction_, &QAction::triggered, this, &MainPanel::ConnectCommand,
            Qt::QueuedConnection);
    midiDeviceAction_ =
        deviceMenu_->addAction(UiText(app_.language, kMenuSection, "IDS_MIDI_DEVICE"));
    midiDeviceAction_->setObjectName(QStringLiteral("midiDeviceAction"));
    connect(midiDeviceAction_, &QAction::triggered, this, &MainPanel::MidiDeviceCommand,
            Qt::QueuedConnection);
    connectAction_->setEnabled(!Busy());
    midiDeviceAction_->setEnabled(!Busy());
}

void MainPanel::RebuildLanguageMenu() {
    languageMenu_->clear();
    for (int index = 0; index < static_cast<int>(std::size(kLanguageKeys)); ++index) {
        const int command = LanguageTable::kFirstLanguageCommand + index;
        QAction* action = languageMenu_->addAction(
            UiText(app_.language, kMenuSection, kLanguageKeys[static_cast<size_t>(index)]));
        action->setCheckable(true);
        action->setChecked(app_.language.Index() == index);
        action->setData(command);
        connect(
            action, &QAction::triggered, this, [this, command] { LanguageCommand(command); },
            Qt::QueuedConnection);
    }
}

void MainPanel::RebuildHelpMenu() {
    helpMenu_->clear();
    QAction* contents = helpMenu_->addAction(UiText(app_.language, kMenuSection, "IDS_CONTENTS"));
    contents->setObjectName(QStringLiteral("helpAction"));
    connect(contents, &QAction::triggered, this, &MainPanel::HelpCommand, Qt::QueuedConnection);
    QAction* about = helpMenu_->addAction(UiText(app_.language, kMenuSection, "IDS_ABOUT"));
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &MainPanel::AboutCommand, Qt::QueuedConnection);
}

bool MainPanel::EnableSimulatedInstrument(const SimulatedInstrumentSetup& setup) {
    if (simulated_) {
        return true;
    }
    std::string error;
    if (devices_.AddSimulatedInstrument(setup, error) == nullptr) {
        reporter_.Show(
            Icon::Error, app_.softwareName,
            app_.language.LookupText(kPanelSection, "IDS_MSG_SIM_FAILED") + "\n" + error);
        return false;
    }
    simulated_ = true;
    return true;
}

void MainPanel::Initialise() {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    ShowPage(0);
    setWindowTitle(QString::fromStdString(app_.softwareName));
    ApplyTexts();
    FillDeviceBox();
    devices_.Ports().SetBlockingSend(true);
    ShowLinkState();
    // The first look only records the ports; later looks compare with it.
    devices_.RecordPorts();
    portPoll_->start();
    // Once everything has settled, the first page is shown again (its first step), unless the
    // user has moved on meanwhile.
    QTimer::singleShot(kSettleDelay, this, [this] {
        if (CurrentPage() == 0) {
            ShowPage(0);
        }
    });
    emit Ready();
}

bool MainPanel::StartDemo() {
    if (!simulated_) {
        return false;
    }
    Link& link = devices_.GetLink();
    if (link.state.connected) {
        return true;
    }
    if (Busy()) {
        return false;
    }
    // The first Connect of a run starts with the device dialog; here its choice is made for
    // the built-in instrument.
    demoChoicePending_ = true;
    link.state.portsChosen = false;
    QPointer<MainPanel> self(this);
    ConnectCommand();
    if (!self) {
        return false;
    }
    demoChoicePending_ = false;
    return link.state.connected;
}

bool MainPanel::ShowPage(int index) {
    if (index < 0 || index >= kPageCount) {
        return false;
    }
    const int previous = CurrentPage();
    ToolPage* leaving = previous != index ? page_[static_cast<size_t>(previous)] : nullptr;
    if (leaving != nullptr && initialised_ && !leaving->MayLeave()) {
        // The page stays, and so does its button.
        const QSignalBlocker blocker(pageButtons_);
        pageButton_[static_cast<size_t>(previous)]->setChecked(true);
        return false;
    }
    // No note goes out while the pages change, and the keyboard starts off on the new page.
    OnScreenKeyboard& rules = devices_.Keyboard();
    rules.SetPageSwitching(true);
    SetKeyboardOn(false);
    if (leaving != nullptr) {
        leaving->PageHidden();
    }
    pageArea_->setCurrentIndex(index);
    {
        const QSignalBlocker blocker(pageButtons_);
        pageButton_[static_cast<size_t>(index)]->setChecked(true);
    }
    rules.SetPageSwitching(false);
    keyboard_->update();
    page_[static_cast<size_t>(index)]->PageShown();
    if (index == kTransmitPage) {
        ListUserFolderOnce();
    }
    return true;
}

int MainPanel::CurrentPage() const {
    return pageArea_->currentIndex();
}

void MainPanel::SetKeyboardOn(bool on) {
    const QSignalBlocker blocker(keyboardToggle_);
    keyboardToggle_->setChecked(on);
    keyboard_->SetKeysOn(on);
}

void MainPanel::BringToFront() {
    if (isMinimized()) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    show();
    raise();
    activateWindow();
}

void MainPanel::ApplyTexts() {
    const LanguageTable& language = app_.language;
    viewMenu_->setTitle(UiText(language, kMenuSection, "IDS_VIEW"));
    deviceMenu_->setTitle(UiText(language, kMenuSection, "IDS_DEVICE"));
    languageMenu_->setTitle(UiText(language, kMenuSection, "IDS_LANGUAGE"));
    QString help = UiText(language, kMenuSection, "IDS_HELP");
    if (help.compare(QStringLiteral("Help"), Qt::CaseInsensitive) == 0) {
        help += QStringLiteral("  ");
    }
    helpMenu_->setTitle(help);
    if (monitor_ != nullptr) {
        monitor_->ApplyTexts();
    }

    for (int i = 0; i < kPageCount; ++i) {
        pageButton_[static_cast<size_t>(i)]->setText(
            QString::fromLatin1(kButtonIndent) +
            UiText(language, kPanelSection, kPages[static_cast<size_t>(i)].buttonKey));
        page_[static_cast<size_t>(i)]->ApplyTexts();
        // The page buttons are named by their caption, without the indent.
        pageButton_[static_cast<size_t>(i)]->setAccessibleName(
            UiText(language, kPanelSection, kPages[static_cast<size_t>(i)].buttonKey));
    }
    keyboardToggle_->setText(UiText(language, kPanelSection, "IDS_KEYBOARD"));
    widthToggle_->setToolTip(UiText(language, kPanelSection, "IDS_PANEL_WIDTH"));
    widthToggle_->setAccessibleName(widthToggle_->toolTip());
    observer_->ApplyTexts();

    app_.profile.ReadDeviceId();
}

bool MainPanel::Busy() const {
    return devices_.Busy();
}

void MainPanel::BusyChanged(bool busy) {
    deviceBox_->setEnabled(!busy);
    if (connectAction_ != nullptr) {
        connectAction_->setEnabled(!busy);
        midiDeviceAction_->setEnabled(!busy);
    }
    for (ToolPage* page : page_) {
        page->BusyChanged(busy);
    }
    // The first listing of "USER" waits for the link to be free.
    if (!busy && CurrentPage() == kTransmitPage && isVisible()) {
        QTimer::singleShot(0, this, [this] {
            if (CurrentPage() == kTransmitPage) {
                ListUserFolderOnce();
            }
        });
    }
}

void MainPanel::ConnectCommand() {
    if (Busy()) {
        return;
    }
    QPointer<MainPanel> self(this);
    const bool waitCursor = devices_.GetLink().state.portsChosen;
    if (waitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    devices_.Session().ConnectCommand();
    if (waitCursor) {
        QApplication::restoreOverrideCursor();
    }
    if (self) {
        ShowLinkState();
    }
}

void MainPanel::MidiDeviceCommand() {
    if (Busy()) {
        return;
    }
    // The Connect command starts with the device dialog while no ports are chosen; that is
    // this command. When the dialog is cancelled, the ports chosen before stay chosen.
    Link& link = devices_.GetLink();
    const bool portsChosen = link.state.portsChosen;
    deviceDialogAccepted_ = false;
    link.state.portsChosen = false;
    QPointer<MainPanel> self(this);
    devices_.Session().ConnectCommand();
    if (!self) {
        return;
    }
    if (!deviceDialogAccepted_) {
        link.state.portsChosen = portsChosen;
    }
    ShowLinkState();
}

void MainPanel::LanguageCommand(int commandId) {
    const int index = LanguageTable::LanguageOfCommand(commandId);
    if (index < 0) {
        return;
    }
    app_.language.SelectLanguage(index, app_.config);
    ApplyTexts();
}

void MainPanel::HelpCommand() {
    (void)OpenHelp(app_.programFolder, app_.language, reporter_);
}

void MainPanel::AboutCommand() {
    QPointer<AboutBox> box = new AboutBox(app_, this);
    box->exec();
    delete box.data();
}

bool MainPanel::Narrow() const {
    return sideColumn_->isHidden();
}

void MainPanel::ToggleWidth() {
    const bool narrow = !Narrow();
    sideColumn_->setVisible(!narrow);
    widthToggle_->setText(QString::fromUtf8(narrow ? kNarrowSymbol : kWideSymbol));
    // The layouts must know the new minimum before the window may shrink to it.
    centralWidget()->layout()->activate();
    layout()->activate();
    resize(width() + (narrow ? -kWidthStep : kWidthStep), height());
}

void MainPanel::DeviceBoxChanged(int index) {
    if (index < 0 || Busy()) {
        return;
    }
    QPointer<MainPanel> self(this);
    devices_.Session().RefreshDevice();
    if (self) {
        ShowLinkState();
    }
}

void MainPanel::PollPorts() {
    if (deviceDialogOpen_) {
        return;
    }
    QPointer<MainPanel> self(this);
    devices_.PollPorts();
    if (self) {
        ShowLinkState();
    }
}

void MainPanel::ListUserFolderOnce() {
    if (userFolderListed_ || Busy() || devices_.ShutDown()) {
        return;
    }
    QPointer<MainPanel> self(this);
    const bool listed = devices_.Files().QueryFiles(DeviceListing::kDefaultFolder);
    if (self && listed) {
        userFolderListed_ = true;
    }
}

void MainPanel::ShowDeviceName(const std::string& name) {
    if (!name.empty()) {
        const QSignalBlocker blocker(deviceBox_);
        deviceBox_->clear();
        deviceBox_->addItem(QString::fromStdString(name));
        deviceBox_->setCurrentIndex(0);
    }
    ShowLinkState();
}

void MainPanel::FillDeviceBox() {
    const QSignalBlocker blocker(deviceBox_);
    deviceBox_->clear();
    for (const std::string& name : app_.deviceList) {
        const QString text = QString::fromStdString(name);
        if (!name.empty() && deviceBox_->findText(text, Qt::MatchExactly) < 0) {
            deviceBox_->addItem(text);
        }
    }
    if (deviceBox_->count() > 0) {
        deviceBox_->setCurrentIndex(0);
    }
}

void MainPanel::DeviceChanged() {
    // The picture is chosen by the device class at its next repaint.
    picture_->update();
    keyboard_->update();
}

void MainPanel::RefreshPagesForDevice() {
    DeviceChanged();
    for (ToolPage* page : page_) {
        page->RefreshForDevice();
    }
}

void MainPanel::DeviceSwitched() {
    DeviceChanged();
    for (ToolPage* page : page_) {
        page->DeviceSwitched();
    }
}

bool MainPanel::RunMidiDeviceDialog() {
    deviceDialogAccepted_ = false;
    MidiPorts& ports = devices_.Ports();
    if (demoChoicePending_) {
        demoChoicePending_ = false;
        ports.ListPorts();
        const std::string_view name = SimulatedPortBackend::kPortName;
        const int input = LastPosition(ports.InputNames(), name);
        const int output = LastPosition(ports.OutputNames(), name);
        if (input == MidiDeviceChoice::kNone || output == MidiDeviceChoice::kNone) {
            return false;
        }
        MidiDeviceChoice(ports, app_.config, reporter_).Confirm(input, output);
        deviceDialogAccepted_ = true;
        return true;
    }
    QPointer<MidiDeviceDialog> dialog =
        new MidiDeviceDialog(ports, app_.config, reporter_, app_.language, this);
    deviceDialogOpen_ = true;
    const int result = dialog->exec();
    deviceDialogOpen_ = false;
    delete dialog.data();
    deviceDialogAccepted_ = result == QDialog::Accepted;
    return deviceDialogAccepted_;
}

std::string MainPanel::SelectedDeviceName() const {
    return deviceBox_->currentText().toStdString();
}

bool MainPanel::PerformanceEditorShown() const {
    return isVisible() && CurrentPage() == 2;
}

void MainPanel::ShowLinkState() {
    const bool connected = devices_.Connected();
    if (connected && !linkShownUp_) {
        // Ports that came or went while connected are no reason to connect again after a
        // disconnect: the polling compares with the ports as they are now.
        devices_.RecordPorts();
    }
    linkShownUp_ = connected;
    indicator_->SetConnected(connected);
    picture_->update();
}

void MainPanel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // They must not close or trigger anything on the panel.
            event->accept();
            return;
        default:
            QMainWindow::keyPressEvent(event);
    }
}

void MainPanel::closeEvent(QCloseEvent* event) {
    if (!devices_.ShutDown()) {
        // Unsaved work is asked about first; a page may keep the window open.
        for (ToolPage* page : page_) {
            if (!page->MayClose()) {
                event->ignore();
                return;
            }
        }
    }
    portPoll_->stop();
    Page(CurrentPage()).PageHidden();
    // An exchange that waits is stopped first (a transfer as Stop does), then the ports close;
    // the keep-alive does not report the closed ports as a lost link.
    devices_.Shutdown();
    QMainWindow::closeEvent(event);
}

}  // namespace veltrano
