// A silent install cut off at any moment (every change it makes: the folders, the start page, the
// payload, the codecs, the registry, the links, the uninstall record) is given back by the next
// start of the setup, exactly; one cut off after its commit is finished instead.
#include <gtest/gtest.h>

#include "install/install_journal.h"
#include "setup/silent_install.h"
#include "tests/support/fake_shell.h"
#include "tests/support/power_cut.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;
using testing::Power;

// A machine with an earlier start page, an extension another program handles and an earlier
// link on the desktop.
struct Machine {
  Machine() {
    registry.SetString(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                       "ProgramFilesDir", "C:\\Program Files");
    registry.CreateKey(RegistryRoot::LocalMachine,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
    registry.SetString(RegistryRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                       "Start Page", "http://before.example/");
    registry.SetString(RegistryRoot::ClassesRoot, ".avi", "", "OtherPlayer.avi");
    files.CreateFolder("C:\\Program Files");
    files.WriteFile(shell.desktop + "\\Quenlo播放.lnk", "an earlier link");
    testing::SetupFileBuilder setup;
    setup.Add("App\\Codec\\a.ax", "filter")
        .Add("App\\QuenloMediaPlayer.exe", "player")
        .Add("App\\UnInstall.exe", "uninstaller")
        .Add("App\\Readme.txt", "read me")
        .Add("Exe\\bass.dll", "temporary");
    files.WriteFile(files.ModulePath(), setup.str());
  }
  // Installs with /S, the power cut at change `cut`; true when the install ran to its end.
  bool Install(int cut) {
    power = Power(cut);
    testing::CutFileSystem cutFiles(files, power);
    testing::CutRegistry cutRegistry(registry, power);
    testing::CutShell cutShell(shell, power);
    InstallActions actions(cutFiles, cutRegistry, cutShell);
    SetupSession session;
    try {
      return RunSilentInstall(session, ParseCommandLine("/S"),
                              {cutFiles, cutRegistry, codecs, actions, nullptr}) ==
                 kExitInstalled &&
             !power.cut();
    } catch (const testing::PowerCut&) {
      return false;
    }
  }

  testing::FakeFileSystem files;
  testing::FakeRegistry registry;
  testing::FakeShell shell{files};
  Power power{1 << 30};
  testing::CodecRegistrations codecs{power};
};

TEST(SilentInstallPowerCut, ACutAtAnyChangeIsGivenBackOrFinished) {
  Machine complete;
  ASSERT_TRUE(complete.Install(1 << 30));
  const int changes = complete.power.changes();
  const auto diskComplete = testing::DiskState(complete.files);
  const auto registryComplete = complete.registry.Snapshot();
  for (int cut = 1; cut <= changes; ++cut) {
    SCOPED_TRACE("cut at change " + std::to_string(cut) + " of " + std::to_string(changes));
    Machine machine;
    const auto diskBefore = testing::DiskState(machine.files);
    const auto registryBefore = machine.registry.Snapshot();
    EXPECT_FALSE(machine.Install(cut));
    machine.power = Power(1 << 30);
    const Recovery recovery =
        RecoverUnfinishedInstall(machine.files, machine.registry, machine.codecs);
    const bool finished = recovery == Recovery::Finished;
    const auto disk = testing::DiskState(machine.files);
    const auto& expected = finished ? diskComplete : diskBefore;
    for (const auto& [name, content] : disk) {
      const auto found = expected.find(name);
      EXPECT_TRUE(found != expected.end() && found->second == content) << "differs: " << name;
    }
    for (const auto& [name, content] : expected) {
      EXPECT_TRUE(disk.contains(name)) << "missing: " << name;
    }
    EXPECT_EQ(machine.registry.Snapshot(), finished ? registryComplete : registryBefore);
    EXPECT_EQ(machine.codecs.registered().size(), finished ? 1u : 0u);
    if (HasFailure()) break;  // one cut's account is enough to read
  }
}

}  // namespace
}  // namespace quenlo
