// "info" for styles, description files and one-touch setting files.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "cli/InfoCommand.h"
#include "style/ChordTypes.h"
#include "style/DscFile.h"
#include "style/OtsFile.h"
#include "style/StyleFile.h"

namespace veltrano::cli {

namespace {

template <size_t N>
std::string NameOf(const std::array<std::string_view, N>& names, int index) {
    if (index >= 0 && static_cast<size_t>(index) < N) {
        return std::string(names[static_cast<size_t>(index)]);
    }
    return "(" + std::to_string(index) + ")";
}

std::string PitchClass(int value) {
    return NameOf(kRootNames, value);
}

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Texts may hold any byte; JSON needs valid UTF-8, so other bytes become U+FFFD.
std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            out += "\xEF\xBF\xBD";
        }
    }
    return out;
}

// The chord types a mask leaves out, by their suffixes ("maj" for the plain major chord).
std::string MutedChords(uint32_t mask) {
    if (mask == kAllChordTypes) {
        return "none muted";
    }
    if (mask == 0) {
        return "all muted";
    }
    std::string muted;
    for (int t = 0; t < kChordTypeCount; ++t) {
        if (((mask >> t) & 1u) == 0) {
            muted += muted.empty() ? "muted: " : " ";
            muted +=
                t == 0 ? std::string("maj") : std::string(kChordSuffixes[static_cast<size_t>(t)]);
        }
    }
    return muted;
}

nlohmann::ordered_json OneTouchJson(const OneTouchPart& p) {
    return {{"bankMsb", p.bankMsb},
            {"bankLsb", p.bankLsb},
            {"program", p.program},
            {"volume", p.volume},
            {"octave", static_cast<int8_t>(p.octave)},
            {"reverb", p.reverb},
            {"chorus", p.chorus},
            {"pan", p.pan}};
}

void PrintOneTouch(int setting, int part, const OneTouchPart& p, const char* suffix = "") {
    std::printf(
        "    OTS%d %-2s  bank %3d/%3d  program %3d  volume %3d  octave %+4d  reverb %3d  "
        "chorus %3d  pan %3d%s\n",
        setting + 1, std::string(kOneTouchPartNames[static_cast<size_t>(part)]).c_str(), p.bankMsb,
        p.bankLsb, p.program, p.volume, static_cast<int8_t>(p.octave), p.reverb, p.chorus, p.pan,
        suffix);
}

nlohmann::ordered_json RecordJson(const PartRecord& r) {
    return {{"destination", r.destination},
            {"transpositionTable", r.TranspositionTable()},
            {"transpositionTableName", NameOf(kTranspositionTableNames, r.TranspositionTable())},
            {"transpositionRule", r.TranspositionRule()},
            {"transpositionRuleName", NameOf(kTranspositionRuleNames, r.TranspositionRule())},
            {"retriggerRule", r.RetriggerRule()},
            {"retriggerRuleName", NameOf(kRetriggerRuleNames, r.RetriggerRule())},
            {"highKey", r.highKey},
            {"noteLow", r.noteLow},
            {"noteHigh", r.noteHigh},
            {"noteMask", {r.noteMask1, r.noteMask2}},
            {"root", r.root},
            {"rootValue", r.rootValue}};
}

struct SectionMusic {
    bool readable = false;
    size_t eventBytes = 0;
    uint32_t remainingTicks = 0;
};

SectionMusic MusicOf(const StyleFile& style, uint32_t offset, uint16_t rhythm) {
    SectionMusic music;
    if (const std::optional<ByteView> data = style.read_section(offset)) {
        if (const std::optional<MusicData> split = SplitMusicData(*data, rhythm)) {
            music.readable = true;
            music.eventBytes = split->events.size();
            music.remainingTicks = split->remainingTicks;
        }
    }
    return music;
}

nlohmann::ordered_json MusicJson(const SectionMusic& music) {
    if (!music.readable) {
        return nullptr;
    }
    return {{"eventBytes", music.eventBytes}, {"remainingTicks", music.remainingTicks}};
}

std::string MusicText(const SectionMusic& music) {
    if (!music.readable) {
        return "music data unreadable";
    }
    return std::to_string(music.eventBytes) + " bytes of events, " +
           std::to_string(music.remainingTicks) + " ticks to the end";
}

}  // namespace

int InfoStyle(const std::filesystem::path& path, bool json) {
    ConsoleReporter reporter(ConsoleReporter::Policy::AlwaysNo);
    StyleFile style;
    if (!style.validate(path, reporter) || !style.read_info(reporter) ||
        !style.read_ots(reporter) || !style.read_control(reporter)) {
        return kExitFailed;
    }
    const StyleModel& m = style.Model();
    const StyleLayout& layout = style.Layout();
    const uint32_t barTicks = m.info.TicksPerBar();
    const SectionMusic leadIn = MusicOf(style, layout.leadInOffset, kLeadInRhythmChannels);

    if (json) {
        nlohmann::ordered_json sections = nlohmann::ordered_json::array();
        for (int slot = 0; slot < kSectionSlotCount; ++slot) {
            const StyleSection& s = m.sections[static_cast<size_t>(slot)];
            if (!s.present) {
                continue;
            }
            nlohmann::ordered_json channels = nlohmann::ordered_json::array();
            for (int n = 0; n < kStyleChannelCount; ++n) {
                const ChannelSetting& c = s.channels[static_cast<size_t>(n)];
                nlohmann::ordered_json channel = {
                    {"channel", n}, {"inUse", c.inUse}, {"chordMask", Hex32(c.chordMask)}};
                if (c.inUse) {
                    channel["record"] = RecordJson(c.record);
                }
                channels.push_back(channel);
            }
            const auto index = static_cast<size_t>(slot);
            sections.push_back({{"name", SectionName(slot)},
                                {"bars", s.bars},
                                {"ticks", uint64_t{s.bars} * barTicks},
                                {"dataOffset", layout.dataOffsets[index]},
                                {"partTableOffset", layout.partTableOffsets[index]},
                                {"music", MusicJson(MusicOf(style, layout.dataOffsets[index],
                                                            RhythmChannels(s.channels)))},
                                {"channels", channels}});
        }
        nlohmann::ordered_json oneTouch = nlohmann::ordered_json::array();
        for (const OneTouchSetting& setting : m.oneTouch) {
            nlohmann::ordered_json parts = nlohmann::ordered_json::object();
            for (int p = 0; p < kOneTouchPartCount; ++p) {
                parts[std::string(kOneTouchPartNames[static_cast<size_t>(p)])] =
                    OneTouchJson(setting[static_cast<size_t>(p)]);
            }
            oneTouch.push_back(parts);
        }
        const nlohmann::ordered_json out = {
            {"shortName", Printable(m.info.shortName)},
            {"longName", Printable(m.info.longName)},
            {"secondText", Printable(m.info.secondText)},
            {"thirdText", Printable(m.info.thirdText)},
            {"tempo", m.info.tempo},
            {"timeSignature", {m.info.numerator, m.info.denominator}},
            {"division", m.info.division},
            {"durationUnit", m.info.durationUnit},
            {"leadIn", {{"dataOffset", layout.leadInOffset}, {"music", MusicJson(leadIn)}}},
            {"sections", sections},
            {"oneTouch", oneTouch}};
        std::printf("%s\n", out.dump(2).c_str());
        return kExitOk;
    }

    std::printf("Style: %s\n", path.string().c_str());
    std::printf("  Short name:  %s\n", Printable(m.info.shortName).c_str());
    std::printf("  Long name:   %s\n", Printable(m.info.longName).c_str());
    if (!m.info.secondText.empty() || !m.info.thirdText.empty()) {
        std::printf("  Other texts: %s / %s\n", Printable(m.info.secondText).c_str(),
                    Printable(m.info.thirdText).c_str());
    }
    std::printf("  Tempo %d bpm, time signature %d/%d, division %d, duration unit %d\n",
                m.info.tempo, m.info.numerator, m.info.denominator, m.info.division,
                m.info.durationUnit);
    std::printf("  Sint: %s\n", MusicText(leadIn).c_str());
    std::printf("\nSections: %d\n", layout.sectionCount);
    for (int slot = 0; slot < kSectionSlotCount; ++slot) {
        const StyleSection& s = m.sections[static_cast<size_t>(slot)];
        if (!s.present) {
            continue;
        }
        const SectionMusic music = MusicOf(style, layout.dataOffsets[static_cast<size_t>(slot)],
                                           RhythmChannels(s.channels));
        std::printf("  %-10s %3d bars (%llu ticks), %s\n", std::string(SectionName(slot)).c_str(),
                    s.bars, static_cast<unsigned long long>(uint64_t{s.bars} * barTicks),
                    MusicText(music).c_str());
        for (int n = 0; n < kStyleChannelCount; ++n) {
            const ChannelSetting& c = s.channels[static_cast<size_t>(n)];
            if (!c.inUse) {
                continue;
            }
            const PartRecord& r = c.record;
            std::printf(
                "    ch %2d -> %2d  %s, %s, %s, high key %s, notes %d-%d, root %s/%d, "
                "chords %s\n",
                n + 1, r.destination + 1,
                NameOf(kTranspositionTableNames, r.TranspositionTable()).c_str(),
                NameOf(kTranspositionRuleNames, r.TranspositionRule()).c_str(),
                NameOf(kRetriggerRuleNames, r.RetriggerRule()).c_str(),
                PitchClass(r.highKey).c_str(), r.noteLow, r.noteHigh, PitchClass(r.root).c_str(),
                r.rootValue, MutedChords(c.chordMask).c_str());
        }
    }
    std::printf("\nOne-touch settings\n");
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            PrintOneTouch(s, p, m.oneTouch[static_cast<size_t>(s)][static_cast<size_t>(p)]);
        }
    }
    return kExitOk;
}

int InfoDsc(const std::filesystem::path& path, bool json) {
    ConsoleReporter reporter(ConsoleReporter::Policy::AlwaysNo);
    DscFile dsc;
    StyleModel unused;
    if (!dsc.read(path, false, unused, reporter)) {
        return kExitFailed;
    }
    const auto sectionNames = [](const DscEntry& entry) {
        std::vector<std::string> names;
        for (int i = 0; i < kDscSectionCount; ++i) {
            if (entry.HasSection(i)) {
                names.emplace_back(kDscSectionNames[static_cast<size_t>(i)]);
            }
        }
        return names;
    };

    if (json) {
        nlohmann::ordered_json channels = nlohmann::ordered_json::array();
        for (const DscEntry& entry : dsc.Entries()) {
            const ChannelDescription& d = entry.description;
            channels.push_back({{"sections", sectionNames(entry)},
                                {"sourceChannel", d.sourceChannel},
                                {"name", Printable(std::string_view(d.name.data(), d.name.size()))},
                                {"destination", d.destination},
                                {"chordMask", Hex32(d.chordMask)},
                                {"root", d.root},
                                {"rootValue", d.rootValue},
                                {"transpositionRule", d.transpositionRule},
                                {"transpositionTable", d.transpositionTable},
                                {"highKey", d.highKey},
                                {"noteLow", d.noteLow},
                                {"noteHigh", d.noteHigh},
                                {"retriggerRule", d.retriggerRule}});
        }
        nlohmann::ordered_json oneTouch = nlohmann::ordered_json::array();
        for (const auto& setting : dsc.OneTouch()) {
            nlohmann::ordered_json parts = nlohmann::ordered_json::object();
            for (int p = 0; p < kOneTouchPartCount; ++p) {
                parts[std::string(kOneTouchPartNames[static_cast<size_t>(p)])] =
                    OneTouchJson(setting[static_cast<size_t>(p)].ToPart());
            }
            oneTouch.push_back(parts);
        }
        std::printf(
            "%s\n",
            nlohmann::ordered_json{{"channels", channels}, {"oneTouch", oneTouch}}.dump(2).c_str());
        return kExitOk;
    }

    std::printf("Description: %s\n", path.string().c_str());
    std::printf("\nChannel descriptions: %zu\n", dsc.Entries().size());
    for (const DscEntry& entry : dsc.Entries()) {
        const ChannelDescription& d = entry.description;
        std::string sections;
        for (const std::string& name : sectionNames(entry)) {
            sections += sections.empty() ? name : ", " + name;
        }
        std::printf(
            "  ch %2d -> %2d  %s, %s, %s, high key %s, notes %d-%d, root %s/%d, "
            "chords %s\n      in %s\n",
            d.sourceChannel + 1, d.destination + 1,
            NameOf(kTranspositionTableNames, d.transpositionTable).c_str(),
            NameOf(kTranspositionRuleNames, d.transpositionRule).c_str(),
            NameOf(kRetriggerRuleNames, d.retriggerRule).c_str(), PitchClass(d.highKey).c_str(),
            d.noteLow, d.noteHigh, PitchClass(d.root).c_str(), d.rootValue,
            MutedChords(d.chordMask).c_str(), sections.c_str());
    }
    std::printf("\nOne-touch settings\n");
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            PrintOneTouch(s, p,
                          dsc.OneTouch()[static_cast<size_t>(s)][static_cast<size_t>(p)].ToPart());
        }
    }
    return kExitOk;
}

int InfoOts(const std::filesystem::path& path, bool json) {
    ConsoleReporter reporter(ConsoleReporter::Policy::AlwaysNo);
    OtsFile ots;
    if (!ots.Read(path, reporter)) {
        return kExitFailed;
    }
    if (json) {
        nlohmann::ordered_json settings = nlohmann::ordered_json::array();
        for (int s = 0; s < kOneTouchSettingCount; ++s) {
            nlohmann::ordered_json parts = nlohmann::ordered_json::object();
            for (int p = 0; p < kOneTouchPartCount; ++p) {
                nlohmann::ordered_json part =
                    OneTouchJson(ots.Settings()[static_cast<size_t>(s)][static_cast<size_t>(p)]);
                part["on"] = ots.VolumeFlag(s, p);
                parts[std::string(kOneTouchPartNames[static_cast<size_t>(p)])] = part;
            }
            settings.push_back(parts);
        }
        std::printf("%s\n", nlohmann::ordered_json{{"oneTouch", settings}}.dump(2).c_str());
        return kExitOk;
    }
    std::printf("One-touch settings: %s\n", path.string().c_str());
    for (int s = 0; s < kOneTouchSettingCount; ++s) {
        for (int p = 0; p < kOneTouchPartCount; ++p) {
            PrintOneTouch(s, p, ots.Settings()[static_cast<size_t>(s)][static_cast<size_t>(p)],
                          ots.VolumeFlag(s, p) ? "" : "  (off)");
        }
    }
    return kExitOk;
}

}  // namespace veltrano::cli
