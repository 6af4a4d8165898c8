#include "performance/PerformanceFile.h"

#include <array>
#include <string>
#include <utility>

#include "base/FileIo.h"
#include "base/Reporter.h"
#include "performance/SectionCodec.h"

namespace veltrano {

namespace {

namespace caption = performance_caption;
namespace text = performance_text;

constexpr std::string_view kOpenFailed = "Open the file failed: ";
constexpr std::string_view kCreateFailed = "Create file failed: ";
constexpr std::string_view kInvalidFormat = "Invalid format of the prf file";

// Entries of the performance header.
enum HeaderEntry : size_t {
    kH0Keyboard,
    kH1Effect,
    kH2Controllers,
    kH3Knobs,
    kH4PitchBend,
    kH5Pedals,
    kH6StyleSong,
    kH7Selection,
    kH8StyleSource,
    kH9SongSource,
    kH10Global,
};

}  // namespace

bool PerformanceFile::Read(const std::filesystem::path& path, PerformanceBank& bank) const {
    const auto bytes = ReadFileBytes(path, kMaxFileBytes);
    if (!bytes) {
        ReportError(reporter_, caption::kFile, std::string(kOpenFailed) + path.string());
        return false;
    }
    return ReadBytes(AsBytes(*bytes), bank);
}

bool PerformanceFile::ReadBytes(ByteView bytes, PerformanceBank& bank) const {
    ByteReader reader(bytes);
    if (AsText(reader.Take(kMagic.size())) != kMagic) {
        ReportError(reporter_, caption::kFile, kInvalidFormat);
        return false;
    }
    reader.Skip(1);  // the count: six blocks are always read
    std::array<uint32_t, kPerformanceCount> blocks{};
    for (uint32_t& block : blocks) {
        block = reader.U32Le();
    }
    if (!reader.Ok()) {
        ReportError(reporter_, caption::kFile, text::kNoMoreData);
        return false;
    }
    // Sections are read into a copy, so that a damaged file never leaves a bank that is half
    // the old one and half the new.
    PerformanceBank read = bank;
    for (size_t k = 0; k < blocks.size(); ++k) {
        if (!ReadBlock(bytes, blocks[k], read.At(static_cast<int>(k)))) {
            return false;
        }
    }
    read.SetLoaded(true);
    bank.TakePerformances(std::move(read));
    return true;
}

std::optional<ByteView> PerformanceFile::SectionBytes(ByteView file, uint64_t start, int64_t length,
                                                      std::string_view sectionCaption) const {
    if (length <= 0) {
        ReportError(reporter_, sectionCaption, text::kLengthBelowZero);
        return std::nullopt;
    }
    if (start > file.size() || static_cast<uint64_t>(length) > file.size() - start) {
        ReportError(reporter_, sectionCaption, text::kNoMoreData);
        return std::nullopt;
    }
    return file.subspan(static_cast<size_t>(start), static_cast<size_t>(length));
}

bool PerformanceFile::ReadBlock(ByteView file, uint32_t blockOffset,
                                Performance& performance) const {
    ByteReader reader(file);
    reader.Seek(blockOffset);
    std::array<uint32_t, kHeaderEntries> h{};
    for (uint32_t& entry : h) {
        entry = reader.U32Le();
    }
    if (!reader.Ok()) {
        ReportError(reporter_, caption::kFile, text::kNoMoreData);
        return false;
    }
    const auto at = [&](HeaderEntry e) { return uint64_t{blockOffset} + h[e]; };
    const auto span = [&](HeaderEntry from, HeaderEntry to) {
        return int64_t{h[to]} - int64_t{h[from]};
    };
    const SectionContext context{codePage_, reporter_};

    const auto keyboard =
        SectionBytes(file, at(kH0Keyboard), span(kH0Keyboard, kH1Effect), caption::kKeyboard);
    if (!keyboard || !ReadKeyboardSection(*keyboard, performance.keyboard, context)) {
        return false;
    }
    const auto effect =
        SectionBytes(file, at(kH1Effect), span(kH1Effect, kH2Controllers), caption::kEffectReader);
    if (!effect || !ReadEffectSection(*effect, performance.effect, context)) {
        return false;
    }
    const bool pitchBend = h[kH4PitchBend] != 0;
    const auto controllers = SectionBytes(file, at(kH2Controllers),
                                          span(kH2Controllers, kH6StyleSong), caption::kController);
    if (!controllers ||
        !ReadControllersSection(*controllers, pitchBend, performance.controllers, reporter_)) {
        return false;
    }
    performance.pitchBendPresent = pitchBend;
    const auto styleSong =
        SectionBytes(file, at(kH6StyleSong), span(kH6StyleSong, kH10Global), caption::kController);
    if (!styleSong || !ReadStyleSongSection(*styleSong, performance.styleSong, context)) {
        return false;
    }
    const auto global = SectionBytes(file, at(kH10Global), static_cast<int64_t>(kGlobalSectionSize),
                                     caption::kGlobal);
    return global && ReadGlobalSection(*global, performance.global, reporter_);
}

bool PerformanceFile::BuildBlock(const Performance& performance, const ControllerLayout& layout,
                                 ByteWriter& out) const {
    const size_t blockStart = out.Size();
    out.Zeros(kBlockHeaderSize);
    const SectionContext context{codePage_, reporter_};
    std::array<uint32_t, kHeaderEntries> h{};
    const auto u32 = [](size_t v) { return static_cast<uint32_t>(v); };

    h[kH0Keyboard] = u32(kBlockHeaderSize);
    const auto keyboard = WriteKeyboardSection(performance.keyboard, h[kH0Keyboard], out, context);
    if (!keyboard) {
        return false;
    }
    h[kH1Effect] = h[kH0Keyboard] + u32(*keyboard);
    const auto effect = WriteEffectSection(performance.effect, h[kH1Effect], out, context);
    if (!effect) {
        return false;
    }
    h[kH2Controllers] = h[kH1Effect] + u32(*effect);
    const auto controllers =
        WriteControllersSection(performance.controllers, layout, out, reporter_);
    if (!controllers) {
        return false;
    }
    h[kH3Knobs] = h[kH2Controllers] + u32(controllers->knobHeader);
    h[kH4PitchBend] = controllers->pitchBend ? h[kH2Controllers] + u32(*controllers->pitchBend) : 0;
    h[kH5Pedals] = h[kH2Controllers] + u32(controllers->pedals);
    h[kH6StyleSong] = h[kH2Controllers] + u32(controllers->length);
    const auto styleSong = WriteStyleSongSection(performance.styleSong, out, context);
    if (!styleSong) {
        return false;
    }
    h[kH7Selection] = h[kH6StyleSong] + 2;
    h[kH8StyleSource] = h[kH6StyleSong] + 3;
    h[kH9SongSource] = h[kH6StyleSong] + u32(styleSong->songSource);
    h[kH10Global] = h[kH6StyleSong] + u32(styleSong->length);
    WriteGlobalSection(performance.global, out);

    for (size_t i = 0; i < h.size(); ++i) {
        if (!out.PatchU32Le(blockStart + 4 * i, h[i])) {
            return false;
        }
    }
    return true;
}

std::optional<Bytes> PerformanceFile::Build(const PerformanceBank& bank,
                                            const ControllerLayout& layout) const {
    ByteWriter out;
    for (const char c : kMagic) {
        out.U8(static_cast<uint8_t>(c));
    }
    out.U8(kStoredCount);
    out.Zeros(4 * kPerformanceCount);
    for (int k = 0; k < kPerformanceCount; ++k) {
        const size_t blockStart = out.Size();
        if (!BuildBlock(bank.At(k), layout, out) ||
            !out.PatchU32Le(kMagic.size() + 1 + 4 * static_cast<size_t>(k),
                            static_cast<uint32_t>(blockStart))) {
            return std::nullopt;
        }
    }
    out.U32Le(static_cast<uint32_t>(out.Size() + 4));
    return out.Take();
}

bool PerformanceFile::Write(const std::filesystem::path& path, const PerformanceBank& bank,
                            const ControllerLayout& layout) const {
    const auto bytes = Build(bank, layout);
    if (!bytes) {
        return false;
    }
    if (!WriteFileAtomic(path, AsText(*bytes))) {
        ReportError(reporter_, caption::kFile, std::string(kCreateFailed) + path.string());
        return false;
    }
    return true;
}

}  // namespace veltrano
