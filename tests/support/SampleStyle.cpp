#include "support/SampleStyle.h"

#include <gtest/gtest.h>

#include "base/Bytes.h"
#include "base/Reporter.h"

namespace veltrano::test {

namespace {

void AddSection(StyleModel& m, int slot, uint8_t bars, bool bass) {
    StyleSection& s = m.sections[static_cast<size_t>(slot)];
    s.present = true;
    s.bars = bars;
    ByteWriter out;
    // Rhythm part: note-on, then its note-off as velocity 0 a beat later.
    AppendMusicDelta(out, 0);
    out.U8(0x90);
    out.U8(36);
    out.U8(100);
    AppendMusicDelta(out, 96);
    out.U8(0x90);
    out.U8(36);
    out.U8(0);
    // A chord note held for two beats; the duration follows the note-on.
    AppendMusicDelta(out, 0);
    out.U8(0x92);
    out.U8(64);
    out.U8(90);
    out.Vlq(192);
    if (bass) {
        AppendMusicDelta(out, 96);
        out.U8(0x94);
        out.U8(40);
        out.U8(80);
        out.Vlq(96);
    }
    s.music.events = out.Take();
    const uint32_t used = bass ? 192 : 96;
    s.music.remainingTicks = bars * 384u - used;
    s.channels[0].inUse = true;
    s.channels[2].inUse = true;
    s.channels[4].inUse = bass;
}

}  // namespace

StyleModel SampleStyle() {
    StyleModel m;
    m.info.division = 96;
    m.info.tempo = 120;
    m.info.shortName = "POP";
    m.info.longName = "Pop Ballad";
    AddSection(m, IntroSlot(0), 1, false);
    AddSection(m, MainSlot(0), 2, true);
    AddSection(m, FillSlot(0), 1, false);
    AddSection(m, MainSlot(1), 1, false);
    AddSection(m, EndingSlot(0), 1, false);
    return m;
}

void WriteSampleStyle(const std::filesystem::path& path) {
    StyleFile style;
    style.Model() = SampleStyle();
    RecordingReporter reporter;
    ASSERT_TRUE(style.Write(path, reporter)) << path;
}

}  // namespace veltrano::test
