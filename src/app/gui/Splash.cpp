#include "app/gui/Splash.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

namespace veltrano {

namespace {

constexpr QSize kPlainSize{480, 300};
// A picture larger than this share of the screen is scaled down to it.
constexpr double kMaxScreenShare = 0.8;

QScreen* TargetScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

Splash::Splash(const QString& picturePath, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    // Closing the picture before the panel is shown must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Splash::Dismiss);
    LoadPicture(picturePath);
    setFixedSize(picture_.deviceIndependentSize().toSize());
}

Splash::~Splash() {
    if (up_) {
        qApp->removeEventFilter(this);
    }
}

void Splash::LoadPicture(const QString& picturePath) {
    QScreen* screen = TargetScreen();
    const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    QSvgRenderer renderer;
    QSize size = kPlainSize;
    fromFile_ = QFileInfo(picturePath).isFile() && renderer.load(picturePath) &&
                renderer.isValid() && !renderer.defaultSize().isEmpty();
    if (fromFile_) {
        size = renderer.defaultSize();
        if (screen != nullptr) {
            const QSize limit = screen->availableSize() * kMaxScreenShare;
            if (size.width() > limit.width() || size.height() > limit.height()) {
                size.scale(limit, Qt::KeepAspectRatio);
            }
        }
    }
    picture_ = QPixmap(size * ratio);
    picture_.setDevicePixelRatio(ratio);
    picture_.fill(Qt::transparent);
    QPainter painter(&picture_);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    if (fromFile_) {
        renderer.render(&painter, area);
        return;
    }
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, QColor(0x1d, 0x26, 0x33));
    gradient.setColorAt(1, QColor(0x2f, 0x4a, 0x63));
    painter.fillRect(area, gradient);
    QFont font = painter.font();
    font.setPointSizeF(28);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, QStringLiteral("Veltrano"));
}

void Splash::Popup() {
    if (up_) {
        return;
    }
    if (QScreen* screen = TargetScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    up_ = true;
    qApp->installEventFilter(this);
    show();
    timer_.start(timeout_);
}

void Splash::Dismiss() {
    if (!up_) {
        return;
    }
    up_ = false;
    timer_.stop();
    qApp->removeEventFilter(this);
    hide();
    emit Dismissed();
}

bool Splash::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            Dismiss();
            return true;
        case QEvent::ShortcutOverride:
            // Claimed, so the key arrives as a key press (and is swallowed there) instead of
            // firing a shortcut.
            event->accept();
            return true;
        case QEvent::Close:
            // A request to close a window. Dialogs are left alone: the program opens and closes
            // them itself while it starts (progress, messages).
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow() &&
                qobject_cast<QDialog*>(watched) == nullptr) {
                event->ignore();
                Dismiss();
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void Splash::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

}  // namespace veltrano
