#pragma once

#include <QMainWindow>
#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "ui/ToolPage.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTimer;

namespace veltrano {

struct AppContext;
struct SimulatedInstrumentSetup;
class ConnectionIndicator;
class DeviceService;
class InstrumentPicture;
class MidiMonitor;
class PianoKeyboard;
class QtDeviceObserver;
class Reporter;

// The program's main window: the menu bar, the device box, the page buttons and the page area
// with one of the five tool pages, the on-screen keyboard, the connection indicator and the
// instrument picture. It hosts the pages and routes every command to the device service and
// the pages; it owns no device object, and the rules themselves live in the core.
class MainPanel : public QMainWindow, public KeyboardHost {
    Q_OBJECT

public:
    static constexpr int kPageCount = 5;
    static constexpr int kTransmitPage = 4;
    // The width toggle narrows and widens the panel by this much.
    static constexpr int kWidthStep = 149;
    // Linux gives a program like this no notice of MIDI devices coming and going, so the port
    // list is looked at this often while not connected.
    static constexpr std::chrono::milliseconds kPortPollInterval{2000};
    // After start-up the first page is shown once more, when everything has settled.
    static constexpr std::chrono::milliseconds kSettleDelay{500};

    MainPanel(AppContext& app, DeviceService& devices, Reporter& reporter,
              QWidget* parent = nullptr);
    ~MainPanel() override;

    DeviceService& Devices();
    // Before Initialise: adds the built-in simulated instrument's port pair after the system
    // ports. False, with the reason shown, when its storage cannot be used.
    bool EnableSimulatedInstrument(const SimulatedInstrumentSetup& setup);
    // Builds the pages, shows the first, applies the texts, fills the device box and switches
    // long messages to blocking; emits Ready() at its end.
    void Initialise();
    // Chooses the simulated instrument as the device dialog's OK would and runs the Connect
    // command. True when connected afterwards.
    bool StartDemo();
    // 0…4; anything else is ignored. The visible page is asked first whether it may be left;
    // false when it stays.
    bool ShowPage(int index);
    int CurrentPage() const;
    [[nodiscard]] ToolPage& Page(int index) const;
    // A second start asked for us: restore when minimised, raise, activate.
    void BringToFront();
    void ApplyTexts();
    // View > MIDI Monitor: the monitor window, made the first time it is asked for.
    MidiMonitor& ShowMidiMonitor();
    PianoKeyboard& Keyboard();
    // KeyboardHost: the keyboard toggle, as the editors set it (off releases every key), and
    // the keys.
    void SetKeyboardOn(bool on) override;
    PianoKeyboard& Keys() override { return Keyboard(); }
    [[nodiscard]] bool Narrow() const;

signals:
    void Ready();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class QtDeviceObserver;

    struct PageInfo {
        const char* buttonKey;  // section "MainPanel"
        const char* menuKey;    // section "Menu"
        const char* objectName;
    };
    static const std::array<PageInfo, kPageCount> kPages;

    void BuildWindow();
    void BuildMenus();
    void RebuildViewMenu();
    void RebuildDeviceMenu();
    void RebuildLanguageMenu();
    void RebuildHelpMenu();

    [[nodiscard]] bool Busy() const;
    // An exchange began or ended: the commands that start one follow, and the pages hear it.
    void BusyChanged(bool busy);
    // Menu commands.
    void ConnectCommand();
    void MidiDeviceCommand();
    void LanguageCommand(int commandId);
    void HelpCommand();
    void AboutCommand();
    void ToggleWidth();
    void DeviceBoxChanged(int index);
    void PollPorts();
    // The first time the Transmit page is shown in a run (and idle), "USER" is listed.
    void ListUserFolderOnce();

    // What the connection asks of the window (through QtDeviceObserver).
    void ShowDeviceName(const std::string& name);
    void FillDeviceBox();
    void DeviceChanged();
    // The pages show the device again (catalogues re-read), or load the new device's data.
    void RefreshPagesForDevice();
    void DeviceSwitched();
    bool RunMidiDeviceDialog();
    [[nodiscard]] std::string SelectedDeviceName() const;
    [[nodiscard]] bool PerformanceEditorShown() const;
    // The indicator and the picture follow the link state.
    void ShowLinkState();

    AppContext& app_;
    DeviceService& devices_;
    Reporter& reporter_;
    std::unique_ptr<QtDeviceObserver> observer_;

    QMenu* viewMenu_ = nullptr;
    QMenu* deviceMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QComboBox* deviceBox_ = nullptr;
    ConnectionIndicator* indicator_ = nullptr;
    QPushButton* widthToggle_ = nullptr;
    QButtonGroup* pageButtons_ = nullptr;
    std::array<QPushButton*, kPageCount> pageButton_{};
    std::array<ToolPage*, kPageCount> page_{};
    QStackedWidget* pageArea_ = nullptr;
    QWidget* sideColumn_ = nullptr;
    InstrumentPicture* picture_ = nullptr;
    QPushButton* keyboardToggle_ = nullptr;
    PianoKeyboard* keyboard_ = nullptr;
    QTimer* portPoll_ = nullptr;
    QAction* connectAction_ = nullptr;  // of the Device menu while it is open
    QAction* midiDeviceAction_ = nullptr;
    MidiMonitor* monitor_ = nullptr;

    bool initialised_ = false;
    bool simulated_ = false;
    bool demoChoicePending_ = false;
    bool deviceDialogOpen_ = false;
    bool deviceDialogAccepted_ = false;
    bool userFolderListed_ = false;
    bool linkShownUp_ = false;
};

}  // namespace veltrano
