// The installing page's words for a failed install: advice first, technical detail after.
#include "wizard/failure_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wizard/texts.h"

namespace quenlo::wizard {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\r') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

TEST(InstallFailureText, TheFirstLineSaysWhatToDoInTheInterfacesLanguage) {
  struct Case {
    FailureCause cause;
    const char* chinese;
    const char* english;
  };
  const Case cases[] = {
      {FailureCause::DamagedSetupFile, "安装文件已损坏，请重新下载安装程序后再安装。",
       "The setup file is damaged: download it again."},
      {FailureCause::DiskFull, "磁盘空间不足，请清理磁盘或选择其它安装文件夹后再安装。",
       "There is not enough space on the disk: free some space or choose another folder, then "
       "install again."},
      {FailureCause::FileInUse,
       "有文件正在使用，无法替换。请关闭 Quenlo播放 及其它正在运行的程序后再安装。",
       "A file is in use and could not be replaced: close Quenlo Media Player and other running "
       "programs, then install again."},
      {FailureCause::AccessDenied,
       "无法写入安装文件夹，请选择其它安装文件夹，或以管理员身份运行安装程序。",
       "The installation folder cannot be written: choose another folder, or run the setup as "
       "administrator."},
      {FailureCause::Other, "安装未能完成，请重新运行安装程序。",
       "The installation could not be completed: run the setup again."},
  };
  for (const Case& test : cases) {
    InstallFailure failure;
    failure.cause = test.cause;
    EXPECT_EQ(Lines(InstallFailureText(failure, kLanguageChinese)).front(), test.chinese);
    EXPECT_EQ(Lines(InstallFailureText(failure, kLanguageEnglish)).front(), test.english);
  }
}

TEST(InstallFailureText, TheDetailFollowsOnLinesOfItsOwn) {
  InstallFailure damaged;
  damaged.step = InstallStep::CheckPayload;
  damaged.cause = FailureCause::DamagedSetupFile;
  damaged.record = "App\\Codec\\誠.dll";
  damaged.offset = 1234;
  damaged.message = "record 3 from the end: the stored data does not inflate";
  damaged.undone = true;
  EXPECT_EQ(Lines(InstallFailureText(damaged, kLanguageChinese)),
            (std::vector<std::string>{"安装文件已损坏，请重新下载安装程序后再安装。",
                                      "安装程序已撤销本次安装所做的更改，系统保持原样。", "",
                                      "出错步骤：检查安装文件",
                                      "数据记录：App\\Codec\\誠.dll（安装文件偏移 1234 处）"}));

  InstallFailure inUse;
  inUse.cause = FailureCause::FileInUse;
  inUse.file = "C:\\Program Files\\QuenloBoFang\\QuenloMediaPlayer.exe";
  inUse.systemError = 32;
  EXPECT_EQ(
      Lines(InstallFailureText(inUse, kLanguageEnglish)),
      (std::vector<std::string>{
          "A file is in use and could not be replaced: close Quenlo Media Player and other "
          "running programs, then install again.",
          "Not every change of this installation could be undone.", "", "Step: extracting files",
          "File: C:\\Program Files\\QuenloBoFang\\QuenloMediaPlayer.exe", "System error: 32"}));

  // Without a record or a file, the error's own words are the detail.
  InstallFailure other;
  other.step = InstallStep::RegisterFileTypes;
  other.message = "bad allocation";
  EXPECT_EQ(Lines(InstallFailureText(other, kLanguageChinese)).back(), "详细信息：bad allocation");
}

}  // namespace
}  // namespace quenlo::wizard
