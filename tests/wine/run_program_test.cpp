// The Windows tools' child programs (quenlo-pack.exe signs through osslsigncode.exe): found on the
// search path, each argument handed over whole, the output and the exit status brought back.
#include "platform/run_program.h"

#include <gtest/gtest.h>

namespace quenlo::platform {
namespace {

TEST(RunProgramTest, RunsWaitsAndReportsWhatTheProgramDid) {
  const ProgramRun missing = RunProgram(L"quenlo-no-such-program", {L"x"});
  EXPECT_FALSE(missing.started);

  const ProgramRun failing = RunProgram(L"cmd", {L"/c", L"exit 3"});
  EXPECT_TRUE(failing.started);
  EXPECT_EQ(failing.exitCode, 3);

  const ProgramRun echoing = RunProgram(L"cmd", {L"/c", L"echo two words"});
  EXPECT_EQ(echoing.exitCode, 0);
  EXPECT_NE(echoing.output.find("two words"), std::string::npos) << echoing.output;
}

}  // namespace
}  // namespace quenlo::platform
