#pragma once

#include <QObject>

#include <map>
#include <memory>

#include "base/EventLoop.h"

class QTimer;

namespace veltrano {

// The protocol's event loop on the window thread: posted tasks and timers become Qt events, and
// a wait for an answer runs a nested loop, so the windows stay live while it waits.
class QtEventLoop : public QObject, public EventLoop {
    Q_OBJECT

public:
    explicit QtEventLoop(QObject* parent = nullptr);
    ~QtEventLoop() override;

    void Post(Task task) override;
    TimerId StartTimer(Duration interval, bool periodic, Task onFire) override;
    void StopTimer(TimerId id) override;
    bool RunOnce() override;
    void Sleep(Duration duration) override;
    [[nodiscard]] TimePoint Now() const override;

private:
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
};

}  // namespace veltrano
