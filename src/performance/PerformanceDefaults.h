#pragma once

#include "performance/PerformanceModel.h"

namespace veltrano {

class PresetCatalog;

// The "New" defaults of each section. A reset sets every field the editor offers; the
// leading offsets of the keyboard section and the header byte of the effect section are left
// as they are, since they only record what was read.
void ResetKeyboard(KeyboardSection& keyboard);
void ResetEffect(EffectSection& effect);
void ResetControllers(ControllersSection& controllers);
void ResetStyleSong(StyleSongSection& styleSong);
void ResetGlobal(GlobalSection& global);
void ResetPerformance(Performance& performance);

// For each part that plays a preset voice v, the volume, pan, octave, reverb and chorus that
// the catalogue entry numbered v + 1 holds for that part; parts whose voice the catalogue does
// not have keep their values.
void ApplyVoiceDefaults(KeyboardSection& keyboard, const PresetCatalog& catalog);
// The three catalogue numbers p1-p3 of each preset voice, as the keyboard page stores them.
void ApplyVoiceNumbers(KeyboardSection& keyboard, const PresetCatalog& catalog);

// Every section of every performance reset, then the voice defaults applied to each (what the
// editor does when it is created and on "New" before it reads the device's default bank).
void ResetBank(PerformanceBank& bank, const PresetCatalog& catalog);

}  // namespace veltrano
