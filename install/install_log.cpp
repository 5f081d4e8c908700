#include "install/install_log.h"

#include <cstdio>
#include <functional>
#include <optional>

#include "install/change_journal.h"
#include "install/install_journal.h"
#include "install/log_clock.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;

const char* Result(bool ok) { return ok ? "" : " (failed)"; }

// Counts what goes into a file, and notes it once the file has taken its place (or, for a
// temporary file that a rename puts in place later, hands its size to `committed`).
class LoggedPendingFile final : public platform::PendingFile {
 public:
  LoggedPendingFile(std::unique_ptr<platform::PendingFile> inner, std::string path, InstallLog& log,
                    std::function<void(std::uint64_t)> committed = {})
      : inner_(std::move(inner)),
        path_(std::move(path)),
        log_(log),
        committed_(std::move(committed)) {}
  void Write(const void* data, std::size_t size) override {
    inner_->Write(data, size);
    bytes_ += size;
  }
  void Commit() override {
    try {
      inner_->Commit();
    } catch (...) {
      log_.Write("file not written: " + path_);
      throw;
    }
    if (committed_) {
      committed_(bytes_);
    } else {
      log_.Write("file written: " + path_ + " (" + std::to_string(bytes_) + " bytes)");
    }
  }

 private:
  std::unique_ptr<platform::PendingFile> inner_;
  std::string path_;
  InstallLog& log_;
  std::function<void(std::uint64_t)> committed_;
  std::uint64_t bytes_ = 0;
};

class LoggedKey final : public platform::RegistryKey {
 public:
  LoggedKey(std::unique_ptr<platform::RegistryKey> inner, std::string name, InstallLog& log)
      : inner_(std::move(inner)), name_(std::move(name)), log_(log) {}
  platform::RegistryValue Read(const std::string& value) override { return inner_->Read(value); }
  bool WriteString(const std::string& value, const std::string& text) override {
    const bool ok = inner_->WriteString(value, text);
    log_.Write("registry value: " + name_ + " " + Named(value) + " = \"" + text + "\"" +
               Result(ok));
    return ok;
  }
  bool WriteDword(const std::string& value, std::uint32_t number) override {
    const bool ok = inner_->WriteDword(value, number);
    log_.Write("registry value: " + name_ + " " + Named(value) + " = " + std::to_string(number) +
               Result(ok));
    return ok;
  }
  bool DeleteValue(const std::string& value) override {
    const bool ok = inner_->DeleteValue(value);
    log_.Write("registry value deleted: " + name_ + " " + Named(value) + Result(ok));
    return ok;
  }
  bool Flush() override { return inner_->Flush(); }

 private:
  static std::string Named(const std::string& value) { return value.empty() ? "(default)" : value; }
  std::unique_ptr<platform::RegistryKey> inner_;
  std::string name_;
  InstallLog& log_;
};

}  // namespace

InstallLog::InstallLog(platform::LogFile& file) : file_(file), startMs_(SteadyMilliseconds()) {}

void InstallLog::Write(const std::string& line) {
  const std::lock_guard lock(mutex_);
  const std::int64_t ms = SteadyMilliseconds() - startMs_;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%5lld.%03lld] ", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  file_.WriteLine(stamp + line);
}

std::string LogKeyName(RegistryRoot root, const std::string& path) {
  const char* rootName = root == RegistryRoot::ClassesRoot   ? "HKCR"
                         : root == RegistryRoot::CurrentUser ? "HKCU"
                                                             : "HKLM";
  const std::string trimmed = platform::TrimKeyPath(path);
  return trimmed.empty() ? rootName : std::string(rootName) + "\\" + trimmed;
}

std::string LogOutcome(const platform::EntryPointOutcome& outcome) {
  using Kind = platform::EntryPointOutcome::Kind;
  char hex[16];
  switch (outcome.kind) {
    case Kind::NotLoaded:
      return "not loaded";
    case Kind::NoEntryPoint:
      return "no entry point";
    case Kind::Returned:
      std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(outcome.result));
      return std::string("returned ") + hex;
    case Kind::Faulted:
      std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(outcome.exceptionCode));
      return std::string("faulted, exception ") + hex;
    case Kind::TimedOut:
      return "given up at its time limit";
  }
  return "?";
}

bool LoggedFileSystem::CreateFolder(const std::string& path) {
  const bool ok = ForwardingFileSystem::CreateFolder(path);
  log_.Write("folder created: " + path + Result(ok));
  return ok;
}

bool LoggedFileSystem::RemoveFile(const std::string& path) {
  const bool ok = ForwardingFileSystem::RemoveFile(path);
  log_.Write("file removed: " + path + Result(ok));
  return ok;
}

bool LoggedFileSystem::RemoveFileExactly(const std::string& path) {
  const bool ok = ForwardingFileSystem::RemoveFileExactly(path);
  log_.Write("file removed: " + path + Result(ok));
  return ok;
}

bool LoggedFileSystem::RemoveFolder(const std::string& path) {
  const bool ok = ForwardingFileSystem::RemoveFolder(path);
  if (ok) log_.Write("folder removed: " + path);
  return ok;
}

bool LoggedFileSystem::RemoveFileAtRestart(const std::string& path) {
  const bool ok = ForwardingFileSystem::RemoveFileAtRestart(path);
  log_.Write("removed at the next restart: " + path + Result(ok));
  return ok;
}

std::unique_ptr<platform::PendingFile> LoggedFileSystem::BeginReplace(const std::string& path) {
  return std::make_unique<LoggedPendingFile>(ForwardingFileSystem::BeginReplace(path), path, log_);
}

std::unique_ptr<platform::PendingFile> LoggedFileSystem::CreateNewFile(const std::string& path,
                                                                       bool durable) {
  auto file = ForwardingFileSystem::CreateNewFile(path, durable);
  // A file written in its place is noted when it is complete; one written under a temporary
  // name when a rename puts it in its place.
  if (!IsTemporaryName(path))
    return std::make_unique<LoggedPendingFile>(std::move(file), path, log_);
  return std::make_unique<LoggedPendingFile>(std::move(file), path, log_,
                                             [this, path](std::uint64_t bytes) {
                                               const std::lock_guard lock(mutex_);
                                               written_[path] = bytes;
                                             });
}

void LoggedFileSystem::RenameFile(const std::string& from, const std::string& to) {
  ForwardingFileSystem::RenameFile(from, to);
  std::optional<std::uint64_t> bytes;
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = written_.find(from); found != written_.end()) {
      bytes = found->second;
      written_.erase(found);
    }
  }
  log_.Write(bytes ? "file written: " + to + " (" + std::to_string(*bytes) + " bytes)"
                   : "file renamed: " + from + " -> " + to);
}

std::unique_ptr<platform::RegistryKey> LoggedRegistry::Open(RegistryRoot root,
                                                            const std::string& path, bool create) {
  std::unique_ptr<platform::RegistryKey> key = inner_.Open(root, path, create);
  if (path == kJournalKey) return key;  // the install's own notes, not a change to the system
  if (!key) {
    if (create) log_.Write("registry key not created: " + LogKeyName(root, path));
    return key;
  }
  return std::make_unique<LoggedKey>(std::move(key), LogKeyName(root, path), log_);
}

bool LoggedRegistry::DeleteKey(RegistryRoot root, const std::string& path) {
  const bool ok = inner_.DeleteKey(root, path);
  log_.Write("registry key deleted: " + LogKeyName(root, path) + Result(ok));
  return ok;
}

platform::EntryPointOutcome LoggedLibraries::CallEntryPoint(const std::string& path,
                                                            const std::string& name,
                                                            std::uint32_t timeLimitMs) {
  const platform::EntryPointOutcome outcome = inner_.CallEntryPoint(path, name, timeLimitMs);
  log_.Write("codec: " + path + " " + name + ": " + LogOutcome(outcome));
  return outcome;
}

}  // namespace quenlo
