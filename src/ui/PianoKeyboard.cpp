#include "ui/PianoKeyboard.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <utility>

#include "app/OnScreenKeyboard.h"

namespace veltrano {

namespace {

const QColor kAccent(0x2D, 0x7F, 0xF9);
const QColor kAccentDeep(0x1F, 0x66, 0xD1);
const QColor kShownWhite(0xA9, 0xCB, 0xFD);
const QColor kShownBlack(0x5E, 0x9A, 0xF5);
const QColor kKeyBed(0x20, 0x22, 0x26);
const QColor kLabel(0x7A, 0x81, 0x8C);

QRectF ToQt(const KeyRect& rect) {
    return QRectF(rect.x, rect.y, rect.width, rect.height);
}

// A key hangs from the rail: square at the top, rounded at the bottom.
QPainterPath KeyShape(const QRectF& rect, double radius) {
    QPainterPath rounded;
    rounded.addRoundedRect(rect.adjusted(0, -radius, 0, 0), radius, radius);
    QPainterPath clip;
    clip.addRect(rect);
    return rounded.intersected(clip);
}

bool ValidNote(int note) {
    return note >= 0 && note < 128;
}

// The colours of a key at rest (a gradient from its back to its front) and while shown.
struct KeyLook {
    std::array<std::pair<double, QColor>, 3> rest;
    QColor shown;
    int shownDarker;  // how much darker the shown key's back is, in percent
};
const KeyLook kWhiteKeyLook{{{{0, QColor(0xE6, 0xE9, 0xEE)},
                              {0.18, QColor(0xFB, 0xFB, 0xFC)},
                              {1, QColor(0xF1, 0xF3, 0xF6)}}},
                            kShownWhite,
                            108};
const KeyLook kBlackKeyLook{{{{0, QColor(0x16, 0x17, 0x1A)},
                              {0.85, QColor(0x3A, 0x3D, 0x44)},
                              {1, QColor(0x2A, 0x2C, 0x31)}}},
                            kShownBlack,
                            115};

// A key's body: the accent while held, the shown colour while another window holds it.
void PaintKeyBody(QPainter& painter, const QRectF& rect, double radius, bool held, bool shown,
                  const KeyLook& look) {
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    if (held) {
        fill.setColorAt(0, kAccentDeep);
        fill.setColorAt(1, kAccent);
    } else if (shown) {
        fill.setColorAt(0, look.shown.darker(look.shownDarker));
        fill.setColorAt(1, look.shown);
    } else {
        for (const auto& [position, colour] : look.rest) {
            fill.setColorAt(position, colour);
        }
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(KeyShape(rect, radius));
}

}  // namespace

PianoKeyboard::PianoKeyboard(OnScreenKeyboard& rules, QWidget* parent)
    : QWidget(parent), rules_(rules) {
    setAccessibleName(QStringLiteral("Keyboard"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

QSize PianoKeyboard::sizeHint() const {
    return QSize(880, 110);
}

QSize PianoKeyboard::minimumSizeHint() const {
    return QSize(KeyboardGeometry::WhiteKeyCount() * 6, 48);
}

void PianoKeyboard::SetKeysOn(bool on) {
    if (on == keysOn_) {
        return;
    }
    keysOn_ = on;
    if (!on) {
        dragging_ = false;
        mouseNote_ = -1;
        rules_.ReleaseAll();
        const std::vector<int> released = HeldKeys();
        held_.reset();
        for (const int note : released) {
            emit KeyReleased(note);
        }
    }
    update();
}

void PianoKeyboard::SetLatch(bool on) {
    if (on == latch_) {
        return;
    }
    latch_ = on;
    if (!on) {
        // The key under a still-held mouse button stays until the button comes up.
        for (const int note : HeldKeys()) {
            if (note != mouseNote_) {
                StopKey(note);
            }
        }
    }
}

void PianoKeyboard::ShowKey(int note, bool down) {
    if (!ValidNote(note) || shown_.test(static_cast<size_t>(note)) == down) {
        return;
    }
    shown_.set(static_cast<size_t>(note), down);
    UpdateKey(note);
}

bool PianoKeyboard::KeyShown(int note) const {
    return ValidNote(note) && shown_.test(static_cast<size_t>(note));
}

void PianoKeyboard::MarkKey(int note, bool marked) {
    if (!ValidNote(note) || marked_.test(static_cast<size_t>(note)) == marked) {
        return;
    }
    marked_.set(static_cast<size_t>(note), marked);
    UpdateKey(note);
}

void PianoKeyboard::ClearMarks() {
    if (marked_.any()) {
        marked_.reset();
        update();
    }
}

bool PianoKeyboard::KeyMarked(int note) const {
    return ValidNote(note) && marked_.test(static_cast<size_t>(note));
}

std::vector<int> PianoKeyboard::HeldKeys() const {
    std::vector<int> keys;
    for (int note = 0; note < static_cast<int>(kNoteCount); ++note) {
        if (held_.test(static_cast<size_t>(note))) {
            keys.push_back(note);
        }
    }
    return keys;
}

void PianoKeyboard::PlayKey(int note) {
    if (!KeyboardGeometry::InRange(note) || held_.test(static_cast<size_t>(note))) {
        return;
    }
    held_.set(static_cast<size_t>(note));
    (void)rules_.Press(note);  // the rules decide whether it sounds; the key goes down anyway
    emit KeyPressed(note);
    UpdateKey(note);
}

void PianoKeyboard::StopKey(int note) {
    if (!ValidNote(note) || !held_.test(static_cast<size_t>(note))) {
        return;
    }
    held_.reset(static_cast<size_t>(note));
    (void)rules_.Release(note);
    emit KeyReleased(note);
    UpdateKey(note);
}

void PianoKeyboard::EndDrag() {
    dragging_ = false;
    const int note = mouseNote_;
    mouseNote_ = -1;
    StopKey(note);
}

int PianoKeyboard::NoteAt(const QMouseEvent& event) const {
    const QPointF pos = event.position();
    return Geometry().NoteAt(pos.x(), pos.y());
}

void PianoKeyboard::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (!keysOn_ || dragging_) {
        return;
    }
    const int note = NoteAt(*event);
    if (note < 0) {
        return;
    }
    if (latch_) {
        if (held_.test(static_cast<size_t>(note))) {
            StopKey(note);
        } else {
            PlayKey(note);
        }
        return;
    }
    dragging_ = true;
    mouseNote_ = note;
    PlayKey(note);
}

void PianoKeyboard::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!dragging_ || !keysOn_) {
        return;
    }
    // Glissando: the old key comes up before the new one goes down, as a hand slides.
    const int note = NoteAt(*event);
    if (note == mouseNote_) {
        return;
    }
    const int old = mouseNote_;
    mouseNote_ = note;
    StopKey(old);
    if (note >= 0) {
        PlayKey(note);
    }
}

void PianoKeyboard::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (dragging_) {
        EndDrag();
    }
}

void PianoKeyboard::hideEvent(QHideEvent* event) {
    // A hidden widget gets no button release; a note must not hang on.
    if (dragging_) {
        EndDrag();
    }
    QWidget::hideEvent(event);
}

void PianoKeyboard::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled() && dragging_) {
        EndDrag();
    }
    QWidget::changeEvent(event);
}

const KeyboardGeometry& PianoKeyboard::Geometry() const {
    if (geometry_.Width() != width() || geometry_.Height() != height()) {
        geometry_.Resize(width(), height());
    }
    return geometry_;
}

void PianoKeyboard::UpdateKey(int note) {
    if (const auto rect = Geometry().Rect(note)) {
        update(ToQt(*rect).toAlignedRect().adjusted(-2, -2, 2, 2));
    }
}

void PianoKeyboard::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), kKeyBed);
    if (!keysOn_ || !isEnabled()) {
        painter.setOpacity(0.55);
    }
    for (int note = KeyboardGeometry::kLowestNote; note <= KeyboardGeometry::kHighestNote; ++note) {
        if (!KeyboardGeometry::IsBlack(note)) {
            PaintWhiteKey(painter, note);
        }
    }
    for (int note = KeyboardGeometry::kLowestNote; note <= KeyboardGeometry::kHighestNote; ++note) {
        if (KeyboardGeometry::IsBlack(note)) {
            PaintBlackKey(painter, note);
        }
    }
    // The keys disappear under the rail at the top.
    painter.setOpacity(1.0);
    const double shade = std::min(6.0, height() * 0.06);
    QLinearGradient rail(0, 0, 0, shade);
    rail.setColorAt(0, QColor(0, 0, 0, 90));
    rail.setColorAt(1, QColor(0, 0, 0, 0));
    painter.fillRect(QRectF(0, 0, width(), shade), rail);
}

void PianoKeyboard::PaintWhiteKey(QPainter& painter, int note) const {
    const auto key = Geometry().Rect(note);
    if (!key) {
        return;
    }
    const QRectF rect = ToQt(*key).adjusted(0.6, 0, -0.6, -0.6);
    const bool held = held_.test(static_cast<size_t>(note));
    PaintKeyBody(painter, rect, std::min(rect.width() * 0.15, 4.0), held,
                 shown_.test(static_cast<size_t>(note)), kWhiteKeyLook);

    if (note % 12 == 0) {
        const double pixelSize = std::min(rect.width() * 0.46, height() * 0.13);
        if (pixelSize >= 6) {
            QFont font = this->font();
            font.setPixelSize(static_cast<int>(pixelSize));
            painter.setFont(font);
            painter.setPen(held ? QColor(Qt::white) : kLabel);
            const QRectF label(rect.left(), rect.bottom() - pixelSize * 1.9, rect.width(),
                               pixelSize * 1.6);
            painter.drawText(label, Qt::AlignHCenter | Qt::AlignVCenter,
                             QString::fromStdString(KeyboardGeometry::NoteName(note)));
        }
    }
    if (marked_.test(static_cast<size_t>(note))) {
        PaintMark(painter, note, held);
    }
}

void PianoKeyboard::PaintBlackKey(QPainter& painter, int note) const {
    const auto key = Geometry().Rect(note);
    if (!key) {
        return;
    }
    const QRectF rect = ToQt(*key);
    const bool held = held_.test(static_cast<size_t>(note));
    const bool shown = shown_.test(static_cast<size_t>(note));
    PaintKeyBody(painter, rect, std::min(rect.width() * 0.18, 3.0), held, shown, kBlackKeyLook);
    if (!held && !shown) {
        // The lit front edge of the key, inset so it reads as a bevel.
        const double inset = rect.width() * 0.16;
        const QRectF front(rect.left() + inset, rect.bottom() - rect.height() * 0.1,
                           rect.width() - 2 * inset, rect.height() * 0.06);
        painter.setBrush(QColor(255, 255, 255, 28));
        painter.drawRoundedRect(front, 1.0, 1.0);
    }
    if (marked_.test(static_cast<size_t>(note))) {
        PaintMark(painter, note, true);
    }
}

void PianoKeyboard::PaintMark(QPainter& painter, int note, bool onDark) const {
    const auto key = Geometry().Rect(note);
    if (!key) {
        return;
    }
    const QRectF rect = ToQt(*key);
    const double white = Geometry().WhiteKeyWidth();
    const double diameter =
        std::max(3.0, std::min({white * 0.42, rect.width() * 0.7, height() * 0.1}));
    const double centreY = KeyboardGeometry::IsBlack(note)
                               ? rect.bottom() - rect.height() * 0.24
                               : height() * (KeyboardGeometry::kBlackHeightRatio + 0.1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(onDark ? QColor(Qt::white) : kAccent);
    painter.drawEllipse(QPointF(rect.center().x(), centreY), diameter / 2, diameter / 2);
}

}  // namespace veltrano
