#pragma once

#include <string>

#include "device/DeviceContext.h"

namespace veltrano {

// The application object: what start-up reads and every tool shares for the whole run.
struct AppContext : DeviceContext {
    std::string softwareName;
    std::string softwareVersion;
    std::string softwareCopyright;
};

}  // namespace veltrano
