#include "install/folders.h"

#include "base/path.h"

namespace quenlo {

std::vector<std::string> FoldersOnTheWay(const std::string& folder) {
  std::vector<std::string> folders;
  const std::string path = EnsureTrailingBackslash(folder);
  std::size_t position = 0;  // characters, counted from 1 as the candidates are defined
  for (std::size_t pos = 0; pos < path.size();) {
    const bool pair = GbkCharLength(path, pos) == 2;
    ++position;
    if (!pair && path[pos] == '\\' && position > 3) folders.push_back(path.substr(0, pos));
    pos += pair ? 2 : 1;
  }
  return folders;
}

std::vector<std::string> ForceFolders(platform::FileSystem& files, const std::string& folder) {
  std::vector<std::string> created;
  for (const std::string& candidate : FoldersOnTheWay(folder)) {
    if (!files.FolderExists(candidate) && files.CreateFolder(candidate)) {
      created.push_back(candidate);
    }
  }
  return created;
}

namespace {

constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

std::string CurrentVersionText(platform::Registry& registry, const char* name) {
  const auto key = registry.Open(platform::RegistryRoot::LocalMachine, kCurrentVersionKey,
                                 /*create=*/false);
  if (!key) return {};
  const platform::RegistryValue value = key->Read(name);
  return value.IsString() ? value.text : std::string();
}

}  // namespace

std::string GetProgramFilesDir(platform::Registry& registry) {
  return CurrentVersionText(registry, "ProgramFilesDir");
}

std::string GetCommonFilesDir(platform::Registry& registry) {
  return CurrentVersionText(registry, "CommonFilesDir");
}

bool IsInProgramFiles(platform::Registry& registry, const std::string& path) {
  for (const char* name : {"ProgramFilesDir", "ProgramW6432Dir"}) {
    if (IsInsideFolder(path, CurrentVersionText(registry, name))) return true;
  }
  return false;
}

std::string LinkedFolderOnTheWay(platform::FileSystem& files, const std::string& guardedFolder,
                                 const std::string& path) {
  if (!IsInsideFolder(path, guardedFolder)) return {};
  const std::size_t below = EnsureTrailingBackslash(guardedFolder).size();
  for (std::size_t pos = below; pos < path.size(); pos += GbkCharLength(path, pos)) {
    if (GbkCharLength(path, pos) != 1 || path[pos] != '\\') continue;
    const std::string folder = path.substr(0, pos);
    if (files.IsReparsePoint(folder)) return folder;
  }
  return {};
}

}  // namespace quenlo
