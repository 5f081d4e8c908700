// The uninstall against the test doubles: the rules per extension, and a whole uninstall of an
// installation made by the install sequence.
#include "uninstall/undo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/sha256.h"
#include "install/install_sequence.h"
#include "install/uninstall_entry.h"
#include "install/uninstall_record_check.h"
#include "platform/forwarding_file_system.h"
#include "setup/startup.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_libraries.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell.h"
#include "tests/support/scripted_message_boxes.h"
#include "tests/support/setup_file_builder.h"
#include "uninstall/uninstall_exit.h"

namespace quenlo::uninstall {
namespace {

using platform::RegistryRoot;
using State = ExtensionBefore::State;
constexpr RegistryRoot kClasses = RegistryRoot::ClassesRoot;

std::string Default(testing::FakeRegistry& registry, const char* key, const char* name = "") {
  if (!registry.KeyExists(kClasses, key)) return "(no key)";
  const auto value = registry.Value(kClasses, key, name);
  return value ? value->data : "(none)";
}

TEST(GiveBackExtension, EachCaseEndsAsTheRulesSay) {
  const struct {
    const char* name;
    ExtensionBefore before;
    const char* handlerNow;  // nullptr: no key now
    const char* backupNow;   // nullptr: no backup value
    const char* handlerAfter;
    const char* backupAfter;
  } cases[] = {
      {"an earlier handler comes back",
       {".avi", State::Handler, "AVIFile"},
       "Quenlo.avi",
       "AVIFile",
       "AVIFile",
       "(none)"},
      {"the record names the player: the backup holds the earlier one",
       {".avi", State::Handler, "Quenlo.avi"},
       "Quenlo.avi",
       "AVIFile",
       "AVIFile",
       "(none)"},
      {"a key without a handler gets none again",
       {".avi", State::NoHandler, ""},
       "Quenlo.avi",
       nullptr,
       "(none)",
       "(none)"},
      {"a key the install created goes whole",
       {".avi", State::Absent, ""},
       "quenlo.AVI",
       nullptr,
       "(no key)",
       "(no key)"},
      {"a handler changed since is left alone",
       {".avi", State::Handler, "AVIFile"},
       "VLC.avi",
       "AVIFile",
       "VLC.avi",
       "AVIFile"},
      {"a created key taken over since stays",
       {".avi", State::Absent, ""},
       "VLC.avi",
       nullptr,
       "VLC.avi",
       "(none)"},
      {"a key deleted by hand stays deleted",
       {".avi", State::Handler, "AVIFile"},
       nullptr,
       nullptr,
       "(no key)",
       "(no key)"},
  };
  for (const auto& c : cases) {
    testing::FakeRegistry registry;
    if (c.handlerNow != nullptr) registry.SetString(kClasses, ".avi", "", c.handlerNow);
    if (c.backupNow != nullptr) registry.SetString(kClasses, ".avi", "Quenlo.backup", c.backupNow);
    GiveBackExtension(registry, c.before);
    EXPECT_EQ(Default(registry, ".avi"), c.handlerAfter) << c.name;
    EXPECT_EQ(Default(registry, ".avi", "Quenlo.backup"), c.backupAfter) << c.name;
    EXPECT_EQ(registry.openKeys(), 0) << c.name;
  }
}

class UninstallTest : public ::testing::Test {
 protected:
  static constexpr const char* kFolder = "D:\\Player";
  static constexpr const char* kSelf = "D:\\Player\\UnInstall.exe";

  void SetUp() override {
    files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
    registry.SetString(kClasses, ".avi", "", "AVIFile");
    registry.SetString(RegistryRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                       "Start Page", "about:blank");
    testing::SetupFileBuilder setup;
    setup.Add("App\\Codec\\tmAudio.ax", "filter")
        .Add("App\\UnInstall.exe", "uninstaller")
        .Add("App\\Skin\\a.bmp", "skin")
        .Add("App\\Ini\\Default.ini", "settings");
    files.WriteFile(files.ModulePath(), setup.str());
    libraries.Script("D:\\Player\\Codec\\tmAudio.ax", platform::EntryPointOutcome::Returning(0));
    SetupSession session;
    session.UseChinese = 1;
    UninstallRecord record;
    testing::FakeClock clock;
    RunInstallSequence(session, {files, registry, libraries, clock, nullptr, &record}, kFolder);
    registry.SetString(RegistryRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                       "Start Page", "http://site/");
    record.startPage = StartPageChange{"http://site/", "about:blank"};
    ASSERT_TRUE(FinishUninstallRecord(files, registry, record, shell.desktop));
  }

  UninstallResult Run() {
    return RunUninstall({files, registry, libraries, boxes, shell}, kFolder, kSelf);
  }
  std::string StartPage() {
    return registry
        .Value(RegistryRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
               "Start Page")
        ->data;
  }

  testing::FakeFileSystem files;
  testing::FakeRegistry registry;
  testing::FakeLibraries libraries;
  testing::ScriptedMessageBoxes boxes;
  testing::FakeShell shell{files};
};

TEST_F(UninstallTest, NoAtTheQuestionChangesNothing) {
  boxes.Answer(platform::kAnswerNo);
  EXPECT_EQ(Run().kind, UninstallResult::Kind::Declined);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "提示信息");
  EXPECT_EQ(boxes.shown()[0].flags, platform::kQuestionFlags);
  EXPECT_TRUE(files.FileExists("D:\\Player\\Skin\\a.bmp"));
  EXPECT_TRUE(files.FileExists(RecordPath(kFolder)));
  EXPECT_EQ(Default(registry, ".avi"), "Quenlo.avi");
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::LocalMachine, kUninstallEntryKey));
  EXPECT_EQ(libraries.calls().size(), 1u);  // the registration only
}

TEST_F(UninstallTest, GivesBackEverythingButTheUsersFilesAndDeletesAFileInUseAtRestart) {
  files.WriteFile("D:\\Player\\Ini\\Default.ini", "the user's own settings");  // changed
  files.WriteFile("D:\\Player\\Skin\\mine.bmp", "added by the user");
  files.HoldFile("D:\\Player\\Codec\\tmAudio.ax", testing::FakeFileSystem::Hold::kLocked);
  boxes.Answer(platform::kAnswerYes);
  boxes.Answer(platform::kAnswerOk);
  const UninstallResult result = Run();

  ASSERT_EQ(result.kind, UninstallResult::Kind::Done);
  ASSERT_EQ(libraries.calls().size(), 2u);
  EXPECT_EQ(libraries.calls()[1].entryPoint, "DllUnregisterServer");
  EXPECT_EQ(Default(registry, ".avi"), "AVIFile");
  EXPECT_FALSE(registry.KeyExists(kClasses, ".mkv"));  // created by the install
  EXPECT_FALSE(registry.KeyExists(kClasses, "Quenlo.avi"));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, kAppRecordKey));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, kUninstallEntryKey));
  EXPECT_EQ(StartPage(), "about:blank");
  EXPECT_FALSE(files.FileExists("D:\\Player\\Skin\\a.bmp"));
  EXPECT_FALSE(files.FileExists(RecordPath(kFolder)));
  EXPECT_TRUE(files.FileExists("D:\\Player\\Ini\\Default.ini"));
  EXPECT_TRUE(files.FileExists("D:\\Player\\Skin\\mine.bmp"));
  EXPECT_TRUE(files.FileExists(kSelf));  // the caller's to remove
  EXPECT_EQ(result.keptFiles, std::vector<std::string>{"D:\\Player\\Ini\\Default.ini"});
  EXPECT_EQ(result.leftForRestart, (std::vector<std::string>{"D:\\Player\\Codec\\tmAudio.ax",
                                                             "D:\\Player\\Codec", "D:\\Player"}));
  // The user's files hold their folders; the uninstaller holds the installation folder.
  EXPECT_EQ(result.foldersLeft, (std::vector<std::string>{"D:\\Player\\Codec", "D:\\Player\\Skin",
                                                          "D:\\Player\\Ini", "D:\\Player"}));
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[1].text, DoneNotice(result, kFolder));
  EXPECT_EQ(boxes.shown()[1].flags, platform::kNoticeFlags);
}

TEST_F(UninstallTest, ASecondRunFindsNoRecordAndChangesNothing) {
  boxes.Answer(platform::kAnswerYes);
  boxes.Answer(platform::kAnswerOk);
  Run();
  registry.SetString(kClasses, ".avi", "", "Quenlo.avi");  // as a later install would leave it
  boxes.Answer(platform::kAnswerOk);
  EXPECT_EQ(Run().kind, UninstallResult::Kind::NoRecord);
  EXPECT_EQ(boxes.shown().back().text, kMissingNotice);
  EXPECT_EQ(Default(registry, ".avi"), "Quenlo.avi");
}

TEST_F(UninstallTest, ADamagedRecordIsSaidSoAndChangesNothing) {
  std::string bytes = files.ReadFile(RecordPath(kFolder));
  bytes[bytes.size() / 2] ^= 1;
  files.WriteFile(RecordPath(kFolder), bytes);
  boxes.Answer(platform::kAnswerOk);
  EXPECT_EQ(Run().kind, UninstallResult::Kind::NoRecord);
  EXPECT_EQ(boxes.shown().back().text, kDamagedNotice);
  EXPECT_TRUE(files.FileExists("D:\\Player\\Skin\\a.bmp"));
  EXPECT_EQ(StartPage(), "http://site/");
}

// A folder of the installation replaced since by a link to another place, holding a file of the
// same name and content: nothing is deleted through the link, and the folders behind it stay.
TEST_F(UninstallTest, NothingIsDeletedThroughALinkMadeInTheFolderSince) {
  files.WriteFile("D:\\Elsewhere\\a.bmp", "skin");
  std::filesystem::remove_all(files.NativePath("D:\\Player\\Skin"));
  files.MakeFolderLink("D:\\Player\\Skin", "D:\\Elsewhere");
  boxes.Answer(platform::kAnswerYes);
  boxes.Answer(platform::kAnswerOk);
  const UninstallResult result = Run();
  EXPECT_EQ(result.kind, UninstallResult::Kind::Done);
  EXPECT_EQ(files.ReadFile("D:\\Elsewhere\\a.bmp"), "skin");
  EXPECT_FALSE(files.FileExists("D:\\Player\\Ini\\Default.ini"));  // the rest goes
}

// The same, made in the moment between the look at the folders on the way and the deletion: the
// deletion itself finds that the file it opened is not the installation's.
TEST_F(UninstallTest, ALinkMadeJustBeforeADeletionIsNotDeletedThrough) {
  class Racer final : public platform::ForwardingFileSystem {
   public:
    using ForwardingFileSystem::ForwardingFileSystem;
    bool RemoveFileExactly(const std::string& path) override {
      if (path == "D:\\Player\\Skin\\a.bmp") {
        auto& fake = static_cast<testing::FakeFileSystem&>(inner_);
        fake.WriteFile("D:\\Elsewhere\\a.bmp", "skin");
        std::filesystem::remove_all(fake.NativePath("D:\\Player\\Skin"));
        fake.MakeFolderLink("D:\\Player\\Skin", "D:\\Elsewhere");
      }
      return inner_.RemoveFileExactly(path);
    }
  } racer(files);
  boxes.Answer(platform::kAnswerYes);
  boxes.Answer(platform::kAnswerOk);
  EXPECT_EQ(RunUninstall({racer, registry, libraries, boxes, shell}, kFolder, kSelf).kind,
            UninstallResult::Kind::Done);
  EXPECT_EQ(files.ReadFile("D:\\Elsewhere\\a.bmp"), "skin");
  EXPECT_TRUE(files.removalsAtRestart().empty());
}

// The installation folder may be writable by others; a record changed there (and checksummed
// again) is no weapon. A record whose digest is not the one in the uninstall entry is refused;
// so is one that is bound (as if the entry had been changed too) but holds an entry the install
// could not have written. Either way nothing changes.
TEST_F(UninstallTest, ARecordTurnedAgainstTheSystemIsRefusedWhole) {
  const UninstallRecord genuine = ReadRecord(files, RecordPath(kFolder));
  const std::size_t libraryCalls = libraries.calls().size();  // the install's registrations
  const std::string group = "C:\\Users\\Mei\\Start Menu\\Programs\\Quenlo播放\\";
  const struct {
    const char* name;
    std::function<void(UninstallRecord&)> change;
    bool rebind;  // the entry's digest made to match the changed record
  } cases[] = {
      {"an entry added, not bound",
       [](UninstallRecord& r) {
         r.files.push_back({"D:\\Player\\Skin\\b.bmp", 4, 1});
       },
       false},
      {"a file outside the folder",
       [](UninstallRecord& r) {
         r.files.push_back({"C:\\Users\\Mei\\thesis.docx", 4, 1});
       },
       true},
      {"a path through ..",
       [](UninstallRecord& r) {
         r.files.push_back({"D:\\Player\\..\\boot.ini", 4, 1});
       },
       true},
      {"an alternate stream",
       [](UninstallRecord& r) {
         r.files.push_back({"D:\\Player\\Skin\\a.bmp:x", 4, 1});
       },
       true},
      {"a NUL ending a link's path early",
       [&](UninstallRecord& r) {
         r.programGroup = group;
         r.links.push_back(group + std::string("Readme.txt\0.lnk", 15));
       },
       true},
      {"a codec that was not installed",
       [](UninstallRecord& r) { r.codecs.push_back("D:\\Player\\Codec\\other.ax"); }, true},
      {"a folder beside the installation",
       [](UninstallRecord& r) { r.createdFolders.push_back("D:\\Documents"); }, true},
      {"a link elsewhere",
       [](UninstallRecord& r) { r.links.push_back("D:\\Docs\\Quenlo播放.lnk"); }, true},
      {"a link of another name in the group",
       [&](UninstallRecord& r) {
         r.programGroup = group;
         r.links.push_back(group + "thesis.lnk");
       },
       true},
      {"a group of another name",
       [](UninstallRecord& r) { r.programGroup = "C:\\Users\\Mei\\Documents\\"; }, true},
      {"an extension the install does not take",
       [](UninstallRecord& r) {
         r.extensions.push_back({".docx", ExtensionBefore::State::Absent, ""});
       },
       true},
      {"another installation folder", [](UninstallRecord& r) { r.installFolder = "D:\\Other"; },
       true},
  };
  for (const auto& c : cases) {
    UninstallRecord changed = genuine;
    c.change(changed);
    WriteRecord(files, RecordPath(kFolder), changed);
    if (c.rebind) {
      registry.SetString(RegistryRoot::LocalMachine, kUninstallEntryKey, kRecordDigestValue,
                         Sha256Hex(EncodeRecord(changed)));
    }
    boxes.Answer(platform::kAnswerOk);
    EXPECT_EQ(Run().kind, UninstallResult::Kind::NoRecord) << c.name;
    EXPECT_EQ(boxes.shown().back().text, kDamagedNotice) << c.name;
    EXPECT_TRUE(files.FileExists("D:\\Player\\Skin\\a.bmp")) << c.name;
    EXPECT_EQ(libraries.calls().size(), libraryCalls) << c.name;
    EXPECT_EQ(StartPage(), "http://site/") << c.name;
  }
  // The genuine record, bound again, is used.
  WriteRecord(files, RecordPath(kFolder), genuine);
  registry.SetString(RegistryRoot::LocalMachine, kUninstallEntryKey, kRecordDigestValue,
                     Sha256Hex(EncodeRecord(genuine)));
  boxes.Answer(platform::kAnswerYes);
  boxes.Answer(platform::kAnswerOk);
  EXPECT_EQ(Run().kind, UninstallResult::Kind::Done);
  EXPECT_FALSE(files.FileExists("D:\\Player\\Skin\\a.bmp"));
}

}  // namespace
}  // namespace quenlo::uninstall

namespace quenlo::uninstall {
namespace {

// UnInstall.exe /S: the same uninstall with every question answered Yes and nothing shown; the
// exit code says how it ended.
TEST_F(UninstallTest, SilentlyEachOutcomeHasItsExitCode) {
  const struct {
    const char* name;
    std::function<void(testing::FakeFileSystem&)> arrange;
    UninstallExitCode exitCode;
  } cases[] = {
      {"done", nullptr, kUninstalled},
      {"no record", [](testing::FakeFileSystem& f) { f.RemoveFile(RecordPath(kFolder)); },
       kUninstallNoRecord},
      {"a file in use goes at the restart",
       [](testing::FakeFileSystem& f) {
         f.HoldFile("D:\\Player\\Codec\\tmAudio.ax", testing::FakeFileSystem::Hold::kLocked);
       },
       kUninstalledRestartNeeded},
  };
  for (const auto& c : cases) {
    SetUp();  // installed (again) each time
    if (c.arrange) c.arrange(files);
    SilentAnswers silent;
    const UninstallResult result =
        RunUninstall({files, registry, libraries, silent, shell}, kFolder, kSelf);
    EXPECT_EQ(UninstallExitCodeOf(result.kind, !result.leftForRestart.empty()), c.exitCode)
        << c.name;
    EXPECT_EQ(registry.KeyExists(RegistryRoot::LocalMachine, kUninstallEntryKey),
              c.exitCode == kUninstallNoRecord)
        << c.name;
  }
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(UninstallExitCodeOf(UninstallResult::Kind::Declined, false), kUninstallDeclined);
}

TEST(UninstallCommandLine, TakesSlashSInAnyCaseAndRefusesAnythingElse) {
  const struct {
    std::vector<std::string> arguments;
    bool silent;
    bool help;
    bool wrong;
  } cases[] = {
      {{}, false, false, false},          {{"/S"}, true, false, false},
      {{"/s", "/S"}, true, false, false}, {{"/?"}, false, true, false},
      {{"/S", "/X"}, true, false, true},  {{"S"}, false, false, true},
      {{"/Silent"}, false, false, true},
  };
  for (const auto& c : cases) {
    const UninstallCommandLine line = ParseUninstallArguments(c.arguments);
    EXPECT_EQ(line.silent, c.silent);
    EXPECT_EQ(line.help, c.help);
    EXPECT_EQ(line.wrong, c.wrong);
  }
}

}  // namespace
}  // namespace quenlo::uninstall
