// Files and folders in a temporary directory, with Windows drive letters mapped onto
// sub-folders of it: "C:\Windows\system32" lives in <temp>/C/Windows/system32, and a relative
// path lives under <temp>/cwd. Drives exist only once added, each with a type and a free-space
// figure. Files can be held as a running program holds
// them, folders closed to writing, and deletions at the next restart are recorded.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace quenlo::testing {

class FakeFileSystem final : public platform::FileSystem {
 public:
  FakeFileSystem();  // with drive C: (fixed, 10 GiB free) and C:\Windows\system32

  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool IsReparsePoint(const std::string& path) override;
  bool FolderHasEntries(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool RestrictToAdministrators(const std::string& path) override {
    std::lock_guard lock(restrictedMutex_);  // the extraction's two threads both ask
    restricted_.push_back(path);
    return true;
  }
  bool RemoveFile(const std::string& path) override;
  bool RemoveFileExactly(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to) override;
  bool RemoveFolder(const std::string& path) override;
  bool RemoveFileAtRestart(const std::string& path) override;
  std::unique_ptr<ByteSource> OpenForReading(const std::string& path) override;
  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string& path) override;
  std::unique_ptr<platform::PendingFile> CreateNewFile(const std::string& path,
                                                       bool durable) override;
  std::string ModulePath() override { return modulePath_; }
  std::string SystemFolder() override { return systemFolder_; }
  platform::DriveType QueryDriveType(const std::string& root) override;
  std::optional<platform::DiskSpace> GetDiskSpace(const std::string& path) override;

  // Arranging the machine.
  void AddDrive(char letter, platform::DriveType type, std::uint64_t freeBytes);
  void FailDiskSpaceQuery(char letter);
  // From now on a file being written fails ("disk full") once it would exceed `bytes`.
  void FailWritesBeyond(std::uint64_t bytes) { writeLimit_ = bytes; }
  void SetModulePath(std::string path) { modulePath_ = std::move(path); }
  // How a running program holds a file: it can neither be replaced nor deleted; kRunning lets it
  // be renamed (the program keeps it under its new name), kLocked not even that.
  enum class Hold { kRunning, kLocked };
  void HoldFile(const std::string& path, Hold hold);
  // New files in `folder` cannot be created (access denied).
  void DenyWritesIn(const std::string& folder);
  // The files and folders given the administrators' access list, in order.
  const std::vector<std::string>& restricted() const { return restricted_; }
  // The files whose deletion at the next restart was asked for.
  const std::vector<std::string>& removalsAtRestart() const { return removalsAtRestart_; }
  void WriteFile(const std::string& path, const std::string& content);  // creates folders
  // Makes `path` a link to the folder `target` (a symbolic link on this machine's disk), as a user
  // who may write the folder makes a junction.
  void MakeFolderLink(const std::string& path, const std::string& target);
  std::string ReadFile(const std::string& path);

  // Where a Windows path lives on this machine's disk.
  std::filesystem::path NativePath(const std::string& path) const;

 private:
  struct Drive {
    platform::DriveType type = platform::DriveType::Fixed;
    std::uint64_t freeBytes = 0;
    bool queryFails = false;
  };
  const Drive* FindDrive(const std::string& path) const;

  TempDir root_;
  std::map<char, Drive> drives_;
  std::string modulePath_ = "C:\\Setup\\QuenloSetup.exe";
  std::string systemFolder_ = "C:\\Windows\\system32";
  std::uint64_t writeLimit_ = UINT64_MAX;
  std::map<std::filesystem::path, Hold> held_;  // native paths
  std::vector<std::filesystem::path> deniedFolders_;
  std::vector<std::string> removalsAtRestart_;
  std::mutex restrictedMutex_;
  std::vector<std::string> restricted_;
};

}  // namespace quenlo::testing
