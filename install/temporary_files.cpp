#include "install/temporary_files.h"

#include "base/path.h"
#include "install/status_lines.h"

namespace quenlo {
namespace {}  // namespace

bool IsTemporaryFile(const std::string& path, const std::string& systemRoot) {
  return EqualsIgnoringCase(EnsureTrailingBackslash(FolderPart(path)), systemRoot);
}

void RemoveTemporaryFiles(SetupSession& session, platform::FileSystem& files,
                          platform::Clock& clock, const ExtractedFiles& extracted) {
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  for (const std::string& path : extracted.paths()) {
    session.Status.StepProgress();
    if (IsTemporaryFile(path, systemRoot) && files.FileExists(path)) {
      session.Status.PublishStatus(kRemovingPrefix + FileNamePart(path) + kRemovingSuffix);
      files.RemoveFile(path);
    }
  }
  session.Status.PublishStatus(kRemovedLine);
  clock.Sleep(kPhasePauseMs);
  session.Status.PublishStatus(kSucceededLine);
  clock.Sleep(kPhasePauseMs);
}

void DeleteTemporaryFiles(platform::FileSystem& files, const ExtractedFiles& extracted) {
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  for (const std::string& path : extracted.paths()) {
    if (IsTemporaryFile(path, systemRoot)) files.RemoveFile(path);
  }
}

}  // namespace quenlo
