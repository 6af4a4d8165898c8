#include <gtest/gtest.h>

#include "device/peer/SimFaults.h"

namespace veltrano {
namespace {

TEST(FaultListTest, ReadsProbabilitiesSwitchesAndStatuses) {
    const auto parsed = ParseFaultList(
        " drop=0.05, corrupt=0.05,late=0.01 ,nak=1,late-ms=2500,refuse-connect,refuse-cn,"
        "ignore-cn,no-keepalive,status=upload:3,status=download:4,status=download-packet:2,"
        "status=delete:1,status=connect:1,status=disconnect:0,status=query:7");
    ASSERT_TRUE(parsed.Ok()) << parsed.error;
    const SimFaults& f = parsed.faults;
    EXPECT_DOUBLE_EQ(f.drop, 0.05);
    EXPECT_DOUBLE_EQ(f.corrupt, 0.05);
    EXPECT_DOUBLE_EQ(f.late, 0.01);
    EXPECT_DOUBLE_EQ(f.nak, 1.0);
    EXPECT_EQ(f.lateDelay, std::chrono::milliseconds(2500));
    EXPECT_TRUE(f.refuseConnect && f.refuseChinese && f.ignoreChinese && f.noKeepAlive);
    EXPECT_EQ(f.Forced(StatusPoint::Upload), 3);
    EXPECT_EQ(f.Forced(StatusPoint::DownloadHeader), 4);
    EXPECT_EQ(f.Forced(StatusPoint::DownloadPacket), 2);
    EXPECT_EQ(f.Forced(StatusPoint::Delete), 1);
    EXPECT_EQ(f.Forced(StatusPoint::Connect), 1);
    EXPECT_EQ(f.Forced(StatusPoint::Disconnect), 0);
    EXPECT_EQ(f.Forced(StatusPoint::Query), 7);

    // Written back and read again, the same faults.
    const auto again = ParseFaultList(FormatFaultList(f));
    ASSERT_TRUE(again.Ok()) << again.error;
    EXPECT_EQ(again.faults, f);
}

TEST(FaultListTest, EmptyTextMeansNoFaults) {
    for (const char* text : {"", " ", ",", " , ,"}) {
        const auto parsed = ParseFaultList(text);
        EXPECT_TRUE(parsed.Ok()) << text;
        EXPECT_FALSE(parsed.faults.Any()) << text;
    }
    EXPECT_EQ(FormatFaultList({}), "");
}

TEST(FaultListTest, PacketStatusesGiventoTheDownloadGoToThePackets) {
    for (const int status : {64, 65, 66}) {
        const auto parsed = ParseFaultList("status=download:" + std::to_string(status));
        ASSERT_TRUE(parsed.Ok());
        EXPECT_EQ(parsed.faults.Forced(StatusPoint::DownloadPacket), status);
        EXPECT_FALSE(parsed.faults.Forced(StatusPoint::DownloadHeader));
    }
    EXPECT_EQ(ParseFaultList("status=download:5").faults.Forced(StatusPoint::DownloadHeader), 5);
}

TEST(FaultListTest, Errors) {
    const struct {
        const char* text;
        const char* errorPart;
    } cases[] = {
        {"dorp=0.1", "unknown fault \"dorp\""},
        {"drop=1.5", "drop needs a probability"},
        {"drop=-0.1", "drop needs a probability"},
        {"corrupt=abc", "corrupt needs a probability"},
        {"late=0.1x", "late needs a probability"},
        {"nak=nan", "nak needs a probability"},
        {"drop", "drop needs a probability"},
        {"drop=", "drop needs a probability"},
        {"refuse-connect=1", "takes no value"},
        {"late-ms=-5", "late-ms"},
        {"late-ms=9999999", "late-ms"},
        {"status=upload", "POINT:N"},
        {"status=upload:", "status from 0 to 255"},
        {"status=upload:256", "status from 0 to 255"},
        {"status=uplaod:3", "POINT:N"},
        {"status", "POINT:N"},
        {"drop=0.1,bogus", "unknown fault \"bogus\""},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseFaultList(c.text);
        EXPECT_FALSE(parsed.Ok()) << c.text;
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos)
            << c.text << ": " << parsed.error;
        EXPECT_FALSE(parsed.faults.Any()) << c.text;
    }
}

}  // namespace
}  // namespace veltrano
