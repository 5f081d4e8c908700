#include "uninstall/uninstall_exit.h"

#include "base/path.h"

namespace quenlo::uninstall {

UninstallCommandLine ParseUninstallArguments(const std::vector<std::string>& arguments) {
  UninstallCommandLine line;
  for (const std::string& argument : arguments) {
    if (EqualsIgnoringCase(argument, "/S")) {
      line.silent = true;
    } else if (argument == "/?") {
      line.help = true;
    } else {
      line.wrong = true;
    }
  }
  return line;
}

std::string UninstallUsageText() {
  return "UnInstall.exe [/S]\r\n"
         "\r\n"
         "/S\t静默卸载：不提问，不显示窗口\r\n"
         "/?\t显示本说明\r\n"
         "\r\n"
         "退出代码：0 卸载完成；3010 卸载完成，有些文件将在重新启动后删除；2 用户取消；"
         "3 卸载记录丢失或已损坏（未做任何更改）；1 命令行有误";
}

UninstallExitCode UninstallExitCodeOf(UninstallResult::Kind kind, bool leftForRestart) {
  switch (kind) {
    case UninstallResult::Kind::Declined:
      return kUninstallDeclined;
    case UninstallResult::Kind::NoRecord:
      return kUninstallNoRecord;
    case UninstallResult::Kind::Done:
      break;
  }
  return leftForRestart ? kUninstalledRestartNeeded : kUninstalled;
}

}  // namespace quenlo::uninstall
