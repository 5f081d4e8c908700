// QuenloSetup.exe: the program entry. It takes no arguments and reads no command line.
#include <memory>

#include "install/install_sequence.h"
#include "platform/win32/backend.h"
#include "platform/win32/ui_backend.h"
#include "setup/startup.h"
#include "wizard/setup_main_form.h"

int main() {
  quenlo::SetupSession& session = quenlo::TheSession();
  // The install worker uses these until it ends; they live as long as the program.
  const auto files = quenlo::win32::MakeFileSystem();
  const auto registry = quenlo::win32::MakeRegistry();
  const auto libraries = quenlo::win32::MakeLibraries();
  const auto messageBoxes = quenlo::win32::MakeMessageBoxes();
  const quenlo::InstallPlatform install{*files, *registry, *libraries};

  // The wizard is built into the main window and released before the window goes.
  const auto application =
      quenlo::win32::MakeApplication([&](quenlo::ui::Window& window) -> std::shared_ptr<void> {
        quenlo::wizard::WizardServices services{
            session,
            *files,
            *registry,
            [&session, &install] { quenlo::TInstallAndReg::Start(session, install); },
            /*setBrowserStartPage=*/{},
            /*createShortcuts=*/{}};
        return std::make_shared<quenlo::wizard::TSetupMain_Form>(window, std::move(services));
      });
  quenlo::RunStartup(session, {*registry, *messageBoxes, *application});
  return 0;
}
