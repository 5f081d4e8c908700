// The Win32 implementations of the platform interfaces, for the setup program and the Wine
// tests. This header needs no <windows.h>: everything Win32 stays in platform/win32/*.cpp.
#pragma once

#include <memory>
#include <string>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/libraries.h"
#include "platform/log_file.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace quenlo::win32 {

std::unique_ptr<platform::FileSystem> MakeFileSystem();
std::unique_ptr<platform::Registry> MakeRegistry();
std::unique_ptr<platform::MessageBoxes> MakeMessageBoxes();
std::unique_ptr<platform::Application> MakeApplication();
std::unique_ptr<platform::Libraries> MakeLibraries();
// Whether a call of the Libraries above was given up at its time limit while it still ran: its
// thread may go on, and may hold locks, for the rest of the process.
bool LibraryCallAbandoned();
std::unique_ptr<platform::Shell> MakeShell();
std::unique_ptr<platform::Clock> MakeClock();
// The log file at `path` (GBK), created or emptied; nothing when it cannot be.
std::unique_ptr<platform::LogFile> OpenLogFile(const std::string& path);

}  // namespace quenlo::win32
