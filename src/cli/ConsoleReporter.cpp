#include "cli/ConsoleReporter.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace veltrano::cli {

namespace {

void Print(std::string_view caption, std::string_view text) {
    if (caption.empty()) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    } else {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
}

}  // namespace

void ConsoleReporter::Show(Icon, std::string_view caption, std::string_view text) {
    ++shown_;
    Print(caption, text);
}

Answer ConsoleReporter::Ask(Icon, std::string_view caption, std::string_view text,
                            Buttons buttons) {
    if (buttons == Buttons::Ok) {
        Print(caption, text);
        return Answer::Ok;
    }
    Print(caption, text);
    switch (policy_) {
        case Policy::AlwaysYes:
            std::fprintf(stderr, "  -> Yes (--yes)\n");
            return Answer::Yes;
        case Policy::AlwaysNo:
            std::fprintf(stderr, "  -> No (--no)\n");
            return Answer::No;
        case Policy::Ask:
            break;
    }
    if (isatty(STDIN_FILENO) == 0) {
        std::fprintf(stderr, "  -> No (no terminal to ask; use --yes or --no)\n");
        return Answer::No;
    }
    std::fprintf(stderr, "[y/N] ");
    std::fflush(stderr);
    char line[64] = {};
    if (std::fgets(line, sizeof line, stdin) == nullptr) {
        return Answer::No;
    }
    return (line[0] == 'y' || line[0] == 'Y') ? Answer::Yes : Answer::No;
}

}  // namespace veltrano::cli
