// Folders along a path: ForceFolders creates every missing one, outermost first;
// LinkedFolderOnTheWay finds one that is a link to another place.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quenlo {

// "C:\Program Files\Player\Skin\" creates C:\Program Files, then C:\Program Files\Player, then
// C:\Program Files\Player\Skin, where they are missing. A drive root is never a candidate, and a
// folder that cannot be created is passed over in silence. Returns the folders it created, in
// order.
std::vector<std::string> ForceFolders(platform::FileSystem& files, const std::string& folder);

// The first folder below `guardedFolder` on the way to `path` (the folders holding it, not `path`
// itself) that is a reparse point: a junction, a symbolic link or a mount point, through which a
// change would land in another place. "" when there is none, or when `path` is not inside
// `guardedFolder` (or that is ""). Looked at afresh on every call.
std::string LinkedFolderOnTheWay(platform::FileSystem& files, const std::string& guardedFolder,
                                 const std::string& path);

}  // namespace quenlo
