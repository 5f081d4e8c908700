// The demo player's reading of its command line.
#include "demo/player/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quenlo::demo {
namespace {

using Items = std::vector<std::string>;

TEST(SplitCommandLine, ReadsTheCommandsTheSetupRegisters) {
  const SplitLine split = SplitCommandLine(
      R"("C:\Program Files\Quenlo\QuenloMediaPlayer.exe" "/o" "D:\My Music\a b.mp3")");
  EXPECT_EQ(split.program, R"(C:\Program Files\Quenlo\QuenloMediaPlayer.exe)");
  EXPECT_EQ(split.rest, R"("/o" "D:\My Music\a b.mp3")");
  EXPECT_EQ(split.arguments, (Items{"/o", R"(D:\My Music\a b.mp3)"}));
}

TEST(SplitCommandLine, ProgramItemEndsAtItsQuoteOrBlankAndEscapesNothing) {
  EXPECT_EQ(SplitCommandLine(R"("C:\dir\\" x)").program, R"(C:\dir\\)");
  EXPECT_EQ(SplitCommandLine(R"("C:\dir\\" x)").arguments, (Items{"x"}));
  EXPECT_EQ(SplitCommandLine("player.exe\t /a  f").program, "player.exe");
  EXPECT_EQ(SplitCommandLine("player.exe\t /a  f").rest, "/a  f");
  EXPECT_EQ(SplitCommandLine("player.exe").arguments, Items{});
  EXPECT_EQ(SplitCommandLine("player.exe   ").rest, "");
}

TEST(SplitCommandLine, FollowsTheRuntimeRulesForBackslashesAndQuotes) {
  auto arguments = [](const char* tail) {
    return SplitCommandLine(std::string("p.exe ") + tail).arguments;
  };
  EXPECT_EQ(arguments(R"(a\\b c\d)"), (Items{R"(a\\b)", R"(c\d)"}));  // no quote: literal
  EXPECT_EQ(arguments(R"("a\\" b)"), (Items{R"(a\)", "b"}));          // 2n: n, quote closes
  EXPECT_EQ(arguments(R"("a\" b")"), (Items{R"(a" b)"}));             // 2n+1: n and a quote
  EXPECT_EQ(arguments(R"(a\\\"b)"), (Items{R"(a\"b)"}));
  EXPECT_EQ(arguments(R"("a ""b"" c")"), (Items{R"(a "b" c)"}));  // "" inside quotes
  EXPECT_EQ(arguments(R"(x"y z"w)"), (Items{"xy zw"}));           // quotes inside an item
  EXPECT_EQ(arguments(R"("")"), (Items{""}));                     // an empty item
}

TEST(SplitCommandLine, NeverTakesTheTrailByteOfAGbkCharacterForABackslash) {
  // 0xD5 0x5C is one GBK character whose second byte is the backslash; before a closing quote
  // it must not turn the quote into a literal one.
  const std::string folder = "C:\\\xD5\x5C";
  const SplitLine split = SplitCommandLine("p.exe \"" + folder + "\" next");
  EXPECT_EQ(split.arguments, (Items{folder, "next"}));
  // A lead byte before a byte that cannot be a trail byte is a character of its own.
  EXPECT_EQ(SplitCommandLine("p.exe \"\xD5\" x").arguments, (Items{"\xD5", "x"}));
}

TEST(ParseRequest, TellsOpenFromAddAndIgnoresTheSwitchCase) {
  EXPECT_EQ(ParseRequest({"/o", "a.mp3"}).action, PlayerAction::kOpenAndPlay);
  EXPECT_EQ(ParseRequest({"/O", "a.mp3"}).action, PlayerAction::kOpenAndPlay);
  EXPECT_EQ(ParseRequest({"/a", "a.mp3"}).action, PlayerAction::kAddToPlayList);
  EXPECT_EQ(ParseRequest({"/A", "a.mp3"}).files, Items{"a.mp3"});
  EXPECT_EQ(ParseRequest({"a.mp3", "b.mp3"}).action, PlayerAction::kOpenAndPlay);
  EXPECT_EQ(ParseRequest({"a.mp3", "b.mp3"}).files, (Items{"a.mp3", "b.mp3"}));
  EXPECT_EQ(ParseRequest({}).action, PlayerAction::kNone);
  const PlayerRequest unknown = ParseRequest({"/x", "a.mp3"});
  EXPECT_EQ(unknown.action, PlayerAction::kUnknownSwitch);
  EXPECT_EQ(unknown.switchText, "/x");
  EXPECT_EQ(ParseRequest({"/open", "a.mp3"}).action, PlayerAction::kUnknownSwitch);
}

TEST(DescribeRequest, NamesTheActionTheSwitchAndEveryFile) {
  const std::string open = DescribeRequest(ParseRequest({"/o", "D:\\a.mp3", "D:\\b.mp3"}));
  EXPECT_NE(open.find("打开并播放 (/o)"), std::string::npos) << open;
  EXPECT_NE(open.find("\r\n  D:\\a.mp3\r\n  D:\\b.mp3"), std::string::npos) << open;
  const std::string add = DescribeRequest(ParseRequest({"/a", "D:\\a.mp3"}));
  EXPECT_NE(add.find("添加到播放列表 (/a)"), std::string::npos) << add;
  EXPECT_NE(DescribeRequest(ParseRequest({"/a"})).find("没有指定文件"), std::string::npos);
  EXPECT_NE(DescribeRequest(ParseRequest({"/q"})).find("/q"), std::string::npos);
}

}  // namespace
}  // namespace quenlo::demo
