#pragma once

#include <QWidget>
#include <bitset>
#include <vector>

#include "ui/KeyboardGeometry.h"

class QMouseEvent;
class QPainter;

namespace veltrano {

class OnScreenKeyboard;

// The main panel's keyboard. It draws the keys and routes the user's mouse to the keyboard
// rules, which decide whether a note goes out. Playing a key (the mouse) and showing a key
// (ShowKey, MarkKey: asked by other windows) are kept apart, so showing never sends a note and
// a window that follows the played keys cannot start an echo.
class PianoKeyboard : public QWidget {
    Q_OBJECT

public:
    explicit PianoKeyboard(OnScreenKeyboard& rules, QWidget* parent = nullptr);

    // Off releases every key (held ones included) and ignores the mouse until switched on again.
    void SetKeysOn(bool on);
    [[nodiscard]] bool KeysOn() const { return keysOn_; }
    // With latch on a click holds a key until it is clicked again; latch off lets go of the
    // latched keys.
    void SetLatch(bool on);
    [[nodiscard]] bool Latch() const { return latch_; }

    // A key held down or let go elsewhere (an editor, the instrument): drawn, never sent.
    void ShowKey(int note, bool down);
    [[nodiscard]] bool KeyShown(int note) const;
    // A dot on a key (chord notes, drum pitches); drawn only.
    void MarkKey(int note, bool marked);
    void ClearMarks();
    [[nodiscard]] bool KeyMarked(int note) const;

    // The keys the user holds, latched ones included, in ascending order.
    [[nodiscard]] std::vector<int> HeldKeys() const;
    // The layout at the widget's current size.
    [[nodiscard]] const KeyboardGeometry& Geometry() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    void KeyPressed(int note);
    void KeyReleased(int note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr size_t kNoteCount = 128;

    [[nodiscard]] int NoteAt(const QMouseEvent& event) const;
    void PlayKey(int note);
    void StopKey(int note);
    // Lets go of the key the mouse holds, if any (not the latched ones).
    void EndDrag();
    void UpdateKey(int note);
    void PaintWhiteKey(QPainter& painter, int note) const;
    void PaintBlackKey(QPainter& painter, int note) const;
    void PaintMark(QPainter& painter, int note, bool onDark) const;

    OnScreenKeyboard& rules_;
    // Laid out again on demand: a widget not yet shown gets no resize events.
    mutable KeyboardGeometry geometry_;
    bool keysOn_ = true;
    bool latch_ = false;
    bool dragging_ = false;
    int mouseNote_ = -1;  // the key under a held mouse button outside latch mode
    std::bitset<kNoteCount> held_;
    std::bitset<kNoteCount> shown_;
    std::bitset<kNoteCount> marked_;
};

}  // namespace veltrano
