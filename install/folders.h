// ForceFolders: creates every missing folder along a folder path, outermost first.
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

}  // namespace quenlo
