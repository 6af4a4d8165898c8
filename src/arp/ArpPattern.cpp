#include "arp/ArpPattern.h"

#include <algorithm>

#include "base/FileIo.h"
#include "base/Reporter.h"

namespace veltrano {

namespace {

constexpr const char* kCaption = "Error";

ArpStep ReadStep(ByteReader& r) {
    ArpStep step;
    step.index = r.U16Le();
    step.pitch = r.S8();
    step.gate = r.U8();
    step.velocity = r.U8();
    step.flam = r.S8();
    step.noteMask = r.U16Le();
    return step;
}

void WriteStep(ByteWriter& w, const ArpStep& step) {
    w.U16Le(step.index);
    w.U8(static_cast<uint8_t>(step.pitch));
    w.U8(step.gate);
    w.U8(step.velocity);
    w.U8(static_cast<uint8_t>(step.flam));
    w.U16Le(step.noteMask);
}

}  // namespace

void ArpPattern::Clear() {
    steps_.fill(ArpStep{});
    length_ = 1;
    RebuildGrid();
}

std::optional<std::vector<ArpStep>> ArpPattern::ParseFile(ByteView bytes) {
    ByteReader r(bytes);
    const uint16_t count = r.U16Le();
    if (!r.Ok() || count > kMaxSteps || !r.Has(size_t{count} * kRecordSize)) {
        return std::nullopt;
    }
    std::vector<ArpStep> steps;
    steps.reserve(count);
    for (int k = 0; k < count; ++k) {
        steps.push_back(ReadStep(r));
    }
    return steps;
}

bool ArpPattern::Load(const std::filesystem::path& path, Reporter& reporter) {
    const auto bytes = ReadFileBytes(path, 2 + kMaxSteps * kRecordSize + 1024 * 1024);
    const auto steps = bytes ? ParseFile(AsBytes(*bytes)) : std::nullopt;
    if (!steps) {
        reporter.Show(Icon::Error, kCaption, "Open the arp file failed");
        return false;
    }
    length_ = static_cast<int>(steps->size());
    std::copy(steps->begin(), steps->end(), steps_.begin());
    RebuildGrid();
    return true;
}

Bytes ArpPattern::Serialize(int length) const {
    length = std::clamp(length, 0, kMaxSteps);
    ByteWriter w(2 + static_cast<size_t>(length) * kRecordSize);
    w.U16Le(static_cast<uint16_t>(length));
    for (int k = 0; k < length; ++k) {
        ArpStep step = steps_[static_cast<size_t>(k)];
        step.index = static_cast<uint16_t>(k);
        WriteStep(w, step);
    }
    return w.Take();
}

bool ArpPattern::Save(const std::filesystem::path& path, int length, Reporter& reporter) {
    length = std::clamp(length, 0, kMaxSteps);
    for (int k = 0; k < length; ++k) {
        steps_[static_cast<size_t>(k)].index = static_cast<uint16_t>(k);
    }
    if (!WriteFileAtomic(path, AsText(Serialize(length)))) {
        reporter.Show(Icon::Error, kCaption, "Create arp file failed");
        return false;
    }
    return true;
}

ArpStep ArpPattern::GetStep(int index) const {
    if (index < 0 || index >= kMaxSteps) {
        return {};
    }
    return steps_[static_cast<size_t>(index)];
}

void ArpPattern::SetStep(int index, const ArpStep& step) {
    if (index < 0 || index >= kMaxSteps) {
        return;
    }
    steps_[static_cast<size_t>(index)] = step;
}

void ArpPattern::SetLength(int length) {
    length_ = std::clamp(length, 0, kMaxSteps);
}

int ArpPattern::UsedLength() const {
    for (int k = kMaxSteps - 1; k >= 0; --k) {
        if (steps_[static_cast<size_t>(k)].noteMask != 0) {
            return k + 1;
        }
    }
    return 1;
}

ArpPattern::Cell ArpPattern::GridCell(int row, int column) const {
    if (row < 0 || row >= kRows || column < 0 || column >= kMaxSteps) {
        return Cell::Empty;
    }
    return grid_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void ArpPattern::RebuildGrid() {
    for (auto& row : grid_) {
        row.fill(Cell::Empty);
    }
    for (int k = 0; k < kMaxSteps; ++k) {
        const ArpStep& step = steps_[static_cast<size_t>(k)];
        for (int r = 0; r < kRows; ++r) {
            if (!step.HasNote(r)) {
                continue;
            }
            auto& row = grid_[static_cast<size_t>(r)];
            row[static_cast<size_t>(k)] = Cell::Start;
            if (step.IsTie()) {
                const int end = std::min(k + step.TieSteps(), kMaxSteps);
                for (int c = k + 1; c < end; ++c) {
                    row[static_cast<size_t>(c)] = Cell::Held;
                }
            }
        }
    }
}

}  // namespace veltrano
