// JSON output of the driver: escaping, UTF-8 handling and the shape of objects and arrays.
#include "tools/uidriver/json.h"

#include <gtest/gtest.h>

namespace quenlo::uidriver {
namespace {

TEST(JsonQuoteTest, EscapesWhatJsonRequires) {
  EXPECT_EQ(JsonQuote("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(JsonQuote("line\nnext\r\ttab"), R"("line\nnext\r\ttab")");
  EXPECT_EQ(JsonQuote(std::string("\x01\x1f\b\f", 4)), R"("\u0001\u001f\b\f")");
  EXPECT_EQ(JsonQuote(std::string("nul\0end", 7)), R"("nul\u0000end")");
  EXPECT_EQ(JsonQuote("C:\\Program Files\\"), R"("C:\\Program Files\\")");
  EXPECT_EQ(JsonQuote("/ and \x7f stay"), "\"/ and \x7f stay\"");
}

TEST(JsonQuoteTest, KeepsValidUtf8AndReplacesInvalidBytes) {
  const std::string chinese = reinterpret_cast<const char*>(u8"提示信息");
  EXPECT_EQ(JsonQuote(chinese), "\"" + chinese + "\"");
  const std::string emoji = "\xF0\x9F\x98\x80";
  EXPECT_EQ(JsonQuote(emoji), "\"" + emoji + "\"");

  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(JsonQuote("\xC3"), "\"" + replacement + "\"");      // cut short at the end
  EXPECT_EQ(JsonQuote("\xC3(x"), "\"" + replacement + "(x\"");  // bad continuation
  EXPECT_EQ(JsonQuote("\xC0\x80"), "\"" + replacement + replacement + "\"");  // overlong
  EXPECT_EQ(JsonQuote("\xED\xA0\x80"),
            "\"" + replacement + replacement + replacement + "\"");  // surrogate
  EXPECT_EQ(JsonQuote("\xF4\x90\x80\x80"),
            "\"" + replacement + replacement + replacement + replacement + "\"");  // > U+10FFFF
  // GBK bytes that were never converted must not pass as UTF-8.
  EXPECT_EQ(JsonQuote("\xCC\xE1"), "\"" + replacement + replacement + "\"");
}

TEST(JsonTest, SerializesValuesOnOneLineInInsertionOrder) {
  Json object = Json::MakeObject();
  object.Set("ok", true).Set("line", 3).Set("z", Json()).Set("a", "text");
  object.Set("list", Json::MakeArray().Push(1).Push(false).Push(Json::MakeObject()));
  EXPECT_EQ(object.Serialize(), R"({"ok":true,"line":3,"z":null,"a":"text","list":[1,false,{}]})");
}

TEST(JsonTest, SetReplacesAnExistingMemberInPlace) {
  Json object = Json::MakeObject().Set("a", 1).Set("b", 2);
  object.Set("a", "again");
  EXPECT_EQ(object.Serialize(), R"({"a":"again","b":2})");
  ASSERT_NE(object.Find("b"), nullptr);
  EXPECT_EQ(object.Find("b")->Serialize(), "2");
  EXPECT_EQ(object.Find("c"), nullptr);
  EXPECT_EQ(Json(5).Find("a"), nullptr);
}

TEST(JsonTest, KeysAreEscapedAndNumbersKeepTheirSign) {
  Json object = Json::MakeObject().Set("say \"hi\"", -12).Set("big", 4000000000ull);
  EXPECT_EQ(object.Serialize(), R"({"say \"hi\"":-12,"big":4000000000})");
}

}  // namespace
}  // namespace quenlo::uidriver
