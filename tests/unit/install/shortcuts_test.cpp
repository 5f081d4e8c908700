#include "install/shortcuts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kPrograms = "C:\\Users\\Mei\\Programs";
constexpr const char* kGroup = "C:\\Users\\Mei\\Programs\\Quenlo播放\\";
constexpr const char* kDesktop = "C:\\Users\\Mei\\Desktop";
// 誠 ends in the byte 0x5C: the folder still gets its one backslash.
constexpr const char* kInstall = "D:\\誠";
constexpr const char* kF = "D:\\誠\\";

class ShortcutsTest : public ::testing::Test {
 protected:
  ShortcutsTest() {
    files.AddDrive('D', platform::DriveType::Fixed, 1u << 30);
    registry.SetString(RegistryRoot::CurrentUser, kShellFolders, "Programs", kPrograms);
    shell.desktop = kDesktop;
    MakeFolder(kPrograms);
    MakeFolder(kDesktop);
    for (const char* name : {"QuenloMediaPlayer.exe", "UnInstall.exe", "Readme.txt"}) {
      files.WriteFile(std::string(kF) + name, name);
    }
  }
  void MakeFolder(const std::string& path) {
    std::filesystem::create_directories(files.NativePath(path));
  }
  void Run(const std::string& installDir = kInstall) {
    CreateShortcuts(installDir, {files, registry, shell});
  }
  std::vector<std::string> SavedPaths() const {
    std::vector<std::string> paths;
    for (const auto& link : shell.saved) paths.push_back(link.path);
    return paths;
  }

  testing::FakeFileSystem files;
  testing::FakeRegistry registry;
  testing::FakeShell shell{files};
};

TEST_F(ShortcutsTest, FourLinksInOrderEachWorkingInTheInstallationFolder) {
  Run();
  const std::string group = kGroup;
  const std::string desktop = std::string(kDesktop) + "\\";
  EXPECT_EQ(SavedPaths(),
            (std::vector<std::string>{group + "Quenlo播放.lnk", group + "UnInstall.lnk",
                                      group + "Readme.lnk", desktop + "Quenlo播放.lnk"}));
  const std::string f = kF;
  EXPECT_EQ(shell.saved[0].target, f + "QuenloMediaPlayer.exe");
  EXPECT_EQ(shell.saved[1].target, f + "UnInstall.exe");
  EXPECT_EQ(shell.saved[2].target, f + "Readme.txt");
  EXPECT_EQ(shell.saved[3].target, f + "QuenloMediaPlayer.exe");
  for (const auto& link : shell.saved) EXPECT_EQ(link.workingFolder, f) << link.path;
  EXPECT_TRUE(files.FolderExists(kGroup));
  EXPECT_EQ(registry.openKeys(), 0);
}

TEST_F(ShortcutsTest, InstallingAgainReplacesTheLinksAndReusesTheGroup) {
  Run();
  files.AddDrive('E', platform::DriveType::Fixed, 1u << 30);
  for (const char* name : {"QuenloMediaPlayer.exe", "UnInstall.exe", "Readme.txt"}) {
    files.WriteFile(std::string("E:\\Q\\") + name, name);
  }
  Run("E:\\Q\\");  // a trailing backslash is not doubled
  ASSERT_EQ(shell.saved.size(), 8u);
  EXPECT_EQ(files.ReadFile(std::string(kGroup) + "Readme.lnk"), "E:\\Q\\Readme.txt|E:\\Q\\");
  EXPECT_EQ(files.ReadFile(std::string(kDesktop) + "\\Quenlo播放.lnk"),
            "E:\\Q\\QuenloMediaPlayer.exe|E:\\Q\\");
}

TEST_F(ShortcutsTest, AMissingTargetSkipsOnlyItsLink) {
  files.RemoveFile(std::string(kF) + "Readme.txt");
  Run();
  EXPECT_EQ(shell.saved.size(), 3u);
  EXPECT_FALSE(files.FileExists(std::string(kGroup) + "Readme.lnk"));
  EXPECT_TRUE(files.FileExists(std::string(kGroup) + "UnInstall.lnk"));
}

TEST_F(ShortcutsTest, AProgramsFolderThatIsNotThereMeansOnlyTheDesktopLink) {
  registry.SetString(RegistryRoot::CurrentUser, kShellFolders, "Programs", "C:\\Gone\\Programs");
  Run();
  EXPECT_EQ(SavedPaths(), (std::vector<std::string>{std::string(kDesktop) + "\\Quenlo播放.lnk"}));
  EXPECT_FALSE(files.FolderExists("C:\\Gone"));  // one level only: no parents made
}

TEST_F(ShortcutsTest, NoDesktopMeansOnlyTheGroupLinks) {
  shell.desktop = "C:\\Users\\Mei\\NoDesktop";
  Run();
  EXPECT_EQ(shell.saved.size(), 3u);
  shell.saved.clear();
  shell.desktop.clear();
  Run();
  EXPECT_EQ(shell.saved.size(), 3u);
}

TEST_F(ShortcutsTest, WithoutTheProgramsValueTheShellsProgramsFolderHoldsTheGroup) {
  shell.programs = "C:\\Shell\\Programs";
  MakeFolder(shell.programs);
  registry.SetValue(RegistryRoot::CurrentUser, kShellFolders, "Programs",
                    {testing::FakeRegistry::ValueType::Dword, std::string(4, '\0')});
  Run();
  ASSERT_EQ(shell.saved.size(), 4u);
  EXPECT_EQ(shell.saved[0].path, "C:\\Shell\\Programs\\Quenlo播放\\Quenlo播放.lnk");

  // Neither the registry nor the shell knows one: no group anywhere, the desktop link still.
  testing::FakeRegistry empty;
  shell.programs.clear();
  shell.saved.clear();
  CreateShortcuts(kInstall, {files, empty, shell});
  EXPECT_EQ(SavedPaths(), (std::vector<std::string>{std::string(kDesktop) + "\\Quenlo播放.lnk"}));
  EXPECT_FALSE(empty.KeyExists(RegistryRoot::CurrentUser, kShellFolders));
}

TEST_F(ShortcutsTest, AShellWithoutLinkServiceSkipsTheLinksQuietly) {
  shell.unavailable = true;
  EXPECT_NO_THROW(Run());
  EXPECT_TRUE(shell.saved.empty());
  EXPECT_FALSE(files.FileExists(std::string(kDesktop) + "\\Quenlo播放.lnk"));
}

TEST(LinkFileNameTest, TheFileNameCutBeforeItsFirstDot) {
  EXPECT_EQ(LinkFileName("C:\\Q\\UnInstall.exe"), "UnInstall.lnk");
  EXPECT_EQ(LinkFileName("C:\\a.b\\Read.me.txt"), "Read.lnk");
  EXPECT_EQ(LinkFileName("D:Readme.txt"), "Readme.lnk");
  EXPECT_EQ(LinkFileName("C:\\Q\\说明"), "说明.lnk");
}

// What the uninstall record learns: the group, and only the links that were written.
TEST_F(ShortcutsTest, ReportsTheGroupAndTheLinksItMade) {
  files.RemoveFile(std::string(kF) + "Readme.txt");
  const ShortcutsMade made = CreateShortcuts(kInstall, {files, registry, shell});
  EXPECT_EQ(made.programGroup, kGroup);
  EXPECT_EQ(made.links, (std::vector<std::string>{std::string(kGroup) + "Quenlo播放.lnk",
                                                  std::string(kGroup) + "UnInstall.lnk",
                                                  std::string(kDesktop) + "\\Quenlo播放.lnk"}));
}

}  // namespace
}  // namespace quenlo
