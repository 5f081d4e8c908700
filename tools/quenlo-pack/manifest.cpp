#include "tools/quenlo-pack/manifest.h"

#include <vector>

#include "base/path.h"
#include "base/sha256.h"
#include "install/uninstall_entry.h"
#include "platform/text_encoding.h"
#include "setup/command_line.h"
#include "setup/exit_code.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/inspect.h"

namespace quenlo::packer {
namespace {

// The manifest is UTF-8; the program's texts are GBK.
std::string Utf8(const std::string& gbk) {
  const auto native = platform::GbkToNativeName(gbk);
  if (!native) return gbk;
  const std::u8string text = native->u8string();
  return std::string(text.begin(), text.end());
}

// A YAML scalar in double quotes.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string EntryValue(const char* name) {
  for (const UninstallEntryValue& value : UninstallEntryValues(uninstall::UninstallRecord{})) {
    if (value.name == name && value.text) return *value.text;
  }
  return {};
}

// What winget is to make of each exit code of the setup but 0.
struct ReturnCode {
  ExitCode code;
  const char* response;
};
constexpr ReturnCode kReturnCodes[] = {
    {kExitBadCommandLine, "invalidParameter"}, {kExitCancelled, "cancelledByUser"},
    {kExitDamagedSetup, "contactSupport"},     {kExitInstallFailed, "contactSupport"},
    {kExitFolderRefused, "diskFull"},
};

}  // namespace

std::string WingetInstallerManifest(const std::string& url, const std::string& sha256Hex) {
  const std::string key = kUninstallEntryKey;
  const std::string productCode = key.substr(key.rfind('\\') + 1);
  std::string yaml =
      "# The installer manifest of the Quenlo setup, written by: quenlo-pack manifest SETUP.exe "
      "--url URL\n"
      "PackageIdentifier: " +
      std::string(kWingetPackageIdentifier) + "\n" + "PackageVersion: \"" + kWingetPackageVersion +
      "\"\n" +
      "InstallerLocale: zh-CN\n"
      "InstallerType: exe\n"
      "Scope: machine\n"
      "ElevationRequirement: elevatesSelf\n"
      "InstallModes:\n"
      "- interactive\n"
      "- silent\n"
      "- silentWithProgress\n"
      "InstallerSwitches:\n" +
      "  Silent: " + kSilentSwitch + "\n" + "  SilentWithProgress: " + kSilentSwitch + "\n" +
      "  InstallLocation: " + Quoted(std::string(kFolderSwitch) + "<INSTALLPATH>") + "\n" +
      // Winget puts the path in as it is: in quotes, a log path with blanks stays one word.
      "  Log: '" + kLogSwitch + "\"<LOGPATH>\"'\n" + "ExpectedReturnCodes:\n";
  for (const ReturnCode& code : kReturnCodes) {
    yaml += "- InstallerReturnCode: " + std::to_string(static_cast<int>(code.code)) + "\n" +
            "  ReturnResponse: " + code.response + "\n";
  }
  yaml +=
      "UpgradeBehavior: install\n"
      "AppsAndFeaturesEntries:\n"
      "- DisplayName: " +
      Quoted(Utf8(EntryValue("DisplayName"))) + "\n" +
      "  Publisher: " + Quoted(Utf8(EntryValue("Publisher"))) + "\n" +
      "  DisplayVersion: " + Quoted(EntryValue("DisplayVersion")) + "\n" +
      "  ProductCode: " + productCode + "\n" + "  InstallerType: exe\n" + "Installers:\n" +
      "- Architecture: x86\n" + "  InstallerUrl: " + url + "\n" +
      "  InstallerSha256: " + sha256Hex + "\n" + "ManifestType: installer\n" +
      "ManifestVersion: 1.6.0\n";
  return yaml;
}

std::string FileSha256Hex(ByteSource& file) {
  std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
  if (!bytes.empty()) file.ReadAt(0, bytes.data(), bytes.size());
  return Sha256Hex(bytes);
}

void PrintWingetManifest(const std::filesystem::path& setup, const std::string& url,
                         std::ostream& out, std::ostream* progress) {
  PathSource source(setup);
  Verify(source, progress);
  out << WingetInstallerManifest(url, FileSha256Hex(source));
}

}  // namespace quenlo::packer
