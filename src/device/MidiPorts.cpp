#include "device/MidiPorts.h"

#include <algorithm>

#include <chrono>
#include <utility>

#include "base/EventLoop.h"
#include "base/Reporter.h"

namespace veltrano {

namespace {

constexpr std::string_view kCaption = "MIDI";
// A port that stays busy is reset and asked again this many times before we give up on it.
constexpr int kCloseRetries = 11;
constexpr auto kCloseRetryPause = std::chrono::milliseconds(10);
// How long a caller of a non-blocking long send waits for the worker.
constexpr auto kNonBlockingWait = std::chrono::milliseconds(1);

constexpr uint8_t kSysExStart = 0xF0;

// Bytes a short message takes on the wire, counted from its status byte; 0 for anything that
// is not a complete short message (a data byte, or the start or end of a system-exclusive
// frame).
size_t ShortMessageLength(uint8_t status) {
    if (status < 0x80) {
        return 0;
    }
    if (status < 0xF0) {
        const uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    switch (status) {
        case 0xF1:
        case 0xF3:
            return 2;
        case 0xF2:
            return 3;
        case 0xF0:
        case 0xF7:
            return 0;
        default:
            return 1;  // tune request and the real-time messages
    }
}

bool IsChannel(int channel) {
    return channel >= 0 && channel <= 15;
}
bool IsDataByte(int value) {
    return value >= 0 && value <= 0x7F;
}

uint32_t PackShort(int status, int data1, int data2 = 0) {
    return static_cast<uint32_t>(status) | (static_cast<uint32_t>(data1) << 8) |
           (static_cast<uint32_t>(data2) << 16);
}

}  // namespace

MidiPorts::MidiPorts(EventLoop& loop, Reporter& reporter)
    : loop_(loop),
      reporter_(reporter),
      frameHandler_(std::make_shared<std::function<void(Bytes)>>()),
      noteHandler_(std::make_shared<std::function<void(uint32_t)>>()) {
    worker_ = std::thread([this] { WorkerLoop(); });
}

MidiPorts::~MidiPorts() {
    // Messages already handed to the worker still go out before the output closes.
    {
        std::lock_guard lock(workerMutex_);
        workerQuit_ = true;
    }
    workerWake_.notify_all();
    worker_.join();
    CloseInput();
    (void)CloseOutput();  // nothing more can be done about a refusal here
    // The backends go first, while every member their threads might still reach is alive.
    backends_.clear();
}

void MidiPorts::AddBackend(std::unique_ptr<MidiBackend> backend) {
    if (backend) {
        backends_.push_back(std::move(backend));
    }
}

void MidiPorts::SetFrameHandler(std::function<void(Bytes)> handler) {
    *frameHandler_ = std::move(handler);
}

void MidiPorts::SetNoteHandler(std::function<void(uint32_t)> handler) {
    *noteHandler_ = std::move(handler);
}

void MidiPorts::ListPorts() {
    inputNames_.clear();
    outputNames_.clear();
    inputRefs_.clear();
    outputRefs_.clear();
    for (const auto& backend : backends_) {
        const std::vector<std::string> inputs = backend->InputNames();
        for (size_t i = 0; i < inputs.size() && inputNames_.size() < kMaxPorts; ++i) {
            inputNames_.push_back(inputs[i]);
            inputRefs_.push_back({backend.get(), i});
        }
        const std::vector<std::string> outputs = backend->OutputNames();
        for (size_t i = 0; i < outputs.size() && outputNames_.size() < kMaxPorts; ++i) {
            outputNames_.push_back(outputs[i]);
            outputRefs_.push_back({backend.get(), i});
        }
    }
}

MidiPorts::PortRef MidiPorts::FindInput(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= inputRefs_.size()) {
        return {};
    }
    return inputRefs_[static_cast<size_t>(index)];
}

MidiPorts::PortRef MidiPorts::FindOutput(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= outputRefs_.size()) {
        return {};
    }
    return outputRefs_[static_cast<size_t>(index)];
}

bool MidiPorts::OpenInput(int index) {
    CloseInput();
    const PortRef ref = FindInput(index);
    if (ref.backend == nullptr) {
        return false;
    }
    if (!ref.backend->OpenInput(ref.index, [this](ByteView message) { OnMessage(message); })) {
        return false;
    }
    inputBackend_ = ref.backend;
    inputState_ = InputState::Open;
    inputIndex_ = index;
    return true;
}

bool MidiPorts::StartInput() {
    if (inputState_ != InputState::Open || inputBackend_ == nullptr) {
        return false;
    }
    // Cleared before the backend starts, so the first frame after the start is not lost.
    stopping_ = false;
    if (!inputBackend_->StartInput()) {
        stopping_ = true;
        return false;
    }
    inputState_ = InputState::Receiving;
    return true;
}

void MidiPorts::StopInput() {
    if (inputState_ != InputState::Receiving || inputBackend_ == nullptr) {
        return;
    }
    stopping_ = true;
    inputState_ = InputState::Open;
    inputBackend_->StopInput();
    inputBackend_->ResetInput();
}

void MidiPorts::CloseInput() {
    if (inputBackend_ == nullptr) {
        return;
    }
    StopInput();
    // Whatever happens below, nothing more is taken from this port.
    stopping_ = true;

    MidiBackend::CloseResult result = MidiBackend::CloseResult::Closed;
    int attempt = 0;
    for (;; ++attempt) {
        result = inputBackend_->CloseInput();
        if (result != MidiBackend::CloseResult::Busy || attempt == kCloseRetries) {
            break;
        }
        inputBackend_->ResetInput();
        loop_.Sleep(kCloseRetryPause);
    }
    if (result == MidiBackend::CloseResult::Failed && attempt == 0) {
        // The port refused to let go at once: its receive buffer could not be released.
        reporter_.Show(Icon::Error, kCaption, "midiInUnprepareHeader failed");
    } else if (result != MidiBackend::CloseResult::Closed) {
        reporter_.Show(Icon::Error, kCaption, "midiInClose failed");
    }
    inputBackend_ = nullptr;
    inputState_ = InputState::Closed;
}

bool MidiPorts::OpenOutput(int index) {
    if (!CloseOutput()) {
        return false;  // the old port is still ours; a second one cannot be opened beside it
    }
    const PortRef ref = FindOutput(index);
    if (ref.backend == nullptr) {
        return false;
    }
    std::lock_guard lock(sendMutex_);
    if (!ref.backend->OpenOutput(ref.index)) {
        return false;
    }
    outputBackend_ = ref.backend;
    outputMaxSize_ = ref.backend->MaxMessageSize();
    outputName_ = outputNames_[static_cast<size_t>(index)];
    outputIndex_ = index;
    outputOpen_ = true;
    return true;
}

bool MidiPorts::CloseOutput() {
    std::lock_guard lock(sendMutex_);
    if (!outputOpen_ || outputBackend_ == nullptr) {
        return true;
    }
    if (!outputBackend_->CloseOutput()) {
        return false;
    }
    outputOpen_ = false;
    outputBackend_ = nullptr;
    outputMaxSize_ = 0;
    outputName_.clear();
    return true;
}

void MidiPorts::Choose(ChosenPort& chosen, const std::vector<std::string>& names, int position) {
    chosen.position = position;
    chosen.name = position >= 0 && static_cast<size_t>(position) < names.size()
                      ? names[static_cast<size_t>(position)]
                      : std::string();
}

int MidiPorts::Find(const ChosenPort& chosen, const std::vector<std::string>& names) {
    if (chosen.name.empty()) {
        return chosen.position;
    }
    const auto position = static_cast<size_t>(chosen.position);
    if (chosen.position >= 0 && position < names.size() && names[position] == chosen.name) {
        return chosen.position;
    }
    const auto it = std::find(names.begin(), names.end(), chosen.name);
    return it == names.end() ? kNotFound : static_cast<int>(it - names.begin());
}

std::string MidiPorts::OutputName() const {
    return outputOpen_ ? outputName_ : std::string();
}

bool MidiPorts::SendShort(uint32_t message) {
    const uint8_t bytes[3] = {static_cast<uint8_t>(message & 0xFF),
                              static_cast<uint8_t>((message >> 8) & 0xFF),
                              static_cast<uint8_t>((message >> 16) & 0xFF)};
    const size_t length = ShortMessageLength(bytes[0]);
    if (length == 0) {
        return false;
    }
    const ByteView wire(bytes, length);
    std::lock_guard lock(sendMutex_);
    if (!outputOpen_ || outputBackend_ == nullptr) {
        return false;
    }
    const bool sent = outputBackend_->Send(wire);
    if (sent) {
        traffic_.Record(TrafficDirection::Out, wire);
    }
    return sent;
}

// A value above 127 would turn into a status byte on the wire, so it is refused like a bad
// channel.
bool MidiPorts::SendProgramChange(int channel, int program) {
    if (!IsChannel(channel) || !IsDataByte(program)) {
        return false;
    }
    return SendShort(PackShort(0xC0 + channel, program));
}

bool MidiPorts::SendBankMsb(int channel, int value) {
    if (!IsChannel(channel) || !IsDataByte(value)) {
        return false;
    }
    return SendShort(PackShort(0xB0 + channel, 0x00, value));
}

bool MidiPorts::SendBankLsb(int channel, int value) {
    if (!IsChannel(channel) || !IsDataByte(value)) {
        return false;
    }
    return SendShort(PackShort(0xB0 + channel, 0x20, value));
}

bool MidiPorts::SendLong(ByteView bytes) {
    // Checked without the send lock: a non-blocking caller must not wait behind a long send.
    if (bytes.empty() || !outputOpen_ || bytes.size() > outputMaxSize_) {
        return false;
    }
    if (blockingSend_) {
        return SendNow(bytes);
    }
    auto job = std::make_shared<SendJob>();
    job->bytes.assign(bytes.begin(), bytes.end());
    std::unique_lock lock(workerMutex_);
    jobs_.push_back(job);
    workerWake_.notify_one();
    jobDone_.wait_for(lock, kNonBlockingWait, [&job] { return job->done; });
    return job->done && job->ok;
}

bool MidiPorts::SendNow(ByteView bytes) {
    std::lock_guard lock(sendMutex_);
    if (!outputOpen_ || outputBackend_ == nullptr || bytes.size() > outputMaxSize_) {
        return false;
    }
    // Recorded under the send lock, so the log keeps the order of the wire.
    const bool sent = outputBackend_->Send(bytes);
    if (sent) {
        traffic_.Record(TrafficDirection::Out, bytes);
    }
    return sent;
}

void MidiPorts::WorkerLoop() {
    std::unique_lock lock(workerMutex_);
    while (true) {
        workerWake_.wait(lock, [this] { return workerQuit_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            return;  // asked to quit with nothing left to send
        }
        std::shared_ptr<SendJob> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        const bool ok = SendNow(job->bytes);
        lock.lock();
        job->done = true;
        job->ok = ok;
        jobDone_.notify_all();
    }
}

void MidiPorts::OnMessage(ByteView message) {
    // Runs on the MIDI thread: copy and hand over, nothing else.
    if (stopping_ || message.empty()) {
        return;
    }
    traffic_.Record(TrafficDirection::In, message);
    if (message[0] != kSysExStart) {
        const bool note = message.size() == 3 && (message[0] & 0xE0) == 0x80 &&
                          IsDataByte(message[1]) && IsDataByte(message[2]);
        if (note) {
            const uint32_t packed = PackShort(message[0], message[1], message[2]);
            std::weak_ptr<std::function<void(uint32_t)>> handler = noteHandler_;
            loop_.Post([handler = std::move(handler), packed] {
                if (const auto live = handler.lock(); live && *live) {
                    (*live)(packed);
                }
            });
        }
        return;
    }
    if (message.size() > kInputBufferSize) {
        ++droppedFrames_;
        return;
    }
    std::weak_ptr<std::function<void(Bytes)>> handler = frameHandler_;
    loop_.Post(
        [handler = std::move(handler), frame = Bytes(message.begin(), message.end())]() mutable {
            if (const auto live = handler.lock(); live && *live) {
                (*live)(std::move(frame));
            }
        });
}

}  // namespace veltrano
