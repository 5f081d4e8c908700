// QuenloSetup.exe's command line, for installs with no one at the window (deployment tools,
// package managers) and for presetting the wizard. The switches follow the conventions such tools
// know; letter case does not matter, nor their order:
//
//   /S             silent: no window, no message box, no pauses
//   /D=FOLDER      the installation folder: the rest of the line, blanks included, no quotes
//                  needed (so it stands last)
//   /NOSTARTPAGE   the start-page task starts unticked (with /S: the start page is not touched)
//   /LOG=FILE      a UTF-8 log of the install
//   /?             the usage
//   /RECOVER       finish an install cut off half way, and nothing else: what the copy of the
//                  setup registered to run at the next start of Windows is started with
//                  (install/restart_recovery.h); not in the usage, no person types it
//
// The text is GBK, as everything inside the setup. No arguments at all: the wizard as always.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quenlo {

// The switches, as the usage and the package manifests write them.
inline constexpr const char* kSilentSwitch = "/S";
inline constexpr const char* kFolderSwitch = "/D=";
inline constexpr const char* kNoStartPageSwitch = "/NOSTARTPAGE";
inline constexpr const char* kLogSwitch = "/LOG=";
inline constexpr const char* kHelpSwitch = "/?";
inline constexpr const char* kRecoverSwitch = "/RECOVER";

struct SetupCommandLine {
  bool silent = false;
  bool noStartPage = false;
  bool help = false;
  bool recover = false;
  std::optional<std::string> folder;   // /D=
  std::optional<std::string> logFile;  // /LOG=
  // Why the line is wrong (the first fault found); empty when it is right. /S counts all the
  // same, so that a wrong line under /S still shows nothing.
  std::string error;
};

// The arguments of a whole command line as the system gives it: the program's name (quoted, or
// up to the first blank) and the blanks after it left off.
std::string_view ArgumentsPart(std::string_view commandLine);

// Reads the arguments (ArgumentsPart). A switch and its value may stand in double quotes
// ("/LOG=C:\a b\x.log" or /LOG="C:\a b\x.log"); the quotes are not part of the value. /D= takes
// everything after it, without the blanks at its end, and without the quotes when the whole
// folder is quoted. A flag given twice counts once; /LOG= given twice, an empty value, and
// anything that is no switch of the above make the line wrong.
SetupCommandLine ParseCommandLine(std::string_view arguments);

// The usage, as shown for /? and for a wrong command line: the switches and the exit codes.
std::string UsageText();

}  // namespace quenlo
