#pragma once

#include <QString>
#include <QTemporaryDir>
#include <filesystem>
#include <string>

#include "app/DeviceService.h"

namespace veltrano {

struct AppContext;
class MainPanel;

// The picture run of --screenshots: a folder of demo files of its own (the computer's side of
// the Transmit page, and the built-in instrument's storage), then a picture of every page with
// something in it, in English and in Chinese. The settings it changes are restored at its end.
class ScreenshotRun {
public:
    explicit ScreenshotRun(AppContext& app);
    ~ScreenshotRun();
    ScreenshotRun(const ScreenshotRun&) = delete;
    ScreenshotRun& operator=(const ScreenshotRun&) = delete;

    // Empty when the demo files are in place; otherwise why they are not.
    [[nodiscard]] const std::string& Error() const { return error_; }
    // The built-in instrument for the run, with the demo files in its storage.
    [[nodiscard]] SimulatedInstrumentSetup Instrument() const;
    // Fills the pages, then writes page<index>_<en|zh>.png into `folder` (the performance
    // editor's further tabs as page2_tab<n>_…, the arpeggio controls as arp_controls_…, the
    // dialogs as dialog_<name>_…).
    // 0 when every picture was written.
    [[nodiscard]] int Take(MainPanel& panel, const QString& folder);

private:
    void FillPages(MainPanel& panel);
    // The dialogs, each shown once: dialog_<name>_<suffix>.png.
    bool TakeDialogs(MainPanel& panel, const QString& folder, const QString& suffix);

    AppContext& app_;
    QTemporaryDir temp_;
    std::filesystem::path files_;
    std::filesystem::path storage_;
    std::string keptLocalFolder_;
    std::string error_;
};

}  // namespace veltrano
