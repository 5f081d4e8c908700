// An install cut off at any moment, as a power cut or "End task" cuts it, is given back by the
// next start of the setup: for every n, the install sequence is cut at its n-th change to the
// disk, the registry or the codecs' registrations (that change and every later one never
// happen), then a fresh start recovers, and the machine is exactly as it was before the install.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "install/install_journal.h"
#include "install/install_sequence.h"
#include "platform/forwarding_file_system.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_libraries.h"
#include "tests/support/fake_registry.h"
#include "tests/support/setup_file_builder.h"

namespace quenlo {
namespace {

using testing::FakeClock;
using testing::FakeFileSystem;
using testing::FakeRegistry;

struct PowerCut {};

// Counts the changes made through it; from the `cutAt`-th on, each throws PowerCut instead.
class Power {
 public:
  explicit Power(int cutAt) : cutAt_(cutAt) {}
  void Change() {
    if (++changes_ >= cutAt_) throw PowerCut{};
  }
  int changes() const { return changes_; }
  bool cut() const { return changes_ >= cutAt_; }

 private:
  int cutAt_;
  int changes_ = 0;
};

// A file being written. Once the power is cut, the process that wrote it is gone: what it had
// written stays on the disk as it was, whatever the process's own clean-up would have done.
class CutFile final : public platform::PendingFile {
 public:
  CutFile(Power& power, FakeFileSystem& disk, std::string path,
          std::unique_ptr<platform::PendingFile> file)
      : power_(power), disk_(disk), path_(std::move(path)), file_(std::move(file)) {}
  void Write(const void* data, std::size_t size) override {
    power_.Change();
    file_->Write(data, size);
  }
  void Commit() override {
    power_.Change();
    file_->Commit();
  }
  ~CutFile() override {
    if (!power_.cut() || !disk_.FileExists(path_)) return;
    const std::string left = disk_.ReadFile(path_);
    file_.reset();
    disk_.WriteFile(path_, left);
  }

 private:
  Power& power_;
  FakeFileSystem& disk_;
  std::string path_;
  std::unique_ptr<platform::PendingFile> file_;
};

class CutFileSystem final : public platform::ForwardingFileSystem {
 public:
  CutFileSystem(FakeFileSystem& files, Power& power)
      : ForwardingFileSystem(files), disk_(files), power_(power) {}
  bool CreateFolder(const std::string& p) override { return Change(), inner_.CreateFolder(p); }
  bool RemoveFile(const std::string& p) override { return Change(), inner_.RemoveFile(p); }
  bool RemoveFileExactly(const std::string& p) override {
    return Change(), inner_.RemoveFileExactly(p);
  }
  void RenameFile(const std::string& from, const std::string& to) override {
    Change();
    inner_.RenameFile(from, to);
  }
  bool RemoveFolder(const std::string& p) override { return Change(), inner_.RemoveFolder(p); }
  bool RemoveFileAtRestart(const std::string& p) override {
    return Change(), inner_.RemoveFileAtRestart(p);
  }
  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string&) override {
    ADD_FAILURE() << "the journal names every file it writes (CreateNewFile)";
    throw PowerCut{};
  }
  std::unique_ptr<platform::PendingFile> CreateNewFile(const std::string& p,
                                                       bool durable) override {
    Change();
    return std::make_unique<CutFile>(power_, disk_, p, inner_.CreateNewFile(p, durable));
  }

 private:
  void Change() { power_.Change(); }
  FakeFileSystem& disk_;
  Power& power_;
};

class CutKey final : public platform::RegistryKey {
 public:
  CutKey(Power& power, std::unique_ptr<platform::RegistryKey> key)
      : power_(power), key_(std::move(key)) {}
  platform::RegistryValue Read(const std::string& name) override { return key_->Read(name); }
  bool WriteString(const std::string& name, const std::string& text) override {
    power_.Change();
    return key_->WriteString(name, text);
  }
  bool DeleteValue(const std::string& name) override {
    power_.Change();
    return key_->DeleteValue(name);
  }
  bool WriteDword(const std::string& name, std::uint32_t value) override {
    power_.Change();
    return key_->WriteDword(name, value);
  }

 private:
  Power& power_;
  std::unique_ptr<platform::RegistryKey> key_;
};

class CutRegistry final : public platform::Registry {
 public:
  CutRegistry(FakeRegistry& registry, Power& power) : registry_(registry), power_(power) {}
  std::unique_ptr<platform::RegistryKey> Open(platform::RegistryRoot root, const std::string& path,
                                              bool create) override {
    if (create && !registry_.KeyExists(root, path)) power_.Change();
    auto key = registry_.Open(root, path, create);
    return key ? std::make_unique<CutKey>(power_, std::move(key)) : nullptr;
  }
  bool DeleteKey(platform::RegistryRoot root, const std::string& path) override {
    power_.Change();
    return registry_.DeleteKey(root, path);
  }

 private:
  FakeRegistry& registry_;
  Power& power_;
};

// Codec libraries whose registration is part of the machine's state: registered by
// DllRegisterServer, no longer by DllUnregisterServer.
class CodecRegistrations final : public platform::Libraries {
 public:
  explicit CodecRegistrations(Power& power) : power_(power) {}
  platform::EntryPointOutcome CallEntryPoint(const std::string& path, const std::string& name,
                                             std::uint32_t) override {
    power_.Change();
    if (name == "DllRegisterServer") registered_.insert(path);
    if (name == "DllUnregisterServer") registered_.erase(path);
    return platform::EntryPointOutcome::Returning(0);
  }
  const std::set<std::string>& registered() const { return registered_; }

 private:
  Power& power_;
  std::set<std::string> registered_;
};

// Every file and folder below the drives, with the files' content.
std::map<std::string, std::string> DiskState(FakeFileSystem& files) {
  std::map<std::string, std::string> state;
  const std::filesystem::path root = files.NativePath("C:\\").parent_path();
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string& content = state[entry.path().lexically_relative(root).string()];
    if (entry.is_directory()) {
      content = "(folder)";
    } else {
      std::ifstream file(entry.path(), std::ios::binary);
      content.assign(std::istreambuf_iterator<char>(file), {});
    }
  }
  return state;
}

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
