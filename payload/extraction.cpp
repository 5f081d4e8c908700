#include "payload/extraction.h"

#include "payload/archive_reader.h"
#include "payload/folders.h"
#include "payload/path.h"
#include "payload/record_name.h"
#include "payload/record_stream.h"
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

// Inflates the record into `sink`, or ends the pass.
void Inflate(payload::ByteSource& source, const payload::PayloadRecord& record,
             payload::ByteSink& sink) {
  std::string reason;
  if (payload::InflateRecord(source, record.dataOffset,
                             static_cast<std::uint64_t>(record.storedSize), sink, &reason) < 0) {
    throw payload::ArchiveError(record.Describe() + ": the stored data does not inflate: " + reason,
                                record.dataOffset);
  }
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
    if (!record.IsImage()) {
      if (const auto problem = payload::EscapeProblem(record.name)) {
        throw payload::ArchiveError(
            record.Describe() + ": the name would leave its folder: " + *problem,
            record.headerOffset);
      }
    }
    const std::string destination = MapRecordName(record.name, installRoot, systemRoot);
    ForceFolders(files, FolderPart(destination));

    // A system-folder file that exists already is kept: its record is only checked. Whether it
    // exists is asked once the files before it are in place.
    if (IsSystemFolderName(record.name)) writer.Drain();
    const bool write =
        !record.IsImage() && !(IsSystemFolderName(record.name) && files.FileExists(destination));
    if (write) {
      writer.BeginFile(destination);
      Inflate(source, record, writer);
      writer.CommitFile();
    } else if (!record.IsImage()) {
      payload::DiscardingSink discard;
      Inflate(source, record, discard);
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
                    const std::string& installDir, ExtractedFiles& extracted) {
  StatusChannel& status = session.Status;
  const std::string installRoot = EnsureTrailingBackslash(installDir);
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  status.ResetProgress();

  const std::string setupFile = files.ModulePath();
  if (!files.FileExists(setupFile)) return;
  status.PublishStatus(kPreparingLine);
  files.Sleep(kPhasePauseMs);

  const auto source = files.OpenForReading(setupFile);
  WriteBehind writer(files);
  std::exception_ptr failure;
  try {
    ExtractRecords(session, files, *source, installRoot, systemRoot, writer);
  } catch (...) {
    failure = std::current_exception();
    writer.AbandonFile();  // a file broken off half way never reaches its place
  }
  // Every complete file handed over reaches its place before the pass ends, also when it ends by
  // an error; an error the writer met first (an earlier file) is the one reported.
  try {
    writer.Drain();
  } catch (...) {
    failure = std::current_exception();
  }
  for (const std::string& written : writer.Committed()) extracted.Add(written);
  if (failure) std::rethrow_exception(failure);

  status.PublishStatus(kExtractedLine);
  files.Sleep(kPhasePauseMs);
  status.PublishStatus(kRegisterNextLine);
}

}  // namespace quenlo
