// Transfers under random fault schedules: whatever the instrument's answers do (lost, damaged,
// late, refused with status 2), a transfer ends either in success with the same bytes on both
// sides, or in a failure that was reported — with the link idle again and no partial or lost
// file on the computer.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "support/TransferRig.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DeviceRig;
using test::ReadFile;
using test::TransferRig;
using test::WriteFile;

constexpr int kSchedulesPerDirection = 120;

struct Schedule {
    SimFaults faults;
    size_t size = 0;
    bool olderLocalFile = false;
};

Schedule MakeSchedule(uint32_t seed) {
    std::mt19937 rng(seed);
    auto chance = [&](double max) { return std::uniform_real_distribution<double>(0, max)(rng); };
    Schedule s;
    // Rates up to a few percent per answer: enough that most files meet several faults, and
    // both outcomes stay common.
    s.faults.drop = chance(0.015);
    s.faults.corrupt = chance(0.04);
    s.faults.late = chance(0.006);
    s.faults.nak = chance(0.04);
    s.size = std::uniform_int_distribution<size_t>(0, 64 * 1024)(rng);
    s.olderLocalFile = rng() % 2 == 0;
    return s;
}

std::string Describe(uint32_t seed, const Schedule& s) {
    return "seed " + std::to_string(seed) + ", size " + std::to_string(s.size) + ", faults " +
           FormatFaultList(s.faults);
}

// Every file of the folder other than the expected ones is a leftover.
std::vector<std::string> Leftovers(const fs::path& folder, const std::string& expected) {
    std::vector<std::string> extra;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != expected) {
            extra.push_back(name);
        }
    }
    return extra;
}

void ExpectIdleAndReported(TransferRig& t, bool ok, const std::string& what) {
    EXPECT_FALSE(t.rig->link.Busy()) << what;
    EXPECT_FALSE(t.rig->link.state.abort) << what;
    if (!ok) {
        bool reported = false;
        for (const auto& m : t.rig->reporter.Messages()) {
            reported |= !m.question;
        }
        EXPECT_TRUE(reported) << what;
    }
}

DeviceRig::Options OptionsFor(uint32_t seed, const Schedule& s) {
    DeviceRig::Options options;
    options.instrument.seed = seed;
    options.instrument.faults = s.faults;
    return options;
}

TEST(TransferProperty, UploadsEndCleanlyUnderFaults) {
    int succeeded = 0;
    int failed = 0;
    for (uint32_t seed = 1; seed <= kSchedulesPerDirection; ++seed) {
        const Schedule s = MakeSchedule(seed);
        const std::string what = Describe(seed, s);
        TransferRig t(OptionsFor(seed, s));
        const std::string bytes = t.Put("USER", "FILE.STY", s.size, seed);
        const std::string older = "an older local copy " + std::to_string(seed);
        if (s.olderLocalFile) {
            WriteFile(t.Local("FILE.STY"), older);
        }
        const bool ok =
            t.transfers->UploadFile("FILE.STY", static_cast<uint32_t>(s.size), t.local.Path());
        ExpectIdleAndReported(t, ok, what);
        EXPECT_TRUE(Leftovers(t.local.Path(), "FILE.STY").empty()) << what;
        if (ok) {
            ++succeeded;
            EXPECT_EQ(ReadFile(t.Local("FILE.STY")), bytes) << what;
        } else {
            ++failed;
            EXPECT_EQ(ReadFile(t.Local("FILE.STY")), s.olderLocalFile ? older : "<missing>")
                << what;
        }
        EXPECT_EQ(t.Stored("USER", "FILE.STY"), bytes) << what;
    }
    std::printf("uploads under faults: %d succeeded, %d failed with a message\n", succeeded,
                failed);
    EXPECT_EQ(succeeded + failed, kSchedulesPerDirection);
    EXPECT_GT(succeeded, 0);
}

TEST(TransferProperty, DownloadsEndCleanlyUnderFaults) {
    int succeeded = 0;
    int failed = 0;
    for (uint32_t seed = 1001; seed < 1001 + kSchedulesPerDirection; ++seed) {
        const Schedule s = MakeSchedule(seed);
        const std::string what = Describe(seed, s);
        TransferRig t(OptionsFor(seed, s));
        // A file that a lost last answer left complete on the instrument is replaced.
        t.rig->reporter.SetDefaultAnswer(Answer::Yes);
        const std::string bytes = test::PatternBytes(s.size, seed);
        WriteFile(t.Local("FILE.MID"), bytes);
        const bool ok = t.transfers->DownloadFile(t.Local("FILE.MID"));
        ExpectIdleAndReported(t, ok, what);
        EXPECT_EQ(ReadFile(t.Local("FILE.MID")), bytes) << what;
        EXPECT_TRUE(Leftovers(t.local.Path(), "FILE.MID").empty()) << what;
        if (ok) {
            ++succeeded;
            // The last packet's answer may still be on its way: let it arrive.
            t.rig->Run(std::chrono::seconds(3));
            EXPECT_EQ(t.Stored("USER", "FILE.MID"), bytes) << what;
        } else {
            ++failed;
            const std::string stored = t.Stored("USER", "FILE.MID");
            EXPECT_TRUE(stored == "<missing>" || stored == bytes) << what;
        }
    }
    std::printf("downloads under faults: %d succeeded, %d failed with a message\n", succeeded,
                failed);
    EXPECT_EQ(succeeded + failed, kSchedulesPerDirection);
    EXPECT_GT(succeeded, 0);
}

}  // namespace
}  // namespace veltrano
