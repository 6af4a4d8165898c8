#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class QSvgRenderer;

namespace veltrano {

struct AppContext;

// The drawing of the instrument beside the pages. Which drawing is chosen by the device class
// of the current device profile, looked at on every repaint, so it follows a connect or a
// device change without being told.
class InstrumentPicture : public QWidget {
    Q_OBJECT

public:
    explicit InstrumentPicture(const AppContext& app, QWidget* parent = nullptr);

    // "instrument_a.svg" for classes 0–3, "instrument_b.svg" for 4–7, "instrument_other.svg"
    // for every other class (-1 included: no instrument known yet).
    [[nodiscard]] static QString PictureForClass(int deviceClass);
    // The file the last repaint drew (or tried to), empty before the first one.
    [[nodiscard]] const QString& LastPainted() const { return lastPainted_; }

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] QSvgRenderer* Renderer(const QString& file);

    const AppContext& app_;
    QHash<QString, QSvgRenderer*> renderers_;
    QString lastPainted_;
};

}  // namespace veltrano
