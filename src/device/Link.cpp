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

WaitResult Link::WaitReply() {
    while (true) {
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

}  // namespace veltrano
