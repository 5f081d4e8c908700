// Text at the system boundary: GBK to UTF-16 and back with code page 936, whatever the system's
// own code page is.
#include "platform/win32/wide_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quenlo::win32 {
namespace {

struct RoundTrip {
  const char* gbk;
  const wchar_t* wide;
};

TEST(WideTextTest, GbkAndUtf16ConvertBothWaysExactly) {
  const RoundTrip cases[] = {
      {"", L""},
      {"Quenlo\xB2\xA5\xB7\xC5.exe", L"Quenlo\u64AD\u653E.exe"},  // Quenlo播放.exe
      // 誠 and 錦 end in the byte 0x5C, which is no backslash here.
      {"C:\\\xD5\x5C\\\xE5\x5C\\", L"C:\\\u8AA0\\\u9326\\"},
      {"\xA1\xA2\xA3\xAC", L"\u3001\uFF0C"},  // full-width punctuation
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.gbk);
    EXPECT_EQ(Wide(c.gbk), c.wide);
    EXPECT_EQ(WideExact(c.gbk), std::optional<std::wstring>(c.wide));
    EXPECT_EQ(WidePath(c.gbk), c.wide);
    EXPECT_EQ(GbkExact(c.wide), std::optional<std::string>(c.gbk));
    EXPECT_EQ(GbkLossy(c.wide), c.gbk);
  }
}

TEST(WideTextTest, TextGbkCannotHoldIsRefusedOrShownAsAnInvalidNameCharacter) {
  struct Case {
    const wchar_t* wide;
    const char* lossy;
  };
  const Case cases[] = {
      {L"C:\\\u0151\\", "C:\\?\\"},            // a Hungarian letter
      {L"D:\\\uD55C\u64AD", "D:\\?\xB2\xA5"},  // a Korean syllable before 播
      {L"\xD800x", "?x"},                      // a lone surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lossy);
    EXPECT_EQ(GbkExact(c.wide), std::nullopt);
    EXPECT_EQ(GbkLossy(c.wide), c.lossy);
  }
  // Bytes that are no GBK text: a lone lead byte at the end.
  EXPECT_EQ(WideExact("C:\\\xB2"), std::nullopt);
  EXPECT_NE(WidePath("C:\\\xB2").find(L'|'), std::wstring::npos);
  EXPECT_FALSE(Wide("C:\\\xB2").empty());
}

}  // namespace
}  // namespace quenlo::win32
