#pragma once

#include <QMainWindow>
#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "transfer/DeviceListing.h"
#include "transfer/Transfers.h"

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
class DeviceStack;
class InstrumentPicture;
class OnScreenKeyboard;
class PagePlaceholder;
class PianoKeyboard;
class PortWatcher;
class QtDeviceObserver;
class QtEventLoop;
class Reporter;

// The program's main window: the menu bar, the device box, the page buttons and the page area
// with one of the five tool pages, the on-screen keyboard, the connection indicator and the
// instrument picture. It owns the link with the instrument and routes every command; the
// rules themselves live in the core.
class MainPanel : public QMainWindow {
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

    MainPanel(AppContext& app, QtEventLoop& loop, Reporter& reporter, QWidget* parent = nullptr);
    ~MainPanel() override;

    DeviceStack& Devices();
    // Before Initialise: adds the built-in simulated instrument's port pair after the system
    // ports. False, with the reason shown, when its storage cannot be used.
    bool EnableSimulatedInstrument(const SimulatedInstrumentSetup& setup);
    // Builds the pages, shows the first, applies the texts, fills the device box and switches
    // long messages to blocking; emits Ready() at its end.
    void Initialise();
    // Chooses the simulated instrument as the device dialog's OK would and runs the Connect
    // command. True when connected afterwards.
    bool StartDemo();
    // 0…4; anything else is ignored.
    void ShowPage(int index);
    int CurrentPage() const;
    // A second start asked for us: restore when minimised, raise, activate.
    void BringToFront();
    void ApplyTexts();
    PianoKeyboard& Keyboard();
    // The keyboard toggle, as the editors set it; off releases every key.
    void SetKeyboardOn(bool on);
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
    // Menu commands.
    void ConnectCommand();
    void MidiDeviceCommand();
    void LanguageCommand(int commandId);
    void HelpCommand();
    void AboutCommand();
    void ToggleWidth();
    void DeviceBoxChanged(int index);
    void PollPorts();
    void ListUserFolderOnce();

    // What the connection asks of the window (through QtDeviceObserver).
    void ShowDeviceName(const std::string& name);
    void FillDeviceBox();
    void DeviceChanged();
    bool RunMidiDeviceDialog();
    [[nodiscard]] std::string SelectedDeviceName() const;
    [[nodiscard]] bool PerformanceEditorShown() const;
    // The indicator and the picture follow the link state.
    void ShowLinkState();

    AppContext& app_;
    Reporter& reporter_;
    std::unique_ptr<QtDeviceObserver> observer_;
    std::unique_ptr<DeviceStack> devices_;
    std::unique_ptr<OnScreenKeyboard> keyboardRules_;
    std::unique_ptr<PortWatcher> portWatcher_;
    DeviceListing listing_;
    TransferObserver transferObserver_;
    std::unique_ptr<Transfers> transfers_;

    QMenu* viewMenu_ = nullptr;
    QMenu* deviceMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QComboBox* deviceBox_ = nullptr;
    ConnectionIndicator* indicator_ = nullptr;
    QPushButton* widthToggle_ = nullptr;
    QButtonGroup* pageButtons_ = nullptr;
    std::array<QPushButton*, kPageCount> pageButton_{};
    std::array<PagePlaceholder*, kPageCount> page_{};
    QStackedWidget* pageArea_ = nullptr;
    QWidget* sideColumn_ = nullptr;
    InstrumentPicture* picture_ = nullptr;
    QPushButton* keyboardToggle_ = nullptr;
    PianoKeyboard* keyboard_ = nullptr;
    QTimer* portPoll_ = nullptr;

    bool initialised_ = false;
    bool simulated_ = false;
    bool demoChoicePending_ = false;
    bool deviceDialogOpen_ = false;
    bool deviceDialogAccepted_ = false;
    bool userFolderListed_ = false;
    bool linkShownUp_ = false;
};

}  // namespace veltrano
