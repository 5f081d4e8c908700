// What the GUI tests expect to see of the wizard: its controls' names and the texts a person
// reads (GBK), written down here once and on their own, not taken from the program under test.
#pragma once

#include <string>

namespace quenlo::guitest::wizard {

// The main window and its controls, by name.
inline constexpr const char* kMainWindow = "SetupMain_Form";
inline constexpr const char* kTitle = "Title1_L";
inline constexpr const char* kPrevious = "Previous_Btn";
inline constexpr const char* kNext = "Next_Btn";
inline constexpr const char* kCancel = "Cancel_Btn";
inline constexpr const char* kFolderEdit = "Folder_E";
inline constexpr const char* kHomePage = "HomePage_CB";
inline constexpr const char* kStatus = "Status_L";
inline constexpr const char* kProgress = "Install_PB";

// The window's caption and each page's title.
inline constexpr const char* kMainCaption = "安装 Quenlo播放 v2.0 Tesmar版";
inline constexpr const char* kWelcomeTitle = "欢迎您安装 Quenlo播放v2.0 Tesmar版";
inline constexpr const char* kAgreementTitle =
    "在安装 Quenlo播放 v2.0 Tesmar版之前，请阅读“授权协议”。";
inline constexpr const char* kFolderTitle = "请选择 Quenlo播放 v2.0 Tesmar版 的安装文件夹";
inline constexpr const char* kTasksTitle = "请选择安装 Quenlo播放 v2.0 Tesmar版 时执行的附加任务";
inline constexpr const char* kInstallingTitle = "正在安装 Quenlo播放 v2.0 Tesmar版， 请稍候...";
inline constexpr const char* kFinishedTitle = "Quenlo播放2.0 Tesmar版 安装成功!";
inline constexpr const char* kFailedTitle = "Quenlo播放2.0 Tesmar版 安装失败";

// The buttons' captions.
inline constexpr const char* kNextText = "下一步>(&N)";
inline constexpr const char* kAcceptText = "我接受(&I)";
inline constexpr const char* kPreviousText = "<上一步(&P)";
inline constexpr const char* kCancelText = "取消(&C)";
inline constexpr const char* kFinishText = "完成(&F)";

// The message boxes: their caption, the question about an earlier installation, and the one
// before leaving the wizard.
inline constexpr const char* kCaption = "提示信息";
inline constexpr const char* kEarlierQuestion =
    "在这台计算机上已经安装了 Quenlo播放 ，你是否准备覆盖安装？";
inline constexpr const char* kCloseQuestion = "你确定要退出 Quenlo播放v2.0 Tesmar版 安装程序吗?";

// The question on Next for a folder that exists and already holds files.
inline std::string FolderHoldsFilesQuestion(const std::string& folder) {
  return "您选定的文件夹 “" + folder +
         " ” 中已有文件。是否仍要安装到该文件夹? 同名的文件将被替换。";
}

}  // namespace quenlo::guitest::wizard
