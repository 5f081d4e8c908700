// The setup and the uninstaller with no one at the window, as a deployment tool runs them: the
// real programs under Wine, the window list watched from the start to the end of each run.
//
// QUENLO_DEMO_SETUP and QUENLO_DEMO_PAYLOAD name the small demo setup and its tree
// (scripts/make-demo-payload.sh --small).
#include <windows.h>
// objbase.h needs windows.h first.
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "archive/archive_reader.h"
#include "base/byte_stream.h"
#include "demo/check/install_check.h"
#include "tests/gui/setup_program.h"
#include "tools/uidriver/driver.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

namespace fs = std::filesystem;
using demo::ReadRegistryString;
using guitest::EnvPath;
using guitest::Native;
using guitest::ReadAll;
using guitest::WriteAll;

// A folder with a blank and characters GBK needs, below a folder that does not exist.
constexpr const char* kInstallRoot = "C:\\静默";
constexpr const char* kInstallDir = "C:\\静默\\Quenlo 播放";
constexpr const char* kDefaultDir = "C:\\Program Files\\QuenloBoFang";
constexpr const char* kStartPageKey = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kAddress = "http://start.tesmar.example/?my";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuenloBoFang";
constexpr Milliseconds kRunTimeout = 180000;

void SetStartPage(const char* address) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kStartPageKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "Start Page", 0, REG_SZ, reinterpret_cast<const BYTE*>(address),
                 static_cast<DWORD>(std::strlen(address) + 1));
  RegCloseKey(key);
}

std::string WindowsShown(const std::vector<SeenWindow>& seen) {
  std::string text;
  for (const SeenWindow& window : seen)
    text += " [" + window.className + " " + window.caption + "]";
  return GbkToUtf8(text);
}

class SilentTest : public testing::Test {
 protected:
  void SetUp() override {
    setup_ = EnvPath("QUENLO_DEMO_SETUP");
    payload_ = EnvPath("QUENLO_DEMO_PAYLOAD");
    ASSERT_TRUE(!setup_.empty() && fs::exists(setup_) && fs::exists(payload_))
        << "run scripts/make-demo-payload.sh --small";
    CoInitialize(nullptr);
    Clean();
    SetStartPage("about:blank");
  }
  void TearDown() override {
    Clean();
    CoUninitialize();
  }
  void Clean() {
    std::error_code ignored;
    fs::remove_all(Native(kInstallRoot), ignored);
    fs::remove_all(Native(kDefaultDir), ignored);
    for (const std::string& link : demo::ExpectedLinkPaths()) fs::remove(Native(link), ignored);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
  }

  // Runs `program` with `arguments` to its end; it must show no window at any moment.
  DWORD RunUnseen(const fs::path& program, const std::vector<std::string>& arguments) {
    Driver driver;
    driver.Start(program, arguments);
    const DWORD code = driver.WaitExit(kRunTimeout);
    const std::vector<SeenWindow> seen = driver.WindowsEverShown();
    EXPECT_TRUE(seen.empty()) << "windows shown:" << WindowsShown(seen);
    return code;
  }

  bool NothingInstalled() {
    return !fs::exists(Native(kInstallRoot)) && !fs::exists(Native(kDefaultDir)) &&
           !ReadRegistryString("HKLM", "Software\\QuenloBoFang", "AppPath") &&
           !ReadRegistryString("HKLM", kUninstallKey, "UninstallString") &&
           ReadRegistryString("HKCU", kStartPageKey, "Start Page") == "about:blank";
  }

  fs::path setup_;
  fs::path payload_;
  guitest::InstallationRecord record_;  // none before, none after
};

// /S with a folder of blanks and Chinese (unquoted, the rest of the line), no start page and a
// log; /S again over that installation; then the uninstaller with /S. No window, ever.
TEST_F(SilentTest, InstallsOverAnEarlierInstallationAndUninstallsWithNoWindow) {
  const fs::path log = fs::temp_directory_path() / "quenlo-silent.log";
  fs::remove(log);
  // Two words after /D=: the setup sees the command line /D=C:\静默\Quenlo 播放, unquoted.
  const std::string dir = kInstallDir;
  const std::string firstWord = dir.substr(0, dir.find(' '));
  const std::string secondWord = dir.substr(dir.find(' ') + 1);
  EXPECT_EQ(RunUnseen(setup_, {"/s", "/NoStartPage", "/LOG=" + WideToGbk(log.wstring()).value(),
                               "/D=" + firstWord, secondWord}),
            0u);
  demo::InstallReport report = demo::CheckInstallation({payload_, kInstallDir});
  EXPECT_TRUE(report.Complete()) << demo::FormatReport(report);
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), "about:blank");
  EXPECT_EQ(ReadRegistryString("HKLM", kUninstallKey, "QuietUninstallString"),
            "\"" + dir + "\\UnInstall.exe\" /S");

  const std::string text = ReadAll(log);  // UTF-8
  for (const std::string& line :
       {"file written: " + GbkToUtf8(dir) + "\\QuenloMediaPlayer.exe (",
        std::string("codec: ") + GbkToUtf8(dir) + "\\Codec\\",
        std::string("DllRegisterServer: returned 0x00000000"),
        "registry value: HKLM\\Software\\QuenloBoFang AppPath = \"" + GbkToUtf8(dir) + "\"",
        std::string("registry value: HKCR\\.avi"), GbkToUtf8("step: OK，文件类型注册完毕!"),
        std::string("outcome: installed"), std::string("exit code: 0")}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  fs::remove(log);

  // Over the earlier installation: into its folder, and this time the start page is set.
  EXPECT_EQ(RunUnseen(setup_, {"/S"}), 0u);
  report = demo::CheckInstallation({payload_, kInstallDir});
  EXPECT_TRUE(report.Complete()) << demo::FormatReport(report);
  EXPECT_FALSE(fs::exists(Native(kDefaultDir)));
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), kAddress);

  EXPECT_EQ(RunUnseen(Native(dir + "\\UnInstall.exe"), {"/S"}), 0u);
  EXPECT_FALSE(ReadRegistryString("HKLM", kUninstallKey, "UninstallString"));
  EXPECT_FALSE(ReadRegistryString("HKLM", "Software\\QuenloBoFang", "AppPath"));
  EXPECT_EQ(ReadRegistryString("HKCU", kStartPageKey, "Start Page"), "about:blank");
  // Its copy in the temporary folder removes the uninstaller and the folders once it has ended.
  for (int i = 0; i < 300 && fs::exists(Native(kInstallRoot)); ++i) Sleep(100);
  EXPECT_FALSE(fs::exists(Native(kInstallRoot)));
  // Run again, it finds no record.
  fs::create_directories(Native(kInstallDir));
  fs::copy_file(payload_ / "App" / "UnInstall.exe", Native(dir + "\\UnInstall.exe"));
  EXPECT_EQ(RunUnseen(Native(dir + "\\UnInstall.exe"), {"/S"}), 3u);
}

// A copy of the setup with bytes overwritten in the middle of a large record of its payload.
fs::path DamagedCopy(const fs::path& setup) {
  const fs::path copy = fs::temp_directory_path() / "QuenloSetup-damaged.exe";
  fs::copy_file(setup, copy, fs::copy_options::overwrite_existing);
  std::uint64_t offset = 0;
  {
    FileSource source(setup.string());
    archive::ArchiveWalker walker(source);
    while (auto record = walker.Next()) {
      if (!record->IsImage() && record->storedSize > 4096) {
        offset = record->dataOffset + record->storedSize / 2;
        break;
      }
    }
  }
  std::fstream file(copy, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write("ZZZZZZZZZZZZZZZZ", 16);
  return copy;
}

// Under /S every way the setup can refuse shows nothing and changes nothing; the exit code says
// which it was.
TEST_F(SilentTest, AWrongLineADamagedFileAndAFolderRefusedChangeNothing) {
  const fs::path damaged = DamagedCopy(setup_);
  const struct {
    const char* name;
    fs::path program;
    std::vector<std::string> arguments;
    DWORD exitCode;
  } cases[] = {
      {"an unknown switch", setup_, {"/S", "/X"}, 1},
      {"a damaged setup file", damaged, {"/S"}, 3},
      {"a drive that is not there", setup_, {"/S", "/D=Q:\\Quenlo"}, 5},
      {"an invalid character", setup_, {"/S", "/D=C:\\静默\\a*b"}, 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunUnseen(c.program, c.arguments), c.exitCode) << c.name;
    EXPECT_TRUE(NothingInstalled()) << c.name;
  }
  fs::remove(damaged);
}

}  // namespace
}  // namespace quenlo::uidriver

namespace quenlo::uidriver {
namespace {

// Without /S, /? shows the usage in a box and ends with 0; a wrong line shows it too and ends
// with 1, nothing changed.
TEST_F(SilentTest, TheUsageIsShownForSlashQuestionMarkAndForAWrongLine) {
  for (const auto& [argument, exitCode] :
       {std::pair<const char*, DWORD>{"/?", 0}, std::pair<const char*, DWORD>{"/Silent", 1}}) {
    Driver driver;
    driver.Start(setup_, {argument});
    const MessageBoxInfo box = driver.WaitMessageBox();
    EXPECT_EQ(GbkToUtf8(box.caption), GbkToUtf8("提示信息")) << argument;
    EXPECT_NE(box.text.find("/NOSTARTPAGE"), std::string::npos) << argument;
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << argument;
    driver.Answer(IDOK);
    EXPECT_EQ(driver.WaitExit(), exitCode) << argument;
    EXPECT_TRUE(NothingInstalled()) << argument;
  }
}

}  // namespace
}  // namespace quenlo::uidriver
