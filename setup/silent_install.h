// The install with no one at the window (/S): the wizard's decisions taken without it, and the
// install sequence run without its pauses, since there are no lines to show.
//
// An earlier installation is installed over (the question answered Yes). The folder is /D='s,
// else the earlier installation's, else the folder page's default; the folder page's checks
// still apply, and a folder that fails them ends the setup before anything changes. So does a
// damaged setup file: the whole payload is checked before the first folder is made. A missing
// folder is created (the question answered Yes), and so is installing into one that holds files.
// The start-page task is done unless /NOSTARTPAGE says not to. An install that fails is undone,
// and the start page and the folders made for it are given back.
#pragma once

#include "install/install_log.h"
#include "install/install_sequence.h"
#include "install/session.h"
#include "setup/command_line.h"
#include "setup/exit_code.h"
#include "setup/install_actions.h"

namespace quenlo {

struct SilentInstallPlatform {
  platform::FileSystem& files;
  platform::Registry& registry;
  platform::Libraries& libraries;
  InstallActions& actions;
  InstallLog* log = nullptr;  // none: nothing is logged
};

// Runs on the main thread, which must be able to create shell links (COM initialised), and
// returns the exit code.
ExitCode RunSilentInstall(SetupSession& session, const SetupCommandLine& line,
                          const SilentInstallPlatform& platform);

}  // namespace quenlo
