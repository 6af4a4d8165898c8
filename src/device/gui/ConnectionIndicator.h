#pragma once

#include <QWidget>

namespace veltrano {

// A small round lamp: green while the link with the instrument is up, grey otherwise. There is
// no text for it in the language files, so it carries no tooltip; assistive tools get its
// state instead (an indicator that is checked while connected), which they speak in the
// user's own language.
class ConnectionIndicator : public QWidget {
    Q_OBJECT

public:
    explicit ConnectionIndicator(QWidget* parent = nullptr);

    void SetConnected(bool connected);
    [[nodiscard]] bool Connected() const { return connected_; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool connected_ = false;
};

}  // namespace veltrano
