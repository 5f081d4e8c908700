#include "install/codec_registration.h"

#include "payload/path.h"

namespace quenlo {
namespace {

constexpr const char* kRegisteringPrefix = "正在注册解码器:   ";
constexpr const char* kCodecsDone = "OK, Quenlo播放v2.0 Tesmar版 解码器注册完毕。";

constexpr unsigned kItemPauseMs = 2;
constexpr unsigned kPhasePauseMs = 100;

}  // namespace

bool IsCodecLibrary(const std::string& path) {
  if (path.find("Codec") == std::string::npos) return false;
  const std::string extension = ExtensionPart(path);
  return EqualsIgnoringCase(extension, ".ax") || EqualsIgnoringCase(extension, ".dll");
}

bool RegisterLibrary(platform::Libraries& libraries, const std::string& path, int registerFlag) {
  const char* entryPoint = registerFlag == 1 ? "DllRegisterServer" : "DllUnregisterServer";
  const platform::EntryPointOutcome outcome =
      libraries.CallEntryPoint(path, entryPoint, kRegistrationTimeLimitMs);
  return outcome.kind == platform::EntryPointOutcome::Kind::Returned && outcome.result >= 0;
}

void RegisterCodecs(SetupSession& session, platform::FileSystem& files,
                    platform::Libraries& libraries, const ExtractedFiles& extracted,
                    std::vector<std::string>* registered) {
  if (extracted.empty()) return;
  for (const std::string& path : extracted.paths()) {
    session.Status.StepProgress();  // for every entry, before it is examined
    if (!IsCodecLibrary(path) || !RegisterLibrary(libraries, path, 1)) continue;
    if (registered != nullptr) registered->push_back(path);
    session.Status.PublishStatus(kRegisteringPrefix + FileNamePart(path));
    files.Sleep(kItemPauseMs);
  }
  session.Status.PublishStatus(kCodecsDone);
  files.Sleep(kPhasePauseMs);
}

}  // namespace quenlo
