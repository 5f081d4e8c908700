#include "setup/command_line.h"

#include <gtest/gtest.h>

namespace quenlo {
namespace {

TEST(SetupCommandLine, ReadsEachSwitchInAnyCaseAndOrder) {
  struct Case {
    const char* arguments;
    bool silent;
    bool noStartPage;
    bool help;
    std::optional<std::string> folder;
    std::optional<std::string> logFile;
    bool wrong;
  };
  const Case cases[] = {
      {"", false, false, false, {}, {}, false},
      {"/S", true, false, false, {}, {}, false},
      {"/s /S", true, false, false, {}, {}, false},  // a flag twice counts once
      {"/nostartpage\t/S", true, true, false, {}, {}, false},
      {"/?", false, false, true, {}, {}, false},
      {"/LOG=C:\\setup.log /S", true, false, false, {}, "C:\\setup.log", false},
      {"/log=\"C:\\My Logs\\日志.log\"", false, false, false, {}, "C:\\My Logs\\日志.log", false},
      {"\"/LOG=C:\\My Logs\\a.log\" /S", true, false, false, {}, "C:\\My Logs\\a.log", false},
      // /D= takes the rest of the line: blanks, Chinese, even what looks like a switch.
      {"/S /D=C:\\Program Files\\Quenlo 播放\\",
       true,
       false,
       false,
       "C:\\Program Files\\Quenlo 播放\\",
       {},
       false},
      {"/d=D:\\新  文件夹  ", false, false, false, "D:\\新  文件夹", {}, false},
      {"/D=C:\\a /S", false, false, false, "C:\\a /S", {}, false},
      {"/D=\"C:\\a b\"", false, false, false, "C:\\a b", {}, false},
      {"\"/D=C:\\a b\" /S", true, false, false, "C:\\a b", {}, false},
      // Wrong lines; /S still counts, so a wrong line under /S shows nothing.
      {"/X", false, false, false, {}, {}, true},
      {"/X /S", true, false, false, {}, {}, true},
      {"S", false, false, false, {}, {}, true},
      {"/Silent", false, false, false, {}, {}, true},
      {"/D", false, false, false, {}, {}, true},
      {"/S /D=  ", true, false, false, "", {}, true},
      {"/LOG=", false, false, false, {}, "", true},
      {"/LOG=a.log /LOG=b.log", false, false, false, {}, "b.log", true},
  };
  for (const Case& c : cases) {
    const SetupCommandLine line = ParseCommandLine(c.arguments);
    EXPECT_EQ(line.silent, c.silent) << c.arguments;
    EXPECT_EQ(line.noStartPage, c.noStartPage) << c.arguments;
    EXPECT_EQ(line.help, c.help) << c.arguments;
    EXPECT_EQ(line.folder, c.folder) << c.arguments;
    EXPECT_EQ(line.logFile, c.logFile) << c.arguments;
    EXPECT_EQ(!line.error.empty(), c.wrong) << c.arguments << ": " << line.error;
  }
}

// The switch of the copy the system starts after a cut-off install, not in the usage.
TEST(SetupCommandLine, ReadsTheRecoverySwitch) {
  const SetupCommandLine line = ParseCommandLine("/recover");
  EXPECT_TRUE(line.recover);
  EXPECT_TRUE(line.error.empty());
}

TEST(SetupCommandLine, TheArgumentsStartAfterTheProgramName) {
  const struct {
    const char* commandLine;
    const char* arguments;
  } cases[] = {
      {"\"C:\\Program Files\\Quenlo Setup\\QuenloSetup.exe\" /S", "/S"},
      {"QuenloSetup.exe   /D=C:\\a b", "/D=C:\\a b"},
      {"\"C:\\x y\\QuenloSetup.exe\"/S /D=C:\\a", "/D=C:\\a"},  // as the system splits it
      {"QuenloSetup.exe", ""},
      {"\"C:\\unclosed /S", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ArgumentsPart(c.commandLine), c.arguments) << c.commandLine;
}

TEST(SetupCommandLine, TheUsageNamesEverySwitchAndExitCode) {
  const std::string usage = UsageText();
  for (const char* word :
       {"/S", "/D=", "/NOSTARTPAGE", "/LOG=", "/?", "0 ", "1 ", "2 ", "3 ", "4 ", "5 "}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace quenlo
