#include "device/Link.h"

namespace veltrano {

Link::Link(EventLoop& loop, FrameOutput& output, Reporter& reporter)
    : loop_(loop), reporter_(reporter), sender_(output) {}

Link::~Link() {
    StopReplyTimer();
}

void Link::OnFrame(Bytes frame) {
    if (!sysex::IsValidFrame(frame)) {
        return;
    }
    if (sysex::FrameCommand(frame) == sysex::CMD_ACTIVE_SENSE) {
        ++state.keepAliveAnswered;
        return;
    }
    lastFrame_ = std::move(frame);
    replyFlag_ = true;
}

void Link::ArmReplyWait() {
    replyFlag_ = false;
    timeoutFlag_ = false;
    StopReplyTimer();
    replyTimer_ = loop_.StartTimer(kReplyTimeout, false, [this] {
        replyTimer_ = 0;
        timeoutFlag_ = true;
    });
}

void Link::SetBusy(bool busy) {
    if (busy_ == busy) {
        return;
    }
    busy_ = busy;
    if (busyHandler_) {
        busyHandler_(busy);
    }
}

void Link::Cancel() {
    cancelled_ = true;
    state.abort = true;
    timeoutFlag_ = true;
}

WaitResult Link::WaitReply() {
    while (true) {
        if (cancelled_) {
            StopReplyTimer();
            timeoutFlag_ = true;
            return WaitResult::Timeout;
        }
        if (replyFlag_) {
            StopReplyTimer();
            return WaitResult::Reply;
        }
        if (timeoutFlag_) {
            return WaitResult::Timeout;
        }
        // A loop that can never deliver anything again (no timer armed) cannot answer either.
        if (!loop_.RunOnce()) {
            timeoutFlag_ = true;
        }
    }
}

void Link::DrainLateAnswers() {
    if (cancelled_) {
        return;
    }
    const EventLoop::TimePoint limit = loop_.Now() + kDrainLimit;
    while (loop_.Now() < limit) {
        replyFlag_ = false;
        timeoutFlag_ = false;
        StopReplyTimer();
        replyTimer_ = loop_.StartTimer(kDrainQuiet, false, [this] {
            replyTimer_ = 0;
            timeoutFlag_ = true;
        });
        if (WaitReply() == WaitResult::Timeout) {
            break;
        }
    }
    StopReplyTimer();
    replyFlag_ = false;
    timeoutFlag_ = false;
}

void Link::StopReplyTimer() {
    if (replyTimer_ != 0) {
        loop_.StopTimer(replyTimer_);
        replyTimer_ = 0;
    }
}

Exchange::Exchange(Link& link) : link_(link) {
    if (link_.busy_) {
        return;
    }
    begun_ = true;
    held_ = true;
    // A stop meant for an earlier sequence does not end this one.
    link_.state.abort = false;
    link_.SetBusy(true);
}

Exchange::~Exchange() {
    // While paused the link may belong to another sequence by now; nothing of it is touched.
    if (!held_) {
        return;
    }
    // A stopped sequence may still have answers on the wire (the block in flight, the stop's
    // own reply): they are let in and dropped before the link is free, or the next request
    // would take them for its answer.
    if (link_.state.abort) {
        link_.DrainLateAnswers();
    }
    link_.state.abort = false;
    link_.SetBusy(false);
}

void Exchange::Pause() {
    if (held_) {
        held_ = false;
        link_.SetBusy(false);
    }
}

bool Exchange::Resume() {
    if (!begun_ || held_) {
        return held_;
    }
    if (link_.busy_) {
        return false;
    }
    held_ = true;
    link_.SetBusy(true);
    return true;
}

}  // namespace veltrano
