#include "device/gui/ProgressDialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "settings/LanguageTable.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr const char* kSection = "MainPanel";
constexpr int kBarWidthInCharacters = 40;

QLabel* MakeBoldLabel(const char* objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

ProgressDialog::ProgressDialog(const LanguageTable& language, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      language_(language) {
    setObjectName(QStringLiteral("progressDialog"));
    setModal(false);

    loadingLabel_ = MakeBoldLabel("progressLoadingLabel", this);
    waitLabel_ = MakeBoldLabel("progressWaitLabel", this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setMinimumWidth(bar_->fontMetrics().averageCharWidth() * kBarWidthInCharacters);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(loadingLabel_);
    layout->addWidget(waitLabel_);
    layout->addWidget(bar_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ApplyTexts();
}

void ProgressDialog::ApplyTexts() {
    const QString loading = UiText(language_, kSection, "IDS_DLG_LOADING");
    setWindowTitle(loading);
    loadingLabel_->setText(loading);
    waitLabel_->setText(UiText(language_, kSection, "IDS_DLG_PROGRESS"));
    bar_->setAccessibleName(loading);
}

void ProgressDialog::SetRange(int minimum, int maximum) {
    bar_->setRange(minimum, maximum);
}

void ProgressDialog::SetPosition(int position) {
    bar_->setValue(position);
    // The fetch blocks between frames, so paint now rather than when the loop comes round.
    if (bar_->isVisible()) {
        bar_->repaint();
    }
}

int ProgressDialog::Position() const {
    return bar_->value();
}

void ProgressDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace veltrano
