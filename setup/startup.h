// Start-up: find an earlier installation, ask whether to install over it, open the wizard.
#pragma once

#include <string>

#include "platform/application.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "setup/session.h"

namespace quenlo {

// Where the application record of an installation lives.
inline constexpr platform::RegistryRoot kAppRecordRoot = platform::RegistryRoot::LocalMachine;
inline constexpr const char* kAppRecordKey = "\\Software\\QuenloBoFang\\";

// The "AppPath" of an earlier installation, or "" when there is none: the key cannot be opened
// (missing or access refused), the value is missing, empty or not a string.
std::string GetExistingAppPath(platform::Registry& registry);

struct StartupPlatform {
  platform::Registry& registry;
  platform::MessageBoxes& messageBoxes;
  platform::Application& application;
};

// The program's start-up, in order: look up the earlier installation; if there is none,
// initialise the application, set its title and run the wizard; if there is one, ask first and
// run the wizard (keeping the default title) on Yes, or end without a window on No.
void RunStartup(SetupSession& session, const StartupPlatform& platform);

}  // namespace quenlo
