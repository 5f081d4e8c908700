// The wizard's page flow on a headless window: the page state table, going back, closing, the
// install start and the timer's watch over the worker.
#include <gtest/gtest.h>

#include <future>

#include "archive/record_stream.h"
#include "platform/forwarding_file_system.h"
#include "tests/support/setup_file_builder.h"
#include "tests/unit/wizard/wizard_fixture.h"
#include "wizard/failure_text.h"

namespace quenlo::wizard {
namespace {

using platform::kAnswerNo;
using platform::kAnswerYes;

struct ButtonState {
  std::string caption;  // "" when hidden
  bool enabled;
  bool operator==(const ButtonState&) const = default;
};
constexpr bool kOn = true;
constexpr bool kOff = false;

struct PageRow {
  int page;
  std::string title;
  ButtonState previous, next, cancel;
};

class PageFlowTest : public WizardFixture {
 protected:
  ButtonState Button(const std::string& name) {
    const auto& button = window.Get(name);
    return {window.IsShowing(name) ? button.Text() : "", button.Enabled()};
  }
  void ExpectRow(const PageRow& row) {
    SCOPED_TRACE("page " + std::to_string(row.page));
    EXPECT_EQ(form->PageIndex(), row.page);
    EXPECT_EQ(Title(), row.title);
    EXPECT_EQ(Button("Previous_Btn"), row.previous);
    EXPECT_EQ(Button("Next_Btn"), row.next);
    EXPECT_EQ(Button("Cancel_Btn"), row.cancel);
  }
  void Finish() {
    session.Status.SetInstallFinished(true);
    ASSERT_TRUE(window.Tick());
  }
};

TEST_F(PageFlowTest, EveryPageShowsItsTitleAndButtons) {
  Open();
  const std::string cancel = "取消(&C)";
  const std::string previous = "<上一步(&P)";
  const std::string next = "下一步>(&N)";
  const PageRow rows[] = {
      {1, "欢迎您安装 Quenlo播放v2.0 Tesmar版", {"", kOn}, {next, kOn}, {cancel, kOn}},
      {2,
       "在安装 Quenlo播放 v2.0 Tesmar版之前，请阅读“授权协议”。",
       {previous, kOn},
       {"我接受(&I)", kOn},
       {cancel, kOn}},
      {3,
       "请选择 Quenlo播放 v2.0 Tesmar版 的安装文件夹",
       {previous, kOn},
       {next, kOn},
       {cancel, kOn}},
      {4,
       "请选择安装 Quenlo播放 v2.0 Tesmar版 时执行的附加任务",
       {previous, kOn},
       {next, kOn},
       {cancel, kOn}},
      {5,
       "正在安装 Quenlo播放 v2.0 Tesmar版， 请稍候...",
       {previous, kOff},
       {next, kOff},
       {cancel, kOff}},
  };
  for (const PageRow& row : rows) {
    GoTo(row.page);
    ExpectRow(row);
  }
  Finish();
  ExpectRow({6, "Quenlo播放2.0 Tesmar版 安装成功!", {"", kOff}, {"", kOff}, {"完成(&F)", kOn}});
  EXPECT_EQ(window.pendingAnswers(), 0);
}

TEST_F(PageFlowTest, CreationSetsCaptionFontsArtworkAndTimer) {
  Open();
  EXPECT_EQ(window.Caption(), "安装 Quenlo播放 v2.0 Tesmar版");
  const ui::Font simSun{"宋体", 9, false};
  for (const char* name : {"Previous_Btn", "Next_Btn", "Cancel_Btn", "Logo_L"}) {
    EXPECT_EQ(window.Get(name).GetFont(), simSun) << name;
  }
  EXPECT_EQ(Text("Logo_L"), "Quenlo播放");
  EXPECT_FALSE(window.Get("Logo_L").Enabled());  // drawn greyed
  EXPECT_EQ(window.Get("Title1_L").GetFont(), (ui::Font{"宋体", 9, true}));
  EXPECT_EQ(window.Get("Image1").PictureName(), "WELCOME_JPG");
  EXPECT_EQ(window.Get("Image2").PictureName(), "TITLE_ICO");
  EXPECT_FALSE(window.Get("Dao_I").Visible());
  EXPECT_EQ(window.ChildNames("Father_P"), std::vector<std::string>{"Welcome_L"});
  EXPECT_EQ(window.Get("Welcome_L").GetFont(), (ui::Font{"宋体", 10, false}));
  EXPECT_TRUE(window.TimerRunning());
  EXPECT_EQ(window.timerInterval(), 10u);
  EXPECT_EQ(session.UseChinese, 1);
  EXPECT_TRUE(form->CloseAllowed());
}

TEST_F(PageFlowTest, EachPageClearsTheHostLastControlFirst) {
  Open();
  GoTo(2);
  EXPECT_EQ(window.destroyed(), std::vector<std::string>{"Welcome_L"});
  EXPECT_EQ(window.ChildNames("Father_P"),
            (std::vector<std::string>{"PgDnHint_L", "AcceptHint_L", "Agreement_M"}));
  GoTo(3);
  EXPECT_EQ(window.destroyed(),
            (std::vector<std::string>{"Welcome_L", "Agreement_M", "AcceptHint_L", "PgDnHint_L"}));
  EXPECT_EQ(window.ChildNames("Father_P"),
            (std::vector<std::string>{"FolderHint_L", "Folder_GB", "Folder_E", "Browse_Btn",
                                      "NeedSpace_L", "FreeSpace_L"}));
}

TEST_F(PageFlowTest, AgreementPageTakesFocusAtItsTop) {
  Open();
  GoTo(2);
  EXPECT_EQ(window.FocusedName(), "Agreement_M");
  EXPECT_EQ(window.Get("Agreement_M").caret(), 1);
  EXPECT_EQ(window.Get("Agreement_M").kind(), ui::ControlKind::Memo);
  EXPECT_TRUE(Text("Agreement_M").starts_with("Quenlo播放用户许可协议\r\n"));
  EXPECT_EQ(Text("AcceptHint_L"),
            "如果你接受协议中的条款，单[我接受(&I)]继续安装。如果你对条款\r"
            "中的内容有异议，请单击[取消(&C)]退出安装程序。");
}

TEST_F(PageFlowTest, GoingBackRebuildsTheEarlierPage) {
  Open();
  GoTo(3);
  ASSERT_TRUE(window.Type("Folder_E", "C:\\"));
  window.AnswerMessage(kAnswerYes);  // C:\ holds files: install there all the same
  ASSERT_TRUE(window.Click("Next_Btn"));
  ASSERT_EQ(form->PageIndex(), 4);
  ASSERT_TRUE(window.Toggle("HomePage_CB"));
  EXPECT_FALSE(window.Get("HomePage_CB").Checked());

  ASSERT_TRUE(window.Click("Previous_Btn"));  // 4 -> 3: the default folder again
  EXPECT_EQ(Text("Folder_E"), "C:\\Program Files\\QuenloBoFang\\");
  EXPECT_EQ(session.InstallDir, "C:\\");

  ASSERT_TRUE(window.Type("Folder_E", ""));  // Next off ...
  EXPECT_FALSE(window.Get("Next_Btn").Enabled());
  ASSERT_TRUE(window.Click("Previous_Btn"));  // ... and on again on page 2
  EXPECT_EQ(Button("Next_Btn"), (ButtonState{"我接受(&I)", kOn}));

  ASSERT_TRUE(window.Click("Previous_Btn"));  // 2 -> 1
  EXPECT_EQ(Title(), "欢迎您安装 Quenlo播放v2.0 Tesmar版");
  EXPECT_TRUE(window.Get("Title1_L").GetFont().bold);
  EXPECT_EQ(Button("Next_Btn"), (ButtonState{"下一步>(&N)", kOn}));

  GoTo(4);  // the task is ticked on every visit
  EXPECT_TRUE(window.Get("HomePage_CB").Checked());
  EXPECT_EQ(window.Get("Site_I").PictureName(), "DAO_JPG");
}

TEST_F(PageFlowTest, ClosingOnInputPagesAsksAndNoKeepsThePage) {
  Open();
  for (int page = 1; page <= 4; ++page) {
    GoTo(page);
    window.AnswerMessage(kAnswerNo);
    window.Click("Cancel_Btn");
    EXPECT_FALSE(window.Closed());
    EXPECT_EQ(form->PageIndex(), page);
  }
  ASSERT_EQ(window.messages().size(), 5u);  // with the create question on page 3
  const auto& question = window.messages().back();
  EXPECT_EQ(question.text, "你确定要退出 Quenlo播放v2.0 Tesmar版 安装程序吗?");
  EXPECT_EQ(question.caption, "提示信息");
  EXPECT_EQ(question.flags, 0x44u);

  window.AnswerMessage(kAnswerYes);
  window.RequestClose();  // the close box asks the same
  EXPECT_TRUE(window.Closed());
  EXPECT_FALSE(form->InterfaceFont().has_value());
  EXPECT_TRUE(window.ChildNames("Father_P").empty());
  EXPECT_EQ(workerStarts, 0);
}

TEST_F(PageFlowTest, InstallingPageRefusesToCloseSilentlyAndFinishedPageCloses) {
  Open();
  GoTo(5);
  const std::size_t shown = window.messages().size();
  window.RequestClose();
  EXPECT_FALSE(window.Closed());
  EXPECT_FALSE(window.Click("Cancel_Btn"));
  EXPECT_EQ(window.messages().size(), shown);
  EXPECT_FALSE(form->CloseAllowed());

  Finish();
  EXPECT_TRUE(window.Click("Cancel_Btn"));
  EXPECT_TRUE(window.Closed());
  EXPECT_EQ(window.messages().size(), shown);
}

TEST_F(PageFlowTest, StartInstallSetsTheStartPageOnlyWhenTicked) {
  Open();
  GoTo(5);
  EXPECT_EQ(startPages, std::vector<std::string>{"http://start.tesmar.example/?my"});
  EXPECT_EQ(workerStarts, 1);
}

TEST_F(PageFlowTest, UntickedTaskSkipsTheStartPage) {
  Open();
  GoTo(4);
  ASSERT_TRUE(window.Toggle("HomePage_CB"));
  ASSERT_TRUE(window.Click("Next_Btn"));
  EXPECT_EQ(form->PageIndex(), 5);
  EXPECT_TRUE(startPages.empty());
  EXPECT_EQ(workerStarts, 1);
}

// The start page is set only for a payload known to be sound: at a later tick when the check is
// still running as the install starts, never when it found damage.
TEST_F(PageFlowTest, TheStartPageWaitsForASoundPayload) {
  struct HeldOpen final : platform::ForwardingFileSystem {  // the check waits until released
    using ForwardingFileSystem::ForwardingFileSystem;
    std::unique_ptr<ByteSource> OpenForReading(const std::string& path) override {
      released.wait();
      return inner_.OpenForReading(path);
    }
    std::shared_future<void> released;
  };
  testing::SetupFileBuilder setup;
  setup.Add("App\\Readme.txt", "readme");
  files.WriteFile(files.ModulePath(), setup.str());
  std::promise<void> release;
  HeldOpen held(files);
  held.released = release.get_future().share();
  PayloadCheck check(held);
  struct ReleaseAtExit {
    std::promise<void>& release;
    ~ReleaseAtExit() {
      try {
        release.set_value();
      } catch (const std::future_error&) {  // released already
      }
    }
  } releaseAtExit{release};
  payloadCheck = &check;
  Open();
  GoTo(5);
  window.Tick();
  EXPECT_TRUE(startPages.empty());  // the check has not even read the file yet
  release.set_value();
  ASSERT_TRUE(check.Wait().sound);
  window.Tick();
  EXPECT_EQ(startPages, std::vector<std::string>{"http://start.tesmar.example/?my"});
}

TEST_F(PageFlowTest, ADamagedPayloadNeverGetsTheStartPage) {
  std::vector<unsigned char> broken = archive::CompressRecord(std::vector<unsigned char>(99, 'x'));
  broken.back() ^= 0xFF;
  testing::SetupFileBuilder setup;
  setup.AddStored("App\\Codec\\a.dll", broken);
  files.WriteFile(files.ModulePath(), setup.str());
  PayloadCheck check(files);
  ASSERT_FALSE(check.Wait().sound);
  payloadCheck = &check;
  Open();
  GoTo(5);
  window.Tick();
  EXPECT_TRUE(startPages.empty());
}

// A failed install gives back what the wizard changed: the start page it set, and the folders
// it created on the folder page where they are still empty.
TEST_F(PageFlowTest, AFailedInstallGivesBackTheStartPageAndTheEmptyFoldersItMade) {
  Open();
  GoTo(5);  // the default folder C:\Program Files\QuenloBoFang was created on the user's Yes
  ASSERT_TRUE(files.FolderExists("C:\\Program Files\\QuenloBoFang"));
  files.WriteFile("C:\\Program Files\\other.txt", "somebody else's");
  session.Status.PublishFailure(InstallFailure{});
  window.Tick();
  EXPECT_EQ(startPages, (std::vector<std::string>{"http://start.tesmar.example/?my",
                                                  "restore http://start.tesmar.example/?my"}));
  EXPECT_FALSE(files.FolderExists("C:\\Program Files\\QuenloBoFang"));
  EXPECT_TRUE(files.FolderExists("C:\\Program Files"));  // not empty: it stays
}

TEST_F(PageFlowTest, TimerCopiesTheStatusOnlyOnTheInstallingPage) {
  Open();
  session.Status.PublishStatus("早到的状态");
  for (int page = 1; page <= 4; ++page) {
    GoTo(page);
    ASSERT_TRUE(window.Tick());
    EXPECT_FALSE(window.Exists("Status_L"));
    EXPECT_EQ(form->PageIndex(), page);
  }
  GoTo(5);
  EXPECT_EQ(Text("Status_L"), "正在安装 Quenlo播放 v2.0 Tesmar版， 请稍候...");
  const auto& bar = window.Get("Install_PB");
  EXPECT_EQ(bar.minimum(), 1);
  EXPECT_EQ(bar.maximum(), 570);
  EXPECT_EQ(bar.Position(), 1);

  session.Status.PublishStatus("正在解压缩: App\\Image\\logo_s.ico");
  for (int step = 0; step < 42; ++step) session.Status.StepProgress();
  ASSERT_TRUE(window.Tick());
  EXPECT_EQ(Text("Status_L"), "正在解压缩: App\\Image\\logo_s.ico");
  EXPECT_EQ(window.Get("Install_PB").Position(), 42);
}

TEST_F(PageFlowTest, FinishActionsRunExactlyOnce) {
  Open();
  GoTo(3);
  ASSERT_TRUE(window.Type("Folder_E", "C:\\"));
  window.AnswerMessage(kAnswerYes);  // C:\ holds files: install there all the same
  GoTo(5);
  session.Status.PublishStatus("安装完成");
  ASSERT_TRUE(window.Tick());
  session.Status.PublishStatus("不会再显示");
  Finish();
  EXPECT_EQ(shortcuts, std::vector<std::string>{"C:\\"});
  EXPECT_FALSE(window.TimerRunning());
  EXPECT_FALSE(window.Tick());
  form->Install_TTimer();  // a stray tick after the end
  EXPECT_EQ(shortcuts.size(), 1u);
  EXPECT_EQ(form->PageIndex(), 6);
  EXPECT_EQ(Text("Status_L"), "安装完成");  // the finishing tick copies nothing
  EXPECT_FALSE(window.Get("Install_PB").Visible());
  EXPECT_EQ(window.Get("Install_PB").Position(), 570);
  EXPECT_TRUE(form->CloseAllowed());
}

// The command line's /D= and /NOSTARTPAGE preset the folder page and the task; the program hears
// once how the install ended, for its exit code.
TEST_F(PageFlowTest, TheCommandLinePresetsTheFolderAndTheTaskAndHearsTheEnd) {
  files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
  givenFolder = "D:\\新 文件夹\\播放";
  startPageTicked = false;
  Open();
  GoTo(3);
  EXPECT_EQ(Text("Folder_E"), givenFolder);
  GoTo(4);
  EXPECT_FALSE(window.Get("HomePage_CB").Checked());
  GoTo(5);
  EXPECT_TRUE(startPages.empty());
  EXPECT_TRUE(installEnds.empty());
  Finish();
  form->Install_TTimer();
  ASSERT_EQ(installEnds.size(), 1u);
  EXPECT_FALSE(installEnds[0].has_value());
}

TEST_F(PageFlowTest, FailedWorkerShowsWhatFailedAndLetsTheUserLeave) {
  Open();
  GoTo(5);
  InstallFailure failure;
  failure.cause = FailureCause::DiskFull;
  failure.file = "C:\\Program Files\\QuenloBoFang\\a.dll";
  failure.systemError = 112;
  failure.undone = true;
  session.Status.PublishFailure(failure);
  ASSERT_TRUE(window.Tick());
  EXPECT_EQ(Text("Status_L"), InstallFailureText(failure, kLanguageChinese));
  EXPECT_TRUE(window.Get("Status_L").spec().wrap);
  EXPECT_EQ(Title(), "Quenlo播放2.0 Tesmar版 安装失败");
  EXPECT_FALSE(window.Get("Install_PB").Visible());
  EXPECT_FALSE(window.TimerRunning());
  EXPECT_EQ(Button("Cancel_Btn"), (ButtonState{"取消(&C)", kOn}));
  EXPECT_FALSE(window.Get("Next_Btn").Enabled());
  EXPECT_TRUE(shortcuts.empty());
  EXPECT_EQ(form->PageIndex(), 5);

  ASSERT_EQ(installEnds.size(), 1u);
  EXPECT_EQ(installEnds[0]->cause, FailureCause::DiskFull);

  const std::size_t shown = window.messages().size();
  EXPECT_EQ(window.defaultButton(), "Cancel_Btn") << "Enter leaves too";
  EXPECT_TRUE(window.Click("Cancel_Btn"));
  EXPECT_TRUE(window.Closed());
  EXPECT_EQ(window.messages().size(), shown);
}

// From the keyboard alone: Enter is Next on pages 1 to 4 (Accept on page 2, where the agreement
// has the focus), nothing while the install runs, and Finish on page 6; Escape is Cancel, with
// its question before the install and nothing during it.
TEST_F(PageFlowTest, EnterMovesOnFromEveryPageAndEscapeIsCancel) {
  Open();
  EXPECT_EQ(window.cancelButton(), "Cancel_Btn");
  for (int page = 1; page <= 4; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    ASSERT_EQ(form->PageIndex(), page);
    window.AnswerMessage(kAnswerNo);
    EXPECT_TRUE(window.PressEscape());
    EXPECT_EQ(window.messages().back().text, kCloseQuestion);
    EXPECT_EQ(form->PageIndex(), page);
    if (page == 3) window.AnswerMessage(kAnswerYes);  // creates the default folder
    EXPECT_TRUE(window.PressEnter());
  }
  ASSERT_EQ(form->PageIndex(), 5);
  const std::size_t shown = window.messages().size();
  EXPECT_FALSE(window.PressEnter());
  EXPECT_FALSE(window.PressEscape());
  EXPECT_EQ(window.messages().size(), shown);
  Finish();
  ASSERT_EQ(form->PageIndex(), 6);
  EXPECT_TRUE(window.PressEnter());
  EXPECT_TRUE(window.Closed());
  EXPECT_EQ(window.messages().size(), shown);
}

TEST_F(PageFlowTest, EnglishTextsLeaveTheUntranslatedSlotsEmpty) {
  Open(kLanguageEnglish);
  EXPECT_EQ(window.Caption(), "Install Quenlo Media Player 2.0 Edition");
  EXPECT_EQ(Title(), "Welcome to install Quenlo Media Player 2.0 Edition");
  EXPECT_EQ(Text("Previous_Btn"), "< Previous(&P)");
  GoTo(2);
  EXPECT_EQ(Text("PgDnHint_L"), "Please enter [PgDn] key to view residual of \"AgreeMent\"");
  EXPECT_EQ(Text("AcceptHint_L"), "");
  EXPECT_EQ(Title(), "Please read agreement before install Quenlo Media ");
  GoTo(3);
  EXPECT_EQ(Text("FolderHint_L"), "");
  EXPECT_EQ(Title(), "");
  EXPECT_EQ(Text("NeedSpace_L"), "Require disk space:  65 M");
  ASSERT_EQ(window.messages().size(), 0u);
  window.AnswerMessage(kAnswerNo);
  window.Click("Next_Btn");  // the create question
  window.AnswerMessage(kAnswerNo);
  window.Click("Cancel_Btn");
  ASSERT_EQ(window.messages().size(), 2u);
  for (const auto& message : window.messages()) EXPECT_EQ(message.caption, "Information");
}

TEST_F(PageFlowTest, UnknownLanguageLeavesEveryCaptionEmpty) {
  Open(7);
  EXPECT_EQ(session.UseChinese, 7);
  EXPECT_EQ(window.Caption(), "");
  for (const char* name : {"Title1_L", "Previous_Btn", "Next_Btn", "Cancel_Btn", "Logo_L"}) {
    EXPECT_EQ(Text(name), "") << name;
  }
  EXPECT_FALSE(Text("Welcome_L").empty());  // the fixed texts do not follow the language
}

}  // namespace
}  // namespace quenlo::wizard
