// The drive and path functions behind the folder page, and the free-space figure.
#include "wizard/folder_checks.h"

#include <gtest/gtest.h>

#include "tests/support/fake_file_system.h"
#include "tests/support/fake_registry.h"

namespace quenlo::wizard {
namespace {

using platform::DriveType;
using platform::RegistryRoot;

TEST(DriveNumber, IsThePositionOfTheFirstTwoCharacters) {
  EXPECT_EQ(DriveNumber("A:"), 1);
  EXPECT_EQ(DriveNumber("c:\\Apps"), 3);
  EXPECT_EQ(DriveNumber("Z:\\"), 26);
  for (const char* path : {"", "C", "1:\\", "\\\\server\\share", "QuenloBoFang\\", "数据"}) {
    EXPECT_EQ(DriveNumber(path), -1) << path;
    EXPECT_FALSE(HasDrivePrefix(path)) << path;
  }
  EXPECT_TRUE(HasDrivePrefix("d:"));
  EXPECT_EQ(DriveRoots()[2], "C:\\");
}

TEST(IsValidDrive, RefusesOnlyUnknownDrivesAndDrivesWithoutRoot) {
  testing::FakeFileSystem files;
  files.AddDrive('E', DriveType::CdRom, 0);
  files.AddDrive('N', DriveType::Remote, 0);
  files.AddDrive('U', DriveType::Unknown, 0);
  EXPECT_TRUE(IsValidDrive(files, "C:\\Apps"));
  EXPECT_TRUE(IsValidDrive(files, "e:"));
  EXPECT_TRUE(IsValidDrive(files, "N:\\Share"));
  EXPECT_FALSE(IsValidDrive(files, "U:\\"));
  EXPECT_FALSE(IsValidDrive(files, "X:\\Apps"));  // no root folder
}

TEST(DriveFreeBytes, AsksTheRootAndAnswersMinusOneOnFailure) {
  testing::FakeFileSystem files;
  files.AddDrive('D', DriveType::Fixed, 12345);
  files.AddDrive('E', DriveType::Removable, 999);
  files.FailDiskSpaceQuery('E');
  EXPECT_EQ(DriveFreeBytes(files, 4), 12345);
  EXPECT_EQ(DriveFreeBytes(files, 3), std::int64_t{10} << 30);
  EXPECT_EQ(DriveFreeBytes(files, 5), -1);
  EXPECT_EQ(DriveFreeBytes(files, 24), -1);  // X: is not there
  EXPECT_EQ(DriveFreeBytes(files, -1), -1);
  EXPECT_EQ(DriveFreeBytes(files, 0), -1);
  EXPECT_EQ(DriveFreeBytes(files, 27), -1);
}

TEST(FormatFreeSpace, WritesGigabytesToTwoDecimalsAndRecordsMegabytes) {
  SetupSession session;
  EXPECT_EQ(FormatFreeSpace(session, 0), "0.00 G");
  EXPECT_EQ(session.FreeSpaceMB, 0.0);
  EXPECT_EQ(FormatFreeSpace(session, 1073741824), "1.00 G");
  EXPECT_EQ(session.FreeSpaceMB, 1024.0);
  EXPECT_EQ(FormatFreeSpace(session, 78643200), "0.07 G");
  EXPECT_EQ(session.FreeSpaceMB, 75.0);
  EXPECT_EQ(FormatFreeSpace(session, 10737418240), "10.00 G");
  EXPECT_EQ(FormatFreeSpace(session, 134217728), "0.13 G");  // 0.125: a half rounds up
  EXPECT_EQ(FormatFreeSpace(session, 5368709), "0.00 G");    // just under half a hundredth
  EXPECT_EQ(FormatFreeSpace(session, 5368710), "0.01 G");    // just over it
  EXPECT_EQ(FormatFreeSpace(session, 1610612736000), "1500.00 G");
}

TEST(FormatFreeSpace, FailedQueryReadsZeroWithoutASignButFailsTheSpaceCheck) {
  SetupSession session;
  EXPECT_EQ(FormatFreeSpace(session, -1), "0.00 G");
  EXPECT_EQ(session.FreeSpaceMB, -1.0 / 1048576.0);
  EXPECT_FALSE(HasEnoughSpace(session, 65));
  EXPECT_EQ(FormatFreeSpace(session, INT64_MIN), "-8589934592.00 G");
  EXPECT_EQ(FormatFreeSpace(session, INT64_MAX), "8589934592.00 G");
}

TEST(HasEnoughSpace, NeedsMoreThanTenMegabytesAboveTheRequirement) {
  SetupSession session;
  FormatFreeSpace(session, 75ll << 20);
  EXPECT_FALSE(HasEnoughSpace(session, 65));
  FormatFreeSpace(session, (75ll << 20) + 1);
  EXPECT_TRUE(HasEnoughSpace(session, 65));
}

TEST(IsValidFolderName, NeedsADriveRootAndNoInvalidCharacterAfterIt) {
  for (const char* path : {"C:\\", "c:\\apps", "Z:\\A<b>\\", "D:\\亅", "D:\\Program Files\\"}) {
    EXPECT_TRUE(IsValidFolderName(path)) << path;
  }
  for (const char* path : {"", "C:", "C:/Apps", "1:\\", "\\\\server\\share", "C:\\a:b", "C:\\a*",
                           "C:\\50%", "C:\\a|b", "C:\\a?", "C:\\\"a\"", "C:\\a/b"}) {
    EXPECT_FALSE(IsValidFolderName(path)) << path;
  }
}

TEST(DefaultFolder, PrefersTheEarlierInstallationThenProgramFiles) {
  testing::FakeRegistry registry;
  SetupSession session;
  EXPECT_EQ(GetProgramFilesDir(registry), "");
  EXPECT_EQ(DefaultFolder(session, registry), "QuenloBoFang\\");

  const char* key = "Software\\Microsoft\\Windows\\CurrentVersion";
  registry.SetString(RegistryRoot::LocalMachine, key, "ProgramFilesDir", "D:\\程序\\");
  EXPECT_EQ(DefaultFolder(session, registry), "D:\\程序\\QuenloBoFang\\");
  registry.SetString(RegistryRoot::LocalMachine, key, "ProgramFilesDir", "C:\\Program Files");
  EXPECT_EQ(DefaultFolder(session, registry), "C:\\Program Files\\QuenloBoFang\\");
  EXPECT_EQ(registry.openKeys(), 0);

  session.ExistingAppPath = "e:\\Old Player";
  EXPECT_EQ(DefaultFolder(session, registry), "e:\\Old Player");
}

TEST(FolderMessages, AreComposedWithoutSeparators) {
  EXPECT_EQ(LowSpaceMessage("D:\\Apps\\", false),
            "D: 盘空间不足以安装 Quenlo播放 1.04 Tesmar版请您选择其它的安装位置。");
  EXPECT_EQ(LowSpaceMessage("D:\\Apps\\", true),
            "D: 盘空间不足以安装 Quenlo播放 1.04 Tesmar版 版本请您选择其它的安装位置。");
  // Two characters, not two bytes: a double-byte character is never cut in half.
  EXPECT_EQ(LowSpaceMessage("Q数据", true).substr(0, 3), "Q数");
  EXPECT_EQ(CreateFolderQuestion("D:\\A\\B\\C"),
            "您选定的文件夹 “D:\\A\\B\\C ” 不存在，是否创建该文件夹?");
}

}  // namespace
}  // namespace quenlo::wizard
