#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltrano::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program of the build with the given arguments and extra environment entries
// ("NAME=value"), waits for it and returns its exit code and output.
[[nodiscard]] ProcessResult RunProgram(const std::string& program,
                                       const std::vector<std::string>& args,
                                       const std::vector<std::string>& env = {});

// Path of a program in the build's output folder.
[[nodiscard]] std::filesystem::path BuiltProgram(const std::string& name);

}  // namespace veltrano::test
