#include "install/app_record.h"

#include "base/path.h"
#include "install/status_lines.h"

namespace quenlo {
namespace {

constexpr const char* kContactAddress = "lorvan@quenlo.example";

}  // namespace

std::string GetExistingAppPath(platform::Registry& registry) {
  const auto key = registry.Open(kAppRecordRoot, kAppRecordKey, /*create=*/false);
  if (!key) return {};
  const platform::RegistryValue value = key->Read("AppPath");
  return value.IsString() ? value.text : std::string();
}

std::vector<std::pair<std::string, std::string>> AppRecordValues(const SetupSession& session) {
  return {
      {"Company", "Korvex"},
      {"Writter", "Lorvan"},
      {"eMail", kContactAddress},
      {"Version", "2.0"},
      {"AppPath", session.InstallDir},
      {"AppName", EnsureTrailingBackslash(session.InstallDir) + "Quenlo播放" + ".exe"},
  };
}

void WriteAppRecord(SetupSession& session, platform::Clock& clock, platform::Registry& registry) {
  if (const auto key = registry.Open(kAppRecordRoot, kAppRecordKey, /*create=*/true)) {
    for (const auto& [name, text] : AppRecordValues(session)) key->WriteString(name, text);
  }
  session.Status.PublishStatus(kRecordWritten);
  clock.Sleep(kPhasePauseMs);
}

}  // namespace quenlo
