#include "install/uninstall_entry.h"

#include "install/change_journal.h"

#include <algorithm>

#include "base/path.h"
#include "base/sha256.h"
#include "install/app_record.h"
#include "install/uninstall_record_check.h"

namespace quenlo {
namespace {

using uninstall::ExtensionBefore;

constexpr const char* kDisplayName = "Quenlo播放 v2.0 Tesmar版";
constexpr const char* kDisplayVersion = "2.0";

std::string Company() {
  for (const auto& [name, text] : AppRecordValues(SetupSession{})) {
    if (name == "Company") return text;
  }
  return {};
}

bool Contains(const std::vector<std::string>& paths, const std::string& path) {
  return std::any_of(paths.begin(), paths.end(),
                     [&](const std::string& other) { return EqualsIgnoringCase(other, path); });
}

}  // namespace

std::vector<UninstallEntryValue> UninstallEntryValues(const uninstall::UninstallRecord& record) {
  const std::string folder = EnsureTrailingBackslash(record.installFolder);
  std::uint64_t bytes = 0;
  for (const uninstall::InstalledFile& file : record.files) bytes += file.size;
  const std::uint64_t kib = (bytes + 1023) / 1024;
  return {
      {"DisplayName", kDisplayName},
      {"DisplayVersion", kDisplayVersion},
      {"Publisher", Company()},
      {"InstallLocation", folder},
      {"UninstallString", "\"" + folder + kUninstallerName + "\""},
      {"QuietUninstallString", "\"" + folder + kUninstallerName + "\" /S"},
      {"DisplayIcon", folder + "Image\\logo_s.ico"},
      {"EstimatedSize", std::nullopt,
       static_cast<std::uint32_t>(std::min<std::uint64_t>(kib, UINT32_MAX))},
      {"NoModify", std::nullopt, 1},
      {"NoRepair", std::nullopt, 1},
      {uninstall::kRecordDigestValue, Sha256Hex(uninstall::EncodeRecord(record))},
  };
}

bool WriteUninstallEntry(platform::Registry& registry, const uninstall::UninstallRecord& record) {
  const auto key = registry.Open(kUninstallEntryRoot, kUninstallEntryKey, /*create=*/true);
  if (!key) return false;
  bool written = true;
  for (const UninstallEntryValue& value : UninstallEntryValues(record)) {
    written &= value.text ? key->WriteString(value.name, *value.text)
                          : key->WriteDword(value.name, value.number);
  }
  return written;
}

void MergeEarlierRecord(uninstall::UninstallRecord& record,
                        const uninstall::UninstallRecord& earlier) {
  for (ExtensionBefore& type : record.extensions) {
    const bool ours = type.state == ExtensionBefore::State::Handler &&
                      EqualsIgnoringCase(type.handler, ProgIdOf(type.extension));
    if (!ours) continue;
    const auto before = std::find_if(earlier.extensions.begin(), earlier.extensions.end(),
                                     [&](const ExtensionBefore& other) {
                                       return EqualsIgnoringCase(other.extension, type.extension);
                                     });
    if (before != earlier.extensions.end()) type = *before;
  }
  if (record.startPage && earlier.startPage && record.startPage->before &&
      *record.startPage->before == earlier.startPage->address) {
    record.startPage->before = earlier.startPage->before;
  }
  std::vector<std::string> folders;
  for (const std::string& folder : earlier.createdFolders) {
    if (!Contains(folders, folder)) folders.push_back(folder);
  }
  for (const std::string& folder : record.createdFolders) {
    if (!Contains(folders, folder)) folders.push_back(folder);
  }
  record.createdFolders = std::move(folders);
}

bool FinishUninstallRecord(platform::FileSystem& files, platform::Registry& registry,
                           uninstall::UninstallRecord record, const std::string& desktopFolder,
                           InstallJournal* journal) {
  const std::string path = uninstall::RecordPath(record.installFolder);
  try {
    const std::string bytes = uninstall::ReadRecordBytes(files, path);
    if (uninstall::RecordIsBound(registry, bytes)) {
      const uninstall::UninstallRecord earlier = uninstall::DecodeRecord(bytes);
      if (!uninstall::RecordProblem(earlier, {record.installFolder, desktopFolder})) {
        MergeEarlierRecord(record, earlier);
      }
    }
  } catch (const uninstall::RecordError&) {
    // No earlier record, or none that can be trusted: this install's own notes stand alone.
  }
  bool written = true;
  try {
    if (journal == nullptr) {
      uninstall::WriteRecord(files, path, record);
    } else {
      // The record is written through a change journal, which announces it (and moves an earlier
      // one aside) first; the entry's values are announced with what they held.
      ChangeJournal announced(files, EnsureTrailingBackslash(record.installFolder), false, journal);
      uninstall::WriteRecord(announced, path, record);
    }
  } catch (const std::exception&) {
    written = false;
  }
  if (journal != nullptr) {
    std::vector<RegistryWrite> writes;
    for (const UninstallEntryValue& value : UninstallEntryValues(record)) {
      writes.push_back({kUninstallEntryRoot, kUninstallEntryKey, value.name});
    }
    try {
      journal->Append(AnnounceRegistryWrites(registry, writes));
    } catch (const IoError&) {
      return false;  // an entry the journal does not know is not written
    }
  }
  return WriteUninstallEntry(registry, record) && written;
}

}  // namespace quenlo
