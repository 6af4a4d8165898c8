#pragma once

#include <array>
#include <optional>
#include <string>

namespace veltrano {

// A key's rectangle in the keyboard's own coordinates (origin top left, y down).
struct KeyRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    [[nodiscard]] double Right() const { return x + width; }
    [[nodiscard]] double Bottom() const { return y + height; }
    [[nodiscard]] double CenterX() const { return x + width / 2; }
    [[nodiscard]] double CenterY() const { return y + height / 2; }
    // Half-open, so a point on the border between two keys belongs to one of them only.
    [[nodiscard]] bool Contains(double px, double py) const {
        return px >= x && px < Right() && py >= y && py < Bottom();
    }
};

// The layout of the 88 keys A0 (21) to C8 (108) in a given width and height: white keys of equal
// width side by side, black keys narrower and shorter on top of them, offset the way a real
// keyboard offsets them. Kept free of any window toolkit so the layout can be checked alone.
class KeyboardGeometry {
public:
    static constexpr int kLowestNote = 21;
    static constexpr int kHighestNote = 108;
    static constexpr int kKeyCount = kHighestNote - kLowestNote + 1;
    static constexpr int kWhiteKeyCount = 52;
    // Black keys against white keys.
    static constexpr double kBlackWidthRatio = 0.6;
    static constexpr double kBlackHeightRatio = 0.63;

    KeyboardGeometry() { Resize(0, 0); }
    KeyboardGeometry(double width, double height) { Resize(width, height); }

    // Lays the keys out again; negative sizes count as zero.
    void Resize(double width, double height);

    [[nodiscard]] double Width() const { return width_; }
    [[nodiscard]] double Height() const { return height_; }
    [[nodiscard]] double WhiteKeyWidth() const { return width_ / kWhiteKeyCount; }
    [[nodiscard]] static constexpr int WhiteKeyCount() { return kWhiteKeyCount; }

    [[nodiscard]] static constexpr bool InRange(int note) {
        return note >= kLowestNote && note <= kHighestNote;
    }
    [[nodiscard]] static constexpr bool IsBlack(int note) {
        const int pitchClass = ((note % 12) + 12) % 12;
        return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 ||
               pitchClass == 10;
    }
    // "C4" for 60, "A0" for 21; "C#4" style for the black keys.
    [[nodiscard]] static std::string NoteName(int note);

    // The key's rectangle; nothing for a note outside the keyboard.
    [[nodiscard]] std::optional<KeyRect> Rect(int note) const;
    // The key under a point: black keys lie on top of the white ones. -1 when no key is there.
    [[nodiscard]] int NoteAt(double x, double y) const;

private:
    double width_ = 0;
    double height_ = 0;
    std::array<KeyRect, kKeyCount> rects_{};
};

}  // namespace veltrano
