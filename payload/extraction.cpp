#include "payload/extraction.h"

#include "payload/archive_reader.h"
#include "payload/change_journal.h"
#include "payload/folders.h"
#include "payload/path.h"
#include "payload/payload_check.h"
#include "payload/write_behind.h"

namespace quenlo {
namespace {

constexpr const char* kPreparingLine = "Quenlo播放v2.0 Tesmar版 正在装备安装，请稍候...";
constexpr const char* kExtractingPrefix = "正在解压缩:   ";
constexpr const char* kExtractedLine = "Quenlo播放v2.0 Tesmar版 解压缩完毕!";
constexpr const char* kRegisterNextLine = "Quenlo播放v2.0 Tesmar版 准备注册解码器，请稍候...";
constexpr const char* kPlayerFileName = "QuenloMediaPlayer.exe";
constexpr unsigned kPhasePauseMs = 100;
constexpr unsigned kItemPauseMs = 2;

bool IsSystemFolderName(const std::string& name) {
  return !name.starts_with("App") && name.starts_with("Exe");
}

// The records one by one: checked, their folders made, inflated into the writer, their lines
// published. Throws as ExtractPayload does.
void ExtractRecords(SetupSession& session, platform::FileSystem& files, payload::ByteSource& source,
                    const std::string& installRoot, const std::string& systemRoot,
                    WriteBehind& writer) {
  StatusChannel& status = session.Status;
  payload::ArchiveWalker walker(source);
  while (!walker.AtEnd()) {
    status.StepProgress();
    const payload::PayloadRecord record = *walker.Next();
    CheckRecordName(record);
    const std::string destination = MapRecordName(record.name, installRoot, systemRoot);
    ForceFolders(files, FolderPart(destination));

    // A system-folder file that exists already is kept: its record is only checked. Whether it
    // exists is asked once the files before it are in place.
    if (IsSystemFolderName(record.name)) writer.Drain();
    const bool write =
        !record.IsImage() && !(IsSystemFolderName(record.name) && files.FileExists(destination));
    if (write) {
      writer.BeginFile(destination);
      InflateRecordInto(source, record, writer);
      writer.CommitFile();
    } else if (!record.IsImage()) {
      payload::DiscardingSink discard;
      InflateRecordInto(source, record, discard);
    }

    status.PublishStatus(kExtractingPrefix + FileNamePart(record.name));
    if (EqualsIgnoringCase(FileNamePart(destination), kPlayerFileName)) {
      session.PlayerExePath = destination;
    }
    files.Sleep(kItemPauseMs);
  }
}

}  // namespace

std::string MapRecordName(const std::string& name, const std::string& installRoot,
                          const std::string& systemRoot) {
  if (name.starts_with("App")) return ReplaceAllIgnoringCase(name, "App\\", installRoot);
  if (name.starts_with("Exe")) return ReplaceAllIgnoringCase(name, "Exe\\", systemRoot);
  return name;
}

void ExtractPayload(SetupSession& session, platform::FileSystem& files,
                    const std::string& installDir, ExtractedFiles& extracted, bool* undone) {
  StatusChannel& status = session.Status;
  const std::string installRoot = EnsureTrailingBackslash(installDir);
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  status.ResetProgress();

  const std::string setupFile = files.ModulePath();
  if (!files.FileExists(setupFile)) return;
  status.PublishStatus(kPreparingLine);
  files.Sleep(kPhasePauseMs);

  ChangeJournal journal(files);
  std::exception_ptr failure;
  {
    WriteBehind writer(journal);
    try {
      ExtractRecords(session, journal, *files.OpenForReading(setupFile), installRoot, systemRoot,
                     writer);
    } catch (...) {
      failure = std::current_exception();
      writer.AbandonFile();  // a file broken off half way never reaches its place
    }
    // The writer has put every complete file handed over in its place before it is undone or
    // kept; an error it met first (at an earlier file) is the one reported.
    try {
      writer.Drain();
    } catch (...) {
      failure = std::current_exception();
    }
    if (!failure) {
      for (const std::string& written : writer.Committed()) extracted.Add(written);
    }
  }
  if (failure) {
    const bool complete = journal.RollBack();
    if (undone != nullptr) *undone = complete;
    std::rethrow_exception(failure);
  }
  journal.Keep();

  status.PublishStatus(kExtractedLine);
  files.Sleep(kPhasePauseMs);
  status.PublishStatus(kRegisterNextLine);
}

}  // namespace quenlo
