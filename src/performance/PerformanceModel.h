#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace veltrano {

// A bank of six performances as the editor pages see it. A freshly constructed object holds
// the defaults of the "New" command (before any voice catalogue is applied); the byte layout in
// the file is PerformanceFile's business.

inline constexpr int kPerformanceCount = 6;
inline constexpr int kKeyboardPartCount = 4;  // R1, R2, R3, L
inline constexpr int kMaxPads = 12;
inline constexpr int kMaxKnobs = 6;
inline constexpr int kMaxPedals = 3;
inline constexpr int kChordNoteRoom = 256;
// A path field holds at most this many bytes in the legacy code page, plus a terminator.
inline constexpr size_t kMaxPathBytes = 259;
inline constexpr size_t kInsertionEffectSize = 140;

inline constexpr std::array<const char*, kKeyboardPartCount> kPartNames{"R1", "R2", "R3", "L"};

// A preset given by number (source 0) or a file given by path (any other source). The voice of
// a keyboard part distinguishes the USER (1) and USB (2) tabs; the other references treat every
// non-zero source as a path.
struct PresetRef {
    uint8_t source = 0;
    uint16_t number = 0;
    std::string path;  // UTF-8

    [[nodiscard]] bool IsFile() const { return source != 0; }
    bool operator==(const PresetRef&) const = default;
};

struct KeyboardPart {
    uint8_t on = 0;
    PresetRef voice;
    uint8_t p1 = 0;  // the voice's three catalogue numbers
    uint8_t p2 = 0;
    uint8_t p3 = 0;
    int8_t octave = 0;  // semitones
    uint8_t reverb = 40;
    uint8_t chorus = 0;
    bool operator==(const KeyboardPart&) const = default;
};

struct KeyboardSection {
    std::array<KeyboardPart, kKeyboardPartCount> parts{};
    // The three leading offsets of the section as last read; the writer computes its own.
    std::array<uint32_t, 3> offsets{};
    std::array<uint16_t, kKeyboardPartCount> splitKeys{54, 54, 54, 54};
    uint16_t masterTune = 4400;  // tenths of a hertz
    int8_t transpose = 0;        // k1
    uint8_t touchLatch = 1;      // k2: bit 0 touch on, bits 1-2 latch (0, 2, 4)
    uint8_t touchCurve = 2;      // k3
    uint8_t fixedLevel = 100;    // k4
    uint8_t k5 = 0;
    uint8_t k6 = 0;
    std::array<uint8_t, kKeyboardPartCount> volumes{110, 110, 110, 110};
    std::array<int8_t, kKeyboardPartCount> pans{};

    KeyboardSection();
    bool operator==(const KeyboardSection&) const = default;
};

inline constexpr std::array<uint8_t, kInsertionEffectSize> kInsertionEffectDefaults{
    29,  79,  121, 32,  64,  63,  20,  106, 44,  34,  77,  51,  36,  100, 80,  41,  81,  126,
    40,  64,  127, 41,  64,  127, 41,  64,  127, 41,  64,  127, 41,  64,  127, 41,  64,  127,
    41,  64,  127, 70,  20,  90,  60,  10,  8,   127, 10,  127, 118, 30,  91,  100, 20,  99,
    64,  127, 60,  64,  127, 90,  64,  127, 60,  64,  115, 56,  64,  127, 73,  80,  10,  110,
    80,  15,  80,  100, 20,  127, 100, 50,  127, 99,  20,  100, 80,  20,  50,  110, 40,  120,
    60,  40,  70,  70,  70,  127, 80,  10,  100, 100, 100, 255, 80,  80,  255, 80,  100, 255,
    127, 100, 255, 80,  70,  70,  90,  110, 40,  100, 60,  113, 80,  120, 100, 80,  80,  40,
    90,  127, 127, 100, 127, 127, 127, 100, 255, 35,  255, 255, 0,   0};

struct PartEffect {
    // Bits 0-3: arpeggiator, harmony, chopper, insertion effect on; bit 15 a further switch.
    uint16_t flags = 0;
    PresetRef arpPattern;
    std::array<uint8_t, 9> arpParams{12, 0, 0, 0, 1, 255, 1, 127, 1};
    std::array<uint8_t, 12> fixedNotes{60, 64, 67, 71, 74, 77, 81, 84, 84, 84, 84, 84};
    uint8_t harmonyType = 0;
    uint8_t harmonyRatio = 80;
    uint8_t harmonyTouchLimit = 1;
    uint8_t chopperMode = 0;
    uint8_t chopperSpeed = 4;
    uint8_t chopperPullUp = 5;
    PresetRef chopperPattern;
    std::array<uint8_t, kInsertionEffectSize> insertion = kInsertionEffectDefaults;
    bool operator==(const PartEffect&) const = default;
};

struct EffectSection {
    // A: global effect switch, reverb type, reverb master level, chorus type, chorus level.
    std::array<uint8_t, 5> globalEffect{0, 0, 64, 0, 64};
    // B: equaliser switch, then frequency index and gain of Low, Low-Mid, High-Mid, High.
    std::array<uint8_t, 9> equaliser{0, 64, 0, 64, 0, 64, 0, 64, 0};
    uint8_t headerByte = 0;  // kept as read; the reset leaves it alone
    std::array<PartEffect, kKeyboardPartCount> parts{};

    EffectSection();
    bool operator==(const EffectSection&) const = default;
};

struct Pad {
    uint8_t kind = 1;  // 0 drum, 1 chord, 2 tempo tap, 3 start/stop, 4 effect switch, 5 sync
    std::array<uint8_t, 4> drum{0, 0, 0, 60};  // d1-d3 the drum voice, d4 its pitch
    uint8_t chordByte = 0;                     // e
    uint8_t noteCount = 0;                     // n
    // The n chord notes and the word stored after them (0x93 in the low byte, the note above).
    std::array<uint16_t, kChordNoteRoom> notes{};
    uint8_t applyTo = 1;  // f
    bool operator==(const Pad&) const = default;
};

struct Knob {
    uint8_t group = 0;
    uint8_t function = 0;
    uint8_t applyTo = 1;  // bit 0 R1, bit 1 R2, bit 2 R3, bit 3 L
    bool operator==(const Knob&) const = default;
};

struct Pedal {
    uint8_t function = 0;
    uint8_t q1 = 127;
    uint8_t q2 = 0;
    uint8_t q3 = 0;
    uint8_t q4 = 1;  // apply-to bits
    bool operator==(const Pedal&) const = default;
};

struct ControllersSection {
    std::array<Pad, kMaxPads> pads{};
    std::array<Knob, kMaxKnobs> knobs{};
    std::array<uint8_t, 3> pitchBend{16, 15, 2};  // byte 1 apply-to bits, byte 2 bend range
    std::array<Pedal, kMaxPedals> pedals{};
    bool operator==(const ControllersSection&) const = default;
};

struct StyleSongSection {
    uint16_t tempo = 120;
    uint8_t selection = 0;  // 0 style, 1 song
    PresetRef style;
    uint8_t styleSwitches = 0;
    uint8_t mainSection = 0;
    uint8_t fullRange = 0;
    uint8_t detectMode = 1;
    uint8_t styleSplitKey = 54;
    uint8_t styleVolume = 100;
    std::array<uint8_t, 8> trackVolumes{100, 100, 100, 100, 100, 100, 100, 100};
    std::array<uint8_t, 2> trackBits{};
    PresetRef song;
    uint8_t songSettings = 0;
    uint8_t songVolume = 100;
    std::array<uint8_t, 16> channelVolumes{100, 100, 100, 100, 100, 100, 100, 100,
                                           100, 100, 100, 100, 100, 100, 100, 100};
    std::array<uint16_t, 2> channelBits{};
    bool operator==(const StyleSongSection&) const = default;
};

struct GlobalSection {
    uint8_t denominatorItem = 2;    // g1: drop-down item + 1
    uint8_t numeratorItem = 4;      // g2: drop-down item + 1
    uint8_t accentBell = 1;         // g3
    uint8_t metronomeVolume = 100;  // g4
    uint16_t fadeInTime = 0;        // g5, tenths of a second
    uint16_t fadeOutTime = 0;       // g6
    uint8_t fadeOutHoldTime = 0;    // g7
    bool operator==(const GlobalSection&) const = default;
};

struct Performance {
    KeyboardSection keyboard;
    EffectSection effect;
    ControllersSection controllers;
    StyleSongSection styleSong;
    GlobalSection global;
    // Whether the file this performance came from held pitch-bend settings.
    bool pitchBendPresent = false;
    bool operator==(const Performance&) const = default;
};

// The six performances, which one the editor shows, and whether a file has been read.
class PerformanceBank {
public:
    [[nodiscard]] Performance& At(int index) {
        return performances_.at(static_cast<size_t>(index));
    }
    [[nodiscard]] const Performance& At(int index) const {
        return performances_.at(static_cast<size_t>(index));
    }
    [[nodiscard]] Performance& Current() { return At(current_); }
    [[nodiscard]] const Performance& Current() const { return At(current_); }

    [[nodiscard]] int CurrentIndex() const { return current_; }
    // False (and no change) outside 0 to 5.
    [[nodiscard]] bool SetCurrentIndex(int index);

    [[nodiscard]] bool Loaded() const { return loaded_; }
    void SetLoaded(bool loaded) { loaded_ = loaded; }

    // The performances of another bank, with its loaded flag; the current index stays.
    void TakePerformances(PerformanceBank&& other);

    [[nodiscard]] std::array<Performance, kPerformanceCount>& Performances() {
        return performances_;
    }
    [[nodiscard]] const std::array<Performance, kPerformanceCount>& Performances() const {
        return performances_;
    }

    bool operator==(const PerformanceBank&) const = default;

private:
    std::array<Performance, kPerformanceCount> performances_{};
    int current_ = 0;
    bool loaded_ = false;
};

}  // namespace veltrano
