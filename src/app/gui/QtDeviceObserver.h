#pragma once

#include <QPointer>
#include <string>

#include "app/DeviceService.h"
#include "device/DeviceSession.h"

namespace veltrano {

class MainPanel;
class ProgressDialog;

// What the device service tells the windows, delivered to the main panel, and the questions
// it asks the panel. It also keeps the modeless progress window of a table fetch, which lives
// only while the fetch runs.
class QtDeviceObserver : public DeviceListener, public DeviceQuestions {
public:
    explicit QtDeviceObserver(MainPanel& panel);
    ~QtDeviceObserver() override;
    QtDeviceObserver(const QtDeviceObserver&) = delete;
    QtDeviceObserver& operator=(const QtDeviceObserver&) = delete;

    void SetDeviceDisplay(const std::string& name) override;
    void ProgressOpen(int minimum, int maximum) override;
    void ProgressSet(int position) override;
    void ProgressClose() override;
    void CataloguesReloaded() override;
    void RefreshPages() override;
    void DeviceRefreshed() override;
    void DeviceListChanged() override;
    void BusyChanged(bool busy) override;
    bool ShowMidiDeviceDialog() override;
    bool PerformanceEditorVisible() override;
    std::string SelectedDevice() override;

    // Texts again after a language switch (the progress window may be up).
    void ApplyTexts();

private:
    MainPanel& panel_;
    // Guarded: the window may be gone by the time the fetch's wait returns.
    QPointer<ProgressDialog> progress_;
};

}  // namespace veltrano
