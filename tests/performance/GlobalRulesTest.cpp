// How the Global page shows and stores the metronome and the fade times.
#include <gtest/gtest.h>

#include "performance/GlobalRules.h"

namespace veltrano {
namespace {

namespace gr = global_rules;

TEST(GlobalRulesTest, TimeSignatureItemsAndStoredValuesOutsideThem) {
    const GlobalSection fresh;
    EXPECT_EQ(gr::ShownItem(fresh.numeratorItem, gr::kNumeratorItems), 3);
    EXPECT_EQ(gr::ShownItem(fresh.denominatorItem, gr::kDenominatorItems), 1);
    EXPECT_EQ(gr::DenominatorOfItem(1), 4);
    EXPECT_EQ(gr::DenominatorOfItem(3), 16);
    // A file's 0 or 200 shows the nearest item rather than an empty box.
    EXPECT_EQ(gr::ShownItem(0, gr::kNumeratorItems), 0);
    EXPECT_EQ(gr::ShownItem(200, gr::kDenominatorItems), gr::kDenominatorItems - 1);
}

TEST(GlobalRulesTest, TimeEditsCorrectWhatIsTyped) {
    EXPECT_EQ(gr::CorrectedTimeText("", gr::kMaxFadeTime), "0");
    EXPECT_EQ(gr::CorrectedTimeText("00", gr::kMaxFadeTime), "0");
    EXPECT_EQ(gr::CorrectedTimeText("25", gr::kMaxFadeTime), "20.0");
    EXPECT_EQ(gr::CorrectedTimeText("5.1", gr::kMaxHoldTime), "5.0");
    EXPECT_EQ(gr::CorrectedTimeText("-1", gr::kMaxHoldTime), "0.0");
    // Within the range, or not yet a number ("1."), the text stays as typed.
    EXPECT_EQ(gr::CorrectedTimeText("12.5", gr::kMaxFadeTime), std::nullopt);
    EXPECT_EQ(gr::CorrectedTimeText("1.", gr::kMaxFadeTime), std::nullopt);
    EXPECT_EQ(gr::CorrectedTimeText("x", gr::kMaxFadeTime), std::nullopt);
}

TEST(GlobalRulesTest, TimesAreStoredInTenthsTruncated) {
    EXPECT_EQ(gr::ParseTime("25", gr::kMaxFadeTime), 200);
    EXPECT_EQ(gr::ParseTime("1.25", gr::kMaxHoldTime), 12);
    EXPECT_EQ(gr::ParseTime("1.1", gr::kMaxHoldTime), 11);  // not 10 from 10.999...
    EXPECT_EQ(gr::ParseTime("0", gr::kMaxHoldTime), 0);
    EXPECT_EQ(gr::ParseTime("nan", gr::kMaxHoldTime), std::nullopt);
    EXPECT_EQ(gr::TimeText(200, gr::kMaxFadeTime), "20.0");
    EXPECT_EQ(gr::TimeText(12, gr::kMaxHoldTime), "1.2");
    // A file's hold time beyond the range shows the limit.
    EXPECT_EQ(gr::TimeText(255, gr::kMaxHoldTime), "5.0");
}

}  // namespace
}  // namespace veltrano
