// The Style&Song section (tempo, selection, the style group, the song group) and the
// nine-byte Global section.
#include <algorithm>

#include "performance/PerformanceSections.h"
#include "performance/SectionCodec.h"

namespace veltrano {

namespace {

namespace caption = performance_caption;

}  // namespace

std::optional<StyleSongWritten> WriteStyleSongSection(const StyleSongSection& styleSong,
                                                      ByteWriter& out,
                                                      const SectionContext& context) {
    const auto refusePath = [&](const char* field) {
        ReportError(context.reporter, caption::kController,
                    PathProblemText(PathFieldStatus::TooLong, field));
        return std::nullopt;
    };
    StyleSongWritten written;
    ByteWriter section;
    section.U16Le(styleSong.tempo);
    section.U8(styleSong.selection);
    section.U8(styleSong.style.source);
    if (!WriteRefBody(section, styleSong.style, context.codePage)) {
        return refusePath("style file path");
    }
    section.U8(styleSong.styleSwitches);
    section.U8(styleSong.mainSection);
    section.U8(styleSong.fullRange);
    section.U8(styleSong.detectMode);
    section.U8(styleSong.styleSplitKey);
    section.U8(styleSong.styleVolume);
    section.Append(styleSong.trackVolumes);
    section.Append(styleSong.trackBits);
    written.songSource = section.Size();
    section.U8(styleSong.song.source);
    if (!WriteRefBody(section, styleSong.song, context.codePage)) {
        return refusePath("song file path");
    }
    section.U8(styleSong.songSettings);
    section.U8(styleSong.songVolume);
    section.Append(styleSong.channelVolumes);
    for (const uint16_t bits : styleSong.channelBits) {
        section.U16Le(bits);
    }
    written.length = section.Size();
    out.Append(section.Data());
    return written;
}

bool ReadStyleSongSection(ByteView bytes, StyleSongSection& styleSong,
                          const SectionContext& context) {
    StyleSongSection read = styleSong;
    ByteReader reader(bytes);
    read.tempo = reader.U16Le();
    read.selection = reader.U8();
    read.style.source = reader.U8();
    if (!ReadRefBody(bytes, reader, read.style, context.codePage, context.reporter,
                     caption::kController, "style file path")) {
        return false;
    }
    read.styleSwitches = reader.U8();
    read.mainSection = reader.U8();
    read.fullRange = reader.U8();
    read.detectMode = reader.U8();
    read.styleSplitKey = reader.U8();
    read.styleVolume = reader.U8();
    ReadBytes(reader, read.trackVolumes);
    ReadBytes(reader, read.trackBits);
    read.song.source = reader.U8();
    if (!ReadRefBody(bytes, reader, read.song, context.codePage, context.reporter,
                     caption::kController, "song file path")) {
        return false;
    }
    read.songSettings = reader.U8();
    read.songVolume = reader.U8();
    ReadBytes(reader, read.channelVolumes);
    for (uint16_t& bits : read.channelBits) {
        bits = reader.U16Le();
    }
    if (!reader.Ok()) {
        ReportError(context.reporter, caption::kController, CutShortText("Style&Song"));
        return false;
    }
    styleSong = std::move(read);
    return true;
}

size_t WriteGlobalSection(const GlobalSection& global, ByteWriter& out) {
    out.U8(global.denominatorItem);
    out.U8(global.numeratorItem);
    out.U8(global.accentBell);
    out.U8(global.metronomeVolume);
    out.U16Le(global.fadeInTime);
    out.U16Le(global.fadeOutTime);
    out.U8(global.fadeOutHoldTime);
    return kGlobalSectionSize;
}

bool ReadGlobalSection(ByteView bytes, GlobalSection& global, Reporter& reporter) {
    ByteReader reader(bytes);
    GlobalSection read;
    read.denominatorItem = reader.U8();
    read.numeratorItem = reader.U8();
    read.accentBell = reader.U8();
    read.metronomeVolume = reader.U8();
    read.fadeInTime = reader.U16Le();
    read.fadeOutTime = reader.U16Le();
    read.fadeOutHoldTime = reader.U8();
    if (!reader.Ok()) {
        ReportError(reporter, caption::kGlobal, CutShortText("global"));
        return false;
    }
    global = read;
    return true;
}

}  // namespace veltrano
