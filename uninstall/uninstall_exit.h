// UnInstall.exe's command line and exit codes, for deployment tools and package managers.
//
//   UnInstall.exe       asks first, and says at the end what it did
//   UnInstall.exe /S    no question, no notice, no window (letter case does not matter)
//   UnInstall.exe /?    the usage
#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "uninstall/undo.h"

namespace quenlo::uninstall {

enum UninstallExitCode : int {
  kUninstalled = 0,
  kUninstallUsage = 1,
  kUninstallDeclined = 2,
  kUninstallNoRecord = 3,            // the record is missing or damaged; nothing was changed
  kUninstalledRestartNeeded = 3010,  // done; some files go at the next restart
};

struct UninstallCommandLine {
  bool silent = false;
  bool help = false;
  bool wrong = false;
};

// The arguments after the program's name.
UninstallCommandLine ParseUninstallArguments(const std::vector<std::string>& arguments);

std::string UninstallUsageText();

// `leftForRestart`: files (the uninstaller's own among them) that go only at the next restart.
UninstallExitCode UninstallExitCodeOf(UninstallResult::Kind kind, bool leftForRestart);

// The answers of an uninstall with no one at the window: every question Yes, every notice taken
// as read, nothing shown.
class SilentAnswers final : public platform::MessageBoxes {
 public:
  int Show(const std::string&, const std::string&, unsigned flags) override {
    return flags == platform::kQuestionFlags ? platform::kAnswerYes : platform::kAnswerOk;
  }
};

}  // namespace quenlo::uninstall
