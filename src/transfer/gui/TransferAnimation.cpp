#include "transfer/gui/TransferAnimation.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace veltrano {

namespace {

constexpr int kArrows = 4;
constexpr int kFrameMs = 120;

}  // namespace

TransferAnimation::TransferAnimation(Direction direction, QWidget* parent)
    : QWidget(parent), direction_(direction), timer_(new QTimer(this)) {
    timer_->setInterval(kFrameMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + 1) % kArrows;
        update();
    });
    setVisible(false);
}

void TransferAnimation::Start() {
    phase_ = 0;
    timer_->start();
    setVisible(true);
}

void TransferAnimation::Stop() {
    timer_->stop();
    setVisible(false);
}

bool TransferAnimation::Running() const {
    return timer_->isActive();
}

void TransferAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal step = static_cast<qreal>(width()) / kArrows;
    const qreal h = height();
    const QColor accent(0x2D, 0x7F, 0xF9);
    for (int i = 0; i < kArrows; ++i) {
        // The lit arrow runs in the direction of the transfer.
        const int lit = direction_ == Direction::ToRight ? phase_ : kArrows - 1 - phase_;
        QColor colour = accent;
        colour.setAlphaF(i == lit ? 1.0 : 0.3);
        const qreal x = step * i + step * 0.3;
        const qreal w = step * 0.4;
        QPainterPath chevron;
        if (direction_ == Direction::ToRight) {
            chevron.moveTo(x, h * 0.2);
            chevron.lineTo(x + w, h * 0.5);
            chevron.lineTo(x, h * 0.8);
        } else {
            chevron.moveTo(x + w, h * 0.2);
            chevron.lineTo(x, h * 0.5);
            chevron.lineTo(x + w, h * 0.8);
        }
        painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(chevron);
    }
}

}  // namespace veltrano
