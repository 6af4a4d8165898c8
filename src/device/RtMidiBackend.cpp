#include "device/RtMidiBackend.h"

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace veltrano {

namespace {

constexpr const char* kInputPortName = "MIDI in";
constexpr const char* kOutputPortName = "MIDI out";

// Collects what RtMidi reports instead of letting it print or throw. The callback may run on
// RtMidi's own threads, hence the lock.
class ErrorSink {
public:
    static void OnError(RtMidiError::Type type, const std::string& text, void* user) {
        if (type == RtMidiError::DEBUG_WARNING) {
            return;
        }
        auto* sink = static_cast<ErrorSink*>(user);
        std::lock_guard lock(sink->mutex_);
        ++sink->count_;
        sink->last_ = text;
    }

    [[nodiscard]] uint64_t Count() const {
        std::lock_guard lock(mutex_);
        return count_;
    }
    [[nodiscard]] std::string Last() const {
        std::lock_guard lock(mutex_);
        return last_;
    }
    void Record(const std::string& text) { OnError(RtMidiError::UNSPECIFIED, text, this); }

private:
    mutable std::mutex mutex_;
    uint64_t count_ = 0;
    std::string last_;
};

// Runs one RtMidi call; false when it threw or reported an error meanwhile.
template <typename Call>
bool Try(ErrorSink& sink, Call&& call) {
    const uint64_t before = sink.Count();
    try {
        call();
    } catch (const RtMidiError& e) {
        sink.Record(e.getMessage());
        return false;
    } catch (const std::exception& e) {
        sink.Record(e.what());
        return false;
    }
    return sink.Count() == before;
}

// Sends stderr to nowhere while a service is probed: the ALSA library and libjack print their
// complaints about a missing service there before RtMidi gets a word in.
class QuietStderr {
public:
    QuietStderr() {
#if defined(__unix__) || defined(__APPLE__)
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) {
            dup2(null, STDERR_FILENO);
        }
        if (null >= 0) {
            close(null);
        }
#endif
    }
    ~QuietStderr() {
#if defined(__unix__) || defined(__APPLE__)
        std::fflush(stderr);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
#endif
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

#if defined(__linux__)
bool AlsaSequencerPresent() {
    return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

// Looks for the server socket of either JACK implementation, so that a machine without a
// server does not pay for (and print about) a connection attempt.
bool JackServerSocketPresent() {
    const char* env = std::getenv("JACK_DEFAULT_SERVER");
    const std::string server = (env != nullptr && *env != '\0') ? env : "default";
    const std::string uid = std::to_string(getuid());
    const std::filesystem::path candidates[] = {
        "/dev/shm/jack_" + server + "_" + uid + "_0",
        "/dev/shm/jack_" + server + "_0",
        "/dev/shm/jack-" + uid + "/" + server + "/jack_0",
        "/tmp/jack-" + uid + "/" + server + "/jack_0",
    };
    for (const auto& path : candidates) {
        std::error_code ec;
        if (std::filesystem::is_socket(path, ec)) {
            return true;
        }
    }
    return false;
}
#endif

bool Compiled(RtMidi::Api api) {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

// The services to try for a choice, in listing order, and whether each needs a cheap check
// before its probe.
struct Candidate {
    RtMidi::Api api;
    bool checkFirst;
};

std::vector<Candidate> Candidates(MidiApiChoice choice) {
    switch (choice) {
        case MidiApiChoice::Jack:
            return {{RtMidi::UNIX_JACK, false}};
        case MidiApiChoice::Alsa:
#if defined(__linux__)
            return {{RtMidi::LINUX_ALSA, false}};
#else
            return {};
#endif
        case MidiApiChoice::Auto:
            break;
    }
#if defined(__linux__)
    return {{RtMidi::LINUX_ALSA, true}, {RtMidi::UNIX_JACK, true}};
#elif defined(__APPLE__)
    return {{RtMidi::MACOSX_CORE, false}};
#elif defined(_WIN32)
    return {{RtMidi::WINDOWS_MM, false}};
#else
    return {};
#endif
}

bool WorthProbing(const Candidate& candidate) {
    if (!Compiled(candidate.api)) {
        return false;
    }
#if defined(__linux__)
    if (candidate.checkFirst) {
        if (candidate.api == RtMidi::LINUX_ALSA) {
            return AlsaSequencerPresent();
        }
        if (candidate.api == RtMidi::UNIX_JACK) {
            return JackServerSocketPresent();
        }
    }
#endif
    return true;
}

// The port of that name: at the listed position when it is still there, else wherever it is
// now.
template <typename Midi>
std::optional<unsigned> Resolve(Midi& midi, ErrorSink& sink, unsigned listed,
                                const std::string& name) {
    std::optional<unsigned> found;
    const bool ok = Try(sink, [&] {
        const unsigned count = midi.getPortCount();
        if (listed < count && midi.getPortName(listed) == name) {
            found = listed;
            return;
        }
        for (unsigned i = 0; i < count; ++i) {
            if (midi.getPortName(i) == name) {
                found = i;
                return;
            }
        }
    });
    return ok ? found : std::nullopt;
}

template <typename Midi>
std::vector<std::string> PortNames(Midi& midi, ErrorSink& sink) {
    std::vector<std::string> names;
    const bool ok = Try(sink, [&] {
        const unsigned count = midi.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            names.push_back(midi.getPortName(i));
        }
    });
    return ok ? names : std::vector<std::string>{};
}

}  // namespace

struct RtMidiBackend::Service {
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    ErrorSink inErrors;
    ErrorSink outErrors;
};

std::optional<MidiApiChoice> ParseMidiApiChoice(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "auto") {
        return MidiApiChoice::Auto;
    }
    if (lower == "alsa") {
        return MidiApiChoice::Alsa;
    }
    if (lower == "jack") {
        return MidiApiChoice::Jack;
    }
    return std::nullopt;
}

MidiApiChoice RtMidiBackend::ChoiceFromEnvironment(bool* valid) {
    if (valid != nullptr) {
        *valid = true;
    }
    const char* value = std::getenv(std::string(kApiVariable).c_str());
    if (value == nullptr || *value == '\0') {
        return MidiApiChoice::Auto;
    }
    const std::optional<MidiApiChoice> choice = ParseMidiApiChoice(value);
    if (!choice && valid != nullptr) {
        *valid = false;
    }
    return choice.value_or(MidiApiChoice::Auto);
}

RtMidiBackend::RtMidiBackend(MidiApiChoice choice, std::string clientName)
    : clientName_(std::move(clientName)) {
    for (const Candidate& candidate : Candidates(choice)) {
        if (!WorthProbing(candidate)) {
            continue;
        }
        auto service = std::make_unique<Service>();
        service->api = candidate.api;
        bool ok = false;
        {
            QuietStderr quiet;
            ok = Try(service->inErrors, [&] {
                service->in = std::make_unique<RtMidiIn>(candidate.api, clientName_);
                service->in->setErrorCallback(&ErrorSink::OnError, &service->inErrors);
                service->out = std::make_unique<RtMidiOut>(candidate.api, clientName_);
                service->out->setErrorCallback(&ErrorSink::OnError, &service->outErrors);
                // A JACK client made without a server only says so when asked for its ports.
                (void)service->in->getPortCount();
                (void)service->out->getPortCount();
            });
            ok = ok && service->outErrors.Count() == 0;
            if (!ok) {
                service.reset();  // the service is not there; its objects go away quietly too
            }
        }
        if (!service) {
            continue;
        }
        service->in->ignoreTypes(false, true, true);  // system-exclusive frames are the point
        service->in->setCallback(&RtMidiBackend::OnMessage, this);
        services_.push_back(std::move(service));
    }
}

RtMidiBackend::~RtMidiBackend() {
    CloseInputQuietly();
    CloseOutputQuietly();
}

std::vector<std::string> RtMidiBackend::ApiNames() const {
    std::vector<std::string> names;
    for (const auto& service : services_) {
        names.push_back(RtMidi::getApiName(service->api));
    }
    return names;
}

std::string RtMidiBackend::LastError() const {
    std::string last;
    for (const auto& service : services_) {
        if (std::string text = service->inErrors.Last(); !text.empty()) {
            last = std::move(text);
        }
        if (std::string text = service->outErrors.Last(); !text.empty()) {
            last = std::move(text);
        }
    }
    return last;
}

std::vector<std::string> RtMidiBackend::InputNames() {
    inputs_.clear();
    std::vector<std::string> names;
    for (const auto& service : services_) {
        const std::vector<std::string> own = PortNames(*service->in, service->inErrors);
        for (size_t i = 0; i < own.size(); ++i) {
            inputs_.push_back({service.get(), static_cast<unsigned>(i), own[i]});
            names.push_back(own[i]);
        }
    }
    return names;
}

std::vector<std::string> RtMidiBackend::OutputNames() {
    std::lock_guard lock(outputMutex_);
    outputs_.clear();
    std::vector<std::string> names;
    for (const auto& service : services_) {
        const std::vector<std::string> own = PortNames(*service->out, service->outErrors);
        for (size_t i = 0; i < own.size(); ++i) {
            outputs_.push_back({service.get(), static_cast<unsigned>(i), own[i]});
            names.push_back(own[i]);
        }
    }
    return names;
}

void RtMidiBackend::OnMessage(double /*timeStamp*/, std::vector<unsigned char>* message,
                              void* user) {
    auto* self = static_cast<RtMidiBackend*>(user);
    // The handler is set before the port opens and stays until it is closed; delivering_
    // publishes it to this thread.
    if (message == nullptr || !self->delivering_.load(std::memory_order_acquire)) {
        return;
    }
    self->inputHandler_(ByteView(message->data(), message->size()));
}

bool RtMidiBackend::OpenInput(size_t index, InputHandler handler) {
    CloseInputQuietly();
    if (index >= inputs_.size() || !handler) {
        return false;
    }
    const PortRef& ref = inputs_[index];
    Service& service = *ref.service;
    const std::optional<unsigned> port =
        Resolve(*service.in, service.inErrors, ref.index, ref.name);
    if (!port) {
        return false;
    }
    inputHandler_ = std::move(handler);
    const bool ok = Try(service.inErrors, [&] { service.in->openPort(*port, kInputPortName); });
    if (!ok || !service.in->isPortOpen()) {
        (void)Try(service.inErrors, [&] { service.in->closePort(); });
        return false;
    }
    inputService_ = &service;
    return true;
}

bool RtMidiBackend::OpenVirtualInput(const std::string& name, InputHandler handler) {
    CloseInputQuietly();
    if (services_.empty() || !handler) {
        return false;
    }
    Service& service = *services_.front();
    inputHandler_ = std::move(handler);
    // Virtual ports do not count as open to RtMidi, so only a reported error tells failure.
    if (!Try(service.inErrors, [&] { service.in->openVirtualPort(name); })) {
        (void)Try(service.inErrors, [&] { service.in->closePort(); });
        return false;
    }
    inputService_ = &service;
    return true;
}

bool RtMidiBackend::StartInput() {
    if (inputService_ == nullptr) {
        return false;
    }
    delivering_.store(true, std::memory_order_release);
    return true;
}

void RtMidiBackend::StopInput() {
    delivering_.store(false, std::memory_order_release);
}

MidiBackend::CloseResult RtMidiBackend::CloseInput() {
    if (inputService_ == nullptr) {
        return CloseResult::Closed;
    }
    delivering_.store(false, std::memory_order_release);
    Service& service = *inputService_;
    inputService_ = nullptr;
    return Try(service.inErrors, [&] { service.in->closePort(); }) ? CloseResult::Closed
                                                                   : CloseResult::Failed;
}

void RtMidiBackend::CloseInputQuietly() {
    (void)CloseInput();
}

bool RtMidiBackend::OpenOutput(size_t index) {
    CloseOutputQuietly();
    std::lock_guard lock(outputMutex_);
    if (index >= outputs_.size()) {
        return false;
    }
    const PortRef& ref = outputs_[index];
    Service& service = *ref.service;
    const std::optional<unsigned> port =
        Resolve(*service.out, service.outErrors, ref.index, ref.name);
    if (!port) {
        return false;
    }
    const bool ok = Try(service.outErrors, [&] { service.out->openPort(*port, kOutputPortName); });
    if (!ok || !service.out->isPortOpen()) {
        (void)Try(service.outErrors, [&] { service.out->closePort(); });
        return false;
    }
    outputService_ = &service;
    return true;
}

bool RtMidiBackend::OpenVirtualOutput(const std::string& name) {
    CloseOutputQuietly();
    std::lock_guard lock(outputMutex_);
    if (services_.empty()) {
        return false;
    }
    Service& service = *services_.front();
    if (!Try(service.outErrors, [&] { service.out->openVirtualPort(name); })) {
        (void)Try(service.outErrors, [&] { service.out->closePort(); });
        return false;
    }
    outputService_ = &service;
    return true;
}

bool RtMidiBackend::CloseOutput() {
    std::lock_guard lock(outputMutex_);
    if (outputService_ == nullptr) {
        return true;
    }
    Service& service = *outputService_;
    if (!Try(service.outErrors, [&] { service.out->closePort(); })) {
        return false;
    }
    outputService_ = nullptr;
    return true;
}

void RtMidiBackend::CloseOutputQuietly() {
    if (!CloseOutput()) {
        // Forget it anyway: RtMidi closes the port for good when the object goes.
        std::lock_guard lock(outputMutex_);
        outputService_ = nullptr;
    }
}

bool RtMidiBackend::Send(ByteView message) {
    if (message.empty() || message.size() > kMaxMessageSize) {
        return false;
    }
    std::lock_guard lock(outputMutex_);
    if (outputService_ == nullptr) {
        return false;
    }
    Service& service = *outputService_;
    return Try(service.outErrors,
               [&] { service.out->sendMessage(message.data(), message.size()); });
}

}  // namespace veltrano
