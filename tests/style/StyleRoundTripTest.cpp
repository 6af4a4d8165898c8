// The round trip at the heart of the style conversions: a style made from a MIDI file, turned
// back into a MIDI file and a description, and made into a style again from those two, comes
// back byte for byte. The generated files keep to what the layout can carry: every note ends
// inside its section (a longer one is cut at the section's end on the way back, and one ending
// exactly on the next marker is read into the next section), and events of one tick stand in
// the order the conversion writes them (markers, note-offs, the rest).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "style/MidiToStyle.h"
#include "style/MidiWriter.h"
#include "style/StyleToMidi.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

// The order in which the style-to-MIDI conversion writes sections.
std::vector<int> WritingOrder() {
    std::vector<int> order{IntroSlot(0), IntroSlot(1)};
    for (int g = 0; g < kMainGroupCount; ++g) {
        order.push_back(MainSlot(g));
    }
    for (int k = 0; k < kFillCount; ++k) {
        order.push_back(FillSlot(k));
    }
    order.push_back(EndingSlot(0));
    order.push_back(EndingSlot(1));
    return order;
}

struct Shape {
    uint16_t division;
    uint8_t numerator;
    uint8_t denominator;
    int bpm;
};

// One event of the generated file, with what decides its place among events of its tick:
// markers, then note-offs in the order their notes began, then everything else as generated.
// That is the order the style-to-MIDI conversion writes, which inserts each note-off when it
// meets its note-on.
struct GenEvent {
    uint64_t tick;
    int order;  // -1 marker, 0 note-off, 1 other
    uint64_t began;
    uint64_t sequence;
    Bytes bytes;
};

class MidiGenerator {
public:
    MidiGenerator(uint32_t seed, Shape shape) : rng_(seed), shape_(shape) {}

    uint64_t BarTicks() const {
        return uint64_t{shape_.numerator} * shape_.division * 4 / shape_.denominator;
    }

    // A file laid out as the style-to-MIDI conversion writes one: format 0, the leading meta
    // events, "Sint" over one bar, then each section behind its marker on a bar line.
    Bytes Make(const std::vector<std::pair<int, int>>& sections) {
        ByteWriter file;
        MidiWriter::write_header(file);
        MidiWriter::write_text_meta(file, 0, 0x03, "untitled");
        MidiWriter::write_text_meta(file, 0, 0x01, "name:Round Trip Style,RTRIP,Second\xFF,Third");
        const uint8_t power = static_cast<uint8_t>(std::countr_zero(unsigned{shape_.denominator}));
        file.Append(Bytes{0x00, 0xFF, 0x58, 0x04, shape_.numerator, power, 0x18, 0x08});
        file.Append(Bytes{0x00, 0xFF, 0x59, 0x02, 0x00, 0x00});
        file.Append(Bytes{0x00, 0xFF, 0x51, 0x03});
        file.U24Be(static_cast<uint32_t>(60000000 / shape_.bpm));

        uint64_t tick = 0;
        Marker(tick, "Sint");
        Fill(tick, 1, true);
        tick += BarTicks();
        for (const auto& [slot, bars] : sections) {
            Marker(tick, std::string(SectionName(slot)));
            Fill(tick, bars, false);
            tick += BarTicks() * static_cast<uint64_t>(bars);
        }
        std::stable_sort(events_.begin(), events_.end(), [](const GenEvent& a, const GenEvent& b) {
            return std::tie(a.tick, a.order, a.began, a.sequence) <
                   std::tie(b.tick, b.order, b.began, b.sequence);
        });
        uint64_t last = 0;
        for (const GenEvent& e : events_) {
            file.Vlq(static_cast<uint32_t>(e.tick - last));
            file.Append(e.bytes);
            last = e.tick;
        }
        // The end of the track closes the last section on its bar line.
        file.Vlq(static_cast<uint32_t>(tick - last));
        file.Append(Bytes{0xFF, 0x2F, 0x00});
        EXPECT_GT(MidiWriter::finish(file, shape_.division), 0u);
        return file.Take();
    }

private:
    int Random(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    // Returns the sequence number given to the event.
    uint64_t Add(uint64_t tick, int order, Bytes bytes, uint64_t began = 0) {
        events_.push_back({tick, order, began, sequence_, std::move(bytes)});
        return sequence_++;
    }

    void Marker(uint64_t tick, const std::string& name) {
        Bytes bytes{0xFF, 0x06, static_cast<uint8_t>(name.size())};
        bytes.insert(bytes.end(), name.begin(), name.end());
        // Markers come before every other event of their tick.
        events_.push_back({tick, -1, 0, sequence_++, std::move(bytes)});
    }

    // Notes, controllers, program changes and pitch bends on rhythm and melodic channels; no two
    // notes of one key overlap, and every note ends inside its section. (A note ending exactly
    // on the next marker would have its note-off read into the next section: the analysis puts
    // a marker in front of every event of its tick. That is inherent in the layout.)
    void Fill(uint64_t start, int bars, bool leadIn) {
        const uint64_t length = BarTicks() * static_cast<uint64_t>(bars);
        const int channels[] = {0, 1, 9, 2, 3, 5, 7, 10, 12, 15};
        std::map<std::pair<int, int>, uint64_t> busyUntil;
        const int count = leadIn ? Random(2, 6) : Random(8, 40) * std::max(1, bars / 4);
        for (int i = 0; i < count; ++i) {
            const int channel = channels[Random(0, leadIn ? 3 : 9)];
            const uint64_t at =
                start + static_cast<uint64_t>(Random(0, static_cast<int>(length - 1)));
            const int kind = Random(0, 9);
            if (kind <= 5) {
                const int note = Random(36, 84);
                if (at + 1 >= start + length) {
                    continue;
                }
                const uint64_t end =
                    std::min(at + static_cast<uint64_t>(Random(1, 400)), start + length - 1);
                uint64_t& busy = busyUntil[{channel, note}];
                if (at < busy) {
                    continue;
                }
                busy = end + 1;
                const uint8_t on = static_cast<uint8_t>(0x90 | channel);
                const uint64_t sequence = Add(
                    at, 1, {on, static_cast<uint8_t>(note), static_cast<uint8_t>(Random(1, 127))});
                const Bytes off = Random(0, 1) == 0 ? Bytes{static_cast<uint8_t>(0x80 | channel),
                                                            static_cast<uint8_t>(note), 0}
                                                    : Bytes{on, static_cast<uint8_t>(note), 0};
                // Notes that began at one tick end in the order they began.
                Add(end, 0, off, (at << 20) + sequence);
            } else if (kind == 6) {
                static const int kControllers[] = {0, 1, 7, 10, 11, 32, 91, 93, 6};
                Add(at, 1,
                    {static_cast<uint8_t>(0xB0 | channel),
                     static_cast<uint8_t>(kControllers[Random(0, 8)]),
                     static_cast<uint8_t>(Random(0, 127))});
            } else if (kind == 7) {
                Add(at, 1,
                    {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(Random(0, 127))});
            } else {
                Add(at, 1,
                    {static_cast<uint8_t>(0xE0 | channel), static_cast<uint8_t>(Random(0, 127)),
                     static_cast<uint8_t>(Random(0, 127))});
            }
        }
    }

    std::mt19937 rng_;
    Shape shape_;
    std::vector<GenEvent> events_;
    uint64_t sequence_ = 0;
};

// mid2sty as the command line runs it: every section found, the Reset defaults, a description
// on top when given.
std::optional<Bytes> MidiToStyleBytes(const fs::path& midi, const fs::path& dsc,
                                      const fs::path& target,
                                      const std::function<void(MidiToStyle&)>& adjust = {}) {
    RecordingReporter reporter;
    MidiToStyle wizard;
    if (!wizard.Analyse(midi, reporter)) {
        ADD_FAILURE() << testing::PrintToString(reporter.Texts());
        return std::nullopt;
    }
    EXPECT_TRUE(wizard.ChooseSections(wizard.FoundBoxes(), wizard.Model().info.shortName, ""));
    wizard.ResetSettings();
    if (!dsc.empty()) {
        EXPECT_TRUE(wizard.LoadDescription(dsc, reporter))
            << testing::PrintToString(reporter.Texts());
    }
    if (adjust) {
        adjust(wizard);
    }
    wizard.StoreSettings();
    EXPECT_EQ(wizard.Save(target, reporter), StyleFile::SaveOutcome::Written)
        << testing::PrintToString(reporter.Texts());
    EXPECT_TRUE(reporter.Empty()) << testing::PrintToString(reporter.Texts());
    const auto bytes = ReadFileBytes(target);
    return bytes ? std::optional<Bytes>(Bytes(bytes->begin(), bytes->end())) : std::nullopt;
}

// A few settings away from the defaults, in sections a description carries, so that the
// description has something to carry.
void AdjustSettings(MidiToStyle& wizard, uint32_t seed) {
    std::mt19937 rng(seed);
    for (const int slot : wizard.PresentSections()) {
        const SectionKind kind = SlotKind(slot);
        if (kind == SectionKind::Fill && SlotFill(slot) % 5 != 0) {
            continue;  // only Fill In AA, BB, CC and DD have descriptions of their own
        }
        SectionChannels& channels = wizard.Channels(slot);
        for (int c = 2; c < 8; ++c) {
            if (rng() % 3 == 0) {
                channels[static_cast<size_t>(c)].record.SetTranspositionTable(
                    static_cast<uint8_t>(rng() % 11));
                channels[static_cast<size_t>(c)].record.noteLow = static_cast<uint8_t>(rng() % 40);
            }
        }
    }
    OneTouchSettings& ots = wizard.OneTouch();
    ots[1][2].program = static_cast<uint8_t>(rng() % 128);
    ots[3][0].volume = 0;
    ots[2][3].pan = static_cast<uint8_t>(rng() % 128);
}

class StyleRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(StyleRoundTrip, MidiToStyleToMidiAndBackGivesTheSameStyle) {
    const int index = GetParam();
    static const Shape kShapes[] = {{96, 4, 4, 120},  {480, 4, 4, 100}, {120, 3, 4, 96},
                                    {192, 6, 8, 150}, {480, 3, 4, 125}, {96, 6, 8, 120}};
    const Shape shape = kShapes[index % 6];
    const uint32_t seed = 7919u * static_cast<uint32_t>(index + 1);
    std::mt19937 rng(seed);

    // Every section kind over the cases; a long Main A past tick 65,535 at division 480.
    std::vector<std::pair<int, int>> sections;
    for (const int slot : WritingOrder()) {
        const bool take = index == 0 || rng() % 3 == 0 || slot == MainSlot(0);
        if (take) {
            int bars = 1 + static_cast<int>(rng() % 4);
            if (slot == MainSlot(0) && shape.division == 480) {
                bars = 40;
            }
            sections.emplace_back(slot, bars);
        }
    }

    test::TempDir dir;
    MidiGenerator generator(seed, shape);
    ASSERT_TRUE(WriteFileAtomic(dir / "original.mid", AsText(generator.Make(sections))));

    const auto first = MidiToStyleBytes(dir / "original.mid", {}, dir / "first.sty",
                                        [&](MidiToStyle& w) { AdjustSettings(w, seed); });
    ASSERT_TRUE(first.has_value());

    RecordingReporter reporter;
    StyleToMidi converter;
    ASSERT_TRUE(converter.Open(dir / "first.sty", reporter));
    ASSERT_TRUE(converter.Convert(ConversionMode::Midi, dir / "back.mid", reporter));
    ASSERT_TRUE(converter.Convert(ConversionMode::Description, dir / "back.dsc", reporter));
    EXPECT_TRUE(reporter.Empty()) << testing::PrintToString(reporter.Texts());

    const auto second = MidiToStyleBytes(dir / "back.mid", dir / "back.dsc", dir / "second.sty");
    ASSERT_TRUE(second.has_value());
    ASSERT_EQ(first->size(), second->size());
    const auto diff = std::mismatch(first->begin(), first->end(), second->begin());
    EXPECT_TRUE(diff.first == first->end())
        << "first difference at byte " << (diff.first - first->begin()) << " of " << first->size();

    // The section lengths survived too, the long one included.
    StyleFile style;
    ASSERT_TRUE(style.Load(dir / "second.sty", reporter));
    for (const auto& [slot, bars] : sections) {
        EXPECT_TRUE(style.Model().sections[static_cast<size_t>(slot)].present) << slot;
        EXPECT_EQ(style.Model().sections[static_cast<size_t>(slot)].bars, bars) << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, StyleRoundTrip, ::testing::Range(0, 12));

}  // namespace
}  // namespace veltrano
