#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "base/Bytes.h"
#include "base/TextCodec.h"
#include "performance/PerformanceModel.h"
#include "performance/PerformanceSections.h"

namespace veltrano {

class Reporter;

// A ".prf" file: "MPRF", the count 6, six block offsets, six performance blocks (an eleven-entry
// header of section offsets, then the Keyboard, Effect, Controllers, Style&Song and Global
// sections) and the file's total length. Paths are stored through the legacy code page of the
// current language.
class PerformanceFile {
public:
    static constexpr std::string_view kMagic = "MPRF";
    static constexpr uint8_t kStoredCount = 6;
    static constexpr size_t kFileHeaderSize = 29;
    static constexpr size_t kHeaderEntries = 11;
    static constexpr size_t kBlockHeaderSize = 4 * kHeaderEntries;
    // Far above the largest bank the format can express; a bigger file is not one of ours.
    static constexpr uint64_t kMaxFileBytes = 16 * 1024 * 1024;

    PerformanceFile(Reporter& reporter, CodePage codePage)
        : reporter_(reporter), codePage_(codePage) {}

    // Reads a bank. On success every performance is replaced and the bank is marked loaded; on
    // any failure the reason is reported and the bank stays exactly as it was.
    [[nodiscard]] bool Read(const std::filesystem::path& path, PerformanceBank& bank) const;
    [[nodiscard]] bool ReadBytes(ByteView bytes, PerformanceBank& bank) const;

    // The file's bytes for the given instrument layout; nullopt after reporting why a section
    // cannot be stored.
    [[nodiscard]] std::optional<Bytes> Build(const PerformanceBank& bank,
                                             const ControllerLayout& layout) const;
    // Builds the bank and replaces the file through a temporary file, so a failure leaves
    // whatever was there before.
    [[nodiscard]] bool Write(const std::filesystem::path& path, const PerformanceBank& bank,
                             const ControllerLayout& layout) const;

private:
    [[nodiscard]] bool ReadBlock(ByteView file, uint32_t blockOffset,
                                 Performance& performance) const;
    [[nodiscard]] bool BuildBlock(const Performance& performance, const ControllerLayout& layout,
                                  ByteWriter& out) const;
    // The bytes of one section of the file, or nullopt after the length messages.
    [[nodiscard]] std::optional<ByteView> SectionBytes(ByteView file, uint64_t start,
                                                       int64_t length,
                                                       std::string_view caption) const;

    Reporter& reporter_;
    CodePage codePage_;
};

}  // namespace veltrano
