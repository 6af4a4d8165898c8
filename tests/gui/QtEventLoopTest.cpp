#include "ui/QtEventLoop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <thread>
#include <vector>

namespace veltrano {
namespace {

using namespace std::chrono_literals;

// Turns the loop until `done` holds or two seconds have passed.
template <typename Done>
bool TurnUntil(QtEventLoop& loop, Done done) {
    const auto limit = loop.Now() + 2s;
    while (!done() && loop.Now() < limit) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

TEST(QtEventLoopTest, TasksPostedFromAnotherThreadRunOnTheWindowThreadInOrder) {
    QtEventLoop loop;
    std::vector<int> order;
    bool allOnWindowThread = true;
    std::thread midi([&] {
        for (int i = 0; i < 200; ++i) {
            loop.Post([&, i] {
                allOnWindowThread = allOnWindowThread && QThread::currentThread() ==
                                                             QCoreApplication::instance()->thread();
                order.push_back(i);
            });
        }
    });
    midi.join();
    ASSERT_TRUE(TurnUntil(loop, [&] { return order.size() == 200; }));
    EXPECT_TRUE(allOnWindowThread);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
}

TEST(QtEventLoopTest, TimersFireOnceOrRepeatAndMayStopThemselves) {
    QtEventLoop loop;
    int once = 0;
    int repeated = 0;
    int stopped = 0;
    (void)loop.StartTimer(5ms, false, [&] { ++once; });
    EventLoop::TimerId periodic = 0;
    periodic = loop.StartTimer(5ms, true, [&] {
        if (++repeated == 3) {
            loop.StopTimer(periodic);  // from inside its own call
        }
    });
    const EventLoop::TimerId cancelled = loop.StartTimer(5ms, false, [&] { ++stopped; });
    loop.StopTimer(cancelled);
    loop.StopTimer(cancelled);  // a second stop, and an unknown one, change nothing
    loop.StopTimer(9999);
    ASSERT_TRUE(TurnUntil(loop, [&] { return repeated >= 3; }));
    // Long enough for a wrongly repeating timer to fire again.
    const auto settle = loop.Now() + 60ms;
    TurnUntil(loop, [&] { return loop.Now() >= settle; });
    EXPECT_EQ(once, 1);
    EXPECT_EQ(repeated, 3);
    EXPECT_EQ(stopped, 0);
}

TEST(QtEventLoopTest, AWaitReturnsWhenTheAnswerIsPosted) {
    QtEventLoop loop;
    bool answered = false;
    std::thread midi([&] {
        std::this_thread::sleep_for(20ms);
        loop.Post([&] { answered = true; });
    });
    // As a reply wait does: one turn at a time, each blocking until something happens.
    const auto limit = loop.Now() + 2s;
    while (!answered && loop.Now() < limit) {
        ASSERT_TRUE(loop.RunOnce());
    }
    midi.join();
    EXPECT_TRUE(answered);
}

}  // namespace
}  // namespace veltrano
