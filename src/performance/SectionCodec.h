#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "base/TextCodec.h"
#include "performance/PathField.h"
#include "performance/PerformanceModel.h"

namespace veltrano {

class Reporter;

// Pieces shared by the section readers and writers.

void ReportError(Reporter& reporter, std::string_view caption, std::string_view text);

// The bytes of a reference after its source byte: the number for source 0, otherwise the path
// field; nullopt when the path is too long.
[[nodiscard]] std::optional<size_t> RefBodySize(const PresetRef& ref, CodePage page);
// Appends the number or path; false when the path is too long (nothing appended).
[[nodiscard]] bool WriteRefBody(ByteWriter& out, const PresetRef& ref, CodePage page);

// Reads the number or path that follows a source byte already stored in ref.source. A path
// that cannot be read is reported with the field's name and gives false.
[[nodiscard]] bool ReadRefBody(ByteView section, ByteReader& reader, PresetRef& ref, CodePage page,
                               Reporter& reporter, std::string_view caption,
                               std::string_view field);

// N bytes into an array; the array is left alone when they are not there (the reader's state
// says so).
template <size_t N>
void ReadBytes(ByteReader& reader, std::array<uint8_t, N>& bytes) {
    const ByteView taken = reader.Take(N);
    if (taken.size() == N) {
        std::copy(taken.begin(), taken.end(), bytes.begin());
    }
}

// "The <field> is longer than 259 bytes" and the other path problems.
[[nodiscard]] std::string PathProblemText(PathFieldStatus status, std::string_view field);
// "The <section> section ends before its last field".
[[nodiscard]] std::string CutShortText(std::string_view section);

}  // namespace veltrano
