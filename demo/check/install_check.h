// What a finished demo installation must have left on the system, read back from the real files,
// registry and shell links: the main job prints it as its report, and the end-to-end tests hold
// the setup program to it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quenlo::demo {

// The two properties a setup link carries, and the ones it must leave unset.
struct LinkProperties {
  std::string target;
  std::string workingFolder;
  std::string arguments;
  std::string description;
  std::string iconLocation;
  unsigned hotkey = 0;
};

// A shell link read back through the shell-link object; nothing when the file is not a link.
// The calling thread must have initialised COM.
std::optional<LinkProperties> ReadLink(const std::string& linkPath);

// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE by the usual short names
// ("HKCR", "HKCU", "HKLM"); a string value (GBK) or nothing.
std::optional<std::string> ReadRegistryString(const std::string& root, const std::string& key,
                                              const std::string& value);

// The files that the system is to delete at its next start, as MoveFileEx records them in
// PendingFileRenameOperations: GBK, one entry per line ("?" for a character GBK lacks).
std::string PendingRestartDeletions();

// One line of the report: what was looked at, how much of it was as it must be.
struct CheckSection {
  std::string what;
  int expected = 0;
  int found = 0;
};

struct InstallReport {
  std::vector<CheckSection> sections;
  std::vector<std::string> problems;     // GBK, one line each
  std::optional<std::string> startPage;  // the browser start page as it is now

  bool Complete() const { return problems.empty(); }
};

struct InstallExpectation {
  std::filesystem::path payloadTree;  // the tree the setup file was packed from
  std::string installDir;             // the folder as typed on the folder page (GBK)
};

// Looks at everything the installation makes: the files of the payload tree byte for byte, no
// temporary system-folder file left, a registered class for every codec, the file types, the
// application record, the four links. The calling thread must have initialised COM.
InstallReport CheckInstallation(const InstallExpectation& expectation);

// The report as UTF-8 lines for a console or a log.
std::string FormatReport(const InstallReport& report);

// The links a finished installation has, in the order they are made: the group's three, then
// the desktop's one (GBK paths).
std::vector<std::string> ExpectedLinkPaths();

}  // namespace quenlo::demo
