#include "performance/gui/PerformanceChoosers.h"

namespace veltrano {

// The preset and pattern choosers belong to the file browser; until they are part of the
// program these seams offer no choice, and the pages keep what is stored.
std::optional<PresetRef> ChooseVoiceForPart(QWidget* parent, const ChooserContext& context,
                                            const PresetRef& current) {
    (void)parent;
    (void)context;
    (void)current;
    return std::nullopt;
}

std::optional<PresetRef> ChoosePatternForPart(QWidget* parent, const ChooserContext& context,
                                              PatternKind kind, const PresetRef& current) {
    (void)parent;
    (void)context;
    (void)kind;
    (void)current;
    return std::nullopt;
}

}  // namespace veltrano
