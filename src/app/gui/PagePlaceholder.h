#pragma once

#include "ui/ToolPage.h"

class QLabel;

namespace veltrano {

// A tool page that is not built yet: it shows only its title (the text of its View menu item),
// so the panel can be switched between all five pages from the start.
class PagePlaceholder : public ToolPage {
    Q_OBJECT

public:
    PagePlaceholder(const PageServices& services, const char* titleKey, QWidget* parent = nullptr);

    void ApplyTexts() override;
    [[nodiscard]] QString Title() const;

private:
    const char* titleKey_;
    QLabel* title_ = nullptr;
};

}  // namespace veltrano
