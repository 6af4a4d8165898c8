#include "device/gui/ConnectionIndicator.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include <algorithm>

namespace veltrano {

namespace {

// The lamp's own colours: its meaning is its colour, so the stylesheet does not set them.
const QColor kOnColour(0x2e, 0xb8, 0x4a);
const QColor kOffColour(0x9a, 0x9a, 0x9a);

class IndicatorAccessible : public QAccessibleWidget {
public:
    explicit IndicatorAccessible(ConnectionIndicator* indicator)
        : QAccessibleWidget(indicator, QAccessible::Indicator) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = static_cast<const ConnectionIndicator*>(widget())->Connected();
        return state;
    }
};

QAccessibleInterface* MakeAccessible(const QString& /*className*/, QObject* object) {
    if (auto* indicator = qobject_cast<ConnectionIndicator*>(object)) {
        return new IndicatorAccessible(indicator);
    }
    return nullptr;
}

}  // namespace

ConnectionIndicator::ConnectionIndicator(QWidget* parent) : QWidget(parent) {
    static const bool kFactoryInstalled = (QAccessible::installFactory(&MakeAccessible), true);
    (void)kFactoryInstalled;
    setObjectName(QStringLiteral("connectionIndicator"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ConnectionIndicator::SetConnected(bool connected) {
    const bool changed = connected != connected_;
    connected_ = connected;
    // Redrawn on every call: the caller repaints the indicator area after each device display
    // change, also when the state stayed the same.
    update();
    if (changed) {
        QAccessible::State states;
        states.checked = true;
        QAccessibleStateChangeEvent event(this, states);
        QAccessible::updateAccessibility(&event);
    }
}

QSize ConnectionIndicator::sizeHint() const {
    // Scales with the font, so it stays in proportion on large or high-density screens.
    const int side = fontMetrics().height();
    return {side, side};
}

QSize ConnectionIndicator::minimumSizeHint() const {
    return sizeHint();
}

void ConnectionIndicator::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height()) * 0.75;
    const QRectF lamp((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QColor fill = connected_ ? kOnColour : kOffColour;
    painter.setPen(QPen(fill.darker(150), 1.0));
    painter.setBrush(fill);
    painter.drawEllipse(lamp);
}

}  // namespace veltrano
