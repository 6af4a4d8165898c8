#include "arp/ArpEditor.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "base/Reporter.h"
#include "base/Text.h"

namespace veltrano {

namespace {

constexpr const char* kSaveCaption = "SaveArp";
constexpr const char* kExists = "This file is exist, do you want to continue?";
constexpr int kMaxTie = 50;

// Edits carry the step they were made at, so undo can show it again.
std::string FieldName(std::string_view what, int step) {
    return std::string(what) + ":" + std::to_string(step);
}

int StepOfField(const std::string& field) {
    const auto colon = field.rfind(':');
    if (colon == std::string::npos) {
        return -1;
    }
    int step = -1;
    const char* begin = field.data() + colon + 1;
    const char* end = field.data() + field.size();
    return std::from_chars(begin, end, step).ec == std::errc() ? step : -1;
}

}  // namespace

ArpEditor::ArpEditor() {
    New();
}

int ArpEditor::HighlightedColumn() const {
    const int column = lastSelected_ - firstVisible_;
    return column >= 0 && column < kVisibleSteps ? column : -1;
}

ArpEditor::StepFields ArpEditor::Fields() const {
    const ArpStep step = Pattern().GetStep(SelectedStep());
    StepFields f;
    f.pitch = step.pitch;
    f.flam = step.flam;
    f.velocity = step.velocity == 0 ? "Key" : std::to_string(step.velocity);
    if (step.gate == ArpStep::kGateOff) {
        f.gateMode = GateMode::Off;
        f.gateValue = 0;
        f.gateValueEditable = false;
        f.gateMinimum = f.gateMaximum = 0;
    } else if (step.gate <= 100) {
        f.gateMode = GateMode::Normal;
        f.gateValue = step.gate;
        f.gateUnit = "(1%-100%)";
    } else if (step.IsTie()) {
        f.gateMode = GateMode::Tie;
        f.gateValue = step.TieSteps();
        f.gateMaximum = kMaxTie;
        f.gateUnit = tieJustChosen_ ? "(1-50)steps" : "(1-50steps)";
    } else {
        f.gateMode = GateMode::Legato;
        f.gateValue = ArpStep::kGateLegato;
        f.gateValueEditable = false;
        f.gateMinimum = f.gateMaximum = ArpStep::kGateLegato;
    }
    return f;
}

void ArpEditor::New() {
    document_.Load(ArpPattern());
    filePath_.clear();
    firstVisible_ = 0;
    selectedColumn_ = 0;
    lastSelected_ = 0;
    tieJustChosen_ = false;
}

bool ArpEditor::Open(const std::filesystem::path& path, Reporter& reporter) {
    // Loaded into a fresh pattern first, so a failed read leaves the one under edit alone.
    ArpPattern loaded;
    if (!loaded.Load(path, reporter)) {
        return false;
    }
    // A file of no steps still plays and saves one.
    loaded.SetLength(std::max(loaded.Length(), 1));
    New();
    document_.Load(std::move(loaded));
    filePath_ = path;
    return true;
}

std::optional<std::filesystem::path> ArpEditor::SavePath(const std::filesystem::path& chosen) {
    // Only the name is lower-cased: the folders are the user's and may differ in case.
    std::string name = ToLowerAscii(chosen.filename().string());
    const auto dot = name.rfind('.');
    name = (dot == std::string::npos ? name + "." : name.substr(0, dot + 1)) + "arp";
    const std::string_view trimmed = TrimBlanks(name);
    if (trimmed.empty() || trimmed == ".arp") {
        return std::nullopt;
    }
    return chosen.parent_path() / name;
}

bool ArpEditor::Save(const std::filesystem::path& path, Reporter& reporter) {
    std::error_code error;
    if (std::filesystem::exists(path, error) &&
        reporter.Ask(Icon::Question, kSaveCaption, kExists, Buttons::YesNoCancel) != Answer::Yes) {
        return false;
    }
    // Saving rewrites the indices; that is no edit of its own.
    ArpPattern saved = Pattern();
    if (!saved.Save(path, saved.Length(), reporter)) {
        return false;
    }
    filePath_ = path;
    document_.MarkSaved();
    return true;
}

bool ArpEditor::ClearSustained(ArpPattern& pattern, int step, uint16_t rows, int from, int to,
                               Reporter& reporter) {
    bool conflict = false;
    for (int k = step + from; k < step + to && k < ArpPattern::kMaxSteps; ++k) {
        conflict = conflict || (pattern.GetStep(k).noteMask & rows) != 0;
    }
    if (!conflict) {
        return true;
    }
    if (reporter.Ask(Icon::Question, "Warning", kSustainQuestion, Buttons::YesNo) != Answer::Yes) {
        return false;
    }
    for (int k = step + from; k < step + to && k < ArpPattern::kMaxSteps; ++k) {
        ArpStep next = pattern.GetStep(k);
        next.noteMask = static_cast<uint16_t>(next.noteMask & ~rows);
        pattern.SetStep(k, next);
    }
    return true;
}

void ArpEditor::ClickCell(int column, int row, Reporter& reporter) {
    if (column < 0 || column >= kVisibleSteps || row < 0 || row >= ArpPattern::kRows) {
        return;
    }
    const int index = firstVisible_ + column;
    ArpPattern next = Pattern();
    ArpStep step = next.GetStep(index);
    const auto bit = static_cast<uint16_t>(1u << row);
    if (step.HasNote(row)) {
        step.noteMask = static_cast<uint16_t>(step.noteMask & ~bit);
    } else {
        if (step.IsTie() && !ClearSustained(next, index, bit, 1, step.TieSteps(), reporter)) {
            return;
        }
        step.noteMask = static_cast<uint16_t>(step.noteMask | bit);
    }
    next.SetStep(index, step);
    next.SetLength(next.UsedLength());
    next.RebuildGrid();
    selectedColumn_ = column;
    Select(index);
    document_.EndMerge();  // every click is a step of its own
    document_.Edit(FieldName("grid", index), [&](ArpPattern& p) { p = next; });
    document_.EndMerge();
}

void ArpEditor::SelectColumn(int column) {
    if (column < 0 || column >= kVisibleSteps) {
        return;
    }
    selectedColumn_ = column;
    Select(firstVisible_ + column);
}

void ArpEditor::ScrollTo(int firstStep) {
    firstVisible_ = std::clamp(firstStep, 0, kMaxFirstStep);
}

void ArpEditor::Select(int step) {
    if (step != lastSelected_) {
        tieJustChosen_ = false;
        document_.EndMerge();
    }
    lastSelected_ = step;
}

void ArpEditor::EditStep(std::string_view field, const ArpStep& step) {
    const int index = SelectedStep();
    Select(index);
    document_.Edit(FieldName(field, index), [&](ArpPattern& p) {
        p.SetStep(index, step);
        p.RebuildGrid();
    });
}

void ArpEditor::SetGateMode(GateMode mode, Reporter& reporter) {
    if (mode == Fields().gateMode) {
        return;  // chosen again: the value stays
    }
    const int index = SelectedStep();
    ArpStep step = Pattern().GetStep(index);
    tieJustChosen_ = false;
    document_.EndMerge();  // a mode chosen is a step of its own
    switch (mode) {
        case GateMode::Off:
            step.gate = ArpStep::kGateOff;
            break;
        case GateMode::Normal:
            step.gate = 100;
            break;
        case GateMode::Legato:
            step.gate = ArpStep::kGateLegato;
            break;
        case GateMode::Tie: {
            // A new tie holds over two steps; the notes of the next step in its rows are asked
            // about before anything is stored.
            ArpPattern next = Pattern();
            if (!ClearSustained(next, index, step.noteMask, 1, 2, reporter)) {
                return;
            }
            step.gate = ArpStep::kTieFlag | 2;
            next.SetStep(index, step);
            next.RebuildGrid();
            Select(index);
            document_.Edit(FieldName("gate", index), [&](ArpPattern& p) { p = next; });
            tieJustChosen_ = true;
            return;
        }
    }
    EditStep("gate", step);
}

void ArpEditor::SetGateValue(int value, Reporter& reporter) {
    const int index = SelectedStep();
    ArpStep step = Pattern().GetStep(index);
    if (step.gate >= 1 && step.gate <= 100) {
        step.gate = static_cast<uint8_t>(std::clamp(value, 1, 100));
        EditStep("gate", step);
        return;
    }
    if (!step.IsTie()) {
        return;  // off and legato have no value to edit
    }
    const int from = step.TieSteps();
    const int to = std::clamp(value, 1, kMaxTie);
    ArpPattern next = Pattern();
    if (to > from && !ClearSustained(next, index, step.noteMask, from, to, reporter)) {
        return;
    }
    step.gate = static_cast<uint8_t>(ArpStep::kTieFlag | to);
    next.SetStep(index, step);
    next.RebuildGrid();
    Select(index);
    document_.Edit(FieldName("gate", index), [&](ArpPattern& p) { p = next; });
}

void ArpEditor::SetPitch(int pitch) {
    ArpStep step = Pattern().GetStep(SelectedStep());
    step.pitch = static_cast<int8_t>(std::clamp(pitch, -48, 48));
    EditStep("pitch", step);
}

void ArpEditor::SetVelocity(int velocity) {
    ArpStep step = Pattern().GetStep(SelectedStep());
    step.velocity = static_cast<uint8_t>(std::clamp(velocity, 0, 127));
    EditStep("velocity", step);
}

std::optional<int> ArpEditor::ParseVelocity(std::string_view text) {
    text = TrimBlanks(text);
    if (EqualsNoCase(text, "Key")) {
        return 0;
    }
    int value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 127) {
        return std::nullopt;
    }
    return value;
}

void ArpEditor::SetFlam(int flam) {
    ArpStep step = Pattern().GetStep(SelectedStep());
    step.flam = static_cast<int8_t>(std::clamp(flam, -99, 99));
    EditStep("flam", step);
}

void ArpEditor::SetSaveLength(int length) {
    length = std::clamp(length, 1, ArpPattern::kMaxSteps);
    document_.Edit("length", [&](ArpPattern& p) { p.SetLength(length); });
}

bool ArpEditor::Undo() {
    return ShowStepOf(document_.Undo());
}

bool ArpEditor::Redo() {
    return ShowStepOf(document_.Redo());
}

bool ArpEditor::ShowStepOf(const std::string& field) {
    if (field.empty()) {
        return false;
    }
    tieJustChosen_ = false;
    const int step = StepOfField(field);
    if (step >= 0 && step < ArpPattern::kMaxSteps) {
        if (step < firstVisible_ || step >= firstVisible_ + kVisibleSteps) {
            ScrollTo(step);
        }
        selectedColumn_ = step - firstVisible_;
        lastSelected_ = step;
    }
    return true;
}

}  // namespace veltrano
