// UnInstall.exe: the uninstaller that the setup installs into the installation folder. It finds
// the uninstall record next to itself, asks, and gives back what the install changed
// (uninstall/undo.h). Its own file it cannot delete while it runs: a copy of it in the temporary
// folder deletes it once it has ended (platform/win32/self_removal.h); where that copy cannot be
// made or started, the file is deleted at the next restart instead. With /S it asks nothing and
// shows nothing; its exit code says how it ended (uninstall/uninstall_exit.h).
#include "base/path.h"
#include "platform/text_encoding.h"
#include "platform/win32/backend.h"
#include "platform/win32/process.h"
#include "platform/win32/self_removal.h"
#include "uninstall/undo.h"
#include "uninstall/uninstall_exit.h"

namespace {

int RunUninstaller(bool silent) {
  const auto files = quenlo::win32::MakeFileSystem();
  const auto registry = quenlo::win32::MakeRegistry();
  const auto libraries = quenlo::win32::MakeLibraries();
  const auto shownBoxes = quenlo::win32::MakeMessageBoxes();
  quenlo::uninstall::SilentAnswers silentAnswers;
  quenlo::platform::MessageBoxes& boxes =
      silent ? static_cast<quenlo::platform::MessageBoxes&>(silentAnswers) : *shownBoxes;
  const auto shell = quenlo::win32::MakeShell();
  const std::string self = files->ModulePath();
  const std::string installFolder = quenlo::FolderPart(self);
  // Started from a shortcut, the current folder is the installation folder, which must go.
  quenlo::win32::LeaveCurrentFolder();

  const quenlo::uninstall::UninstallResult result = quenlo::uninstall::RunUninstall(
      {*files, *registry, *libraries, boxes, *shell}, installFolder, self);
  bool leftForRestart = !result.leftForRestart.empty();
  if (result.kind == quenlo::uninstall::UninstallResult::Kind::Done &&
      !quenlo::win32::StartRemovalAfterExit(self, result.foldersLeft)) {
    files->RemoveFileAtRestart(self);
    for (const std::string& folder : result.foldersLeft) files->RemoveFileAtRestart(folder);
    leftForRestart = true;
  }
  return quenlo::uninstall::UninstallExitCodeOf(result.kind, leftForRestart);
}

}  // namespace

int main(int argc, char** argv) {
  quenlo::win32::PrepareProcess();
  // The arguments as GBK; one GBK cannot hold exactly comes as "".
  std::vector<std::string> arguments;
  for (const auto& word : quenlo::platform::NativeArguments(argc, argv)) {
    arguments.push_back(quenlo::platform::NativeNameToGbk(word).value_or(std::string()));
  }
  if (!arguments.empty() && arguments.front() == quenlo::win32::kFinishRemovalArgument) {
    quenlo::win32::EndProcess(quenlo::win32::FinishRemoval(arguments));
  }
  const quenlo::uninstall::UninstallCommandLine line =
      quenlo::uninstall::ParseUninstallArguments(arguments);
  if (line.wrong || line.help) {
    if (!line.silent) {
      quenlo::win32::MakeMessageBoxes()->Show(quenlo::uninstall::UninstallUsageText(),
                                              quenlo::uninstall::kCaption,
                                              quenlo::platform::kNoticeFlags);
    }
    quenlo::win32::EndProcess(line.wrong ? quenlo::uninstall::kUninstallUsage
                                         : quenlo::uninstall::kUninstalled);
  }
  quenlo::win32::EndProcess(RunUninstaller(line.silent));
}
