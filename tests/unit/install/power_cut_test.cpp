// An install cut off at any moment, as a power cut or "End task" cuts it, is given back by the
// next start of the setup: for every n, the install sequence is cut at its n-th change to the
// disk, the registry or the codecs' registrations (that change and every later one never
// happen), then a fresh start recovers, and the machine is exactly as it was before the install.
#include <gtest/gtest.h>

#include <map>

#include "install/install_journal.h"
#include "install/install_sequence.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_registry.h"
#include "tests/support/power_cut.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo {
namespace {

using testing::CodecRegistrations;
using testing::CutFileSystem;
using testing::CutRegistry;
using testing::DiskState;
using testing::FakeClock;
using testing::FakeFileSystem;
using testing::FakeRegistry;
using testing::Power;
using testing::PowerCut;

// A machine on which the setup is started: an earlier copy of one file in the installation
// folder, a system folder that holds one of the payload's system files already, an extension
// another program handles.
struct Machine {
  explicit Machine(const std::string& setupFile) {
    files.WriteFile(files.ModulePath(), setupFile);
    files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
    files.WriteFile("D:\\Player\\Readme.txt", "the user's earlier copy");
    files.WriteFile("C:\\Windows\\system32\\kept.dll", "the system's own");
    registry.CreateKey(platform::RegistryRoot::LocalMachine, "Software");
    registry.SetString(platform::RegistryRoot::ClassesRoot, ".avi", "", "OtherPlayer.avi");
    registry.SetString(platform::RegistryRoot::LocalMachine,
                       "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
                       "C:\\Program Files\\Common Files");
    registry.CreateKey(platform::RegistryRoot::LocalMachine,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
    files.CreateFolder("C:\\Program Files");
  }
  FakeFileSystem files;
  FakeRegistry registry;
  Power power{1 << 30};
  CodecRegistrations codecs{power};
};

class PowerCutTest : public ::testing::Test {
 protected:
  // Runs the install sequence into D:\Player on `machine`, its power cut at change `cut`; false
  // when the power was cut.
  bool Install(Machine& machine, int cut) {
    machine.power = Power(cut);
    CutFileSystem files(machine.files, machine.power);
    CutRegistry registry(machine.registry, machine.power);
    FakeClock clock;
    SetupSession session;
    session.InstallDir = "D:\\Player";
    session.UseChinese = 1;
    InstallPlatform platform{files, registry, machine.codecs, clock};
    try {
      RunInstallSequence(session, platform, session.InstallDir);
    } catch (const InstallStepError&) {
      return false;  // the power cut, as the step it cut off saw it
    } catch (const PowerCut&) {
      return false;
    }
    return !machine.power.cut();
  }

  testing::SetupFileBuilder setup_ = [] {
    testing::SetupFileBuilder setup;
    setup.Add("App\\Readme.txt", "new readme")
        .Add("App\\Skin\\Default\\a.bmp", std::string(70000, 'a'))
        .Add("App\\Codec\\Real\\r.dll", "codec")
        .Add("App\\Codec\\filter.ax", "filter")
        .Add("App\\QuenloMediaPlayer.exe", "player")
        .Add("Exe\\kept.dll", "the setup's copy")
        .Add("Exe\\copy.dll", "temporary copy");
    return setup;
  }();
};

TEST_F(PowerCutTest, ACutAtAnyChangeIsGivenBackByTheNextStart) {
  int changes = 0;
  std::map<std::string, std::string> diskComplete;
  std::map<std::string, std::map<std::string, std::string>> registryComplete;
  {
    Machine machine(setup_.str());
    ASSERT_TRUE(Install(machine, 1 << 30));
    changes = machine.power.changes();
    diskComplete = DiskState(machine.files);
    registryComplete = machine.registry.Snapshot();
    EXPECT_EQ(machine.codecs.registered().size(), 2u);
  }
  ASSERT_GT(changes, 100);
  int finished = 0;  // cuts after the install was complete: the next start finishes it
  for (int cut = 1; cut <= changes; ++cut) {
    SCOPED_TRACE("cut at change " + std::to_string(cut) + " of " + std::to_string(changes));
    Machine machine(setup_.str());
    const auto diskBefore = DiskState(machine.files);
    const auto registryBefore = machine.registry.Snapshot();
    EXPECT_FALSE(Install(machine, cut));

    machine.power = Power(1 << 30);
    const Recovery recovery =
        RecoverUnfinishedInstall(machine.files, machine.registry, machine.codecs);
    if (recovery == Recovery::Finished) {
      ++finished;
      EXPECT_EQ(DiskState(machine.files), diskComplete);
      EXPECT_EQ(machine.registry.Snapshot(), registryComplete);
      EXPECT_EQ(machine.codecs.registered().size(), 2u);
    } else {
      EXPECT_EQ(finished, 0) << "an install cut off before its commit after one cut after it";
      EXPECT_TRUE(recovery == Recovery::Undone || recovery == Recovery::None);
      EXPECT_EQ(DiskState(machine.files), diskBefore);
      EXPECT_EQ(machine.registry.Snapshot(), registryBefore);
      EXPECT_TRUE(machine.codecs.registered().empty());
    }
    if (HasFailure()) break;  // one cut's account is enough to read
  }
  // Only the last changes come after the commit: deleting the one original moved aside, the
  // copy for the restart and its entry, and the journal.
  EXPECT_GT(finished, 0);
  EXPECT_LT(finished, 8);
}

// The undo of a cut-off install, cut off itself at any of its changes, is finished by the start
// after.
TEST_F(PowerCutTest, ACutOffUndoIsFinishedByTheStartAfter) {
  for (const int cut : {20, 60, 110}) {
    for (int undoCut = 1;; ++undoCut) {
      SCOPED_TRACE("install cut at " + std::to_string(cut) + ", its undo at " +
                   std::to_string(undoCut));
      Machine machine(setup_.str());
      const auto diskBefore = DiskState(machine.files);
      const auto registryBefore = machine.registry.Snapshot();
      ASSERT_FALSE(Install(machine, cut));

      machine.power = Power(undoCut);
      CutFileSystem undoFiles(machine.files, machine.power);
      CutRegistry undoRegistry(machine.registry, machine.power);
      try {
        RecoverUnfinishedInstall(undoFiles, undoRegistry, machine.codecs);
      } catch (const PowerCut&) {
      }
      const bool cutOff = machine.power.cut();
      machine.power = Power(1 << 30);
      RecoverUnfinishedInstall(machine.files, machine.registry, machine.codecs);
      EXPECT_EQ(DiskState(machine.files), diskBefore);
      EXPECT_EQ(machine.registry.Snapshot(), registryBefore);
      EXPECT_TRUE(machine.codecs.registered().empty());
      if (!cutOff || HasFailure()) break;  // the undo ran to its end before this cut
    }
  }
}

// A complete install is never undone: the start after finds nothing to do.
TEST_F(PowerCutTest, ACompleteInstallIsKept) {
  Machine machine(setup_.str());
  ASSERT_TRUE(Install(machine, 1 << 30));
  const auto diskAfter = DiskState(machine.files);
  const auto registryAfter = machine.registry.Snapshot();
  EXPECT_EQ(RecoverUnfinishedInstall(machine.files, machine.registry, machine.codecs),
            Recovery::None);
  EXPECT_EQ(machine.files.ReadFile("D:\\Player\\Readme.txt"), "new readme");
  EXPECT_EQ(DiskState(machine.files), diskAfter);
  EXPECT_EQ(machine.registry.Snapshot(), registryAfter);
  EXPECT_EQ(machine.codecs.registered().size(), 2u);
}

}  // namespace
}  // namespace quenlo
