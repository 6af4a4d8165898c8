#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/Bytes.h"

namespace veltrano {

class Reporter;

// One step of an arpeggiator pattern: 8 bytes, the same in memory and in the file.
struct ArpStep {
    static constexpr uint8_t kGateOff = 0;
    static constexpr uint8_t kGateLegato = 101;
    static constexpr uint8_t kTieFlag = 0x80;
    static constexpr uint16_t kNoteMaskBits = 0x0FFF;

    uint16_t index = 0;
    int8_t pitch = 0;        // semitones, -48..48
    uint8_t gate = 100;      // 0 off, 1..100 percent, 101 legato, 0x80 + n tie over n steps
    uint8_t velocity = 100;  // 0: the played key's velocity
    int8_t flam = 0;         // -99..99
    uint16_t noteMask = 0;   // bit r: a note of row r starts here

    [[nodiscard]] bool IsTie() const { return (gate & kTieFlag) != 0; }
    [[nodiscard]] int TieSteps() const { return gate & 0x7F; }
    [[nodiscard]] bool HasNote(int row) const { return ((noteMask >> row) & 1u) != 0; }
    bool operator==(const ArpStep&) const = default;
};

// An arpeggiator pattern: 50 step records, the number of them that are saved and played, and
// the note grid the editor shows.
class ArpPattern {
public:
    static constexpr int kMaxSteps = 50;
    static constexpr int kRows = 12;
    static constexpr size_t kRecordSize = 8;

    enum class Cell : uint8_t { Empty = 0, Start = 1, Held = 2 };

    ArpPattern() { Clear(); }

    // Every record back to its defaults, length 1.
    void Clear();

    // Reads a pattern file. A file that cannot be opened, counts more than 50 steps or is shorter
    // than its count promises gives "Open the arp file failed" (title "Error") and leaves the
    // pattern as it was. Records beyond the count keep their content.
    [[nodiscard]] bool Load(const std::filesystem::path& path, Reporter& reporter);
    // Writes the first `length` records, each with its position as index. "Create arp file
    // failed" (title "Error") when the file cannot be written.
    [[nodiscard]] bool Save(const std::filesystem::path& path, int length, Reporter& reporter);

    // The file's records, or nullopt for a count above 50 or a file too short for its count.
    [[nodiscard]] static std::optional<std::vector<ArpStep>> ParseFile(ByteView bytes);
    // The file bytes of the first `length` records (indices rewritten with their positions).
    [[nodiscard]] Bytes Serialize(int length) const;

    [[nodiscard]] ArpStep GetStep(int index) const;
    void SetStep(int index, const ArpStep& step);
    [[nodiscard]] int Length() const { return length_; }
    void SetLength(int length);
    // The highest step holding a note, plus 1; 1 when no step holds one.
    [[nodiscard]] int UsedLength() const;

    [[nodiscard]] Cell GridCell(int row, int column) const;
    void RebuildGrid();

    bool operator==(const ArpPattern&) const = default;

private:
    std::array<ArpStep, kMaxSteps> steps_{};
    int length_ = 1;
    std::array<std::array<Cell, kMaxSteps>, kRows> grid_{};
};

}  // namespace veltrano
