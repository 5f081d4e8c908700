#include "setup/command_line.h"

#include "base/path.h"

namespace quenlo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return text.substr(pos);
}

std::string_view TrimEndBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Whether `text` starts with `prefix`, ASCII letters compared without regard to case.
bool StartsWithSwitch(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// Blanks and quotes are single bytes that are never the trail byte of a GBK character, so the
// line can be cut byte by byte.
struct Word {
  std::string text;         // without its quotes
  std::string_view rest{};  // what follows the word
};

Word NextWord(std::string_view line) {
  Word word;
  bool quoted = false;
  std::size_t pos = 0;
  for (; pos < line.size(); ++pos) {
    const char c = line[pos];
    if (c == '"') {
      quoted = !quoted;
    } else if (IsBlank(c) && !quoted) {
      break;
    } else {
      word.text += c;
    }
  }
  word.rest = SkipBlanks(line.substr(pos));
  return word;
}

std::string FolderValue(std::string_view text) {
  text = TrimEndBlanks(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  return std::string(text);
}

void Fail(SetupCommandLine& line, std::string why) {
  if (line.error.empty()) line.error = std::move(why);
}

}  // namespace

std::string_view ArgumentsPart(std::string_view commandLine) {
  std::size_t pos = 0;
  if (!commandLine.empty() && commandLine.front() == '"') {
    const std::size_t close = commandLine.find('"', 1);
    pos = close == std::string_view::npos ? commandLine.size() : close + 1;
  }
  while (pos < commandLine.size() && !IsBlank(commandLine[pos])) ++pos;
  return SkipBlanks(commandLine.substr(pos));
}

SetupCommandLine ParseCommandLine(std::string_view arguments) {
  SetupCommandLine line;
  std::string_view rest = SkipBlanks(arguments);
  while (!rest.empty()) {
    // /D= may stand in quotes itself only as a whole word ("/D=C:\a b"); unquoted it takes the
    // rest of the line as it is.
    if (StartsWithSwitch(rest, kFolderSwitch)) {
      line.folder = FolderValue(rest.substr(3));
      if (line.folder->empty()) Fail(line, "/D= names no folder");
      break;
    }
    const Word word = NextWord(rest);
    rest = word.rest;
    const std::string& text = word.text;
    if (EqualsIgnoringCase(text, kSilentSwitch)) {
      line.silent = true;
    } else if (EqualsIgnoringCase(text, kNoStartPageSwitch)) {
      line.noStartPage = true;
    } else if (text == kHelpSwitch) {
      line.help = true;
    } else if (EqualsIgnoringCase(text, kRecoverSwitch)) {
      line.recover = true;
    } else if (StartsWithSwitch(text, kLogSwitch)) {
      if (line.logFile) Fail(line, "/LOG= is given twice");
      line.logFile = text.substr(5);
      if (line.logFile->empty()) Fail(line, "/LOG= names no file");
    } else if (StartsWithSwitch(text, kFolderSwitch)) {
      line.folder = text.substr(3);  // a quoted "/D=..." word
      if (line.folder->empty()) Fail(line, "/D= names no folder");
    } else {
      Fail(line, "unknown argument: " + text);
    }
  }
  return line;
}

std::string UsageText() {
  return "QuenloSetup.exe [/S] [/NOSTARTPAGE] [/LOG=文件] [/D=文件夹]\r\n"
         "\r\n"
         "/S\t静默安装：不显示窗口，不提问\r\n"
         "/NOSTARTPAGE\t不设置浏览器首页\r\n"
         "/LOG=文件\t把安装过程写入日志文件 (UTF-8)\r\n"
         "/D=文件夹\t安装文件夹，须放在最后，可含空格，不加引号\r\n"
         "/?\t显示本说明\r\n"
         "\r\n"
         "退出代码：0 安装成功；1 命令行有误；2 用户取消；3 安装文件已损坏（未做任何更改）；"
         "4 安装失败，已撤销；5 文件夹无效或磁盘空间不足（未做任何更改）";
}

}  // namespace quenlo
