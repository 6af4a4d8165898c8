#include "cli/ProgressBar.h"

#include <unistd.h>

#include <cstdio>

namespace veltrano::cli {

namespace {

std::string Size(double bytes) {
    char text[32];
    if (bytes >= 1024.0 * 1024.0) {
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    } else if (bytes >= 1024.0) {
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f B", bytes);
    }
    return text;
}

std::string Clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

ProgressBar::ProgressBar(std::string label, uint32_t blockSize)
    : label_(std::move(label)),
      blockSize_(blockSize),
      terminal_(isatty(STDERR_FILENO) != 0),
      start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
    Finish();
}

std::string ProgressBar::Line(const std::string& label, uint64_t done, uint64_t total,
                              uint32_t blockSize, double seconds) {
    constexpr int kWidth = 24;
    const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / total;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '-');
    const uint64_t blocks = (total + blockSize - 1) / blockSize;
    const uint64_t blocksDone = (done + blockSize - 1) / blockSize;
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    const std::string left =
        rate > 0 ? Clock(static_cast<double>(total - done) / rate) + " left" : "--:-- left";
    char text[256];
    std::snprintf(text, sizeof text, "%s [%s] %3d%%  %llu/%llu blocks  %s/%s  %s/s  %s",
                  label.c_str(), bar.c_str(), static_cast<int>(fraction * 100.0),
                  static_cast<unsigned long long>(blocksDone),
                  static_cast<unsigned long long>(blocks), Size(static_cast<double>(done)).c_str(),
                  Size(static_cast<double>(total)).c_str(), Size(rate).c_str(), left.c_str());
    return text;
}

void ProgressBar::Progress(uint64_t bytesDone, uint64_t bytesTotal) {
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const bool last = bytesDone >= bytesTotal;
    if (terminal_) {
        if (!last && now - lastDraw_ < std::chrono::milliseconds(100)) {
            return;
        }
        lastDraw_ = now;
        std::fprintf(stderr, "\r%s",
                     Line(label_, bytesDone, bytesTotal, blockSize_, seconds).c_str());
        std::fflush(stderr);
        drawn_ = true;
        return;
    }
    const int tenth = bytesTotal == 0 ? 10 : static_cast<int>(bytesDone * 10 / bytesTotal);
    if (tenth != lastTenth_) {
        lastTenth_ = tenth;
        std::fprintf(stderr, "%s\n",
                     Line(label_, bytesDone, bytesTotal, blockSize_, seconds).c_str());
    }
}

void ProgressBar::Finish() {
    if (drawn_) {
        std::fprintf(stderr, "\n");
        drawn_ = false;
    }
}

}  // namespace veltrano::cli
