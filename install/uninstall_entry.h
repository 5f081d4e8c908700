// What the install leaves for its uninstall: the uninstall record in the installation folder
// (install/uninstall_record.h) and the entry under which Windows lists the installed program,
// HKEY_LOCAL_MACHINE "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuenloBoFang".
//
// The install steps each note what they changed in one UninstallRecord as they go (the install
// sequence on the worker, the shortcuts and the start page on the main thread); once the
// shortcuts exist, the record is written and the entry registered.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "install/file_types.h"
#include "install/install_journal.h"
#include "install/shortcuts.h"
#include "install/uninstall_record.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace quenlo {

inline constexpr platform::RegistryRoot kUninstallEntryRoot = platform::RegistryRoot::LocalMachine;
inline constexpr const char* kUninstallEntryKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuenloBoFang";
inline constexpr const char* kUninstallerName = "UnInstall.exe";

// The entry's values in the order written: DisplayName, DisplayVersion, Publisher (the
// application record's company), InstallLocation, UninstallString (the uninstaller, quoted),
// QuietUninstallString (the same with " /S", for deployment tools),
// DisplayIcon (the player's icon), then the DWORDs EstimatedSize (the installed files in KiB,
// rounded up), NoModify and NoRepair (1), and last the record's digest (kRecordDigestValue of
// install/uninstall_record_check.h), which binds the record in the folder to this entry.
struct UninstallEntryValue {
  std::string name;
  std::optional<std::string> text;  // a string value; nothing: a DWORD
  std::uint32_t number = 0;
};
std::vector<UninstallEntryValue> UninstallEntryValues(const uninstall::UninstallRecord& record);

// Creates the entry and writes its values; false when the key could not be made or a value not
// written.
bool WriteUninstallEntry(platform::Registry& registry, const uninstall::UninstallRecord& record);

// An install over an earlier one finds, where that one changed something, its own traces: the
// player's ProgID as an extension's handler, its own address as the start page. What the earlier
// record says was there before is what the system is to get back, and so is kept; the folders
// the earlier install created stay created by the setup too.
void MergeEarlierRecord(uninstall::UninstallRecord& record,
                        const uninstall::UninstallRecord& earlier);

// At the install's end: merges the record already in the installation folder where it is the
// bound record of an earlier installation there (one found in the folder but not bound, planted
// by anyone who can write the folder, is ignored), writes the record (a temporary file, then
// replaced) and registers the uninstall entry with the record's digest. `desktopFolder` is the
// user's desktop, where the earlier install may have made a link. With a `journal`, the record
// and the entry's values are announced in it before they are written. False when the record or
// the entry could not be written. Never throws.
bool FinishUninstallRecord(platform::FileSystem& files, platform::Registry& registry,
                           uninstall::UninstallRecord record, const std::string& desktopFolder,
                           InstallJournal* journal = nullptr);

}  // namespace quenlo
