// A wizard on a headless window with a fake machine: drive C: (fixed, 10 GiB free) and Program
// Files at C:\Program Files. The services record what the wizard asked of them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_registry.h"
#include "tests/support/headless_window.h"
#include "wizard/setup_main_form.h"

namespace quenlo::wizard {

class WizardFixture : public ::testing::Test {
 protected:
  static constexpr std::uint64_t kMB = 1ull << 20;

  WizardFixture() {
    registry.SetString(platform::RegistryRoot::LocalMachine,
                       "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                       "C:\\Program Files");
  }

  void Open(std::int32_t language = kLanguageChinese) {
    WizardServices services{session, files, registry};
    services.startWorker = [this](const std::vector<std::string>&) { ++workerStarts; };
    services.setBrowserStartPage = [this](const std::string& address) {
      startPages.push_back(address);
    };
    services.restoreBrowserStartPage = [this](const std::string& address) {
      startPages.push_back("restore " + address);
    };
    services.payloadCheck = payloadCheck;
    services.createShortcuts = [this](const std::string& folder) { shortcuts.push_back(folder); };
    services.givenFolder = givenFolder;
    services.startPageTicked = startPageTicked;
    services.installEnded = [this](const std::optional<InstallFailure>& failure) {
      installEnds.push_back(failure);
    };
    form = std::make_unique<TSetupMain_Form>(window, std::move(services), language);
  }

  // Clicks Next from page 1 until `page` is shown; the default folder is created on page 3.
  void GoTo(int page) {
    while (form->PageIndex() < page) {
      if (form->PageIndex() == 3 && !files.FolderExists(window.Get("Folder_E").Text())) {
        window.AnswerMessage(platform::kAnswerYes);
      }
      const int before = form->PageIndex();
      ASSERT_TRUE(window.Click("Next_Btn")) << "Next is off on page " << before;
      ASSERT_GT(form->PageIndex(), before);
    }
  }

  std::string Title() { return window.Get("Title1_L").Text(); }
  std::string Text(const std::string& name) { return window.Get(name).Text(); }

  testing::HeadlessWindow window;
  testing::FakeFileSystem files;
  testing::FakeRegistry registry;
  SetupSession session;
  int workerStarts = 0;
  std::vector<std::string> startPages;
  PayloadCheck* payloadCheck = nullptr;  // set before Open() to make the wizard wait for one
  std::vector<std::string> shortcuts;
  std::string givenFolder;      // as the command line's /D= gives it, set before Open()
  bool startPageTicked = true;  // false: as /NOSTARTPAGE, set before Open()
  std::vector<std::optional<InstallFailure>> installEnds;  // each time the wizard was told
  std::unique_ptr<TSetupMain_Form> form;                   // last: goes before the window
};

}  // namespace quenlo::wizard
