// "info" for arpeggiator patterns.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "arp/ArpPattern.h"
#include "cli/CliCommon.h"
#include "cli/ConsoleReporter.h"
#include "cli/InfoCommand.h"

namespace veltrano::cli {

namespace {

std::string GateText(const ArpStep& step) {
    if (step.IsTie()) {
        return "tie " + std::to_string(step.TieSteps());
    }
    if (step.gate == ArpStep::kGateOff) {
        return "off";
    }
    if (step.gate == ArpStep::kGateLegato) {
        return "legato";
    }
    return std::to_string(step.gate) + "%";
}

std::string Rows(const ArpStep& step) {
    std::string rows;
    for (int r = 0; r < ArpPattern::kRows; ++r) {
        rows += step.HasNote(r) ? static_cast<char>('1' + (r < 9 ? r : r - 9 + ('A' - '1'))) : '.';
    }
    return rows;
}

}  // namespace

int InfoArpPattern(const std::filesystem::path& path, bool json) {
    ConsoleReporter reporter(ConsoleReporter::Policy::AlwaysNo);
    ArpPattern pattern;
    if (!pattern.Load(path, reporter)) {
        return kExitFailed;
    }
    if (json) {
        nlohmann::json steps = nlohmann::json::array();
        for (int k = 0; k < pattern.Length(); ++k) {
            const ArpStep s = pattern.GetStep(k);
            nlohmann::json rows = nlohmann::json::array();
            for (int r = 0; r < ArpPattern::kRows; ++r) {
                if (s.HasNote(r)) {
                    rows.push_back(r);
                }
            }
            steps.push_back({{"index", s.index},
                             {"pitch", s.pitch},
                             {"gate", s.gate},
                             {"velocity", s.velocity},
                             {"flam", s.flam},
                             {"rows", rows}});
        }
        std::printf("%s\n", nlohmann::json{{"length", pattern.Length()},
                                           {"usedLength", pattern.UsedLength()},
                                           {"steps", steps}}
                                .dump(2)
                                .c_str());
        return kExitOk;
    }
    std::printf("Arpeggiator pattern: %d steps (notes up to step %d)\n", pattern.Length(),
                pattern.UsedLength());
    std::printf("  step  rows          pitch  gate      velocity  flam\n");
    for (int k = 0; k < pattern.Length(); ++k) {
        const ArpStep s = pattern.GetStep(k);
        const std::string velocity = s.velocity == 0 ? "Key" : std::to_string(s.velocity);
        std::printf("  %4d  %s  %+5d  %-8s  %-8s  %+4d\n", k + 1, Rows(s).c_str(), s.pitch,
                    GateText(s).c_str(), velocity.c_str(), s.flam);
    }
    return kExitOk;
}

}  // namespace veltrano::cli
