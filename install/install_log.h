// The install's log (/LOG=): each step, every file written with its size, every folder made,
// each codec library and how its registration ended, every registry value written or deleted,
// and at the end the outcome and the exit code.
//
// InstallLog puts the time since its start in front of every line and may be written from any
// thread (the worker, the codec threads' callers, the main thread). The Logged* classes wrap the
// platform's objects and note what goes through them, so the steps themselves know nothing of
// the log, and the log holds what was really done, not what a step meant to do.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/file_system.h"
#include "platform/forwarding_file_system.h"
#include "platform/libraries.h"
#include "platform/log_file.h"
#include "platform/registry.h"

namespace quenlo {

class InstallLog {
 public:
  explicit InstallLog(platform::LogFile& file);
  // One line, GBK.
  void Write(const std::string& line);

 private:
  platform::LogFile& file_;
  std::mutex mutex_;
  std::int64_t startMs_;  // when the log began
};

// "HKLM\Software\QuenloBoFang": a key as the log names it.
std::string LogKeyName(platform::RegistryRoot root, const std::string& path);

// How a library's entry point call ended, as the log says it: "0x00000000", "not loaded", ...
std::string LogOutcome(const platform::EntryPointOutcome& outcome);

// Notes every file written (when it takes its place, with its size), every folder created, every
// file removed or scheduled for removal at the restart.
class LoggedFileSystem final : public platform::ForwardingFileSystem {
 public:
  LoggedFileSystem(platform::FileSystem& inner, InstallLog& log)
      : ForwardingFileSystem(inner), log_(log) {}
  bool CreateFolder(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFileExactly(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  bool RemoveFileAtRestart(const std::string& path) override;
  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string& path) override;
  std::unique_ptr<platform::PendingFile> CreateNewFile(const std::string& path,
                                                       bool durable) override;
  void RenameFile(const std::string& from, const std::string& to) override;

 private:
  InstallLog& log_;
  std::mutex mutex_;
  std::map<std::string, std::uint64_t> written_;  // temporary files committed, not yet in place
};

// Notes every value written or deleted and every key deleted; reads are not noted.
class LoggedRegistry final : public platform::Registry {
 public:
  LoggedRegistry(platform::Registry& inner, InstallLog& log) : inner_(inner), log_(log) {}
  std::unique_ptr<platform::RegistryKey> Open(platform::RegistryRoot root, const std::string& path,
                                              bool create) override;
  bool DeleteKey(platform::RegistryRoot root, const std::string& path) override;

 private:
  platform::Registry& inner_;
  InstallLog& log_;
};

// Notes each library entry point called (a codec's registration) and how it ended.
class LoggedLibraries final : public platform::Libraries {
 public:
  LoggedLibraries(platform::Libraries& inner, InstallLog& log) : inner_(inner), log_(log) {}
  platform::EntryPointOutcome CallEntryPoint(const std::string& path, const std::string& name,
                                             std::uint32_t timeLimitMs) override;

 private:
  platform::Libraries& inner_;
  InstallLog& log_;
};

}  // namespace quenlo
