#include "install/app_record.h"

#include <gtest/gtest.h>

#include "setup/startup.h"
#include "tests/unit/install/recording_registry.h"
#include "tests/unit/install/step_recorder.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;
using Pause = testing::StepPauses::Pause;

constexpr const char* kRecordLine = "OK，Quenlo播放v2.0 Tesmar版 系统信息注册成功!";

class AppRecordTest : public ::testing::Test {
 protected:
  AppRecordTest() {
    for (int i = 0; i < 5; ++i) session.Status.StepProgress();
  }
  SetupSession session;
  testing::StepPauses pauses{session};
  testing::FakeRegistry registry;
};

TEST_F(AppRecordTest, SixValuesInOrderThenTheLineAndAPause) {
  session.InstallDir = "D:\\播放器\\";  // AppPath keeps the backslash, AppName does not double it
  testing::RecordingRegistry recording(registry);
  WriteAppRecord(session, pauses, recording);
  const std::string key = "write \\Software\\QuenloBoFang\\ ";
  EXPECT_EQ(recording.log(), (std::vector<std::string>{
                                 "open \\Software\\QuenloBoFang\\",
                                 key + "[Company] Korvex",
                                 key + "[Writter] Lorvan",
                                 key + "[eMail] lorvan@quenlo.example",
                                 key + "[Version] 2.0",
                                 key + "[AppPath] D:\\播放器\\",
                                 key + "[AppName] D:\\播放器\\Quenlo播放.exe",
                             }));
  EXPECT_EQ(pauses.pauses(), (std::vector<Pause>{{100, kRecordLine, 5}}));
  EXPECT_EQ(registry.openKeys(), 0);
  EXPECT_EQ(GetExistingAppPath(registry), "D:\\播放器\\");
  session.InstallDir = "C:\\Quenlo";
  WriteAppRecord(session, pauses, registry);
  EXPECT_EQ(AppRecordValues(session).back().second, "C:\\Quenlo\\Quenlo播放.exe");
}

TEST_F(AppRecordTest, LineAndPauseEvenWhenNothingCanBeWritten) {
  session.InstallDir = "C:\\Quenlo";
  registry.DenyAccess(RegistryRoot::LocalMachine, "Software\\QuenloBoFang");
  WriteAppRecord(session, pauses, registry);
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, "Software\\QuenloBoFang"));
  testing::FakeRegistry readOnly;
  readOnly.FailWrites(true);
  WriteAppRecord(session, pauses, readOnly);
  EXPECT_FALSE(readOnly.Value(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath"));
  EXPECT_EQ(pauses.pauses(), (std::vector<Pause>{{100, kRecordLine, 5}, {100, kRecordLine, 5}}));
  EXPECT_EQ(readOnly.openKeys(), 0);
}

}  // namespace
}  // namespace quenlo
