#include "app/gui/AboutBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "ui/Theme.h"
#include "ui/UiText.h"

namespace veltrano {

namespace {

constexpr int kIconSize = 64;

}  // namespace

AboutBox::AboutBox(const AppContext& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName(QStringLiteral("aboutBox"));

    icon_ = new QLabel(this);
    icon_->setObjectName(QStringLiteral("aboutIcon"));
    icon_->setPixmap(RenderPicture(PicturePath(app.programFolder, kProgramIconPicture),
                                   QSize(kIconSize, kIconSize), devicePixelRatioF()));
    icon_->setFixedSize(kIconSize, kIconSize);

    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("aboutName"));
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    copyright_ = new QLabel(this);
    copyright_->setObjectName(QStringLiteral("aboutCopyright"));

    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("aboutOkButton"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name_);
    texts->addWidget(copyright_);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(icon_, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ApplyTexts();
}

void AboutBox::ApplyTexts() {
    setWindowTitle(UiText(app_.language, "MainPanel", "IDS_DLG_About") +
                   QStringLiteral(" Veltrano"));
    ok_->setText(UiText(app_.language, "MainPanel", "IDS_DLG_OK"));
    name_->setText(
        QString::fromStdString(app_.softwareName + " " + app_.softwareVersion).trimmed());
    copyright_->setText(QString::fromStdString(app_.softwareCopyright));
}

}  // namespace veltrano
