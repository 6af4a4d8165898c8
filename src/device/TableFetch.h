#pragma once

#include <filesystem>

namespace veltrano {

class Exchange;
class Link;

// Copies one preset table (0 voices … 5 choppers, 6 the default performance) from the
// instrument into the device folder. The file is written beside its target and renamed into
// place only when the last block has arrived, so a failed fetch leaves the table that was
// there before. Text tables are stored with CR LF line ends, "Default.prf" byte for byte.
// Messages have the caption "GetTabFiles"; only the file-creation failure shows whatever
// `show` says. A step of the caller's exchange, which holds busy around every table.
[[nodiscard]] bool GetTabFiles(Link& link, const Exchange& exchange,
                               const std::filesystem::path& deviceFolder, int table, bool chinese,
                               bool show);

}  // namespace veltrano
