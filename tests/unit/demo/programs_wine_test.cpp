// The demo player and the uninstaller under Wine, driven from outside as a person
// (or the setup's file-type commands) would: the player shows the command line it was given in
// its named controls; the uninstaller, with no uninstall record beside it, says so.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/unit/demo/wine_test_support.h"

namespace quenlo::demo {
namespace {

using testing::TemplatesFolder;

// A started program, ended (if still running) and released at the end of the test.
class Started {
 public:
  explicit Started(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
      process_ = {};
    }
  }
  ~Started() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;

  bool running() const { return process_.hProcess != nullptr; }
  DWORD id() const { return process_.dwProcessId; }
  // The exit status, or nullopt if the program has not ended within `milliseconds`.
  std::optional<DWORD> WaitForExit(DWORD milliseconds) const {
    if (WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    GetExitCodeProcess(process_.hProcess, &status);
    return status;
  }

 private:
  PROCESS_INFORMATION process_ = {};
};

std::string ControlName(HWND window) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(window, "QuenloName")));
  if (atom == 0) return "";
  char name[256];
  return std::string(name, GlobalGetAtomNameA(atom, name, sizeof name));
}

std::string Text(HWND window) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

struct Search {
  DWORD process;
  std::string className;  // "" for any
  HWND found = nullptr;
};

BOOL CALLBACK CheckTopLevel(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (owner == search.process && IsWindowVisible(window) &&
      (search.className.empty() || search.className == className)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

// The process's first visible top-level window (of `className`), waiting for it up to 20 s.
HWND WaitForWindow(const Started& program, const std::string& className = "") {
  for (int attempt = 0; attempt < 400; ++attempt) {
    Search search{program.id(), className};
    EnumWindows(CheckTopLevel, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (program.WaitForExit(50)) return nullptr;
  }
  return nullptr;
}

struct NamedSearch {
  std::string name;
  HWND found = nullptr;
};

BOOL CALLBACK CheckChild(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<NamedSearch*>(parameter);
  if (ControlName(window) != search.name) return TRUE;
  search.found = window;
  return FALSE;
}

std::string NamedText(HWND top, const std::string& name) {
  NamedSearch search{name};
  EnumChildWindows(top, CheckChild, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr ? Text(search.found) : "(no control " + name + ")";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

TEST(DemoPlayer, ShowsTheOpenCommandItWasGiven) {
  const std::string file = "C:\\我的音乐\\第一首 歌.mp3";
  const std::string line = Quoted(TemplatesFolder() + "\\QuenloMediaPlayer.exe") + " " +
                           Quoted("/o") + " " + Quoted(file);
  Started player(line);
  ASSERT_TRUE(player.running());
  HWND window = WaitForWindow(player);
  ASSERT_NE(window, nullptr) << "the player showed no window";
  EXPECT_EQ(ControlName(window), "Player_Form");
  EXPECT_EQ(NamedText(window, "CommandLine_L"), line);
  EXPECT_EQ(NamedText(window, "Arguments_L"), "1: /o\r\n2: " + file);
  const std::string request = NamedText(window, "Request_L");
  EXPECT_NE(request.find("打开并播放 (/o)"), std::string::npos) << request;
  EXPECT_NE(request.find(file), std::string::npos) << request;
  const std::string caption = Text(window);
  EXPECT_NE(caption.find("\"/o\" " + Quoted(file)), std::string::npos) << caption;

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(20000), 0u);
}

TEST(DemoPlayer, ShowsTheAddCommandAndClosesFromItsButton) {
  const std::string line =
      Quoted(TemplatesFolder() + "\\QuenloMediaPlayer.exe") + " \"/a\" \"D:\\list\\b.wav\"";
  Started player(line);
  ASSERT_TRUE(player.running());
  HWND window = WaitForWindow(player);
  ASSERT_NE(window, nullptr);
  EXPECT_NE(NamedText(window, "Request_L").find("添加到播放列表 (/a)"), std::string::npos);
  NamedSearch close{"Close_Btn"};
  EnumChildWindows(window, CheckChild, reinterpret_cast<LPARAM>(&close));
  ASSERT_NE(close.found, nullptr);
  PostMessageA(close.found, BM_CLICK, 0, 0);
  EXPECT_EQ(player.WaitForExit(20000), 0u);
}

TEST(DemoUninstaller, WithoutARecordBesideItSaysSoAndEndsOnOk) {
  Started uninstaller(Quoted(TemplatesFolder() + "\\UnInstall.exe"));
  ASSERT_TRUE(uninstaller.running());
  HWND box = WaitForWindow(uninstaller, "#32770");
  ASSERT_NE(box, nullptr) << "no message box";
  const std::string text = Text(GetDlgItem(box, 0xFFFF));
  EXPECT_NE(text.find("找不到 Quenlo播放 的卸载记录"), std::string::npos) << text;
  PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(uninstaller.WaitForExit(20000), 3u);  // the record is missing
}

}  // namespace
}  // namespace quenlo::demo
