#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "device/FrameDecoder.h"
#include "device/MidiTrafficLog.h"

namespace veltrano {

class LanguageTable;

// One line of the MIDI monitor: a message as recorded, decoded once when it arrives.
struct MonitorRow {
    uint64_t sequence = 0;
    std::string time;  // "13:05:42.123"
    TrafficDirection direction = TrafficDirection::Out;
    DecodedMessage message;
    Bytes bytes;

    [[nodiscard]] bool IsShort() const { return message.kind == MessageKind::Short; }
};

// The monitor's list, newest last and never longer than its limit: the oldest rows go first.
class MidiMonitorRows {
public:
    static constexpr size_t kDefaultLimit = 5000;

    explicit MidiMonitorRows(size_t limit = kDefaultLimit);

    // Decodes and appends the entries; returns how many old rows were removed to keep the
    // limit (they were the first ones).
    size_t Append(std::vector<TrafficEntry> entries);
    void Clear() { rows_.clear(); }
    // Removes the n oldest rows (all of them when there are fewer).
    void DropOldest(size_t count);

    [[nodiscard]] const std::deque<MonitorRow>& Rows() const { return rows_; }
    [[nodiscard]] size_t Limit() const { return limit_; }

private:
    size_t limit_;
    std::deque<MonitorRow> rows_;
};

// The texts of a row in the active language. Commands of the instrument keep their protocol
// names; short messages, field names and coded values are looked up in section "MidiMonitor".
class MonitorTexts {
public:
    explicit MonitorTexts(const LanguageTable& language) : language_(language) {}

    [[nodiscard]] std::string Direction(TrafficDirection direction) const;
    [[nodiscard]] std::string Command(const DecodedMessage& message) const;
    [[nodiscard]] std::string Fields(const DecodedMessage& message) const;
    [[nodiscard]] std::string Checksum(const DecodedMessage& message) const;
    // Time, direction, command, fields and checksum, separated by tabs, then the raw bytes
    // when asked for: one line of a copied or saved list (without its line end).
    [[nodiscard]] std::string Line(const MonitorRow& row, bool withRaw) const;
    // The column titles in the order of Line.
    [[nodiscard]] std::string HeaderLine(bool withRaw) const;

private:
    [[nodiscard]] std::string Text(const std::string& key) const;

    const LanguageTable& language_;
};

}  // namespace veltrano
