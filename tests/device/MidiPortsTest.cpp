#include "device/MidiPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "support/FakeMidiBackend.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;
using test::FakeMidiBackend;
using Close = MidiBackend::CloseResult;

std::vector<std::string> Names(const std::string& prefix, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(prefix + std::to_string(i));
    }
    return names;
}

Bytes Frame(size_t size) {
    Bytes frame(size, 0x11);
    frame.front() = 0xF0;
    frame.back() = 0xF7;
    return frame;
}

class MidiPortsTest : public ::testing::Test {
protected:
    MidiPortsTest() {
        auto fake = std::make_unique<FakeMidiBackend>(Names("in ", 3), Names("out ", 2));
        fake_ = fake.get();
        ports_.AddBackend(std::move(fake));
        ports_.ListPorts();
    }

    void OpenAndStartInput() {
        ASSERT_TRUE(ports_.OpenInput(0));
        ASSERT_TRUE(ports_.StartInput());
    }
    // Plays the MIDI thread: delivers on a thread of its own, as the service does.
    void DeliverFromMidiThread(const Bytes& message) {
        std::thread midi([&] { fake_->Deliver(message); });
        midi.join();
    }
    std::vector<Bytes> RunLoopAndCollect() {
        std::vector<Bytes> frames;
        ports_.SetFrameHandler([&frames](Bytes frame) { frames.push_back(std::move(frame)); });
        while (loop_.RunOnce()) {
        }
        return frames;
    }

    VirtualEventLoop loop_;
    RecordingReporter reporter_;
    MidiPorts ports_{loop_, reporter_};
    FakeMidiBackend* fake_ = nullptr;
};

// --- listing ---

TEST(MidiPortsListTest, BackendsAreConcatenatedAndCappedAt64EachWay) {
    VirtualEventLoop loop;
    RecordingReporter reporter;
    MidiPorts ports(loop, reporter);
    auto first = std::make_unique<FakeMidiBackend>(Names("a", 40), Names("x", 2));
    auto second = std::make_unique<FakeMidiBackend>(Names("b", 30), Names("y", 3));
    FakeMidiBackend* secondFake = second.get();
    ports.AddBackend(std::move(first));
    ports.AddBackend(std::move(second));
    ports.ListPorts();

    ASSERT_EQ(ports.InputNames().size(), MidiPorts::kMaxPorts);
    EXPECT_EQ(ports.InputNames()[39], "a39");
    EXPECT_EQ(ports.InputNames()[40], "b0");
    EXPECT_EQ(ports.InputNames()[63], "b23");
    EXPECT_EQ(ports.OutputNames(), (std::vector<std::string>{"x0", "x1", "y0", "y1", "y2"}));

    // A list position reaches the backend that listed it, with that backend's own index.
    ASSERT_TRUE(ports.OpenInput(45));
    ASSERT_TRUE(ports.OpenOutput(3));
    EXPECT_EQ(secondFake->Log(), (std::vector<std::string>{"openIn 5", "openOut 1"}));
    EXPECT_EQ(ports.OutputName(), "y1");
    EXPECT_FALSE(ports.OpenInput(64));

    // Listing again replaces the lists.
    ports.ListPorts();
    EXPECT_EQ(ports.InputNames().size(), MidiPorts::kMaxPorts);
}

// --- input states ---

TEST_F(MidiPortsTest, InputGoesThroughItsStatesAndOnlyLegalStepsAct) {
    EXPECT_FALSE(ports_.StartInput());  // nothing open
    EXPECT_EQ(ports_.GetInputState(), InputState::Closed);

    ASSERT_TRUE(ports_.OpenInput(2));
    EXPECT_EQ(ports_.GetInputState(), InputState::Open);
    EXPECT_EQ(ports_.InputIndex(), 2);
    ports_.StopInput();  // only in state 2: no effect
    EXPECT_EQ(ports_.GetInputState(), InputState::Open);

    ASSERT_TRUE(ports_.StartInput());
    EXPECT_EQ(ports_.GetInputState(), InputState::Receiving);
    EXPECT_FALSE(ports_.StartInput());  // only in state 1

    ports_.StopInput();
    EXPECT_EQ(ports_.GetInputState(), InputState::Open);
    ports_.CloseInput();
    EXPECT_EQ(ports_.GetInputState(), InputState::Closed);
    ports_.CloseInput();  // nothing left to close

    EXPECT_EQ(fake_->Log(),
              (std::vector<std::string>{"openIn 2", "start", "stop", "reset", "closeIn"}));
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MidiPortsTest, OpeningAnotherInputClosesTheFirstAndFailuresLeaveItClosed) {
    OpenAndStartInput();
    fake_->ClearLog();
    ASSERT_TRUE(ports_.OpenInput(1));
    EXPECT_EQ(fake_->Log(), (std::vector<std::string>{"stop", "reset", "closeIn", "openIn 1"}));
    EXPECT_EQ(ports_.GetInputState(), InputState::Open);

    fake_->openInputOk = false;
    EXPECT_FALSE(ports_.OpenInput(0));
    EXPECT_EQ(ports_.GetInputState(), InputState::Closed);
    EXPECT_FALSE(ports_.OpenInput(-1));
    EXPECT_FALSE(ports_.OpenInput(3));

    // A port that opens but will not start stays open, without a message.
    fake_->openInputOk = true;
    fake_->startInputOk = false;
    ASSERT_TRUE(ports_.OpenInput(0));
    EXPECT_FALSE(ports_.StartInput());
    EXPECT_EQ(ports_.GetInputState(), InputState::Open);
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MidiPortsTest, BusyCloseIsRetriedElevenTimesThenReported) {
    // Busy eleven times, then closed: no message, and the pauses cost virtual time only.
    OpenAndStartInput();
    fake_->closeResults.assign(11, Close::Busy);
    fake_->ClearLog();
    const auto before = loop_.Now();
    ports_.CloseInput();
    const auto log = fake_->Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "closeIn"), 12);
    EXPECT_EQ(std::count(log.begin(), log.end(), "reset"), 12);  // one from stopping
    EXPECT_EQ(loop_.Now() - before, 110ms);
    EXPECT_TRUE(reporter_.Empty());
    EXPECT_EQ(ports_.GetInputState(), InputState::Closed);

    // Busy for good: twelve attempts, one message, and the object is closed all the same.
    ASSERT_TRUE(ports_.OpenInput(0));
    fake_->closeResults.assign(20, Close::Busy);
    fake_->ClearLog();
    ports_.CloseInput();
    const auto busyLog = fake_->Log();
    EXPECT_EQ(std::count(busyLog.begin(), busyLog.end(), "closeIn"), 12);
    ASSERT_EQ(reporter_.Messages().size(), 1u);
    EXPECT_EQ(reporter_.Messages()[0].text, "midiInClose failed");
    EXPECT_EQ(reporter_.Messages()[0].caption, "MIDI");
    EXPECT_EQ(ports_.GetInputState(), InputState::Closed);
    EXPECT_FALSE(ports_.StartInput());
}

TEST_F(MidiPortsTest, CloseFailuresNameTheStepThatFailed) {
    // Refused outright on the first attempt: the receive buffer could not be released.
    ASSERT_TRUE(ports_.OpenInput(0));
    fake_->closeResults = {Close::Failed};
    ports_.CloseInput();
    // Refused after being busy: the close itself failed.
    ASSERT_TRUE(ports_.OpenInput(0));
    fake_->closeResults = {Close::Busy, Close::Failed};
    ports_.CloseInput();
    EXPECT_EQ(reporter_.Texts(),
              (std::vector<std::string>{"midiInUnprepareHeader failed", "midiInClose failed"}));
    EXPECT_EQ(ports_.GetInputState(), InputState::Closed);

    // A port that failed to close delivers nothing more.
    DeliverFromMidiThread(Frame(8));
    EXPECT_TRUE(RunLoopAndCollect().empty());
}

// --- receive path ---

TEST_F(MidiPortsTest, FramesAreCopiedAndHandedToTheLoopThread) {
    OpenAndStartInput();
    std::thread::id handlerThread;
    std::vector<Bytes> frames;
    ports_.SetFrameHandler([&](Bytes frame) {
        handlerThread = std::this_thread::get_id();
        frames.push_back(std::move(frame));
    });
    Bytes first = Frame(6);
    std::thread midi([&] {
        fake_->Deliver(first);
        first.assign(first.size(), 0);  // the service reuses its buffer at once
        fake_->Deliver(Bytes{0x90, 0x3C, 0x7F});
        fake_->Deliver(Bytes{0xF8});
        fake_->Deliver(Bytes{});
        fake_->Deliver(Frame(9));
    });
    midi.join();
    EXPECT_TRUE(frames.empty());  // nothing runs on the MIDI thread
    while (loop_.RunOnce()) {
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], Frame(6));
    EXPECT_EQ(frames[1], Frame(9));
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST_F(MidiPortsTest, FramesLongerThanTheInputBufferAreDroppedAndCounted) {
    OpenAndStartInput();
    DeliverFromMidiThread(Frame(MidiPorts::kInputBufferSize + 1));
    DeliverFromMidiThread(Frame(MidiPorts::kInputBufferSize));
    DeliverFromMidiThread(Frame(MidiPorts::kInputBufferSize + 5000));
    const std::vector<Bytes> frames = RunLoopAndCollect();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), MidiPorts::kInputBufferSize);
    EXPECT_EQ(ports_.DroppedFrames(), 2u);
}

TEST_F(MidiPortsTest, NothingIsTakenWhileStoppedAndStartingAgainResumes) {
    OpenAndStartInput();
    ports_.StopInput();
    DeliverFromMidiThread(Frame(5));
    EXPECT_TRUE(RunLoopAndCollect().empty());
    ASSERT_TRUE(ports_.StartInput());
    DeliverFromMidiThread(Frame(7));
    const std::vector<Bytes> frames = RunLoopAndCollect();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), 7u);
}

TEST(MidiPortsLifetimeTest, FramesStillQueuedWhenThePortsGoAreDropped) {
    VirtualEventLoop loop;
    RecordingReporter reporter;
    int calls = 0;
    {
        MidiPorts ports(loop, reporter);
        auto fake = std::make_unique<FakeMidiBackend>(Names("in ", 1), Names("out ", 1));
        FakeMidiBackend* raw = fake.get();
        ports.AddBackend(std::move(fake));
        ports.ListPorts();
        ports.SetFrameHandler([&calls](Bytes) { ++calls; });
        ASSERT_TRUE(ports.OpenInput(0));
        ASSERT_TRUE(ports.StartInput());
        raw->Deliver(Frame(4));
    }
    while (loop.RunOnce()) {
    }
    EXPECT_EQ(calls, 0);
}

// --- output and short messages ---

TEST_F(MidiPortsTest, OutputOpensClosesAndARefusedCloseKeepsItOpen) {
    EXPECT_EQ(ports_.OutputName(), "");
    ASSERT_TRUE(ports_.OpenOutput(1));
    EXPECT_TRUE(ports_.OutputOpen());
    EXPECT_EQ(ports_.OutputIndex(), 1);
    EXPECT_EQ(ports_.OutputName(), "out 1");

    fake_->closeOutputOk = false;
    EXPECT_FALSE(ports_.CloseOutput());
    EXPECT_TRUE(ports_.OutputOpen());
    EXPECT_FALSE(ports_.OpenOutput(0));  // the old port could not be let go
    EXPECT_EQ(ports_.OutputIndex(), 1);

    fake_->closeOutputOk = true;
    EXPECT_TRUE(ports_.CloseOutput());
    EXPECT_FALSE(ports_.OutputOpen());
    EXPECT_TRUE(ports_.CloseOutput());  // closing a closed output is fine
    fake_->openOutputOk = false;
    EXPECT_FALSE(ports_.OpenOutput(0));
    EXPECT_FALSE(ports_.OutputOpen());
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MidiPortsTest, ShortMessagesGoOutWithTheirOwnLength) {
    EXPECT_FALSE(ports_.SendShort(0x0040B0));  // output closed
    ASSERT_TRUE(ports_.OpenOutput(0));
    EXPECT_TRUE(ports_.SendShort(0x7F3C90));
    EXPECT_TRUE(ports_.SendShort(0x0005C3));
    EXPECT_TRUE(ports_.SendShort(0x0000F8));
    EXPECT_FALSE(ports_.SendShort(0x000040));  // a data byte is no status
    EXPECT_FALSE(ports_.SendShort(0x0000F0));  // nor is the start of a frame
    EXPECT_EQ(fake_->Sent(), (std::vector<Bytes>{{0x90, 0x3C, 0x7F}, {0xC3, 0x05}, {0xF8}}));
    fake_->SetSendResult(false);
    EXPECT_FALSE(ports_.SendShort(0x7F3C90));
}

TEST_F(MidiPortsTest, ChannelMessagesSendNothingOutsideChannels0To15) {
    ASSERT_TRUE(ports_.OpenOutput(0));
    EXPECT_TRUE(ports_.SendBankMsb(0, 121));
    EXPECT_TRUE(ports_.SendBankLsb(15, 3));
    EXPECT_TRUE(ports_.SendProgramChange(9, 127));
    EXPECT_EQ(fake_->Sent(),
              (std::vector<Bytes>{{0xB0, 0x00, 0x79}, {0xBF, 0x20, 0x03}, {0xC9, 0x7F}}));

    for (const int channel : {16, 17, -1, 255}) {
        EXPECT_FALSE(ports_.SendProgramChange(channel, 1)) << channel;
        EXPECT_FALSE(ports_.SendBankMsb(channel, 1)) << channel;
        EXPECT_FALSE(ports_.SendBankLsb(channel, 1)) << channel;
    }
    // A value that would become a status byte on the wire is refused the same way.
    EXPECT_FALSE(ports_.SendProgramChange(0, 128));
    EXPECT_FALSE(ports_.SendBankMsb(0, -1));
    EXPECT_EQ(fake_->Sent().size(), 3u);
}

TEST_F(MidiPortsTest, ShortMessagesFromTwoThreadsNeverOverlapALongOne) {
    ASSERT_TRUE(ports_.OpenOutput(0));
    ports_.SetBlockingSend(true);
    fake_->SetSendDelay(50us);
    std::atomic<bool> stop{false};
    std::thread clock([&] {
        while (!stop) {
            (void)ports_.SendShort(0x7F3C90);
        }
    });
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(ports_.SendLong(Frame(64)));
    }
    stop = true;
    clock.join();
    EXPECT_FALSE(fake_->SendsOverlapped());
}

// --- long messages ---

TEST_F(MidiPortsTest, BlockingSendGoesOutOnTheCallersThreadWithinTheLimits) {
    ports_.SetBlockingSend(true);
    EXPECT_TRUE(ports_.BlockingSend());
    EXPECT_FALSE(ports_.SendLong(Frame(4)));  // output closed
    fake_->maxMessageSize = 100;
    ASSERT_TRUE(ports_.OpenOutput(0));
    EXPECT_FALSE(ports_.SendLong({}));
    EXPECT_FALSE(ports_.SendLong(Frame(101)));
    ports_.SetBlockingSend(false);
    EXPECT_FALSE(ports_.SendLong(Frame(101)));  // refused before it reaches the worker
    ports_.SetBlockingSend(true);
    EXPECT_TRUE(ports_.SendLong(Frame(100)));
    fake_->SetSendResult(false);
    EXPECT_FALSE(ports_.SendLong(Frame(99)));
    EXPECT_EQ(fake_->Sent(), (std::vector<Bytes>{Frame(100)}));
    EXPECT_EQ(fake_->SendThreads()[0], std::this_thread::get_id());
}

TEST_F(MidiPortsTest, NonBlockingSendDoesNotWaitForASlowPortAndTheWorkerKeepsItsCopy) {
    ASSERT_TRUE(ports_.OpenOutput(0));
    ports_.SetBlockingSend(false);
    fake_->CloseGate();
    auto bytes = std::make_unique<Bytes>(Frame(2000));
    (*bytes)[1] = 0x42;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ports_.SendLong(*bytes));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    bytes.reset();  // the caller's buffer is gone before the port takes the message

    fake_->OpenGate();
    ASSERT_TRUE(fake_->WaitForSent(1));
    Bytes expected = Frame(2000);
    expected[1] = 0x42;
    EXPECT_EQ(fake_->Sent()[0], expected);
    EXPECT_NE(fake_->SendThreads()[0], std::this_thread::get_id());
}

TEST_F(MidiPortsTest, NonBlockingSendReportsSuccessWhenTheWorkerIsQuickAndKeepsOrder) {
    ASSERT_TRUE(ports_.OpenOutput(0));
    ports_.SetBlockingSend(false);
    // One millisecond is short on a loaded machine: some of these may report false although
    // they were sent, but not all of them.
    int succeeded = 0;
    for (uint8_t i = 0; i < 20; ++i) {
        Bytes frame = Frame(10);
        frame[1] = i;
        succeeded += ports_.SendLong(frame) ? 1 : 0;
    }
    EXPECT_GT(succeeded, 0);
    ASSERT_TRUE(fake_->WaitForSent(20));
    for (uint8_t i = 0; i < 20; ++i) {
        EXPECT_EQ(fake_->Sent()[i][1], i);
    }

    // A port that refuses gives false even when the worker is quick.
    fake_->SetSendResult(false);
    EXPECT_FALSE(ports_.SendLong(Frame(10)));
}

TEST(MidiPortsLifetimeTest, MessagesHandedToTheWorkerGoOutBeforeThePortsClose) {
    VirtualEventLoop loop;
    RecordingReporter reporter;
    std::vector<std::string> log;
    std::thread gate;
    {
        MidiPorts ports(loop, reporter);
        auto fake = std::make_unique<FakeMidiBackend>(Names("in ", 1), Names("out ", 1));
        FakeMidiBackend* raw = fake.get();
        raw->onDestroy = [&log](const FakeMidiBackend& f) { log = f.Log(); };
        ports.AddBackend(std::move(fake));
        ports.ListPorts();
        ASSERT_TRUE(ports.OpenOutput(0));
        raw->CloseGate();
        for (size_t size : {10, 11, 12}) {
            EXPECT_FALSE(ports.SendLong(Frame(size)));
        }
        gate = std::thread([raw] {
            std::this_thread::sleep_for(20ms);
            raw->OpenGate();
        });
    }
    gate.join();
    EXPECT_EQ(log,
              (std::vector<std::string>{"openOut 0", "send 10", "send 11", "send 12", "closeOut"}));
}

}  // namespace
}  // namespace veltrano
