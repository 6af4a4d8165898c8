// The effect section: offsets of the four part effect records and of the trailer, the header
// byte, the records, then the global effect and equaliser settings behind their tags.
#include <algorithm>
#include <string>

#include "performance/PerformanceSections.h"
#include "performance/SectionCodec.h"

namespace veltrano {

namespace {

namespace caption = performance_caption;
namespace text = performance_text;

constexpr uint32_t kFirstRecordOffset = 21;
constexpr uint16_t kLengthFlag = 0x8000;
constexpr uint16_t kHarmonyTag = 0x8003;
constexpr uint16_t kGlobalEffectTag = 0x8005;
constexpr uint16_t kEqualiserTag = 0x8009;
constexpr size_t kHeaderByteOffset = 20;
// Arpeggiator group without its pattern: source byte, nine parameters, twelve fixed notes.
constexpr size_t kArpGroupFixed = 1 + 9 + 12;
// Chopper group without its pattern: mode, speed, pull-up time, source byte.
constexpr size_t kChopperGroupFixed = 3 + 1;

std::string PartField(const char* what, size_t part) {
    return std::string(what) + " of part " + kPartNames[part];
}

// One part effect record; false when a pattern path is too long (reported).
bool WriteRecord(ByteWriter& out, const PartEffect& part, size_t index,
                 const SectionContext& context) {
    const auto arpBody = RefBodySize(part.arpPattern, context.codePage);
    const auto chopperBody = RefBodySize(part.chopperPattern, context.codePage);
    if (!arpBody || !chopperBody) {
        ReportError(
            context.reporter, caption::kEffectWriter,
            PathProblemText(
                PathFieldStatus::TooLong,
                PartField(arpBody ? "chopper pattern path" : "arpeggiator pattern path", index)));
        return false;
    }
    out.U16Le(part.flags);
    out.U16Le(static_cast<uint16_t>(kLengthFlag + kArpGroupFixed + *arpBody));
    out.U8(part.arpPattern.source);
    if (!WriteRefBody(out, part.arpPattern, context.codePage)) {
        return false;
    }
    out.Append(part.arpParams);
    out.Append(part.fixedNotes);
    out.U16Le(kHarmonyTag);
    out.U8(part.harmonyType);
    out.U8(part.harmonyRatio);
    out.U8(part.harmonyTouchLimit);
    out.U16Le(static_cast<uint16_t>(kLengthFlag + kChopperGroupFixed + *chopperBody));
    out.U8(part.chopperMode);
    out.U8(part.chopperSpeed);
    out.U8(part.chopperPullUp);
    out.U8(part.chopperPattern.source);
    if (!WriteRefBody(out, part.chopperPattern, context.codePage)) {
        return false;
    }
    out.U16Le(static_cast<uint16_t>(kInsertionEffectSize));
    out.Append(part.insertion);
    return true;
}

}  // namespace

std::optional<size_t> WriteEffectSection(const EffectSection& effect, int64_t start,
                                         ByteWriter& out, const SectionContext& context) {
    if (start < 0) {
        ReportError(context.reporter, caption::kEffectWriter, text::kNegativeStart);
        return std::nullopt;
    }
    ByteWriter records;
    std::array<uint32_t, kKeyboardPartCount + 1> offsets{};
    for (size_t i = 0; i < effect.parts.size(); ++i) {
        offsets[i] = kFirstRecordOffset + static_cast<uint32_t>(records.Size());
        if (!WriteRecord(records, effect.parts[i], i, context)) {
            return std::nullopt;
        }
    }
    offsets[kKeyboardPartCount] = kFirstRecordOffset + static_cast<uint32_t>(records.Size());

    ByteWriter section;
    for (const uint32_t offset : offsets) {
        section.U32Le(offset);
    }
    section.U8(effect.headerByte);
    section.Append(records.Data());
    section.U16Le(kGlobalEffectTag);
    section.Append(ByteView(effect.globalEffect).first(4));
    section.U8(effect.globalEffect[4]);
    section.U16Le(kEqualiserTag);
    section.Append(ByteView(effect.equaliser).first(8));
    section.U8(effect.equaliser[8]);
    out.Append(section.Data());
    return section.Size();
}

bool ReadEffectSection(ByteView bytes, EffectSection& effect, const SectionContext& context) {
    EffectSection read = effect;
    ByteReader reader(bytes);
    // The offset table and the tags only help other readers; the records are read in order.
    reader.Seek(kHeaderByteOffset);
    read.headerByte = reader.U8();
    for (size_t i = 0; i < read.parts.size() && reader.Ok(); ++i) {
        PartEffect& part = read.parts[i];
        part.flags = reader.U16Le();
        reader.Skip(2);  // arpeggiator group length
        part.arpPattern.source = reader.U8();
        if (!ReadRefBody(bytes, reader, part.arpPattern, context.codePage, context.reporter,
                         caption::kEffectReader, PartField("arpeggiator pattern path", i))) {
            return false;
        }
        ReadBytes(reader, part.arpParams);
        ReadBytes(reader, part.fixedNotes);
        reader.Skip(2);  // harmony tag
        part.harmonyType = reader.U8();
        part.harmonyRatio = reader.U8();
        part.harmonyTouchLimit = reader.U8();
        reader.Skip(2);  // chopper group length
        part.chopperMode = reader.U8();
        part.chopperSpeed = reader.U8();
        part.chopperPullUp = reader.U8();
        part.chopperPattern.source = reader.U8();
        if (!ReadRefBody(bytes, reader, part.chopperPattern, context.codePage, context.reporter,
                         caption::kEffectReader, PartField("chopper pattern path", i))) {
            return false;
        }
        reader.Skip(2);  // insertion block length
        ReadBytes(reader, part.insertion);
    }
    reader.Skip(2);
    const ByteView global = reader.Take(4);
    const uint8_t globalLast = reader.U8();
    reader.Skip(2);
    const ByteView equaliser = reader.Take(8);
    const uint8_t equaliserLast = reader.U8();
    if (!reader.Ok()) {
        ReportError(context.reporter, caption::kEffectReader, CutShortText("effect"));
        return false;
    }
    std::copy(global.begin(), global.end(), read.globalEffect.begin());
    read.globalEffect[4] = globalLast;
    std::copy(equaliser.begin(), equaliser.end(), read.equaliser.begin());
    read.equaliser[8] = equaliserLast;
    effect = std::move(read);
    return true;
}

}  // namespace veltrano
