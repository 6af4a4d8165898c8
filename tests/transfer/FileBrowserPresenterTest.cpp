#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "support/TempDir.h"
#include "support/TransferRig.h"
#include "transfer/FileBrowserPresenter.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::PatternBytes;

class RecordingView : public FileBrowserView {
public:
    void LocalRowsChanged() override { ++localChanges; }
    void DeviceRowsChanged() override { ++deviceChanges; }
    void BatchChanged(BatchKind kind) override { batches.push_back(kind); }
    void ProgressChanged(const BatchProgress& progress) override {
        last = progress;
        if (during) {
            during(progress);
        }
    }
    std::function<void(const BatchProgress&)> during;
    int localChanges = 0;
    int deviceChanges = 0;
    std::vector<BatchKind> batches;
    BatchProgress last;
};

// Passes the transfers' notices to the presenter, as the device service does, and lets a
// test act in the middle of a transfer (a click on Stop, a second command).
class Forward : public TransferObserver {
public:
    void ListLocalAgain() override { to->ListLocalAgain(); }
    void ListDeviceAgain() override { to->ListDeviceAgain(); }
    void Progress(uint64_t done, uint64_t total) override {
        to->Progress(done, total);
        if (during) {
            during(done, total);
        }
    }
    FileBrowserPresenter* to = nullptr;
    std::function<void(uint64_t, uint64_t)> during;
};

// The presenter on the simulated instrument, on simulated time, with a local folder of its own.
class FileBrowserPresenterTest : public ::testing::Test {
protected:
    FileBrowserPresenterTest() {
        rig_.transfers = std::make_unique<Transfers>(rig_.rig->link, rig_.listing, forward_);
        presenter_ = std::make_unique<FileBrowserPresenter>(
            *rig_.transfers, rig_.listing, rig_.rig->link, rig_.rig->app.config, view_);
        forward_.to = presenter_.get();
        EXPECT_TRUE(presenter_->SetLocalFolder(rig_.local.Path()));
    }

    std::vector<std::string> DeviceNames() const {
        std::vector<std::string> names;
        for (const BrowserRow& row : presenter_->DeviceRows()) {
            names.push_back(row.name);
        }
        return names;
    }
    std::vector<std::string> LocalNames() const {
        std::vector<std::string> names;
        for (const BrowserRow& row : presenter_->LocalRows()) {
            names.push_back(row.name);
        }
        return names;
    }
    // How many instrument rows carry that name.
    long Shown(const std::string& name) const {
        const auto names = DeviceNames();
        return std::count(names.begin(), names.end(), name);
    }
    size_t DeviceRow(const std::string& name) const {
        const auto names = DeviceNames();
        const auto it = std::find(names.begin(), names.end(), name);
        EXPECT_NE(it, names.end()) << name;
        return static_cast<size_t>(it - names.begin());
    }
    size_t LocalRow(const std::string& name) const {
        const auto names = LocalNames();
        const auto it = std::find(names.begin(), names.end(), name);
        EXPECT_NE(it, names.end()) << name;
        return static_cast<size_t>(it - names.begin());
    }
    RecordingReporter& Messages() { return rig_.rig->reporter; }
    SimulatedInstrument& Instrument() { return rig_.rig->Instrument(); }
    void Settle() { rig_.rig->Run(std::chrono::milliseconds(100)); }

    test::TransferRig rig_;
    Forward forward_;
    RecordingView view_;
    std::unique_ptr<FileBrowserPresenter> presenter_;
};

TEST_F(FileBrowserPresenterTest, UpdateShowsTheFolderWithItsColumns) {
    const std::string song = rig_.Put("USER", "Song.mid", 1536);
    ASSERT_TRUE(presenter_->Update());
    EXPECT_EQ(presenter_->DeviceFolder(), "USER");
    const auto& rows = presenter_->DeviceRows();
    const BrowserRow& file = rows[DeviceRow("Song.mid")];
    EXPECT_FALSE(file.folder);
    EXPECT_EQ(file.columns[BrowserRow::kSize], "1536 bytes (1.5 KiB)");
    const BrowserRow& folder = rows[DeviceRow("STYLE")];
    EXPECT_TRUE(folder.folder);
    EXPECT_EQ(folder.columns[BrowserRow::kSize], "");
}

TEST_F(FileBrowserPresenterTest, EnterAFolderAndBackStopsAtTheTop) {
    (void)rig_.Put("USER\\STYLE", "Pop.sty", 10);
    ASSERT_TRUE(presenter_->Update());
    EXPECT_FALSE(presenter_->Enter(presenter_->DeviceRows().size()));
    ASSERT_TRUE(presenter_->Enter(DeviceRow("STYLE")));
    EXPECT_EQ(presenter_->DeviceFolder(), "USER\\STYLE");
    EXPECT_EQ(DeviceNames(), std::vector<std::string>{"Pop.sty"});
    EXPECT_FALSE(presenter_->Enter(0));  // a file is no folder
    ASSERT_TRUE(presenter_->Back());
    EXPECT_EQ(presenter_->DeviceFolder(), "USER");
    // At "USER" there is no folder above: nothing is asked of the instrument.
    const size_t sent = rig_.rig->output.sent.size();
    EXPECT_FALSE(presenter_->Back());
    EXPECT_EQ(rig_.rig->output.sent.size(), sent);
    EXPECT_EQ(presenter_->DeviceFolder(), "USER");
    EXPECT_TRUE(Messages().Empty());
}

TEST_F(FileBrowserPresenterTest, ThreeUploadsWithTheSecondFailingKeepTheFirstOnly) {
    const std::string a = rig_.Put("USER", "a.sty", 700, 1);
    (void)rig_.Put("USER", "b.sty", 300, 2);
    (void)rig_.Put("USER", "c.sty", 300, 3);
    ASSERT_TRUE(presenter_->Update());
    // The second file is gone from the instrument by the time it is asked for.
    ASSERT_TRUE(Instrument().Storage().RemoveFile("USER", "b.sty"));
    presenter_->Upload({DeviceRow("a.sty"), DeviceRow("b.sty"), DeviceRow("c.sty")});
    EXPECT_EQ(test::ReadFile(rig_.Local("a.sty")), a);
    EXPECT_FALSE(fs::exists(rig_.Local("b.sty")));
    EXPECT_FALSE(fs::exists(rig_.Local("c.sty")));
    EXPECT_EQ(Messages().Texts(), std::vector<std::string>{"This file is not exist: b.sty"});
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"a.sty"});
    EXPECT_EQ(view_.batches, (std::vector<BatchKind>{BatchKind::Upload, BatchKind::None}));
    // The instrument said the file was missing: its folder is listed again once idle.
    Settle();
    EXPECT_EQ(Shown("b.sty"), 0);
    EXPECT_EQ(DeviceNames().size(), presenter_->DeviceRows().size());
}

TEST_F(FileBrowserPresenterTest, DecliningAnOverwriteSkipsOnlyThatFile) {
    (void)rig_.Put("USER", "a.sty", 100, 1);
    const std::string b = rig_.Put("USER", "b.sty", 100, 2);
    test::WriteFile(rig_.Local("a.sty"), "mine");
    presenter_->FillLocal();
    ASSERT_TRUE(presenter_->Update());
    Messages().ScriptAnswers({Answer::No});
    presenter_->Upload({DeviceRow("a.sty"), DeviceRow("b.sty")});
    ASSERT_EQ(Messages().Messages().size(), 1u);
    EXPECT_EQ(Messages().Messages()[0].text,
              "The file(a.sty) is exist, do you want to overwrite it?");
    EXPECT_EQ(Messages().Messages()[0].icon, Icon::Question);
    EXPECT_EQ(test::ReadFile(rig_.Local("a.sty")), "mine");
    EXPECT_EQ(test::ReadFile(rig_.Local("b.sty")), b);
    EXPECT_EQ(presenter_->LocalRows()[LocalRow("a.sty")].size, 4u);
}

TEST_F(FileBrowserPresenterTest, AFolderRowCountsAsASelectionButMovesNothing) {
    ASSERT_TRUE(presenter_->Update());
    presenter_->Upload({DeviceRow("VOICE")});
    EXPECT_TRUE(Messages().Empty());
    EXPECT_TRUE(presenter_->LocalRows().empty());
    presenter_->Upload({});
    presenter_->Download({});
    presenter_->Delete({DeviceRow("VOICE")});
    const std::vector<RecordingReporter::Message> expected{
        {Icon::Information, "Upload", "No one or more files be selected"},
        {Icon::Information, "Download", "No one or more files be selected"},
        {Icon::Information, "Upload", "No one or more files be selected"}};
    EXPECT_EQ(Messages().Messages(), expected);
}

TEST_F(FileBrowserPresenterTest, DeleteAsksThenRemovesTheChosenRowsAndListsAgain) {
    for (const char* name : {"1.sty", "2.sty", "3.sty", "4.sty", "5.sty"}) {
        (void)rig_.Put("USER\\STYLE", name, 20);
    }
    ASSERT_TRUE(presenter_->ListDevice("USER\\STYLE"));
    Messages().ScriptAnswers({Answer::No});
    presenter_->Delete({DeviceRow("2.sty"), DeviceRow("4.sty")});
    ASSERT_EQ(Messages().Messages().size(), 1u);
    EXPECT_EQ(Messages().Messages()[0].text,
              "Delete 2 file(s) from the instrument?\n\n2.sty\n4.sty");
    EXPECT_EQ(Instrument().Storage().List("USER\\STYLE").size(), 5u);

    Messages().Clear();
    Messages().ScriptAnswers({Answer::Yes});
    presenter_->Delete({DeviceRow("2.sty"), DeviceRow("4.sty")});
    EXPECT_EQ(Messages().Messages().size(), 1u);
    EXPECT_EQ(DeviceNames(), (std::vector<std::string>{"1.sty", "3.sty", "5.sty"}));
    EXPECT_EQ(Instrument().Storage().List("USER\\STYLE").size(), 3u);
    EXPECT_EQ(rig_.Stored("USER\\STYLE", "2.sty"), "<missing>");
}

TEST_F(FileBrowserPresenterTest, DeleteKeepsFolderRowsAndChecksTheConnectionFirst) {
    (void)rig_.Put("USER", "gone.mid", 20);
    ASSERT_TRUE(presenter_->Update());
    Messages().ScriptAnswers({Answer::Yes});
    presenter_->Delete({DeviceRow("STYLE"), DeviceRow("gone.mid")});
    EXPECT_EQ(Messages().Messages()[0].text, "Delete 1 file(s) from the instrument?\n\ngone.mid");
    EXPECT_EQ(Shown("STYLE"), 1);
    EXPECT_EQ(Shown("gone.mid"), 0);

    (void)rig_.Put("USER", "kept.mid", 20);
    ASSERT_TRUE(presenter_->Update());
    rig_.rig->link.state.connected = false;
    Messages().Clear();
    const size_t sent = rig_.rig->output.sent.size();
    presenter_->Delete({DeviceRow("kept.mid")});
    EXPECT_EQ(Messages().Texts(),
              std::vector<std::string>{"Please check the connection of device"});
    EXPECT_EQ(rig_.rig->output.sent.size(), sent);
    EXPECT_NE(rig_.Stored("USER", "kept.mid"), "<missing>");
}

TEST_F(FileBrowserPresenterTest, StopDuringADeleteDeletesNoFurtherFile) {
    for (const char* name : {"a.mid", "b.mid", "c.mid"}) {
        (void)rig_.Put("USER", name, 20);
    }
    ASSERT_TRUE(presenter_->Update());
    view_.during = [&](const BatchProgress& progress) {
        if (progress.kind == BatchKind::Delete && progress.file == 2) {
            presenter_->Stop();
        }
    };
    Messages().ScriptAnswers({Answer::Yes});
    presenter_->Delete({DeviceRow("a.mid"), DeviceRow("b.mid"), DeviceRow("c.mid")});
    EXPECT_EQ(rig_.Stored("USER", "a.mid"), "<missing>");
    EXPECT_EQ(rig_.Stored("USER", "b.mid"), "<missing>");  // under way when Stop came
    EXPECT_NE(rig_.Stored("USER", "c.mid"), "<missing>");
    EXPECT_EQ(Shown("c.mid"), 1);
    EXPECT_TRUE(presenter_->Idle());
}

TEST_F(FileBrowserPresenterTest, AFailedDeleteKeepsTheRemainingFiles) {
    for (const char* name : {"a.mid", "b.mid", "c.mid"}) {
        (void)rig_.Put("USER", name, 20);
    }
    ASSERT_TRUE(presenter_->Update());
    ASSERT_TRUE(Instrument().Storage().RemoveFile("USER", "b.mid"));
    Messages().ScriptAnswers({Answer::Yes});
    presenter_->Delete({DeviceRow("a.mid"), DeviceRow("b.mid"), DeviceRow("c.mid")});
    EXPECT_EQ(rig_.Stored("USER", "a.mid"), "<missing>");
    EXPECT_NE(rig_.Stored("USER", "c.mid"), "<missing>");
    EXPECT_EQ(Messages().Texts().back(), "Delete file failed(it's conflicted or deleted): b.mid");
    Settle();
    EXPECT_EQ(Shown("c.mid"), 1);
    EXPECT_EQ(Shown("a.mid"), 0);
}

TEST_F(FileBrowserPresenterTest, DownloadsAddOrUpdateRowsAndADeclinedOneChangesNothing) {
    const std::string old = rig_.Put("USER", "Same.MID", 10);
    test::WriteFile(rig_.Local("same.mid"), PatternBytes(2000, 4));
    test::WriteFile(rig_.Local("new.sty"), PatternBytes(3000, 5));
    presenter_->FillLocal();
    ASSERT_TRUE(presenter_->Update());
    const size_t rowsBefore = presenter_->DeviceRows().size();
    // The instrument matches names without regard to case: it asks before replacing.
    Messages().ScriptAnswers({Answer::No});
    presenter_->Download({LocalRow("same.mid"), LocalRow("new.sty")});
    EXPECT_EQ(
        Messages().Texts(),
        std::vector<std::string>{"This file(same.mid) is exist, do you want to overwrite it?"});
    EXPECT_EQ(rig_.Stored("USER", "Same.MID"), old);
    EXPECT_EQ(rig_.Stored("USER", "new.sty"), PatternBytes(3000, 5));
    ASSERT_EQ(presenter_->DeviceRows().size(), rowsBefore + 1);
    EXPECT_EQ(presenter_->DeviceRows()[DeviceRow("Same.MID")].size, 10u);
    const BrowserRow& added = presenter_->DeviceRows().back();
    EXPECT_EQ(added.name, "new.sty");
    EXPECT_EQ(added.columns[BrowserRow::kSize], "3000 bytes (2.9 KiB)");
    EXPECT_EQ(added.columns[BrowserRow::kWritten], "");
    EXPECT_EQ(view_.last.kind, BatchKind::Download);
    EXPECT_EQ(view_.last.batchTotal, 5000u);
    EXPECT_EQ(view_.last.batchDone, 5000u);
}

TEST_F(FileBrowserPresenterTest, AFailedDownloadEndsTheBatchWithTheFullPath) {
    test::WriteFile(rig_.Local("a.sty"), "a");
    test::WriteFile(rig_.Local("b.sty"), "b");
    presenter_->FillLocal();
    ASSERT_TRUE(presenter_->Update());
    fs::remove(rig_.Local("a.sty"));
    presenter_->Download({LocalRow("a.sty"), LocalRow("b.sty")});
    const std::string path = rig_.Local("a.sty").string();
    EXPECT_EQ(Messages().Texts(), (std::vector<std::string>{"This file is not exist: " + path,
                                                            "Download failed: " + path}));
    EXPECT_EQ(rig_.Stored("USER", "b.sty"), "<missing>");
    // The vanished file made the local list be read again.
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"b.sty"});
}

TEST_F(FileBrowserPresenterTest, TransfersActInTheFolderShownAfterAChooserListedAnother) {
    const std::string user = rig_.Put("USER", "Top.sty", 50, 7);
    (void)rig_.Put("USER\\STYLE", "Top.sty", 60, 8);
    ASSERT_TRUE(presenter_->Update());
    // A chooser lists the instrument's style folder behind the browser's back.
    ASSERT_TRUE(rig_.transfers->QueryFiles("USER\\STYLE"));
    presenter_->Upload({DeviceRow("Top.sty")});
    EXPECT_EQ(test::ReadFile(rig_.Local("Top.sty")), user);

    test::WriteFile(rig_.Local("Down.mid"), "MThd");
    presenter_->FillLocal();
    ASSERT_TRUE(rig_.transfers->QueryFiles("USER\\SONG"));
    presenter_->Download({LocalRow("Down.mid")});
    EXPECT_EQ(rig_.Stored("USER", "Down.mid"), "MThd");
    EXPECT_EQ(rig_.Stored("USER\\SONG", "Down.mid"), "<missing>");
    EXPECT_EQ(presenter_->DeviceFolder(), "USER");
    EXPECT_TRUE(Messages().Empty());
}

TEST_F(FileBrowserPresenterTest, StopEndsTheBatchWithoutAPartialFileAndRefusesOthersMeanwhile) {
    (void)rig_.Put("USER", "long.mid", 40000, 1);
    (void)rig_.Put("USER", "next.mid", 100, 2);
    ASSERT_TRUE(presenter_->Update());
    bool stopped = false;
    forward_.during = [&](uint64_t done, uint64_t) {
        if (!stopped && done >= 4096) {
            stopped = true;
            EXPECT_FALSE(presenter_->Idle());
            // A second command inside the first is refused: it neither runs nor asks.
            presenter_->Download({0});
            presenter_->Upload({DeviceRow("next.mid")});
            EXPECT_FALSE(presenter_->Update());
            presenter_->Stop();
        }
    };
    presenter_->Upload({DeviceRow("long.mid"), DeviceRow("next.mid")});
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(fs::exists(rig_.Local("long.mid")));
    EXPECT_FALSE(fs::exists(rig_.Local("next.mid")));
    EXPECT_TRUE(fs::is_empty(rig_.local.Path()));
    EXPECT_EQ(Messages().Texts(), std::vector<std::string>{"Uploading is aborted: long.mid"});
    EXPECT_TRUE(presenter_->Idle());
    EXPECT_EQ(presenter_->Running(), BatchKind::None);
    EXPECT_FALSE(rig_.rig->link.state.abort);
}

TEST_F(FileBrowserPresenterTest, StopBetweenFilesStartsNoFurtherFile) {
    test::WriteFile(rig_.Local("1.sty"), PatternBytes(3000, 1));
    test::WriteFile(rig_.Local("2.sty"), PatternBytes(10, 2));
    presenter_->FillLocal();
    ASSERT_TRUE(presenter_->Update());
    forward_.during = [&](uint64_t done, uint64_t total) {
        if (done == total) {
            presenter_->Stop();  // the last packet of the first file was accepted
        }
    };
    presenter_->Download({LocalRow("1.sty"), LocalRow("2.sty")});
    EXPECT_EQ(rig_.Stored("USER", "2.sty"), "<missing>");
    EXPECT_TRUE(presenter_->Idle());
}

TEST_F(FileBrowserPresenterTest, TheLocalListTakesExtensionsInAnyCaseAndFolderNames) {
    test::WriteFile(rig_.Local("LOUD.MID"), "x");
    test::WriteFile(rig_.Local("notes.txt"), "x");
    test::WriteFile(rig_.Local(".hidden.sty"), "x");
    fs::create_directories(rig_.Local("folder.sty"));
    ASSERT_TRUE(presenter_->SetLocalFolder(rig_.Local("folder.sty")));
    test::WriteFile(rig_.Local("folder.sty") / "readme.txt", "x");
    presenter_->FillLocal();
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"readme.txt"});
    ASSERT_TRUE(presenter_->SetLocalFolder(rig_.local.Path()));
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"LOUD.MID"});
    const BrowserRow& row = presenter_->LocalRows()[0];
    EXPECT_EQ(row.columns[BrowserRow::kSize], "1 bytes");
    EXPECT_EQ(row.columns[BrowserRow::kWritten].size(), 19u);  // "2026-12-10 08:00:00"
    // The folder is kept for the next run; a folder that no longer exists is not.
    EXPECT_EQ(FileBrowserPresenter::KeptLocalFolder(rig_.rig->app.config), rig_.local.Path());
    EXPECT_FALSE(presenter_->SetLocalFolder(rig_.Local("missing")));
    EXPECT_EQ(presenter_->LocalFolder(), rig_.local.Path());
}

TEST(BrowserVolumes, AChangedListIsSeenEvenWithTheSameCount) {
    test::TransferRig rig;
    class : public FileBrowserView {
    } view;
    FileBrowserPresenter presenter(*rig.transfers, rig.listing, rig.rig->link, rig.rig->app.config,
                                   view);
    EXPECT_TRUE(presenter.SetVolumes({"/", "/home/me", "/media/A"}));
    EXPECT_FALSE(presenter.SetVolumes({"/", "/home/me", "/media/A"}));
    EXPECT_TRUE(presenter.SetVolumes({"/", "/home/me", "/media/B"}));
    EXPECT_TRUE(presenter.SetVolumes({"/", "/home/me"}));
}

TEST(BrowserTexts, SizesAndTimes) {
    EXPECT_EQ(SizeText(0), "0 bytes");
    EXPECT_EQ(SizeText(1023), "1023 bytes");
    EXPECT_EQ(SizeText(1024), "1024 bytes (1.0 KiB)");
    EXPECT_EQ(SizeText(5u * 1024 * 1024 + 1), "5242881 bytes (5.0 MiB)");
    EXPECT_EQ(FormatLocalTime(0), "");
}

}  // namespace
}  // namespace veltrano
