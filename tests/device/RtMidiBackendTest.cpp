// The system backend against a peer on virtual ports of the same MIDI service. Each case is
// skipped where the service is missing (no ALSA sequencer, no JACK server running).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/MidiPorts.h"
#include "device/PortNames.h"
#include "device/RtMidiBackend.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;

// Frames received by the peer on the MIDI thread.
class Inbox {
public:
    void Add(ByteView message) {
        {
            std::lock_guard lock(mutex_);
            frames_.emplace_back(message.begin(), message.end());
        }
        arrived_.notify_all();
    }
    [[nodiscard]] bool WaitFor(size_t count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, 5s, [&] { return frames_.size() >= count; });
    }
    [[nodiscard]] std::vector<Bytes> Frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Bytes> frames_;
};

Bytes SysEx(size_t size, uint8_t seed) {
    Bytes frame(size, 0);
    frame.front() = 0xF0;
    for (size_t i = 1; i + 1 < size; ++i) {
        frame[i] = static_cast<uint8_t>((i + seed) & 0x7F);
    }
    frame.back() = 0xF7;
    return frame;
}

class RtMidiBackendTest : public ::testing::TestWithParam<MidiApiChoice> {};

TEST_P(RtMidiBackendTest, FramesBothWaysThroughVirtualPorts) {
    RtMidiBackend peer(GetParam(), "veltrano-test-peer");
    if (!peer.Available()) {
        GTEST_SKIP() << "MIDI service not available here";
    }
    Inbox peerInbox;
    ASSERT_TRUE(peer.OpenVirtualInput("Peer in", [&](ByteView m) { peerInbox.Add(m); }));
    ASSERT_TRUE(peer.StartInput());
    ASSERT_TRUE(peer.OpenVirtualOutput("Peer out"));

    ThreadedEventLoop loop;
    SilentReporter reporter;
    MidiPorts ports(loop, reporter);
    auto backend = std::make_unique<RtMidiBackend>(GetParam());
    ASSERT_TRUE(backend->Available());
    ports.AddBackend(std::move(backend));
    ports.ListPorts();
    // The peer's ports are found by their short names, whatever client prefix the service
    // puts in front.
    const int in = FindPort(ports.InputNames(), "Peer out");
    const int out = FindPort(ports.OutputNames(), "Peer in");
    ASSERT_GE(in, 0) << ::testing::PrintToString(ports.InputNames());
    ASSERT_GE(out, 0) << ::testing::PrintToString(ports.OutputNames());
    ASSERT_TRUE(ports.OpenInput(in));
    ASSERT_TRUE(ports.StartInput());
    ASSERT_TRUE(ports.OpenOutput(out));
    EXPECT_EQ(ports.OutputName(), ports.OutputNames()[static_cast<size_t>(out)]);

    // Out: a short message and frames up to the largest the backend takes.
    ports.SetBlockingSend(true);
    ASSERT_TRUE(ports.SendProgramChange(0, 5));
    const Bytes small = SysEx(6, 1);
    const Bytes large = SysEx(4000, 2);
    ASSERT_TRUE(ports.SendLong(small));
    ASSERT_TRUE(ports.SendLong(large));
    EXPECT_FALSE(ports.SendLong(SysEx(RtMidiBackend::kMaxMessageSize + 1, 3)));
    ASSERT_TRUE(peerInbox.WaitFor(3));
    const std::vector<Bytes> sent = peerInbox.Frames();
    EXPECT_EQ(sent[0], (Bytes{0xC0, 0x05}));
    EXPECT_EQ(sent[1], small);
    EXPECT_EQ(sent[2], large);

    // In: frames reach the handler on the loop's thread; short messages do not.
    std::vector<Bytes> received;
    ports.SetFrameHandler([&](Bytes frame) { received.push_back(std::move(frame)); });
    const Bytes answer = SysEx(300, 4);
    ASSERT_TRUE(peer.Send(Bytes{0x90, 0x3C, 0x40}));
    ASSERT_TRUE(peer.Send(answer));
    bool timedOut = false;
    const auto timer = loop.StartTimer(5s, false, [&] { timedOut = true; });
    while (received.empty() && !timedOut) {
        loop.RunOnce();
    }
    loop.StopTimer(timer);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], answer);

    ports.CloseInput();
    EXPECT_TRUE(ports.CloseOutput());
    EXPECT_EQ(ports.GetInputState(), InputState::Closed);
}

INSTANTIATE_TEST_SUITE_P(Services, RtMidiBackendTest,
                         ::testing::Values(MidiApiChoice::Alsa, MidiApiChoice::Jack),
                         [](const auto& info) {
                             return info.param == MidiApiChoice::Alsa ? "Alsa" : "Jack";
                         });

TEST(RtMidiBackendChoice, ParsesTheEnvironmentWords) {
    EXPECT_EQ(ParseMidiApiChoice("auto"), MidiApiChoice::Auto);
    EXPECT_EQ(ParseMidiApiChoice("ALSA"), MidiApiChoice::Alsa);
    EXPECT_EQ(ParseMidiApiChoice("Jack"), MidiApiChoice::Jack);
    EXPECT_EQ(ParseMidiApiChoice("coremidi"), std::nullopt);
    EXPECT_EQ(ParseMidiApiChoice(""), std::nullopt);
}

}  // namespace
}  // namespace veltrano
