#pragma once

#include <string>
#include <vector>

namespace veltrano {

class MidiPorts;

// Notices MIDI ports coming and going. Linux sends a program like this no device notices, so
// the window polls: every few seconds while not connected it asks whether the port lists
// changed since it last looked.
class PortWatcher {
public:
    explicit PortWatcher(MidiPorts& ports) : ports_(ports) {}

    // Lists the ports again; true when the names differ from the last look (never on the
    // first one).
    [[nodiscard]] bool Changed();

private:
    MidiPorts& ports_;
    bool looked_ = false;
    std::vector<std::string> inputs_;
    std::vector<std::string> outputs_;
};

}  // namespace veltrano
