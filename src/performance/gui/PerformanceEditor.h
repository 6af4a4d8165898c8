#pragma once

#include <array>
#include <memory>

#include "performance/PerformanceDocument.h"
#include "performance/gui/PerformancePage.h"
#include "ui/ToolPage.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace veltrano {

// The performance editor: Open, New and Save of a bank of six performances, the choice of the
// performance shown, six pages that edit it, and undo across all of them.
class PerformanceEditor : public ToolPage {
    Q_OBJECT

public:
    static constexpr int kPageCount = 6;
    enum Tab { kKeyboardTab, kEffectTab, kControllersTab, kStyleSongTab, kMixerTab, kGlobalTab };

    explicit PerformanceEditor(const PageServices& services, QWidget* parent = nullptr);
    ~PerformanceEditor() override;

    void ApplyTexts() override;
    void PageShown() override;
    [[nodiscard]] bool MayClose() override;
    void RefreshForDevice() override;
    void DeviceSwitched() override;

    [[nodiscard]] PerformanceDocument& Document() { return *document_; }
    [[nodiscard]] PerformancePage& Page(int tab) const;

    // The commands of the window, as its buttons and menus run them.
    void NewCommand();
    void OpenCommand();
    // False when nothing was saved (cancelled, refused or failed).
    bool SaveCommand();
    void UndoCommand();
    void RedoCommand();
    void CopyToCommand(int target);
    void SwapWithCommand(int other);
    void CompareCommand();

    // Before unsaved edits would be dropped: "Save the changes to …?" Yes saves (and goes on
    // only when the bank was saved), No drops them, Cancel keeps everything. True to go on.
    [[nodiscard]] bool MayDropEdits();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void BuildEditMenu();
    void TabChanged(int index);
    void PerformanceChosen(int index);
    void DocumentChanged(const DocumentChange& change);
    void StoreVisible();
    void ShowAll();
    void ShowFileName();
    void ShowUndoState();
    // The main window's keyboard lets go of every key, unless a page plays it itself.
    void RefreshKeyboard();
    void SetPerformance(int index);

    std::unique_ptr<PerformanceDocument> document_;
    EditDocument<PerformanceBank>::ListenerId listener_ = 0;
    std::array<PerformancePage*, kPageCount> pages_{};
    int previousTab_ = kKeyboardTab;

    QPushButton* open_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QLabel* performanceLabel_ = nullptr;
    QComboBox* performance_ = nullptr;
    QToolButton* undo_ = nullptr;
    QToolButton* redo_ = nullptr;
    QToolButton* edit_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
};

}  // namespace veltrano
