#include "app/DemoFiles.h"

#include <functional>
#include <system_error>
#include <vector>

#include "arp/ArpEditor.h"
#include "base/Bytes.h"
#include "base/Reporter.h"

namespace veltrano::demo_files {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kDivision = 96;
constexpr uint32_t kEighth = kDivision / 2;
constexpr uint32_t kDrumHold = 12;  // a drum note ends this long after it starts
constexpr uint32_t kBassLength = 80;
constexpr uint8_t kDrumChannel = 0;  // a rhythm channel of a new style
constexpr uint8_t kBassChannel = 4;
constexpr uint8_t kKick = 36;
constexpr uint8_t kSnare = 38;
constexpr uint8_t kHiHat = 42;

void NoteOn(ByteWriter& out, uint32_t delta, uint8_t channel, uint8_t note, uint8_t velocity) {
    AppendMusicDelta(out, delta);
    out.U8(static_cast<uint8_t>(0x90 | channel));
    out.U8(note);
    out.U8(velocity);
}

// Eighth notes on the hi-hat, kick on beats one and three, snare on two and four, and a bass
// note on every beat walking up from `bassRoot`; a fill plays snare on every eighth instead.
void FillSection(StyleSection& section, uint8_t bars, uint8_t bassRoot, bool fill) {
    constexpr uint8_t kWalk[] = {0, 0, 7, 5};
    section.present = true;
    section.bars = bars;
    ByteWriter out;
    uint32_t delta = 0;
    const uint32_t eighths = bars * 8u;
    for (uint32_t i = 0; i < eighths; ++i) {
        const bool onBeat = i % 2 == 0;
        const uint8_t drum = fill ? kSnare : (i % 4 == 0 ? kKick : kSnare);
        std::vector<uint8_t> drums{kHiHat};
        if (fill || onBeat) {
            drums.push_back(drum);
        }
        for (uint8_t note : drums) {
            NoteOn(out, delta, kDrumChannel, note, note == kHiHat ? 70 : 100);
            delta = 0;
        }
        if (onBeat) {
            NoteOn(out, 0, kBassChannel, static_cast<uint8_t>(bassRoot + kWalk[(i / 2) % 4]), 90);
            out.Vlq(kBassLength);
        }
        delta = kDrumHold;
        for (uint8_t note : drums) {
            NoteOn(out, delta, kDrumChannel, note, 0);
            delta = 0;
        }
        delta = kEighth - kDrumHold;
    }
    section.music.events = out.Take();
    section.music.remainingTicks = delta;
    section.channels[kDrumChannel].inUse = true;
    section.channels[kBassChannel].inUse = true;
}

bool WriteOne(const fs::path& path, const std::function<bool()>& write, std::string& error) {
    if (write()) {
        return true;
    }
    error = "cannot write " + path.string();
    return false;
}

bool WriteInto(const fs::path& folder, const fs::path& styleFolder, const fs::path& performance,
               Reporter& reporter, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::create_directories(styleFolder, ec);
    StyleFile style;
    style.Model() = Style();
    const fs::path stylePath = styleFolder / kStyleName;
    if (!WriteOne(
            stylePath, [&] { return style.Write(stylePath, reporter); }, error)) {
        return false;
    }
    if (!performance.empty() && fs::is_regular_file(performance, ec)) {
        const fs::path copy = folder / kPerformanceName;
        if (!WriteOne(
                copy,
                [&] {
                    return fs::copy_file(performance, copy, fs::copy_options::overwrite_existing,
                                         ec);
                },
                error)) {
            return false;
        }
    }
    ArpEditor pattern;
    for (const auto& [column, row] : kPatternCells) {
        pattern.ClickCell(column, row, reporter);
    }
    const fs::path patternPath = folder / kPatternName;
    return WriteOne(
        patternPath, [&] { return pattern.Save(patternPath, reporter); }, error);
}

}  // namespace

StyleModel Style() {
    StyleModel model;
    model.info.division = kDivision;
    model.info.tempo = 104;
    model.info.shortName = "NIGHTDRV";
    model.info.longName = "Night Drive";
    FillSection(model.sections[static_cast<size_t>(IntroSlot(0))], 2, 40, false);
    FillSection(model.sections[static_cast<size_t>(MainSlot(0))], 4, 40, false);
    FillSection(model.sections[static_cast<size_t>(FillSlot(0))], 1, 40, true);
    FillSection(model.sections[static_cast<size_t>(MainSlot(1))], 4, 45, false);
    FillSection(model.sections[static_cast<size_t>(FillSlot(5))], 1, 45, true);
    FillSection(model.sections[static_cast<size_t>(EndingSlot(0))], 2, 40, false);
    return model;
}

bool Write(const fs::path& folder, const fs::path& storage, const fs::path& performance,
           Reporter& reporter, std::string& error) {
    if (!WriteInto(folder, folder, performance, reporter, error)) {
        return false;
    }
    return storage.empty() ||
           WriteInto(storage / "USER", storage / "USER" / "STYLE", performance, reporter, error);
}

}  // namespace veltrano::demo_files
