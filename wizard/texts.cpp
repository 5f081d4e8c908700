#include "wizard/texts.h"

#include "wizard/main_form_layout.h"

namespace quenlo::wizard {
namespace {

// One text set. A null entry is a slot the set does not write; an empty one is cleared.
struct TextSet {
  const char* WindowCaptionText;
  const char* PreviousText;
  const char* NextText;
  const char* CancelText;
  const char* ProductNameText;
  const char* WelcomeTitleText;
  const char* PgDnHintText;
  const char* AcceptHintText;
  const char* AcceptText;
  const char* AgreementTitleText;
  const char* FolderHintText;
  const char* FolderTitleText;
  const char* TasksTitleText;
  const char* FolderGroupText;
  const char* BrowseText;
  const char* InstallingTitleText;
  const char* NeedSpaceText;
  const char* FreeSpaceText;
  const char* MessageCaptionText;
  const char* FinishText;
};

constexpr TextSet kChinese = {
    .WindowCaptionText = "安装 Quenlo播放 v2.0 Tesmar版",
    .PreviousText = "<上一步(&P)",
    .NextText = "下一步>(&N)",
    .CancelText = "取消(&C)",
    .ProductNameText = "Quenlo播放",
    .WelcomeTitleText = "欢迎您安装 Quenlo播放v2.0 Tesmar版",
    .PgDnHintText = "请按 [PgDn] 键查看 “授权协议” 的其它部分。",
    .AcceptHintText =
        "如果你接受协议中的条款，单[我接受(&I)]继续安装。如果你对条款\r"
        "中的内容有异议，请单击[取消(&C)]退出安装程序。",
    .AcceptText = "我接受(&I)",
    .AgreementTitleText = "在安装 Quenlo播放 v2.0 Tesmar版之前，请阅读“授权协议”。",
    .FolderHintText =
        "安装程序将把 Quenlo播放 安装到如下文件夹，单击浏览[按键...(&B)]\r"
        "可以选择其它的安装位置。单击[下一步(&N)]继续安装",
    .FolderTitleText = "请选择 Quenlo播放 v2.0 Tesmar版 的安装文件夹",
    .TasksTitleText = "请选择安装 Quenlo播放 v2.0 Tesmar版 时执行的附加任务",
    .FolderGroupText = "目标文件夹",
    .BrowseText = "浏览...(&B)",
    .InstallingTitleText = "正在安装 Quenlo播放 v2.0 Tesmar版， 请稍候...",
    .NeedSpaceText = "需要硬盘空间: ",
    .FreeSpaceText = "剩余硬盘空间: ",
    .MessageCaptionText = "提示信息",
    .FinishText = "完成(&F)",
};

// The English set has no wording for the hints and the folder title (cleared) nor for the tasks
// title (not written).
constexpr TextSet kEnglish = {
    .WindowCaptionText = "Install Quenlo Media Player 2.0 Edition",
    .PreviousText = "< Previous(&P)",
    .NextText = "Next>(&N)",
    .CancelText = "Cancel(&C)",
    .ProductNameText = "Quenlo Media Player",
    .WelcomeTitleText = "Welcome to install Quenlo Media Player 2.0 Edition",
    .PgDnHintText = "Please enter [PgDn] key to view residual of \"AgreeMent\"",
    .AcceptHintText = "",
    .AcceptText = "I Accept(&I)",
    .AgreementTitleText = "Please read agreement before install Quenlo Media ",
    .FolderHintText = "",
    .FolderTitleText = "",
    .TasksTitleText = nullptr,
    .FolderGroupText = "Dest directory",
    .BrowseText = "Browser...(&B)",
    .InstallingTitleText = "Installing Quenlo Media Player 2.0, please waiting...",
    .NeedSpaceText = "Require disk space:  ",
    .FreeSpaceText = "Free disk space:  ",
    .MessageCaptionText = "Information",
    .FinishText = "Finish(&F)",
};

const TextSet* SetFor(std::int32_t language) {
  if (language == kLanguageChinese) return &kChinese;
  if (language == kLanguageEnglish) return &kEnglish;
  return nullptr;
}

void Write(std::string& slot, const char* text) {
  if (text != nullptr) slot = text;
}

}  // namespace

void SelectLanguage(SetupSession& session, std::int32_t language) { session.UseChinese = language; }

void FillTexts(TextTable& texts, std::int32_t language) {
  const TextSet* set = SetFor(language);
  if (set == nullptr) return;
  Write(texts.WindowCaptionText, set->WindowCaptionText);
  Write(texts.PreviousText, set->PreviousText);
  Write(texts.NextText, set->NextText);
  Write(texts.CancelText, set->CancelText);
  Write(texts.ProductNameText, set->ProductNameText);
  Write(texts.PgDnHintText, set->PgDnHintText);
  Write(texts.AcceptHintText, set->AcceptHintText);
  Write(texts.AcceptText, set->AcceptText);
  Write(texts.AgreementTitleText, set->AgreementTitleText);
  Write(texts.FolderHintText, set->FolderHintText);
  Write(texts.FolderTitleText, set->FolderTitleText);
  Write(texts.TasksTitleText, set->TasksTitleText);
  Write(texts.FolderGroupText, set->FolderGroupText);
  Write(texts.BrowseText, set->BrowseText);
  Write(texts.InstallingTitleText, set->InstallingTitleText);
  Write(texts.NeedSpaceText, set->NeedSpaceText);
  Write(texts.FreeSpaceText, set->FreeSpaceText);
  Write(texts.MessageCaptionText, set->MessageCaptionText);
  Write(texts.FinishText, set->FinishText);
}

void FillWelcomeTitle(TextTable& texts, std::int32_t language) {
  if (const TextSet* set = SetFor(language)) Write(texts.WelcomeTitleText, set->WelcomeTitleText);
}

ui::Font CreateInterfaceFont() { return ui::Font{"宋体", 9, false}; }

void FreeInterfaceFont(std::optional<ui::Font>& font) { font.reset(); }

void ApplyTexts(ui::Window& window, const TextTable& texts, const ui::Font& font) {
  window.SetCaption(texts.WindowCaptionText);
  ui::Control& previous = FormControl(window, kPreviousBtn);
  ui::Control& next = FormControl(window, kNextBtn);
  ui::Control& cancel = FormControl(window, kCancelBtn);
  ui::Control& logo = FormControl(window, kLogoL);
  previous.SetText(texts.PreviousText);
  next.SetText(texts.NextText);
  cancel.SetText(texts.CancelText);
  logo.SetText(texts.ProductNameText);
  for (ui::Control* control : {&previous, &next, &cancel, &logo}) control->SetFont(font);
}

void ApplyTitleFont(ui::Window& window, const ui::Font& font) {
  ui::Control& title = FormControl(window, kTitle1L);
  title.SetFont(font);
  ui::Font bold = title.GetFont();
  bold.bold = true;
  title.SetFont(bold);
}

}  // namespace quenlo::wizard
