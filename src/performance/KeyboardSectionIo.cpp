// The keyboard section: three offsets, the part count, the four part records, split keys,
// master tune, k1-k6, a zero byte, volumes and pans.
#include <string>

#include "performance/PerformanceSections.h"
#include "performance/SectionCodec.h"

namespace veltrano {

namespace {

namespace caption = performance_caption;
namespace text = performance_text;

constexpr uint32_t kPartListOffset = 13;
// Split keys (4 × 2), master tune (2), k1-k6 (6) and the zero byte between the part list and
// the volumes.
constexpr uint32_t kSplitBlockSize = 17;
constexpr uint8_t kMaxVoiceSource = 2;  // 0 preset, 1 USER tab file, 2 USB tab file
constexpr size_t kPartFixedBytes = 2 + 6;

std::string VoiceField(size_t part) {
    return std::string("voice file path of part ") + kPartNames[part];
}

}  // namespace

std::optional<std::array<uint32_t, 3>> KeyboardOffsets(const KeyboardSection& keyboard,
                                                       CodePage page) {
    uint32_t partList = 0;
    for (const KeyboardPart& part : keyboard.parts) {
        const auto body = RefBodySize(part.voice, page);
        if (!body) {
            return std::nullopt;
        }
        partList += static_cast<uint32_t>(kPartFixedBytes + *body);
    }
    const uint32_t splitKeys = kPartListOffset + partList;
    return std::array<uint32_t, 3>{kPartListOffset, splitKeys, splitKeys + kSplitBlockSize};
}

std::optional<size_t> WriteKeyboardSection(const KeyboardSection& keyboard, int64_t start,
                                           ByteWriter& out, const SectionContext& context) {
    if (start < 0) {
        ReportError(context.reporter, caption::kKeyboard, text::kNegativeStart);
        return std::nullopt;
    }
    for (size_t i = 0; i < keyboard.parts.size(); ++i) {
        const PresetRef& voice = keyboard.parts[i].voice;
        // A source the reader refuses must not reach a file.
        if (voice.source > kMaxVoiceSource) {
            ReportError(context.reporter, caption::kKeyboard, text::kInvalidTab);
            return std::nullopt;
        }
        if (!RefBodySize(voice, context.codePage)) {
            ReportError(context.reporter, caption::kKeyboard,
                        PathProblemText(PathFieldStatus::TooLong, VoiceField(i)));
            return std::nullopt;
        }
    }
    const auto offsets = KeyboardOffsets(keyboard, context.codePage);
    if (!offsets) {
        return std::nullopt;  // not reached: every path was checked above
    }

    ByteWriter section;
    for (const uint32_t offset : *offsets) {
        section.U32Le(offset);
    }
    section.U8(kKeyboardPartCount);
    for (const KeyboardPart& part : keyboard.parts) {
        section.U8(part.on);
        section.U8(part.voice.source);
        if (!WriteRefBody(section, part.voice, context.codePage)) {
            return std::nullopt;  // not reached: every path was checked above
        }
        section.U8(part.p1);
        section.U8(part.p2);
        section.U8(part.p3);
        section.U8(static_cast<uint8_t>(part.octave));
        section.U8(part.reverb);
        section.U8(part.chorus);
    }
    for (const uint16_t key : keyboard.splitKeys) {
        section.U16Le(key);
    }
    section.U16Le(keyboard.masterTune);
    section.U8(static_cast<uint8_t>(keyboard.transpose));
    section.U8(keyboard.touchLatch);
    section.U8(keyboard.touchCurve);
    section.U8(keyboard.fixedLevel);
    section.U8(keyboard.k5);
    section.U8(keyboard.k6);
    section.U8(0);
    for (const uint8_t volume : keyboard.volumes) {
        section.U8(volume);
    }
    for (const int8_t pan : keyboard.pans) {
        section.U8(static_cast<uint8_t>(pan));
    }
    out.Append(section.Data());
    return section.Size();
}

bool ReadKeyboardSection(ByteView bytes, KeyboardSection& keyboard, const SectionContext& context) {
    KeyboardSection read = keyboard;
    ByteReader reader(bytes);
    for (uint32_t& offset : read.offsets) {
        offset = reader.U32Le();
    }
    const uint8_t partCount = reader.U8();
    if (reader.Ok() && partCount > kKeyboardPartCount) {
        ReportError(context.reporter, caption::kKeyboard,
                    "The keyboard section holds " + std::to_string(partCount) +
                        " parts; a performance has room for " + std::to_string(kKeyboardPartCount));
        return false;
    }
    for (size_t i = 0; i < partCount && reader.Ok(); ++i) {
        KeyboardPart& part = read.parts[i];
        part.on = reader.U8();
        const uint8_t source = reader.U8();
        if (!reader.Ok()) {
            break;
        }
        if (source > kMaxVoiceSource) {
            ReportError(context.reporter, caption::kKeyboard, text::kInvalidTab);
            return false;
        }
        part.voice.source = source;
        if (!ReadRefBody(bytes, reader, part.voice, context.codePage, context.reporter,
                         caption::kKeyboard, VoiceField(i))) {
            return false;
        }
        part.p1 = reader.U8();
        part.p2 = reader.U8();
        part.p3 = reader.U8();
        part.octave = reader.S8();
        part.reverb = reader.U8();
        part.chorus = reader.U8();
    }
    for (uint16_t& key : read.splitKeys) {
        key = reader.U16Le();
    }
    read.masterTune = reader.U16Le();
    read.transpose = reader.S8();
    read.touchLatch = reader.U8();
    read.touchCurve = reader.U8();
    read.fixedLevel = reader.U8();
    read.k5 = reader.U8();
    read.k6 = reader.U8();
    reader.Skip(1);
    for (uint8_t& volume : read.volumes) {
        volume = reader.U8();
    }
    for (int8_t& pan : read.pans) {
        pan = reader.S8();
    }
    if (!reader.Ok()) {
        ReportError(context.reporter, caption::kKeyboard, CutShortText("keyboard"));
        return false;
    }
    keyboard = std::move(read);
    return true;
}

}  // namespace veltrano
