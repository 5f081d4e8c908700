#include "wizard/failure_text.h"

#include <array>
#include <cstddef>

#include "wizard/texts.h"

namespace quenlo::wizard {
namespace {

struct FailureWords {
  // What to do, by FailureCause.
  std::array<const char*, 6> advice;
  const char* undone;
  const char* notUndone;
  // The step's name, by InstallStep.
  std::array<const char*, 6> steps;
  const char* stepLabel;
  const char* recordLabel;
  const char* placeLabel;  // where the damage shows, when no record is named
  const char* offsetBefore;
  const char* offsetAfter;
  const char* openBracket;
  const char* closeBracket;
  const char* fileLabel;
  const char* systemErrorLabel;
  const char* detailLabel;
};

constexpr FailureWords kChinese = {
    {
        "安装文件已损坏，请重新下载安装程序后再安装。",
        "磁盘空间不足，请清理磁盘或选择其它安装文件夹后再安装。",
        "有文件正在使用，无法替换。请关闭 Quenlo播放 及其它正在运行的程序后再安装。",
        "无法写入安装文件夹，请选择其它安装文件夹，或以管理员身份运行安装程序。",
        "安装文件夹中有文件夹是指向别处的链接（联接点或符号链接），安装程序不经由链接写入。"
        "请删除该链接或选择其它安装文件夹后再安装。",
        "安装未能完成，请重新运行安装程序。",
    },
    "安装程序已撤销本次安装所做的更改，系统保持原样。",
    "本次安装所做的更改未能全部撤销。",
    {"检查安装文件", "解压缩文件", "注册解码器", "注册文件类型", "写入系统信息", "删除临时文件"},
    "出错步骤：",
    "数据记录：",
    "损坏位置：",
    "安装文件偏移 ",
    " 处",
    "（",
    "）",
    "文件：",
    "系统错误代码：",
    "详细信息：",
};

constexpr FailureWords kEnglish = {
    {
        "The setup file is damaged: download it again.",
        "There is not enough space on the disk: free some space or choose another folder, then "
        "install again.",
        "A file is in use and could not be replaced: close Quenlo Media Player and other running "
        "programs, then install again.",
        "The installation folder cannot be written: choose another folder, or run the setup as "
        "administrator.",
        "A folder inside the installation folder is a link to another place (a junction or a "
        "symbolic link), and the setup writes nothing through a link: remove the link or choose "
        "another folder, then install again.",
        "The installation could not be completed: run the setup again.",
    },
    "The setup has undone its changes: the system is as it was.",
    "Not every change of this installation could be undone.",
    {"checking the setup file", "extracting files", "registering codecs", "registering file types",
     "writing the application record", "removing temporary files"},
    "Step: ",
    "Record: ",
    "Damaged at: ",
    "offset ",
    " of the setup file",
    " (",
    ")",
    "File: ",
    "System error: ",
    "Details: ",
};

}  // namespace

std::string InstallFailureText(const InstallFailure& failure, std::int32_t language) {
  const FailureWords& words = language == kLanguageEnglish ? kEnglish : kChinese;
  std::string text = words.advice[static_cast<std::size_t>(failure.cause)];
  text += "\r";
  text += failure.undone ? words.undone : words.notUndone;
  text += "\r\r";
  text += words.stepLabel;
  text += words.steps[static_cast<std::size_t>(failure.step)];
  const std::string place = words.offsetBefore + std::to_string(failure.offset) + words.offsetAfter;
  if (!failure.record.empty()) {
    text += "\r" + (words.recordLabel + failure.record) + words.openBracket + place +
            words.closeBracket;
  } else if (failure.cause == FailureCause::DamagedSetupFile) {
    text += "\r" + (words.placeLabel + place);
  }
  if (!failure.file.empty()) text += "\r" + (words.fileLabel + failure.file);
  if (failure.systemError != 0) {
    text += "\r" + (words.systemErrorLabel + std::to_string(failure.systemError));
  }
  if (failure.record.empty() && failure.file.empty() && !failure.message.empty()) {
    text += "\r" + (words.detailLabel + failure.message);
  }
  return text;
}

}  // namespace quenlo::wizard
