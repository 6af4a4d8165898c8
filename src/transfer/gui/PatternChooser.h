#pragma once

#include "transfer/gui/ChooserDialog.h"

namespace veltrano {

// Picks an arpeggiator or chopper pattern: from the catalogue (source 0) or, for arpeggiator
// patterns while the transmit functions are on, a USB stick (1). Used as PresetChooser is,
// without the device service (nothing here asks the instrument):
//
//     PatternChooser chooser(App(), Messages(), PatternKind::Arpeggio, current, this);
class PatternChooser : public ChooserDialog {
    Q_OBJECT

public:
    PatternChooser(AppContext& app, Reporter& reporter, PatternKind kind,
                   const ChooserChoice& current, QWidget* parent = nullptr);
};

}  // namespace veltrano
