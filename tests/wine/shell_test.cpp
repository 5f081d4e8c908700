// The Win32 shell backend under Wine: the user's special folders, and links saved through the
// shell-link object and read back through it.
#include <windows.h>
// objbase.h needs windows.h first.
#include <objbase.h>

#include <gtest/gtest.h>

#include "demo/check/install_check.h"
#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"

namespace quenlo {
namespace {

// A small file at a GBK path (the C++ library's narrow paths are not GBK here).
void WriteSmallFile(const std::string& path, const std::string& content) {
  const HANDLE file =
      CreateFileW(win32::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

class RealShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "quenlo-shell-test\\";
    RemoveFolder();  // what an interrupted earlier run left behind
    ASSERT_TRUE(files->CreateFolder(folder));
    target = folder + "播放器.exe";
    WriteSmallFile(target, "MZ");
  }
  void TearDown() override {
    RemoveFolder();
    CoUninitialize();
  }
  void RemoveFolder() {
    for (const char* name : {"播放器.exe", "快捷方式.lnk"}) files->RemoveFile(folder + name);
    files->RemoveFolder(folder);
  }

  std::unique_ptr<platform::Shell> shell = win32::MakeShell();
  std::unique_ptr<platform::FileSystem> files = win32::MakeFileSystem();
  std::string folder, target;
};

TEST_F(RealShellTest, TheUsersDesktopAndProgramsFoldersExist) {
  const std::string desktop = shell->DesktopFolder();
  const std::string programs = shell->ProgramsFolder();
  EXPECT_TRUE(files->FolderExists(desktop)) << desktop;
  EXPECT_TRUE(files->FolderExists(programs)) << programs;
  EXPECT_NE(desktop, programs);
}

TEST_F(RealShellTest, ALinkCarriesItsTargetAndWorkingFolderOnlyAndReplacesAFile) {
  const std::string link = folder + "快捷方式.lnk";
  WriteSmallFile(link, "not a link");
  shell->SaveLink(link, target, folder);
  const auto saved = demo::ReadLink(link);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->target, target);
  EXPECT_EQ(saved->workingFolder, folder);
  EXPECT_EQ(saved->arguments, "");
  EXPECT_EQ(saved->description, "");
  EXPECT_EQ(saved->iconLocation, "");
  EXPECT_EQ(saved->hotkey, 0u);
}

TEST_F(RealShellTest, ALinkInAFolderThatIsNotThereIsSimplyAbsent) {
  const std::string link = folder + "没有\\快捷方式.lnk";
  EXPECT_NO_THROW(shell->SaveLink(link, target, folder));
  EXPECT_FALSE(files->FileExists(link));
  EXPECT_FALSE(files->FolderExists(folder + "没有"));
}

}  // namespace
}  // namespace quenlo
