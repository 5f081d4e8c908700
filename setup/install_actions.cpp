#include "setup/install_actions.h"

#include "install/shortcuts.h"
#include "install/uninstall_entry.h"
#include "wizard/long_texts.h"

namespace quenlo {

void InstallActions::SetStartPage(const std::string& address) {
  earlierStartPage_ = SetBrowserStartPage(registry_, address);
}

void InstallActions::RestoreStartPage(const std::string& address) {
  RestoreBrowserStartPage(registry_, address, earlierStartPage_);
}

void InstallActions::CreateShortcuts(const std::string& installDir) {
  const ShortcutsMade made = quenlo::CreateShortcuts(installDir, {files_, registry_, shell_});
  record_.links = made.links;
  record_.programGroup = made.programGroup;
}

bool InstallActions::RecordInstallation(const std::vector<std::string>& createdFolders) {
  if (earlierStartPage_.restorable) {
    record_.startPage =
        uninstall::StartPageChange{wizard::kNavigationSiteAddress, earlierStartPage_.address};
  }
  record_.createdFolders.insert(record_.createdFolders.begin(), createdFolders.begin(),
                                createdFolders.end());
  return FinishUninstallRecord(files_, registry_, record_, GetDesktopDir(shell_));
}

}  // namespace quenlo
