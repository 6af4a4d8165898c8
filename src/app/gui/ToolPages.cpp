#include "app/gui/ToolPages.h"

#include "app/gui/PagePlaceholder.h"
#include "transfer/gui/FileBrowser.h"

namespace veltrano {

ToolPage* CreateToolPage(int index, const char* titleKey, const PageServices& services,
                         QWidget* parent) {
    switch (index) {
        case 0:  // MIDI to style
        case 1:  // style to MIDI
        case 2:  // performance editor
        case 3:  // arpeggiator editor
        default:
            return new PagePlaceholder(services, titleKey, parent);
        case 4:  // device file browser
            return new FileBrowser(services, parent);
    }
}

}  // namespace veltrano
