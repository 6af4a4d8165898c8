#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Bytes.h"
#include "device/MidiBackend.h"
#include "device/MidiTrafficLog.h"

namespace veltrano {

class EventLoop;
class Reporter;

// Where long messages go: the MIDI output, or a test's recorder.
class FrameOutput {
public:
    virtual ~FrameOutput() = default;
    [[nodiscard]] virtual bool SendLong(ByteView bytes) = 0;
};

// Where short channel messages go (the on-screen keyboard, the arpeggiator preview).
class ShortOutput {
public:
    virtual ~ShortOutput() = default;
    // Status in the low byte, then data 1, then data 2.
    [[nodiscard]] virtual bool SendShort(uint32_t message) = 0;
};

enum class InputState { Closed = 0, Open = 1, Receiving = 2 };

// The program's one MIDI input and output pair. Ports of every backend are listed together,
// in the order the backends were added. Received system-exclusive frames are copied off the
// MIDI thread and handed to the frame handler on the event loop's thread.
class MidiPorts : public FrameOutput, public ShortOutput {
public:
    static constexpr size_t kMaxPorts = 64;
    static constexpr size_t kInputBufferSize = 10240;

    MidiPorts(EventLoop& loop, Reporter& reporter);
    ~MidiPorts() override;
    MidiPorts(const MidiPorts&) = delete;
    MidiPorts& operator=(const MidiPorts&) = delete;

    void AddBackend(std::unique_ptr<MidiBackend> backend);
    // The receive path: called on the loop's thread with each received frame.
    void SetFrameHandler(std::function<void(Bytes)> handler);
    // Note-ons and note-offs played on the instrument, packed as short messages (status in
    // the low byte), on the loop's thread. Other channel messages are ignored.
    void SetNoteHandler(std::function<void(uint32_t message)> handler);

    // Reads the port names of every backend again (at most 64 each way).
    void ListPorts();
    [[nodiscard]] const std::vector<std::string>& InputNames() const { return inputNames_; }
    [[nodiscard]] const std::vector<std::string>& OutputNames() const { return outputNames_; }

    [[nodiscard]] bool OpenInput(int index);
    [[nodiscard]] bool StartInput();
    void StopInput();
    void CloseInput();
    [[nodiscard]] bool OpenOutput(int index);
    [[nodiscard]] bool CloseOutput();

    [[nodiscard]] InputState GetInputState() const { return inputState_; }
    [[nodiscard]] bool OutputOpen() const { return outputOpen_; }
    [[nodiscard]] int InputIndex() const { return inputIndex_; }
    [[nodiscard]] int OutputIndex() const { return outputIndex_; }
    // Name of the open output port, empty when none is open.
    [[nodiscard]] std::string OutputName() const;

    // The list positions chosen in the MIDI device dialog (0 and 0 until it is confirmed).
    [[nodiscard]] int ChosenInput() const { return chosenInput_.position; }
    [[nodiscard]] int ChosenOutput() const { return chosenOutput_.position; }
    // Chooses a position of the current lists; the port's name is kept with it.
    void SetChosenInput(int position) { Choose(chosenInput_, inputNames_, position); }
    void SetChosenOutput(int position) { Choose(chosenOutput_, outputNames_, position); }
    [[nodiscard]] const std::string& ChosenInputName() const { return chosenInput_.name; }
    [[nodiscard]] const std::string& ChosenOutputName() const { return chosenOutput_.name; }
    // Where the chosen port is in the current lists: its position when the port there still
    // has its name, else the first port of that name; kNotFound when no port has it. Before
    // a port was chosen by name, the position itself.
    static constexpr int kNotFound = -1;
    [[nodiscard]] int FindChosenInput() const { return Find(chosenInput_, inputNames_); }
    [[nodiscard]] int FindChosenOutput() const { return Find(chosenOutput_, outputNames_); }

    // Safe from any thread.
    [[nodiscard]] bool SendShort(uint32_t message) override;
    // Channels 0…15 only; any other channel sends nothing.
    [[nodiscard]] bool SendProgramChange(int channel, int program);
    [[nodiscard]] bool SendBankMsb(int channel, int value);
    [[nodiscard]] bool SendBankLsb(int channel, int value);
    // Blocking mode: sends and returns the result. Non-blocking: a worker sends its own copy
    // and the caller waits at most 1 ms for it.
    [[nodiscard]] bool SendLong(ByteView bytes) override;

    void SetBlockingSend(bool blocking) { blockingSend_ = blocking; }
    [[nodiscard]] bool BlockingSend() const { return blockingSend_; }

    // Every message the ports sent or received, while a monitor watches.
    [[nodiscard]] MidiTrafficLog& Traffic() { return traffic_; }

    // Frames longer than the input buffer are dropped; this counts them.
    [[nodiscard]] uint64_t DroppedFrames() const { return droppedFrames_; }

private:
    struct PortRef {
        MidiBackend* backend = nullptr;
        size_t index = 0;
    };
    // One non-blocking long message: the worker owns the bytes, so the caller may return (and
    // free its own buffer) before the message has gone out.
    struct SendJob {
        Bytes bytes;
        bool done = false;  // guarded by workerMutex_
        bool ok = false;
    };

    struct ChosenPort {
        int position = 0;
        std::string name;  // empty until a port was chosen from the lists
    };
    static void Choose(ChosenPort& chosen, const std::vector<std::string>& names, int position);
    [[nodiscard]] static int Find(const ChosenPort& chosen, const std::vector<std::string>& names);

    [[nodiscard]] PortRef FindInput(int index) const;
    [[nodiscard]] PortRef FindOutput(int index) const;
    void OnMessage(ByteView message);
    [[nodiscard]] bool SendNow(ByteView bytes);
    void WorkerLoop();

    EventLoop& loop_;
    Reporter& reporter_;
    MidiTrafficLog traffic_;
    std::vector<std::unique_ptr<MidiBackend>> backends_;
    std::vector<std::string> inputNames_;
    std::vector<std::string> outputNames_;
    std::vector<PortRef> inputRefs_;
    std::vector<PortRef> outputRefs_;

    // Input state belongs to the loop's thread; the MIDI thread only reads stopping_.
    MidiBackend* inputBackend_ = nullptr;
    InputState inputState_ = InputState::Closed;
    std::atomic<bool> stopping_{false};
    int inputIndex_ = -1;

    // The output is opened and closed on the loop's thread; the backend pointer changes only
    // under sendMutex_, so senders on other threads see a whole state.
    MidiBackend* outputBackend_ = nullptr;
    std::atomic<bool> outputOpen_{false};
    std::atomic<size_t> outputMaxSize_{0};
    std::string outputName_;
    int outputIndex_ = -1;

    ChosenPort chosenInput_;
    ChosenPort chosenOutput_;
    std::atomic<bool> blockingSend_{false};
    std::atomic<uint64_t> droppedFrames_{0};
    // Shared with the tasks posted by the MIDI thread, which hold it weakly: a frame still
    // queued when this object goes away is dropped instead of reaching a dead handler.
    std::shared_ptr<std::function<void(Bytes)>> frameHandler_;
    std::shared_ptr<std::function<void(uint32_t)>> noteHandler_;

    std::mutex sendMutex_;  // one message on the wire at a time, from any thread

    std::mutex workerMutex_;
    std::condition_variable workerWake_;
    std::condition_variable jobDone_;
    std::deque<std::shared_ptr<SendJob>> jobs_;
    bool workerQuit_ = false;
    std::thread worker_;
};

}  // namespace veltrano
