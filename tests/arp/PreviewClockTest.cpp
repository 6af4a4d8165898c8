#include "arp/PreviewClock.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <system_error>

#include "arp/ArpEngine.h"
#include "arp/NoteOutput.h"
#include "base/Reporter.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;

// Polls until the condition holds; the limit only keeps a broken clock from hanging the test.
template <typename Condition>
bool Eventually(Condition condition) {
    for (int i = 0; i < 5000 && !condition(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

// Options that never ask the system for real-time scheduling, so the tests behave the same
// with and without the privilege.
PreviewClock::Options Plain() {
    PreviewClock::Options options;
    options.realtime = false;
    options.restWhenIdle = false;
    return options;
}

TEST(PreviewClockTest, TicksOnOneThreadUntilDisabledAndCountsThem) {
    std::atomic<int> ticks{0};
    std::mutex idsMutex;
    std::set<std::thread::id> ids;
    RecordingReporter reporter;
    PreviewClock clock(
        [&] {
            ++ticks;
            std::lock_guard lock(idsMutex);
            ids.insert(std::this_thread::get_id());
        },
        nullptr, reporter, Plain());
    EXPECT_FALSE(clock.ThreadStarted());
    ASSERT_TRUE(clock.StartStatistics(8));
    ASSERT_TRUE(clock.Enable());
    EXPECT_TRUE(clock.ThreadStarted());
    EXPECT_FALSE(clock.StartStatistics(8));  // not while it runs
    ASSERT_TRUE(Eventually([&] { return ticks >= 20; }));
    clock.Disable();
    const int stopped = ticks;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ticks, stopped);  // Disable() returns once the thread rests

    const PreviewClock::Statistics stats = clock.GetStatistics();
    EXPECT_EQ(stats.ticks, static_cast<uint64_t>(stopped));
    EXPECT_EQ(stats.lateness.size(), 8u);  // the buffer's size, no more
    EXPECT_LE(stats.lateTicks, stats.ticks);

    // Enabled again: the same thread goes on.
    ASSERT_TRUE(clock.Enable());
    ASSERT_TRUE(Eventually([&] { return ticks >= stopped + 5; }));
    clock.Disable();
    EXPECT_EQ(ids.size(), 1u);
    EXPECT_TRUE(reporter.Empty());
}

TEST(PreviewClockTest, RestsWhenTheEngineIsIdleAndWakesOnEnable) {
    std::atomic<int> work{5};
    std::atomic<int> ticks{0};
    RecordingReporter reporter;
    PreviewClock::Options options = Plain();
    options.restWhenIdle = true;
    PreviewClock clock(
        [&] {
            ++ticks;
            if (work > 0) {
                --work;
            }
        },
        [&] { return work > 0; }, reporter, options);
    ASSERT_TRUE(clock.Enable());
    ASSERT_TRUE(clock.WaitUntilResting(5s));
    EXPECT_FALSE(clock.Enabled());
    EXPECT_EQ(work, 0);
    const int rested = ticks;
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ticks, rested);

    work = 3;
    ASSERT_TRUE(clock.Enable());
    ASSERT_TRUE(clock.WaitUntilResting(5s));
    EXPECT_EQ(work, 0);
}

TEST(PreviewClockTest, DisableFromATickAndDestructionWhileRunning) {
    RecordingReporter reporter;
    std::atomic<int> ticks{0};
    PreviewClock* self = nullptr;
    {
        PreviewClock clock(
            [&] {
                if (++ticks == 10) {
                    self->Disable();  // must not wait for itself
                }
            },
            nullptr, reporter, Plain());
        self = &clock;
        ASSERT_TRUE(clock.Enable());
        ASSERT_TRUE(clock.WaitUntilResting(5s));
        EXPECT_EQ(ticks, 10);
        ASSERT_TRUE(clock.Enable());
        ASSERT_TRUE(Eventually([&] { return ticks > 10; }));
    }  // destroyed while enabled: the thread is joined
    const int after = ticks;
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ticks, after);

    PreviewClock never([] {}, nullptr, reporter, Plain());  // never started: nothing to join
}

TEST(PreviewClockTest, ALongStallIsCaughtUpToTheBoundThenResynchronised) {
    RecordingReporter reporter;
    std::atomic<int> ticks{0};
    PreviewClock::Options options = Plain();
    options.maxCatchUp = 50;
    PreviewClock clock(
        [&] {
            if (++ticks == 3) {
                std::this_thread::sleep_for(200ms);  // far more than 50 periods
            }
        },
        nullptr, reporter, options);
    ASSERT_TRUE(clock.StartStatistics(0));
    ASSERT_TRUE(clock.Enable());
    ASSERT_TRUE(Eventually([&] { return ticks > 60; }));
    clock.Disable();
    const PreviewClock::Statistics stats = clock.GetStatistics();
    EXPECT_GE(stats.resyncs, 1u);
    EXPECT_GE(stats.droppedTicks, 100u);
    EXPECT_GE(stats.lateTicks, 50u);  // the caught-up ticks were each more than 1 ms late
    EXPECT_TRUE(stats.lateness.empty());
}

TEST(PreviewClockTest, AThreadThatCannotStartIsReported) {
    for (const bool throws : {false, true}) {
        RecordingReporter reporter;
        PreviewClock::Options options = Plain();
        options.launcher = [throws](std::function<void()>) -> std::thread {
            if (throws) {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            return {};
        };
        PreviewClock clock([] {}, nullptr, reporter, options);
        EXPECT_FALSE(clock.Enable());
        EXPECT_FALSE(clock.ThreadStarted());
        const std::vector<RecordingReporter::Message> expected{
            {Icon::Information, "Error", "timeSetEvent failed", false}};
        EXPECT_EQ(reporter.Messages(), expected);
    }
}

TEST(PreviewClockTest, RefusedRealtimePriorityIsSurvived) {
    RecordingReporter reporter;
    std::atomic<int> asked{0};
    std::atomic<int> ticks{0};
    PreviewClock::Options options = Plain();
    options.realtime = true;
    options.raisePriority = [&] {
        ++asked;
        return false;
    };
    PreviewClock clock([&] { ++ticks; }, nullptr, reporter, options);
    ASSERT_TRUE(clock.Enable());
    EXPECT_FALSE(clock.RealtimePriority());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Eventually([&] { return ticks >= 5; }));
    clock.Disable();
    EXPECT_TRUE(reporter.Empty());

    // The real request: granted or refused, the clock ticks.
    std::atomic<int> realTicks{0};
    PreviewClock real([&] { ++realTicks; }, nullptr, reporter);
    ASSERT_TRUE(real.Enable());
    EXPECT_TRUE(Eventually([&] { return realTicks >= 5; }));
}

// Thread-safe, for the engine on the clock's thread and the checks on the test's.
class RecordingOutput : public NoteOutput {
public:
    bool SendShort(uint32_t message) override {
        std::lock_guard lock(mutex_);
        sent_.push_back(message);
        return true;
    }
    std::vector<uint32_t> Sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<uint32_t> sent_;
};

// Under ThreadSanitizer this is the race check: the window's side drives every kind of command
// while the clock runs the engine.
TEST(PreviewClockTest, EngineCommandsWhileTheClockRunsTheEngine) {
    // On the heap: ThreadSanitizer can miss races on this thread's own stack objects.
    auto outputOwner = std::make_unique<RecordingOutput>();
    auto engineOwner = std::make_unique<ArpEngine>(*outputOwner, 3);
    RecordingOutput& output = *outputOwner;
    ArpEngine& engine = *engineOwner;
    RecordingReporter reporter;
    auto clockOwner = std::make_unique<PreviewClock>(engine, reporter);
    PreviewClock& clock = *clockOwner;

    const auto command = [&](int code, int a = 0, int b = 0) {
        while (!engine.ArpCommand(code, a, b)) {
            ASSERT_TRUE(clock.Enable());  // a full queue drains on the next tick
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_TRUE(clock.Enable());
    };
    std::vector<ArpStep> steps(4);
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].noteMask = static_cast<uint16_t>(0x7 << i);
        steps[i].gate = static_cast<uint8_t>(i == 3 ? ArpStep::kGateLegato : 50);
    }

    for (int round = 0; round < 6; ++round) {
        while (!engine.LoadPattern(steps)) {
            std::this_thread::sleep_for(1ms);
        }
        command(ArpEngine::kGateFunction, round % 2 == 0 ? ArpEngine::kPercentGate : 0);
        command(ArpEngine::kResolution, 0);  // 16 ticks a step: many steps in a short time
        command(ArpEngine::kType, round % 4);
        command(ArpEngine::kRange, 1 + round % 3);
        command(ArpEngine::kReplaceMode, round % 5);
        command(ArpEngine::kSort, round % 2);
        command(ArpEngine::kLatch, round % 3 == 0 ? 1 : 0);
        command(ArpEngine::kStartStop, 1);
        for (int note : {60, 64, 67, 72}) {
            command(ArpEngine::kFeedKey, note, 100);
        }
        for (int i = 0; i < 20; ++i) {
            command(ArpEngine::kNoteInput, 48 + i % 12, i % 3 == 0 ? 0 : 90);
            command(ArpEngine::kLength, 1 + i % 8);
            command(ArpEngine::kVelocityFunction, i % 2 == 0 ? 0 : ArpEngine::kStepVelocity);
            std::this_thread::sleep_for(2ms);
        }
        command(ArpEngine::kStartStop, 0);
    }
    ASSERT_TRUE(clock.WaitUntilResting(10s));
    EXPECT_FALSE(engine.Busy());
    EXPECT_FALSE(engine.Running());

    // Notes were played, and every note that sounded was ended again.
    std::map<int, int> sounding;
    int noteOns = 0;
    for (const uint32_t m : output.Sent()) {
        ASSERT_EQ(m & 0xF0u, 0x90u);
        const int note = static_cast<int>((m >> 8) & 0x7F);
        if (((m >> 16) & 0x7F) != 0) {
            ++noteOns;
            ++sounding[note];
        } else {
            --sounding[note];
        }
    }
    EXPECT_GT(noteOns, 0);
    for (const auto& [note, count] : sounding) {
        EXPECT_EQ(count, 0) << "note " << note;
    }
    EXPECT_TRUE(reporter.Empty());
}

}  // namespace
}  // namespace veltrano
