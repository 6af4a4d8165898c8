#include "device/peer/SimFaults.h"

#include <charconv>
#include <cmath>

#include "base/Text.h"

namespace veltrano {

namespace {

constexpr std::array<std::string_view, kStatusPointCount> kPointNames{
    "connect", "disconnect", "upload", "download", "download-packet", "delete", "query"};

constexpr int64_t kMaxLateMs = 600000;

std::optional<StatusPoint> PointByName(std::string_view name) {
    for (size_t i = 0; i < kPointNames.size(); ++i) {
        if (EqualsNoCase(kPointNames[i], name)) {
            return static_cast<StatusPoint>(i);
        }
    }
    return std::nullopt;
}

std::optional<double> ParseProbability(std::string_view text) {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0.0 || value > 1.0) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t max) {
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max) {
        return std::nullopt;
    }
    return value;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// One item; an error text, empty when it was understood.
std::string ParseItem(std::string_view item, SimFaults& faults) {
    const size_t equals = item.find('=');
    const std::string key = ToLowerAscii(TrimBlanks(item.substr(0, equals)));
    const bool hasValue = equals != std::string_view::npos;
    const std::string_view value = hasValue ? TrimBlanks(item.substr(equals + 1)) : "";

    bool* switchFlag = nullptr;
    if (key == "refuse-connect") {
        switchFlag = &faults.refuseConnect;
    } else if (key == "refuse-cn") {
        switchFlag = &faults.refuseChinese;
    } else if (key == "ignore-cn") {
        switchFlag = &faults.ignoreChinese;
    } else if (key == "no-keepalive") {
        switchFlag = &faults.noKeepAlive;
    }
    if (switchFlag != nullptr) {
        if (hasValue) {
            return "fault " + key + " takes no value";
        }
        *switchFlag = true;
        return {};
    }

    double* probability = nullptr;
    if (key == "drop") {
        probability = &faults.drop;
    } else if (key == "corrupt") {
        probability = &faults.corrupt;
    } else if (key == "late") {
        probability = &faults.late;
    } else if (key == "nak") {
        probability = &faults.nak;
    }
    if (probability != nullptr) {
        const auto parsed = hasValue ? ParseProbability(value) : std::nullopt;
        if (!parsed) {
            return "fault " + key + " needs a probability from 0 to 1, e.g. " + key + "=0.05";
        }
        *probability = *parsed;
        return {};
    }

    if (key == "late-ms") {
        const auto parsed = hasValue ? ParseInteger(value, kMaxLateMs) : std::nullopt;
        if (!parsed) {
            return "fault late-ms needs milliseconds from 0 to " + std::to_string(kMaxLateMs);
        }
        faults.lateDelay = std::chrono::milliseconds(*parsed);
        return {};
    }

    if (key == "status") {
        const size_t colon = value.find(':');
        const auto point =
            colon == std::string_view::npos ? std::nullopt : PointByName(value.substr(0, colon));
        if (!point) {
            return "fault status needs POINT:N with POINT one of connect, disconnect, upload, "
                   "download, download-packet, delete, query: " +
                   Quoted(value);
        }
        const auto status = ParseInteger(value.substr(colon + 1), 255);
        if (!status) {
            return "fault status needs a status from 0 to 255: " + Quoted(value);
        }
        StatusPoint target = *point;
        if (target == StatusPoint::DownloadHeader && *status >= 64 && *status <= 66) {
            target = StatusPoint::DownloadPacket;
        }
        faults.Force(target, static_cast<uint8_t>(*status));
        return {};
    }

    return "unknown fault " + Quoted(key.empty() ? item : std::string_view(key));
}

}  // namespace

std::string_view StatusPointName(StatusPoint point) {
    return kPointNames[static_cast<size_t>(point)];
}

bool SimFaults::Any() const {
    return !(*this == SimFaults{});
}

FaultListResult ParseFaultList(std::string_view text) {
    FaultListResult result;
    while (true) {
        const size_t comma = text.find(',');
        const std::string_view item = TrimBlanks(text.substr(0, comma));
        if (!item.empty()) {
            result.error = ParseItem(item, result.faults);
            if (!result.error.empty()) {
                result.faults = SimFaults{};
                return result;
            }
        }
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    return result;
}

std::string FormatFaultList(const SimFaults& faults) {
    std::string text;
    const auto add = [&text](std::string_view item) {
        if (!text.empty()) {
            text += ',';
        }
        text += item;
    };
    const auto addProbability = [&add](std::string_view name, double value) {
        if (value > 0.0) {
            // The shortest text that reads back as the same value.
            char number[32];
            const auto result = std::to_chars(number, number + sizeof number, value);
            add(std::string(name) + "=" + std::string(number, result.ptr));
        }
    };
    addProbability("drop", faults.drop);
    addProbability("corrupt", faults.corrupt);
    addProbability("late", faults.late);
    addProbability("nak", faults.nak);
    if (faults.lateDelay != SimFaults{}.lateDelay) {
        add("late-ms=" + std::to_string(faults.lateDelay.count()));
    }
    if (faults.refuseConnect) {
        add("refuse-connect");
    }
    if (faults.refuseChinese) {
        add("refuse-cn");
    }
    if (faults.ignoreChinese) {
        add("ignore-cn");
    }
    if (faults.noKeepAlive) {
        add("no-keepalive");
    }
    for (size_t i = 0; i < kStatusPointCount; ++i) {
        if (faults.forced[i]) {
            add("status=" + std::string(kPointNames[i]) + ":" + std::to_string(*faults.forced[i]));
        }
    }
    return text;
}

}  // namespace veltrano
