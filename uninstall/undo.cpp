#include "uninstall/undo.h"

#include <algorithm>
#include <map>

#include "base/path.h"
#include "install/app_record.h"
#include "install/browser_start_page.h"
#include "install/codec_registration.h"
#include "install/file_types.h"
#include "install/folders.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"
#include "install/uninstall_record_check.h"

namespace quenlo::uninstall {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;

// A key of this installation's: gone already, or its `value` names no other folder.
bool NamesThisInstallation(platform::Registry& registry, RegistryRoot root, const char* path,
                           const char* value, const std::string& installFolder) {
  const auto key = registry.Open(root, path, /*create=*/false);
  if (!key) return true;
  const RegistryValue folder = key->Read(value);
  return !folder.IsString() || folder.text.empty() || IsSameFolder(folder.text, installFolder);
}

void RemoveLinks(platform::FileSystem& files, const UninstallRecord& record) {
  // Shell links only: whatever else a line names is no link the install made.
  for (const std::string& link : record.links) {
    if (EqualsIgnoringCase(ExtensionPart(link), ".lnk") && files.FileExists(link)) {
      files.RemoveFile(link);
    }
  }
  // Only when empty: links the user put into the group stay, and so does the group.
  if (!record.programGroup.empty()) files.RemoveFolder(record.programGroup);
}

void GiveBackStartPage(platform::Registry& registry, const UninstallRecord& record) {
  if (!record.startPage) return;
  RestoreBrowserStartPage(registry, record.startPage->address,
                          EarlierStartPage{true, record.startPage->before});
}

void RemoveRecords(platform::Registry& registry, const std::string& installFolder) {
  if (NamesThisInstallation(registry, kAppRecordRoot, kAppRecordKey, "AppPath", installFolder)) {
    registry.DeleteKey(kAppRecordRoot, kAppRecordKey);
  }
  if (NamesThisInstallation(registry, kUninstallEntryRoot, kUninstallEntryKey, "InstallLocation",
                            installFolder)) {
    registry.DeleteKey(kUninstallEntryRoot, kUninstallEntryKey);
  }
}

// Deletes a file of the installation in `installFolder` now (exactly that file: nothing through a
// link made on the way a moment ago), or else at the next restart.
void Remove(platform::FileSystem& files, const std::string& installFolder, const std::string& path,
            UninstallResult& result) {
  if (files.RemoveFileExactly(path)) return;
  if (!LinkedFolderOnTheWay(files, installFolder, path).empty()) return;
  if (files.FileExists(path) && files.RemoveFileAtRestart(path)) {
    result.leftForRestart.push_back(path);
  }
}

// The folders the install created, innermost first, where they are empty. One holding a file
// that goes at the next restart goes then too, if empty by then; every one that stays is left for
// the caller, who tries again once the uninstaller itself is gone.
void RemoveFolders(platform::FileSystem& files, const UninstallRecord& record,
                   const std::string& installFolder, UninstallResult& result) {
  std::vector<std::string> folders = record.createdFolders;
  std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    return EnsureTrailingBackslash(a).size() > EnsureTrailingBackslash(b).size();
  });
  for (const std::string& folder : folders) {
    if (!LinkedFolderOnTheWay(files, installFolder, folder).empty())
      continue;  // not through a link
    if (!files.FolderExists(folder) || files.RemoveFolder(folder)) continue;
    const auto inside = [&folder](const std::string& path) { return IsInsideFolder(path, folder); };
    if (std::any_of(result.leftForRestart.begin(), result.leftForRestart.end(), inside) &&
        files.RemoveFileAtRestart(folder)) {
      result.leftForRestart.push_back(folder);
    }
    result.foldersLeft.push_back(folder);
  }
}

}  // namespace

void GiveBackExtension(platform::Registry& registry, const ExtensionBefore& before) {
  const std::string progId = ProgIdOf(before.extension);
  {
    const auto key = registry.Open(RegistryRoot::ClassesRoot, before.extension, /*create=*/false);
    if (!key) return;  // gone already
    const RegistryValue handler = key->Read("");
    if (!handler.IsString() || !EqualsIgnoringCase(handler.text, progId)) return;  // not ours
    if (before.state != ExtensionBefore::State::Absent) {
      const auto foreign = [&progId](const std::string& text) {
        return !text.empty() && !EqualsIgnoringCase(text, progId);
      };
      const RegistryValue backup = key->Read(kExtensionBackupValue);
      std::string earlier;
      if (before.state == ExtensionBefore::State::Handler && foreign(before.handler)) {
        earlier = before.handler;
      } else if (backup.IsString() && foreign(backup.text)) {
        earlier = backup.text;
      }
      if (earlier.empty() ? key->DeleteValue("") : key->WriteString("", earlier)) {
        key->DeleteValue(kExtensionBackupValue);
      }
      return;
    }
  }
  registry.DeleteKey(RegistryRoot::ClassesRoot, before.extension);  // the install made it
}

UninstallResult RunUninstall(const UninstallPlatform& platform, const std::string& installFolder,
                             const std::string& self) {
  UninstallResult result;
  platform::FileSystem& files = platform.files;
  const std::string recordPath = RecordPath(installFolder);
  UninstallRecord record;
  try {
    const std::string bytes = ReadRecordBytes(files, recordPath);
    if (!RecordIsBound(platform.registry, bytes)) {
      throw RecordError(RecordError::Kind::Damaged, "the record is not the installation's own");
    }
    record = DecodeRecord(bytes);
    if (const auto problem =
            RecordProblem(record, {installFolder, GetDesktopDir(platform.shell)})) {
      throw RecordError(RecordError::Kind::Damaged, *problem);
    }
  } catch (const RecordError& error) {
    result.kind = UninstallResult::Kind::NoRecord;
    platform.boxes.Show(
        error.kind() == RecordError::Kind::Missing ? kMissingNotice : kDamagedNotice, kCaption,
        platform::kNoticeFlags);
    return result;
  }
  if (platform.boxes.Show(kQuestion, kCaption, platform::kQuestionFlags) != platform::kAnswerYes) {
    return result;
  }
  result.kind = UninstallResult::Kind::Done;

  // Which installed files are still as installed; a file the user changed is theirs now, and so is
  // one behind a folder that has become a link to another place: nothing is done through a link.
  std::map<std::string, bool> unchanged;  // upper-cased path
  for (const InstalledFile& file : record.files) {
    if (IsSameFolder(file.path, self) || !files.FileExists(file.path)) continue;
    if (!LinkedFolderOnTheWay(files, installFolder, file.path).empty()) {
      unchanged[UpperCaseAscii(file.path)] = false;
      result.keptFiles.push_back(file.path);
      continue;
    }
    const std::optional<InstalledFile> now = MeasureFile(files, file.path);
    const bool same = now && now->size == file.size && now->adler32 == file.adler32;
    unchanged[UpperCaseAscii(file.path)] = same;
    if (!same) result.keptFiles.push_back(file.path);
  }
  const auto isUnchanged = [&unchanged](const std::string& path) {
    const auto found = unchanged.find(UpperCaseAscii(path));
    return found != unchanged.end() && found->second;
  };

  for (const std::string& codec : record.codecs) {
    if (isUnchanged(codec)) RegisterLibrary(platform.libraries, codec, 0);
  }
  for (const ExtensionBefore& type : record.extensions) {
    GiveBackExtension(platform.registry, type);
    platform.registry.DeleteKey(RegistryRoot::ClassesRoot, ProgIdOf(type.extension));
  }
  RemoveLinks(files, record);
  GiveBackStartPage(platform.registry, record);
  RemoveRecords(platform.registry, installFolder);
  for (const InstalledFile& file : record.files) {
    if (isUnchanged(file.path)) Remove(files, installFolder, file.path, result);
  }
  Remove(files, installFolder, recordPath, result);
  RemoveFolders(files, record, installFolder, result);

  platform.boxes.Show(DoneNotice(result, installFolder), kCaption, platform::kNoticeFlags);
  return result;
}

std::string DoneNotice(const UninstallResult& result, const std::string& installFolder) {
  std::string text = kDoneNotice;
  if (!result.keptFiles.empty()) text += "\r\n" + std::string(kKeptNotice) + installFolder;
  if (!result.leftForRestart.empty()) text += "\r\n" + std::string(kRestartNotice);
  return text;
}

}  // namespace quenlo::uninstall
