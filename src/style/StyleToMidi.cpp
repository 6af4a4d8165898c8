#include "style/StyleToMidi.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "base/Text.h"
#include "settings/LanguageTable.h"
#include "style/DscFile.h"
#include "style/MidiFile.h"
#include "style/MidiWriter.h"
#include "style/OtsFile.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kErrorCaption = "Error";
constexpr std::string_view kWrongAddress = "A wrong address detected";
constexpr std::string_view kInvalidMusic = "Invalide music data ";
constexpr std::string_view kCreateMidiFailed = "Create midi file failed";
constexpr std::string_view kFileExists = "This file is exist, do you want to continue?";
constexpr std::string_view kFileNameNull = "The file name can't be null";
constexpr std::string_view kDefaultTrackName = "untitled";
constexpr std::string_view kTooLarge = "The MIDI file would be too large";

constexpr std::string_view kShortNameNull = "The short name can't be null";
constexpr std::string_view kShortNameLength = "The length of short name must be 1~8";
constexpr std::string_view kTempoNull = "The tempo can't be null";
constexpr std::string_view kTempoNotDecimal = "The tempo must be a decimal string";
constexpr std::string_view kTempoRange = "The tempo value is out of range";
constexpr std::string_view kTimeSignatureFormat =
    "The format of time signature is: nn/dd \nnn is the numerator and dd is the denominator";
constexpr std::string_view kDenominatorSet =
    "The denominator of time signature must be 1, 2, 4, 8, 16 or 32";
constexpr std::string_view kNumeratorPositive =
    "The numerator of time signature must be positive number";
constexpr std::string_view kNumeratorDecimal =
    "The numerator of time signature must be decimal value";
constexpr std::string_view kDenominatorDecimal =
    "The denominator of time signature must be decimal value";
// The time signature travels in one byte; a larger numerator would wrap to a wrong bar length.
constexpr std::string_view kNumeratorRange = "The numerator of time signature must be 1~255";

constexpr int kMinTempo = 30;
constexpr int kMaxTempo = 280;
constexpr int kMaxNumerator = 255;
constexpr std::array<int, 6> kDenominators = {1, 2, 4, 8, 16, 32};

constexpr uint8_t kEndByte = 0xFF;
constexpr uint32_t kMaxMidiDelta = 0x0FFFFFFF;  // what a four-byte quantity holds
constexpr uint32_t kMaxTempoMicros = 0xFFFFFF;

bool IsDecimal(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsNoteMessage(uint8_t status) {
    return (status & 0xE0) == 0x80;
}

bool IsNoteOn(uint8_t status, uint8_t velocity) {
    return (status & 0xF0) == 0x90 && velocity != 0;
}

bool OneDataByte(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0;
}

bool IsRhythmChannel(uint16_t rhythm, uint8_t status) {
    return ((rhythm >> (status & 0x0F)) & 1u) != 0;
}

// A channel message of the music data as the stream holds it.
struct MusicToken {
    int64_t time = 0;
    int64_t duration = 0;  // the quantity after a note-on of a part that is not rhythm
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct TokenizedMusic {
    std::vector<MusicToken> tokens;
    int64_t endTime = 0;  // the time at which reading stopped, end byte or fault
    bool invalid = false;
};

// Reads a section's music data up to its end byte. Deltas, running status, system-exclusive
// events (skipped) and the duration quantity after each non-rhythm note-on.
TokenizedMusic Tokenize(ByteView data, uint16_t rhythm) {
    TokenizedMusic music;
    ByteReader in(data);
    uint8_t running = 0;
    int64_t time = 0;
    const auto fail = [&music, &time] {
        music.invalid = true;
        music.endTime = time;
        return music;
    };
    while (true) {
        if (!in.Has(1)) {
            return fail();
        }
        if (data[in.Position()] == kEndByte) {
            break;
        }
        time += in.Vlq();
        if (!in.Has(1)) {
            return fail();
        }
        const uint8_t next = data[in.Position()];
        if (next == kEndByte) {
            break;
        }
        if (next >= 0x80) {
            (void)in.U8();
            if (next == 0xF0 || next == 0xF7) {
                const uint32_t length = in.Vlq();
                if (!in.Ok() || !in.Skip(length)) {
                    return fail();
                }
                continue;
            }
            if (next > 0xEF) {
                return fail();
            }
            running = next;
        } else if (running == 0) {
            break;  // a data byte before any status ends the section quietly
        }
        MusicToken token;
        token.time = time;
        token.status = running;
        token.data1 = in.U8();
        if (!OneDataByte(running)) {
            token.data2 = in.U8();
        }
        // A data byte with bit 7 set cannot be written to a MIDI file as one.
        if (!in.Ok() || token.data1 >= 0x80 || token.data2 >= 0x80) {
            return fail();
        }
        if (IsNoteOn(running, token.data2) && !IsRhythmChannel(rhythm, running)) {
            token.duration = in.Vlq();
            if (!in.Ok()) {
                return fail();
            }
        }
        music.tokens.push_back(token);
    }
    music.endTime = time;
    return music;
}

void WriteDelta(ByteWriter& out, int64_t delta) {
    out.Vlq(static_cast<uint32_t>(std::clamp<int64_t>(delta, 0, kMaxMidiDelta)));
}

void WriteMarker(ByteWriter& out, int64_t delta, std::string_view name) {
    WriteDelta(out, delta);
    out.U8(0xFF);
    out.U8(kMidiMetaMarker);
    out.U8(static_cast<uint8_t>(name.size()));
    out.Append(name);
}

// Power of two of a denominator value; hostile values round down.
uint8_t Log2(uint8_t value) {
    uint8_t power = 0;
    while (value > 1) {
        value >>= 1;
        ++power;
    }
    return power;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

SaveDialogSetup SaveDialogOf(ConversionMode mode) {
    switch (mode) {
        case ConversionMode::OneTouch:
            return {kSaveOtsCaption, "O.T.S files(*.ots)|*.ots||", "*.ots", ".ots",
                    dialog_folder::kS2mSaveOts};
        case ConversionMode::Description:
            return {kSaveDscCaption, "DSC files(*.dsc)|*.dsc||", "*.dsc", ".dsc",
                    dialog_folder::kS2mSaveDsc};
        case ConversionMode::Midi:
            break;
    }
    return {kSaveMidiCaption, "MIDI files(*.mid)|*.mid||", "*.mid", ".mid",
            dialog_folder::kS2mSaveMidi};
}

std::string CheckShortName(std::string_view shortName) {
    if (shortName.empty()) {
        return std::string(kShortNameNull);
    }
    if (shortName.size() > StyleInfo::kShortNameMax) {
        return std::string(kShortNameLength);
    }
    if (TrimBlanks(shortName).empty()) {
        return std::string(kShortNameNull);
    }
    return {};
}

std::optional<fs::path> WithExtension(const fs::path& chosen, std::string_view extension) {
    const std::string name = chosen.filename().string();
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    if (stem.empty()) {
        return std::nullopt;
    }
    return chosen.parent_path() / (stem + std::string(extension));
}

SaveMidiCheck CheckSaveMidiInput(std::string_view shortName, std::string_view tempo,
                                 std::string_view timeSignature) {
    const auto refuse = [](std::string_view message) {
        return SaveMidiCheck{std::nullopt, std::string(message)};
    };
    StyleOverrides accepted;

    if (std::string message = CheckShortName(shortName); !message.empty()) {
        return refuse(message);
    }
    accepted.shortName = std::string(shortName);

    const std::string_view tempoText = TrimBlanks(tempo);
    if (tempoText.empty()) {
        return refuse(kTempoNull);
    }
    if (!IsDecimal(tempoText)) {
        return refuse(kTempoNotDecimal);
    }
    const int bpm = ParseLeadingInt(tempoText);
    if (bpm < kMinTempo || bpm > kMaxTempo) {
        return refuse(kTempoRange);
    }
    accepted.tempo = static_cast<uint16_t>(bpm);

    const std::vector<std::string_view> parts = SplitFields(TrimBlanks(timeSignature), '/');
    if (parts.size() != 2) {
        return refuse(kTimeSignatureFormat);
    }
    const int numerator = ParseLeadingInt(parts[0]);
    const int denominator = ParseLeadingInt(parts[1]);
    if (std::find(kDenominators.begin(), kDenominators.end(), denominator) == kDenominators.end()) {
        return refuse(kDenominatorSet);
    }
    if (numerator <= 0) {
        return refuse(kNumeratorPositive);
    }
    if (!IsDecimal(parts[0])) {
        return refuse(kNumeratorDecimal);
    }
    if (!IsDecimal(parts[1])) {
        return refuse(kDenominatorDecimal);
    }
    if (numerator > kMaxNumerator) {
        return refuse(kNumeratorRange);
    }
    accepted.numerator = static_cast<uint8_t>(numerator);
    accepted.denominator = static_cast<uint8_t>(denominator);
    return SaveMidiCheck{std::move(accepted), {}};
}

// ---------------------------------------------------------------------------------------------

bool StyleToMidi::Open(const fs::path& path, Reporter& reporter) {
    path_.clear();
    info_ = StyleInfo{};
    overrides_ = {};
    StyleFile file;
    if (!file.validate(path, reporter) || !file.read_info(reporter)) {
        return false;
    }
    info_ = file.Model().info;
    path_ = path;
    return true;
}

bool StyleToMidi::CheckOpen(ConversionMode mode, const LanguageTable& language,
                            Reporter& reporter) const {
    if (IsOpen()) {
        return true;
    }
    reporter.Show(Icon::Warning, SaveDialogOf(mode).caption,
                  language.LookupText("MainPanel", "IDS_DLG_STYLEERROR"));
    return false;
}

std::string StyleToMidi::TempoText() const {
    return IsOpen() ? std::to_string(info_.tempo) : std::string();
}

std::string StyleToMidi::TimeSignatureText() const {
    return IsOpen() ? std::to_string(info_.numerator) + "/" + std::to_string(info_.denominator)
                    : std::string();
}

std::optional<fs::path> StyleToMidi::TargetPath(const fs::path& chosen, ConversionMode mode) {
    return WithExtension(chosen, SaveDialogOf(mode).extension);
}

StyleToMidi::SaveResult StyleToMidi::Save(ConversionMode mode, const fs::path& chosen,
                                          Reporter& reporter) {
    const std::string_view caption = SaveDialogOf(mode).caption;
    const std::optional<fs::path> target = TargetPath(chosen, mode);
    if (!target) {
        reporter.Show(Icon::Information, caption, kFileNameNull);
        return SaveResult::NameEmpty;
    }
    std::error_code ec;
    if (fs::exists(*target, ec) &&
        reporter.Ask(Icon::Question, caption, kFileExists, Buttons::YesNo) != Answer::Yes) {
        return SaveResult::Declined;
    }
    return Convert(mode, *target, reporter) ? SaveResult::Written : SaveResult::Failed;
}

bool StyleToMidi::Convert(ConversionMode mode, const fs::path& target, Reporter& reporter) {
    if (!ReadStyle(mode, reporter)) {
        return false;
    }
    bool written = false;
    switch (mode) {
        case ConversionMode::OneTouch:
            written = OtsFile(style_.Model().oneTouch).Write(target, reporter);
            break;
        case ConversionMode::Description:
            written = DscFile::FromStyle(style_.Model()).write(target, reporter);
            break;
        case ConversionMode::Midi: {
            const std::optional<Bytes> bytes = WriteMidi(reporter);
            written = bytes && WriteFileAtomic(target, AsText(*bytes));
            if (bytes && !written) {
                reporter.Show(Icon::Error, kErrorCaption, kCreateMidiFailed);
            }
            break;
        }
    }
    style_.Close();
    return written;
}

std::optional<Bytes> StyleToMidi::BuildMidi(Reporter& reporter) {
    if (!ReadStyle(ConversionMode::Midi, reporter)) {
        return std::nullopt;
    }
    std::optional<Bytes> bytes = WriteMidi(reporter);
    style_.Close();
    return bytes;
}

bool StyleToMidi::ReadStyle(ConversionMode mode, Reporter& reporter) {
    if (!style_.validate(path_, reporter)) {
        return false;
    }
    if (!style_.read_info(reporter)) {
        style_.Close();
        return false;
    }
    StyleInfo& info = style_.Model().info;
    if (overrides_.tempo != 0) {
        info.tempo = overrides_.tempo;
    }
    if (overrides_.numerator != 0 && overrides_.denominator != 0) {
        info.numerator = overrides_.numerator;
        info.denominator = overrides_.denominator;
    }
    if (!overrides_.shortName.empty()) {
        info.shortName = overrides_.shortName;
    }
    if (!style_.read_ots(reporter) ||
        (mode != ConversionMode::OneTouch && !style_.read_control(reporter))) {
        style_.Close();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

std::optional<Bytes> StyleToMidi::WriteMidi(Reporter& reporter) {
    chaining_ = {};
    events_.clear();
    const StyleModel& model = style_.Model();
    ByteWriter out(64 * 1024);
    MidiWriter::write_header(out);
    WriteLeadingEvents(out);

    // Intros, mains, fills by index, endings: the order the sections are played in a demo.
    std::vector<int> order;
    const auto add = [&order, &model](int slot) {
        if (model.sections[static_cast<size_t>(slot)].present) {
            order.push_back(slot);
        }
    };
    add(IntroSlot(0));
    add(IntroSlot(1));
    for (int group = 0; group < kMainGroupCount; ++group) {
        add(MainSlot(group));
    }
    for (int fill = 0; fill < kFillCount; ++fill) {
        add(FillSlot(fill));
    }
    add(EndingSlot(0));
    add(EndingSlot(1));

    const auto tooLarge = [this, &out, &reporter] {
        if (out.Size() <= outputLimit_) {
            return false;
        }
        reporter.Show(Icon::Error, kErrorCaption, kTooLarge);
        return true;
    };
    // The lead-in places no marker of a following section inside itself.
    ConvertSection(out, -1, std::nullopt, reporter);
    for (size_t i = 0; i < order.size(); ++i) {
        if (tooLarge()) {
            return std::nullopt;
        }
        const std::optional<int> next =
            i + 1 < order.size() ? std::optional<int>(order[i + 1]) : std::nullopt;
        ConvertSection(out, order[i], next, reporter);
    }
    if (tooLarge()) {
        return std::nullopt;
    }
    (void)MidiWriter::finish(out, model.info.division);
    return out.Take();
}

void StyleToMidi::WriteLeadingEvents(ByteWriter& out) const {
    const StyleInfo& info = style_.Model().info;
    if (!comment_.empty()) {
        MidiWriter::write_text_meta(out, 0, kMidiMetaText, comment_);
    }
    if (!copyright_.empty()) {
        MidiWriter::write_text_meta(out, 0, kMidiMetaCopyright, copyright_);
    }
    MidiWriter::write_text_meta(out, 0, kMidiMetaTrackName,
                                trackName_.empty() ? kDefaultTrackName : trackName_);

    // The second and third texts keep the 0xFF that ends them in the style; only the very
    // last byte of the whole text is dropped when it is one.
    std::string names = "name:" + info.longName + "," + info.shortName + "," + info.secondText;
    if (!info.secondText.empty()) {
        names += '\xFF';
    }
    names += "," + info.thirdText;
    if (!info.thirdText.empty()) {
        names += '\xFF';
    }
    MidiWriter::write_text_meta(out, 0, kMidiMetaText, names);

    out.Append(ByteView(std::array<uint8_t, 4>{0x00, 0xFF, kMidiMetaTimeSignature, 0x04}));
    out.U8(info.numerator);
    out.U8(Log2(info.denominator));
    out.U8(0x18);
    out.U8(0x08);
    out.Append(ByteView(std::array<uint8_t, 6>{0x00, 0xFF, 0x59, 0x02, 0x00, 0x00}));
    out.Append(ByteView(std::array<uint8_t, 4>{0x00, 0xFF, kMidiMetaTempo, 0x03}));
    // A tempo of 0 would divide by zero; it and tempos below 4 get the slowest the field holds.
    const uint32_t micros = info.tempo == 0
                                ? kMaxTempoMicros
                                : std::min<uint32_t>(60000000u / info.tempo, kMaxTempoMicros);
    out.U24Be(micros);
}

void StyleToMidi::ConvertSection(ByteWriter& out, int slot, std::optional<int> nextSlot,
                                 Reporter& reporter) {
    const StyleModel& model = style_.Model();
    const bool leadIn = slot < 0;
    const std::string_view name = leadIn ? kLeadInName : SectionName(slot);
    const int64_t bars = leadIn ? 1 : model.sections[static_cast<size_t>(slot)].bars;
    const int64_t length = bars * model.info.TicksPerBar();
    const uint32_t offset = leadIn ? style_.Layout().leadInOffset
                                   : style_.Layout().dataOffsets[static_cast<size_t>(slot)];

    const std::optional<ByteView> data = style_.read_section(offset);
    if (!data) {
        reporter.Show(Icon::Error, kErrorCaption, kWrongAddress);
        events_.clear();
        // Nothing of the section is written; the next one must then write its own marker
        // at its own start.
        chaining_.markerPlaced = false;
        chaining_.overlap = 0;
        return;
    }
    const uint16_t rhythm =
        leadIn ? kLeadInRhythmChannels
               : RhythmChannels(model.sections[static_cast<size_t>(slot)].channels);
    ParseSection(*data, rhythm, length, reporter);

    SectionChaining& c = chaining_;
    if (!c.markerPlaced) {
        int64_t delta = 0;
        if (!leadIn) {
            delta = c.pendingCarry + c.leadInGap;
            c.leadInGap = 0;
        }
        WriteMarker(out, delta, name);
    }
    c.markerPlaced = false;

    int64_t previous = 0;
    int64_t markerAt = 0;
    for (const ConvertedEvent& event : events_) {
        if (nextSlot && !c.markerPlaced && c.overlap + event.time > length) {
            // At the bar line of the section's marker, but never before what is written
            // already: an overlap longer than this section would give a negative delta.
            markerAt = std::max(length - c.overlap, previous);
            WriteMarker(out, markerAt - previous, SectionName(*nextSlot));
            previous = markerAt;
            c.markerPlaced = true;
        }
        WriteDelta(out, event.time - previous);
        out.U8(event.status);
        out.U8(event.data1);
        if (!OneDataByte(event.status)) {
            out.U8(event.data2);
        }
        previous = event.time;
    }

    const int64_t rest = length - previous;
    if (leadIn) {
        c.leadInGap = rest < 0 ? -rest : rest;
    } else if (c.markerPlaced) {
        // The next section starts after this one's last event, behind its marker by this much.
        c.overlap = previous - markerAt;
        c.pendingCarry = rest < 0 ? 0 : std::max<int64_t>(rest - c.overlap, 0);
    } else {
        // The next marker goes on the bar line of this section's marker, and the next section
        // starts at it.
        c.pendingCarry = std::max<int64_t>(rest - c.overlap, 0);
        c.overlap = 0;
    }
}

void StyleToMidi::ParseSection(ByteView data, uint16_t rhythm, int64_t length, Reporter& reporter) {
    events_.clear();
    const TokenizedMusic music = Tokenize(data, rhythm);
    if (music.invalid) {
        reporter.Show(Icon::Error, kErrorCaption, kInvalidMusic);
    }
    const std::vector<MusicToken>& tokens = music.tokens;

    // A rhythm note lasts until the next velocity-0 note message of its channel and key, or
    // until reading stopped: found for all notes in one pass from the end.
    std::vector<int64_t> releases(tokens.size(), 0);
    std::array<std::array<int64_t, 128>, 16> nextRelease;
    for (auto& channel : nextRelease) {
        channel.fill(music.endTime);
    }
    for (size_t i = tokens.size(); i-- > 0;) {
        const MusicToken& token = tokens[i];
        const size_t channel = token.status & 0x0F;
        if (IsNoteOn(token.status, token.data2)) {
            releases[i] = nextRelease[channel][token.data1];
        } else if (IsNoteMessage(token.status) && token.data2 == 0) {
            nextRelease[channel][token.data1] = token.time;
        }
    }

    const int64_t unit = style_.Model().info.durationUnit;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const MusicToken& token = tokens[i];
        const bool rhythmPart = IsRhythmChannel(rhythm, token.status);
        // Rhythm parts' own note-offs give way to the ones added at their note-ons.
        if (rhythmPart && IsNoteMessage(token.status) && token.data2 == 0) {
            continue;
        }
        events_.push_back({token.time, 0, token.status, token.data1, token.data2});
        if (!IsNoteOn(token.status, token.data2)) {
            continue;
        }
        const int64_t duration = rhythmPart ? releases[i] - token.time : token.duration;
        int64_t off = token.time + duration * unit;
        // Cut at the section's end, but a note that starts after it is not released before
        // it starts.
        if (off > length) {
            off = std::max(length, token.time);
        }
        events_.back().duration = off - token.time;
        events_.push_back(
            {off, 0, static_cast<uint8_t>(0x90 | (token.status & 0x0F)), token.data1, 0});
    }
    // Equal times keep the order in which the events were added.
    std::stable_sort(
        events_.begin(), events_.end(),
        [](const ConvertedEvent& a, const ConvertedEvent& b) { return a.time < b.time; });
}

}  // namespace veltrano
