#pragma once

#include <optional>

#include "performance/PerformanceModel.h"
#include "transfer/ChooserModel.h"

class QWidget;

namespace veltrano {

struct AppContext;
class DeviceService;
class Reporter;

// The choosers the performance pages open: a voice (preset, USER or USB file) and an
// arpeggio or chopper pattern (LOCAL preset or USB file), in the terms of the model: a
// preset voice by its voice number, a pattern by its number, a file by its instrument path.
// Each starts on `current` and returns the choice, or nullopt when the user cancelled (or
// chose a preset the catalogue cannot name).
struct ChooserContext {
    AppContext& app;
    DeviceService& devices;
    Reporter& reporter;
};

[[nodiscard]] std::optional<PresetRef> ChooseVoiceForPart(QWidget* parent,
                                                          const ChooserContext& context,
                                                          const PresetRef& current);
// A style or a song for the Style&Song section: a preset by its catalogue position, or a USER
// or USB file by its path.
[[nodiscard]] std::optional<PresetRef> ChooseStyleOrSong(QWidget* parent,
                                                         const ChooserContext& context,
                                                         PresetKind kind, const PresetRef& current);
[[nodiscard]] std::optional<PresetRef> ChoosePatternForPart(QWidget* parent,
                                                            const ChooserContext& context,
                                                            PatternKind kind,
                                                            const PresetRef& current);

}  // namespace veltrano
