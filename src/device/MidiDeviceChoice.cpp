#include "device/MidiDeviceChoice.h"

#include <cstdint>

#include "base/Reporter.h"
#include "device/MidiPorts.h"
#include "settings/AppConfig.h"

namespace veltrano {

namespace {

// Bank 121/0, program 0 on channel 1: the instrument's default voice, sent on every new output
// so it starts from a known sound.
constexpr uint32_t kInitialMessages[] = {
    0x7900B0,  // B0 00 79: bank select MSB 121
    0x0020B0,  // B0 20 00: bank select LSB 0
    0x0000C0,  // C0 00: program 0
};

int Selection(int chosen, size_t count) {
    return (chosen >= 0 && static_cast<size_t>(chosen) < count) ? chosen : MidiDeviceChoice::kNone;
}

}  // namespace

MidiDeviceChoice::MidiDeviceChoice(MidiPorts& ports, AppConfig& config, Reporter& reporter)
    : ports_(ports), config_(config), reporter_(reporter) {}

void MidiDeviceChoice::Refresh() {
    ports_.ListPorts();
}

const std::vector<std::string>& MidiDeviceChoice::InputNames() const {
    return ports_.InputNames();
}

const std::vector<std::string>& MidiDeviceChoice::OutputNames() const {
    return ports_.OutputNames();
}

int MidiDeviceChoice::InputSelection() const {
    return Selection(ports_.FindChosenInput(), ports_.InputNames().size());
}

int MidiDeviceChoice::OutputSelection() const {
    return Selection(ports_.FindChosenOutput(), ports_.OutputNames().size());
}

void MidiDeviceChoice::Confirm(int inputPosition, int outputPosition) {
    if (inputPosition != kNone) {
        if (ports_.OpenInput(inputPosition)) {
            ports_.SetChosenInput(inputPosition);
            // The position and name are only a record for the user; they are not read back at
            // start-up, so a settings file that cannot be written costs nothing here.
            (void)config_.SetMidiDevInId(inputPosition);
            (void)config_.SetMidiDevInName(ports_.ChosenInputName());
            // A port that opens but will not start stays open, without a message.
            (void)ports_.StartInput();
        } else {
            reporter_.Show(Icon::Information, "Warning", "Open midi device in failed");
        }
    }
    if (outputPosition != kNone) {
        if (ports_.OpenOutput(outputPosition)) {
            ports_.SetChosenOutput(outputPosition);
            (void)config_.SetMidiDevOutId(outputPosition);
            (void)config_.SetMidiDevOutName(ports_.ChosenOutputName());
            for (const uint32_t message : kInitialMessages) {
                (void)ports_.SendShort(message);
            }
        } else {
            reporter_.Show(Icon::Information, "Warning", "Open midi device out failed");
        }
    }
}

}  // namespace veltrano
