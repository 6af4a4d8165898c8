#pragma once

#include <string>
#include <vector>

namespace veltrano {

class AppConfig;
class MidiPorts;
class Reporter;

// What the MIDI device dialog does, without its window: the lists it shows, the rows it
// selects, and what OK does with the selection.
class MidiDeviceChoice {
public:
    // No selection in a list.
    static constexpr int kNone = -1;

    MidiDeviceChoice(MidiPorts& ports, AppConfig& config, Reporter& reporter);

    // Reads the ports again (the Refresh button).
    void Refresh();
    [[nodiscard]] const std::vector<std::string>& InputNames() const;
    [[nodiscard]] const std::vector<std::string>& OutputNames() const;
    // The rows to select: the ports chosen last, found by name where they moved; kNone when
    // they are gone or the list is shorter.
    [[nodiscard]] int InputSelection() const;
    [[nodiscard]] int OutputSelection() const;

    // OK: opens the selected input and starts it, then opens the selected output and puts the
    // instrument's first part on its default voice. Each port that opens becomes the chosen
    // one and is written to the settings; each that fails is reported. kNone skips a port.
    void Confirm(int inputPosition, int outputPosition);

private:
    MidiPorts& ports_;
    AppConfig& config_;
    Reporter& reporter_;
};

}  // namespace veltrano
