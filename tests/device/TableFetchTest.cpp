#include "device/TableFetch.h"

#include <gtest/gtest.h>

#include "support/DeviceRig.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using test::DeviceRig;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class TableFetchTest : public ::testing::Test {
protected:
    DeviceRig& Rig(const std::string& faults = {}) {
        DeviceRig::Options options;
        options.instrument.tablesFolder = tables_.Path();
        options.instrument.faults = ParseFaultList(faults).faults;
        rig_ = std::make_unique<DeviceRig>(options);
        fs::create_directories(Folder());
        return *rig_;
    }
    fs::path Folder() const { return rig_->home / "Presets" / "Fetched"; }
    // One table as its own exchange.
    bool Fetch(int table, bool chinese = false, bool show = true) {
        return FetchInto(Folder(), table, chinese, show);
    }
    bool FetchInto(const fs::path& folder, int table, bool chinese = false, bool show = true) {
        const Exchange exchange(rig_->link);
        EXPECT_TRUE(exchange.Begun());
        return GetTabFiles(rig_->link, exchange, folder, table, chinese, show);
    }

    TempDir tables_;
    std::unique_ptr<DeviceRig> rig_;
};

TEST_F(TableFetchTest, BlocksAndLineEnds) {
    std::string text;
    while (text.size() < 290) {
        text += "1\tStyle name\n";
    }
    text.resize(300);
    WriteFile(tables_ / "STYLETAB.INI", text);
    WriteFile(tables_ / "SONGTAB.INI", "");
    WriteFile(tables_ / "ARPTAB.INI", "already\r\nCR LF\r\n");
    const std::string prf = "\n\r\n\x00\xFF\n";
    WriteFile(tables_ / "Default.prf", prf);
    DeviceRig& rig = Rig();

    ASSERT_TRUE(Fetch(1));  // 300 bytes in two blocks: 256 and 44
    std::string expected;
    for (char c : text) {
        expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(ReadFile(Folder() / "STYLETAB.INI"), expected);
    ASSERT_TRUE(Fetch(2));  // an empty table: an empty file
    EXPECT_EQ(ReadFile(Folder() / "SONGTAB.INI"), "");
    ASSERT_TRUE(Fetch(3));  // CR LF stays CR LF
    EXPECT_EQ(ReadFile(Folder() / "ARPTAB.INI"), "already\r\nCR LF\r\n");
    ASSERT_TRUE(Fetch(6));  // byte for byte
    EXPECT_EQ(ReadFile(Folder() / "Default.prf"), prf);
    ASSERT_TRUE(Fetch(1, true));  // a missing table is served empty
    EXPECT_EQ(ReadFile(Folder() / "STYLETAB_CN.INI"), "");
    EXPECT_TRUE(rig.reporter.Empty());
    EXPECT_FALSE(rig.link.Busy());
    // Only the table files: no temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Folder())) {
        ++files;
    }
    EXPECT_EQ(files, 5);
}

TEST_F(TableFetchTest, ABadBlockEndsTheFetchAfterAcknowledgementTwo) {
    WriteFile(tables_ / "VOICETAB.INI", std::string(1000, 'v'));
    DeviceRig& rig = Rig();
    WriteFile(Folder() / "VOICETAB.INI", "the table of the last firmware");
    SimFaults faults;
    faults.corrupt = 1.0;
    // The header's checksum is not checked; the first data block's is.
    rig.Instrument().SetFaults(faults);
    EXPECT_FALSE(Fetch(0));
    ASSERT_EQ(rig.reporter.Messages().size(), 1u);
    const auto& message = rig.reporter.Messages()[0];
    EXPECT_EQ(message.caption, "GetTabFiles");
    EXPECT_EQ(message.text.rfind("Checksum error: Pc(0x", 0), 0u) << message.text;
    EXPECT_NE(message.text.find(") VS Device(0x"), std::string::npos);
    // The acknowledgement 2 went out, and the fetch asked for nothing more.
    const Bytes& last = rig.output.sent.back();
    EXPECT_EQ(sysex::FrameCommand(last), sysex::CMD_GET_TAB_FILE);
    EXPECT_EQ(sysex::ReplyStatus(last), sysex::kAckChecksumError);
    EXPECT_EQ(rig.output.sent.size(), 3u);  // request, ack 0, ack 2
    EXPECT_FALSE(rig.link.Busy());
    // The table of before is intact.
    EXPECT_EQ(ReadFile(Folder() / "VOICETAB.INI"), "the table of the last firmware");
}

TEST_F(TableFetchTest, ThreeResendsThenTheAnswer) {
    WriteFile(tables_ / "CHPTAB.INI", "[FILE NAME]\n1\tChop\n");
    DeviceRig& rig = Rig();
    rig.output.loseNext = 3;
    const auto start = rig.loop.Now();
    ASSERT_TRUE(Fetch(5));
    EXPECT_GE(rig.loop.Now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(rig.reporter.Empty());
    EXPECT_EQ(ReadFile(Folder() / "CHPTAB.INI"), "[FILE NAME]\r\n1\tChop\r\n");
}

TEST_F(TableFetchTest, FourthTimeOutFails) {
    DeviceRig& rig = Rig();
    WriteFile(Folder() / "CHPTAB.INI", "old");
    rig.output.loseNext = 4;
    EXPECT_FALSE(Fetch(5));
    EXPECT_EQ(rig.reporter.Texts(), (std::vector<std::string>{"Time out"}));
    EXPECT_EQ(rig.output.sent.size(), 4u);
    EXPECT_EQ(ReadFile(Folder() / "CHPTAB.INI"), "old");
    EXPECT_FALSE(rig.link.Busy());
    // Silently: the same failure says nothing.
    rig.reporter.Clear();
    rig.output.loseNext = 4;
    EXPECT_FALSE(Fetch(5, false, false));
    EXPECT_TRUE(rig.reporter.Empty());
}

TEST_F(TableFetchTest, WrongCommandAndRefusedSends) {
    DeviceRig& rig = Rig("refuse-cn");
    EXPECT_FALSE(Fetch(0, true));
    EXPECT_EQ(rig.reporter.Texts(), (std::vector<std::string>{"Command error"}));
    rig.reporter.Clear();
    rig.output.refuse = true;
    EXPECT_FALSE(Fetch(0));
    EXPECT_EQ(rig.reporter.Texts(), (std::vector<std::string>{"Send long message failed"}));
    EXPECT_FALSE(rig.link.Busy());
}

TEST_F(TableFetchTest, ATargetThatCannotBeCreatedIsAlwaysReported) {
    DeviceRig& rig = Rig();
    EXPECT_FALSE(FetchInto(rig.home / "no" / "such" / "folder", 3, false, false));
    EXPECT_EQ(rig.reporter.Texts(), (std::vector<std::string>{"Create Arp preset file failed."}));
    EXPECT_FALSE(FetchInto(rig.home / "missing", 6, false, false));
    EXPECT_EQ(rig.reporter.Texts().back(), "Create default performance file failed.");
    EXPECT_TRUE(rig.output.sent.empty());
}

}  // namespace
}  // namespace veltrano
