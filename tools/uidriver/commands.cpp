#include "tools/uidriver/commands.h"

#include <charconv>
#include <functional>
#include <map>

#include "tools/uidriver/dump.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

using Words = std::vector<std::string>;

std::optional<long> ParseNumber(const std::string& word) {
  long value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

bool IsNumber(const std::string& word) { return !word.empty() && ParseNumber(word).has_value(); }

Milliseconds ParseMs(const std::string& word) {
  const auto value = ParseNumber(word);
  if (!value || *value < 0) throw DriverError("not a time in milliseconds: " + word);
  return static_cast<Milliseconds>(*value);
}

// The words after the command name, checked for their number.
const Words& Expect(const Words& words, std::size_t least, std::size_t most, const char* usage) {
  const std::size_t given = words.size() - 1;
  if (given < least || given > most) throw DriverError(std::string("usage: ") + usage);
  return words;
}

std::filesystem::path ToPath(const std::string& utf8) {
  const auto wide = Utf8ToWide(utf8);
  if (!wide) throw DriverError("path is not valid UTF-8");
  return std::filesystem::path(*wide);
}

Json WindowRef(HWND hwnd) {
  return Json::MakeObject()
      .Set("hwnd", HandleText(hwnd))
      .Set("name", GbkToUtf8(ControlName(hwnd)))
      .Set("class", GbkToUtf8(ClassName(hwnd)))
      .Set("caption", IsWindow(hwnd) ? GbkToUtf8(WindowText(hwnd)) : std::string());
}

Json FolderDialogToJson(const FolderDialogInfo& dialog) {
  return Json::MakeObject()
      .Set("caption", GbkToUtf8(dialog.caption))
      .Set("title", GbkToUtf8(dialog.title))
      .Set("selected", GbkToUtf8(dialog.selected))
      .Set("okEnabled", dialog.okEnabled);
}

// How the program reacted, and the box or dialog it opened.
Json ResultToJson(Driver& driver, const ActionResult& result) {
  Json json = Json::MakeObject().Set("outcome", OutcomeName(result.outcome));
  if (result.window == nullptr) return json;
  if (IsMessageBox(result.window)) {
    json.Set("box", MessageBoxToJson(ReadMessageBox(result.window)));
  } else if (IsFolderDialog(result.window)) {
    json.Set("folder", FolderDialogToJson(driver.WaitFolderDialog(0)));
  } else {
    json.Set("window", WindowRef(result.window));
  }
  return json;
}

bool ParseOnOff(const std::string& word) {
  if (word == "on" || word == "true" || word == "1") return true;
  if (word == "off" || word == "false" || word == "0") return false;
  throw DriverError("expected on or off, not " + word);
}

// The condition of wait-state: <field> <value> on a window's state.
std::function<bool(const WindowState&)> StateCondition(const std::string& field,
                                                       const std::string& value) {
  if (field == "text") {
    const std::string gbk = Utf8ToGbk(value);
    return [gbk](const WindowState& state) { return state.text == gbk; };
  }
  if (field == "enabled" || field == "visible" || field == "checked") {
    const bool wanted = ParseOnOff(value);
    if (field == "enabled") return [wanted](const WindowState& s) { return s.enabled == wanted; };
    if (field == "visible") return [wanted](const WindowState& s) { return s.visible == wanted; };
    return [wanted](const WindowState& s) { return s.checked == wanted; };
  }
  if (field == "pos") {
    const auto wanted = ParseNumber(value);
    if (!wanted) throw DriverError("pos needs a number, not " + value);
    return [wanted](const WindowState& s) { return s.progressPos && *s.progressPos == *wanted; };
  }
  throw DriverError("wait-state knows text, enabled, visible, checked and pos, not " + field);
}

}  // namespace

Json MessageBoxToJson(const MessageBoxInfo& box) {
  Json buttons = Json::MakeArray();
  for (int id : box.buttons) buttons.Push(AnswerName(id));
  return Json::MakeObject()
      .Set("text", GbkToUtf8(box.text))
      .Set("caption", GbkToUtf8(box.caption))
      .Set("buttons", std::move(buttons))
      .Set("icon", box.icon);
}

Json CommandRunner::Run(const Words& words) {
  using Handler = std::function<Json(const Words&)>;
  Driver& d = driver_;
  const std::map<std::string, Handler> commands = {
      {"start",
       [&](const Words& w) {
         Expect(w, 1, 1000, "start <exe> [args...]");
         Words arguments;
         for (std::size_t i = 2; i < w.size(); ++i) arguments.push_back(Utf8ToGbk(w[i]));
         d.Start(ToPath(w[1]), arguments, nextStart_);
         nextStart_ = {};
         return Json::MakeObject().Set("pid", d.ProcessId());
       }},
      {"workdir",
       [&](const Words& w) {
         nextStart_.workingFolder = ToPath(Expect(w, 1, 1, "workdir <folder>")[1]);
         return Json::MakeObject();
       }},
      {"env",
       [&](const Words& w) {
         const std::string& setting = Expect(w, 1, 1, "env NAME=value")[1];
         if (setting.find('=', 1) == std::string::npos || setting[0] == '=') {
           throw DriverError("usage: env NAME=value");
         }
         nextStart_.environment.push_back(Utf8ToGbk(setting));
         return Json::MakeObject();
       }},
      {"timeout",
       [&](const Words& w) {
         d.SetDefaultTimeout(ParseMs(Expect(w, 1, 1, "timeout <ms>")[1]));
         return Json::MakeObject();
       }},
      {"wait-window",
       [&](const Words& w) {
         Expect(w, 0, 2, "wait-window [name|caption] [timeout_ms]");
         std::string target;
         std::optional<Milliseconds> timeout;
         if (w.size() == 3) {
           target = Utf8ToGbk(w[1]);
           timeout = ParseMs(w[2]);
         } else if (w.size() == 2 && IsNumber(w[1])) {
           timeout = ParseMs(w[1]);
         } else if (w.size() == 2) {
           target = Utf8ToGbk(w[1]);
         }
         return Json::MakeObject().Set("window", WindowRef(d.WaitWindow(target, timeout)));
       }},
      {"wait-box",
       [&](const Words& w) {
         Expect(w, 0, 1, "wait-box [timeout_ms]");
         std::optional<Milliseconds> timeout;
         if (w.size() == 2) timeout = ParseMs(w[1]);
         return Json::MakeObject().Set("box", MessageBoxToJson(d.WaitMessageBox(timeout)));
       }},
      {"wait-folder",
       [&](const Words& w) {
         Expect(w, 0, 1, "wait-folder [timeout_ms]");
         std::optional<Milliseconds> timeout;
         if (w.size() == 2) timeout = ParseMs(w[1]);
         return Json::MakeObject().Set("folder", FolderDialogToJson(d.WaitFolderDialog(timeout)));
       }},
      {"answer",
       [&](const Words& w) {
         const auto id = AnswerId(Expect(w, 1, 1, "answer <Yes|No|OK|Cancel|...>")[1]);
         if (!id) throw DriverError("unknown answer " + w[1]);
         return ResultToJson(d, d.Answer(*id));
       }},
      {"click",
       [&](const Words& w) {
         return ResultToJson(d, d.Click(Utf8ToGbk(Expect(w, 1, 1, "click <name>")[1])));
       }},
      {"type",
       [&](const Words& w) {
         Expect(w, 2, 2, "type <name> <text>");
         return ResultToJson(d, d.Type(Utf8ToGbk(w[1]), Utf8ToGbk(w[2])));
       }},
      {"check",
       [&](const Words& w) {
         Expect(w, 2, 2, "check <name> <on|off>");
         return ResultToJson(d, d.SetChecked(Utf8ToGbk(w[1]), ParseOnOff(w[2])));
       }},
      {"get",
       [&](const Words& w) {
         return StateToJson(d.Get(Utf8ToGbk(Expect(w, 1, 1, "get <name>")[1])));
       }},
      {"wait-state",
       [&](const Words& w) {
         Expect(w, 3, 4,
                "wait-state <name> <text|enabled|visible|checked|pos> <value> [timeout_ms]");
         std::optional<Milliseconds> timeout;
         if (w.size() == 5) timeout = ParseMs(w[4]);
         const auto state =
             d.WaitState(Utf8ToGbk(w[1]), StateCondition(w[2], w[3]), w[2] + " " + w[3], timeout);
         return StateToJson(state);
       }},
      {"dump",
       [&](const Words& w) {
         Expect(w, 0, 1, "dump [name|caption]");
         return Json::MakeObject().Set("dump", d.Dump(w.size() == 2 ? Utf8ToGbk(w[1]) : ""));
       }},
      {"screenshot",
       [&](const Words& w) {
         Expect(w, 1, 2, "screenshot <file.bmp> [name|caption]");
         d.Screenshot(ToPath(w[1]), w.size() == 3 ? Utf8ToGbk(w[2]) : "");
         return Json::MakeObject().Set("file", w[1]);
       }},
      {"close",
       [&](const Words& w) {
         Expect(w, 0, 1, "close [name|caption]");
         return ResultToJson(d, d.Close(w.size() == 2 ? Utf8ToGbk(w[1]) : ""));
       }},
      {"alt-f4",
       [&](const Words& w) {
         Expect(w, 0, 1, "alt-f4 [name|caption]");
         return ResultToJson(d, d.AltF4(w.size() == 2 ? Utf8ToGbk(w[1]) : ""));
       }},
      {"browse",
       [&](const Words& w) {
         const std::string& target = Expect(w, 1, 1, "browse <path>|cancel")[1];
         return ResultToJson(d,
                             target == "cancel" ? d.BrowseCancel() : d.BrowseTo(Utf8ToGbk(target)));
       }},
      {"windows",
       [&](const Words& w) {
         Expect(w, 0, 1, "windows [all]");
         Json list = Json::MakeArray();
         if (w.size() == 2) {
           if (w[1] != "all") throw DriverError("usage: windows [all]");
           for (const auto& seen : d.WindowsEverShown()) {
             list.Push(Json::MakeObject()
                           .Set("hwnd", HandleText(seen.hwnd))
                           .Set("name", GbkToUtf8(seen.name))
                           .Set("class", GbkToUtf8(seen.className))
                           .Set("caption", GbkToUtf8(seen.caption))
                           .Set("visible", IsWindow(seen.hwnd) && IsWindowVisible(seen.hwnd)));
           }
         } else {
           for (HWND hwnd : d.Windows()) list.Push(WindowRef(hwnd));
         }
         return Json::MakeObject().Set("windows", std::move(list));
       }},
      {"wait-exit",
       [&](const Words& w) {
         Expect(w, 0, 1, "wait-exit [timeout_ms]");
         std::optional<Milliseconds> timeout;
         if (w.size() == 2) timeout = ParseMs(w[1]);
         return Json::MakeObject().Set("exitCode", d.WaitExit(timeout));
       }},
      {"sleep",
       [&](const Words& w) {
         Sleep(ParseMs(Expect(w, 1, 1, "sleep <ms>")[1]));
         return Json::MakeObject();
       }},
  };
  if (words.empty()) throw DriverError("empty command");
  const auto command = commands.find(words[0]);
  if (command == commands.end()) throw DriverError("unknown command " + words[0]);
  return command->second(words);
}

}  // namespace quenlo::uidriver
