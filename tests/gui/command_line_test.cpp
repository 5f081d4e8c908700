// Command lines and environment blocks for CreateProcessW.
#include "tools/uidriver/command_line.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <gtest/gtest.h>

#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

using WideList = std::vector<std::wstring>;

// How a started program's C runtime splits the command line again.
WideList ParseBack(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(commandLine.c_str(), &count);
  WideList parsed(words, words + count);
  LocalFree(words);
  return parsed;
}

TEST(QuoteArgumentTest, QuotesOnlyWhenNeeded) {
  EXPECT_EQ(QuoteArgument(L"plain"), L"plain");
  EXPECT_EQ(QuoteArgument(L"C:\\dir\\"), L"C:\\dir\\");  // no quote, so backslashes stay
  EXPECT_EQ(QuoteArgument(L""), L"\"\"");
  EXPECT_EQ(QuoteArgument(L"two words"), L"\"two words\"");
  EXPECT_EQ(QuoteArgument(L"tab\there"), L"\"tab\there\"");
}

TEST(QuoteArgumentTest, DoublesBackslashesOnlyBeforeQuotes) {
  EXPECT_EQ(QuoteArgument(L"say \"hi\""), L"\"say \\\"hi\\\"\"");
  EXPECT_EQ(QuoteArgument(L"C:\\Program Files\\"), L"\"C:\\Program Files\\\\\"");
  EXPECT_EQ(QuoteArgument(L"a\\\\\"b"), L"\"a\\\\\\\\\\\"b\"");
  EXPECT_EQ(QuoteArgument(L"a b\\c"), L"\"a b\\c\"");
}

TEST(BuildCommandLineTest, ArgumentsComeBackUnchanged) {
  const WideList arguments = {L"plain",
                              L"",
                              L"two words",
                              L"C:\\Program Files\\",
                              L"say \"hi\"",
                              L"\\\\server\\share",
                              L"end\\\\",
                              L"a\\\\\"b",
                              L"\x6E38\x620F 目录"};
  const WideList parsed =
      ParseBack(BuildCommandLine(L"C:\\Program Files\\Quenlo\\x.exe", arguments));
  ASSERT_EQ(parsed.size(), arguments.size() + 1);
  EXPECT_EQ(parsed[0], L"C:\\Program Files\\Quenlo\\x.exe");
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    EXPECT_EQ(parsed[i + 1], arguments[i]) << "argument " << i;
  }
}

TEST(EnvironmentBlockTest, OverridesReplaceWithoutRegardToCaseAndAdd) {
  const std::wstring block =
      BuildEnvironmentBlock({L"Path=C:\\windows", L"TEMP=C:\\temp"}, {L"PATH=D:\\bin", L"NEW=1"});
  EXPECT_EQ(SplitEnvironmentBlock(block.c_str()),
            (WideList{L"NEW=1", L"PATH=D:\\bin", L"TEMP=C:\\temp"}));
}

TEST(EnvironmentBlockTest, SortsByNameAndKeepsDriveFoldersFirst) {
  const std::wstring block =
      BuildEnvironmentBlock({L"b=2", L"=C:=C:\\work", L"A=1", L"a_b=3"}, {L"C=x=y"});
  EXPECT_EQ(SplitEnvironmentBlock(block.c_str()),
            (WideList{L"=C:=C:\\work", L"A=1", L"a_b=3", L"b=2", L"C=x=y"}));
}

TEST(EnvironmentBlockTest, EndsWithTwoNuls) {
  const std::wstring block = BuildEnvironmentBlock({L"A=1"}, {});
  EXPECT_EQ(block, std::wstring(L"A=1\0\0", 5));
  const std::wstring empty = BuildEnvironmentBlock({}, {});
  EXPECT_EQ(empty, std::wstring(L"\0\0", 2));
  EXPECT_TRUE(SplitEnvironmentBlock(empty.c_str()).empty());
}

TEST(EnvironmentBlockTest, RejectsSettingsWithoutName) {
  EXPECT_THROW(BuildEnvironmentBlock({}, {L"NOVALUE"}), DriverError);
  EXPECT_THROW(BuildEnvironmentBlock({}, {L"=C:=x"}), DriverError);
}

}  // namespace
}  // namespace quenlo::uidriver
