#include "install/shortcuts.h"

#include "base/path.h"
#include "install/folders.h"

namespace quenlo {
namespace {

// The installed files the links lead to.
constexpr const char* kPlayerFile = "QuenloMediaPlayer.exe";
constexpr const char* kUninstallerFile = "UnInstall.exe";
constexpr const char* kReadmeFile = "Readme.txt";

constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

std::string LinkFileName(const std::string& target) {
  const std::string name = FileNamePart(target);
  // A dot is never the trail byte of a GBK character, so the first '.' byte is the first dot.
  return name.substr(0, name.find('.')) + ".lnk";
}

std::string GetDesktopDir(platform::Shell& shell) { return shell.DesktopFolder(); }

std::string GetProgramsDir(platform::Registry& registry) {
  const auto key = registry.Open(platform::RegistryRoot::CurrentUser, kShellFoldersKey,
                                 /*create=*/false);
  if (!key) return {};
  const platform::RegistryValue value = key->Read("Programs");
  return value.IsString() ? value.text : std::string();
}

std::string FindProgramsFolder(platform::Registry& registry, platform::Shell& shell) {
  const std::string programs = GetProgramsDir(registry);
  // Without the value the group would land in whatever the current folder is; the shell knows
  // the user's Programs folder too.
  return programs.empty() ? shell.ProgramsFolder() : programs;
}

// The program group's folder, with its trailing backslash; "" when no Programs folder is known.
std::string ProgramGroupPath(const ShortcutPlatform& platform) {
  const std::string programs = FindProgramsFolder(platform.registry, platform.shell);
  return programs.empty() ? std::string()
                          : EnsureTrailingBackslash(programs) + kProgramGroupName + "\\";
}

std::string GetProgramGroupDir(const ShortcutPlatform& platform) {
  const std::string group = ProgramGroupPath(platform);
  if (group.empty()) return {};
  // Not checked: CreateLink's folder test catches a group that could not be made.
  if (!platform.files.FolderExists(group)) platform.files.CreateFolder(group);
  return group;
}

std::string CreateLink(const std::string& folder, const std::string& target,
                       const std::string& linkName, const ShortcutPlatform& platform) {
  if (!platform.files.FolderExists(folder) || !platform.files.FileExists(target)) return {};
  const std::string linkPath =
      EnsureTrailingBackslash(folder) + (linkName.empty() ? LinkFileName(target) : linkName);
  platform.shell.SaveLink(linkPath, target, FolderPart(target));
  return platform.files.FileExists(linkPath) ? linkPath : std::string();
}

std::vector<std::string> GroupLinkNames() {
  return {kPlayerLinkName, LinkFileName(kUninstallerFile), LinkFileName(kReadmeFile)};
}

ShortcutsMade CreateShortcuts(const std::string& installDir, const ShortcutPlatform& platform) {
  const std::string folder = EnsureTrailingBackslash(installDir);
  const std::string player = folder + kPlayerFile;
  const std::string uninstaller = folder + kUninstallerFile;
  const std::string readme = folder + kReadmeFile;
  ShortcutsMade made;
  const auto note = [&made](std::string link) {
    if (!link.empty()) made.links.push_back(std::move(link));
  };
  try {
    const std::string desktop = GetDesktopDir(platform.shell);
    const std::string group = GetProgramGroupDir(platform);
    if (!group.empty()) {
      made.programGroup = group;
      note(CreateLink(group, player, kPlayerLinkName, platform));
      note(CreateLink(group, uninstaller, "", platform));
      note(CreateLink(group, readme, "", platform));
    }
    if (!desktop.empty() && platform.files.FolderExists(desktop)) {
      note(CreateLink(desktop, player, kPlayerLinkName, platform));
    }
  } catch (const platform::ShellLinkUnavailable&) {
    // No links can be made at all; the install itself is complete, so the finish goes on.
  }
  return made;
}

void AnnounceShortcuts(const ShortcutPlatform& platform, InstallJournal& journal) {
  std::vector<JournalEntry> batch;
  std::vector<std::string> links;
  const std::string group = ProgramGroupPath(platform);
  if (!group.empty()) {
    for (const std::string& folder : FoldersOnTheWay(group)) {
      if (!platform.files.FolderExists(folder)) batch.push_back(JournalEntry::Folder(folder));
    }
    for (const std::string& name : GroupLinkNames()) links.push_back(group + name);
  }
  const std::string desktop = GetDesktopDir(platform.shell);
  if (!desktop.empty()) links.push_back(EnsureTrailingBackslash(desktop) + kPlayerLinkName);

  std::vector<std::pair<std::string, std::string>> asides;  // an earlier link and where it goes
  for (const std::string& link : links) {
    if (!platform.files.FileExists(link)) {
      batch.push_back(JournalEntry::NewFile(link, link));
      continue;
    }
    std::string aside;
    for (int n = 1; aside.empty() || platform.files.FileExists(aside); ++n) {
      aside = link + ".~" + std::to_string(n) + ".old";
    }
    batch.push_back(JournalEntry::ReplacedFile(link, link, aside));
    asides.emplace_back(link, aside);
  }
  journal.Append(batch);
  for (const auto& [link, aside] : asides) platform.files.RenameFile(link, aside);
}

}  // namespace quenlo
