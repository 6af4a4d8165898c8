#pragma once

#include <filesystem>

namespace veltrano::cli {

// "info FILE": what a file holds, one function per kind. Each prints to stdout (JSON with
// `json`), reports a file it cannot read with the reader's message on stderr, and returns the
// exit status.
[[nodiscard]] int InfoPerformance(const std::filesystem::path& path, bool json);
[[nodiscard]] int InfoArpPattern(const std::filesystem::path& path, bool json);
[[nodiscard]] int InfoMidiFile(const std::filesystem::path& path, bool json);
[[nodiscard]] int InfoStyle(const std::filesystem::path& path, bool json);
[[nodiscard]] int InfoDsc(const std::filesystem::path& path, bool json);
[[nodiscard]] int InfoOts(const std::filesystem::path& path, bool json);

}  // namespace veltrano::cli
