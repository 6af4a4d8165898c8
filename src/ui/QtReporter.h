#pragma once

#include <QPointer>

#include "base/Reporter.h"

class QWidget;

namespace veltrano {

// Message boxes for the core's messages and questions, over the given window.
class QtReporter : public Reporter {
public:
    explicit QtReporter(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Show(Icon icon, std::string_view caption, std::string_view text) override;
    Answer Ask(Icon icon, std::string_view caption, std::string_view text,
               Buttons buttons) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace veltrano
