#include "performance/PerformanceModel.h"

#include <utility>

namespace veltrano {

namespace {

constexpr std::array<uint8_t, kKeyboardPartCount> kDefaultPartOn{1, 0, 0, 1};
constexpr std::array<uint16_t, kKeyboardPartCount> kDefaultVoices{0, 218, 333, 395};

}  // namespace

KeyboardSection::KeyboardSection() {
    for (size_t i = 0; i < parts.size(); ++i) {
        parts[i].on = kDefaultPartOn[i];
        parts[i].voice.number = kDefaultVoices[i];
    }
}

EffectSection::EffectSection() {
    parts[0].flags = 1;  // the arpeggiator of R1
}

bool PerformanceBank::SetCurrentIndex(int index) {
    if (index < 0 || index >= kPerformanceCount) {
        return false;
    }
    current_ = index;
    return true;
}

void PerformanceBank::TakePerformances(PerformanceBank&& other) {
    performances_ = std::move(other.performances_);
    loaded_ = other.loaded_;
}

}  // namespace veltrano
