#include "setup/install_actions.h"

#include "install/install_sequence.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"
#include "wizard/long_texts.h"

namespace quenlo {

void InstallActions::SetStartPage(const std::string& address) {
  PrepareRecovery(files_, registry_, journal_);
  try {
    journal_.Append(AnnounceRegistryWrites(
        registry_,
        {{platform::RegistryRoot::CurrentUser, kStartPageKey, std::string(kStartPageValue)}}));
  } catch (const IoError&) {
    return;  // a start page the journal does not know is not set
  }
  earlierStartPage_ = SetBrowserStartPage(registry_, address);
}

void InstallActions::RestoreStartPage(const std::string& address) {
  RestoreBrowserStartPage(registry_, address, earlierStartPage_);
}

void InstallActions::CreateShortcuts(const std::string& installDir) {
  try {
    AnnounceShortcuts({files_, registry_, shell_}, journal_);
  } catch (const IoError&) {
    return;  // links the journal does not know are not made
  }
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
  const bool recorded =
      FinishUninstallRecord(files_, registry_, record_, GetDesktopDir(shell_), &journal_);
  CompleteInstall(files_, registry_, journal_);
  return recorded;
}

}  // namespace quenlo
