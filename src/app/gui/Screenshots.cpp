#include "app/gui/Screenshots.h"

#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "app/AppContext.h"
#include "app/DemoFiles.h"
#include "app/gui/AboutBox.h"
#include "app/gui/MainPanel.h"
#include "arp/gui/ArpControlsWindow.h"
#include "arp/gui/ArpEditorPage.h"
#include "base/Reporter.h"
#include "device/gui/MidiDeviceDialog.h"
#include "device/gui/ProgressDialog.h"
#include "performance/gui/CompareDialog.h"
#include "performance/gui/PerformanceEditor.h"
#include "style/gui/ChordMuteDialog.h"
#include "style/gui/StyleToMidiDialog.h"
#include "transfer/FileBrowserPresenter.h"
#include "transfer/gui/PatternChooser.h"
#include "transfer/gui/PresetChooser.h"

namespace veltrano {

namespace {

using namespace std::chrono_literals;

constexpr int kStyleToMidiPage = 1;
constexpr int kPerformancePage = 2;
constexpr int kArpeggioPage = 3;

// Lets the window settle: layouts, pictures and timers that are due.
void Settle(std::chrono::milliseconds duration) {
    QEventLoop wait;
    QTimer::singleShot(duration, &wait, &QEventLoop::quit);
    wait.exec();
}

bool Save(QWidget& widget, const QString& folder, const QString& name) {
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    // The smallest PNG: the pictures go into the user guide.
    if (!widget.grab().save(file, "PNG", 0)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

}  // namespace

ScreenshotRun::ScreenshotRun(AppContext& app)
    // Inside the program folder, so the browser's folder tree shows the program's own folders
    // around it and nothing else of the computer.
    : app_(app),
      temp_(QString::fromStdString((app.programFolder / "Demo files-XXXXXX").string())),
      keptLocalFolder_(app.config.DialogFolder(kBrowserLocalFolder)) {
    if (!temp_.isValid()) {
        error_ = "cannot create a temporary folder";
        return;
    }
    const std::filesystem::path root(temp_.path().toStdString());
    files_ = root / "Files";
    storage_ = root / "Instrument";
    SilentReporter quiet;
    if (demo_files::Write(files_, storage_, app_.DeviceFolder() / "Default.prf", quiet, error_)) {
        // The computer's side of the Transmit page starts in the demo folder.
        (void)app_.config.SetDialogFolder(kBrowserLocalFolder, files_.string());
    }
}

ScreenshotRun::~ScreenshotRun() {
    (void)app_.config.SetDialogFolder(kBrowserLocalFolder, keptLocalFolder_);
}

SimulatedInstrumentSetup ScreenshotRun::Instrument() const {
    SimulatedInstrumentSetup setup;
    setup.storageFolder = storage_;
    return setup;
}

void ScreenshotRun::FillPages(MainPanel& panel) {
    if (auto* styleToMidi = qobject_cast<StyleToMidiDialog*>(&panel.Page(kStyleToMidiPage))) {
        (void)styleToMidi->OpenStyle(files_ / demo_files::kStyleName);
    }
    if (auto* editor = qobject_cast<PerformanceEditor*>(&panel.Page(kPerformancePage))) {
        (void)editor->Document().Open(files_ / demo_files::kPerformanceName);
    }
    // The pattern is drawn as a person would, cell by cell, and saved, so the page may be left
    // without a question.
    auto* arpeggio = qobject_cast<ArpEditorPage*>(&panel.Page(kArpeggioPage));
    if (arpeggio == nullptr) {
        return;
    }
    for (const auto& [column, row] : demo_files::kPatternCells) {
        const QString name = QStringLiteral("arpCell_%1_%2").arg(column).arg(row);
        if (auto* cell = arpeggio->findChild<QPushButton*>(name)) {
            cell->click();
        }
    }
    SilentReporter quiet;
    (void)arpeggio->Editor().Save(files_.parent_path() / demo_files::kPatternName, quiet);
    // A click on the selected step shows the saved file's name.
    const QString lastHeader =
        QStringLiteral("arpHeader_%1").arg(demo_files::kPatternCells.back().first);
    if (auto* header = arpeggio->findChild<QPushButton*>(lastHeader)) {
        header->click();
    }
}

bool ScreenshotRun::TakeDialogs(MainPanel& panel, const QString& folder, const QString& suffix) {
    SilentReporter quiet;
    bool saved = true;
    const auto take = [&](QWidget& dialog, const char* name) {
        dialog.show();
        Settle(100ms);
        saved &=
            Save(dialog, folder, QStringLiteral("dialog_%1_%2").arg(QLatin1String(name), suffix));
        dialog.hide();
    };
    MidiDeviceDialog device(panel.Devices().Ports(), app_.config, quiet, app_.language, &panel);
    take(device, "device");
    ProgressDialog progress(app_.language, &panel);
    take(progress, "progress");
    AboutBox about(app_, &panel);
    take(about, "about");
    PresetChooser voices(app_, panel.Devices(), quiet, PresetKind::Voice, {}, &panel);
    take(voices, "voice_chooser");
    PatternChooser patterns(app_, quiet, PatternKind::Arpeggio, {}, &panel);
    take(patterns, "pattern_chooser");
    ChordMuteDialog chordMute(0x0000FFFF, app_.language, &panel);
    take(chordMute, "chord_mute");
    if (auto* editor = qobject_cast<PerformanceEditor*>(&panel.Page(kPerformancePage))) {
        CompareDialog compare(app_, editor->Document(), &panel);
        take(compare, "compare");
    }
    return saved;
}

int ScreenshotRun::Take(MainPanel& panel, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    const int chosenLanguage = app_.language.Index();
    const std::pair<int, const char*> languages[] = {{LanguageTable::kEnglish, "en"},
                                                     {LanguageTable::kChinese, "zh"}};
    bool saved = true;
    Settle(600ms);  // past the panel's own settling after start-up
    FillPages(panel);
    for (const auto& [language, suffix] : languages) {
        app_.language.SelectLanguage(language, app_.config);
        panel.ApplyTexts();
        for (int page = 0; page < MainPanel::kPageCount; ++page) {
            panel.ShowPage(page);
            Settle(150ms);
            saved &= Save(panel, folder, QStringLiteral("page%1_%2").arg(page).arg(suffix));
        }
        // The performance editor's other tabs.
        panel.ShowPage(kPerformancePage);
        if (auto* tabs = panel.Page(kPerformancePage)
                             .findChild<QTabWidget*>(QStringLiteral("performanceTabs"))) {
            for (int tab = 1; tab < tabs->count(); ++tab) {
                tabs->setCurrentIndex(tab);
                Settle(100ms);
                saved &= Save(panel, folder, QStringLiteral("page2_tab%1_%2").arg(tab).arg(suffix));
            }
            tabs->setCurrentIndex(0);
        }
        // The arpeggio controls beside their page.
        panel.ShowPage(kArpeggioPage);
        if (auto* arpeggio = qobject_cast<ArpEditorPage*>(&panel.Page(kArpeggioPage))) {
            ArpControlsWindow& controls = arpeggio->Controls();
            controls.show();
            Settle(100ms);
            saved &= Save(controls, folder, QStringLiteral("arp_controls_%1").arg(suffix));
            controls.hide();
        }
        saved &= TakeDialogs(panel, folder, QLatin1String(suffix));
    }
    app_.language.SelectLanguage(chosenLanguage, app_.config);
    return saved ? 0 : 1;
}

}  // namespace veltrano
