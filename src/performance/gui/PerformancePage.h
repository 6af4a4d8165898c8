#pragma once

#include <QWidget>
#include <string_view>

#include "ui/ToolPage.h"

namespace veltrano {

class PerformanceDocument;

// What every page of the performance editor is given: the main window's services and the
// document of the bank.
struct PerformancePageContext {
    PageServices services;
    PerformanceDocument& document;
};

// One of the six pages of the performance editor. A page edits the current performance of
// the document directly (every change is one edit of the document); Show fills the controls
// from the model, Store commits what is still being typed.
class PerformancePage : public QWidget {
    Q_OBJECT

public:
    PerformancePage(const PerformancePageContext& context, QWidget* parent = nullptr)
        : QWidget(parent), context_(context) {}

    virtual void Show() = 0;
    virtual void Store() {}
    virtual void ApplyTexts() = 0;
    // Whether the page plays the main window's on-screen keyboard itself (the pad tab of the
    // Controllers page): the editor then leaves the keyboard alone.
    [[nodiscard]] virtual bool UsesKeyboard() const { return false; }
    // The page that shows a step of the undo history named `field` (the name after the
    // performance, see PerformanceDocument::StepName) shows it: the sub-page or part it
    // belongs to. False when the step is not this page's.
    [[nodiscard]] virtual bool ShowsField(std::string_view field) const {
        (void)field;
        return false;
    }
    virtual void RevealField(std::string_view field) { (void)field; }

protected:
    [[nodiscard]] AppContext& App() const { return context_.services.app; }
    [[nodiscard]] const PageServices& Services() const { return context_.services; }
    [[nodiscard]] PerformanceDocument& Document() const { return context_.document; }
    [[nodiscard]] Reporter& Messages() const { return context_.services.reporter; }

private:
    PerformancePageContext context_;
};

}  // namespace veltrano
