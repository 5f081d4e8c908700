// The destination folder page on a headless window: the check on every change, the check at
// page entry, the browse action and the acceptance on Next.
#include <gtest/gtest.h>

#include "tests/unit/wizard/wizard_fixture.h"

namespace quenlo::wizard {
namespace {

using platform::DriveType;
using platform::kAnswerNo;
using platform::kAnswerOk;
using platform::kAnswerYes;

constexpr const char* kLowSpaceD =
    "D: 盘空间不足以安装 Quenlo播放 1.04 Tesmar版请您选择其它的安装位置。";
constexpr const char* kLowSpaceEntryD =
    "D: 盘空间不足以安装 Quenlo播放 1.04 Tesmar版 版本请您选择其它的安装位置。";

class FolderPageTest : public WizardFixture {
 protected:
  void SetUp() override {
    files.AddDrive('D', DriveType::Fixed, 2ull << 30);
    files.AddDrive('F', DriveType::Fixed, 75 * kMB);
    files.AddDrive('G', DriveType::Removable, 76 * kMB);
  }
  void OpenAtFolderPage() {
    Open();
    GoTo(3);
  }
  bool NextOn() { return window.Get("Next_Btn").Enabled(); }
  std::string FreeSpace() { return Text("FreeSpace_L"); }
};

TEST_F(FolderPageTest, EntryShowsTheDefaultFolderAndBothSpaceLabels) {
  OpenAtFolderPage();
  EXPECT_EQ(Text("Folder_E"), "C:\\Program Files\\QuenloBoFang\\");
  EXPECT_EQ(Text("NeedSpace_L"), "需要硬盘空间: 65 M");
  EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 10.00 G");
  EXPECT_TRUE(NextOn());
  EXPECT_TRUE(window.messages().empty());
  EXPECT_EQ(Text("Browse_Btn"), "浏览...(&B)");
  EXPECT_EQ(Text("Folder_GB"), "目标文件夹");
}

TEST_F(FolderPageTest, EarlierInstallationFolderIsTheDefaultAsStored) {
  session.ExistingAppPath = "d:\\Tools\\QuenloBoFang";
  OpenAtFolderPage();
  EXPECT_EQ(Text("Folder_E"), "d:\\Tools\\QuenloBoFang");
  EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 2.00 G");
}

TEST_F(FolderPageTest, TextsThatCannotBeAFolderTurnNextOffSilently) {
  OpenAtFolderPage();
  ASSERT_TRUE(window.Type("Folder_E", "D:\\Apps"));
  const std::string dFigure = FreeSpace();
  for (const char* text : {"", "D:\\Apps\\\\Player", "D:\\\\", "D:\\A/b", "D:\\A:b", "D:\\A\"b",
                           "D:\\A*b", "D:\\A?b", "D:\\A|b", "D:\\A%b"}) {
    ASSERT_TRUE(window.Type("Folder_E", "D:\\Apps"));
    ASSERT_TRUE(NextOn());
    ASSERT_TRUE(window.Type("Folder_E", text));
    EXPECT_FALSE(NextOn()) << text;
    EXPECT_EQ(FreeSpace(), dFigure) << text;
  }
  EXPECT_TRUE(window.messages().empty());
}

TEST_F(FolderPageTest, OnlyCharactersAfterTheRootAreLookedAt) {
  OpenAtFolderPage();
  for (const char* text : {"D:\\A<b>", "D:/Apps", "d:\\apps", "D:"}) {
    ASSERT_TRUE(window.Type("Folder_E", "X"));
    ASSERT_TRUE(window.Type("Folder_E", text));
    EXPECT_TRUE(NextOn()) << text;
    EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 2.00 G") << text;
  }
}

TEST_F(FolderPageTest, DoubleByteCharactersAreNotTakenForSeparatorsOrInvalidCharacters) {
  OpenAtFolderPage();
  ASSERT_TRUE(window.Type("Folder_E", "D:\\乗\\Apps"));  // trail byte 0x5C before a backslash
  EXPECT_TRUE(NextOn());
  ASSERT_TRUE(window.Type("Folder_E", "D:\\亅"));  // trail byte 0x7C, a "|"
  EXPECT_TRUE(NextOn());
}

TEST_F(FolderPageTest, MissingDriveShowsNoSpaceWithoutAMessage) {
  OpenAtFolderPage();
  for (const char* text : {"X:\\Apps", "Apps\\Player"}) {
    ASSERT_TRUE(window.Type("Folder_E", text));
    EXPECT_FALSE(NextOn()) << text;
    EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 0.00 G") << text;
    EXPECT_EQ(session.FreeSpaceMB, 0.0);
  }
  EXPECT_TRUE(window.messages().empty());
}

TEST_F(FolderPageTest, SeventyFiveMegabytesAreTooFewAndSeventySixEnough) {
  OpenAtFolderPage();
  window.AnswerMessage(kAnswerOk);
  ASSERT_TRUE(window.Type("Folder_E", "F:\\Apps"));
  EXPECT_FALSE(NextOn());
  EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 0.07 G");
  ASSERT_EQ(window.messages().size(), 1u);
  EXPECT_EQ(window.messages()[0].text,
            "F: 盘空间不足以安装 Quenlo播放 1.04 Tesmar版请您选择其它的安装位置。");
  EXPECT_EQ(window.messages()[0].caption, "提示信息");
  EXPECT_EQ(window.messages()[0].flags, 0u);

  window.AnswerMessage(kAnswerOk);  // every further change on the full drive asks again
  ASSERT_TRUE(window.Type("Folder_E", "F:\\Apps2"));
  EXPECT_EQ(window.messages().size(), 2u);

  ASSERT_TRUE(window.Type("Folder_E", "G:\\Apps"));
  EXPECT_TRUE(NextOn());
  EXPECT_EQ(window.messages().size(), 2u);
}

TEST_F(FolderPageTest, FailedFreeSpaceQueryCountsAsTooLittleRoom) {
  files.FailDiskSpaceQuery('D');
  OpenAtFolderPage();
  window.AnswerMessage(kAnswerOk);
  ASSERT_TRUE(window.Type("Folder_E", "D:\\Apps"));
  EXPECT_FALSE(NextOn());
  EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 0.00 G");
  ASSERT_EQ(window.messages().size(), 1u);
  EXPECT_EQ(window.messages()[0].text, kLowSpaceD);
}

TEST_F(FolderPageTest, ShortSpaceAtEntryShowsBothMessages) {
  files.AddDrive('D', DriveType::Fixed, 10 * kMB);
  session.ExistingAppPath = "D:\\Player\\";
  Open();
  GoTo(2);
  window.AnswerMessage(kAnswerOk);
  window.AnswerMessage(kAnswerOk);
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_FALSE(NextOn());
  ASSERT_EQ(window.messages().size(), 2u);
  EXPECT_EQ(window.messages()[0].text, kLowSpaceD);
  EXPECT_EQ(window.messages()[1].text, kLowSpaceEntryD);
  EXPECT_EQ(window.messages()[1].flags, 0u);
}

TEST_F(FolderPageTest, UnreadableProgramFilesGivesARelativeDefaultAndOneMessage) {
  registry.DenyAccess(platform::RegistryRoot::LocalMachine,
                      "Software\\Microsoft\\Windows\\CurrentVersion");
  Open();
  GoTo(2);
  window.AnswerMessage(kAnswerOk);
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(Text("Folder_E"), "QuenloBoFang\\");
  EXPECT_FALSE(NextOn());
  ASSERT_EQ(window.messages().size(), 1u);
  EXPECT_EQ(window.messages()[0].text,
            "Qu 盘空间不足以安装 Quenlo播放 1.04 Tesmar版 版本请您选择其它的安装位置。");
}

TEST_F(FolderPageTest, BrowsePutsADifferentFolderInAsReturned) {
  OpenAtFolderPage();
  window.AnswerFolderDialog(std::nullopt);                         // cancelled
  window.AnswerFolderDialog("C:\\Program Files\\QuenloBoFang\\");  // the same folder
  window.AnswerFolderDialog("D:\\Media");
  ASSERT_TRUE(window.Click("Browse_Btn"));
  ASSERT_TRUE(window.Click("Browse_Btn"));
  EXPECT_EQ(window.Get("Folder_E").textChanges(), 1);  // only the default so far
  ASSERT_TRUE(window.Click("Browse_Btn"));
  EXPECT_EQ(Text("Folder_E"), "D:\\Media");
  EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 2.00 G");
  EXPECT_TRUE(NextOn());
  EXPECT_EQ(window.folderDialogCaptions(), std::vector<std::string>(3, "请选择一个文件夹"));
}

TEST_F(FolderPageTest, BrowseToAFullDriveWarnsOnce) {
  OpenAtFolderPage();
  window.AnswerFolderDialog("F:\\Media");
  window.AnswerMessage(kAnswerOk);
  ASSERT_TRUE(window.Click("Browse_Btn"));
  EXPECT_FALSE(NextOn());
  EXPECT_EQ(window.messages().size(), 1u);
  EXPECT_EQ(FreeSpace(), "剩余硬盘空间: 0.07 G");
}

TEST_F(FolderPageTest, DriveNameAloneIsRefusedOnNext) {
  OpenAtFolderPage();
  ASSERT_TRUE(window.Type("Folder_E", "C:"));
  window.AnswerMessage(kAnswerOk);
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_EQ(session.InstallDir, "C:");
  ASSERT_EQ(window.messages().size(), 1u);
  EXPECT_EQ(window.messages()[0].text, "路径中含有非法字符，请检查。");
  EXPECT_EQ(window.messages()[0].flags, 0u);
}

TEST_F(FolderPageTest, ExistingEmptyDriveRootIsAcceptedAtOnce) {
  OpenAtFolderPage();
  ASSERT_TRUE(window.Type("Folder_E", "D:\\"));
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 4);
  EXPECT_EQ(session.InstallDir, "D:\\");
  EXPECT_TRUE(window.messages().empty());
}

TEST_F(FolderPageTest, MissingFolderIsCreatedOnYesOnly) {
  OpenAtFolderPage();
  ASSERT_TRUE(window.Type("Folder_E", "D:\\A\\B\\C"));
  window.AnswerMessage(kAnswerNo);
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_FALSE(files.FolderExists("D:\\A"));
  ASSERT_EQ(window.messages().size(), 1u);
  EXPECT_EQ(window.messages()[0].text, "您选定的文件夹 “D:\\A\\B\\C ” 不存在，是否创建该文件夹?");
  EXPECT_EQ(window.messages()[0].caption, "提示信息");
  EXPECT_EQ(window.messages()[0].flags, 0x44u);

  window.AnswerMessage(kAnswerYes);
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 4);
  EXPECT_TRUE(files.FolderExists("D:\\A\\B\\C"));
  EXPECT_EQ(session.InstallDir, "D:\\A\\B\\C");
  // Outside Program Files, what the setup creates only administrators may change.
  EXPECT_EQ(files.restricted(), (std::vector<std::string>{"D:\\A", "D:\\A\\B", "D:\\A\\B\\C"}));
}

// Next on a folder: one that exists and holds files is installed into only after Yes to the
// question (No keeps the page); an empty one, and the earlier installation's whatever its letter
// case and trailing backslashes, are taken at once; a missing one gets the create question alone.
struct NextRow {
  const char* name;
  const char* earlier;   // the earlier installation's folder, "" for none
  const char* folder;    // typed into the folder box
  const char* prepare;   // a file written before, or a folder (ending in "\\") made empty
  const char* question;  // asked on Next, nullptr for none
  friend void PrintTo(const NextRow& row, std::ostream* out) { *out << row.name; }
};

constexpr const char* kHoldsFilesMedia =
    "您选定的文件夹 “D:\\Media ” 中已有文件。是否仍要安装到该文件夹? 同名的文件将被替换。";
constexpr const char* kHoldsFilesGbk =
    "您选定的文件夹 “D:\\Tools\\癮 ” 中已有文件。是否仍要安装到该文件夹? 同名的文件将被替换。";

const NextRow kNextRows[] = {
    {"FolderWithAFile", "", "D:\\Media", "D:\\Media\\Player.exe", kHoldsFilesMedia},
    {"EmptyFolder", "", "D:\\Media", "D:\\Media\\", nullptr},
    {"EarlierInstallation", "d:\\tools\\QUENLOBOFANG\\", "D:\\Tools\\QuenloBoFang",
     "D:\\Tools\\QuenloBoFang\\Player.exe", nullptr},
    // 癆 and 癮 differ only in a trail byte that reads as "A" and "a".
    {"OtherThanEarlierInTrailByteCase", "D:\\Tools\\癆\\", "D:\\Tools\\癮",
     "D:\\Tools\\癮\\Player.exe", kHoldsFilesGbk},
    {"MissingFolder", "", "D:\\A\\B", nullptr,
     "您选定的文件夹 “D:\\A\\B ” 不存在，是否创建该文件夹?"},
};

class FolderNextTest : public FolderPageTest, public ::testing::WithParamInterface<NextRow> {};

TEST_P(FolderNextTest, AsksOnlyAboutAFolderHoldingFilesOrAMissingOne) {
  const NextRow& row = GetParam();
  session.ExistingAppPath = row.earlier;
  if (row.prepare != nullptr) {
    const std::string prepare = row.prepare;
    if (prepare.ends_with('\\')) {
      ASSERT_TRUE(files.CreateFolder(prepare));
    } else {
      files.WriteFile(prepare, "earlier");
    }
  }
  OpenAtFolderPage();
  ASSERT_TRUE(window.Type("Folder_E", row.folder));
  if (row.question == nullptr) {
    ASSERT_TRUE(window.Click("Next_Btn"));
    EXPECT_EQ(form->PageIndex(), 4);
    EXPECT_TRUE(window.messages().empty());
    return;
  }
  window.AnswerMessage(kAnswerNo);
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_EQ(Text("Folder_E"), row.folder);
  ASSERT_EQ(window.messages().size(), 1u);
  EXPECT_EQ(window.messages()[0].text, row.question);
  EXPECT_EQ(window.messages()[0].caption, "提示信息");
  EXPECT_EQ(window.messages()[0].flags, 0x44u);

  window.AnswerMessage(kAnswerYes);
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 4);
  ASSERT_EQ(window.messages().size(), 2u);
  EXPECT_EQ(window.messages()[1].text, row.question);
}

INSTANTIATE_TEST_SUITE_P(Folders, FolderNextTest, ::testing::ValuesIn(kNextRows),
                         [](const ::testing::TestParamInfo<NextRow>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace quenlo::wizard
