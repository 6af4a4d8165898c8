#include "performance/gui/PendingPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "ui/UiText.h"

namespace veltrano {

PendingPage::PendingPage(const PerformancePageContext& context, const char* titleKey,
                         QWidget* parent)
    : PerformancePage(context, parent), titleKey_(titleKey) {
    setObjectName(QStringLiteral("pendingPage"));
    text_ = new QLabel(this);
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    ApplyTexts();
}

void PendingPage::ApplyTexts() {
    text_->setText(UiText(App().language, "EditPerformance", titleKey_) + QStringLiteral("\n") +
                   UiText(App().language, "EditPerformance", "IDS_PAGE_LATER"));
}

}  // namespace veltrano
