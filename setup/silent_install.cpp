#include "setup/silent_install.h"

#include "install/app_record.h"
#include "install/folders.h"
#include "install/install_journal.h"
#include "install/install_sequence.h"
#include "install/payload_check.h"
#include "wizard/folder_checks.h"
#include "wizard/long_texts.h"
#include "wizard/setup_main_form.h"

namespace quenlo {
namespace {

// The pauses are there for a reader of the status lines; with no window there is none.
class NoPauses final : public platform::Clock {
 public:
  void Sleep(unsigned) override {}
};

}  // namespace

ExitCode RunSilentInstall(SetupSession& session, const SetupCommandLine& line,
                          const SilentInstallPlatform& platform) {
  const auto note = [&platform](const std::string& text) {
    if (platform.log != nullptr) platform.log->Write(text);
  };
  platform::FileSystem& files = platform.files;
  session.ExistingAppPath = GetExistingAppPath(platform.registry);
  if (!session.ExistingAppPath.empty()) note("earlier installation: " + session.ExistingAppPath);
  const std::string folder = line.folder ? *line.folder
                             : !session.ExistingAppPath.empty()
                                 ? session.ExistingAppPath
                                 : wizard::DefaultFolder(session, platform.registry);
  note("folder: " + folder);
  if (!wizard::IsUsableFolder(files, session, folder, wizard::kRequiredSpaceMB)) {
    note("folder refused: not a valid folder, no such drive, or too little free space (" +
         std::to_string(static_cast<long long>(session.FreeSpaceMB)) + " MB free)");
    return kExitFolderRefused;
  }

  PayloadCheck check(files);
  const PayloadCheck::Verdict& verdict = check.Wait();
  if (!verdict.sound) {
    note("setup file damaged: " +
         DescribeFailure(InstallStep::CheckPayload, verdict.fault).message);
    return kExitDamagedSetup;
  }
  note("setup file sound: " + std::to_string(verdict.records) + " files, " +
       std::to_string(verdict.inflatedBytes) + " bytes");

  std::vector<std::string> createdFolders;
  if (!files.FolderExists(folder)) {
    // The folders made here are the install's first changes: announced like every other.
    InstallJournal& journal = platform.actions.Journal();
    PrepareRecovery(files, platform.registry, journal);
    std::vector<JournalEntry> missing;
    for (const std::string& on : FoldersOnTheWay(folder)) {
      if (!files.FolderExists(on)) missing.push_back(JournalEntry::Folder(on));
    }
    try {
      journal.Append(missing);
    } catch (const IoError& error) {
      note(std::string("install failed and was undone: ") + error.what());
      return kExitInstallFailed;
    }
    createdFolders = ForceFolders(files, folder);
    for (const std::string& made : createdFolders) journal.NoteOwnFolder(made);
    // Outside Program Files, only administrators may change what the setup creates.
    if (!IsInProgramFiles(platform.registry, folder)) {
      for (const std::string& made : createdFolders) files.RestrictToAdministrators(made);
    }
  }
  session.InstallDir = folder;
  if (!line.noStartPage) platform.actions.SetStartPage(wizard::kNavigationSiteAddress);

  NoPauses noPauses;
  const InstallPlatform install{files,
                                platform.registry,
                                platform.libraries,
                                noPauses,
                                &check,
                                &platform.actions.Record(),
                                &platform.actions.Journal(),
                                /*registerCodecsEarly=*/true};
  try {
    RunInstallSequence(session, install, folder);
  } catch (const InstallStepError& error) {
    const InstallFailure& failure = error.failure();
    if (!line.noStartPage) platform.actions.RestoreStartPage(wizard::kNavigationSiteAddress);
    for (auto made = createdFolders.rbegin(); made != createdFolders.rend(); ++made)
      files.RemoveFolder(*made);
    note(std::string("install failed") + (failure.undone ? " and was undone: " : ": ") +
         failure.message + (failure.file.empty() ? "" : " (" + failure.file + ")"));
    return ExitCodeOf(failure);
  } catch (const std::exception& error) {
    note(std::string("install failed: ") + error.what());
    return kExitInstallFailed;
  }
  platform.actions.CreateShortcuts(folder);
  if (!platform.actions.RecordInstallation(createdFolders))
    note("the uninstall record or entry could not be written");
  return kExitInstalled;
}

}  // namespace quenlo
