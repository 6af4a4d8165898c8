#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "app/DeviceService.h"

namespace veltrano::cli {

// A transfer's progress on stderr: blocks, bytes, rate and time left. On a terminal the line
// is redrawn in place; otherwise a line is printed at every tenth of the way.
class ProgressBar : public DeviceListener {
public:
    ProgressBar(std::string label, uint32_t blockSize);
    ~ProgressBar() override;

    void Progress(uint64_t bytesDone, uint64_t bytesTotal) override;
    void ListLocalAgain() override {}
    void ListDeviceAgain() override {}
    // Ends the line when something was drawn.
    void Finish();

    // The text of one line, for a given elapsed time.
    [[nodiscard]] static std::string Line(const std::string& label, uint64_t done, uint64_t total,
                                          uint32_t blockSize, double seconds);

private:
    std::string label_;
    uint32_t blockSize_;
    bool terminal_;
    bool drawn_ = false;
    int lastTenth_ = -1;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace veltrano::cli
