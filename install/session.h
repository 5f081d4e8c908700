// SetupSession: the process-wide state that the wizard and the install worker share.
//
// Everything is zero or empty at process start. ExistingAppPath, InstallDir, UseChinese and
// FreeSpaceMB are written on the main thread only, and InstallDir and UseChinese no longer change
// once the worker runs. StatusText, ProgressValue and InstallFinished form the status channel:
// the worker writes, the wizard's timer reads (see StatusChannel). PlayerExePath belongs to the
// worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace quenlo {

// The steps of the install, as a failure names them.
enum class InstallStep {
  CheckPayload,  // the check of the setup file before anything changes
  Extract,
  RegisterCodecs,
  RegisterFileTypes,
  WriteAppRecord,
  RemoveTemporaryFiles,
};

// What stopped an install, as far as it tells the user what to do.
enum class FailureCause {
  DamagedSetupFile,  // the payload does not check out: download the setup again
  DiskFull,
  FileInUse,     // a running program holds a file that had to be replaced
  AccessDenied,  // a folder or file may not be written
  LinkedFolder,  // a folder inside the installation folder is a link to another place
  Other,
};

// How an install that did not finish ended. The wizard words it in the interface's language.
struct InstallFailure {
  InstallStep step = InstallStep::Extract;
  FailureCause cause = FailureCause::Other;
  std::string record{};           // the payload record concerned (its stored name), if any
  std::uint64_t offset = 0;       // with a record: where in the setup file the fault shows
  std::string file{};             // the file concerned (GBK path), if any
  std::uint32_t systemError = 0;  // the system's error code, if any
  std::string message{};          // the error's own technical words (not for the user's eyes first)
  bool undone = false;            // everything the install had changed is as it was again
};

// The status channel between the install worker and the wizard's timer.
//
// The status line is replaced and copied whole under a lock held only for the swap or the copy,
// so a reader always gets one complete line. The progress count has one writer, so it needs no
// read-modify-write protection; readers may see any recent value. InstallFinished is published
// with release ordering after the worker's last write and read with acquire ordering before the
// other members. A worker whose sequence ended by an error never sets InstallFinished; it
// publishes an InstallFailure instead, under the same ordering.
class StatusChannel {
 public:
  void PublishStatus(std::string line);
  std::string StatusText() const;
  // Called with every line published, on the publishing thread (the install log's). Set before
  // the worker starts, never while it runs.
  void ObserveLines(std::function<void(const std::string& line)> observer) {
    observer_ = std::move(observer);
  }

  void ResetProgress() { progress_.store(0, std::memory_order_relaxed); }
  void StepProgress() {
    progress_.store(progress_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  }
  std::int32_t ProgressValue() const { return progress_.load(std::memory_order_relaxed); }

  void SetInstallFinished(bool finished) { finished_.store(finished, std::memory_order_release); }
  bool InstallFinished() const { return finished_.load(std::memory_order_acquire); }

  void PublishFailure(InstallFailure failure);
  std::optional<InstallFailure> Failure() const;

 private:
  mutable std::mutex lineLock_;
  std::string line_;
  std::atomic<std::int32_t> progress_{0};
  std::atomic<bool> finished_{false};
  std::optional<InstallFailure> failure_;  // guarded by lineLock_
  std::function<void(const std::string&)> observer_;
  std::atomic<bool> failed_{false};
};

struct SetupSession {
  std::string ExistingAppPath;  // "AppPath" of an earlier installation; empty if none
  std::string InstallDir;       // the destination folder
  std::int32_t UseChinese = 0;  // 1 Chinese texts, 2 English texts, anything else neither
  double FreeSpaceMB = 0;       // the free space last formatted, in megabytes
  StatusChannel Status;         // StatusText, ProgressValue, InstallFinished
  std::string PlayerExePath;    // full path of the extracted player executable
};

// The process's one session.
SetupSession& TheSession();

}  // namespace quenlo
