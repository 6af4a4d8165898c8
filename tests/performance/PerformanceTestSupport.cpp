#include "performance/PerformanceTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "base/Reporter.h"

namespace veltrano::test {

ControllerLayout Layout(bool pitchBend, int knobFunctionGroups, int pads, int knobs, int pedals) {
    ControllerLayout layout;
    layout.padCount = pads;
    layout.knobCount = knobs;
    layout.pedalCount = pedals;
    layout.pitchBend = pitchBend;
    layout.knobFunctionGroups = knobFunctionGroups;
    layout.knobCustomGroup = 3;
    return layout;
}

Bytes WriteBank(const PerformanceBank& bank, const ControllerLayout& layout, CodePage page) {
    RecordingReporter reporter;
    const PerformanceFile file(reporter, page);
    auto bytes = file.Build(bank, layout);
    EXPECT_TRUE(bytes.has_value()) << (reporter.Empty() ? "" : reporter.Texts().front());
    return bytes.value_or(Bytes{});
}

uint32_t U32At(const Bytes& bytes, size_t position) {
    ByteReader reader(bytes);
    reader.Seek(position);
    const uint32_t v = reader.U32Le();
    EXPECT_TRUE(reader.Ok()) << "no 32-bit value at " << position;
    return v;
}

uint16_t U16At(const Bytes& bytes, size_t position) {
    ByteReader reader(bytes);
    reader.Seek(position);
    const uint16_t v = reader.U16Le();
    EXPECT_TRUE(reader.Ok()) << "no 16-bit value at " << position;
    return v;
}

void PutU32(Bytes& bytes, size_t position, uint32_t value) {
    ASSERT_LE(position + 4, bytes.size());
    for (int i = 0; i < 4; ++i) {
        bytes[position + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

size_t BlockStart(const Bytes& file, int k) {
    return U32At(file, 5 + 4 * static_cast<size_t>(k));
}

size_t HeaderPosition(const Bytes& file, int k, int entry) {
    return BlockStart(file, k) + 4 * static_cast<size_t>(entry);
}

uint32_t Header(const Bytes& file, int k, int entry) {
    return U32At(file, HeaderPosition(file, k, entry));
}

namespace {

template <typename T>
T Draw(std::mt19937& rng, int low, int high) {
    return static_cast<T>(std::uniform_int_distribution<int>(low, high)(rng));
}

template <size_t N, typename T>
void Fill(std::mt19937& rng, std::array<T, N>& values, int low = 0, int high = 255) {
    for (T& v : values) {
        v = Draw<T>(rng, low, high);
    }
}

// A path of up to kMaxPathBytes bytes in the code page, sometimes empty, sometimes full.
std::string RandomPath(std::mt19937& rng, CodePage page) {
    static const std::array<const char*, 6> kWestern{"\xC3\xA9", "\xC3\xBC", "\xE2\x82\xAC",
                                                     "\xC3\x9F", "\xC3\x91", "\xC2\xB0"};
    static const std::array<const char*, 4> kChinese{"\xE9\x92\xA2", "\xE7\x90\xB4", "\xE9\x9F\xB3",
                                                     "\xE8\x89\xB2"};
    const int shape = Draw<int>(rng, 0, 9);
    const size_t budget = shape == 0 ? 0 : shape == 1 ? kMaxPathBytes : Draw<size_t>(rng, 1, 80);
    std::string path;
    size_t used = 0;
    while (used < budget) {
        const int pick = Draw<int>(rng, 0, 9);
        if (pick < 6 || budget - used < 2) {
            path.push_back(Draw<char>(rng, 0x20, 0x7E));
            used += 1;
        } else if (page == CodePage::Gbk) {
            path += kChinese[Draw<size_t>(rng, 0, kChinese.size() - 1)];
            used += 2;
        } else {
            path += kWestern[Draw<size_t>(rng, 0, kWestern.size() - 1)];
            used += 1;
        }
    }
    return path;
}

void RandomRef(std::mt19937& rng, PresetRef& ref, CodePage page, int maxSource) {
    ref.source = Draw<uint8_t>(rng, 0, maxSource);
    if (ref.IsFile()) {
        ref.path = RandomPath(rng, page);
    } else {
        ref.number = Draw<uint16_t>(rng, 0, 65535);
    }
}

}  // namespace

PerformanceBank RandomBank(std::mt19937& rng, CodePage page) {
    PerformanceBank bank;
    for (Performance& p : bank.Performances()) {
        KeyboardSection& kb = p.keyboard;
        for (KeyboardPart& part : kb.parts) {
            part.on = Draw<uint8_t>(rng, 0, 1);
            RandomRef(rng, part.voice, page, 2);
            part.p1 = Draw<uint8_t>(rng, 0, 255);
            part.p2 = Draw<uint8_t>(rng, 0, 255);
            part.p3 = Draw<uint8_t>(rng, 0, 255);
            part.octave = Draw<int8_t>(rng, -128, 127);
            part.reverb = Draw<uint8_t>(rng, 0, 255);
            part.chorus = Draw<uint8_t>(rng, 0, 255);
        }
        Fill(rng, kb.splitKeys, 0, 65535);
        kb.masterTune = Draw<uint16_t>(rng, 0, 65535);
        kb.transpose = Draw<int8_t>(rng, -128, 127);
        kb.touchLatch = Draw<uint8_t>(rng, 0, 255);
        kb.touchCurve = Draw<uint8_t>(rng, 0, 255);
        kb.fixedLevel = Draw<uint8_t>(rng, 0, 255);
        kb.k5 = Draw<uint8_t>(rng, 0, 255);
        kb.k6 = Draw<uint8_t>(rng, 0, 255);
        Fill(rng, kb.volumes);
        Fill(rng, kb.pans, -128, 127);

        EffectSection& fx = p.effect;
        Fill(rng, fx.globalEffect);
        Fill(rng, fx.equaliser);
        fx.headerByte = Draw<uint8_t>(rng, 0, 255);
        for (PartEffect& part : fx.parts) {
            part.flags = Draw<uint16_t>(rng, 0, 65535);
            RandomRef(rng, part.arpPattern, page, 255);
            Fill(rng, part.arpParams);
            Fill(rng, part.fixedNotes);
            part.harmonyType = Draw<uint8_t>(rng, 0, 255);
            part.harmonyRatio = Draw<uint8_t>(rng, 0, 255);
            part.harmonyTouchLimit = Draw<uint8_t>(rng, 0, 255);
            part.chopperMode = Draw<uint8_t>(rng, 0, 255);
            part.chopperSpeed = Draw<uint8_t>(rng, 0, 255);
            part.chopperPullUp = Draw<uint8_t>(rng, 0, 255);
            RandomRef(rng, part.chopperPattern, page, 255);
            Fill(rng, part.insertion);
        }

        ControllersSection& ctl = p.controllers;
        for (Pad& pad : ctl.pads) {
            pad.kind = Draw<uint8_t>(rng, 0, 7);
            Fill(rng, pad.drum);
            pad.chordByte = Draw<uint8_t>(rng, 0, 255);
            pad.noteCount = Draw<uint8_t>(rng, 0, 254);
            Fill(rng, pad.notes, 0, 65535);
            pad.applyTo = Draw<uint8_t>(rng, 0, 255);
        }
        for (Knob& knob : ctl.knobs) {
            knob.group = Draw<uint8_t>(rng, 0, 255);
            knob.function = Draw<uint8_t>(rng, 0, 20);
            knob.applyTo = Draw<uint8_t>(rng, 0, 15);
        }
        Fill(rng, ctl.pitchBend);
        for (Pedal& pedal : ctl.pedals) {
            pedal.function = Draw<uint8_t>(rng, 0, 14);
            pedal.q1 = Draw<uint8_t>(rng, 0, 255);
            pedal.q2 = Draw<uint8_t>(rng, 0, 255);
            pedal.q3 = Draw<uint8_t>(rng, 0, 255);
            pedal.q4 = Draw<uint8_t>(rng, 0, 255);
        }

        StyleSongSection& ss = p.styleSong;
        ss.tempo = Draw<uint16_t>(rng, 0, 65535);
        ss.selection = Draw<uint8_t>(rng, 0, 255);
        RandomRef(rng, ss.style, page, 255);
        ss.styleSwitches = Draw<uint8_t>(rng, 0, 255);
        ss.mainSection = Draw<uint8_t>(rng, 0, 255);
        ss.fullRange = Draw<uint8_t>(rng, 0, 255);
        ss.detectMode = Draw<uint8_t>(rng, 0, 255);
        ss.styleSplitKey = Draw<uint8_t>(rng, 0, 255);
        ss.styleVolume = Draw<uint8_t>(rng, 0, 255);
        Fill(rng, ss.trackVolumes);
        Fill(rng, ss.trackBits);
        RandomRef(rng, ss.song, page, 255);
        ss.songSettings = Draw<uint8_t>(rng, 0, 255);
        ss.songVolume = Draw<uint8_t>(rng, 0, 255);
        Fill(rng, ss.channelVolumes);
        Fill(rng, ss.channelBits, 0, 65535);

        GlobalSection& g = p.global;
        g.denominatorItem = Draw<uint8_t>(rng, 0, 255);
        g.numeratorItem = Draw<uint8_t>(rng, 0, 255);
        g.accentBell = Draw<uint8_t>(rng, 0, 255);
        g.metronomeVolume = Draw<uint8_t>(rng, 0, 255);
        g.fadeInTime = Draw<uint16_t>(rng, 0, 65535);
        g.fadeOutTime = Draw<uint16_t>(rng, 0, 65535);
        g.fadeOutHoldTime = Draw<uint8_t>(rng, 0, 255);
    }
    return bank;
}

}  // namespace veltrano::test
