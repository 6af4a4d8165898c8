#include "style/StyleFile.h"

#include <algorithm>
#include <system_error>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "style/ChordTypes.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "MSF ";
constexpr std::string_view kVersion = std::string_view("V01\0", 4);
constexpr std::string_view kInfoTag = "InfS";
constexpr std::string_view kOtsTag = "OtsS";
constexpr std::string_view kControlTag = "CtlS";
constexpr std::string_view kDataTag = "DatS";

constexpr uint16_t kOtsSize = 129;
constexpr uint8_t kOtsPartsPerSetting = 4;
constexpr uint8_t kInfoByte14 = 0;
constexpr uint8_t kInfoByte22 = 9;
constexpr uint8_t kUnusedSlot = 0xF0;
constexpr uint8_t kEndByte = 0xFF;
// Styles are small; anything far larger is not one and is not read into memory.
constexpr uint64_t kMaxStyleFileSize = 64u * 1024 * 1024;

constexpr std::string_view kOpenFailed = "Open the style file failed ";
constexpr std::string_view kNotMultipleOf4 = "The file length is not a multiple of 4";
constexpr std::string_view kInvalidFormat = "Invalid format style file ";
constexpr std::string_view kWrongAddress = "A wrong address detected";
constexpr std::string_view kInvalidMusic = "Invalide music data ";
constexpr std::string_view kFileExists = "This file is exist, do you want to continue?";
constexpr std::string_view kCreateFailed = "Create style file failed";
constexpr std::string_view kTooLarge = "The style is too large to be saved";
constexpr std::string_view kSaveCaption = "SaveSty";
constexpr std::string_view kErrorCaption = "Error";

constexpr std::array<std::string_view, kSectionSlotCount> kSlotNames = {
    "Intro A",    "Intro B",    "Ending A",   "Ending B",   "Main A",     "Fill In AA",
    "Fill In BA", "Fill In CA", "Fill In DA", "Main B",     "Fill In AB", "Fill In BB",
    "Fill In CB", "Fill In DB", "Main C",     "Fill In AC", "Fill In BC", "Fill In CC",
    "Fill In DC", "Main D",     "Fill In AD", "Fill In BD", "Fill In CD", "Fill In DD"};

bool TagAt(ByteView bytes, size_t position, std::string_view tag) {
    return position <= bytes.size() && bytes.size() - position >= tag.size() &&
           AsText(bytes.subspan(position, tag.size())) == tag;
}

// The bytes found where a tag was expected, printable for a message box.
std::string ShownBytes(ByteView bytes, size_t position) {
    std::string shown;
    for (size_t i = position; i < bytes.size() && i < position + 4; ++i) {
        const uint8_t b = bytes[i];
        if (b >= 0x20 && b < 0x7F) {
            shown += static_cast<char>(b);
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 0x0F];
        }
    }
    return shown;
}

std::string TrimTrailingSpaces(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// A length byte and the text with its terminator; a single 0 when empty.
void WriteTextField(ByteWriter& out, std::string_view text, uint8_t terminator) {
    if (text.empty()) {
        out.U8(0);
        return;
    }
    const std::string_view cut = text.substr(0, StyleInfo::kTextMax);
    out.U8(static_cast<uint8_t>(cut.size() + 1));
    out.Append(cut);
    out.U8(terminator);
}

// Reads a text field; the terminator (a zero for the long name, one 0xFF for the others) is
// dropped.
std::string ReadTextField(ByteReader& in, bool zeroTerminated) {
    const uint8_t length = in.U8();
    const ByteView field = in.Take(length);
    std::string text(AsText(field));
    if (zeroTerminated) {
        const size_t zero = text.find('\0');
        if (zero != std::string::npos) {
            text.resize(zero);
        }
    } else if (!text.empty() && static_cast<uint8_t>(text.back()) == 0xFF) {
        text.pop_back();
    }
    return text;
}

PartRecord ReadPartRecord(ByteReader& in) {
    PartRecord r;
    r.destination = in.U8();
    r.packed = in.U8();
    r.highKey = in.U8();
    r.noteLow = in.U8();
    r.noteHigh = in.U8();
    r.noteMask1 = in.U8();
    r.noteMask2 = in.U8();
    r.root = in.U8();
    r.rootValue = in.U8();
    return r;
}

void WritePartRecord(ByteWriter& out, const PartRecord& r) {
    out.U8(r.destination);
    out.U8(r.packed);
    out.U8(r.highKey);
    out.U8(r.noteLow);
    out.U8(r.noteHigh);
    out.U8(r.noteMask1);
    out.U8(r.noteMask2);
    out.U8(r.root);
    out.U8(r.rootValue);
}

// Reads one part table into the channels of a section; false when it runs past the file.
bool ReadPartTable(ByteReader& in, int slot,
                   std::array<ChannelSetting, kStyleChannelCount>& channels) {
    const uint8_t count = in.U8();
    ChordTable table;
    table.majorDefault = in.U16Le();
    table.minorDefault = in.U16Le();
    // A count below 2 lists no entries.
    const int entries = count > 2 ? count - 2 : 0;
    for (int i = 0; i < entries; ++i) {
        ChordTableEntry entry;
        entry.type = in.U8();
        entry.mask = in.U16Le();
        table.entries.push_back(entry);
    }
    const ChordChannelMasks masks = ExpandChordTable(table);
    for (int n = 0; n < kStyleChannelCount; ++n) {
        ChannelSetting& channel = channels[static_cast<size_t>(n)];
        if (!in.Has(1)) {
            return false;
        }
        // Peek: an unused slot is the single byte 0xF0.
        ByteReader peek = in;
        if (peek.U8() == kUnusedSlot) {
            (void)in.U8();
            channel.inUse = false;
            channel.record = PartRecord::Default(n);
            channel.chordMask = UnusedChannelChordMask(slot, n);
        } else {
            channel.inUse = true;
            channel.record = ReadPartRecord(in);
            channel.chordMask = ChannelChordMask(masks, n);
        }
    }
    return in.Ok();
}

void WritePartTable(ByteWriter& out, const StyleSection& section) {
    const ChordTable table = CompressChordTable(ChordMasksByType(section.channels));
    out.U8(static_cast<uint8_t>(table.entries.size() + 2));
    out.U16Le(table.majorDefault);
    out.U16Le(table.minorDefault);
    for (const ChordTableEntry& entry : table.entries) {
        out.U8(entry.type);
        out.U16Le(entry.mask);
    }
    for (const ChannelSetting& channel : section.channels) {
        if (channel.inUse) {
            WritePartRecord(out, channel.record);
        } else {
            out.U8(kUnusedSlot);
        }
    }
}

void WriteMusic(ByteWriter& out, const MusicData& music, uint32_t remainingTicks) {
    out.Append(music.events);
    AppendMusicDelta(out, remainingTicks);
    out.U8(kEndByte);
}

// Group count: the highest group holding anything, plus 1. A fill whose main is absent still
// needs its group byte, or it would be listed without being described.
int GroupCount(const StyleModel& model) {
    int count = 0;
    for (int g = 0; g < kMainGroupCount; ++g) {
        for (int j = 0; j < 5; ++j) {
            if (model.sections[static_cast<size_t>(MainSlot(g) + j)].present) {
                count = g + 1;
            }
        }
    }
    return count;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string_view SectionName(int slot) {
    if (slot < 0 || slot >= kSectionSlotCount) {
        return {};
    }
    return kSlotNames[static_cast<size_t>(slot)];
}

std::optional<int> FindSectionSlot(std::string_view name) {
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        if (kSlotNames[static_cast<size_t>(slot)] == name) {
            return slot;
        }
    }
    return std::nullopt;
}

uint32_t StyleInfo::TicksPerBar() const {
    if (denominator == 0) {
        return 0;
    }
    return uint32_t{numerator} * division * 4 / denominator;
}

OneTouchSettings DefaultOneTouchSettings() {
    constexpr std::array<uint8_t, kOneTouchPartCount> kPrograms = {0, 49, 49, 0};
    constexpr std::array<uint8_t, kOneTouchPartCount> kVolumes = {100, 80, 45, 100};
    OneTouchSettings settings{};
    for (OneTouchSetting& setting : settings) {
        for (size_t p = 0; p < setting.size(); ++p) {
            setting[p] = OneTouchPart{};
            setting[p].program = kPrograms[p];
            setting[p].volume = kVolumes[p];
        }
    }
    return settings;
}

PartRecord PartRecord::Default(int channel) {
    PartRecord r;
    r.destination = static_cast<uint8_t>(8 + (channel & 7));
    return r;
}

uint8_t PartRecord::Pack(int table, int rule, int retrigger) {
    return static_cast<uint8_t>((table & 0x0F) | ((rule & 0x01) << 4) | ((retrigger & 0x07) << 5));
}

void PartRecord::SetTranspositionTable(int table) {
    packed = Pack(table, TranspositionRule(), RetriggerRule());
}

void PartRecord::SetTranspositionRule(int rule) {
    packed = Pack(TranspositionTable(), rule, RetriggerRule());
}

void PartRecord::SetRetriggerRule(int rule) {
    packed = Pack(TranspositionTable(), TranspositionRule(), rule);
}

uint32_t UnusedChannelChordMask(int slot, int channel) {
    if (channel < 8) {
        return kMinorChordTypes;
    }
    const SectionKind kind = SlotKind(slot);
    return (kind == SectionKind::Intro || kind == SectionKind::Ending) ? 0xFFF800FF
                                                                       : kAllChordTypes;
}

StyleModel::StyleModel() : oneTouch(DefaultOneTouchSettings()) {
    for (StyleSection& section : sections) {
        for (int n = 0; n < kStyleChannelCount; ++n) {
            section.channels[static_cast<size_t>(n)].record = PartRecord::Default(n);
        }
    }
}

// ---------------------------------------------------------------------------------------------

ChordTable CompressChordTable(const ChordChannelMasks& masks) {
    // The most frequent mask of a group; scanning types upwards and replacing only on a higher
    // count gives a tie to the lowest chord type.
    const auto groupDefault = [&masks](bool minor) {
        uint16_t best = 0;
        int bestCount = 0;
        for (int t = 0; t < kChordTypeCount; ++t) {
            if (IsMinorChordType(t) != minor) {
                continue;
            }
            const uint16_t value = masks[static_cast<size_t>(t)];
            int count = 0;
            for (int u = 0; u < kChordTypeCount; ++u) {
                if (IsMinorChordType(u) == minor && masks[static_cast<size_t>(u)] == value) {
                    ++count;
                }
            }
            if (count > bestCount) {
                best = value;
                bestCount = count;
            }
        }
        return best;
    };
    ChordTable table;
    table.majorDefault = groupDefault(false);
    table.minorDefault = groupDefault(true);
    for (int t = 0; t < kChordTypeCount; ++t) {
        const uint16_t own = IsMinorChordType(t) ? table.minorDefault : table.majorDefault;
        if (masks[static_cast<size_t>(t)] != own) {
            table.entries.push_back({static_cast<uint8_t>(t), masks[static_cast<size_t>(t)]});
        }
    }
    return table;
}

ChordChannelMasks ExpandChordTable(const ChordTable& table) {
    std::array<std::optional<uint16_t>, kChordTypeCount> given{};
    for (const ChordTableEntry& entry : table.entries) {
        if (entry.type < kChordTypeCount) {
            given[entry.type] = entry.mask;
        }
    }
    ChordChannelMasks masks{};
    for (int t = 0; t < kChordTypeCount; ++t) {
        const uint16_t fallback = IsMinorChordType(t) ? table.minorDefault : table.majorDefault;
        masks[static_cast<size_t>(t)] = given[static_cast<size_t>(t)].value_or(fallback);
    }
    return masks;
}

ChordChannelMasks ChordMasksByType(const std::array<ChannelSetting, kStyleChannelCount>& channels) {
    ChordChannelMasks masks{};
    for (int t = 0; t < kChordTypeCount; ++t) {
        uint16_t mask = 0;
        for (int n = 0; n < kStyleChannelCount; ++n) {
            const ChannelSetting& channel = channels[static_cast<size_t>(n)];
            if (channel.inUse && ((channel.chordMask >> t) & 1u) != 0) {
                mask = static_cast<uint16_t>(mask | (1u << n));
            }
        }
        masks[static_cast<size_t>(t)] = mask;
    }
    return masks;
}

uint32_t ChannelChordMask(const ChordChannelMasks& masks, int channel) {
    uint32_t chordMask = 0;
    for (int t = 0; t < kChordTypeCount; ++t) {
        if (((masks[static_cast<size_t>(t)] >> channel) & 1u) != 0) {
            chordMask |= 1u << t;
        }
    }
    return chordMask;
}

// ---------------------------------------------------------------------------------------------

uint16_t RhythmChannels(const std::array<ChannelSetting, kStyleChannelCount>& channels) {
    uint16_t rhythm = 0;
    for (int n = 0; n < kStyleChannelCount; ++n) {
        if (channels[static_cast<size_t>(n)].record.IsRhythm()) {
            rhythm = static_cast<uint16_t>(rhythm | (1u << n));
        }
    }
    return rhythm;
}

std::optional<MusicData> SplitMusicData(ByteView data, uint16_t rhythmChannels) {
    ByteReader in(data);
    uint8_t status = 0;
    while (true) {
        const size_t eventStart = in.Position();
        if (!in.Has(1)) {
            return std::nullopt;
        }
        if (data[eventStart] == kEndByte) {
            // The end byte where a delta stands: no remaining-ticks quantity.
            return MusicData{Bytes(data.begin(), data.begin() + static_cast<ptrdiff_t>(eventStart)),
                             0};
        }
        const uint32_t delta = in.Vlq();
        if (!in.Ok() || !in.Has(1)) {
            return std::nullopt;
        }
        uint8_t next = data[in.Position()];
        if (next == kEndByte) {
            return MusicData{Bytes(data.begin(), data.begin() + static_cast<ptrdiff_t>(eventStart)),
                             delta};
        }
        if (next >= 0x80) {
            (void)in.U8();
            if (next == 0xF0 || next == 0xF7) {
                const uint32_t length = in.Vlq();
                if (!in.Skip(length)) {
                    return std::nullopt;
                }
                continue;
            }
            if (next > 0xEF) {
                return std::nullopt;
            }
            status = next;
        } else if (status == 0) {
            return std::nullopt;
        }
        const uint8_t kind = status & 0xF0;
        const int channel = status & 0x0F;
        const bool oneDataByte = kind == 0xC0 || kind == 0xD0;
        (void)in.U8();
        uint8_t velocity = 0;
        if (!oneDataByte) {
            velocity = in.U8();
        }
        if (kind == 0x90 && velocity != 0 && ((rhythmChannels >> channel) & 1u) == 0) {
            (void)in.Vlq();  // the note's duration
        }
        if (!in.Ok()) {
            return std::nullopt;
        }
    }
}

void AppendMusicDelta(ByteWriter& out, uint32_t ticks) {
    ByteWriter quantity;
    quantity.Vlq(ticks);
    if (quantity.Data().front() == kEndByte && quantity.Size() < 4) {
        out.U8(0x80);
    }
    out.Append(quantity.Data());
}

// ---------------------------------------------------------------------------------------------

void StyleFile::Reset() {
    model_ = StyleModel();
    layout_ = StyleLayout();
    Close();
}

void StyleFile::Close() {
    file_.clear();
    file_.shrink_to_fit();
    open_ = false;
}

bool StyleFile::validate(const fs::path& path, Reporter& reporter) {
    Close();
    std::optional<std::string> bytes = ReadFileBytes(path, kMaxStyleFileSize);
    if (!bytes) {
        reporter.Show(Icon::Error, kErrorCaption, kOpenFailed);
        return false;
    }
    return ValidateBytes(Bytes(bytes->begin(), bytes->end()), reporter);
}

bool StyleFile::ValidateBytes(Bytes bytes, Reporter& reporter) {
    Close();
    const ByteView view(bytes);
    const auto invalid = [&reporter](std::string_view caption) {
        reporter.Show(Icon::Error, caption, kInvalidFormat);
        return false;
    };
    if (view.size() % 4 != 0) {
        reporter.Show(Icon::Error, kErrorCaption, kNotMultipleOf4);
        return false;
    }
    if (!TagAt(view, 0, kMagic)) {
        return invalid(kMagic);
    }
    if (!TagAt(view, 8, kInfoTag)) {
        return invalid(kInfoTag);
    }
    // Each chunk's size field gives the distance to the next tag.
    const auto nextTag = [&view](size_t sizeField) -> std::optional<size_t> {
        ByteReader in(view);
        if (!in.Seek(sizeField)) {
            return std::nullopt;
        }
        const uint16_t size = in.U16Le();
        if (!in.Ok()) {
            return std::nullopt;
        }
        return sizeField + 2 + size;
    };
    const std::optional<size_t> ots = nextTag(12);
    if (!ots || !TagAt(view, *ots, kOtsTag)) {
        reporter.Show(Icon::Error, kOtsTag, ShownBytes(view, ots.value_or(view.size())));
        return invalid(kOtsTag);
    }
    const std::optional<size_t> control = nextTag(*ots + 4);
    if (!control || !TagAt(view, *control, kControlTag)) {
        return invalid(kControlTag);
    }
    const std::optional<size_t> data = nextTag(*control + 4);
    if (!data || !TagAt(view, *data, kDataTag)) {
        return invalid(kDataTag);
    }
    infoStart_ = 14;
    infoEnd_ = *ots;
    otsStart_ = *ots + 6;
    otsEnd_ = *control;
    controlStart_ = *control + 6;
    controlEnd_ = *data;
    file_ = std::move(bytes);
    open_ = true;
    return true;
}

bool StyleFile::read_info(Reporter& reporter) {
    if (!open_) {
        reporter.Show(Icon::Error, kErrorCaption, kOpenFailed);
        return false;
    }
    // Only the InfS chunk is read, so a short chunk cannot borrow bytes of the next one.
    ByteReader in(ByteView(file_).subspan(0, infoEnd_));
    StyleInfo info;
    (void)in.Seek(infoStart_);
    (void)in.U8();
    info.tempo = in.U16Le();
    info.numerator = in.U8();
    info.denominator = in.U8();
    info.division = in.U16Le();
    info.durationUnit = in.U8();
    (void)in.U8();
    info.shortName = TrimTrailingSpaces(in.FixedText(9));
    info.longName = ReadTextField(in, true);
    info.secondText = ReadTextField(in, false);
    info.thirdText = ReadTextField(in, false);
    if (!in.Ok()) {
        reporter.Show(Icon::Error, kInfoTag, kInvalidFormat);
        return false;
    }
    model_.info = std::move(info);
    return true;
}

bool StyleFile::read_ots(Reporter& reporter) {
    if (!open_) {
        reporter.Show(Icon::Error, kErrorCaption, kOpenFailed);
        return false;
    }
    ByteReader in(ByteView(file_).subspan(0, otsEnd_));
    (void)in.Seek(otsStart_);
    (void)in.U8();  // parts per setting, always 4
    OneTouchSettings settings{};
    for (OneTouchSetting& setting : settings) {
        for (OneTouchPart& part : setting) {
            part = OneTouchPart::Read(in);
        }
    }
    if (!in.Ok()) {
        reporter.Show(Icon::Error, kOtsTag, kInvalidFormat);
        return false;
    }
    model_.oneTouch = settings;
    return true;
}

bool StyleFile::read_control(Reporter& reporter) {
    if (!open_) {
        reporter.Show(Icon::Error, kErrorCaption, kOpenFailed);
        return false;
    }
    const auto invalid = [&reporter] {
        reporter.Show(Icon::Error, kControlTag, kInvalidFormat);
        return false;
    };
    ByteReader in(file_);
    (void)in.Seek(controlStart_);
    StyleLayout layout;
    std::array<bool, kSectionSlotCount> present{};
    layout.sectionCount = in.U8();
    const uint8_t intros = in.U8();
    const uint8_t endings = in.U8();
    layout.groupCount = in.U8();
    if (!in.Ok() || layout.groupCount > kMainGroupCount) {
        return invalid();
    }
    for (int i = 0; i < 2; ++i) {
        present[static_cast<size_t>(IntroSlot(i))] = ((intros >> i) & 1u) != 0;
        present[static_cast<size_t>(EndingSlot(i))] = ((endings >> i) & 1u) != 0;
    }
    for (int g = 0; g < layout.groupCount; ++g) {
        const uint8_t group = in.U8();
        for (int j = 0; j < 5; ++j) {
            present[static_cast<size_t>(MainSlot(g) + j)] = ((group >> j) & 1u) != 0;
        }
    }
    std::vector<int> slots;
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        if (present[static_cast<size_t>(slot)]) {
            slots.push_back(slot);
        }
    }
    if (!in.Ok() || slots.size() != layout.sectionCount) {
        return invalid();
    }
    (void)in.Skip((4 - in.Position() % 4) % 4);
    layout.leadInOffset = in.U32Le();
    for (const int slot : slots) {
        layout.dataOffsets[static_cast<size_t>(slot)] = in.U32Le();
    }
    for (const int slot : slots) {
        layout.partTableOffsets[static_cast<size_t>(slot)] = in.U16Le();
    }
    std::array<uint8_t, kSectionSlotCount> bars{};
    for (const int slot : slots) {
        bars[static_cast<size_t>(slot)] = in.U8();
    }
    if (!in.Ok()) {
        return invalid();
    }
    // Absent sections get the settings of a new style: a description built from this style
    // carries them too, so nothing of a previously read style may remain.
    std::array<StyleSection, kSectionSlotCount> sections = StyleModel().sections;
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        StyleSection& section = sections[static_cast<size_t>(slot)];
        section.present = present[static_cast<size_t>(slot)];
        section.bars = bars[static_cast<size_t>(slot)];
        if (!section.present) {
            continue;
        }
        ByteReader table(file_);
        if (!table.Seek(layout.partTableOffsets[static_cast<size_t>(slot)]) ||
            !ReadPartTable(table, slot, section.channels)) {
            return invalid();
        }
    }
    model_.sections = std::move(sections);
    model_.leadIn = MusicData{};
    layout_ = layout;
    return true;
}

std::optional<ByteView> StyleFile::read_section(uint32_t offset) const {
    if (!open_ || offset >= file_.size()) {
        return std::nullopt;
    }
    return ByteView(file_).subspan(offset);
}

bool StyleFile::Load(const fs::path& path, Reporter& reporter) {
    StyleFile loaded;
    if (!loaded.validate(path, reporter) || !loaded.LoadOpened(reporter)) {
        return false;
    }
    model_ = std::move(loaded.model_);
    layout_ = loaded.layout_;
    Close();
    return true;
}

bool StyleFile::LoadBytes(Bytes bytes, Reporter& reporter) {
    StyleFile loaded;
    if (!loaded.ValidateBytes(std::move(bytes), reporter) || !loaded.LoadOpened(reporter)) {
        return false;
    }
    model_ = std::move(loaded.model_);
    layout_ = loaded.layout_;
    Close();
    return true;
}

bool StyleFile::LoadOpened(Reporter& reporter) {
    if (!read_info(reporter) || !read_ots(reporter) || !read_control(reporter)) {
        return false;
    }
    const auto music = [this, &reporter](uint32_t offset,
                                         uint16_t rhythm) -> std::optional<MusicData> {
        const std::optional<ByteView> data = read_section(offset);
        if (!data) {
            reporter.Show(Icon::Error, kErrorCaption, kWrongAddress);
            return std::nullopt;
        }
        std::optional<MusicData> split = SplitMusicData(*data, rhythm);
        if (!split) {
            reporter.Show(Icon::Error, kErrorCaption, kInvalidMusic);
        }
        return split;
    };
    std::optional<MusicData> leadIn = music(layout_.leadInOffset, kLeadInRhythmChannels);
    if (!leadIn) {
        return false;
    }
    model_.leadIn = std::move(*leadIn);
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        StyleSection& section = model_.sections[static_cast<size_t>(slot)];
        if (!section.present) {
            continue;
        }
        std::optional<MusicData> data =
            music(layout_.dataOffsets[static_cast<size_t>(slot)], RhythmChannels(section.channels));
        if (!data) {
            return false;
        }
        section.music = std::move(*data);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

bool StyleFile::save(const fs::path& path, Reporter& reporter) const {
    return SaveAsked(path, reporter) != SaveOutcome::Failed;
}

StyleFile::SaveOutcome StyleFile::SaveAsked(const fs::path& path, Reporter& reporter) const {
    std::error_code ec;
    if (fs::exists(path, ec) &&
        reporter.Ask(Icon::Question, kSaveCaption, kFileExists, Buttons::YesNo) != Answer::Yes) {
        return SaveOutcome::Declined;
    }
    return Write(path, reporter) ? SaveOutcome::Written : SaveOutcome::Failed;
}

bool StyleFile::Write(const fs::path& path, Reporter& reporter) const {
    const std::optional<Bytes> bytes = Serialize();
    if (!bytes) {
        reporter.Show(Icon::Error, kSaveCaption, kTooLarge);
        return false;
    }
    if (!WriteFileAtomic(path, AsText(*bytes))) {
        reporter.Show(Icon::Error, kErrorCaption, kCreateFailed);
        return false;
    }
    return true;
}

std::optional<Bytes> StyleFile::Serialize() const {
    const StyleModel& m = model_;
    ByteWriter out(4096);

    // Header and InfS; its size is known once the texts are written.
    out.Append(kMagic);
    out.Append(kVersion);
    out.Append(kInfoTag);
    const size_t infoSizeField = out.Size();
    out.U16Le(0);
    out.U8(kInfoByte14);
    out.U16Le(m.info.tempo);
    out.U8(m.info.numerator);
    out.U8(m.info.denominator);
    out.U16Le(m.info.division);
    out.U8(1);  // duration unit
    out.U8(kInfoByte22);
    out.FixedText(std::string_view(m.info.shortName).substr(0, StyleInfo::kShortNameMax), 9);
    WriteTextField(out, m.info.longName, 0x00);
    WriteTextField(out, m.info.secondText, 0xFF);
    WriteTextField(out, m.info.thirdText, 0xFF);
    (void)out.PatchU16Le(infoSizeField, static_cast<uint16_t>(out.Size() - infoSizeField - 2));

    out.Append(kOtsTag);
    out.U16Le(kOtsSize);
    out.U8(kOtsPartsPerSetting);
    for (const OneTouchSetting& setting : m.oneTouch) {
        for (const OneTouchPart& part : setting) {
            part.Write(out);
        }
    }

    // Control block with provisional offsets.
    out.Append(kControlTag);
    const size_t controlSizeField = out.Size();
    out.U16Le(0);
    std::vector<int> slots;
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        if (m.sections[static_cast<size_t>(slot)].present) {
            slots.push_back(slot);
        }
    }
    const auto presentBit = [&m](int slot, int bit) {
        return m.sections[static_cast<size_t>(slot)].present ? (1 << bit) : 0;
    };
    out.U8(static_cast<uint8_t>(slots.size()));
    out.U8(static_cast<uint8_t>(presentBit(IntroSlot(0), 0) | presentBit(IntroSlot(1), 1)));
    out.U8(static_cast<uint8_t>(presentBit(EndingSlot(0), 0) | presentBit(EndingSlot(1), 1)));
    const int groups = GroupCount(m);
    out.U8(static_cast<uint8_t>(groups));
    for (int g = 0; g < groups; ++g) {
        int bits = 0;
        for (int j = 0; j < 5; ++j) {
            bits |= presentBit(MainSlot(g) + j, j);
        }
        out.U8(static_cast<uint8_t>(bits));
    }
    out.Zeros((4 - out.Size() % 4) % 4);
    const size_t leadInOffsetField = out.Size();
    out.U32Le(0);
    const size_t dataOffsetFields = out.Size();
    out.Zeros(4 * slots.size());
    const size_t tableOffsetFields = out.Size();
    out.Zeros(2 * slots.size());
    for (const int slot : slots) {
        out.U8(m.sections[static_cast<size_t>(slot)].bars);
    }

    // Part tables, each at a 16-bit file offset.
    for (size_t i = 0; i < slots.size(); ++i) {
        if (out.Size() > UINT16_MAX) {
            return std::nullopt;
        }
        (void)out.PatchU16Le(tableOffsetFields + 2 * i, static_cast<uint16_t>(out.Size()));
        WritePartTable(out, m.sections[static_cast<size_t>(slots[i])]);
    }
    const size_t controlSize = out.Size() - controlSizeField - 2;
    if (controlSize > UINT16_MAX) {
        return std::nullopt;
    }
    (void)out.PatchU16Le(controlSizeField, static_cast<uint16_t>(controlSize));

    // Music data: "Sint", then every present section in slot order.
    out.Append(kDataTag);
    (void)out.PatchU32Le(leadInOffsetField, static_cast<uint32_t>(out.Size()));
    WriteMusic(out, m.leadIn, 0);
    for (size_t i = 0; i < slots.size(); ++i) {
        const StyleSection& section = m.sections[static_cast<size_t>(slots[i])];
        if (out.Size() > UINT32_MAX) {
            return std::nullopt;
        }
        (void)out.PatchU32Le(dataOffsetFields + 4 * i, static_cast<uint32_t>(out.Size()));
        WriteMusic(out, section.music, section.music.remainingTicks);
    }
    out.Zeros((4 - out.Size() % 4) % 4);
    return out.Take();
}

void OneTouchPart::Write(ByteWriter& out) const {
    for (const uint8_t v : {bankMsb, bankLsb, program, volume, octave, reverb, chorus, pan}) {
        out.U8(v);
    }
}

OneTouchPart OneTouchPart::Read(ByteReader& in) {
    OneTouchPart part;
    for (uint8_t* v : {&part.bankMsb, &part.bankLsb, &part.program, &part.volume, &part.octave,
                       &part.reverb, &part.chorus, &part.pan}) {
        *v = in.U8();
    }
    return part;
}

}  // namespace veltrano
