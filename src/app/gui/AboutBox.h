#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace veltrano {

struct AppContext;

// The About box: the program's icon, name, version and copyright from the settings.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(const AppContext& app, QWidget* parent = nullptr);

    void ApplyTexts();

private:
    const AppContext& app_;
    QLabel* icon_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* copyright_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace veltrano
