#include "ui/ToolPage.h"

namespace veltrano {

ToolPage::ToolPage(const PageServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {}

}  // namespace veltrano
