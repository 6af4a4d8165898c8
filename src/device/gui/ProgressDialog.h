#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace veltrano {

class LanguageTable;

// The small modeless window shown while the instrument's tables are fetched. The fetch runs
// on this thread, so every change of position paints at once instead of waiting for the
// event loop. It has no close button and ignores Escape: closing it would not stop the fetch,
// so the caller alone hides it (hide() or close()).
class ProgressDialog : public QDialog {
    Q_OBJECT

public:
    explicit ProgressDialog(const LanguageTable& language, QWidget* parent = nullptr);

    void ApplyTexts();
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);
    [[nodiscard]] int Position() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    const LanguageTable& language_;
    QLabel* loadingLabel_ = nullptr;
    QLabel* waitLabel_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

}  // namespace veltrano
