#include "base/TextCodec.h"

#include <gtest/gtest.h>

#include "base/Text.h"

namespace veltrano {
namespace {

TEST(TextCodec, LegacyCodePagesRoundTrip) {
    const auto gbk = Utf8ToLegacy("中文音色", CodePage::Gbk);
    ASSERT_TRUE(gbk.has_value());
    EXPECT_EQ(*gbk, "\xD6\xD0\xCE\xC4\xD2\xF4\xC9\xAB");
    EXPECT_EQ(LegacyToUtf8(*gbk, CodePage::Gbk), "中文音色");
    EXPECT_EQ(LegacyToUtf8("Caf\xE9 \x80", CodePage::Windows1252), "Café €");
    EXPECT_FALSE(Utf8ToLegacy("中", CodePage::Windows1252).has_value());
    EXPECT_FALSE(LegacyToUtf8("\x81", CodePage::Windows1252).has_value());
    EXPECT_EQ(CodePageForLanguage(0), CodePage::Windows1252);
    EXPECT_EQ(CodePageForLanguage(1), CodePage::Gbk);
}

TEST(TextCodec, LenientDecodingAlwaysGivesUtf8) {
    EXPECT_EQ(ToUtf8Lenient("plain ASCII", CodePage::Gbk), "plain ASCII");
    EXPECT_EQ(ToUtf8Lenient("已是 UTF-8", CodePage::Windows1252), "已是 UTF-8");
    const std::string broken = ToUtf8Lenient("a\x81z\xD6", CodePage::Windows1252);
    EXPECT_TRUE(IsValidUtf8(broken));
    EXPECT_EQ(broken.front(), 'a');
    EXPECT_TRUE(IsValidUtf8(ToUtf8Lenient("\xD6\xD0\xFF\xFF\xCE", CodePage::Gbk)));
}

TEST(TextCodec, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8E\xB9"));   // a four-byte character
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));          // cut short
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

TEST(Text, HelpersForNamesAndNumbers) {
    EXPECT_TRUE(EqualsNoCase("LastDevice", "lastdevice"));
    EXPECT_FALSE(EqualsNoCase("Last", "Lasts"));
    EXPECT_EQ(TrimBlanks(" \t a b \r\n"), "a b");
    EXPECT_EQ(ParseLeadingInt(" -12x"), -12);
    EXPECT_EQ(ParseLeadingInt("x12"), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999"), 2147483647);
    EXPECT_EQ(ParseLeadingInt("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(SplitFields("a\t\tb", '\t').size(), 3u);
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "a\nb", "a\x7f"}) {
        EXPECT_FALSE(IsSafePathComponent(bad)) << bad;
    }
    EXPECT_TRUE(IsSafePathComponent("Arranger 61..Pro"));
}

}  // namespace
}  // namespace veltrano
