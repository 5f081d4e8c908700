// QuenloSetup.exe: the program entry. Without arguments it opens the wizard; its command line
// (setup/command_line.h) can install with no one at the window, preset the wizard and ask for a
// log. The exit code says how it ended (setup/exit_code.h).
#include <memory>
#include <optional>
#include <string_view>

#include "install/install_journal.h"
#include "install/install_log.h"
#include "install/install_sequence.h"
#include "install/payload_check.h"
#include "install/status_lines.h"
#include "platform/win32/backend.h"
#include "platform/win32/process.h"
#include "platform/win32/ui_backend.h"
#include "platform/win32/wide_text.h"
#include "setup/command_line.h"
#include "setup/exit_code.h"
#include "setup/install_actions.h"
#include "setup/silent_install.h"
#include "setup/startup.h"
#include "wizard/setup_main_form.h"

namespace {

namespace platform = quenlo::platform;

constexpr const char* kMessageCaption = "提示信息";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The wizard, as without arguments, with the folder and the start-page task the command line may
// preset. Returns the exit code.
quenlo::ExitCode RunWizard(const quenlo::SetupCommandLine& line, platform::FileSystem& files,
                           platform::Registry& registry, platform::Libraries& libraries,
                           quenlo::InstallActions& actions) {
  quenlo::SetupSession& session = quenlo::TheSession();
  const auto messageBoxes = quenlo::win32::MakeMessageBoxes();
  const auto clock = quenlo::win32::MakeClock();
  quenlo::InstallPlatform install{files,   registry,          libraries,         *clock,
                                  nullptr, &actions.Record(), &actions.Journal()};
  // The setup file's payload is checked from the wizard's creation on, while the user reads the
  // first pages; the install and the start-page task wait for the verdict.
  std::optional<quenlo::PayloadCheck> payloadCheck;
  // Until the install has ended, leaving the wizard is a cancel.
  quenlo::ExitCode exitCode = quenlo::kExitCancelled;

  // The wizard is built into the main window and released before the window goes.
  const auto application =
      quenlo::win32::MakeApplication([&](quenlo::ui::Window& window) -> std::shared_ptr<void> {
        payloadCheck.emplace(files);
        install.check = &*payloadCheck;
        quenlo::wizard::WizardServices services{
            session,
            files,
            registry,
            [&session, &install, &actions](const std::vector<std::string>& createdFolders) {
              std::vector<quenlo::JournalEntry> made;
              for (const std::string& folder : createdFolders) {
                made.push_back(quenlo::JournalEntry::Folder(folder));
              }
              actions.Journal().AddToFirstBatch(std::move(made));
              quenlo::TInstallAndReg::Start(session, install);
            },
            [&actions](const std::string& address) { actions.SetStartPage(address); },
            [&actions](const std::string& address) { actions.RestoreStartPage(address); },
            [&actions](const std::string& installDir) { actions.CreateShortcuts(installDir); },
            &*payloadCheck};
        services.recordInstallation = [&actions](const std::vector<std::string>& createdFolders) {
          actions.RecordInstallation(createdFolders);
        };
        services.givenFolder = line.folder.value_or(std::string());
        services.startPageTicked = !line.noStartPage;
        services.installEnded = [&exitCode](const std::optional<quenlo::InstallFailure>& failure) {
          exitCode = failure ? quenlo::ExitCodeOf(*failure) : quenlo::kExitInstalled;
        };
        return std::make_shared<quenlo::wizard::TSetupMain_Form>(window, std::move(services));
      });
  if (!quenlo::RunStartup(session, {registry, *messageBoxes, *application}))
    return quenlo::kExitCancelled;
  return exitCode;
}

quenlo::ExitCode RunSetup(const std::string& commandLine) {
  const quenlo::SetupCommandLine line =
      quenlo::ParseCommandLine(quenlo::ArgumentsPart(commandLine));
  std::unique_ptr<platform::LogFile> logFile;
  std::optional<quenlo::InstallLog> log;
  std::string error = line.error;
  if (line.logFile) {
    logFile = quenlo::win32::OpenLogFile(*line.logFile);
    if (logFile) {
      log.emplace(*logFile);
    } else if (error.empty()) {
      error = "the log file cannot be written: " + *line.logFile;
    }
  }
  const auto note = [&log](const std::string& text) {
    if (log) log->Write(text);
  };
  const auto end = [&note](quenlo::ExitCode code, const std::string& outcome) {
    note("outcome: " + outcome);
    note("exit code: " + std::to_string(static_cast<int>(code)));
    return code;
  };
  note("QuenloSetup.exe " + std::string(quenlo::ArgumentsPart(commandLine)));

  if (!error.empty() || line.help) {
    const quenlo::ExitCode code =
        error.empty() ? quenlo::kExitInstalled : quenlo::kExitBadCommandLine;
    if (!line.silent) {
      const std::string text =
          error.empty() ? quenlo::UsageText() : error + "\r\n\r\n" + quenlo::UsageText();
      quenlo::win32::MakeMessageBoxes()->Show(text, kMessageCaption, platform::kNoticeFlags);
    }
    return end(code, error.empty() ? "usage shown" : "wrong command line: " + error);
  }

  // What the setup does to the system goes through these; with a log, each change is noted.
  const auto systemFiles = quenlo::win32::MakeFileSystem();
  const auto systemRegistry = quenlo::win32::MakeRegistry();
  const auto systemLibraries = quenlo::win32::MakeLibraries();
  const auto shell = quenlo::win32::MakeShell();
  std::optional<quenlo::LoggedFileSystem> loggedFiles;
  std::optional<quenlo::LoggedRegistry> loggedRegistry;
  std::optional<quenlo::LoggedLibraries> loggedLibraries;
  if (log) {
    loggedFiles.emplace(*systemFiles, *log);
    loggedRegistry.emplace(*systemRegistry, *log);
    loggedLibraries.emplace(*systemLibraries, *log);
    // The steps as their status lines say them; the files and codecs have lines of their own.
    quenlo::TheSession().Status.ObserveLines([&log](const std::string& status) {
      if (StartsWith(status, quenlo::kExtractingPrefix) ||
          StartsWith(status, quenlo::kRegisteringPrefix))
        return;
      log->Write("step: " + status);
    });
  }
  platform::FileSystem& files =
      log ? static_cast<platform::FileSystem&>(*loggedFiles) : *systemFiles;
  platform::Registry& registry =
      log ? static_cast<platform::Registry&>(*loggedRegistry) : *systemRegistry;
  platform::Libraries& libraries =
      log ? static_cast<platform::Libraries&>(*loggedLibraries) : *systemLibraries;
  // The install worker uses all of these until it ends, which is before the window can close.
  quenlo::InstallActions actions(files, registry, *shell);

  // An install that an earlier run left half done (a power cut, "End task") is given back before
  // anything else: before the question about an earlier installation, which it may have written.
  const quenlo::Recovery recovery = quenlo::RecoverUnfinishedInstall(files, registry, libraries);
  if (line.recover) {  // started by the system at its start, after an install was cut off
    return end(quenlo::kExitInstalled,
               recovery == quenlo::Recovery::None ? "nothing to recover" : "recovered");
  }

  quenlo::ExitCode code = quenlo::kExitInstalled;
  if (line.silent) {
    note("silent install");
    const quenlo::win32::ThreadCom com;  // for the shell links
    code = quenlo::RunSilentInstall(quenlo::TheSession(), line,
                                    {files, registry, libraries, actions, log ? &*log : nullptr});
  } else {
    note("wizard");
    code = RunWizard(line, files, registry, libraries, actions);
  }
  static constexpr const char* kOutcomes[] = {
      "installed",          "wrong command line",
      "cancelled",          "the setup file is damaged, nothing changed",
      "the install failed", "the folder is refused, nothing changed"};
  return end(code, kOutcomes[code]);
}

}  // namespace

int main() {
  quenlo::win32::PrepareProcess();
  // The command line as GBK: a character GBK cannot hold reads as "?", which no folder or file
  // name may hold, so such a folder is refused instead of naming another one.
  const int code = RunSetup(quenlo::win32::GbkLossy(quenlo::win32::OwnCommandLine()));
  // Its windows and the platform objects are gone when it returns.
  quenlo::win32::EndProcess(code);
}
