#include "transfer/gui/ChooserDialog.h"

#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "base/Reporter.h"
#include "transfer/gui/ChooserPages.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MainPanel";

const char* TabKey(ChooserTab tab, bool pattern) {
    switch (tab) {
        case ChooserTab::Catalogue:
            return pattern ? "IDS_DLG_LOCAL" : "IDS_DLG_PRESET";
        case ChooserTab::User:
            return "IDS_DLG_USER";
        case ChooserTab::Usb:
            break;
    }
    return "IDS_DLG_USB";
}

}  // namespace

ChooserDialog::ChooserDialog(AppContext& app, Reporter& reporter, const char* titleKey,
                             bool pattern, QWidget* parent)
    : QDialog(parent), app_(app), reporter_(reporter), titleKey_(titleKey), pattern_(pattern) {
    setObjectName(QStringLiteral("chooserDialog"));
    setModal(true);
    tabWidget_ = new QTabWidget(this);
    tabWidget_->setObjectName(QStringLiteral("chooserTabs"));
    buttons_ = new QDialogButtonBox(this);
    ok_ = buttons_->addButton(QString(), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("chooserOkButton"));
    cancel_ = buttons_->addButton(QString(), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("chooserCancelButton"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &ChooserDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &ChooserDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabWidget_, 1);
    layout->addWidget(buttons_);
    connect(tabWidget_, &QTabWidget::currentChanged, this, [this](int index) {
        // The USER page's listing waits for the instrument; the window may close meanwhile.
        const QPointer<ChooserDialog> self(this);
        if (index >= 0 && index < pages_.size()) {
            pages_[index]->Activated();
        }
        if (self) {
            UpdateOk();
        }
    });
}

void ChooserDialog::SetPages(const std::vector<ChooserTab>& tabs, QVector<ChooserPage*> pages,
                             int source) {
    tabs_ = tabs;
    pages_ = std::move(pages);
    {
        const QSignalBlocker block(tabWidget_);
        for (ChooserPage* page : pages_) {
            tabWidget_->addTab(page, QString());
            connect(page, &ChooserPage::ChoiceChanged, this, &ChooserDialog::UpdateOk);
            connect(page, &ChooserPage::ChoiceConfirmed, this, [this, page] {
                if (page == tabWidget_->currentWidget() && ok_->isEnabled()) {
                    accept();
                }
            });
        }
        tabWidget_->setCurrentIndex(source >= 0 && source < pages_.size() ? source : 0);
    }
    // The pages are made after the buttons: put them before OK and Cancel in the Tab order.
    QWidget* previous = tabWidget_;
    for (ChooserPage* page : pages_) {
        for (QWidget* widget : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
                QWidget::setTabOrder(previous, widget);
                previous = widget;
            }
        }
    }
    QWidget::setTabOrder(previous, ok_);
    QWidget::setTabOrder(ok_, cancel_);
    ApplyTexts();
    UpdateOk();
    // The first tab's listing (USER) waits for the instrument: run it once the window is up.
    QMetaObject::invokeMethod(
        this,
        [this] {
            const QPointer<ChooserDialog> self(this);
            if (auto* page = qobject_cast<ChooserPage*>(tabWidget_->currentWidget())) {
                page->Activated();
                if (self) {
                    UpdateOk();
                }
            }
        },
        Qt::QueuedConnection);
}

void ChooserDialog::ApplyTexts() {
    const LanguageTable& language = app_.language;
    setWindowTitle(UiText(language, kSection, titleKey_));
    for (int i = 0; i < pages_.size(); ++i) {
        tabWidget_->setTabText(i, UiText(language, kSection, TabKey(tabs_[i], pattern_)));
        pages_[i]->ApplyTexts(language);
    }
    ok_->setText(UiText(language, kSection, "IDS_DLG_OK"));
    cancel_->setText(UiText(language, kSection, "IDS_DLG_CANCEL"));
    ok_->setAccessibleName(ok_->text());
    cancel_->setAccessibleName(cancel_->text());
    // The tabs are the sources to choose from; they carry the window's name.
    tabWidget_->setAccessibleName(windowTitle());
    tabWidget_->tabBar()->setAccessibleName(windowTitle());
}

void ChooserDialog::UpdateOk() {
    auto* page = qobject_cast<ChooserPage*>(tabWidget_->currentWidget());
    ok_->setEnabled(page != nullptr && page->HasChoice());
}

void ChooserDialog::accept() {
    const int index = tabWidget_->currentIndex();
    if (index < 0 || index >= pages_.size() || !pages_[index]->HasChoice()) {
        return;
    }
    ChooserChoice choice;
    choice.source = index;
    ChooserPage* page = pages_[index];
    if (auto* catalogue = qobject_cast<CataloguePage*>(page)) {
        choice.number = catalogue->Chosen().value_or(0);
    } else if (auto* user = qobject_cast<UserPage*>(page)) {
        choice.path = user->Chosen();
    } else if (auto* usb = qobject_cast<UsbPage*>(page)) {
        bool refused = false;
        const auto path = usb->Chosen(&refused);
        if (!path) {
            reporter_.Show(
                Icon::Information, windowTitle().toStdString(),
                UiText(app_.language, kSection, "IDS_DLG_USB_PATH_INVALID").toStdString());
            return;
        }
        usb->RememberFolder();
        choice.path = *path;
    }
    choice_ = choice;
    QDialog::accept();
}

}  // namespace veltrano
