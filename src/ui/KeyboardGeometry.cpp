#include "ui/KeyboardGeometry.h"

#include <algorithm>
#include <cmath>

namespace veltrano {

namespace {

// Where a black key's centre sits against the boundary of the two white keys it lies between,
// in white-key widths: C# and F# lean left, D# and A# lean right, G# stays in the middle, so the
// groups of two and three read at a glance.
double BlackKeyShift(int pitchClass) {
    switch (pitchClass) {
        case 1:
            return -0.08;
        case 3:
            return 0.08;
        case 6:
            return -0.1;
        case 10:
            return 0.1;
        default:
            return 0.0;
    }
}

}  // namespace

void KeyboardGeometry::Resize(double width, double height) {
    width_ = std::max(0.0, width);
    height_ = std::max(0.0, height);
    const double white = WhiteKeyWidth();
    const double blackWidth = white * kBlackWidthRatio;
    const double blackHeight = height_ * kBlackHeightRatio;
    int whiteIndex = 0;
    for (int note = kLowestNote; note <= kHighestNote; ++note) {
        KeyRect& rect = rects_[static_cast<size_t>(note - kLowestNote)];
        if (IsBlack(note)) {
            // A black key follows the white key just placed; it straddles that key's right edge.
            const double boundary = whiteIndex * white;
            const double centre = boundary + BlackKeyShift(note % 12) * white;
            rect = KeyRect{centre - blackWidth / 2, 0, blackWidth, blackHeight};
        } else {
            rect = KeyRect{whiteIndex * white, 0, white, height_};
            ++whiteIndex;
        }
    }
}

std::string KeyboardGeometry::NoteName(int note) {
    static constexpr const char* kNames[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                             "F#", "G",  "G#", "A",  "A#", "B"};
    const int pitchClass = ((note % 12) + 12) % 12;
    // Floor division, so names stay right below note 12 as well.
    const int octave = (note - pitchClass) / 12 - 1;
    return std::string(kNames[pitchClass]) + std::to_string(octave);
}

std::optional<KeyRect> KeyboardGeometry::Rect(int note) const {
    if (!InRange(note)) {
        return std::nullopt;
    }
    return rects_[static_cast<size_t>(note - kLowestNote)];
}

int KeyboardGeometry::NoteAt(double x, double y) const {
    if (!(x >= 0 && x < width_ && y >= 0 && y < height_)) {
        return -1;  // also rejects NaN
    }
    for (int note = kLowestNote; note <= kHighestNote; ++note) {
        if (IsBlack(note) && rects_[static_cast<size_t>(note - kLowestNote)].Contains(x, y)) {
            return note;
        }
    }
    const int whiteIndex =
        std::clamp(static_cast<int>(std::floor(x / WhiteKeyWidth())), 0, kWhiteKeyCount - 1);
    int seen = 0;
    for (int note = kLowestNote; note <= kHighestNote; ++note) {
        if (!IsBlack(note) && seen++ == whiteIndex) {
            return note;
        }
    }
    return -1;
}

}  // namespace veltrano
