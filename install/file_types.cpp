#include "install/file_types.h"

#include <algorithm>
#include <cstdint>

#include "base/path.h"
#include "install/media_extensions.h"
#include "install/status_lines.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;

constexpr const char* kProgIdPrefix = "Quenlo";
constexpr const char* kDefaultValue = "";

constexpr const char* kOpenCaptionChinese = "使用“Quenlo播放”播放该文件";
constexpr const char* kOpenCaptionEnglish = "Use Quenlo Media player open";
constexpr const char* kPlayCaptionChinese = "添加该文件到“Quenlo播放”的播放列表";
constexpr const char* kPlayCaptionEnglish = "Add this file to Quenlo Media Player play list";

constexpr std::int32_t kChinese = 1;
constexpr std::int32_t kEnglish = 2;

// "\"<player>\" \"<switch>\" \"%1\"": the player, its switch and the file, each in quotes.
std::string PlayerCommand(const SetupSession& session, const char* playerSwitch) {
  return "\"" + session.PlayerExePath + "\" \"" + playerSwitch + "\" \"%1\"";
}

std::string CaptionFor(const SetupSession& session, const char* chinese, const char* english) {
  if (session.UseChinese == kChinese) return chinese;
  if (session.UseChinese == kEnglish) return english;
  return {};
}

// Opens `path` under HKEY_CLASSES_ROOT, creating it when missing, and writes `text` as its
// default value unless `text` is empty. A key that cannot be opened is skipped, and so is a
// value that cannot be written.
void WriteClassesKey(platform::Registry& registry, const std::string& path,
                     const std::string& text) {
  const auto key = registry.Open(RegistryRoot::ClassesRoot, path, /*create=*/true);
  if (key && !text.empty()) key->WriteString(kDefaultValue, text);
}

std::string IconText(const SetupSession& session) {
  return EnsureTrailingBackslash(session.InstallDir) + "Image\\" + "logo_s.ico, 0";
}

}  // namespace

std::string ProgIdOf(const std::string& extension) { return kProgIdPrefix + extension; }

std::optional<uninstall::ExtensionBefore> TakeOverExtension(const std::string& extension,
                                                            platform::Registry& registry) {
  // Opened first without creating it, so that the uninstall record knows whether it was there.
  auto key = registry.Open(RegistryRoot::ClassesRoot, extension, /*create=*/false);
  const bool existed = key != nullptr;
  if (!key) key = registry.Open(RegistryRoot::ClassesRoot, extension, /*create=*/true);
  if (!key) return std::nullopt;
  const RegistryValue handler = key->Read(kDefaultValue);
  const RegistryValue backup = key->Read(kExtensionBackupValue);
  // A value that is there but is no string can be neither judged nor kept: leave the key alone.
  if (handler.kind == RegistryValue::Kind::NotString ||
      backup.kind == RegistryValue::Kind::NotString) {
    return std::nullopt;
  }
  // The first foreign handler found is kept once, and before it is replaced: when the backup
  // cannot be written, the handler stays where it is rather than being lost. The player's own
  // ProgID (from an earlier install, or from the first of a doubled row) is no handler to give
  // back, so it is never taken as the backup.
  const std::string progId = ProgIdOf(extension);
  if (!handler.text.empty() && !EqualsIgnoringCase(handler.text, progId) && backup.text.empty() &&
      !key->WriteString(kExtensionBackupValue, handler.text)) {
    return std::nullopt;
  }
  if (!key->WriteString(kDefaultValue, progId)) return std::nullopt;
  using State = uninstall::ExtensionBefore::State;
  if (!existed) return uninstall::ExtensionBefore{extension, State::Absent, {}};
  if (handler.text.empty()) return uninstall::ExtensionBefore{extension, State::NoHandler, {}};
  return uninstall::ExtensionBefore{extension, State::Handler, handler.text};
}

namespace {

// The ProgID's keys in the order they are written, each with its default value ("": none).
std::vector<std::pair<std::string, std::string>> ProgIdKeys(const SetupSession& session,
                                                            const std::string& extension) {
  const std::string progId = ProgIdOf(extension);
  return {
      {progId + "\\DefaultIcon", IconText(session)},
      {progId + "\\Shell", {}},  // no default verb is named
      {progId + "\\Shell\\Open", CaptionFor(session, kOpenCaptionChinese, kOpenCaptionEnglish)},
      {progId + "\\Shell\\Open\\Command", PlayerCommand(session, "/o")},
      {progId + "\\Shell\\Play", CaptionFor(session, kPlayCaptionChinese, kPlayCaptionEnglish)},
      {progId + "\\Shell\\Play\\Command", PlayerCommand(session, "/a")},
  };
}

}  // namespace

void WriteProgIdKeys(const SetupSession& session, const std::string& extension,
                     platform::Registry& registry) {
  for (const auto& [path, text] : ProgIdKeys(session, extension)) {
    WriteClassesKey(registry, path, text);
  }
}

std::vector<RegistryWrite> FileTypeWrites(const SetupSession& session) {
  std::vector<RegistryWrite> writes;
  for (const std::string_view row : MediaExtensions()) {
    const std::string extension(row);
    writes.push_back({RegistryRoot::ClassesRoot, extension, kDefaultValue});
    writes.push_back({RegistryRoot::ClassesRoot, extension, kExtensionBackupValue});
    for (const auto& [path, text] : ProgIdKeys(session, extension)) {
      writes.push_back({RegistryRoot::ClassesRoot, path,
                        text.empty() ? std::nullopt : std::optional<std::string>(kDefaultValue)});
    }
  }
  return writes;
}

std::optional<uninstall::ExtensionBefore> AssociateExtension(const SetupSession& session,
                                                             const std::string& extension,
                                                             platform::Registry& registry) {
  std::optional<uninstall::ExtensionBefore> taken = TakeOverExtension(extension, registry);
  WriteProgIdKeys(session, extension, registry);
  return taken;
}

void RegisterFileTypes(SetupSession& session, platform::Clock& clock, platform::Registry& registry,
                       std::vector<uninstall::ExtensionBefore>* taken) {
  session.Status.PublishStatus(kRegisteringTypes);
  clock.Sleep(kPhasePauseMs);
  for (const std::string_view extension : MediaExtensions()) {
    session.Status.StepProgress();
    std::optional<uninstall::ExtensionBefore> found =
        AssociateExtension(session, std::string(extension), registry);
    const auto seen = [&](const uninstall::ExtensionBefore& other) {
      return EqualsIgnoringCase(other.extension, extension);
    };
    if (taken != nullptr && found && std::none_of(taken->begin(), taken->end(), seen)) {
      taken->push_back(std::move(*found));
    }
    clock.Sleep(kItemPauseMs);
  }
  session.Status.PublishStatus(kTypesDone);
  clock.Sleep(kPhasePauseMs);
}

}  // namespace quenlo
