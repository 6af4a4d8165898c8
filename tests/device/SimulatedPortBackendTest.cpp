#include "device/peer/SimulatedPortBackend.h"

#include <gtest/gtest.h>

#include <thread>

#include "SimPcFrames.h"
#include "base/Reporter.h"
#include "device/MidiPorts.h"

namespace veltrano {
namespace {

using namespace simtest;
using namespace std::chrono_literals;
using Duration = EventLoop::Duration;

struct Received {
    Bytes frame;
    Duration at;
};

class SimPortBackendTest : public ::testing::Test {
protected:
    void Make(WireTiming timing, SimFaults faults = {}) {
        SimulatedInstrumentConfig config;
        config.faults = faults;
        backend_ = std::make_unique<SimulatedPortBackend>(
            loop_, std::make_unique<SimulatedInstrument>(config), timing);
        ASSERT_TRUE(backend_->OpenInput(0, [this](ByteView frame) {
            received_.push_back({Bytes(frame.begin(), frame.end()), Elapsed()});
        }));
        ASSERT_TRUE(backend_->StartInput());
        ASSERT_TRUE(backend_->OpenOutput(0));
    }

    Duration Elapsed() const { return loop_.Now() - start_; }

    VirtualEventLoop loop_;
    EventLoop::TimePoint start_ = loop_.Now();
    std::unique_ptr<SimulatedPortBackend> backend_;
    std::vector<Received> received_;
};

const WireTiming kMidiCable{1ms, WireTiming::kMidiBaud};

TEST_F(SimPortBackendTest, OnePortEachWay) {
    Make({});
    EXPECT_EQ(backend_->InputNames(), std::vector<std::string>{"Veltrano Simulated Instrument"});
    EXPECT_EQ(backend_->OutputNames(), std::vector<std::string>{"Veltrano Simulated Instrument"});
    EXPECT_FALSE(backend_->OpenInput(1, [](ByteView) {}));
    EXPECT_FALSE(backend_->OpenOutput(1));
    ASSERT_TRUE(backend_->CloseOutput());
    EXPECT_FALSE(backend_->Send(KeepAlive()));
}

TEST_F(SimPortBackendTest, AnswersTakeLatencyAndWireTime) {
    Make(kMidiCable);
    EXPECT_EQ(kMidiCable.ByteTime(), 320us);
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    // 14 bytes each way at 320 µs, plus 1 ms each way.
    const Duration due = 2ms + 28 * 320us;
    loop_.RunFor(due - 1ns);
    EXPECT_TRUE(received_.empty());
    loop_.RunFor(1ns);
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(received_[0].at, due);
    EXPECT_EQ(received_[0].frame, sysex::BuildFrame(sysex::CMD_ACTIVE_SENSE, {}));

    // The connect reply is 164 bytes long.
    received_.clear();
    const Duration sent = Elapsed();
    ASSERT_TRUE(backend_->Send(ConnectRequest()));
    loop_.RunFor(1s);
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(received_[0].at - sent, 2ms + (16 + 164) * 320us);
    EXPECT_EQ(backend_->DeliveredFrames(), 2u);
}

TEST_F(SimPortBackendTest, FramesOnOneWireGoOneAfterAnother) {
    Make(kMidiCable);
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    loop_.RunFor(1s);
    ASSERT_EQ(received_.size(), 2u);
    // The second request waits for the first to leave; its answer waits for the first answer.
    EXPECT_EQ(received_[0].at, 2ms + 28 * 320us);
    EXPECT_EQ(received_[1].at, 1ms + 28 * 320us + 14 * 320us + 1ms);
}

TEST_F(SimPortBackendTest, UsbLikeByDefaultAndLateAnswers) {
    Make({});
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    loop_.RunFor(1s);
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(received_[0].at, 2ms);

    SimFaults faults;
    faults.late = 1.0;
    backend_->Instrument().SetFaults(faults);
    const Duration sent = Elapsed();
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    loop_.RunFor(1s);
    EXPECT_EQ(received_.size(), 1u);  // past the PC's one-second wait
    loop_.RunFor(1s);
    ASSERT_EQ(received_.size(), 2u);
    EXPECT_EQ(received_[1].at - sent, 1502ms);
}

TEST_F(SimPortBackendTest, NothingArrivesWhileTheInputIsStopped) {
    Make(kMidiCable);
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    loop_.RunFor(5ms);
    backend_->StopInput();
    loop_.RunFor(1s);
    EXPECT_TRUE(received_.empty());
    EXPECT_EQ(backend_->UndeliveredFrames(), 1u);

    // Nothing comes late once it starts again; what is sent after that comes.
    ASSERT_TRUE(backend_->StartInput());
    loop_.RunFor(1s);
    EXPECT_TRUE(received_.empty());
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    loop_.RunFor(1s);
    EXPECT_EQ(received_.size(), 1u);

    EXPECT_EQ(backend_->CloseInput(), MidiBackend::CloseResult::Closed);
    EXPECT_FALSE(backend_->StartInput());
    ASSERT_TRUE(backend_->Send(KeepAlive()));
    loop_.RunFor(1s);
    EXPECT_EQ(received_.size(), 1u);
}

TEST_F(SimPortBackendTest, ShortMessagesAreLoggedNotAnswered) {
    Make(kMidiCable);
    std::vector<Bytes> observed;
    backend_->SetShortMessageObserver(
        [&observed](const ShortMessageRecord& record) { observed.push_back(record.bytes); });
    ASSERT_TRUE(backend_->Send(Bytes{0x90, 60, 100}));
    loop_.RunFor(1s);
    EXPECT_TRUE(received_.empty());
    const auto log = backend_->ShortMessages();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].bytes, (Bytes{0x90, 60, 100}));
    EXPECT_EQ(log[0].arrival - start_, 1ms + 3 * 320us);
    EXPECT_EQ(observed.size(), 1u);
    EXPECT_EQ(backend_->Instrument().Counters().framesIn, 0u);
}

TEST_F(SimPortBackendTest, SendFromAnotherThread) {
    Make({});
    constexpr int kNotes = 200;
    std::thread player([this] {
        for (int i = 0; i < kNotes; ++i) {
            (void)backend_->Send(Bytes{0x90, static_cast<uint8_t>(i % 128), 1});
        }
        (void)backend_->Send(KeepAlive());
    });
    // The loop runs meanwhile, as the program's main thread does.
    while (backend_->ShortMessages().size() < static_cast<size_t>(kNotes)) {
        loop_.RunFor(1ms);
    }
    player.join();
    loop_.RunFor(1s);
    const auto log = backend_->ShortMessages();
    ASSERT_EQ(log.size(), static_cast<size_t>(kNotes));
    for (int i = 0; i < kNotes; ++i) {
        EXPECT_EQ(log[i].bytes[1], i % 128);
    }
    EXPECT_EQ(received_.size(), 1u);
}

TEST_F(SimPortBackendTest, GoingAwayWithAnswersOnTheWay) {
    Make(kMidiCable);
    ASSERT_TRUE(backend_->Send(ConnectRequest()));
    loop_.RunFor(3ms);
    EXPECT_GT(backend_->InFlight(), 0u);
    backend_.reset();
    loop_.RunFor(1s);
    EXPECT_TRUE(received_.empty());
}

// The whole receive path of the program: the backend under MidiPorts.
TEST(SimPortBackendPortsTest, WorksUnderMidiPorts) {
    VirtualEventLoop loop;
    SilentReporter reporter;
    MidiPorts ports(loop, reporter);
    auto backend = std::make_unique<SimulatedPortBackend>(
        loop, std::make_unique<SimulatedInstrument>(SimulatedInstrumentConfig{}));
    ports.AddBackend(std::move(backend));
    ports.ListPorts();
    ASSERT_EQ(ports.InputNames().size(), 1u);
    ASSERT_TRUE(ports.OpenInput(0));
    ASSERT_TRUE(ports.StartInput());
    ASSERT_TRUE(ports.OpenOutput(0));
    ports.SetBlockingSend(true);
    std::vector<Bytes> frames;
    ports.SetFrameHandler([&frames](Bytes frame) { frames.push_back(std::move(frame)); });

    ASSERT_TRUE(ports.SendLong(ConnectRequest()));
    loop.RunFor(1s);
    ASSERT_EQ(frames.size(), 1u);
    const auto reply = ConnectReply::Decode(frames[0]);
    ASSERT_TRUE(reply && reply->identity);
    EXPECT_TRUE(reply->checksum.match);
    EXPECT_EQ(reply->identity->productName, "Arranger SIM-61");
}

}  // namespace
}  // namespace veltrano
