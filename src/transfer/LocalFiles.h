#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano {

// The entries of a local folder whose names end in "." + extension (letter case ignored; all
// entries when the extension is empty or "*"), without hidden ones, and without folders unless
// asked for. Each result is the folder with a trailing separator followed by the entry's name,
// in the order the system gives them.
[[nodiscard]] std::vector<std::string> EnumerateLocalFiles(const std::filesystem::path& folder,
                                                           std::string_view extension,
                                                           bool includeFolders);

// The files the browser's local list shows: names (with their folder path) that contain ".mid",
// ".sty", ".voc", ".arp" or ".prf" once lower-cased.
[[nodiscard]] bool IsBrowsableFile(std::string_view fullPath);

}  // namespace veltrano
