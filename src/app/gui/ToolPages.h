#pragma once

#include "ui/ToolPage.h"

namespace veltrano {

// The five tool pages in the order of the page area: the MIDI-to-style wizard, the
// style-to-MIDI converter, the performance editor, the arpeggiator editor and the device file
// browser. Null for any other index.
[[nodiscard]] ToolPage* CreateToolPage(int index, const PageServices& services, QWidget* parent);

}  // namespace veltrano
