#include "app/gui/InstrumentPicture.h"

#include <QPainter>
#include <QSvgRenderer>

#include "app/AppContext.h"
#include "ui/Theme.h"

namespace veltrano {

InstrumentPicture::InstrumentPicture(const AppContext& app, QWidget* parent)
    : QWidget(parent), app_(app) {
    setObjectName(QStringLiteral("instrumentPicture"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

QString InstrumentPicture::PictureForClass(int deviceClass) {
    if (deviceClass >= 0 && deviceClass <= 3) {
        return QStringLiteral("instrument_a.svg");
    }
    if (deviceClass >= 4 && deviceClass <= 7) {
        return QStringLiteral("instrument_b.svg");
    }
    return QStringLiteral("instrument_other.svg");
}

QSize InstrumentPicture::sizeHint() const {
    return {149, 200};
}

QSvgRenderer* InstrumentPicture::Renderer(const QString& file) {
    if (auto it = renderers_.constFind(file); it != renderers_.constEnd()) {
        return it.value();
    }
    // A missing or broken drawing leaves an empty renderer: the panel simply shows no picture.
    auto* renderer = new QSvgRenderer(PicturePath(app_.programFolder, file.toStdString()), this);
    renderers_.insert(file, renderer);
    return renderer;
}

void InstrumentPicture::paintEvent(QPaintEvent* /*event*/) {
    lastPainted_ = PictureForClass(app_.profile.Values().deviceClass);
    QSvgRenderer* renderer = Renderer(lastPainted_);
    if (!renderer->isValid()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer->render(&painter, CentredFit(*renderer, QSizeF(size())));
}

}  // namespace veltrano
