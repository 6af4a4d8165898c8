#include "app/gui/ToolPages.h"

#include "arp/gui/ArpEditorPage.h"
#include "performance/gui/PerformanceEditor.h"
#include "style/gui/MidiToStyleWizard.h"
#include "style/gui/StyleToMidiDialog.h"
#include "transfer/gui/FileBrowser.h"

namespace veltrano {

ToolPage* CreateToolPage(int index, const PageServices& services, QWidget* parent) {
    switch (index) {
        case 0:  // MIDI to style
            return new MidiToStyleWizard(services, parent);
        case 1:  // style to MIDI
            return new StyleToMidiDialog(services, parent);
        case 2:  // performance editor
            return new PerformanceEditor(services, parent);
        case 3:  // arpeggiator editor
            return new ArpEditorPage(services, parent);
        case 4:  // device file browser
            return new FileBrowser(services, parent);
        default:
            return nullptr;
    }
}

}  // namespace veltrano
