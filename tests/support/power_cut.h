// A power cut for the tests of what an install leaves when it is cut off at any moment: the
// file system, the registry, the codec registrations and the shell count the changes made through
// them, and from the n-th on each throws PowerCut instead, as if the process were gone. A file the
// process was writing stays on the disk as it was.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/forwarding_file_system.h"
#include "platform/libraries.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_registry.h"

namespace quenlo::testing {

struct PowerCut {};

// Counts the changes made through it; from the `cutAt`-th on, each throws PowerCut instead.
// The extraction makes its changes on two threads (folders on one, files on the other).
class Power {
 public:
  explicit Power(int cutAt) : cutAt_(cutAt) {}
  // A fresh power supply between installs, while no thread makes changes.
  Power& operator=(const Power& other) {
    cutAt_ = other.cutAt_;
    changes_ = other.changes_.load();
    return *this;
  }
  void Change() {
    if (++changes_ >= cutAt_) throw PowerCut{};
  }
  int changes() const { return changes_.load(); }
  bool cut() const { return changes_.load() >= cutAt_; }

 private:
  int cutAt_;
  std::atomic<int> changes_ = 0;
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

// Links made through the shell are changes too.
class CutShell final : public platform::Shell {
 public:
  CutShell(platform::Shell& shell, Power& power) : shell_(shell), power_(power) {}
  std::string DesktopFolder() override { return shell_.DesktopFolder(); }
  std::string ProgramsFolder() override { return shell_.ProgramsFolder(); }
  void SaveLink(const std::string& linkPath, const std::string& target,
                const std::string& workingFolder) override {
    power_.Change();
    shell_.SaveLink(linkPath, target, workingFolder);
  }

 private:
  platform::Shell& shell_;
  Power& power_;
};

// Every file and folder below the drives, with the files' content.
inline std::map<std::string, std::string> DiskState(FakeFileSystem& files) {
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

}  // namespace quenlo::testing
