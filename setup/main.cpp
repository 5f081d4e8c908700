// QuenloSetup.exe: the program entry. It takes no arguments and reads no command line.
#include "platform/win32/backend.h"
#include "setup/startup.h"

int main() {
  const auto registry = quenlo::win32::MakeRegistry();
  const auto messageBoxes = quenlo::win32::MakeMessageBoxes();
  const auto application = quenlo::win32::MakeApplication();
  quenlo::RunStartup(quenlo::TheSession(), {*registry, *messageBoxes, *application});
  return 0;
}
