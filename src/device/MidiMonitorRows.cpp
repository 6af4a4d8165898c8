#include "device/MidiMonitorRows.h"

#include <algorithm>
#include <utility>

#include "settings/LanguageTable.h"

namespace veltrano {

namespace {

constexpr std::string_view kSection = "MidiMonitor";

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return upper;
}

}  // namespace

MidiMonitorRows::MidiMonitorRows(size_t limit) : limit_(std::max<size_t>(limit, 1)) {}

size_t MidiMonitorRows::Append(std::vector<TrafficEntry> entries) {
    // Entries that would be removed again at once are not decoded at all.
    const size_t skip = entries.size() > limit_ ? entries.size() - limit_ : 0;
    for (size_t i = skip; i < entries.size(); ++i) {
        TrafficEntry& entry = entries[i];
        MonitorRow row;
        row.sequence = entry.sequence;
        row.time = TrafficTimeText(entry.time);
        row.direction = entry.direction;
        row.message = DecodeMidiMessage(entry.bytes, entry.direction == TrafficDirection::Out);
        row.bytes = std::move(entry.bytes);
        rows_.push_back(std::move(row));
    }
    const size_t removed = rows_.size() > limit_ ? rows_.size() - limit_ : 0;
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(removed));
    return removed;
}

void MidiMonitorRows::DropOldest(size_t count) {
    rows_.erase(rows_.begin(),
                rows_.begin() + static_cast<std::ptrdiff_t>(std::min(count, rows_.size())));
}

std::string MonitorTexts::Text(const std::string& key) const {
    return language_.LookupText(kSection, key);
}

std::string MonitorTexts::Direction(TrafficDirection direction) const {
    return Text(direction == TrafficDirection::Out ? "IDS_DIR_OUT" : "IDS_DIR_IN");
}

std::string MonitorTexts::Command(const DecodedMessage& message) const {
    // The instrument's commands are shown by their protocol names, as the simulator logs them.
    const bool named = message.kind == MessageKind::Short || message.command == "MALFORMED";
    if (!named) {
        return message.command;
    }
    const std::string text = Text("IDS_MSG_" + message.command);
    return text.empty() ? message.command : text;
}

std::string MonitorTexts::Fields(const DecodedMessage& message) const {
    std::string line;
    for (const DecodedField& field : message.fields) {
        if (!line.empty()) {
            line += ' ';
        }
        const std::string label = Text("IDS_FIELD_" + UpperAscii(field.key));
        line += (label.empty() ? field.key : label) + '=' + field.value;
        if (!field.meaning.empty()) {
            const std::string meaning = Text("IDS_VALUE_" + UpperAscii(field.meaning));
            line += " (" + (meaning.empty() ? field.meaning : meaning) + ')';
        }
    }
    return line;
}

std::string MonitorTexts::Checksum(const DecodedMessage& message) const {
    switch (message.checksum) {
        case ChecksumState::Good:
            return Text("IDS_CHECKSUM_GOOD");
        case ChecksumState::Bad:
            return Text("IDS_CHECKSUM_BAD");
        case ChecksumState::NotChecked:
            break;
    }
    return {};
}

std::string MonitorTexts::Line(const MonitorRow& row, bool withRaw) const {
    std::string line = row.time + '\t' + Direction(row.direction) + '\t' + Command(row.message) +
                       '\t' + Fields(row.message) + '\t' + Checksum(row.message);
    if (withRaw) {
        line += '\t' + HexBytes(row.bytes);
    }
    return line;
}

std::string MonitorTexts::HeaderLine(bool withRaw) const {
    std::string line = Text("IDS_COL_TIME") + '\t' + Text("IDS_COL_DIRECTION") + '\t' +
                       Text("IDS_COL_COMMAND") + '\t' + Text("IDS_COL_FIELDS") + '\t' +
                       Text("IDS_COL_CHECKSUM");
    if (withRaw) {
        line += '\t' + Text("IDS_COL_RAW");
    }
    return line;
}

}  // namespace veltrano
