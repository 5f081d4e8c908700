// A file system that hands every call to another one. Tests derive from it to change one or two
// answers (the running program's path, the reads of the setup file) and keep the rest real.
#pragma once

#include "platform/file_system.h"

namespace quenlo::testing {

class ForwardingFileSystem : public platform::FileSystem {
 public:
  explicit ForwardingFileSystem(platform::FileSystem& inner) : inner_(inner) {}

  bool FileExists(const std::string& p) override { return inner_.FileExists(p); }
  bool FolderExists(const std::string& p) override { return inner_.FolderExists(p); }
  bool CreateFolder(const std::string& p) override { return inner_.CreateFolder(p); }
  bool RemoveFile(const std::string& p) override { return inner_.RemoveFile(p); }
  void RenameFile(const std::string& from, const std::string& to) override {
    inner_.RenameFile(from, to);
  }
  bool RemoveFolder(const std::string& p) override { return inner_.RemoveFolder(p); }
  bool RemoveFileAtRestart(const std::string& p) override { return inner_.RemoveFileAtRestart(p); }
  std::unique_ptr<payload::ByteSource> OpenForReading(const std::string& p) override {
    return inner_.OpenForReading(p);
  }
  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string& p) override {
    return inner_.BeginReplace(p);
  }
  std::string ModulePath() override { return inner_.ModulePath(); }
  std::string SystemFolder() override { return inner_.SystemFolder(); }
  platform::DriveType QueryDriveType(const std::string& r) override {
    return inner_.QueryDriveType(r);
  }
  std::optional<platform::DiskSpace> GetDiskSpace(const std::string& p) override {
    return inner_.GetDiskSpace(p);
  }
  void Sleep(unsigned ms) override { inner_.Sleep(ms); }

 protected:
  platform::FileSystem& inner_;
};

}  // namespace quenlo::testing
