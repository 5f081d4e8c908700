// Test helpers for the install steps.
//
// StepPauses stands in for the file system of a step that only pauses: each pause is recorded
// with the status line and the progress count shown at that moment, which is what the wizard's
// timer would see. Any other file-system call fails the test.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "install/session.h"
#include "platform/file_system.h"

namespace quenlo::testing {

class StepPauses final : public platform::FileSystem {
 public:
  struct Pause {
    unsigned milliseconds;
    std::string line;
    std::int32_t progress;
    bool operator==(const Pause&) const = default;
  };

  explicit StepPauses(const SetupSession& session) : session_(session) {}

  void Sleep(unsigned milliseconds) override {
    pauses_.push_back(
        {milliseconds, session_.Status.StatusText(), session_.Status.ProgressValue()});
    if (onPause_) onPause_();
  }
  // Runs during each pause, after it is recorded.
  void OnPause(std::function<void()> hook) { onPause_ = std::move(hook); }
  const std::vector<Pause>& pauses() const { return pauses_; }

  bool FileExists(const std::string&) override { return Unexpected<bool>(); }
  bool FolderExists(const std::string&) override { return Unexpected<bool>(); }
  bool CreateFolder(const std::string&) override { return Unexpected<bool>(); }
  bool RemoveFile(const std::string&) override { return Unexpected<bool>(); }
  void RenameFile(const std::string&, const std::string&) override { Unexpected<void>(); }
  bool RemoveFolder(const std::string&) override { return Unexpected<bool>(); }
  bool RemoveFileAtRestart(const std::string&) override { return Unexpected<bool>(); }
  std::unique_ptr<ByteSource> OpenForReading(const std::string&) override {
    return Unexpected<std::unique_ptr<ByteSource>>();
  }
  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string&) override {
    return Unexpected<std::unique_ptr<platform::PendingFile>>();
  }
  std::string ModulePath() override { return Unexpected<std::string>(); }
  std::string SystemFolder() override { return Unexpected<std::string>(); }
  platform::DriveType QueryDriveType(const std::string&) override {
    return Unexpected<platform::DriveType>();
  }
  std::optional<platform::DiskSpace> GetDiskSpace(const std::string&) override {
    return Unexpected<std::optional<platform::DiskSpace>>();
  }

 private:
  template <typename T>
  static T Unexpected() {
    throw std::logic_error("this step is not expected to touch files");
  }

  const SetupSession& session_;
  std::function<void()> onPause_;
  std::vector<Pause> pauses_;
};

}  // namespace quenlo::testing
