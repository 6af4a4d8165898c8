#pragma once

#include <CLI/CLI.hpp>

#include <optional>

namespace veltrano::cli {

// Parses the command line. Help and version requests print and end with 0; a wrong usage
// prints CLI11's message and ends with 2. nullopt means "go on".
[[nodiscard]] inline std::optional<int> ParseArgs(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    return std::nullopt;
}

}  // namespace veltrano::cli
