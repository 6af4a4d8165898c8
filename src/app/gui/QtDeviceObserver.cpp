#include "app/gui/QtDeviceObserver.h"

#include "app/AppContext.h"
#include "app/gui/MainPanel.h"
#include "device/gui/ProgressDialog.h"

namespace veltrano {

QtDeviceObserver::QtDeviceObserver(MainPanel& panel) : panel_(panel) {}

QtDeviceObserver::~QtDeviceObserver() {
    delete progress_.data();
}

void QtDeviceObserver::SetDeviceDisplay(const std::string& name) {
    panel_.ShowDeviceName(name);
}

void QtDeviceObserver::ProgressOpen(int minimum, int maximum) {
    if (!progress_) {
        progress_ = new ProgressDialog(panel_.app_.language, &panel_);
    }
    progress_->SetRange(minimum, maximum);
    progress_->SetPosition(minimum);
    progress_->show();
    progress_->raise();
}

void QtDeviceObserver::ProgressSet(int position) {
    if (progress_) {
        progress_->SetPosition(position);
    }
}

void QtDeviceObserver::ProgressClose() {
    // Not from inside the window's own handlers, so it can go at once.
    delete progress_.data();
}

void QtDeviceObserver::ApplyTexts() {
    if (progress_) {
        progress_->ApplyTexts();
    }
}

void QtDeviceObserver::CataloguesReloaded() {
    panel_.DeviceChanged();
}

void QtDeviceObserver::RefreshPages() {
    panel_.RefreshPagesForDevice();
}

void QtDeviceObserver::DeviceRefreshed() {
    panel_.DeviceSwitched();
}

void QtDeviceObserver::BusyChanged(bool busy) {
    panel_.BusyChanged(busy);
}

void QtDeviceObserver::DeviceListChanged() {
    panel_.FillDeviceBox();
}

bool QtDeviceObserver::ShowMidiDeviceDialog() {
    return panel_.RunMidiDeviceDialog();
}

bool QtDeviceObserver::PerformanceEditorVisible() {
    return panel_.PerformanceEditorShown();
}

std::string QtDeviceObserver::SelectedDevice() {
    return panel_.SelectedDeviceName();
}

}  // namespace veltrano
