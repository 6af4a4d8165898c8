#include "style/DscFile.h"

#include <cerrno>
#include <optional>
#include <system_error>

#include "base/FileIo.h"
#include "base/Reporter.h"

namespace veltrano {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCasmTag = "CASM";
constexpr std::string_view kSegmentTag = "CSEG";
constexpr std::string_view kSectionsTag = "Sdec";
constexpr std::string_view kTableTag = "Ctab";
constexpr std::string_view kOtsTag = "OTSc";
constexpr std::string_view kTrackTag = "MTrk";

constexpr size_t kTableSize = 27;
constexpr uint32_t kTrackLength = 155;
constexpr size_t kTrackChunkSize = 8 + kTrackLength;
constexpr size_t kOtsContentSize = kOneTouchSettingCount * kTrackChunkSize;
// Offsets of the values inside a part's events (R1-R3; L has a name one byte shorter, so
// everything from the octave on is one byte earlier).
constexpr size_t kPartEventsSize = 38;
constexpr size_t kMsbAt = 3;
constexpr size_t kLsbAt = 7;
constexpr size_t kProgramAt = 10;
constexpr size_t kOctaveAt = 21;
constexpr size_t kVolumeAt = 25;
constexpr size_t kReverbAt = 29;
constexpr size_t kChorusAt = 33;
constexpr size_t kPanAt = 37;
constexpr uint64_t kMaxDscFileSize = 16u * 1024 * 1024;

constexpr std::string_view kOpenFailed = "Open file failed";
constexpr std::string_view kInvalidFormat = "Invalid format of dsc file";

std::array<char, 8> PartName(int part) {
    std::array<char, 8> name{};
    const std::string_view text = kDscOneTouchNames[static_cast<size_t>(part)];
    for (size_t i = 0; i < text.size(); ++i) {
        name[i] = text[i];
    }
    return name;
}

void WriteTable(ByteWriter& out, const ChannelDescription& d) {
    out.U8(d.sourceChannel);
    out.Append(std::string_view(d.name.data(), d.name.size()));
    out.U8(d.destination);
    out.U8(0);
    out.U8(0x0F);
    out.U8(0xFF);
    out.U8(static_cast<uint8_t>(d.chordMask & 0x03));
    out.U32Be(d.chordMask);
    out.U8(d.root);
    out.U8(d.rootValue);
    out.U8(d.transpositionRule);
    out.U8(d.transpositionTable);
    out.U8(d.highKey);
    out.U8(d.noteLow);
    out.U8(d.noteHigh);
    out.U8(d.retriggerRule);
    out.U8(0);
}

ChannelDescription ReadTable(ByteView table) {
    ByteReader in(table);
    ChannelDescription d;
    d.sourceChannel = in.U8();
    const ByteView name = in.Take(8);
    for (size_t i = 0; i < d.name.size() && i < name.size(); ++i) {
        d.name[i] = static_cast<char>(name[i]);
    }
    d.destination = in.U8();
    (void)in.Skip(3);  // constants
    const uint8_t lowBits = in.U8();
    d.chordMask = (in.U32Be() & ~0x03u) | (lowBits & 0x03u);
    const uint8_t root = in.U8();
    d.root = root >= 12 ? 0 : root;
    d.rootValue = in.U8();
    d.transpositionRule = in.U8();
    d.transpositionTable = in.U8();
    d.highKey = in.U8();
    d.noteLow = in.U8();
    d.noteHigh = in.U8();
    d.retriggerRule = in.U8();
    return d;
}

// A part's events in a one-touch track on MIDI channel k.
void WriteOtsPart(ByteWriter& out, int channel, int part, const DscOneTouch& v) {
    const auto controller = [&out, channel](uint8_t number, uint8_t value) {
        out.U8(0);
        out.U8(static_cast<uint8_t>(0xB0 | channel));
        out.U8(number);
        out.U8(value);
    };
    controller(0x00, v.bankMsb);
    controller(0x20, v.bankLsb);
    out.U8(0);
    out.U8(static_cast<uint8_t>(0xC0 | channel));
    out.U8(v.program);
    // The track name is the part's own name with the octave as its last byte; the readers
    // take every value from a fixed place, so the name never varies in length.
    const std::string_view name = kDscOneTouchNames[static_cast<size_t>(part)];
    out.U8(0);
    out.U8(0xFF);
    out.U8(0x03);
    out.U8(static_cast<uint8_t>(name.size() + 1));
    out.Append(name);
    out.U8(v.octave);
    controller(0x07, v.volume);
    controller(0x5B, v.reverb);
    controller(0x5D, v.chorus);
    controller(0x0A, v.pan);
}

// The one-touch values of part p in the events of a track.
DscOneTouch ReadOtsPart(ByteView events, int part) {
    const size_t base = kPartEventsSize * static_cast<size_t>(part);
    const size_t shortName = part == 3 ? 1 : 0;
    DscOneTouch v;
    v.bankMsb = events[base + kMsbAt];
    v.bankLsb = events[base + kLsbAt];
    v.program = events[base + kProgramAt];
    v.name = PartName(part);
    v.octave = events[base + kOctaveAt - shortName];
    v.volume = events[base + kVolumeAt - shortName];
    v.reverb = events[base + kReverbAt - shortName];
    v.chorus = events[base + kChorusAt - shortName];
    v.pan = events[base + kPanAt - shortName];
    return v;
}

// The sections named by a Sdec text, as description section bits.
uint32_t ParseSectionList(std::string_view text) {
    uint32_t sections = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string_view name = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        for (int i = 0; i < kDscSectionCount; ++i) {
            if (kDscSectionNames[static_cast<size_t>(i)] == name) {
                sections |= 1u << i;
            }
        }
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    return sections;
}

}  // namespace

int DscSectionSlot(int sectionIndex) {
    if (sectionIndex >= 0 && sectionIndex <= 3) {
        return MainSlot(sectionIndex);
    }
    if (sectionIndex >= 4 && sectionIndex <= 7) {
        return FillSlot(5 * (sectionIndex - 4));
    }
    if (sectionIndex == 10 || sectionIndex == 11) {
        return IntroSlot(sectionIndex - 10);
    }
    if (sectionIndex == 14 || sectionIndex == 15) {
        return EndingSlot(sectionIndex - 14);
    }
    return -1;
}

ChannelDescription ChannelDescription::FromChannel(int sourceChannel,
                                                   const ChannelSetting& channel) {
    const PartRecord& r = channel.record;
    ChannelDescription d;
    d.sourceChannel = static_cast<uint8_t>(sourceChannel);
    d.destination = r.destination;
    d.chordMask = channel.chordMask;
    d.root = r.root;
    d.rootValue = r.rootValue;
    d.transpositionRule = static_cast<uint8_t>(r.TranspositionRule());
    d.transpositionTable = static_cast<uint8_t>(r.TranspositionTable());
    d.highKey = r.highKey;
    d.noteLow = r.noteLow;
    d.noteHigh = r.noteHigh;
    d.retriggerRule = static_cast<uint8_t>(r.RetriggerRule());
    return d;
}

void ChannelDescription::ApplyTo(ChannelSetting& channel) const {
    PartRecord& r = channel.record;
    r.destination = destination;
    r.packed = PartRecord::Pack(transpositionTable, transpositionRule, retriggerRule);
    r.highKey = highKey;
    r.noteLow = noteLow;
    r.noteHigh = noteHigh;
    r.root = root;
    r.rootValue = rootValue;
    channel.chordMask = chordMask;
}

DscOneTouch DscOneTouch::FromPart(int part, const OneTouchPart& values) {
    DscOneTouch v;
    v.bankMsb = values.bankMsb;
    v.bankLsb = values.bankLsb;
    v.program = values.program;
    v.name = PartName(part & 3);
    v.volume = values.volume;
    v.reverb = values.reverb;
    v.chorus = values.chorus;
    v.octave = values.octave;
    v.pan = values.pan;
    return v;
}

OneTouchPart DscOneTouch::ToPart() const {
    OneTouchPart p;
    p.bankMsb = bankMsb;
    p.bankLsb = bankLsb;
    p.program = program;
    p.volume = volume;
    p.octave = octave;
    p.reverb = reverb;
    p.chorus = chorus;
    p.pan = pan;
    return p;
}

DscFile::DscFile() {
    for (auto& setting : oneTouch_) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            setting[static_cast<size_t>(p)].name = PartName(p);
        }
    }
}

void DscFile::add_channel(int sectionIndex, const ChannelDescription& description) {
    if (sectionIndex < 0 || sectionIndex >= kDscSectionCount) {
        return;
    }
    for (DscEntry& entry : entries_) {
        if (entry.description == description) {
            entry.sections |= 1u << sectionIndex;
            return;
        }
    }
    entries_.push_back({1u << sectionIndex, description});
}

void DscFile::set_ots(int setting, int part, const DscOneTouch& values) {
    if (setting < 0 || setting >= kOneTouchSettingCount || part < 0 || part >= kOneTouchPartCount) {
        return;
    }
    oneTouch_[static_cast<size_t>(setting)][static_cast<size_t>(part)] = values;
}

DscFile DscFile::FromStyle(const StyleModel& style) {
    constexpr std::array<int, 12> kOrder = {10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 14, 15};
    DscFile dsc;
    for (const int index : kOrder) {
        const StyleSection& section = style.sections[static_cast<size_t>(DscSectionSlot(index))];
        for (int n = 0; n < kStyleChannelCount; ++n) {
            dsc.add_channel(index, ChannelDescription::FromChannel(
                                       n, section.channels[static_cast<size_t>(n)]));
        }
    }
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            dsc.set_ots(s, p,
                        DscOneTouch::FromPart(
                            p, style.oneTouch[static_cast<size_t>(s)][static_cast<size_t>(p)]));
        }
    }
    return dsc;
}

Bytes DscFile::Serialize() const {
    ByteWriter out(1024);
    out.Append(kCasmTag);
    const size_t casmLength = out.Size();
    out.U32Be(0);
    for (const DscEntry& entry : entries_) {
        out.Append(kSegmentTag);
        const size_t segmentLength = out.Size();
        out.U32Be(0);
        std::string names;
        for (int i = 0; i < kDscSectionCount; ++i) {
            if (entry.HasSection(i)) {
                if (!names.empty()) {
                    names += ',';
                }
                names += kDscSectionNames[static_cast<size_t>(i)];
            }
        }
        out.Append(kSectionsTag);
        out.U32Be(static_cast<uint32_t>(names.size()));
        out.Append(names);
        out.Append(kTableTag);
        out.U32Be(static_cast<uint32_t>(kTableSize));
        WriteTable(out, entry.description);
        (void)out.PatchU32Be(segmentLength, static_cast<uint32_t>(out.Size() - segmentLength - 4));
    }
    (void)out.PatchU32Be(casmLength, static_cast<uint32_t>(out.Size() - casmLength - 4));

    out.Append(kOtsTag);
    out.U32Be(static_cast<uint32_t>(kOtsContentSize));
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        out.Append(kTrackTag);
        out.U32Be(kTrackLength);
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            WriteOtsPart(out, s, p, oneTouch_[static_cast<size_t>(s)][static_cast<size_t>(p)]);
        }
        out.U8(0);
        out.U8(0xFF);
        out.U8(0x2F);
        out.U8(0);
    }
    return out.Take();
}

bool DscFile::write(const fs::path& path, Reporter& reporter) const {
    const Bytes bytes = Serialize();
    TempFileBeside file(path);
    errno = 0;
    bool ok = file.Open();
    ok = ok && file.Append(AsText(bytes));
    ok = ok && file.Commit();
    if (!ok) {
        reporter.Show(Icon::Error, "", FileErrorText(errno, path));
        return false;
    }
    return true;
}

bool DscFile::read(const fs::path& path, bool apply, StyleModel& style, Reporter& reporter) {
    const std::optional<std::string> bytes = ReadFileBytes(path, kMaxDscFileSize);
    if (!bytes) {
        reporter.Show(Icon::Error, "ReadDsc", kOpenFailed);
        return false;
    }
    return ReadBytes(AsBytes(*bytes), apply ? &style : nullptr, reporter);
}

bool DscFile::ReadBytes(ByteView bytes, StyleModel* style, Reporter& reporter) {
    const auto invalid = [&reporter] {
        reporter.Show(Icon::Information, "OpenDsc", kInvalidFormat);
        return false;
    };
    if (bytes.size() < 4 || AsText(bytes.subspan(0, 4)) != kCasmTag) {
        return invalid();
    }
    DscFile read;
    uint32_t current = 0;  // description sections of the last CSEG
    size_t pos = 0;
    // Tags are searched byte by byte; a tag's content must lie wholly inside the file.
    while (bytes.size() - pos >= 4) {
        const std::string_view tag = AsText(bytes.subspan(pos, 4));
        const size_t room = bytes.size() - pos;
        if (tag == kSegmentTag) {
            if (room < 16 || AsText(bytes.subspan(pos + 8, 4)) != kSectionsTag) {
                return invalid();
            }
            ByteReader in(bytes.subspan(pos + 12));
            const uint32_t length = in.U32Be();
            if (length > room - 16) {
                return invalid();
            }
            current = ParseSectionList(AsText(bytes.subspan(pos + 16, length)));
            pos += 16 + length;
        } else if (tag == kTableTag) {
            if (room < 8 + kTableSize) {
                return invalid();
            }
            const ChannelDescription description = ReadTable(bytes.subspan(pos + 8, kTableSize));
            for (int i = 0; i < kDscSectionCount; ++i) {
                if (((current >> i) & 1u) == 0) {
                    continue;
                }
                read.add_channel(i, description);
                const int slot = DscSectionSlot(i);
                if (style != nullptr && slot >= 0 &&
                    description.sourceChannel < kStyleChannelCount) {
                    description.ApplyTo(
                        style->sections[static_cast<size_t>(slot)]
                            .channels[static_cast<size_t>(description.sourceChannel)]);
                }
            }
            pos += 8 + kTableSize;
        } else if (tag == kOtsTag) {
            if (room < 8 + kOtsContentSize) {
                return invalid();
            }
            for (int s = 0; s < kOneTouchSettingCount; ++s) {
                const ByteView events = bytes.subspan(
                    pos + 8 + kTrackChunkSize * static_cast<size_t>(s) + 8, kTrackLength);
                for (int p = 0; p < kOneTouchPartCount; ++p) {
                    const DscOneTouch values = ReadOtsPart(events, p);
                    read.set_ots(s, p, values);
                    if (style != nullptr) {
                        style->oneTouch[static_cast<size_t>(s)][static_cast<size_t>(p)] =
                            values.ToPart();
                    }
                }
            }
            pos += 8 + kOtsContentSize;
        } else {
            ++pos;
        }
    }
    *this = std::move(read);
    return true;
}

std::string FileErrorText(int error, const fs::path& path) {
    std::string line;
    switch (error) {
        case ENOENT: {
            // Creating a file fails this way when its folder is missing.
            std::error_code ec;
            const fs::path folder = path.parent_path();
            line = (folder.empty() || fs::is_directory(folder, ec))
                       ? "No such file in the directory\n"
                       : "No such directory\n";
            break;
        }
        case ENOTDIR:
        case ENAMETOOLONG:
            line = "No such directory\n";
            break;
        case EMFILE:
        case ENFILE:
            line = "File been opened too many times\n";
            break;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            line = "Can not access to the file\n";
            break;
        case EBADF:
        case EINVAL:
            line = "The file is invalid\n";
            break;
        case EBUSY:
        case ETXTBSY:
            line = "File shareing violation\n";
            break;
        case ENOLCK:
        case EDEADLK:
            line = "File lock violation\n";
            break;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            line = "Run out of disk\n";
            break;
        default:
            line = "Unknown Error!";
            break;
    }
    return line + path.string();
}

}  // namespace veltrano
