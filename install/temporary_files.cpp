#include "install/temporary_files.h"

#include "base/path.h"

namespace quenlo {
namespace {

constexpr const char* kRemovingPrefix = "正在删除临时文件";
constexpr const char* kRemovingSuffix = "，请稍候...";
constexpr const char* kRemovedLine = "OK，临时文件删除成功!";
constexpr const char* kSucceededLine = "OK，Quenlo播放v2.0 Tesmar版 安装成功!";
constexpr unsigned kPhasePauseMs = 100;

// A file the extraction wrote directly into the system folder.
bool IsTemporary(const std::string& path, const std::string& systemRoot) {
  return EqualsIgnoringCase(EnsureTrailingBackslash(FolderPart(path)), systemRoot);
}

}  // namespace

void RemoveTemporaryFiles(SetupSession& session, platform::FileSystem& files,
                          const ExtractedFiles& extracted) {
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  for (const std::string& path : extracted.paths()) {
    session.Status.StepProgress();
    if (IsTemporary(path, systemRoot) && files.FileExists(path)) {
      session.Status.PublishStatus(kRemovingPrefix + FileNamePart(path) + kRemovingSuffix);
      files.RemoveFile(path);
    }
  }
  session.Status.PublishStatus(kRemovedLine);
  files.Sleep(kPhasePauseMs);
  session.Status.PublishStatus(kSucceededLine);
  files.Sleep(kPhasePauseMs);
}

void DeleteTemporaryFiles(platform::FileSystem& files, const ExtractedFiles& extracted) {
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  for (const std::string& path : extracted.paths()) {
    if (IsTemporary(path, systemRoot)) files.RemoveFile(path);
  }
}

}  // namespace quenlo
