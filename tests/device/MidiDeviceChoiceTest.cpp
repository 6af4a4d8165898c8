#include "device/MidiDeviceChoice.h"

#include <gtest/gtest.h>

#include "base/EventLoop.h"
#include "base/Reporter.h"
#include "device/MidiPorts.h"
#include "settings/AppConfig.h"
#include "support/FakeMidiBackend.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using test::FakeMidiBackend;

const std::vector<Bytes> kInitialMessages{{0xB0, 0x00, 0x79}, {0xB0, 0x20, 0x00}, {0xC0, 0x00}};

class MidiDeviceChoiceTest : public ::testing::Test {
protected:
    void AddFake(std::vector<std::string> inputs, std::vector<std::string> outputs) {
        auto fake = std::make_unique<FakeMidiBackend>(std::move(inputs), std::move(outputs));
        fake_ = fake.get();
        ports_.AddBackend(std::move(fake));
    }
    std::string Setting(std::string_view key) const {
        return config_.File().GetString("Option", key, "<unset>");
    }

    test::TempDir dir_;
    AppConfig config_ = [this] {
        AppConfig config;
        config.SetPath(dir_ / "Cnfg.ini");
        return config;
    }();
    VirtualEventLoop loop_;
    RecordingReporter reporter_;
    MidiPorts ports_{loop_, reporter_};
    MidiDeviceChoice choice_{ports_, config_, reporter_};
    FakeMidiBackend* fake_ = nullptr;
};

TEST_F(MidiDeviceChoiceTest, WithoutPortsNothingIsSelectedAndOkOpensNothing) {
    AddFake({}, {});
    choice_.Refresh();
    EXPECT_TRUE(choice_.InputNames().empty());
    EXPECT_TRUE(choice_.OutputNames().empty());
    EXPECT_EQ(choice_.InputSelection(), MidiDeviceChoice::kNone);
    EXPECT_EQ(choice_.OutputSelection(), MidiDeviceChoice::kNone);

    choice_.Confirm(choice_.InputSelection(), choice_.OutputSelection());
    EXPECT_TRUE(fake_->Log().empty());
    EXPECT_TRUE(reporter_.Empty());
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Cnfg.ini"));
}

TEST_F(MidiDeviceChoiceTest, OkOpensBothPortsRemembersThemAndSetsTheFirstVoice) {
    AddFake({"in A", "in B"}, {"out A", "out B", "out C"});
    choice_.Refresh();
    EXPECT_EQ(choice_.InputNames(), (std::vector<std::string>{"in A", "in B"}));
    EXPECT_EQ(choice_.OutputNames().size(), 3u);
    EXPECT_EQ(choice_.InputSelection(), 0);  // every run starts on the first ports

    choice_.Confirm(1, 2);
    EXPECT_EQ(ports_.GetInputState(), InputState::Receiving);
    EXPECT_EQ(ports_.InputIndex(), 1);
    EXPECT_TRUE(ports_.OutputOpen());
    EXPECT_EQ(ports_.OutputIndex(), 2);
    EXPECT_EQ(ports_.ChosenInput(), 1);
    EXPECT_EQ(ports_.ChosenOutput(), 2);
    EXPECT_EQ(Setting("MidiDevInID"), "1");
    EXPECT_EQ(Setting("MidiDevOutID"), "2");
    EXPECT_EQ(fake_->Sent(), kInitialMessages);
    EXPECT_TRUE(reporter_.Empty());

    // Opening the dialog again selects what was chosen, as far as the lists still reach.
    choice_.Refresh();
    EXPECT_EQ(choice_.InputSelection(), 1);
    EXPECT_EQ(choice_.OutputSelection(), 2);
    ports_.SetChosenOutput(3);
    EXPECT_EQ(choice_.OutputSelection(), MidiDeviceChoice::kNone);
    ports_.SetChosenOutput(2);

    // The same ports confirmed again: closed, reopened, and the voice sent again.
    fake_->ClearLog();
    choice_.Confirm(1, 2);
    EXPECT_EQ(fake_->Log(),
              (std::vector<std::string>{"stop", "reset", "closeIn", "openIn 1", "start", "closeOut",
                                        "openOut 2", "send 3", "send 3", "send 2"}));
    std::vector<Bytes> twice = kInitialMessages;
    twice.insert(twice.end(), kInitialMessages.begin(), kInitialMessages.end());
    EXPECT_EQ(fake_->Sent(), twice);
    EXPECT_TRUE(reporter_.Empty());
}

TEST_F(MidiDeviceChoiceTest, FailuresAreReportedAndLeaveTheChoiceAsItWas) {
    AddFake({"in A", "in B"}, {"out A", "out B"});
    choice_.Refresh();
    fake_->openInputOk = false;
    fake_->openOutputOk = false;
    choice_.Confirm(1, 1);
    const std::vector<RecordingReporter::Message> expected{
        {Icon::Information, "Warning", "Open midi device in failed"},
        {Icon::Information, "Warning", "Open midi device out failed"},
    };
    EXPECT_EQ(reporter_.Messages(), expected);
    EXPECT_EQ(ports_.ChosenInput(), 0);
    EXPECT_EQ(ports_.ChosenOutput(), 0);
    EXPECT_EQ(Setting("MidiDevInID"), "<unset>");
    EXPECT_EQ(Setting("MidiDevOutID"), "<unset>");
    EXPECT_TRUE(fake_->Sent().empty());

    // One side alone: only the input selected, and it opens.
    reporter_.Clear();
    fake_->openInputOk = true;
    choice_.Confirm(1, MidiDeviceChoice::kNone);
    EXPECT_TRUE(reporter_.Empty());
    EXPECT_EQ(Setting("MidiDevInID"), "1");
    EXPECT_EQ(Setting("MidiDevOutID"), "<unset>");
}

}  // namespace
}  // namespace veltrano
