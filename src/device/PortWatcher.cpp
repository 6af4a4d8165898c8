#include "device/PortWatcher.h"

#include "device/MidiPorts.h"

namespace veltrano {

bool PortWatcher::Changed() {
    ports_.ListPorts();
    const bool changed =
        looked_ && (ports_.InputNames() != inputs_ || ports_.OutputNames() != outputs_);
    looked_ = true;
    inputs_ = ports_.InputNames();
    outputs_ = ports_.OutputNames();
    return changed;
}

}  // namespace veltrano
