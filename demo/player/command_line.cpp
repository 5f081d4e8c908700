#include "demo/player/command_line.h"

namespace quenlo::demo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// True when a double-byte character starts at `at`: a lead byte followed by a trail byte.
bool StartsDoubleByte(std::string_view line, std::size_t at) {
  if (at + 1 >= line.size()) return false;
  const auto lead = static_cast<unsigned char>(line[at]);
  const auto trail = static_cast<unsigned char>(line[at + 1]);
  return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// Reads the program item from `line` at `at`; quotes only group, they escape nothing.
std::string ReadProgram(std::string_view line, std::size_t& at) {
  std::string program;
  bool quoted = false;
  while (at < line.size()) {
    const char c = line[at];
    if (StartsDoubleByte(line, at)) {
      program.append(line.substr(at, 2));
      at += 2;
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
    } else if (IsBlank(c) && !quoted) {
      break;
    } else {
      program += c;
    }
    ++at;
  }
  return program;
}

// Reads one argument item starting at `at` (not a blank).
std::string ReadArgument(std::string_view line, std::size_t& at) {
  std::string item;
  bool quoted = false;
  while (at < line.size()) {
    const char c = line[at];
    if (StartsDoubleByte(line, at)) {
      item.append(line.substr(at, 2));
      at += 2;
      continue;
    }
    if (IsBlank(c) && !quoted) break;
    if (c == '\\') {
      std::size_t count = 0;
      while (at < line.size() && line[at] == '\\') {
        ++count;
        ++at;
      }
      if (at < line.size() && line[at] == '"') {
        item.append(count / 2, '\\');
        if (count % 2 == 1) {
          item += '"';
          ++at;
        }
      } else {
        item.append(count, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
        item += '"';
        at += 2;
        continue;
      }
      quoted = !quoted;
      ++at;
      continue;
    }
    item += c;
    ++at;
  }
  return item;
}

bool IsSwitch(const std::string& argument) {
  return argument.size() >= 2 && (argument[0] == '/' || argument[0] == '-');
}

bool SwitchIs(const std::string& argument, char letter) {
  return argument.size() == 2 && argument[0] == '/' &&
         (argument[1] == letter || argument[1] == letter - 'a' + 'A');
}

}  // namespace

SplitLine SplitCommandLine(std::string_view line) {
  SplitLine split;
  std::size_t at = 0;
  split.program = ReadProgram(line, at);
  while (at < line.size() && IsBlank(line[at])) ++at;
  split.rest = std::string(line.substr(at));
  while (at < line.size()) {
    split.arguments.push_back(ReadArgument(line, at));
    while (at < line.size() && IsBlank(line[at])) ++at;
  }
  return split;
}

PlayerRequest ParseRequest(const std::vector<std::string>& arguments) {
  PlayerRequest request;
  if (arguments.empty()) return request;
  auto files = arguments.begin();
  if (SwitchIs(arguments[0], 'o')) {
    request.action = PlayerAction::kOpenAndPlay;
    request.switchText = arguments[0];
    ++files;
  } else if (SwitchIs(arguments[0], 'a')) {
    request.action = PlayerAction::kAddToPlayList;
    request.switchText = arguments[0];
    ++files;
  } else if (IsSwitch(arguments[0])) {
    request.action = PlayerAction::kUnknownSwitch;
    request.switchText = arguments[0];
    ++files;
  } else {
    request.action = PlayerAction::kOpenAndPlay;
  }
  request.files.assign(files, arguments.end());
  return request;
}

std::string DescribeRequest(const PlayerRequest& request) {
  std::string heading;
  switch (request.action) {
    case PlayerAction::kNone:
      return "没有命令行参数：打开上次的播放列表。";
    case PlayerAction::kOpenAndPlay:
      heading = "打开并播放";
      break;
    case PlayerAction::kAddToPlayList:
      heading = "添加到播放列表";
      break;
    case PlayerAction::kUnknownSwitch:
      heading = "未知的开关 " + request.switchText + "，忽略";
      break;
  }
  if (!request.switchText.empty() && request.action != PlayerAction::kUnknownSwitch) {
    heading += " (" + request.switchText + ")";
  }
  if (request.files.empty()) return heading + "：没有指定文件。";
  std::string text = heading + "：";
  for (const std::string& file : request.files) text += "\r\n  " + file;
  return text;
}

}  // namespace quenlo::demo
