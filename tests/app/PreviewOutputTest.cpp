#include "app/PreviewOutput.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "device/MidiPorts.h"

namespace veltrano {
namespace {

// An output that can be held shut, as a long system-exclusive send holds the MIDI output.
class GatedOutput : public ShortOutput {
public:
    bool SendShort(uint32_t message) override {
        std::lock_guard gate(gate_);
        std::lock_guard lock(mutex_);
        sent_.push_back(message);
        return true;
    }
    std::mutex& Gate() { return gate_; }
    std::vector<uint32_t> Sent() {
        std::lock_guard lock(mutex_);
        return sent_;
    }

private:
    std::mutex gate_;
    std::mutex mutex_;
    std::vector<uint32_t> sent_;
};

std::vector<uint32_t> Numbered(uint32_t count) {
    std::vector<uint32_t> messages;
    for (uint32_t i = 0; i < count; ++i) {
        messages.push_back(0x90 | ((i % 128) << 8) | (((i / 128) % 128) << 16));
    }
    return messages;
}

// The suite name puts these among the preview's thread-sanitizer runs.
TEST(ArpPlayOutput, HandsOverInOrderWithoutWaitingForABusyOutput) {
    GatedOutput out;
    PreviewOutput preview(out);
    const auto messages = Numbered(PreviewOutput::kCapacity + 10);
    {
        // The output is busy: every hand-over still returns at once, until the ring is full.
        std::lock_guard busy(out.Gate());
        size_t accepted = 0;
        for (uint32_t m : messages) {
            accepted += preview.SendShort(m) ? 1 : 0;
        }
        EXPECT_EQ(accepted, PreviewOutput::kCapacity);
        EXPECT_EQ(preview.Dropped(), 10u);
    }
    ASSERT_TRUE(preview.WaitUntilSent(std::chrono::seconds(10)));
    const std::vector<uint32_t> expected(messages.begin(),
                                         messages.begin() + PreviewOutput::kCapacity);
    EXPECT_EQ(out.Sent(), expected);

    // The ring is used again once emptied.
    EXPECT_TRUE(preview.SendShort(0x7F3C90));
    ASSERT_TRUE(preview.WaitUntilSent(std::chrono::seconds(10)));
    EXPECT_EQ(out.Sent().back(), 0x7F3C90u);
}

TEST(ArpPlayOutput, WhatIsLeftIsSentBeforeTheSenderEnds) {
    GatedOutput out;
    const auto messages = Numbered(300);
    {
        PreviewOutput preview(out);
        std::lock_guard busy(out.Gate());
        for (uint32_t m : messages) {
            ASSERT_TRUE(preview.SendShort(m));
        }
        // The gate opens, then the output is destroyed with messages still in its ring.
    }
    EXPECT_EQ(out.Sent(), messages);
}

}  // namespace
}  // namespace veltrano
