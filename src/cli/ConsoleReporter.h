#pragma once

#include "base/Reporter.h"

namespace veltrano::cli {

// Messages go to stderr as "Caption: text". Questions take the answer given on the command
// line (--yes or --no); without one they are asked on the terminal, or answered No when there
// is no terminal to ask.
class ConsoleReporter : public Reporter {
public:
    enum class Policy { Ask, AlwaysYes, AlwaysNo };
    explicit ConsoleReporter(Policy policy) : policy_(policy) {}

    void Show(Icon icon, std::string_view caption, std::string_view text) override;
    Answer Ask(Icon icon, std::string_view caption, std::string_view text,
               Buttons buttons) override;

    [[nodiscard]] int MessagesShown() const { return shown_; }

private:
    Policy policy_;
    int shown_ = 0;
};

}  // namespace veltrano::cli
