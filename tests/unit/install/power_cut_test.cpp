// An install cut off at any moment, as a power cut or "End task" cuts it, is given back by the
// next start of the setup: for every n, the extraction is cut at its n-th change to the disk or
// the registry (that change and every later one never happen), then a fresh start recovers, and
// the machine is exactly as it was before the install.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "install/extraction.h"
#include "install/install_journal.h"
#include "platform/forwarding_file_system.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
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

class PowerCutTest : public ::testing::Test {
 protected:
  // A machine with an earlier copy of one file, the installation folder and a system folder
  // that holds one of the payload's system files already.
  void Arrange(FakeFileSystem& files) {
    files.AddDrive('D', platform::DriveType::Fixed, 1ull << 30);
    files.WriteFile(files.ModulePath(), setup_.str());
    files.WriteFile("D:\\Player\\Readme.txt", "the user's earlier copy");
    files.WriteFile("C:\\Windows\\system32\\kept.dll", "the system's own");
  }

  // Extracts into D:\Player through `files` and `registry`; false when the power was cut.
  bool Extract(CutFileSystem& files, platform::Registry& registry) {
    SetupSession session;
    FakeClock clock;
    ExtractedFiles extracted;
    InstallJournal journal(registry);
    try {
      ExtractPayload(session, files, clock, "D:\\Player", extracted, nullptr, nullptr, false,
                     &journal);
    } catch (const PowerCut&) {
      return false;
    }
    return true;
  }

  testing::SetupFileBuilder setup_ = [] {
    testing::SetupFileBuilder setup;
    setup.Add("App\\Readme.txt", "new readme")
        .Add("App\\Skin\\Default\\a.bmp", std::string(70000, 'a'))
        .Add("App\\Skin\\Default\\b.bmp", "b")
        .Add("App\\Image\\logo.ico", "logo")
        .Add("Exe\\kept.dll", "the setup's copy")
        .Add("Exe\\copy.dll", "temporary copy");
    return setup;
  }();
};

TEST_F(PowerCutTest, ACutAtAnyChangeIsGivenBackByTheNextStart) {
  int changes = 0;
  {
    FakeFileSystem files;
    FakeRegistry registry;
    Arrange(files);
    Power never(1 << 30);
    CutFileSystem counted(files, never);
    CutRegistry countedRegistry(registry, never);
    ASSERT_TRUE(Extract(counted, countedRegistry));
    changes = never.changes();
  }
  ASSERT_GT(changes, 15);
  for (int cut = 1; cut <= changes; ++cut) {
    SCOPED_TRACE("cut at change " + std::to_string(cut) + " of " + std::to_string(changes));
    FakeFileSystem files;
    FakeRegistry registry;
    Arrange(files);
    registry.CreateKey(platform::RegistryRoot::LocalMachine, "Software");
    const auto diskBefore = DiskState(files);
    const auto registryBefore = registry.Snapshot();
    Power power(cut);
    CutFileSystem cutFiles(files, power);
    CutRegistry cutRegistry(registry, power);
    EXPECT_FALSE(Extract(cutFiles, cutRegistry));

    const Recovery recovery = RecoverUnfinishedInstall(files, registry);
    EXPECT_NE(recovery, Recovery::Incomplete);
    EXPECT_EQ(DiskState(files), diskBefore);
    EXPECT_EQ(registry.Snapshot(), registryBefore);
  }
}

// The undo of a cut-off install, cut off itself at any of its changes, is finished by the start
// after.
TEST_F(PowerCutTest, ACutOffUndoIsFinishedByTheStartAfter) {
  for (const int cut : {6, 12, 18, 24}) {
    for (int undoCut = 1;; ++undoCut) {
      SCOPED_TRACE("install cut at " + std::to_string(cut) + ", its undo at " +
                   std::to_string(undoCut));
      FakeFileSystem files;
      FakeRegistry registry;
      Arrange(files);
      registry.CreateKey(platform::RegistryRoot::LocalMachine, "Software");
      const auto diskBefore = DiskState(files);
      Power power(cut);
      CutFileSystem cutFiles(files, power);
      CutRegistry cutRegistry(registry, power);
      ASSERT_FALSE(Extract(cutFiles, cutRegistry));

      Power undoPower(undoCut);
      CutFileSystem undoFiles(files, undoPower);
      CutRegistry undoRegistry(registry, undoPower);
      bool undoCutOff = false;
      try {
        RecoverUnfinishedInstall(undoFiles, undoRegistry);
      } catch (const PowerCut&) {
        undoCutOff = true;
      }
      RecoverUnfinishedInstall(files, registry);
      EXPECT_EQ(DiskState(files), diskBefore);
      EXPECT_FALSE(registry.KeyExists(platform::RegistryRoot::LocalMachine, kJournalKey));
      if (!undoCutOff && !undoPower.cut()) break;  // the undo ran to its end before this cut
    }
  }
}

// A complete install is never undone: once its commit is in the journal, the start after only
// deletes the originals it had moved aside.
TEST_F(PowerCutTest, ACompleteInstallIsKept) {
  FakeFileSystem files;
  FakeRegistry registry;
  Arrange(files);
  Power never(1 << 30);
  CutFileSystem counted(files, never);
  ASSERT_TRUE(Extract(counted, registry));
  InstallJournal journal(registry);
  const std::vector<JournalEntry> entries = ReadJournal(registry);
  ASSERT_FALSE(entries.empty());
  journal.Append({{JournalEntry::Kind::Commit, {}, {}, {}}});

  EXPECT_EQ(RecoverUnfinishedInstall(files, registry), Recovery::Finished);
  EXPECT_EQ(files.ReadFile("D:\\Player\\Readme.txt"), "new readme");
  for (const JournalEntry& entry : entries) {
    if (entry.kind == JournalEntry::Kind::ReplacedFile) {
      EXPECT_FALSE(files.FileExists(entry.aside));
    }
  }
  EXPECT_FALSE(registry.KeyExists(platform::RegistryRoot::LocalMachine, kJournalKey));
}

}  // namespace
}  // namespace quenlo
