// The application record: the install step that records the installation under
// HKEY_LOCAL_MACHINE "\Software\QuenloBoFang\", where start-up looks for an earlier one.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "setup/session.h"

namespace quenlo {

// The record's six values, name and text, in the order they are written: "Company", "Writter",
// "eMail", "Version", "AppPath" (InstallDir as held), "AppName" (InstallDir with one trailing
// backslash, then "Quenlo播放.exe").
std::vector<std::pair<std::string, std::string>> AppRecordValues(const SetupSession& session);

// Opens the record's key, creating it when missing, and writes the six values (a value that
// cannot be written is skipped; when the key cannot be opened, none is written). Then, whatever
// happened, the step's status line and 100 ms.
void WriteAppRecord(SetupSession& session, platform::FileSystem& files,
                    platform::Registry& registry);

}  // namespace quenlo
