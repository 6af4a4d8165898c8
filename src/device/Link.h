#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "base/Bytes.h"
#include "base/EventLoop.h"
#include "device/SysExMessage.h"

namespace veltrano {

class FrameOutput;
class Reporter;

enum class WaitResult { Reply, Timeout };

// The conversation with the instrument: the link state every exchange shares, the receive
// path, and the reply wait. One request is outstanding at a time; the busy flag, held by an
// Exchange for the whole of a sequence, keeps a second exchange from starting while one waits.
class Link {
public:
    static constexpr std::chrono::milliseconds kReplyTimeout{1000};

    struct State {
        // Set by the Stop command and by a lost link; read by running transfers. Cleared when
        // an exchange begins and when it ends.
        bool abort = false;
        bool connected = false;
        bool deviceHeld = false;
        bool portsChosen = false;
        uint32_t keepAliveSent = 0;
        uint32_t keepAliveAnswered = 0;
    };

    Link(EventLoop& loop, FrameOutput& output, Reporter& reporter);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // The receive path, on the loop's thread. A valid frame (F0, the header, F7) that is a
    // keep-alive answer is counted; any other valid frame becomes the last frame and sets the
    // reply flag. Anything else is ignored as if nothing had arrived.
    void OnFrame(Bytes frame);

    // Clears both flags and starts the one-second reply timer again. Arm before sending, so an
    // answer that comes at once is not missed.
    void ArmReplyWait();
    // Runs the loop until a reply has arrived or the reply timer has fired.
    [[nodiscard]] WaitResult WaitReply();

    // After a time-out the answer may still come, and would then be taken for the answer to
    // the request sent next. Before a request is sent again, this lets the line fall quiet: it
    // runs the loop, discarding what arrives, until nothing has come for kDrainQuiet (at most
    // kDrainLimit in all).
    void DrainLateAnswers();
    static constexpr std::chrono::milliseconds kDrainQuiet{1000};
    static constexpr std::chrono::milliseconds kDrainLimit{5000};

    // True while an exchange runs.
    [[nodiscard]] bool Busy() const { return busy_; }
    // Told every time busy changes, on the loop's thread (the windows disable the commands
    // that would start an exchange).
    void SetBusyHandler(std::function<void(bool busy)> handler) {
        busyHandler_ = std::move(handler);
    }

    // The program is closing: every wait, now and later, ends at once as a time-out, so a
    // sequence still on the stack unwinds without waiting for an answer.
    void Cancel();
    [[nodiscard]] bool Cancelled() const { return cancelled_; }

    [[nodiscard]] const Bytes& LastFrame() const { return lastFrame_; }
    [[nodiscard]] bool ReplyArrived() const { return replyFlag_; }
    [[nodiscard]] bool TimedOut() const { return timeoutFlag_; }

    State state;

    [[nodiscard]] EventLoop& Loop() { return loop_; }
    [[nodiscard]] Reporter& Report() { return reporter_; }
    [[nodiscard]] SysExSender& Sender() { return sender_; }

private:
    friend class Exchange;
    void SetBusy(bool busy);
    void StopReplyTimer();

    EventLoop& loop_;
    Reporter& reporter_;
    SysExSender sender_;
    Bytes lastFrame_;
    bool replyFlag_ = false;
    bool timeoutFlag_ = false;
    EventLoop::TimerId replyTimer_ = 0;
    bool busy_ = false;
    bool cancelled_ = false;
    std::function<void(bool)> busyHandler_;
};

// One request/answer sequence on the link. It begins only when no other exchange runs, holds
// busy from then on, and clears busy and abort when it ends, whichever way the operation
// leaves, so no exit path can leave the link blocked.
class Exchange {
public:
    explicit Exchange(Link& link);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // False when another exchange was running: this one did not begin and changes nothing.
    [[nodiscard]] bool Begun() const { return begun_; }
    // Busy is let go while the user answers a question (other commands may run meanwhile),
    // and taken again afterwards. False when another exchange began in the meantime.
    void Pause();
    [[nodiscard]] bool Resume();

private:
    Link& link_;
    bool begun_ = false;
    bool held_ = false;
};

}  // namespace veltrano
