#include "ui/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace veltrano {

QtEventLoop::QtEventLoop(QObject* parent) : QObject(parent) {}

QtEventLoop::~QtEventLoop() {
    for (auto& [id, timer] : timers_) {
        delete timer;
    }
}

void QtEventLoop::Post(Task task) {
    // Safe from any thread: the task is queued to this object's thread.
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

EventLoop::TimerId QtEventLoop::StartTimer(Duration interval, bool periodic, Task onFire) {
    const TimerId id = nextId_++;
    auto* timer = new QTimer(this);
    // The reply timer must not fire late: a coarse timer may be 5 % off.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!periodic);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(interval).count();
    timer->setInterval(static_cast<int>(std::max<long long>(ms, 0)));
    auto task = std::make_shared<Task>(std::move(onFire));
    connect(timer, &QTimer::timeout, this, [this, id, periodic, task] {
        if (!periodic) {
            StopTimer(id);
        }
        (*task)();
    });
    timers_[id] = timer;
    timer->start();
    return id;
}

void QtEventLoop::StopTimer(TimerId id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

bool QtEventLoop::RunOnce() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    return true;
}

void QtEventLoop::Sleep(Duration duration) {
    QThread::usleep(static_cast<unsigned long>(
        std::chrono::duration_cast<std::chrono::microseconds>(duration).count()));
}

EventLoop::TimePoint QtEventLoop::Now() const {
    return std::chrono::time_point_cast<Duration>(Clock::now());
}

}  // namespace veltrano
