#pragma once

#include <string>
#include <vector>

#include "performance/PerformanceModel.h"

namespace veltrano {

// One field in which two performances differ, as the compare view lists it.
struct FieldDifference {
    std::string field;  // "Keyboard R1 volume", "Effect L harmony ratio", ...
    std::string left;
    std::string right;
    bool operator==(const FieldDifference&) const = default;
};

// Every stored field of `left` that differs from `right`, in the order of the sections.
[[nodiscard]] std::vector<FieldDifference> ComparePerformances(const Performance& left,
                                                               const Performance& right);

}  // namespace veltrano
