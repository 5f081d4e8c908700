#include "wizard/setup_main_form.h"

#include <utility>

#include "platform/message_box.h"
#include "wizard/failure_text.h"
#include "wizard/long_texts.h"
#include "wizard/main_form_layout.h"
#include "wizard/page_builders.h"

namespace quenlo::wizard {

TSetupMain_Form::TSetupMain_Form(ui::Window& window, WizardServices services, std::int32_t language)
    : window_(window), services_(std::move(services)) {
  CreateMainFormControls(window_);
  FrameControl(kPreviousBtn).onClick = [this] { Previous_BtnClick(); };
  FrameControl(kNextBtn).onClick = [this] { Next_BtnClick(); };
  FrameControl(kCancelBtn).onClick = [this] { Cancel_BtnClick(); };
  window_.onCloseQuery = [this] { return FormCloseQuery(); };
  window_.onClose = [this] { FormClose(); };
  FormCreate(language);
}

TSetupMain_Form::~TSetupMain_Form() {
  if (window_.Closed()) return;  // a closed window calls nothing any more
  window_.StopTimer();
  window_.onCloseQuery = nullptr;
  window_.onClose = nullptr;
  for (const char* name : {kPreviousBtn, kNextBtn, kCancelBtn}) {
    if (ui::Control* button = window_.Find(name)) button->onClick = nullptr;
  }
  if (ui::Control* edit = window_.Find(kFolderE)) edit->onChange = nullptr;
  if (ui::Control* browse = window_.Find(kBrowseBtn)) browse->onClick = nullptr;
}

void TSetupMain_Form::FormCreate(std::int32_t language) {
  requiredSpaceMB_ = kRequiredSpaceMB;
  closeAllowed_ = true;
  SelectLanguage(services_.session, language);
  FillTexts(texts_, services_.session.UseChinese);
  interfaceFont_ = CreateInterfaceFont();
  ApplyTexts(window_, texts_, PageFont());
  // From the keyboard: Enter moves on (Next, then Accept on page 2) and Escape is Cancel, with
  // the close question of the pages before the install.
  window_.SetDefaultButton(kNextBtn);
  window_.SetCancelButton(kCancelBtn);
  ShowWelcomePage();
  window_.StartTimer(kInstallTimerIntervalMs, [this] { Install_TTimer(); });
}

// ---- Navigation and closing ----

void TSetupMain_Form::Next_BtnClick() {
  switch (pageIndex_) {
    case 1:
      ShowAgreementPage();
      break;
    case 2:
      ShowFolderPage();
      break;
    case 3:
      AcceptFolder();
      break;
    case 4:
      StartInstall();
      break;
    default:
      break;
  }
}

void TSetupMain_Form::Previous_BtnClick() {
  switch (pageIndex_) {
    case 2:
      ShowWelcomePage();
      break;
    case 3:
      ShowAgreementPage();
      break;
    case 4:
      ShowFolderPage();
      break;
    default:
      break;
  }
}

void TSetupMain_Form::Cancel_BtnClick() { window_.RequestClose(); }

bool TSetupMain_Form::FormCloseQuery() {
  if (pageIndex_ >= 1 && pageIndex_ <= 4) {
    return window_.ShowMessage(kCloseQuestion, texts_.MessageCaptionText,
                               platform::kQuestionFlags) == platform::kAnswerYes;
  }
  if (pageIndex_ == 5) return closeAllowed_;
  return true;
}

void TSetupMain_Form::FormClose() {
  FreeInterfaceFont(interfaceFont_);
  ClearPage(window_);
}

// ---- Pages 1 to 4 ----

void TSetupMain_Form::ShowWelcomePage() {
  FillWelcomeTitle(texts_, services_.session.UseChinese);
  SetTitle(texts_.WelcomeTitleText);
  ApplyTitleFont(window_, PageFont());
  ClearPage(window_);
  AddWelcomeText(window_, PageFont());
  FrameControl(kNextBtn).SetText(texts_.NextText);
  FrameControl(kPreviousBtn).SetVisible(false);
  pageIndex_ = 1;
}

void TSetupMain_Form::ShowAgreementPage() {
  ClearPage(window_);
  AddPgDnHint(window_, PageFont(), texts_.PgDnHintText);
  AddAcceptHint(window_, PageFont(), texts_.AcceptHintText);
  SetTitle(texts_.AgreementTitleText);
  FrameControl(kPreviousBtn).SetVisible(true);
  ui::Control& next = FrameControl(kNextBtn);
  next.SetText(texts_.AcceptText);
  next.SetEnabled(true);
  ui::Control& memo = AddAgreementMemo(window_, PageFont());
  memo.SetText(AgreementText());
  memo.Focus();
  memo.PlaceCaret(1);
  pageIndex_ = 2;
}

void TSetupMain_Form::ShowFolderPage() {
  ClearPage(window_);
  AddFolderHint(window_, PageFont(), texts_.FolderHintText);
  AddFolderGroup(window_, PageFont(), texts_.FolderGroupText);
  ui::Control& edit = AddFolderEdit(window_, PageFont(), [this] { Folder_EChange(); });
  AddBrowseButton(window_, PageFont(), texts_.BrowseText, [this] { Browse_BtnClick(); });
  AddNeedSpaceLabel(window_, PageFont());
  AddFreeSpaceLabel(window_, PageFont());
  edit.SetText(services_.givenFolder.empty()  // runs the folder check
                   ? DefaultFolder(services_.session, services_.registry)
                   : services_.givenFolder);
  CheckFolderOnEntry(Folder());
  SetTitle(texts_.FolderTitleText);
  FrameControl(kNextBtn).SetText(texts_.NextText);
  pageIndex_ = 3;
}

void TSetupMain_Form::ShowTasksPage() {
  ClearPage(window_);
  AddSloganLabel(window_, PageFont());
  ui::Control& startPageTask = AddHomePageCheckBox(window_, PageFont());
  if (!services_.startPageTicked) startPageTask.SetChecked(false);
  AddSiteImage(window_).SetPicture(FrameControl(kDaoI).PictureName());
  pageIndex_ = 4;
  SetTitle(texts_.TasksTitleText);
}

void TSetupMain_Form::Folder_EChange() { CheckFolder(Folder()); }

void TSetupMain_Form::Browse_BtnClick() { BrowseFolder(Folder()); }

void TSetupMain_Form::AcceptFolder() {
  if (wizard::AcceptFolder(Folder())) ShowTasksPage();
}

// ---- Installing and finished ----

void TSetupMain_Form::StartInstall() {
  const ui::Control* homePage = window_.Find(kHomePageCB);
  startPagePending_ = homePage != nullptr && homePage->Checked();
  SetStartPageWhenSound();
  ShowInstallingPage();
}

void TSetupMain_Form::SetStartPageWhenSound() {
  if (!startPagePending_) return;
  PayloadCheck* check = services_.payloadCheck;
  if (check != nullptr && !check->Done()) return;  // asked again on the next tick
  startPagePending_ = false;
  if (check != nullptr && !check->Wait().sound) return;
  if (services_.setBrowserStartPage) services_.setBrowserStartPage(kNavigationSiteAddress);
  startPageSet_ = true;
}

void TSetupMain_Form::ShowInstallingPage() {
  ClearPage(window_);
  ui::Control& status = AddStatusLabel(window_, PageFont());
  ui::Control& bar = AddProgressBar(window_);
  bar.SetRange(kProgressMinimum, kProgressMaximum);
  bar.SetPosition(kProgressMinimum);
  status.SetText(texts_.InstallingTitleText);
  pageIndex_ = 5;
  SetTitle(texts_.InstallingTitleText);
  for (const char* name : {kPreviousBtn, kNextBtn, kCancelBtn})
    FrameControl(name).SetEnabled(false);
  window_.SetDefaultButton("");  // nothing to press until the install has ended
  closeAllowed_ = false;
  installStarted_ = true;
  if (services_.startWorker) services_.startWorker(createdFolders_);
}

void TSetupMain_Form::Install_TTimer() {
  // Only an install this window started is watched, and its end is acted on once.
  if (!installStarted_ || installEnded_) return;
  SetStartPageWhenSound();
  const StatusChannel& status = services_.session.Status;
  if (status.InstallFinished()) {
    FinishInstall();
    return;
  }
  if (const std::optional<InstallFailure> failure = status.Failure()) {
    ShowInstallFailure(*failure);
    return;
  }
  if (ui::Control* line = window_.Find(kStatusL)) line->SetText(status.StatusText());
  if (ui::Control* bar = window_.Find(kInstallPB)) bar->SetPosition(status.ProgressValue());
}

void TSetupMain_Form::FinishInstall() {
  installEnded_ = true;
  window_.StopTimer();
  FrameControl(kPreviousBtn).SetVisible(false);
  FrameControl(kNextBtn).SetVisible(false);
  ui::Control& cancel = FrameControl(kCancelBtn);
  cancel.SetEnabled(true);
  cancel.SetText(texts_.FinishText);
  window_.SetDefaultButton(kCancelBtn);  // Enter finishes
  ui::Control* bar = window_.Find(kInstallPB);
  if (bar != nullptr) bar->SetVisible(false);
  closeAllowed_ = true;
  if (services_.createShortcuts) services_.createShortcuts(services_.session.InstallDir);
  if (services_.recordInstallation) services_.recordInstallation(createdFolders_);
  if (bar != nullptr) bar->SetPosition(kProgressMaximum);
  SetTitle(kFinishedTitle);
  pageIndex_ = 6;
  if (services_.installEnded) services_.installEnded(std::nullopt);
}

// The worker ended by an error and will not finish: the page says what failed, and the user
// may leave by Cancel or the close box without a question.
void TSetupMain_Form::ShowInstallFailure(const InstallFailure& failure) {
  installEnded_ = true;
  window_.StopTimer();
  // What the wizard itself changed goes back too: the start page, and the folders made on the
  // folder page where they are still empty (the innermost first).
  startPagePending_ = false;
  if (startPageSet_ && services_.restoreBrowserStartPage) {
    services_.restoreBrowserStartPage(kNavigationSiteAddress);
  }
  for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder) {
    services_.files.RemoveFolder(*folder);
  }
  if (ui::Control* bar = window_.Find(kInstallPB)) bar->SetVisible(false);
  if (ui::Control* line = window_.Find(kStatusL)) window_.Destroy(*line);
  AddFailureText(window_, PageFont(), InstallFailureText(failure, services_.session.UseChinese));
  SetTitle(kFailedTitle);
  ui::Control& cancel = FrameControl(kCancelBtn);
  cancel.SetText(texts_.CancelText);
  cancel.SetEnabled(true);
  window_.SetDefaultButton(kCancelBtn);  // Enter leaves, as Cancel does
  closeAllowed_ = true;
  if (services_.installEnded) services_.installEnded(failure);
}

// ---- Helpers ----

void TSetupMain_Form::SetTitle(const std::string& title) { FrameControl(kTitle1L).SetText(title); }

ui::Control& TSetupMain_Form::FrameControl(const char* name) { return FormControl(window_, name); }

FolderPage TSetupMain_Form::Folder() {
  return FolderPage{window_, services_.session, services_.files, services_.registry,
                    texts_,  requiredSpaceMB_,  &createdFolders_};
}

}  // namespace quenlo::wizard
