#include "setup/startup.h"

namespace quenlo {
namespace {

constexpr const char* kApplicationTitle = "Quenlo播放安装程序";
constexpr const char* kOverwriteQuestion =
    "在这台计算机上已经安装了 Quenlo播放 ，你是否准备覆盖安装？";
constexpr const char* kMessageCaption = "提示信息";

}  // namespace

bool RunStartup(SetupSession& session, const StartupPlatform& platform) {
  session.ExistingAppPath = GetExistingAppPath(platform.registry);
  if (session.ExistingAppPath.empty()) {
    platform.application.Initialize();
    platform.application.SetTitle(kApplicationTitle);
    platform.application.RunMainWindow();
    return true;
  }
  const int answer =
      platform.messageBoxes.Show(kOverwriteQuestion, kMessageCaption, platform::kQuestionFlags);
  if (answer == platform::kAnswerYes) {
    platform.application.Initialize();
    platform.application.RunMainWindow();
    return true;
  }
  platform.application.Terminate();
  return false;
}

}  // namespace quenlo
