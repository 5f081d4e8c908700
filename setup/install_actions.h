// What the setup does around the install sequence, on the main thread, the same for the wizard
// and for an install with no one at the window: the start-page task (and giving the start page
// back after an install that did not finish), the shortcuts, and at the end the uninstall record
// and entry, which these actions and the sequence fill in as they go.
#pragma once

#include <string>
#include <vector>

#include "install/browser_start_page.h"
#include "install/install_journal.h"
#include "install/uninstall_record.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace quenlo {

class InstallActions {
 public:
  InstallActions(platform::FileSystem& files, platform::Registry& registry, platform::Shell& shell)
      : files_(files), registry_(registry), shell_(shell) {}

  // Where the install sequence notes what it changes.
  uninstall::UninstallRecord& Record() { return record_; }
  // The install's journal: these actions and the install sequence announce their changes in it,
  // and RecordInstallation completes it.
  InstallJournal& Journal() { return journal_; }

  void SetStartPage(const std::string& address);
  void RestoreStartPage(const std::string& address);
  void CreateShortcuts(const std::string& installDir);
  // Writes the uninstall record and entry, then completes the install's journal;
  // `createdFolders` are the folders made before the sequence ran (outermost first). False when
  // the record or the entry could not be written.
  bool RecordInstallation(const std::vector<std::string>& createdFolders);

 private:
  platform::FileSystem& files_;
  platform::Registry& registry_;
  platform::Shell& shell_;
  uninstall::UninstallRecord record_;
  EarlierStartPage earlierStartPage_;
  InstallJournal journal_{registry_};
};

}  // namespace quenlo
