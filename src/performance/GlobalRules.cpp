#include "performance/GlobalRules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace veltrano::global_rules {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The whole text as a finite number; nullopt otherwise.
std::optional<double> Number(std::string_view text) {
    const std::string trimmed(Trimmed(text));
    if (trimmed.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int DenominatorOfItem(int item) {
    return 2 << std::clamp(item, 0, kDenominatorItems - 1);
}

int ShownItem(uint8_t stored, int items) {
    return std::clamp(int{stored} - 1, 0, items - 1);
}

std::string TimeText(uint16_t tenths, uint16_t maxTenths) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%.1f", std::min(tenths, maxTenths) / 10.0);
    return text.data();
}

std::optional<std::string> CorrectedTimeText(std::string_view text, uint16_t maxTenths) {
    const std::string_view trimmed = Trimmed(text);
    if (trimmed.empty()) {
        return std::string("0");
    }
    if (trimmed == "00") {
        return std::string("0");
    }
    const auto seconds = Number(trimmed);
    if (!seconds) {
        return std::nullopt;
    }
    if (*seconds < 0.0) {
        return TimeText(0, maxTenths);
    }
    if (*seconds > maxTenths / 10.0) {
        return TimeText(maxTenths, maxTenths);
    }
    return std::nullopt;
}

std::optional<uint16_t> ParseTime(std::string_view text, uint16_t maxTenths) {
    const auto seconds = Number(text);
    if (!seconds) {
        return std::nullopt;
    }
    // 1.1 * 10 is 10.999...: the small step keeps a typed tenth.
    const double tenths = std::trunc(std::clamp(*seconds, 0.0, maxTenths / 10.0) * 10.0 + 1e-6);
    return std::min(static_cast<uint16_t>(tenths), maxTenths);
}

}  // namespace veltrano::global_rules
