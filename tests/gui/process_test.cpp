// Starting programs: arguments, environment and working folder reach the program, exit codes
// come back, and failures say what went wrong. cmd.exe serves as the program.
#include "tools/uidriver/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/uidriver/driver.h"
#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

// Runs cmd.exe /c <words> and returns its exit code.
DWORD RunCmd(const std::vector<std::string>& words, const StartOptions& options = {}) {
  std::vector<std::string> arguments{"/c"};
  arguments.insert(arguments.end(), words.begin(), words.end());
  Process process;
  process.Start("cmd.exe", arguments, options);
  const auto code = process.WaitForExit(kDefaultTimeout);
  if (!code) throw DriverError("cmd.exe did not end");
  return *code;
}

TEST(ProcessTest, ReturnsTheExitCode) {
  EXPECT_EQ(RunCmd({"exit", "7"}), 7u);
  EXPECT_EQ(RunCmd({"exit", "0"}), 0u);
}

TEST(ProcessTest, SetsTheGivenEnvironmentVariables) {
  StartOptions options;
  options.environment = {"QUENLO_TEST_CODE=42"};
  EXPECT_EQ(RunCmd({"exit", "%QUENLO_TEST_CODE%"}, options), 42u);
}

TEST(ProcessTest, StartsInTheGivenWorkingFolder) {
  const auto folder = std::filesystem::temp_directory_path() / "quenlo-uidriver-workdir";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "marker.txt") << "here";
  StartOptions options;
  options.workingFolder = folder;
  EXPECT_EQ(RunCmd({"if", "exist", "marker.txt", "(exit", "3)", "else", "(exit", "4)"}, options),
            3u);
  EXPECT_EQ(RunCmd({"if", "exist", "marker.txt", "(exit", "3)", "else", "(exit", "4)"}), 4u);
  std::filesystem::remove_all(folder);
}

TEST(ProcessTest, AMissingProgramIsAnErrorNamingIt) {
  Process process;
  try {
    process.Start("Z:\\no\\such\\program.exe", {}, {});
    FAIL() << "a missing program was started";
  } catch (const DriverError& error) {
    EXPECT_NE(std::string(error.what()).find("cannot start Z:\\no\\such\\program.exe"),
              std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(process.Started());
}

TEST(DriverStartTest, WaitingForAWindowStopsWhenTheProgramEnds) {
  Driver driver;
  driver.Start("cmd.exe", {"/c", "exit", "5"});
  try {
    driver.WaitWindow("SetupMain_Form");
    FAIL() << "a window was found";
  } catch (const DriverError& error) {
    EXPECT_STREQ(error.what(),
                 "the program ended (exit code 5) while waiting for window \"SetupMain_Form\"");
  }
  EXPECT_EQ(driver.WaitExit(), 5u);
  EXPECT_TRUE(driver.WindowsEverShown().empty());
}

TEST(DriverStartTest, StartsOnlyOneProgram) {
  Driver driver;
  driver.Start("cmd.exe", {"/c", "exit", "0"});
  EXPECT_THROW(driver.Start("cmd.exe", {"/c", "exit", "0"}), DriverError);
  EXPECT_EQ(driver.WaitExit(), 0u);
}

}  // namespace
}  // namespace quenlo::uidriver
