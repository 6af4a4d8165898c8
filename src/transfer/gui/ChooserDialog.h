#pragma once

#include <QDialog>
#include <QVector>

#include <vector>

#include "transfer/ChooserModel.h"

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace veltrano {

struct AppContext;
class DeviceService;
class ChooserPage;
class Reporter;

// The frame both choosers share: one tab per source, OK (enabled only while the visible tab
// has something chosen) and Cancel. The result is the choice of the tab that is visible.
class ChooserDialog : public QDialog {
    Q_OBJECT

public:
    // What was chosen; meaningful after the dialog was accepted.
    [[nodiscard]] ChooserChoice Choice() const { return choice_; }
    void ApplyTexts();

    void accept() override;

protected:
    ChooserDialog(AppContext& app, Reporter& reporter, const char* titleKey, bool pattern,
                  QWidget* parent);
    // The pages in source order, then the tab first shown (its source; an offered one).
    void SetPages(const std::vector<ChooserTab>& tabs, QVector<ChooserPage*> pages, int source);

private:
    void UpdateOk();

    AppContext& app_;
    Reporter& reporter_;
    const char* titleKey_;
    bool pattern_;  // the catalogue tab is "LOCAL" rather than "PRESET"
    std::vector<ChooserTab> tabs_;
    QVector<ChooserPage*> pages_;
    QTabWidget* tabWidget_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    ChooserChoice choice_;
};

}  // namespace veltrano
