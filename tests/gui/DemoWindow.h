#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "app/gui/MainPanel.h"
#include "base/Reporter.h"
#include "device/peer/SimFaults.h"
#include "support/TempDir.h"
#include "ui/QtEventLoop.h"

namespace veltrano::test {

// The main window as the program starts it, in a program folder of its own (a copy of the
// bundled resources), on the built-in simulated instrument whose storage is a folder of its
// own. Messages and questions go to a recording reporter, whose answers a test scripts.
class DemoWindow {
public:
    struct Options {
        bool connect = true;  // connect to the simulated instrument as --demo does
        SimFaults faults;
        bool transmitFunc = true;
    };
    DemoWindow();
    explicit DemoWindow(Options options);
    ~DemoWindow();
    DemoWindow(const DemoWindow&) = delete;
    DemoWindow& operator=(const DemoWindow&) = delete;

    [[nodiscard]] MainPanel& Panel() { return *panel_; }
    [[nodiscard]] DeviceService& Devices() { return *devices_; }
    [[nodiscard]] AppContext& App() { return app_; }
    [[nodiscard]] RecordingReporter& Reporter() { return reporter_; }
    // The program folder.
    [[nodiscard]] const std::filesystem::path& Home() const { return home_.Path(); }
    // The instrument's storage: "USER\STYLE" is Storage()/USER/STYLE.
    [[nodiscard]] const std::filesystem::path& Storage() const { return storage_.Path(); }
    // A folder for the test's own local files.
    [[nodiscard]] const std::filesystem::path& Local() const { return local_.Path(); }

    // The page at `index` shown, as by its button.
    ToolPage& ShowPage(int index);
    // The one child of the window with that object name (fails the test when there is none
    // or several).
    template <typename T>
    T* Find(const char* objectName) {
        const auto found = panel_->findChildren<T*>(QString::fromLatin1(objectName));
        EXPECT_EQ(found.size(), 1) << objectName;
        return found.isEmpty() ? nullptr : found.front();
    }

private:
    TempDir home_;
    TempDir storage_;
    TempDir local_;
    AppContext app_;
    QtEventLoop loop_;
    RecordingReporter reporter_;
    std::unique_ptr<DeviceService> devices_;
    std::unique_ptr<MainPanel> panel_;
};

// Runs `step` on every turn of the event loop (nested waits included) until it returns true.
class EveryTurn {
public:
    explicit EveryTurn(std::function<bool()> step);
    [[nodiscard]] bool Done() const { return done_; }

private:
    std::function<bool()> step_;
    QTimer timer_;
    bool done_ = false;
};

// The next file dialog that opens is answered as a person would: `path` typed into its name
// field and Enter pressed (an empty path presses Escape instead). Call before the action that
// opens the dialog; fails the test when no dialog opened within `waitMs`.
class FileDialogAnswer {
public:
    explicit FileDialogAnswer(QString path, int waitMs = 5000);
    ~FileDialogAnswer();
    [[nodiscard]] bool Answered() const { return answered_; }
    // The caption the dialog had.
    [[nodiscard]] const QString& Caption() const { return caption_; }
    [[nodiscard]] const QString& Filter() const { return filter_; }
    [[nodiscard]] const QString& StartFolder() const { return folder_; }

private:
    void Poll();

    QString path_;
    int waitMs_;
    int waited_ = 0;
    bool answered_ = false;
    QString caption_;
    QString filter_;
    QString folder_;
    std::unique_ptr<QObject> timerOwner_;
};

}  // namespace veltrano::test
