// The main window while the instrument is busy: commands that would start a second exchange
// are off, and closing the window during a transfer stops it before the ports close.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "DemoWindow.h"
#include "base/FileIo.h"
#include "device/peer/SimulatedPortBackend.h"
#include "support/TempDir.h"
#include "support/TransferRig.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DemoWindow;
using test::EveryTurn;

constexpr size_t kLongFile = 256 * 1024;

// Counts the progress of transfers.
class ProgressCount : public DeviceListener {
public:
    void Progress(uint64_t done, uint64_t total) override {
        (void)done, (void)total;
        ++calls;
    }
    int calls = 0;
};

SimulatedInstrument& Instrument(DemoWindow& w) {
    return w.Devices().Simulated()->Instrument();
}

// Closes the window once a transfer has made some progress.
std::unique_ptr<EveryTurn> CloseDuringTheTransfer(DemoWindow& w, ProgressCount& progress,
                                                  bool& closed) {
    return std::make_unique<EveryTurn>([&w, &progress, &closed] {
        if (!w.Devices().Files().Running() || progress.calls < 3) {
            return false;
        }
        closed = true;
        w.Panel().close();
        return true;
    });
}

void ExpectClosedCleanly(DemoWindow& w) {
    EXPECT_FALSE(w.Devices().Files().Running());
    EXPECT_FALSE(w.Devices().Busy());
    EXPECT_FALSE(w.Devices().GetLink().state.abort);
    // The instrument heard the stop (once the cable has carried it): it waits for nothing more.
    QTest::qWait(100);
    EXPECT_EQ(Instrument(w).CurrentExchange(), SimulatedInstrument::Exchange::None);
    EXPECT_EQ(w.Devices().Ports().GetInputState(), InputState::Closed);
    EXPECT_FALSE(w.Devices().Ports().OutputOpen());
    EXPECT_TRUE(w.Reporter().Empty()) << w.Reporter().Texts().front();
    EXPECT_FALSE(w.Panel().isVisible());
}

TEST(WindowSafety, ClosingDuringADownloadStopsItFirst) {
    DemoWindow w;
    const fs::path local = w.Local() / "LONG.STY";
    ASSERT_TRUE(WriteFileAtomic(local, test::PatternBytes(kLongFile, 3)));
    ASSERT_TRUE(w.Devices().Files().QueryFiles("USER"));
    ProgressCount progress;
    ListenerScope scope(w.Devices(), progress);
    bool closed = false;
    const auto closer = CloseDuringTheTransfer(w, progress, closed);

    EXPECT_FALSE(w.Devices().Files().DownloadFile(local));
    EXPECT_TRUE(closed);
    ExpectClosedCleanly(w);
    EXPECT_FALSE(fs::exists(w.Storage() / "USER" / "LONG.STY"));
    EXPECT_EQ(Instrument(w).Counters().filesWritten, 0u);
}

TEST(WindowSafety, ClosingDuringAnUploadStopsItFirst) {
    DemoWindow w;
    fs::create_directories(w.Storage() / "USER");
    ASSERT_TRUE(
        WriteFileAtomic(w.Storage() / "USER" / "LONG.STY", test::PatternBytes(kLongFile, 4)));
    ASSERT_TRUE(w.Devices().Files().QueryFiles("USER"));
    ProgressCount progress;
    ListenerScope scope(w.Devices(), progress);
    bool closed = false;
    const auto closer = CloseDuringTheTransfer(w, progress, closed);

    EXPECT_FALSE(w.Devices().Files().UploadFile("LONG.STY", kLongFile, w.Local()));
    EXPECT_TRUE(closed);
    ExpectClosedCleanly(w);
    EXPECT_TRUE(fs::is_empty(w.Local()));  // neither the file nor a part of it
}

TEST(WindowSafety, CommandsThatStartAnExchangeAreOffWhileOneRuns) {
    DemoWindow::Options options;
    options.connect = false;
    DemoWindow w(options);
    auto* box = w.Find<QComboBox>("deviceBox");
    auto* menu = w.Find<QMenu>("deviceMenu");
    ASSERT_TRUE(box && menu);
    // The device menu as it is when opened: its Connect and MIDI Device commands.
    auto commandsOn = [&] {
        emit menu->aboutToShow();
        bool on = !menu->actions().isEmpty();
        for (QAction* action : menu->actions()) {
            on = on && action->isEnabled();
        }
        return on;
    };
    auto commandsOff = [&] {
        emit menu->aboutToShow();
        bool off = !menu->actions().isEmpty();
        for (QAction* action : menu->actions()) {
            off = off && !action->isEnabled();
        }
        return off;
    };
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(commandsOn());

    int busyTurns = 0;
    bool allOff = true;
    EveryTurn watch([&] {
        if (w.Devices().Busy()) {
            ++busyTurns;
            allOff = allOff && !box->isEnabled() && commandsOff();
        }
        return false;
    });
    ASSERT_TRUE(w.Panel().StartDemo());
    EXPECT_GT(busyTurns, 0);
    EXPECT_TRUE(allOff);
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(commandsOn());
}

TEST(WindowSafety, PageButtonsSwitchByKeyboardAndByAccessibleActions) {
    DemoWindow w;
    const char* const buttons[] = {"pageButtonMidiToStyle", "pageButtonStyleToMidi",
                                   "pageButtonPerformance", "pageButtonArpeggio",
                                   "pageButtonTransmit"};
    auto expectPage = [&](int page, const char* how) {
        EXPECT_EQ(w.Panel().CurrentPage(), page) << how;
        for (int other = 0; other < 5; ++other) {
            EXPECT_EQ(w.Find<QPushButton>(buttons[other])->isChecked(), other == page)
                << how << " " << other;
        }
    };

    auto* performance = w.Find<QPushButton>(buttons[2]);
    EXPECT_FALSE(performance->accessibleName().isEmpty());
    performance->setFocus();
    QTest::keyClick(performance, Qt::Key_Space);
    expectPage(2, "space");

    for (const QString& action :
         {QAccessibleActionInterface::toggleAction(), QAccessibleActionInterface::pressAction()}) {
        for (int page : {3, 1}) {
            QAccessibleInterface* accessible =
                QAccessible::queryAccessibleInterface(w.Find<QPushButton>(buttons[page]));
            ASSERT_NE(accessible, nullptr);
            ASSERT_NE(accessible->actionInterface(), nullptr);
            accessible->actionInterface()->doAction(action);
            // A press clicks after the button's animation.
            (void)QTest::qWaitFor([&] { return w.Panel().CurrentPage() == page; }, 2000);
            expectPage(page, action.toStdString().c_str());
        }
    }
    // Toggling the checked button off leaves its page shown and its button checked.
    w.Find<QPushButton>(buttons[1])->toggle();
    QCoreApplication::processEvents();
    expectPage(1, "toggled off");
}

}  // namespace
}  // namespace veltrano
