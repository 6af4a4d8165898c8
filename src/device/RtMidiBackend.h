#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/MidiBackend.h"

namespace veltrano {

// Which MIDI services to use. Alsa and Jack matter on Linux only; elsewhere Auto is the
// platform's own service.
enum class MidiApiChoice { Auto, Alsa, Jack };

// "auto", "alsa" or "jack" in any case; nothing for anything else.
[[nodiscard]] std::optional<MidiApiChoice> ParseMidiApiChoice(std::string_view text);

// The system's MIDI ports.
//
// One backend may serve more than one MIDI service. On Linux, Auto takes the ALSA sequencer
// when it can be opened and a JACK server when one is running; the ports are listed ALSA's
// first, then JACK's, and the list position decides which service opens the port. Alsa or
// Jack takes that service alone. On macOS and Windows, Auto takes CoreMIDI or the Windows
// multimedia service. A backend that found no service lists no ports and opens nothing.
//
// Services are probed once, when the backend is made; a service that appears later needs a new
// backend. Probing is quiet: nothing the MIDI libraries print while a service is missing
// reaches stderr, and no error of theirs escapes as an exception.
//
// A port opened by position is checked against the name listed at that position; when the
// ports changed meanwhile the port of that name is opened wherever it is now, or nothing.
//
// Each direction is a client of its own, both named after the client name; JACK numbers the
// second ("Veltrano-01"), so a port is best found by the part after the client (FindPort).
// The lists hold every port of the service, this program's own connection ports included.
//
// Virtual ports, which other programs connect to, are made on the first service. The
// simulated instrument uses them with one service chosen explicitly.
class RtMidiBackend final : public MidiBackend {
public:
    static constexpr std::string_view kClientName = "Veltrano";
    // The environment variable that overrides the choice of services.
    static constexpr std::string_view kApiVariable = "VELTRANO_MIDI_API";
    // The JACK service drops longer messages silently; no service gets more than this.
    static constexpr size_t kMaxMessageSize = 16379;

    explicit RtMidiBackend(MidiApiChoice choice = MidiApiChoice::Auto,
                           std::string clientName = std::string(kClientName));
    ~RtMidiBackend() override;
    RtMidiBackend(const RtMidiBackend&) = delete;
    RtMidiBackend& operator=(const RtMidiBackend&) = delete;

    // The choice named by VELTRANO_MIDI_API: Auto when it is unset or empty. A value that names
    // no choice also gives Auto, with valid set to false so the caller can say so.
    [[nodiscard]] static MidiApiChoice ChoiceFromEnvironment(bool* valid = nullptr);

    // Short names of the services in use, in listing order ("alsa", "jack", "core", "winmm").
    [[nodiscard]] std::vector<std::string> ApiNames() const;
    [[nodiscard]] bool Available() const { return !services_.empty(); }
    // The last error a service reported, for diagnostics; empty when none.
    [[nodiscard]] std::string LastError() const;

    [[nodiscard]] std::vector<std::string> InputNames() override;
    [[nodiscard]] std::vector<std::string> OutputNames() override;

    [[nodiscard]] bool OpenInput(size_t index, InputHandler handler) override;
    [[nodiscard]] bool StartInput() override;
    void StopInput() override;
    [[nodiscard]] CloseResult CloseInput() override;

    [[nodiscard]] bool OpenOutput(size_t index) override;
    [[nodiscard]] bool CloseOutput() override;
    [[nodiscard]] bool Send(ByteView message) override;
    [[nodiscard]] size_t MaxMessageSize() const override { return kMaxMessageSize; }

    // A port named `name` under this backend's client name, on the first service. It takes the
    // place of the open input (or output): StartInput, StopInput, CloseInput and Send work on it
    // as on a port opened by position.
    [[nodiscard]] bool OpenVirtualInput(const std::string& name, InputHandler handler);
    [[nodiscard]] bool OpenVirtualOutput(const std::string& name);

private:
    struct Service;
    struct PortRef {
        Service* service = nullptr;
        unsigned index = 0;
        std::string name;
    };

    static void OnMessage(double timeStamp, std::vector<unsigned char>* message, void* user);
    void CloseInputQuietly();
    void CloseOutputQuietly();

    std::string clientName_;
    std::vector<std::unique_ptr<Service>> services_;
    std::vector<PortRef> inputs_;
    std::vector<PortRef> outputs_;

    Service* inputService_ = nullptr;
    InputHandler inputHandler_;
    std::atomic<bool> delivering_{false};

    // Listing, opening and sending on the output service happen on different threads.
    std::mutex outputMutex_;
    Service* outputService_ = nullptr;
};

}  // namespace veltrano
