// A file system that hands every call to another one. Derived classes change one or two answers
// and keep the rest: the extraction's change journal notes what it creates and replaces, tests
// change the running program's path or watch the reads of the setup file.
#pragma once

#include "platform/file_system.h"

namespace quenlo::platform {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

  bool FileExists(const std::string& p) override { return inner_.FileExists(p); }
  bool FolderExists(const std::string& p) override { return inner_.FolderExists(p); }
  bool IsReparsePoint(const std::string& p) override { return inner_.IsReparsePoint(p); }
  bool FolderHasEntries(const std::string& p) override { return inner_.FolderHasEntries(p); }
  bool CreateFolder(const std::string& p) override { return inner_.CreateFolder(p); }
  bool RestrictToAdministrators(const std::string& p) override {
    return inner_.RestrictToAdministrators(p);
  }
  bool RemoveFile(const std::string& p) override { return inner_.RemoveFile(p); }
  bool RemoveFileExactly(const std::string& p) override { return inner_.RemoveFileExactly(p); }
  void RenameFile(const std::string& from, const std::string& to) override {
    inner_.RenameFile(from, to);
  }
  bool RemoveFolder(const std::string& p) override { return inner_.RemoveFolder(p); }
  bool RemoveFileAtRestart(const std::string& p) override { return inner_.RemoveFileAtRestart(p); }
  std::unique_ptr<ByteSource> OpenForReading(const std::string& p) override {
    return inner_.OpenForReading(p);
  }
  std::unique_ptr<PendingFile> BeginReplace(const std::string& p) override {
    return inner_.BeginReplace(p);
  }
  std::unique_ptr<PendingFile> CreateNewFile(const std::string& p, bool durable) override {
    return inner_.CreateNewFile(p, durable);
  }
  std::string ModulePath() override { return inner_.ModulePath(); }
  std::string SystemFolder() override { return inner_.SystemFolder(); }
  DriveType QueryDriveType(const std::string& r) override { return inner_.QueryDriveType(r); }
  std::optional<DiskSpace> GetDiskSpace(const std::string& p) override {
    return inner_.GetDiskSpace(p);
  }

 protected:
  FileSystem& inner_;
};

}  // namespace quenlo::platform
