#include "performance/gui/PerformanceChoosers.h"

#include <QPointer>
#include <algorithm>

#include "app/AppContext.h"
#include "performance/KeyboardRules.h"
#include "transfer/gui/PatternChooser.h"
#include "transfer/gui/PresetChooser.h"

namespace veltrano {

namespace kr = keyboard_rules;

namespace {

// Runs a chooser; its choice when accepted. The dialog may be gone after exec (the window
// closed meanwhile).
template <typename Chooser>
std::optional<ChooserChoice> Run(QPointer<Chooser> chooser) {
    const bool accepted = chooser->exec() == QDialog::Accepted;
    std::optional<ChooserChoice> choice;
    if (chooser && accepted) {
        choice = chooser->Choice();
    }
    delete chooser.data();
    return choice;
}

uint16_t Number(int value) {
    return static_cast<uint16_t>(std::clamp(value, 0, 0xFFFF));
}

// A numbered choice (the catalogue's position) or a file, as a reference.
PresetRef RefOf(const ChooserChoice& choice) {
    if (choice.source != 0) {
        return PresetRef{static_cast<uint8_t>(choice.source), 0, choice.path};
    }
    return PresetRef{0, Number(choice.number), {}};
}

ChooserChoice StartOf(const PresetRef& current) {
    return ChooserChoice{current.source, current.number,
                         current.IsFile() ? current.path : std::string()};
}

}  // namespace

std::optional<PresetRef> ChooseVoiceForPart(QWidget* parent, const ChooserContext& context,
                                            const PresetRef& current) {
    const PresetCatalog& catalog = context.app.catalog;
    ChooserChoice start{current.source, 0, current.IsFile() ? current.path : std::string()};
    if (!current.IsFile()) {
        KeyboardPart part;
        part.voice = current;
        start.number = kr::VoiceChooserIndex(catalog, part).value_or(-1);
    }
    const auto choice = Run(QPointer<PresetChooser>(new PresetChooser(
        context.app, context.devices, context.reporter, PresetKind::Voice, start, parent)));
    if (!choice) {
        return std::nullopt;
    }
    if (choice->source != 0) {
        return RefOf(*choice);
    }
    // The chooser counts positions; the part stores the voice's own number.
    const VoiceEntry* voice = kr::VoiceAtChooserIndex(catalog, choice->number);
    if (voice == nullptr) {
        return std::nullopt;
    }
    return PresetRef{0, Number(voice->number - 1), {}};
}

std::optional<PresetRef> ChooseStyleOrSong(QWidget* parent, const ChooserContext& context,
                                           PresetKind kind, const PresetRef& current) {
    const auto choice = Run(QPointer<PresetChooser>(new PresetChooser(
        context.app, context.devices, context.reporter, kind, StartOf(current), parent)));
    if (!choice) {
        return std::nullopt;
    }
    return RefOf(*choice);
}

std::optional<PresetRef> ChoosePatternForPart(QWidget* parent, const ChooserContext& context,
                                              PatternKind kind, const PresetRef& current) {
    // A pattern file lives on the USB tab, the chooser's second.
    ChooserChoice start = StartOf(current);
    start.source = current.IsFile() ? 1 : 0;
    const auto choice = Run(QPointer<PatternChooser>(
        new PatternChooser(context.app, context.reporter, kind, start, parent)));
    if (!choice) {
        return std::nullopt;
    }
    return RefOf(*choice);
}

}  // namespace veltrano
