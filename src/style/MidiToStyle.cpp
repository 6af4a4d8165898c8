#include "style/MidiToStyle.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "base/Reporter.h"
#include "base/Text.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kErrorCaption = "Error";
constexpr std::string_view kWarningCaption = "Warning";
constexpr std::string_view kOpenFailed = "Open midi file failed";
constexpr std::string_view kWrongFormat = "Midi file must be format0 or format1";
constexpr std::string_view kWrongName = "Wrong format of name in midi file";
constexpr std::string_view kNoLeadIn = "Wrong format of midi file: not find the mark of Sint";
constexpr std::string_view kAlsoApplyCaption = "AlsoApply";
constexpr std::string_view kNothingSelected = "No segment be selected";
constexpr std::string_view kAlsoApplied = "All selected segments also be changed";
constexpr std::string_view kDscSaveCaption = "DSC Save";
constexpr std::string_view kNoInstrumentInfo =
    "You must connect your device with PC at least once,\n"
    "then you can get the instrument information and save dsc.";

constexpr std::string_view kNamePrefix = "name:";
constexpr char kTextTerminator = '\xFF';

// Files without them still need a tempo and a bar.
constexpr uint16_t kFallbackTempo = 120;
constexpr uint8_t kFallbackNumerator = 4;
constexpr uint8_t kFallbackDenominator = 4;
// The largest denominator value a style's byte holds that is a power of two.
constexpr int kMaxDenominator = 128;
constexpr uint64_t kMaxStyleBars = 255;

// A duration is read back as a quantity of at most four bytes; a delta also must not begin with
// the end byte, which a four-byte quantity of 0x0FE00000 or more would.
constexpr uint32_t kMaxDuration = 0x0FFFFFFF;
constexpr uint32_t kMaxDelta = 0x0FDFFFFF;

constexpr uint8_t kController6Expansion[] = {0x65, 0x00, 0x00, 0x64, 0x00, 0x00, 0x06};

constexpr std::array<std::string_view, kSectionBoxCount> kBoxNames = {
    "Intro A", "Intro B", "Main A", "Main B", "Main C",   "Main D",
    "Fill A",  "Fill B",  "Fill C", "Fill D", "Ending A", "Ending B"};

// The lead-in's place among the section slots during the walk.
constexpr int kLeadInSlot = kSectionSlotCount;
constexpr int kNoSection = -1;

bool IsLeadInMarker(std::string_view text) {
    return EqualsNoCase(text, kLeadInName);
}

// The slot a marker opens: the lead-in for "Sint" in any case, a section for its exact name.
int MarkerTarget(const MidiFile& midi, const MidiEvent& event) {
    if (!event.IsMeta(kMidiMetaMarker)) {
        return kNoSection;
    }
    const std::string_view text = midi.MetaData(event);
    if (IsLeadInMarker(text)) {
        return kLeadInSlot;
    }
    const std::optional<int> slot = FindSectionSlot(text);
    return slot ? *slot : kNoSection;
}

uint64_t TickOf(const MidiEvent& event) {
    return event.tick <= 0 ? 0 : static_cast<uint64_t>(event.tick);
}

// The merged list's order with the markers that open the lead-in or a section moved in front
// of the other events of their tick, in the order they had, so that an event at a marker's
// tick belongs to the section the marker opens. An index list rather than moving events one by
// one keeps this linear for files with many events at one tick.
std::vector<uint32_t> BuildWalkOrder(const MidiFile& midi) {
    const std::vector<MidiEvent>& events = midi.Events();
    std::vector<uint32_t> order;
    order.reserve(events.size());
    std::vector<uint32_t> rest;
    size_t i = 0;
    while (i < events.size()) {
        size_t j = i;
        rest.clear();
        while (j < events.size() && events[j].tick == events[i].tick) {
            if (MarkerTarget(midi, events[j]) != kNoSection) {
                order.push_back(static_cast<uint32_t>(j));
            } else {
                rest.push_back(static_cast<uint32_t>(j));
            }
            ++j;
        }
        order.insert(order.end(), rest.begin(), rest.end());
        i = j;
    }
    return order;
}

struct NameText {
    std::string longName;
    std::string shortName;
    std::string secondText;
    std::string thirdText;
};

// The texts of "name:long,short,second,third". The converter that writes these files ends the
// second and third texts with their 0xFF terminator (the very last byte is dropped), so a
// trailing 0xFF of a part is a terminator, not part of the text. With three parts the third is
// the third text.
std::optional<NameText> ParseNameText(std::string_view rest) {
    std::vector<std::string_view> parts = SplitFields(TrimBlanks(rest), ',');
    if (parts.size() < 3) {
        return std::nullopt;
    }
    for (std::string_view& part : parts) {
        if (!part.empty() && part.back() == kTextTerminator) {
            part.remove_suffix(1);
        }
    }
    NameText name;
    name.longName = std::string(parts[0]);
    name.shortName = std::string(parts[1].substr(0, StyleInfo::kShortNameMax));
    if (parts.size() >= 4) {
        name.secondText = std::string(parts[2]);
        name.thirdText = std::string(parts[3]);
    } else {
        name.thirdText = std::string(parts[2]);
    }
    return name;
}

// Tempo and time signature of the file, with the fallbacks for files that lack them or hold a
// signature a style cannot keep.
void ReadTiming(const MidiFile& midi, StyleInfo& info) {
    info.division = midi.Division();
    info.tempo = kFallbackTempo;
    if (!midi.TempoMap().empty()) {
        info.tempo = static_cast<uint16_t>(std::clamp(midi.TempoMap().front().bpm, 1, 0xFFFF));
    } else {
        // The reader maps tempos only once a time signature is known.
        for (const MidiEvent& e : midi.Events()) {
            if (e.IsMeta(kMidiMetaTempo) && e.message != 0) {
                const long bpm = std::lround(60000000.0 / e.message);
                info.tempo = static_cast<uint16_t>(std::clamp(bpm, 1L, 0xFFFFL));
                break;
            }
        }
    }
    info.numerator = kFallbackNumerator;
    info.denominator = kFallbackDenominator;
    if (!midi.TimeSignatureMap().empty()) {
        const MidiTimeSignatureEntry& ts = midi.TimeSignatureMap().front();
        if (ts.numerator > 0 && ts.numerator <= 0xFF && ts.denominator > 0 &&
            ts.denominator <= kMaxDenominator) {
            info.numerator = static_cast<uint8_t>(ts.numerator);
            info.denominator = static_cast<uint8_t>(ts.denominator);
        }
    }
}

uint32_t ClampTicks(uint64_t ticks, uint32_t most) {
    return ticks > most ? most : static_cast<uint32_t>(ticks);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Section boxes

std::string_view SectionBoxName(SectionBox box) {
    return kBoxNames[BoxBit(box)];
}

std::optional<SectionBox> FindSectionBox(std::string_view name) {
    const std::string_view trimmed = TrimBlanks(name);
    for (int b = 0; b < kSectionBoxCount; ++b) {
        if (EqualsNoCase(trimmed, kBoxNames[static_cast<size_t>(b)])) {
            return static_cast<SectionBox>(b);
        }
    }
    return std::nullopt;
}

std::vector<int> SectionBoxSlots(SectionBox box) {
    switch (box) {
        case SectionBox::IntroA:
        case SectionBox::IntroB:
            return {IntroSlot(static_cast<int>(box) - static_cast<int>(SectionBox::IntroA))};
        case SectionBox::MainA:
        case SectionBox::MainB:
        case SectionBox::MainC:
        case SectionBox::MainD:
            return {MainSlot(static_cast<int>(box) - static_cast<int>(SectionBox::MainA))};
        case SectionBox::FillA:
        case SectionBox::FillB:
        case SectionBox::FillC:
        case SectionBox::FillD: {
            const int group = static_cast<int>(box) - static_cast<int>(SectionBox::FillA);
            return {FillSlot(4 * group), FillSlot(4 * group + 1), FillSlot(4 * group + 2),
                    FillSlot(4 * group + 3)};
        }
        case SectionBox::EndingA:
        case SectionBox::EndingB:
            return {EndingSlot(static_cast<int>(box) - static_cast<int>(SectionBox::EndingA))};
    }
    return {};
}

bool BoxesCoverSlot(SectionBoxes boxes, int slot) {
    for (int b = 0; b < kSectionBoxCount; ++b) {
        if (!boxes.test(static_cast<size_t>(b))) {
            continue;
        }
        const std::vector<int> slots = SectionBoxSlots(static_cast<SectionBox>(b));
        if (std::find(slots.begin(), slots.end(), slot) != slots.end()) {
            return true;
        }
    }
    return false;
}

const std::array<int, kSectionSlotCount>& WizardSectionOrder() {
    static const std::array<int, kSectionSlotCount> order = [] {
        std::array<int, kSectionSlotCount> o{};
        size_t i = 0;
        o[i++] = IntroSlot(0);
        o[i++] = IntroSlot(1);
        for (int fill = 0; fill < kFillCount; ++fill) {
            o[i++] = FillSlot(fill);
        }
        for (int group = 0; group < kMainGroupCount; ++group) {
            o[i++] = MainSlot(group);
        }
        o[i++] = EndingSlot(0);
        o[i++] = EndingSlot(1);
        return o;
    }();
    return order;
}

// ---------------------------------------------------------------------------------------------
// Step 1

MidiToStyle::MidiToStyle(InstrumentInfoQuery hasInstrumentInfo)
    : hasInstrumentInfo_(std::move(hasInstrumentInfo)) {
    TakeSettingsFromStyle();
}

void MidiToStyle::TakeSettingsFromStyle() {
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        settings_[static_cast<size_t>(slot)] =
            style_.Model().sections[static_cast<size_t>(slot)].channels;
    }
}

void MidiToStyle::Forget() {
    analysed_ = false;
    path_.clear();
    midi_.clear();
    order_.clear();
    leadIn_ = MidiSectionSpan();
    sections_.fill(MidiSectionSpan());
}

const MidiSectionSpan& MidiToStyle::Section(int slot) const {
    static const MidiSectionSpan kNone;
    return slot >= 0 && slot < kSectionSlotCount ? sections_[static_cast<size_t>(slot)] : kNone;
}

bool MidiToStyle::Analyse(const fs::path& path, Reporter& reporter) {
    Forget();
    MidiFile midi;
    if (!midi.load(path, reporter)) {
        reporter.Show(Icon::Error, kErrorCaption, kOpenFailed);
        return false;
    }
    if (midi.Format() > 1) {
        reporter.Show(Icon::Error, kErrorCaption, kWrongFormat);
        return false;
    }

    StyleInfo info = path == stylePath_ ? style_.Model().info : StyleInfo();
    ReadTiming(midi, info);
    const uint64_t ticksPerBar = std::max<uint64_t>(1, info.TicksPerBar());

    std::vector<uint32_t> order = BuildWalkOrder(midi);
    const std::vector<MidiEvent>& events = midi.Events();
    std::array<MidiSectionSpan, kSectionSlotCount + 1> spans{};
    int current = kNoSection;
    const auto close = [&](uint64_t tick, size_t position) {
        if (current == kNoSection) {
            return;
        }
        MidiSectionSpan& span = spans[static_cast<size_t>(current)];
        span.endTick = tick;
        span.end = position;
        span.bars = (tick - span.startTick + ticksPerBar - 1) / ticksPerBar;
        current = kNoSection;
    };
    for (size_t pos = 0; pos < order.size(); ++pos) {
        const MidiEvent& e = events[order[pos]];
        if (e.IsNoteOn()) {
            if (current >= 0 && current < kSectionSlotCount) {
                spans[static_cast<size_t>(current)].channelsInUse |=
                    static_cast<uint16_t>(1u << e.Channel());
            }
            continue;
        }
        if (e.IsMeta(kMidiMetaText)) {
            const std::string_view text = midi.MetaData(e);
            if (text.substr(0, kNamePrefix.size()) != kNamePrefix) {
                continue;
            }
            const std::optional<NameText> name = ParseNameText(text.substr(kNamePrefix.size()));
            if (!name) {
                reporter.Show(Icon::Information, kWarningCaption, kWrongName);
                return false;
            }
            info.longName = name->longName;
            info.shortName = name->shortName;
            info.secondText = name->secondText;
            info.thirdText = name->thirdText;
            continue;
        }
        const int target = MarkerTarget(midi, e);
        // A repeated marker of the current section continues it.
        if (target == kNoSection || target == current) {
            continue;
        }
        const uint64_t tick = TickOf(e);
        close(tick, pos);
        MidiSectionSpan& span = spans[static_cast<size_t>(target)];
        // A second block of a section already found belongs to no section: its music would
        // not be written, so it must not count towards bars or channels either.
        if (span.found) {
            continue;
        }
        span.found = true;
        span.startTick = tick;
        span.begin = pos + 1;
        current = target;
    }
    close(order.empty() ? 0 : TickOf(events[order.back()]), order.size());
    if (!spans[kLeadInSlot].found) {
        reporter.Show(Icon::Warning, kWarningCaption, kNoLeadIn);
        return false;
    }

    if (path != stylePath_) {
        style_.Reset();
        TakeSettingsFromStyle();
        stylePath_ = path;
    }
    style_.Model().info = info;
    midi_ = std::move(midi);
    order_ = std::move(order);
    leadIn_ = spans[kLeadInSlot];
    std::copy_n(spans.begin(), kSectionSlotCount, sections_.begin());
    path_ = path;
    analysed_ = true;
    return true;
}

SectionBoxes MidiToStyle::FoundBoxes() const {
    SectionBoxes boxes;
    for (int b = 0; b < kSectionBoxCount; ++b) {
        for (const int slot : SectionBoxSlots(static_cast<SectionBox>(b))) {
            if (sections_[static_cast<size_t>(slot)].found) {
                boxes.set(static_cast<size_t>(b));
            }
        }
    }
    return boxes;
}

bool MidiToStyle::ChooseSections(SectionBoxes boxes, std::string_view shortName,
                                 std::string_view longName) {
    if (!analysed_) {
        return false;
    }
    StyleModel& model = style_.Model();
    model.info.shortName = std::string(shortName.substr(0, StyleInfo::kShortNameMax));
    if (!longName.empty()) {
        model.info.longName = std::string(longName);
    }
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        const MidiSectionSpan& span = sections_[static_cast<size_t>(slot)];
        StyleSection& section = model.sections[static_cast<size_t>(slot)];
        section.present = span.found && BoxesCoverSlot(boxes, slot);
        section.bars = static_cast<uint8_t>(std::min(span.bars, kMaxStyleBars));
        for (int n = 0; n < kStyleChannelCount; ++n) {
            section.channels[static_cast<size_t>(n)].inUse = ((span.channelsInUse >> n) & 1u) != 0;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Step 2

std::vector<int> MidiToStyle::PresentSections() const {
    std::vector<int> slots;
    for (const int slot : WizardSectionOrder()) {
        if (style_.Model().sections[static_cast<size_t>(slot)].present) {
            slots.push_back(slot);
        }
    }
    return slots;
}

SectionChannels& MidiToStyle::Channels(int slot) {
    return settings_[static_cast<size_t>(std::clamp(slot, 0, kSectionSlotCount - 1))];
}

const SectionChannels& MidiToStyle::Channels(int slot) const {
    return settings_[static_cast<size_t>(std::clamp(slot, 0, kSectionSlotCount - 1))];
}

void MidiToStyle::ResetSettings() {
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        settings_[static_cast<size_t>(slot)] = DefaultChannelSettings(slot);
    }
}

bool MidiToStyle::ResetSettings(const fs::path& programFolder, Reporter& reporter) {
    ResetSettings();
    const fs::path description = programFolder / kDefaultDescriptionName;
    std::error_code ec;
    if (!fs::is_regular_file(description, ec)) {
        return false;
    }
    return LoadDescription(description, reporter);
}

bool MidiToStyle::LoadDescription(const fs::path& path, Reporter& reporter) {
    // The description applies to a style; the rows stand in for its part records so that the
    // style's own records change only at Next.
    StyleModel scratch;
    scratch.oneTouch = style_.Model().oneTouch;
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        scratch.sections[static_cast<size_t>(slot)].channels = settings_[static_cast<size_t>(slot)];
    }
    DscFile dsc;
    const bool ok = dsc.read(path, true, scratch, reporter);
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        settings_[static_cast<size_t>(slot)] = scratch.sections[static_cast<size_t>(slot)].channels;
    }
    style_.Model().oneTouch = scratch.oneTouch;
    return ok;
}

DscFile MidiToStyle::BuildDescription() const {
    // Intros, mains, the four fills a description knows, endings.
    constexpr std::array<int, 12> kOrder = {10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 14, 15};
    const StyleModel& model = style_.Model();
    DscFile dsc;
    for (const int index : kOrder) {
        const int slot = DscSectionSlot(index);
        if (slot < 0 || !model.sections[static_cast<size_t>(slot)].present) {
            continue;
        }
        const SectionChannels& rows = settings_[static_cast<size_t>(slot)];
        for (int n = 0; n < kStyleChannelCount; ++n) {
            dsc.add_channel(index,
                            ChannelDescription::FromChannel(n, rows[static_cast<size_t>(n)]));
        }
    }
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            dsc.set_ots(s, p,
                        DscOneTouch::FromPart(
                            p, model.oneTouch[static_cast<size_t>(s)][static_cast<size_t>(p)]));
        }
    }
    return dsc;
}

bool MidiToStyle::CheckInstrumentInfo(Reporter& reporter) const {
    if (HasInstrumentInfo()) {
        return true;
    }
    reporter.Show(Icon::Warning, kDscSaveCaption, kNoInstrumentInfo);
    return false;
}

bool MidiToStyle::SaveDescription(const fs::path& path, Reporter& reporter) const {
    return CheckInstrumentInfo(reporter) && BuildDescription().write(path, reporter);
}

SectionBoxes MidiToStyle::AutoBoxes(int slot) {
    SectionBoxes boxes;
    const auto check = [&boxes](std::initializer_list<SectionBox> list) {
        for (const SectionBox box : list) {
            boxes.set(BoxBit(box));
        }
    };
    if (slot >= 0 && slot < kSectionSlotCount && SlotKind(slot) == SectionKind::Intro) {
        check({SectionBox::IntroA, SectionBox::IntroB, SectionBox::EndingA, SectionBox::EndingB});
    } else {
        check({SectionBox::MainA, SectionBox::MainB, SectionBox::MainC, SectionBox::MainD,
               SectionBox::FillA, SectionBox::FillB, SectionBox::FillC, SectionBox::FillD});
    }
    return boxes;
}

bool MidiToStyle::AlsoApply(int slot, SectionBoxes boxes, Reporter& reporter) {
    if (boxes.none()) {
        reporter.Show(Icon::Warning, kAlsoApplyCaption, kNothingSelected);
        return false;
    }
    const SectionChannels rows = Channels(slot);
    for (int target = 0; target < kSectionSlotCount; ++target) {
        if (BoxesCoverSlot(boxes, target)) {
            settings_[static_cast<size_t>(target)] = rows;
        }
    }
    reporter.Show(Icon::Information, kAlsoApplyCaption, kAlsoApplied);
    return true;
}

void MidiToStyle::StoreSettings() {
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        auto& channels = style_.Model().sections[static_cast<size_t>(slot)].channels;
        const SectionChannels& rows = settings_[static_cast<size_t>(slot)];
        for (size_t n = 0; n < channels.size(); ++n) {
            channels[n].record = rows[n].record;
            channels[n].chordMask = rows[n].chordMask;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Music data

MusicData MidiToStyle::Music(const MidiSectionSpan& span, uint16_t rhythmChannels,
                             uint64_t endTick) const {
    ByteWriter out;
    uint64_t previous = span.startTick;
    uint8_t lastStatus = 0;
    const std::vector<MidiEvent>& events = midi_.Events();
    const size_t end = std::min(span.end, order_.size());
    for (size_t pos = span.begin; pos < end; ++pos) {
        const MidiEvent& e = events[order_[pos]];
        if (!e.IsChannel()) {
            continue;
        }
        const uint8_t kind = e.Status() & 0xF0;
        const uint8_t channel = e.Channel();
        // Data bytes must stay below 0x80, or running status would read them as statuses.
        const uint8_t data1 = e.Data1() & 0x7F;
        const uint8_t data2 = e.Data2() & 0x7F;
        const bool rhythm = ((rhythmChannels >> channel) & 1u) != 0;
        const bool noteOff = kind == 0x80 || (kind == 0x90 && data2 == 0);
        uint8_t status = e.Status();
        if (noteOff) {
            if (!rhythm) {
                continue;
            }
            status = static_cast<uint8_t>(0x90 | channel);
        } else if (kind == 0xB0) {
            constexpr std::array<uint8_t, 9> kKept = {0, 1, 6, 7, 10, 11, 32, 91, 93};
            if (std::find(kKept.begin(), kKept.end(), data1) == kKept.end()) {
                continue;
            }
        } else if (kind != 0x90 && kind != 0xC0 && kind != 0xE0) {
            continue;
        }
        const uint64_t tick = std::max(TickOf(e), previous);
        AppendMusicDelta(out, ClampTicks(tick - previous, kMaxDelta));
        if (status != lastStatus) {
            out.U8(status);
        }
        if (noteOff) {
            out.U8(data1);
            out.U8(0);
        } else if (kind == 0x90) {
            out.U8(data1);
            out.U8(data2);
            if (!rhythm) {
                const double duration = std::max(0.0, e.duration);
                out.Vlq(duration >= kMaxDuration ? kMaxDuration : static_cast<uint32_t>(duration));
            }
        } else if (kind == 0xB0 && data1 == 6) {
            // Data entry goes to registered parameter 0, selected first.
            out.Append(ByteView(kController6Expansion));
            out.U8(data2);
        } else if (kind == 0xC0) {
            out.U8(data1);
        } else {
            out.U8(data1);
            out.U8(data2);
        }
        previous = tick;
        lastStatus = status;
    }
    MusicData music;
    music.events = out.Take();
    music.remainingTicks = endTick > previous ? ClampTicks(endTick - previous, kMaxDelta) : 0;
    return music;
}

MusicData MidiToStyle::LeadInMusic() const {
    if (!analysed_) {
        return {};
    }
    MusicData music = Music(leadIn_, kLeadInRhythmChannels, 0);
    music.remainingTicks = 0;
    return music;
}

MusicData MidiToStyle::SectionMusic(int slot) const {
    const MidiSectionSpan& span = Section(slot);
    if (!analysed_ || !span.found) {
        return {};
    }
    // The section ends with its last bar, which the style's bar count also says.
    const StyleModel& model = style_.Model();
    const uint64_t ticksPerBar = std::max<uint64_t>(1, model.info.TicksPerBar());
    const uint64_t bars = std::min(span.bars, kMaxStyleBars);
    return Music(span, RhythmChannels(model.sections[static_cast<size_t>(slot)].channels),
                 span.startTick + bars * ticksPerBar);
}

void MidiToStyle::WriteMusic() {
    StyleModel& model = style_.Model();
    model.leadIn = LeadInMusic();
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        StyleSection& section = model.sections[static_cast<size_t>(slot)];
        section.music = section.present ? SectionMusic(slot) : MusicData();
    }
}

StyleFile::SaveOutcome MidiToStyle::Save(const fs::path& path, Reporter& reporter) {
    WriteMusic();
    return style_.SaveAsked(path, reporter);
}

}  // namespace veltrano
