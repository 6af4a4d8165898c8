// The MIDI monitor window on the demo instrument: a whole connect, a download and an upload
// decoded as they pass, short messages and their switch, the raw bytes, pause, copy and save.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>

#include "DemoWindow.h"
#include "base/FileIo.h"
#include "device/gui/MidiMonitor.h"
#include "support/TempDir.h"
#include "support/TransferRig.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DemoWindow;
using Column = MonitorTableModel::Column;

struct ShownRow {
    QString direction;
    QString command;
    QString fields;
    QString checksum;
};

DemoWindow::Options Unconnected() {
    DemoWindow::Options options;
    options.connect = false;
    return options;
}

class MidiMonitorWindowTest : public ::testing::Test {
protected:
    // View > MIDI Monitor, as the menu offers it.
    MidiMonitor* OpenFromTheViewMenu() {
        auto* menu = window_.Find<QMenu>("viewMenu");
        if (menu == nullptr) {
            return nullptr;
        }
        emit menu->aboutToShow();
        QAction* action = nullptr;
        for (QAction* candidate : menu->actions()) {
            if (candidate->objectName() == QStringLiteral("midiMonitorAction")) {
                action = candidate;
            }
        }
        EXPECT_NE(action, nullptr);
        if (action == nullptr) {
            return nullptr;
        }
        EXPECT_EQ(action->text(), QStringLiteral("MIDI Monitor"));
        action->trigger();
        QApplication::processEvents();  // the menu's commands run queued
        return window_.Find<MidiMonitor>("midiMonitor");
    }

    // What the table shows, after the batch timer had its turn.
    std::vector<ShownRow> Shown() {
        QTest::qWait(2 * static_cast<int>(MidiMonitor::kBatchInterval.count()) + 20);
        std::vector<ShownRow> rows;
        QAbstractItemModel* model = table_->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            auto text = [&](int column) { return model->index(r, column).data().toString(); };
            rows.push_back({text(Column::kDirection), text(Column::kCommand), text(Column::kFields),
                            text(Column::kChecksum)});
        }
        return rows;
    }

    static int Find(const std::vector<ShownRow>& rows, const QString& direction,
                    const QString& command, const QString& fields, int from = 0) {
        for (int i = from; i < static_cast<int>(rows.size()); ++i) {
            const ShownRow& row = rows[static_cast<size_t>(i)];
            if (row.direction == direction && row.command == command &&
                row.fields.contains(fields)) {
                return i;
            }
        }
        return -1;
    }

    void Click(const char* name) {
        auto* button = window_.Find<QPushButton>(name);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    MidiTrafficLog& Log() { return window_.Devices().Ports().Traffic(); }

    DemoWindow window_{Unconnected()};
    MidiMonitor* monitor_ = nullptr;
    QTableView* table_ = nullptr;

    void SetUp() override {
        monitor_ = OpenFromTheViewMenu();
        ASSERT_NE(monitor_, nullptr);
        ASSERT_TRUE(monitor_->isVisible());
        table_ = window_.Find<QTableView>("monitorTable");
        ASSERT_NE(table_, nullptr);
    }
};

TEST_F(MidiMonitorWindowTest, AWholeConnectAndTransferDecoded) {
    const QString out = QStringLiteral("out");
    const QString in = QStringLiteral("in");
    ASSERT_TRUE(window_.Panel().StartDemo());
    std::vector<ShownRow> rows = Shown();
    const int connect = Find(rows, out, "CMD_CONNECTION", "request=0 (connect)");
    ASSERT_GE(connect, 0);
    const int identity = Find(rows, in, "CMD_CONNECTION", "status=0 product=\"", connect);
    ASSERT_GT(identity, connect);
    EXPECT_EQ(rows[static_cast<size_t>(identity)].checksum, QStringLiteral("good"));

    // A download of 1500 bytes: the header, two packets and the instrument's statuses.
    const fs::path local = window_.Local() / "MON.STY";
    ASSERT_TRUE(WriteFileAtomic(local, test::PatternBytes(1500, 7)));
    ASSERT_TRUE(window_.Devices().Files().QueryFiles("USER"));
    ASSERT_TRUE(window_.Devices().Files().DownloadFile(local));
    rows = Shown();
    const int header = Find(rows, out, "CMD_DOWNLOAD", "name=\"MON.STY\" size=1500 count=2");
    ASSERT_GE(header, 0);
    const int first = Find(rows, out, "CMD_DOWNLOAD", "packet=1 length=1024", header);
    const int second = Find(rows, out, "CMD_DOWNLOAD", "packet=2 length=476", first);
    EXPECT_GT(first, header);
    EXPECT_GT(second, first);
    EXPECT_GT(Find(rows, in, "CMD_DOWNLOAD", "status=0", second), second);

    // And back: six blocks of 256 bytes, the last one short.
    const fs::path back = window_.Local() / "back";
    fs::create_directories(back);
    ASSERT_TRUE(window_.Devices().Files().UploadFile("MON.STY", 1500, back));
    rows = Shown();
    const int request = Find(rows, out, "CMD_UPLOAD", "name=\"MON.STY\" size=1500 count=6");
    ASSERT_GE(request, 0);
    int at = request;
    for (int block = 0; block < 6; ++block) {
        const QString fields =
            QStringLiteral("block=%1 length=%2").arg(block).arg(block < 5 ? 256 : 1500 - 5 * 256);
        const int found = Find(rows, in, "CMD_UPLOAD", fields, at);
        ASSERT_GT(found, at) << fields.toStdString();
        EXPECT_EQ(rows[static_cast<size_t>(found)].checksum, QStringLiteral("good"));
        at = found;
    }
    EXPECT_EQ(ReadFileBytes(back / "MON.STY"), test::PatternBytes(1500, 7));
}

TEST_F(MidiMonitorWindowTest, ShortMessagesAndTheirSwitch) {
    ASSERT_TRUE(window_.Panel().StartDemo());
    ASSERT_TRUE(window_.Devices().Ports().SendShort(0x643C90));
    ASSERT_TRUE(window_.Devices().Ports().SendProgramChange(2, 5));
    std::vector<ShownRow> rows = Shown();
    const int note = Find(rows, "out", "Note on", "channel=1 key=60 velocity=100");
    ASSERT_GE(note, 0);
    EXPECT_EQ(rows[static_cast<size_t>(note)].checksum, QString());
    EXPECT_GE(Find(rows, "out", "Program change", "channel=3 program=5"), 0);

    auto* hide = window_.Find<QCheckBox>("monitorHideShortSwitch");
    ASSERT_NE(hide, nullptr);
    hide->click();
    rows = Shown();
    ASSERT_FALSE(rows.empty());
    for (const ShownRow& row : rows) {
        EXPECT_TRUE(row.command.startsWith(QStringLiteral("CMD_"))) << row.command.toStdString();
    }
    hide->click();
    EXPECT_GE(Find(Shown(), "out", "Note on", "channel=1 key=60 velocity=100"), 0);
}

TEST_F(MidiMonitorWindowTest, RawBytesPauseCopyAndSave) {
    ASSERT_TRUE(window_.Panel().StartDemo());
    std::vector<ShownRow> rows = Shown();
    const int connect = Find(rows, "out", "CMD_CONNECTION", "request=0 (connect)");
    ASSERT_GE(connect, 0);

    // The raw column is there only when asked for, and holds the frame's bytes.
    EXPECT_TRUE(table_->isColumnHidden(Column::kRaw));
    window_.Find<QCheckBox>("monitorRawSwitch")->click();
    EXPECT_FALSE(table_->isColumnHidden(Column::kRaw));
    EXPECT_EQ(table_->model()->index(connect, Column::kRaw).data().toString(),
              QStringLiteral("f0 00 20 2b 55 52 53 57 00 00 00 01 1c 00 01 f7"));

    // Paused: nothing is recorded, so nothing new is shown.
    Click("monitorPause");
    EXPECT_TRUE(monitor_->Paused());
    EXPECT_FALSE(Log().Recording());
    ASSERT_TRUE(window_.Devices().Ports().SendShort(0x643C90));
    EXPECT_LT(Find(Shown(), "out", "Note on", ""), 0);
    Click("monitorPause");
    EXPECT_TRUE(Log().Recording());
    ASSERT_TRUE(window_.Devices().Ports().SendShort(0x003C80));
    rows = Shown();
    EXPECT_GE(Find(rows, "out", "Note off", "channel=1 key=60 velocity=0"), 0);
    EXPECT_LT(Find(rows, "out", "Note on", ""), 0);

    // Copy takes the selected rows, with the column titles first.
    table_->selectRow(connect);
    Click("monitorCopy");
    const QStringList copied = QApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(copied.size(), 2);
    EXPECT_TRUE(copied[0].startsWith(QStringLiteral("Time\tDirection\tCommand")));
    EXPECT_TRUE(copied[1].contains(QStringLiteral("\tout\tCMD_CONNECTION\trequest=0 (connect)")));
    EXPECT_TRUE(
        copied[1].endsWith(QStringLiteral("\tf0 00 20 2b 55 52 53 57 00 00 00 01 1c 00 01 f7")));

    // Save writes every shown row; the folder is kept for the next time.
    const fs::path saved = window_.Local() / "traffic.txt";
    {
        test::FileDialogAnswer answer(QString::fromStdString(saved.string()));
        Click("monitorSave");
        EXPECT_TRUE(answer.Answered());
    }
    const auto text = ReadFileBytes(saved);
    ASSERT_TRUE(text.has_value());
    const QStringList lines = QString::fromStdString(*text).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), table_->model()->rowCount() + 1);
    EXPECT_EQ(lines[0], copied[0]);
    EXPECT_EQ(lines[connect + 1], copied[1]);
    EXPECT_TRUE(
        lines.filter(QStringLiteral("\tout\tNote off\tchannel=1 key=60 velocity=0\t")).size() == 1);
    EXPECT_EQ(window_.App().config.DialogFolder(dialog_folder::kSaveMidiLog),
              window_.Local().string());
    EXPECT_TRUE(window_.Reporter().Empty());

    // Clear empties the list; closing stops the recording altogether.
    Click("monitorClear");
    EXPECT_LT(Find(Shown(), "out", "CMD_CONNECTION", "request=0"), 0);
    Click("monitorClose");
    EXPECT_FALSE(monitor_->isVisible());
    EXPECT_FALSE(Log().Recording());
    ASSERT_TRUE(window_.Devices().Ports().SendShort(0x643C90));
    EXPECT_TRUE(Log().Take().empty());
}

// A burst beyond what the log holds between two batches: the newest stay, the list keeps its
// bound, and the window says how many it could not show.
TEST_F(MidiMonitorWindowTest, ABurstKeepsTheNewestWithinTheBound) {
    ASSERT_TRUE(window_.Panel().StartDemo());
    (void)Shown();
    const int burst = static_cast<int>(MidiTrafficLog::kDefaultCapacity) + 1000;
    for (int i = 0; i < burst; ++i) {
        ASSERT_TRUE(window_.Devices().Ports().SendShort(0xB0 | (7 << 8) | ((i % 128) << 16)));
    }
    const std::vector<ShownRow> rows = Shown();
    ASSERT_EQ(rows.size(), MidiMonitorRows::kDefaultLimit);
    // The newest control change is the last one sent (a keep-alive may have come after it).
    const auto last = std::find_if(rows.rbegin(), rows.rend(), [](const ShownRow& row) {
        return row.command == QStringLiteral("Control change");
    });
    ASSERT_NE(last, rows.rend());
    EXPECT_EQ(last->fields,
              QStringLiteral("channel=1 controller=7 value=%1").arg((burst - 1) % 128));
    EXPECT_GE(Log().Dropped(), 1000u);
    EXPECT_TRUE(window_.Find<QLabel>("monitorCount")->text().contains(QStringLiteral("not shown")));
}

TEST_F(MidiMonitorWindowTest, FollowsTheLanguage) {
    ASSERT_TRUE(window_.Panel().StartDemo());
    ASSERT_TRUE(window_.Devices().Ports().SendShort(0x643C90));
    (void)Shown();
    auto* languages = window_.Find<QMenu>("languageMenu");
    ASSERT_NE(languages, nullptr);
    emit languages->aboutToShow();
    ASSERT_GE(languages->actions().size(), 2);
    languages->actions().at(1)->trigger();  // Chinese
    QApplication::processEvents();
    EXPECT_EQ(monitor_->windowTitle(), QString::fromUtf8("MIDI 监视器"));
    EXPECT_EQ(table_->model()->headerData(Column::kCommand, Qt::Horizontal).toString(),
              QString::fromUtf8("命令"));
    const std::vector<ShownRow> rows = Shown();
    EXPECT_GE(Find(rows, QString::fromUtf8("发送"), QString::fromUtf8("音符开"),
                   QString::fromUtf8("通道=1 键=60 力度=100")),
              0);
    EXPECT_GE(
        Find(rows, QString::fromUtf8("发送"), "CMD_CONNECTION", QString::fromUtf8("请求=0 (连接)")),
        0);
}

TEST_F(MidiMonitorWindowTest, EveryControlIsNamedAndReachedByTab) {
    const char* controls[] = {"monitorRawSwitch", "monitorHideShortSwitch",
                              "monitorTable",     "monitorPause",
                              "monitorClear",     "monitorCopy",
                              "monitorSave",      "monitorClose"};
    for (const char* name : controls) {
        auto* widget = window_.Find<QWidget>(name);
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << name;
        EXPECT_TRUE(widget->focusPolicy() & Qt::TabFocus) << name;
    }
    // Tab walks them in order.
    QWidget* widget = window_.Find<QWidget>(controls[0]);
    for (size_t i = 1; i < std::size(controls); ++i) {
        widget = widget->nextInFocusChain();
        while (widget != nullptr && !(widget->focusPolicy() & Qt::TabFocus)) {
            widget = widget->nextInFocusChain();
        }
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->objectName(), QString::fromLatin1(controls[i]));
    }
}

}  // namespace
}  // namespace veltrano
