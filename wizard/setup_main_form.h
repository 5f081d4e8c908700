// TSetupMain_Form: the wizard window's logic. It builds the frame on a ui::Window, shows six
// pages (welcome, agreement, folder, tasks, installing, finished), moves between them on Next
// and Previous, starts the install worker after the tasks page, polls the session's status
// channel with the 10 ms timer Install_T, and decides when the window may close.
//
// Everything runs on the main thread. The install worker shares only the status channel. The
// form binds its handlers to the window's controls and must live as long as the window is used.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/payload_check.h"
#include "install/session.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "wizard/folder_checks.h"
#include "wizard/texts.h"

namespace quenlo::wizard {

// What the wizard reaches the rest of the program through. An unset function is skipped.
struct WizardServices {
  SetupSession& session;
  platform::FileSystem& files;
  platform::Registry& registry;
  // Starts the install worker on session.InstallDir; never waited for. Given the folders the
  // folder page made (outermost first): the install's journal counts them among its changes.
  std::function<void(const std::vector<std::string>& createdFolders)> startWorker{};
  // The start-page task, run on the main thread once the setup file is known to be sound.
  std::function<void(const std::string& address)> setBrowserStartPage{};
  // Gives the start page back after an install that did not finish (only what the task set).
  std::function<void(const std::string& address)> restoreBrowserStartPage{};
  // The shortcuts, run on the main thread once the install has finished.
  std::function<void(const std::string& installDir)> createShortcuts{};
  // The check of the setup file, running since the wizard was created; none: the file counts as
  // sound.
  PayloadCheck* payloadCheck = nullptr;
  // The record of what the install changed, once the shortcuts exist; given the folders the
  // folder page made, outermost first.
  std::function<void(const std::vector<std::string>& createdFolders)> recordInstallation{};
  // The folder page's folder as the command line gave it; empty: the default.
  std::string givenFolder{};
  // Whether the start-page task starts ticked.
  bool startPageTicked = true;
  // Told once how the install ended: nothing when it finished, else its failure.
  std::function<void(const std::optional<InstallFailure>& failure)> installEnded{};
};

// The fixed texts of the window that do not follow the language.
inline constexpr const char* kCloseQuestion = "你确定要退出 Quenlo播放v2.0 Tesmar版 安装程序吗?";
inline constexpr const char* kFinishedTitle = "Quenlo播放2.0 Tesmar版 安装成功!";
inline constexpr const char* kFailedTitle = "Quenlo播放2.0 Tesmar版 安装失败";

inline constexpr int kRequiredSpaceMB = 65;
inline constexpr int kProgressMinimum = 1;
inline constexpr int kProgressMaximum = 570;

class TSetupMain_Form {
 public:
  // Creates the frame's controls on `window`, binds the handlers and runs FormCreate: the texts
  // in `language` (Chinese in the product), the interface font, page 1 and the timer.
  TSetupMain_Form(ui::Window& window, WizardServices services,
                  std::int32_t language = kLanguageChinese);
  // Unbinds the handlers and stops the timer of a window still open. The window must outlive
  // the form.
  ~TSetupMain_Form();
  TSetupMain_Form(const TSetupMain_Form&) = delete;
  TSetupMain_Form& operator=(const TSetupMain_Form&) = delete;

  // Event handlers, bound to the controls and the window.
  void Next_BtnClick();
  void Previous_BtnClick();
  void Cancel_BtnClick();
  bool FormCloseQuery();
  void FormClose();
  void Install_TTimer();
  void Folder_EChange();
  void Browse_BtnClick();

  // 1 to 6: welcome, agreement, folder, tasks, installing, finished.
  int PageIndex() const { return pageIndex_; }
  bool CloseAllowed() const { return closeAllowed_; }
  const TextTable& Texts() const { return texts_; }
  const std::optional<ui::Font>& InterfaceFont() const { return interfaceFont_; }

 private:
  void FormCreate(std::int32_t language);
  void ShowWelcomePage();
  void ShowAgreementPage();
  void ShowFolderPage();
  void ShowTasksPage();
  void AcceptFolder();
  void StartInstall();
  void ShowInstallingPage();
  void FinishInstall();
  void ShowInstallFailure(const InstallFailure& failure);
  // The start-page task, once the payload check has a verdict: set for a sound payload, never for
  // a damaged one.
  void SetStartPageWhenSound();

  void SetTitle(const std::string& title);
  ui::Control& FrameControl(const char* name);
  const ui::Font& PageFont() const { return interfaceFont_.value(); }
  FolderPage Folder();

  ui::Window& window_;
  WizardServices services_;
  TextTable texts_;
  int pageIndex_ = 0;
  int requiredSpaceMB_ = 0;
  bool closeAllowed_ = false;
  bool installStarted_ = false;    // the worker was started from page 4
  bool installEnded_ = false;      // the timer has acted on the worker's end
  bool startPagePending_ = false;  // the task is ticked and waits for the payload check
  bool startPageSet_ = false;
  std::vector<std::string> createdFolders_;  // by the folder page, on the user's Yes
  std::optional<ui::Font> interfaceFont_;
};

}  // namespace quenlo::wizard
