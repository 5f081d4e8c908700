// QuenloSetup.exe: the program entry. It takes no arguments and reads no command line.
#include <memory>
#include <optional>

#include "install/browser_start_page.h"
#include "install/install_journal.h"
#include "install/install_sequence.h"
#include "install/payload_check.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"
#include "platform/win32/backend.h"
#include "platform/win32/process.h"
#include "platform/win32/ui_backend.h"
#include "setup/startup.h"
#include "wizard/long_texts.h"
#include "wizard/setup_main_form.h"

namespace {

void RunSetup() {
  quenlo::SetupSession& session = quenlo::TheSession();
  // The install worker uses these until it ends, which is before the window can close.
  const auto files = quenlo::win32::MakeFileSystem();
  const auto registry = quenlo::win32::MakeRegistry();
  const auto libraries = quenlo::win32::MakeLibraries();
  const auto messageBoxes = quenlo::win32::MakeMessageBoxes();
  const auto shell = quenlo::win32::MakeShell();
  const auto clock = quenlo::win32::MakeClock();
  // What the install changes, noted by its steps for the uninstall record.
  quenlo::uninstall::UninstallRecord record;
  quenlo::InstallPlatform install{*files, *registry, *libraries, *clock, nullptr, &record};
  // The setup file's payload is checked from the wizard's creation on, while the user reads the
  // first pages; the install and the start-page task wait for the verdict.
  std::optional<quenlo::PayloadCheck> payloadCheck;
  quenlo::EarlierStartPage earlierStartPage;

  // The wizard is built into the main window and released before the window goes.
  const auto application =
      quenlo::win32::MakeApplication([&](quenlo::ui::Window& window) -> std::shared_ptr<void> {
        payloadCheck.emplace(*files);
        install.check = &*payloadCheck;
        quenlo::wizard::WizardServices services{
            session,
            *files,
            *registry,
            [&session, &install] { quenlo::TInstallAndReg::Start(session, install); },
            [&registry, &earlierStartPage](const std::string& address) {
              earlierStartPage = quenlo::SetBrowserStartPage(*registry, address);
            },
            [&registry, &earlierStartPage](const std::string& address) {
              quenlo::RestoreBrowserStartPage(*registry, address, earlierStartPage);
            },
            [&files, &registry, &shell, &record](const std::string& installDir) {
              const quenlo::ShortcutsMade made =
                  quenlo::CreateShortcuts(installDir, {*files, *registry, *shell});
              record.links = made.links;
              record.programGroup = made.programGroup;
            },
            &*payloadCheck};
        services.recordInstallation = [&files, &registry, &shell, &record, &earlierStartPage](
                                          const std::vector<std::string>& createdFolders) {
          if (earlierStartPage.restorable) {
            record.startPage = quenlo::uninstall::StartPageChange{
                quenlo::wizard::kNavigationSiteAddress, earlierStartPage.address};
          }
          record.createdFolders.insert(record.createdFolders.begin(), createdFolders.begin(),
                                       createdFolders.end());
          quenlo::FinishUninstallRecord(*files, *registry, record, quenlo::GetDesktopDir(*shell));
        };
        return std::make_shared<quenlo::wizard::TSetupMain_Form>(window, std::move(services));
      });
  // An install that an earlier run left half done (a power cut, "End task") is given back before
  // anything else: before the question about an earlier installation, which it may have written.
  quenlo::RecoverUnfinishedInstall(*files, *registry, *libraries);
  quenlo::RunStartup(session, {*registry, *messageBoxes, *application});
}

}  // namespace

int main() {
  quenlo::win32::PrepareProcess();
  RunSetup();  // its window and the platform objects are gone when it returns
  quenlo::win32::EndProcess(0);
}
