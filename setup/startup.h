// Start-up: find an earlier installation, ask whether to install over it, open the wizard.
#pragma once

#include <string>

#include "install/app_record.h"
#include "install/session.h"
#include "platform/application.h"
#include "platform/message_box.h"
#include "platform/registry.h"

namespace quenlo {

struct StartupPlatform {
  platform::Registry& registry;
  platform::MessageBoxes& messageBoxes;
  platform::Application& application;
};

// The program's start-up, in order: look up the earlier installation; if there is none,
// initialise the application, set its title and run the wizard; if there is one, ask first and
// run the wizard (keeping the default title) on Yes, or end without a window on No. False when
// the wizard did not run (the answer was No).
bool RunStartup(SetupSession& session, const StartupPlatform& platform);

}  // namespace quenlo
