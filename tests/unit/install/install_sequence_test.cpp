// The whole install sequence and its worker against the test doubles.
#include "install/install_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <thread>

#include "install/install_journal.h"
#include "install/temporary_files.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_libraries.h"
#include "tests/support/fake_registry.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;

class InstallSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
    session.InstallDir = "D:\\Player";
    session.UseChinese = 1;
    clock.OnSleep([&](unsigned) { lines.push_back(session.Status.StatusText()); });
  }
  void WriteSetup(const testing::SetupFileBuilder& setup) {
    files.WriteFile(files.ModulePath(), setup.str());
  }
  bool Saw(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  testing::FakeFileSystem files;
  testing::FakeRegistry registry;
  testing::FakeLibraries libraries;
  testing::FakeClock clock;
  SetupSession session;
  InstallPlatform platform{files, registry, libraries, clock};
  std::vector<std::string> lines;  // the line shown at each pause
};

TEST_F(InstallSequenceTest, RunsEveryStepAndRemovesOnlyItsOwnSystemFiles) {
  files.WriteFile("C:\\Windows\\system32\\mkzlib.dll", "the system's own");
  testing::SetupFileBuilder setup;
  setup.Add("App\\Codec\\SysCodec\\tmAudio.ax", "filter")
      .Add("App\\QuenloMediaPlayer.exe", "player")
      .Add("Exe\\bass.dll", "temporary")
      .Add("Exe\\mkzlib.dll", "temporary");
  WriteSetup(setup);
  libraries.Script("D:\\Player\\Codec\\SysCodec\\tmAudio.ax",
                   platform::EntryPointOutcome::Returning(0));

  TInstallAndReg::Execute(session, platform);

  EXPECT_TRUE(session.Status.InstallFinished());
  EXPECT_FALSE(session.Status.Failure());
  // 5 records; 3 files written (the existing system file is kept); 56 file types; 3 listed.
  EXPECT_EQ(session.Status.ProgressValue(), 5 + 3 + 56 + 3);
  EXPECT_EQ(session.Status.StatusText(), "OK，Quenlo播放v2.0 Tesmar版 安装成功!");
  EXPECT_TRUE(Saw("正在注册解码器:   tmAudio.ax"));
  EXPECT_FALSE(files.FileExists("C:\\Windows\\system32\\bass.dll"));
  EXPECT_EQ(files.ReadFile("C:\\Windows\\system32\\mkzlib.dll"), "the system's own");
  EXPECT_EQ(files.ReadFile("D:\\Player\\QuenloMediaPlayer.exe"), "player");
  EXPECT_EQ(registry.Value(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath")->data,
            "D:\\Player");
  EXPECT_NE(registry.Value(RegistryRoot::ClassesRoot, "Quenlo.avi\\Shell\\Open\\Command", "")
                ->data.find("D:\\Player\\QuenloMediaPlayer.exe"),
            std::string::npos);
}

// Outside Program Files what the install creates is given the administrators' access list: each
// folder it makes (what is made inside inherits it) and each file the extraction puts into a
// folder the extraction did not make. Program Files has such a list of its own.
TEST_F(InstallSequenceTest, WhatItCreatesOutsideProgramFilesOnlyAdministratorsMayChange) {
  registry.SetString(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                     "ProgramFilesDir", "D:\\Program Files");
  testing::SetupFileBuilder setup;
  setup.Add("App\\Codec\\a.ax", "filter").Add("App\\QuenloMediaPlayer.exe", "player");
  WriteSetup(setup);
  const struct {
    const char* installDir;
    bool existsBefore;
    std::vector<std::string> restricted;
  } cases[] = {
      // A file new in a folder the install made inherits the folder's list.
      {"D:\\Player", false, {"D:\\Player", "D:\\Player\\Codec"}},
      {"D:\\Apps", true, {"D:\\Apps\\Codec", "D:\\Apps\\QuenloMediaPlayer.exe"}},
      {"D:\\Program Files\\Player", false, {}},
  };
  for (const auto& c : cases) {
    testing::FakeFileSystem machine;
    machine.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
    machine.WriteFile(machine.ModulePath(), files.ReadFile(files.ModulePath()));
    if (c.existsBefore) machine.CreateFolder(c.installDir);
    machine.CreateFolder("D:\\Program Files");
    RunInstallSequence(session, {machine, registry, libraries, clock}, c.installDir);
    // Folders are made on the worker, files put in place on the writer thread: in either order.
    std::vector<std::string> restricted = machine.restricted();
    std::sort(restricted.begin(), restricted.end());
    std::vector<std::string> expected = c.restricted;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(restricted, expected) << c.installDir;
  }
}

TEST_F(InstallSequenceTest, WithoutASetupFileTheRegistryStepsStillRun) {
  files.SetModulePath("C:\\Nowhere\\QuenloSetup.exe");
  TInstallAndReg::Execute(session, platform);
  EXPECT_TRUE(session.Status.InstallFinished());
  EXPECT_EQ(session.Status.ProgressValue(), 56);
  EXPECT_TRUE(libraries.calls().empty());
  EXPECT_TRUE(registry.Value(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppName"));
  EXPECT_EQ(lines.front(), "正在注册文件类型，请稍候...");
  EXPECT_EQ(lines.back(), "OK，Quenlo播放v2.0 Tesmar版 安装成功!");
  EXPECT_TRUE(files.FolderExists("D:\\Player"));  // created before the extraction
}

// A damaged record ends the install before anything has changed when the check of the setup file
// finds it first, and with everything undone when only the extraction finds it (the file changed
// after the check, or no check ran).
TEST_F(InstallSequenceTest, ADamagedRecordEndsTheInstallAndLeavesTheSystemAsItWas) {
  std::vector<unsigned char> broken =
      archive::CompressRecord(std::vector<unsigned char>{'a', 'b', 'c'});
  broken[2] ^= 0xFF;
  testing::SetupFileBuilder setup;
  setup.AddStored("App\\Codec\\bad.dll", broken).Add("Exe\\bass.dll", "temporary");
  WriteSetup(setup);

  for (const bool checked : {true, false}) {
    SCOPED_TRACE(checked ? "found by the check" : "found by the extraction");
    SetupSession fresh;
    fresh.InstallDir = "D:\\Player";
    std::optional<PayloadCheck> check;
    InstallPlatform withCheck = platform;
    if (checked) {
      withCheck.check = &check.emplace(files);
      check->Wait();  // done before the install starts, as it normally is
    }
    TInstallAndReg::Execute(fresh, withCheck);

    EXPECT_FALSE(fresh.Status.InstallFinished());
    const auto failure = fresh.Status.Failure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->step, checked ? InstallStep::CheckPayload : InstallStep::Extract);
    EXPECT_EQ(failure->cause, FailureCause::DamagedSetupFile);
    EXPECT_EQ(failure->record, "App\\Codec\\bad.dll");
    EXPECT_TRUE(failure->undone);
    // No file, no folder, no record: the system folder copy written first is gone again.
    EXPECT_FALSE(files.FileExists("C:\\Windows\\system32\\bass.dll"));
    EXPECT_FALSE(files.FolderExists("D:\\Player"));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, "Software\\QuenloBoFang"));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::ClassesRoot, ".avi"));
    EXPECT_EQ(fresh.Status.StatusText(), checked ? "" : "正在解压缩:   bass.dll");
  }
}

// An error in a step after the extraction has the whole install undone from its journal, as a
// cut-off install is undone at the next start: the temporary system-folder copies, the installed
// files and the folders are gone, and the failure says everything was given back.
TEST_F(InstallSequenceTest, AFailureAfterTheExtractionUndoesTheWholeInstall) {
  testing::SetupFileBuilder setup;
  setup.Add("App\\Codec\\a.dll", "codec").Add("Exe\\bass.dll", "temporary");
  WriteSetup(setup);
  libraries.Script("D:\\Player\\Codec\\a.dll", platform::EntryPointOutcome::Returning(0));
  libraries.OnCall([](const testing::FakeLibraries::Call& call) {
    if (call.entryPoint == "DllRegisterServer")
      throw std::runtime_error("the registration step broke");
  });

  TInstallAndReg::Execute(session, platform);

  const auto failure = session.Status.Failure();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->step, InstallStep::RegisterCodecs);
  EXPECT_EQ(failure->message, "the registration step broke");
  EXPECT_TRUE(failure->undone);
  EXPECT_FALSE(files.FileExists("C:\\Windows\\system32\\bass.dll"));
  EXPECT_FALSE(files.FileExists("D:\\Player\\Codec\\a.dll"));
  EXPECT_FALSE(files.FolderExists("D:\\Player"));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, kJournalKey));
}

// The journal's temporary names are not looked at beforehand: a file somebody left under such a
// name is found when the file is created, kept, and another name is taken.
TEST_F(InstallSequenceTest, ATemporaryNameTakenAlreadyIsLeftAlone) {
  testing::SetupFileBuilder setup;
  setup.Add("App\\Readme.txt", "read me");
  WriteSetup(setup);
  for (int n = 1; n <= 10; ++n) {
    files.WriteFile("D:\\Player\\Readme.txt.~" + std::to_string(n) + ".new", "somebody's");
  }

  TInstallAndReg::Execute(session, platform);

  EXPECT_TRUE(session.Status.InstallFinished());
  EXPECT_EQ(files.ReadFile("D:\\Player\\Readme.txt"), "read me");
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(files.ReadFile("D:\\Player\\Readme.txt.~" + std::to_string(n) + ".new"),
              "somebody's");
  }
}

TEST_F(InstallSequenceTest, TheWorkerRunsOnAThreadOfItsOwn) {
  files.SetModulePath("C:\\Nowhere\\QuenloSetup.exe");
  clock.OnSleep({});  // the pauses are recorded on the worker's thread; don't watch them here
  TInstallAndReg::Start(session, platform);
  while (!session.Status.InstallFinished() && !session.Status.Failure()) std::this_thread::yield();
  EXPECT_TRUE(session.Status.InstallFinished());
  EXPECT_EQ(session.Status.StatusText(), "OK，Quenlo播放v2.0 Tesmar版 安装成功!");
}

TEST(RemoveTemporaryFiles, OnlyListedFilesDirectlyInTheSystemFolder) {
  testing::FakeFileSystem files;
  files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
  testing::FakeClock clock;
  SetupSession session;
  std::vector<std::string> lines;
  clock.OnSleep([&](unsigned) { lines.push_back(session.Status.StatusText()); });
  files.WriteFile("C:\\Windows\\system32\\bass.dll", "x");
  files.WriteFile("C:\\Windows\\system32\\drivers\\deep.dll", "x");
  files.WriteFile("D:\\Player\\bass.dll", "x");
  ExtractedFiles extracted;
  for (const char* path : {"C:\\Windows\\system32\\bass.dll", "C:\\Windows\\system32\\gone.dll",
                           "C:\\Windows\\system32\\drivers\\deep.dll", "D:\\Player\\bass.dll"}) {
    extracted.Add(path);
  }
  RemoveTemporaryFiles(session, files, clock, extracted);
  EXPECT_EQ(session.Status.ProgressValue(), 4);  // the vanished file still counts
  EXPECT_FALSE(files.FileExists("C:\\Windows\\system32\\bass.dll"));
  EXPECT_TRUE(files.FileExists("C:\\Windows\\system32\\drivers\\deep.dll"));
  EXPECT_TRUE(files.FileExists("D:\\Player\\bass.dll"));
  EXPECT_EQ(lines, (std::vector<std::string>{"OK，临时文件删除成功!",
                                             "OK，Quenlo播放v2.0 Tesmar版 安装成功!"}));
  EXPECT_EQ(clock.sleeps(), (std::vector<unsigned>{100, 100}));
}

}  // namespace
}  // namespace quenlo
