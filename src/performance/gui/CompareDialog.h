#pragma once

#include <QDialog>

class QComboBox;
class QTableWidget;
class QLabel;

namespace veltrano {

struct AppContext;
class PerformanceDocument;

// Lists, field by field, where the shown performance differs from another of the six or
// from the same performance in the file on disk.
class CompareDialog : public QDialog {
    Q_OBJECT

public:
    CompareDialog(const AppContext& app, const PerformanceDocument& document,
                  QWidget* parent = nullptr);

    // The entry of the "compare with" list: 0 to 5 the performances (the shown one left out),
    // then the saved file when there is one.
    void CompareWith(int entry);
    [[nodiscard]] int DifferenceCount() const;

private:
    const AppContext& app_;
    const PerformanceDocument& document_;
    QComboBox* other_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
};

}  // namespace veltrano
