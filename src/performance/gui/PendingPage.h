#pragma once

#include "performance/gui/PerformancePage.h"

class QLabel;

namespace veltrano {

// A page of the performance editor that is not built yet: its tab is there, and it says so.
// The Controllers page's pad tab will play the main window's keyboard (UsesKeyboard).
class PendingPage : public PerformancePage {
    Q_OBJECT

public:
    PendingPage(const PerformancePageContext& context, const char* titleKey,
                QWidget* parent = nullptr);

    void Show() override {}
    void ApplyTexts() override;

private:
    const char* titleKey_;
    QLabel* text_ = nullptr;
};

}  // namespace veltrano
