#pragma once

#include <cstdint>
#include <random>

#include "base/Bytes.h"
#include "base/TextCodec.h"
#include "performance/PerformanceFile.h"
#include "performance/PerformanceModel.h"

namespace veltrano::test {

// An instrument with the given controllers (a connected one: the counts are its own).
[[nodiscard]] ControllerLayout Layout(bool pitchBend, int knobFunctionGroups, int pads = kMaxPads,
                                      int knobs = kMaxKnobs, int pedals = kMaxPedals);

// The bytes of a bank; fails the running test when the writer refuses it.
[[nodiscard]] Bytes WriteBank(const PerformanceBank& bank, const ControllerLayout& layout,
                              CodePage page = CodePage::Windows1252);

[[nodiscard]] uint32_t U32At(const Bytes& bytes, size_t position);
[[nodiscard]] uint16_t U16At(const Bytes& bytes, size_t position);
void PutU32(Bytes& bytes, size_t position, uint32_t value);

// Absolute position of entry H<entry> of performance block k, and the value it holds.
[[nodiscard]] size_t BlockStart(const Bytes& file, int k);
[[nodiscard]] uint32_t Header(const Bytes& file, int k, int entry);
[[nodiscard]] size_t HeaderPosition(const Bytes& file, int k, int entry);

// A bank with every stored field drawn at random; paths hold characters of the code page.
[[nodiscard]] PerformanceBank RandomBank(std::mt19937& rng, CodePage page);

}  // namespace veltrano::test
