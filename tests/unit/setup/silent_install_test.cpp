// The install with no one at the window against the test doubles: its exit code for each way it
// can end, what it leaves changed (nothing, where it ends before the install), and its log.
#include "setup/silent_install.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "install/uninstall_entry.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_libraries.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;

constexpr const char* kStartPageKey = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kEarlierStartPage = "http://before.example/";
constexpr const char* kDefaultFolder = "C:\\Program Files\\QuenloBoFang\\";

class CollectedLog final : public platform::LogFile {
 public:
  void WriteLine(const std::string& line) override { lines.push_back(line); }
  bool Has(const std::string& part) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(part) != std::string::npos;
    });
  }
  std::vector<std::string> lines;
};

struct Machine {
  Machine() {
    registry.SetString(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                       "ProgramFilesDir", "C:\\Program Files");
    registry.SetString(RegistryRoot::CurrentUser, kStartPageKey, "Start Page", kEarlierStartPage);
    files.CreateFolder("C:\\Program Files");
    files.WriteFile(shell.desktop + "\\desktop.ini", "");
    testing::SetupFileBuilder setup;
    setup.Add("App\\Codec\\a.ax", "filter").Add("App\\QuenloMediaPlayer.exe", "player");
    files.WriteFile(files.ModulePath(), setup.str());
  }
  ExitCode Install(const std::string& arguments) {
    InstallActions actions(loggedFiles, loggedRegistry, shell);
    return RunSilentInstall(session, ParseCommandLine(arguments),
                            {loggedFiles, loggedRegistry, loggedLibraries, actions, &installLog});
  }
  std::string StartPage() {
    return registry.Value(RegistryRoot::CurrentUser, kStartPageKey, "Start Page")->data;
  }
  bool Installed() {
    return registry.Value(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath") ||
           registry.KeyExists(RegistryRoot::LocalMachine, kUninstallEntryKey);
  }

  testing::FakeFileSystem files;
  testing::FakeRegistry registry;
  testing::FakeLibraries libraries;
  testing::FakeShell shell{files};
  CollectedLog log;
  InstallLog installLog{log};
  LoggedFileSystem loggedFiles{files, installLog};
  LoggedRegistry loggedRegistry{registry, installLog};
  LoggedLibraries loggedLibraries{libraries, installLog};
  SetupSession session;
};

TEST(SilentInstall, EachOutcomeHasItsExitCodeAndOnlyAnInstallChangesTheMachine) {
  struct Case {
    const char* name;
    std::string arguments;
    std::function<void(Machine&)> arrange;
    ExitCode exitCode;
    const char* folderAfter;  // the folder that holds the player afterwards; null: none
    bool startPageSet;
  };
  const Case cases[] = {
      {"the default folder", "/S", nullptr, kExitInstalled, kDefaultFolder, true},
      {"/D= with blanks and Chinese, no start page", "/S /NOSTARTPAGE /D=C:\\新 文件夹\\播 放",
       nullptr, kExitInstalled, "C:\\新 文件夹\\播 放", false},
      {"over an earlier installation", "/S",
       [](Machine& m) {
         m.files.CreateFolder("C:\\Old");
         m.registry.SetString(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath",
                              "C:\\Old\\");
       },
       kExitInstalled, "C:\\Old\\", true},
      {"an invalid character", "/S /D=C:\\a|b", nullptr, kExitFolderRefused, nullptr, false},
      {"no such drive", "/S /D=X:\\Apps", nullptr, kExitFolderRefused, nullptr, false},
      {"no drive root", "/S /D=Apps\\Quenlo", nullptr, kExitFolderRefused, nullptr, false},
      {"75 MB free", "/S /D=D:\\Apps",
       [](Machine& m) { m.files.AddDrive('D', platform::DriveType::Fixed, 75ull << 20); },
       kExitFolderRefused, nullptr, false},
      {"a damaged setup file", "/S",
       [](Machine& m) {
         testing::SetupFileBuilder setup;
         setup.Add("App\\QuenloMediaPlayer.exe", "player").AddStored("App\\b.dll", {1, 2, 3, 4});
         m.files.WriteFile(m.files.ModulePath(), setup.str());
       },
       kExitDamagedSetup, nullptr, false},
      {"a folder that cannot be written", "/S /D=C:\\Denied\\Player",
       [](Machine& m) { m.files.DenyWritesIn("C:\\Denied\\Player\\Codec"); }, kExitInstallFailed,
       nullptr, false},
  };
  for (const Case& c : cases) {
    Machine machine;
    if (c.arrange) c.arrange(machine);
    EXPECT_EQ(machine.Install(c.arguments), c.exitCode) << c.name;
    EXPECT_EQ(machine.StartPage() != kEarlierStartPage, c.startPageSet) << c.name;
    if (c.folderAfter != nullptr) {
      const std::string player = EnsureTrailingBackslash(c.folderAfter) + "QuenloMediaPlayer.exe";
      EXPECT_EQ(machine.files.ReadFile(player), "player") << c.name;
      EXPECT_TRUE(machine.Installed()) << c.name;
      EXPECT_EQ(machine.shell.saved.size(), 1u) << c.name;  // the desktop's; the payload has
                                                            // no uninstaller or read-me
    } else {
      EXPECT_FALSE(machine.Installed()) << c.name;
      EXPECT_FALSE(machine.files.FolderExists(kDefaultFolder)) << c.name;
      EXPECT_FALSE(machine.files.FolderExists("C:\\Denied")) << c.name;  // made, then given back
      EXPECT_TRUE(machine.shell.saved.empty()) << c.name;
    }
  }
}

TEST(SilentInstall, TheLogNamesEveryFileWithItsSizeEachCodecAndEveryValueWritten) {
  Machine machine;
  machine.libraries.Script("C:\\Program Files\\QuenloBoFang\\Codec\\a.ax",
                           platform::EntryPointOutcome::Returning(0));
  ASSERT_EQ(machine.Install("/S"), kExitInstalled);
  const CollectedLog& log = machine.log;
  EXPECT_TRUE(
      log.Has("file written: C:\\Program Files\\QuenloBoFang\\QuenloMediaPlayer.exe "
              "(6 bytes)"));
  EXPECT_TRUE(log.Has("file written: C:\\Program Files\\QuenloBoFang\\UnInstall.rec"));
  EXPECT_TRUE(
      log.Has("codec: C:\\Program Files\\QuenloBoFang\\Codec\\a.ax DllRegisterServer: "
              "returned 0x00000000"));
  EXPECT_TRUE(
      log.Has("registry value: HKLM\\Software\\QuenloBoFang AppPath = "
              "\"C:\\Program Files\\QuenloBoFang\\\""));
  EXPECT_TRUE(
      log.Has("registry value: HKCU\\Software\\Microsoft\\Internet Explorer\\Main "
              "Start Page = "));
  EXPECT_TRUE(log.Has("registry value: HKCR\\.avi"));
  EXPECT_TRUE(
      log.Has("QuietUninstallString = \"\"C:\\Program Files\\QuenloBoFang\\UnInstall.exe\" /S\""));
}

TEST(SilentInstall, ADamagedSetupFileIsLoggedAndNothingIsWritten) {
  Machine machine;
  testing::SetupFileBuilder setup;
  setup.AddStored("App\\b.dll", {1, 2, 3, 4});
  machine.files.WriteFile(machine.files.ModulePath(), setup.str());
  EXPECT_EQ(machine.Install("/S /LOG=x"), kExitDamagedSetup);
  EXPECT_TRUE(machine.log.Has("setup file damaged: "));
  EXPECT_FALSE(machine.log.Has("file written"));
  EXPECT_FALSE(machine.log.Has("registry value"));
  EXPECT_FALSE(machine.log.Has("folder created"));
}

}  // namespace
}  // namespace quenlo
