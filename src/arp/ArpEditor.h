#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "arp/ArpPattern.h"
#include "base/EditDocument.h"

namespace veltrano {

class Reporter;

// The step editor's rules: the pattern under edit (its length is the save length), the ten
// visible steps and the selected one, the sustain rule of ties asked before notes are removed,
// the step fields, and New, Open and Save. The window only shows this and forwards clicks.
class ArpEditor {
public:
    static constexpr int kVisibleSteps = 10;
    static constexpr int kMaxFirstStep = ArpPattern::kMaxSteps - kVisibleSteps;
    static constexpr std::string_view kFileFilter = "Arpeggiator files(*.arp)|*.arp||";
    static constexpr std::string_view kSustainQuestion =
        "Because of Sustain settings, some notes will be removed, do you want to continue?";

    enum class GateMode { Off = 0, Normal = 1, Tie = 2, Legato = 3 };

    // What the step fields show for the selected step.
    struct StepFields {
        int pitch = 0;
        GateMode gateMode = GateMode::Normal;
        int gateValue = 100;
        bool gateValueEditable = true;
        int gateMinimum = 1;
        int gateMaximum = 100;
        std::string gateUnit;  // "(1%-100%)", "(1-50steps)" or empty
        std::string velocity;  // "Key" for 0
        int flam = 0;
    };

    using Document = EditDocument<ArpPattern>;

    ArpEditor();

    [[nodiscard]] Document& Doc() { return document_; }
    [[nodiscard]] const ArpPattern& Pattern() const { return document_.Value(); }
    [[nodiscard]] int SaveLength() const { return Pattern().Length(); }
    [[nodiscard]] const std::filesystem::path& FilePath() const { return filePath_; }

    [[nodiscard]] int FirstVisibleStep() const { return firstVisible_; }
    [[nodiscard]] int SelectedColumn() const { return selectedColumn_; }
    [[nodiscard]] int SelectedStep() const { return firstVisible_ + selectedColumn_; }
    // The column whose header shows the step last selected, or -1 when it is scrolled away.
    [[nodiscard]] int HighlightedColumn() const;
    [[nodiscard]] StepFields Fields() const;

    // A fresh pattern: step 0 shown and selected, no file.
    void New();
    // Reads a pattern file; on failure the message is shown and the pattern stays as it was.
    bool Open(const std::filesystem::path& path, Reporter& reporter);
    // The path Save writes for a chosen one: the file name in lower case with the extension
    // "arp"; nullopt for a name that is empty or only ".arp".
    [[nodiscard]] static std::optional<std::filesystem::path> SavePath(
        const std::filesystem::path& chosen);
    // Writes `path` (already a SavePath), asking before an existing file is replaced (No and
    // Cancel abandon). True when written.
    bool Save(const std::filesystem::path& path, Reporter& reporter);

    // The grid: a click on the cell of a visible column and row toggles the note there.
    void ClickCell(int column, int row, Reporter& reporter);
    void SelectColumn(int column);
    void ScrollTo(int firstStep);

    // The step fields, applied to the selected step. Changes the sustain rule would make are
    // asked first; No changes nothing.
    void SetGateMode(GateMode mode, Reporter& reporter);
    void SetGateValue(int value, Reporter& reporter);
    void SetPitch(int pitch);
    // "Key" (any case) or 0 is the played key's velocity; otherwise 1..127.
    void SetVelocity(int velocity);
    [[nodiscard]] static std::optional<int> ParseVelocity(std::string_view text);
    void SetFlam(int flam);
    void SetSaveLength(int length);

    // Undo and redo select the step the undone edit was made at.
    bool Undo();
    bool Redo();

private:
    // Asks before the notes of `row`s in the steps after `step` from offset `from` to `to - 1`
    // are removed; true when there were none or the user agreed (they are then cleared in
    // `pattern`).
    static bool ClearSustained(ArpPattern& pattern, int step, uint16_t rows, int from, int to,
                               Reporter& reporter);
    void EditStep(std::string_view field, const ArpStep& step);
    void Select(int step);
    bool ShowStepOf(const std::string& field);

    Document document_;
    std::filesystem::path filePath_;
    int firstVisible_ = 0;
    int selectedColumn_ = 0;
    int lastSelected_ = 0;
    bool tieJustChosen_ = false;
};

}  // namespace veltrano
