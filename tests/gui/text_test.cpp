// Conversions between the setup's GBK, UTF-16 and the UTF-8 of scripts and JSON.
#include "tools/uidriver/text.h"

#include <gtest/gtest.h>

#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Narrow literals of this file are GBK (the build's execution character set).
TEST(TextTest, GbkLiteralsConvertToUtf8AndBack) {
  EXPECT_EQ(GbkToUtf8("提示信息"), Utf8(u8"提示信息"));
  EXPECT_EQ(Utf8ToGbk(Utf8(u8"安装 Quenlo播放 v2.0 Tesmar版")), "安装 Quenlo播放 v2.0 Tesmar版");
  EXPECT_EQ(GbkToUtf8("plain ASCII"), "plain ASCII");
  EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(TextTest, ABackslashTrailByteIsPartOfItsCharacter) {
  const std::string gbk = "D:\\\x81\x5C\\";  // D:\乗\ with the trail byte 0x5C
  EXPECT_EQ(GbkToWide(gbk), L"D:\\\x4E57\\");
  EXPECT_EQ(GbkToUtf8(gbk), Utf8(u8"D:\\乗\\"));
  EXPECT_EQ(Utf8ToGbk(Utf8(u8"D:\\乗\\")), gbk);
}

TEST(TextTest, RejectsTextThatCannotBecomeGbk) {
  try {
    Utf8ToGbk("\xC3(");
    FAIL() << "invalid UTF-8 was accepted";
  } catch (const DriverError& error) {
    EXPECT_STREQ(error.what(), "text is not valid UTF-8");
  }
  try {
    Utf8ToGbk("\xF0\x9F\x98\x80");  // an emoji: no GBK encoding
    FAIL() << "a character without GBK encoding was accepted";
  } catch (const DriverError& error) {
    EXPECT_STREQ(error.what(), "text holds a character that GBK cannot encode");
  }
  EXPECT_FALSE(WideToGbk(L"\xD55C").has_value());        // a Hangul syllable
  EXPECT_FALSE(Utf8ToWide("\xED\xA0\x80").has_value());  // an encoded surrogate
}

}  // namespace
}  // namespace quenlo::uidriver
