// Folders along a path: ForceFolders creates every missing one, outermost first;
// LinkedFolderOnTheWay finds one that is a link to another place.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace quenlo {

// "C:\Program Files\Player\Skin\" creates C:\Program Files, then C:\Program Files\Player, then
// C:\Program Files\Player\Skin, where they are missing. A drive root is never a candidate, and a
// folder that cannot be created is passed over in silence. Returns the folders it created, in
// order.
std::vector<std::string> ForceFolders(platform::FileSystem& files, const std::string& folder);
// The candidates ForceFolders looks at for `folder`, outermost first, whether they exist or not.
std::vector<std::string> FoldersOnTheWay(const std::string& folder);

// HKLM "Software\Microsoft\Windows\CurrentVersion" "ProgramFilesDir"; "" when unreadable.
std::string GetProgramFilesDir(platform::Registry& registry);
// The same key's "CommonFilesDir" (the Common Files folder in Program Files); "" when unreadable.
std::string GetCommonFilesDir(platform::Registry& registry);

// True when `path` lies in a Program Files folder of the system (the one of this program's kind,
// "ProgramFilesDir", or on 64-bit Windows the other, "ProgramW6432Dir"), whose access list lets
// only administrators change what is in it. What the install creates elsewhere it gives such a
// list itself (FileSystem::RestrictToAdministrators).
bool IsInProgramFiles(platform::Registry& registry, const std::string& path);

// The first folder below `guardedFolder` on the way to `path` (the folders holding it, not `path`
// itself) that is a reparse point: a junction, a symbolic link or a mount point, through which a
// change would land in another place. "" when there is none, or when `path` is not inside
// `guardedFolder` (or that is ""). Looked at afresh on every call.
std::string LinkedFolderOnTheWay(platform::FileSystem& files, const std::string& guardedFolder,
                                 const std::string& path);

}  // namespace quenlo
