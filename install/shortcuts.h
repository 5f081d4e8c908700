// The shortcut step: when the install has finished, the wizard's main thread makes four shell
// links to the installed player, uninstaller and read-me file: three in the program group
// "Quenlo播放" of the user's Start-menu Programs folder and one on the desktop.
#pragma once

#include <string>
#include <vector>

#include "install/install_journal.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace quenlo {

struct ShortcutPlatform {
  platform::FileSystem& files;
  platform::Registry& registry;
  platform::Shell& shell;
};

// The program group's name, and the link name of the player in the group and on the desktop.
inline constexpr const char* kProgramGroupName = "Quenlo播放";
inline constexpr const char* kPlayerLinkName = "Quenlo播放.lnk";

// The names of the links made in the program group (the player's, the uninstaller's and the
// read-me's); on the desktop only the player's, kPlayerLinkName.
std::vector<std::string> GroupLinkNames();

// The links made, for the uninstall record.
struct ShortcutsMade {
  std::string programGroup;        // the group folder the links went into; "" when none
  std::vector<std::string> links;  // the link files saved, in order
};

// Makes the four links for the installation in `installDir`. A missing folder or target skips
// just that link; a shell-link service that cannot be used skips the links still to make. Never
// throws for either.
ShortcutsMade CreateShortcuts(const std::string& installDir, const ShortcutPlatform& platform);

// Announces in `journal` what CreateShortcuts is about to make: the program group's folders
// that are missing and each link. A link that is there already (an earlier install's) is moved
// aside under an announced name first, so that an undo puts it back; the install deletes it once
// complete. Throws IoError.
void AnnounceShortcuts(const ShortcutPlatform& platform, InstallJournal& journal);

// One link in `folder` to `target`, working in the target's folder. An empty `linkName` means
// LinkFileName(target). Nothing happens when the folder is not there as a folder or the target
// not as a file. Returns the link's path; "" when it was not made. Throws
// platform::ShellLinkUnavailable.
std::string CreateLink(const std::string& folder, const std::string& target,
                       const std::string& linkName, const ShortcutPlatform& platform);

// "C:\Q\UnInstall.exe" -> "UnInstall.lnk": the target's file name cut before its first dot.
std::string LinkFileName(const std::string& target);

// The user's desktop folder; "" when the shell cannot say.
std::string GetDesktopDir(platform::Shell& shell);

// The "Programs" value of the user's shell folders; "" when the key or the value is missing or
// the value is not a string.
std::string GetProgramsDir(platform::Registry& registry);

// The Programs folder that holds the group: the registry's "Programs" value, or, when that is
// missing, the shell's Programs folder; "" when neither is known.
std::string FindProgramsFolder(platform::Registry& registry, platform::Shell& shell);

// The program-group folder, ending in a backslash, created (one level) when missing. When the
// registry names no Programs folder, the shell's Programs folder is used; when neither is known,
// "" (no group).
std::string GetProgramGroupDir(const ShortcutPlatform& platform);

}  // namespace quenlo
