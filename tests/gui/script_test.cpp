// Script lines of quenlo-uidrive: splitting into words, and the command layer's checks that need
// no running program.
#include "tools/uidriver/script.h"

#include <gtest/gtest.h>

#include "tools/uidriver/commands.h"
#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

using Words = std::vector<std::string>;

TEST(SplitScriptLineTest, SplitsOnBlanksAndTabs) {
  EXPECT_EQ(SplitScriptLine("click  Next_Btn"), (Words{"click", "Next_Btn"}));
  EXPECT_EQ(SplitScriptLine("\tget\tStatus_L \r"), (Words{"get", "Status_L"}));
  EXPECT_TRUE(SplitScriptLine("").empty());
  EXPECT_TRUE(SplitScriptLine("   \t ").empty());
}

TEST(SplitScriptLineTest, CommentsAreWholeLinesOnly) {
  EXPECT_TRUE(SplitScriptLine("# start the setup").empty());
  EXPECT_TRUE(SplitScriptLine("   #indented").empty());
  EXPECT_EQ(SplitScriptLine("type Folder_E #1"), (Words{"type", "Folder_E", "#1"}));
}

TEST(SplitScriptLineTest, DoubleQuotesGroupBlanksAndKeepWindowsPaths) {
  EXPECT_EQ(SplitScriptLine(R"(type Folder_E "C:\Program Files\Quenlo")"),
            (Words{"type", "Folder_E", R"(C:\Program Files\Quenlo)"}));
  EXPECT_EQ(SplitScriptLine(R"(type Folder_E "D:\A\\")"), (Words{"type", "Folder_E", R"(D:\A\)"}));
  EXPECT_EQ(SplitScriptLine(R"(x "say \"hi\"")"), (Words{"x", R"(say "hi")"}));
  EXPECT_EQ(SplitScriptLine(R"(x "" y)"), (Words{"x", "", "y"}));
}

TEST(SplitScriptLineTest, SingleQuotesAreLiteral) {
  EXPECT_EQ(SplitScriptLine(R"(browse 'C:\Program Files\')"),
            (Words{"browse", R"(C:\Program Files\)"}));
  EXPECT_EQ(SplitScriptLine(R"(x 'a "b" \\')"), (Words{"x", R"(a "b" \\)"}));
  EXPECT_EQ(SplitScriptLine("x ''"), (Words{"x", ""}));
}

TEST(SplitScriptLineTest, AdjacentPartsFormOneWord) {
  EXPECT_EQ(SplitScriptLine(R"(a"b c"'d e'f g)"), (Words{"ab cd ef", "g"}));
}

TEST(SplitScriptLineTest, KeepsUtf8TextIntact) {
  const std::string text = reinterpret_cast<const char*>(u8"D:\\游戏 文件夹");
  EXPECT_EQ(SplitScriptLine("type Folder_E '" + text + "'"), (Words{"type", "Folder_E", text}));
}

TEST(SplitScriptLineTest, UnclosedQuotesAreErrorsThatSayWhere) {
  try {
    SplitScriptLine(R"(type Folder_E "C:\x)");
    FAIL() << "an unclosed quote was accepted";
  } catch (const DriverError& error) {
    EXPECT_STREQ(error.what(), "unclosed \" quote at column 15");
  }
  EXPECT_THROW(SplitScriptLine("x 'abc"), DriverError);
  EXPECT_THROW(SplitScriptLine(R"(x "a\")"), DriverError);  // the last quote is escaped
}

TEST(CommandRunnerTest, RejectsUnknownAndMalformedCommands) {
  CommandRunner runner;
  const auto errorOf = [&](const Words& words) -> std::string {
    try {
      runner.Run(words);
    } catch (const DriverError& error) {
      return error.what();
    }
    return "no error";
  };
  EXPECT_EQ(errorOf({"frobnicate"}), "unknown command frobnicate");
  EXPECT_EQ(errorOf({"click"}), "usage: click <name>");
  EXPECT_EQ(errorOf({"type", "Folder_E"}), "usage: type <name> <text>");
  EXPECT_EQ(errorOf({"check", "HomePage_CB", "maybe"}), "expected on or off, not maybe");
  EXPECT_EQ(errorOf({"answer", "Perhaps"}), "unknown answer Perhaps");
  EXPECT_EQ(errorOf({"sleep", "-5"}), "not a time in milliseconds: -5");
  EXPECT_EQ(errorOf({"wait-exit", "soon"}), "not a time in milliseconds: soon");
  EXPECT_EQ(errorOf({"env", "NOEQUALS"}), "usage: env NAME=value");
  EXPECT_EQ(errorOf({"env", "=C:"}), "usage: env NAME=value");
  EXPECT_EQ(errorOf({"windows", "some"}), "usage: windows [all]");
  EXPECT_EQ(errorOf({"wait-state", "Status_L", "colour", "red"}),
            "wait-state knows text, enabled, visible, checked and pos, not colour");
}

TEST(CommandRunnerTest, CommandsOnTheProgramNeedOneStarted) {
  CommandRunner runner;
  for (const Words& words : {Words{"click", "Next_Btn"}, Words{"wait-exit"}, Words{"windows"},
                             Words{"wait-box", "10"}, Words{"close"}}) {
    try {
      runner.Run(words);
      ADD_FAILURE() << words[0] << " ran without a program";
    } catch (const DriverError& error) {
      EXPECT_STREQ(error.what(), "no program has been started") << words[0];
    }
  }
}

}  // namespace
}  // namespace quenlo::uidriver
