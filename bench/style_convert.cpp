// A full, dense style through both conversions: a MIDI file with the lead-in, 2 intros, 4 mains,
// 16 fills and 2 endings of 8 bars each, 16 channels playing sixteenth notes with controllers,
// made into a style, the style turned back into a MIDI file, and that made into a style again.
// Prints the milliseconds of each direction.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "style/MidiToStyle.h"
#include "style/MidiWriter.h"
#include "style/StyleToMidi.h"

namespace {

using namespace veltrano;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint16_t kDivision = 480;
constexpr uint32_t kBar = 4 * kDivision;
constexpr int kBars = 8;

struct Timed {
    uint32_t tick;
    int order;
    Bytes bytes;
};

Bytes DenseStyleMidi() {
    std::vector<Timed> events;
    std::vector<std::string> names{"Sint"};
    const int slots[] = {IntroSlot(0), IntroSlot(1), MainSlot(0),
                         MainSlot(1),  MainSlot(2),  MainSlot(3)};
    for (int slot : slots) {
        names.emplace_back(SectionName(slot));
    }
    for (int k = 0; k < kFillCount; ++k) {
        names.emplace_back(SectionName(FillSlot(k)));
    }
    names.emplace_back(SectionName(EndingSlot(0)));
    names.emplace_back(SectionName(EndingSlot(1)));

    uint32_t start = 0;
    for (size_t s = 0; s < names.size(); ++s) {
        const int bars = s == 0 ? 1 : kBars;
        Bytes marker{0xFF, 0x06, static_cast<uint8_t>(names[s].size())};
        marker.insert(marker.end(), names[s].begin(), names[s].end());
        events.push_back({start, 0, marker});
        const uint32_t sixteenth = kDivision / 4;
        for (uint32_t t = 0; t < bars * kBar; t += sixteenth) {
            for (int ch = 0; ch < 16; ++ch) {
                const uint8_t note = static_cast<uint8_t>(36 + (t / sixteenth + ch * 5) % 48);
                events.push_back({start + t, 2, {static_cast<uint8_t>(0x90 | ch), note, 100}});
                events.push_back(
                    {start + t + sixteenth - 10, 1, {static_cast<uint8_t>(0x80 | ch), note, 0}});
                if (t % kDivision == 0) {
                    events.push_back({start + t,
                                      2,
                                      {static_cast<uint8_t>(0xB0 | ch), 7,
                                       static_cast<uint8_t>(t / kDivision % 128)}});
                }
            }
        }
        start += bars * kBar;
    }
    std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    ByteWriter file;
    MidiWriter::write_header(file);
    MidiWriter::write_text_meta(file, 0, 0x01, "name:Benchmark Style,BENCH,Second,Third");
    file.Append(Bytes{0x00, 0xFF, 0x58, 0x04, 4, 2, 0x18, 0x08, 0x00, 0xFF, 0x51, 0x03});
    file.U24Be(500000);
    uint32_t last = 0;
    for (const Timed& e : events) {
        file.Vlq(e.tick - last);
        file.Append(e.bytes);
        last = e.tick;
    }
    file.Vlq(start - last);
    file.Append(Bytes{0xFF, 0x2F, 0x00});
    (void)MidiWriter::finish(file, kDivision);
    return file.Take();
}

double MidiToStyleMs(const fs::path& midi, const fs::path& style) {
    SilentReporter reporter;
    const auto begin = Clock::now();
    MidiToStyle wizard;
    bool ok = wizard.Analyse(midi, reporter) &&
              wizard.ChooseSections(wizard.FoundBoxes(), wizard.Model().info.shortName, "");
    wizard.ResetSettings();
    wizard.StoreSettings();
    ok = ok && wizard.Save(style, reporter) == StyleFile::SaveOutcome::Written;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    return ok ? ms : -1.0;
}

double StyleToMidiMs(const fs::path& style, const fs::path& midi) {
    SilentReporter reporter;
    const auto begin = Clock::now();
    StyleToMidi converter;
    const bool ok =
        converter.Open(style, reporter) && converter.Convert(ConversionMode::Midi, midi, reporter);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    return ok ? ms : -1.0;
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / "veltrano-bench-style";
    fs::create_directories(dir);
    const Bytes midi = DenseStyleMidi();
    if (!WriteFileAtomic(dir / "dense.mid", AsText(midi))) {
        return 1;
    }
    std::printf("dense style: 25 sections, 16 channels, %zu bytes of MIDI\n", midi.size());
    const int rounds = 5;
    double m2s = 1e9;
    double s2m = 1e9;
    double back = 1e9;
    for (int r = 0; r < rounds; ++r) {
        m2s = std::min(m2s, MidiToStyleMs(dir / "dense.mid", dir / "dense.sty"));
        s2m = std::min(s2m, StyleToMidiMs(dir / "dense.sty", dir / "back.mid"));
        back = std::min(back, MidiToStyleMs(dir / "back.mid", dir / "back.sty"));
    }
    std::printf("style size %ju bytes\n", static_cast<uintmax_t>(fs::file_size(dir / "dense.sty")));
    std::printf("MIDI to style:       %8.1f ms (best of %d)\n", m2s, rounds);
    std::printf("style to MIDI:       %8.1f ms\n", s2m);
    std::printf("MIDI to style again: %8.1f ms\n", back);
    const bool same = ReadFileBytes(dir / "dense.sty") == ReadFileBytes(dir / "back.sty");
    std::printf("round trip gives the same style: %s\n", same ? "yes" : "no");
    fs::remove_all(dir);
    return m2s < 0 || s2m < 0 || back < 0 ? 1 : 0;
}
