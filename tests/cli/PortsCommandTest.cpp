#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/Process.h"

namespace veltrano {
namespace {

using test::BuiltProgram;
using test::RunProgram;

test::ProcessResult Ports(const std::vector<std::string>& args, const std::string& api) {
    return RunProgram(BuiltProgram("veltrano-cli").string(), args, {"VELTRANO_MIDI_API=" + api});
}

// Whatever this machine has (no sequencer, no JACK server, or both), the command succeeds and
// the libraries' complaints about a missing service stay off stderr.
TEST(PortsCommandTest, ListsWhateverThereIsQuietly) {
    for (const std::string api : {"auto", "alsa", "jack"}) {
        const auto json = Ports({"ports", "--json"}, api);
        ASSERT_EQ(json.exitCode, 0) << api << json.err;
        EXPECT_EQ(json.err, "") << api;
        const auto parsed = nlohmann::json::parse(json.out);
        ASSERT_TRUE(parsed["apis"].is_array()) << api;
        ASSERT_TRUE(parsed["inputs"].is_array()) << api;
        ASSERT_TRUE(parsed["outputs"].is_array()) << api;
        if (api != "auto") {
            EXPECT_LE(parsed["apis"].size(), 1u) << api;
        }
        for (const auto& port : parsed["inputs"]) {
            EXPECT_TRUE(port.contains("index") && port.contains("name"));
        }

        const auto text = Ports({"ports"}, api);
        ASSERT_EQ(text.exitCode, 0) << api << text.err;
        EXPECT_EQ(text.err, "") << api;
        // Other programs may add ports between the two runs: either heading will do.
        const bool inputs = text.out.find("MIDI input ports:") != std::string::npos;
        const bool noInputs = text.out.find("No MIDI input ports.") != std::string::npos;
        EXPECT_NE(inputs, noInputs) << text.out;
        const bool outputs = text.out.find("MIDI output ports:") != std::string::npos;
        const bool noOutputs = text.out.find("No MIDI output ports.") != std::string::npos;
        EXPECT_NE(outputs, noOutputs) << text.out;
    }
}

TEST(PortsCommandTest, AnUnknownServiceNameIsReportedAndAutoUsed) {
    const auto result = Ports({"ports"}, "coremidi");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("VELTRANO_MIDI_API"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace veltrano
