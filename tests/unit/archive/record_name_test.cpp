#include "archive/record_name.h"

#include <gtest/gtest.h>

namespace quenlo::archive {
namespace {

TEST(EscapeProblem, NamesThatWouldLeaveTheirRoot) {
  EXPECT_TRUE(EscapeProblem("App\\..\\..\\Windows\\evil.dll"));
  EXPECT_TRUE(EscapeProblem("App\\Skin\\.."));
  EXPECT_TRUE(EscapeProblem("\\Windows\\evil.dll"));
  EXPECT_TRUE(EscapeProblem("/etc/passwd"));
  EXPECT_TRUE(EscapeProblem("C:\\evil.dll"));
  EXPECT_TRUE(EscapeProblem("App\\x:stream"));
  EXPECT_TRUE(EscapeProblem("App\\../x"));
}

TEST(EscapeProblem, OrdinaryNamesAreSafe) {
  EXPECT_FALSE(EscapeProblem("App\\Codec\\Real\\Codecs\\cook.dll"));
  EXPECT_FALSE(EscapeProblem("App\\..hidden\\a..b"));
  EXPECT_FALSE(EscapeProblem("loose.txt"));
  // 0xB1 0x2F is no GBK character (trail bytes start at 0x40): the slash is a separator...
  EXPECT_TRUE(EscapeProblem("App\\\xB1/x"));
  // ...while the trail byte 0x5C of "誠" is no separator, so no ".." component appears here.
  EXPECT_FALSE(EscapeProblem("App\\誠..\\x"));
}

TEST(StorableNameProblem, OnlyNamesUnderTheTwoRoots) {
  EXPECT_FALSE(StorableNameProblem("App\\最终用户许可协议.txt"));
  EXPECT_FALSE(StorableNameProblem("Exe\\pngu3267.dll"));
  EXPECT_TRUE(StorableNameProblem(""));
  EXPECT_TRUE(StorableNameProblem("app\\lower.txt"));
  EXPECT_TRUE(StorableNameProblem("Apps\\x.txt"));
  EXPECT_TRUE(StorableNameProblem("App\\\\double.txt"));
  EXPECT_TRUE(StorableNameProblem("App\\.\\dot.txt"));
  EXPECT_TRUE(StorableNameProblem("App\\folder\\"));
  EXPECT_TRUE(StorableNameProblem("App\\" + std::string(252, 'n')));
  EXPECT_FALSE(StorableNameProblem("App\\" + std::string(251, 'n')));
}

}  // namespace
}  // namespace quenlo::archive
