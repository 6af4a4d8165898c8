#pragma once

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>

namespace veltrano {

// The start-up picture: a borderless pop-up centred on the screen while the main panel gets
// ready. It goes at the first of: Dismiss() (the panel is ready), its time-out, or the first key
// press, mouse-button press or request to close a window (dialogs aside) anywhere in the
// application, which it swallows.
class Splash : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{20000};

    // picturePath: an SVG file; when it cannot be read a plain picture is drawn instead.
    explicit Splash(const QString& picturePath, QWidget* parent = nullptr);
    ~Splash() override;

    void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    // Shows the picture centred on the screen, starts the time-out and watches the input.
    void Popup();
    // Closes the picture; nothing happens when it is not up.
    void Dismiss();

    [[nodiscard]] bool IsUp() const { return up_; }
    // False when the plain picture stands in for a missing or unreadable file.
    [[nodiscard]] bool HasPicture() const { return fromFile_; }

signals:
    void Dismissed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void LoadPicture(const QString& picturePath);

    QPixmap picture_;
    bool fromFile_ = false;
    bool up_ = false;
    QTimer timer_;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
};

}  // namespace veltrano
