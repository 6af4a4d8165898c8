#include "app/gui/InstrumentPicture.h"

#include <QPainter>
#include <QSvgRenderer>

#include "app/AppContext.h"

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
    const std::filesystem::path path = app_.programFolder / "pictures" / file.toStdString();
    // A missing or broken drawing leaves an empty renderer: the panel simply shows no picture.
    auto* renderer = new QSvgRenderer(QString::fromStdU16String(path.u16string()), this);
    renderers_.insert(file, renderer);
    return renderer;
}

void InstrumentPicture::paintEvent(QPaintEvent* /*event*/) {
    lastPainted_ = PictureForClass(app_.profile.Values().deviceClass);
    QSvgRenderer* renderer = Renderer(lastPainted_);
    if (!renderer->isValid()) {
        return;
    }
    // Keep the drawing's proportions, centred in whatever room the layout gives.
    QSizeF size = renderer->defaultSize();
    if (size.isEmpty()) {
        size = QSizeF(rect().size());
    }
    size.scale(QSizeF(rect().size()), Qt::KeepAspectRatio);
    const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                        size.height());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer->render(&painter, target);
}

}  // namespace veltrano
