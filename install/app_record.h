// The application record: the install step that records the installation under
// HKEY_LOCAL_MACHINE "\Software\QuenloBoFang\", where start-up looks for an earlier one.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "install/session.h"
#include "platform/clock.h"
#include "platform/registry.h"

namespace quenlo {

// Where the application record of an installation lives.
inline constexpr platform::RegistryRoot kAppRecordRoot = platform::RegistryRoot::LocalMachine;
inline constexpr const char* kAppRecordKey = "\\Software\\QuenloBoFang\\";

// The "AppPath" of an earlier installation, or "" when there is none: the key cannot be opened
// (missing or access refused), the value is missing, empty or not a string.
std::string GetExistingAppPath(platform::Registry& registry);

// The record's six values, name and text, in the order they are written: "Company", "Writter",
// "eMail", "Version", "AppPath" (InstallDir as held), "AppName" (InstallDir with one trailing
// backslash, then "Quenlo播放.exe").
std::vector<std::pair<std::string, std::string>> AppRecordValues(const SetupSession& session);

// Opens the record's key, creating it when missing, and writes the six values (a value that
// cannot be written is skipped; when the key cannot be opened, none is written). Then, whatever
// happened, the step's status line and 100 ms.
void WriteAppRecord(SetupSession& session, platform::Clock& clock, platform::Registry& registry);

}  // namespace quenlo
