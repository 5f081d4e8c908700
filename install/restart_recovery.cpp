#include "install/restart_recovery.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "archive/archive_reader.h"
#include "base/path.h"
#include "install/folders.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;

// The image record of the setup file: where the program itself ends.
std::uint64_t ImageSize(ByteSource& source) {
  archive::ArchiveWalker walker(source);
  while (const std::optional<archive::PayloadRecord> record = walker.Next()) {
    if (record->IsImage()) return static_cast<std::uint64_t>(record->storedSize);
  }
  throw IoError("the setup file has no image record");
}

}  // namespace

std::string RecoveryProgramPath(platform::Registry& registry) {
  std::string common = GetCommonFilesDir(registry);
  if (common.empty()) {
    const std::string programFiles = GetProgramFilesDir(registry);
    if (programFiles.empty()) return {};
    common = EnsureTrailingBackslash(programFiles) + "Common Files";
  }
  return EnsureTrailingBackslash(common) + "QuenloSetup\\QuenloSetup.exe";
}

void PrepareRecoveryAtRestart(platform::FileSystem& files, platform::Registry& registry,
                              InstallJournal& journal, const std::string& setupFile) {
  const std::string program = RecoveryProgramPath(registry);
  if (program.empty()) throw IoError("the system names no Program Files folder");
  const std::string folder = FolderPart(program);
  const auto source = files.OpenForReading(setupFile);
  const std::uint64_t imageSize = ImageSize(*source);

  std::vector<JournalEntry> batch;
  std::vector<std::string> created;
  for (const std::string& on : FoldersOnTheWay(folder)) {
    if (!files.FolderExists(on)) {
      batch.push_back(JournalEntry::Folder(on));
      created.push_back(on);
    }
  }
  if (files.FileExists(program) && !files.RemoveFile(program)) {
    throw IoError("cannot replace " + program);  // a copy an earlier run could not remove
  }
  batch.push_back(JournalEntry::NewFile(program, program));
  std::vector<JournalEntry> entry = AnnounceRegistryWrites(
      registry, {{RegistryRoot::LocalMachine, kRunOnceKey, std::string(kRunOnceValue)}});
  batch.insert(batch.end(), entry.begin(), entry.end());
  journal.Append(batch);

  for (const std::string& on : created) {
    if (!files.CreateFolder(on)) throw IoError("cannot create " + on);
  }
  {
    const auto copy = files.CreateNewFile(program, /*durable=*/true);
    std::vector<unsigned char> buffer(64 * 1024);
    for (std::uint64_t at = 0; at < imageSize;) {
      const auto size =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), imageSize - at));
      source->ReadAt(at, buffer.data(), size);
      copy->Write(buffer.data(), size);
      at += size;
    }
    copy->Commit();
  }
  const auto key = registry.Open(RegistryRoot::LocalMachine, kRunOnceKey, /*create=*/true);
  if (!key || !key->WriteString(kRunOnceValue, "\"" + program + "\" " + kRecoverArgument) ||
      !key->Flush()) {
    throw IoError("cannot register the setup to run at the next start of Windows");
  }
}

void RemoveRecoveryAtRestart(platform::FileSystem& files, platform::Registry& registry) {
  try {
    if (const auto key = registry.Open(RegistryRoot::LocalMachine, kRunOnceKey, false)) {
      key->DeleteValue(kRunOnceValue);
    }
    const std::string program = RecoveryProgramPath(registry);
    if (program.empty()) return;
    if (files.FileExists(program) && !files.RemoveFile(program)) {
      files.RemoveFileAtRestart(program);  // the copy that runs this
      return;
    }
    if (files.FolderExists(FolderPart(program))) files.RemoveFolder(FolderPart(program));
  } catch (...) {  // what is left is litter, not a fault of the install
  }
}

}  // namespace quenlo
