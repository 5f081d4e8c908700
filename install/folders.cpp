#include "install/folders.h"

#include "base/path.h"

namespace quenlo {

std::vector<std::string> ForceFolders(platform::FileSystem& files, const std::string& folder) {
  std::vector<std::string> created;
  const std::string path = EnsureTrailingBackslash(folder);
  std::size_t position = 0;  // characters, counted from 1 as the candidates are defined
  for (std::size_t pos = 0; pos < path.size();) {
    const bool pair = GbkCharLength(path, pos) == 2;
    ++position;
    if (!pair && path[pos] == '\\' && position > 3) {
      const std::string candidate = path.substr(0, pos);
      if (!files.FolderExists(candidate) && files.CreateFolder(candidate)) {
        created.push_back(candidate);
      }
    }
    pos += pair ? 2 : 1;
  }
  return created;
}

}  // namespace quenlo
