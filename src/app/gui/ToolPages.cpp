#include "app/gui/ToolPages.h"

#include "app/gui/PagePlaceholder.h"
#include "arp/gui/ArpEditorPage.h"

namespace veltrano {

ToolPage* CreateToolPage(int index, const char* titleKey, const PageServices& services,
                         QWidget* parent) {
    switch (index) {
        case 3:  // arpeggiator editor
            return new ArpEditorPage(services, parent);
        case 0:  // MIDI to style
        case 1:  // style to MIDI
        case 2:  // performance editor
        case 4:  // device file browser
        default:
            return new PagePlaceholder(services, titleKey, parent);
    }
}

}  // namespace veltrano
