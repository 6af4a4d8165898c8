#include "app/gui/PagePlaceholder.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "ui/UiText.h"

namespace veltrano {

PagePlaceholder::PagePlaceholder(const PageServices& services, const char* titleKey,
                                 QWidget* parent)
    : ToolPage(services, parent), titleKey_(titleKey) {
    setObjectName(QStringLiteral("pagePlaceholder"));
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("pageTitle"));
    title_->setAlignment(Qt::AlignCenter);
    QFont font = title_->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    title_->setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(title_);
    layout->addStretch(2);
    ApplyTexts();
}

void PagePlaceholder::ApplyTexts() {
    // The page's name is the one its View menu item carries.
    title_->setText(UiText(App().language, "Menu", titleKey_));
}

QString PagePlaceholder::Title() const {
    return title_->text();
}

}  // namespace veltrano
