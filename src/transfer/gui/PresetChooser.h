#pragma once

#include "transfer/gui/ChooserDialog.h"

namespace veltrano {

// Picks a voice, a style or a song: from the catalogue (source 0), the instrument's USER
// folder (1) or a USB stick (2); the last two only while the transmit functions are on.
//
//     PresetChooser chooser(App(), Devices(), Messages(), PresetKind::Style, current, this);
//     if (chooser.exec() == QDialog::Accepted) { const ChooserChoice chosen = chooser.Choice(); }
//
// `current` opens the tab of its source with its number or path selected.
class PresetChooser : public ChooserDialog {
    Q_OBJECT

public:
    PresetChooser(AppContext& app, DeviceService& devices, Reporter& reporter, PresetKind kind,
                  const ChooserChoice& current, QWidget* parent = nullptr);
};

}  // namespace veltrano
