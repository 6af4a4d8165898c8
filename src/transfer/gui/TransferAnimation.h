#pragma once

#include <QWidget>

class QTimer;

namespace veltrano {

// Arrows running towards one pane while a batch moves files that way.
class TransferAnimation : public QWidget {
    Q_OBJECT

public:
    enum class Direction { ToLeft, ToRight };
    TransferAnimation(Direction direction, QWidget* parent = nullptr);

    void Start();
    void Stop();
    [[nodiscard]] bool Running() const;
    [[nodiscard]] QSize sizeHint() const override { return {72, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Direction direction_;
    QTimer* timer_ = nullptr;
    int phase_ = 0;
};

}  // namespace veltrano
