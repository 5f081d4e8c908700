// Files and folders through kernel32's ANSI calls.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <atomic>
#include <string>

#include "platform/win32/backend.h"

namespace quenlo::win32 {
namespace {

std::string ErrorText(DWORD code) {
  char buffer[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

payload::IoProblem ProblemOf(DWORD code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return payload::IoProblem::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return payload::IoProblem::InUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return payload::IoProblem::AccessDenied;
    default:
      return payload::IoProblem::Other;
  }
}

// The error of the call that just failed on `path`: "cannot write D:\x.dll: error 112: ...".
payload::IoError LastError(const std::string& what, const std::string& path) {
  const DWORD code = GetLastError();
  return payload::IoError(what + " " + path + ": " + ErrorText(code), path, ProblemOf(code), code);
}

class HandleSource final : public payload::ByteSource {
 public:
  HandleSource(HANDLE file, std::string path, std::uint64_t size)
      : file_(file), path_(std::move(path)), size_(size) {}
  ~HandleSource() override { CloseHandle(file_); }

  std::uint64_t Size() const override { return size_; }

  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
    if (offset > size_ || size > size_ - offset) {
      throw payload::IoError(path_ + ": read of " + std::to_string(size) + " bytes at offset " +
                             std::to_string(offset) + " goes past the end");
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, position, nullptr, FILE_BEGIN)) {
      throw LastError("cannot seek in", path_);
    }
    auto* out = static_cast<char*>(buffer);
    while (size != 0) {
      DWORD read = 0;
      const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
      if (!ReadFile(file_, out, chunk, &read, nullptr)) {
        throw LastError("cannot read", path_);
      }
      if (read == 0)
        throw payload::IoError(path_ + ": short read at offset " + std::to_string(offset));
      out += read;
      size -= read;
      offset += read;
    }
  }

 private:
  HANDLE file_;
  std::string path_;
  std::uint64_t size_;
};

class ReplacementFile final : public platform::PendingFile {
 public:
  ReplacementFile(HANDLE file, std::string destination, std::string temporary)
      : file_(file),
        destination_(std::move(destination)),
        temporary_(std::move(temporary)),
        replacing_(GetFileAttributesA(destination_.c_str()) != INVALID_FILE_ATTRIBUTES) {}

  ~ReplacementFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_) DeleteFileA(temporary_.c_str());
  }

  void Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size != 0) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
      if (!WriteFile(file_, bytes, chunk, &written, nullptr) || written == 0) {
        throw LastError("cannot write", destination_);
      }
      bytes += written;
      size -= written;
    }
  }

  void Commit() override {
    // The new content reaches the disk before it takes the place of a file that existed when it
    // was begun (also when that one has been moved aside meanwhile), so a crash or power cut
    // during the install leaves either the old file or the whole new one. A file that is new has
    // no earlier content to protect, and is not waited for.
    const BOOL flushed = !replacing_ || FlushFileBuffers(file_);
    if (!flushed) {
      const payload::IoError error = LastError("cannot finish", destination_);
      CloseHandle(file_);
      file_ = INVALID_HANDLE_VALUE;
      throw error;
    }
    const BOOL closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) throw LastError("cannot finish", destination_);
    if (!MoveFileExA(temporary_.c_str(), destination_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      throw LastError("cannot replace", destination_);
    }
    committed_ = true;
  }

 private:
  HANDLE file_;
  std::string destination_;
  std::string temporary_;
  bool replacing_;
  bool committed_ = false;
};

class Win32FileSystem final : public platform::FileSystem {
 public:
  Win32FileSystem() { timeBeginPeriod(1); }  // lets Sleep honour pauses of a few milliseconds
  ~Win32FileSystem() override { timeEndPeriod(1); }

  bool FileExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool FolderExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool CreateFolder(const std::string& path) override {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
  }

  bool RemoveFile(const std::string& path) override {
    if (DeleteFileA(path.c_str())) return true;
    // A read-only file goes too: it is one of the install's own, replaced or given up.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
      return false;
    }
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path.c_str())) return true;
    SetFileAttributesA(path.c_str(), attributes);
    return false;
  }

  void RenameFile(const std::string& from, const std::string& to) override {
    if (!MoveFileExA(from.c_str(), to.c_str(), 0)) throw LastError("cannot rename", from);
  }

  bool RemoveFolder(const std::string& path) override {
    return RemoveDirectoryA(path.c_str()) != 0;
  }

  bool RemoveFileAtRestart(const std::string& path) override {
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  }

  std::unique_ptr<payload::ByteSource> OpenForReading(const std::string& path) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw LastError("cannot open", path);
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
      const payload::IoError error = LastError("cannot tell the size of", path);
      CloseHandle(file);
      throw error;
    }
    return std::make_unique<HandleSource>(file, path, static_cast<std::uint64_t>(size.QuadPart));
  }

  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string& path) override {
    static std::atomic<unsigned> counter{0};
    const std::string temporary = path + ".~" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(counter++) + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw LastError("cannot create", path);
    }
    return std::make_unique<ReplacementFile>(file, path, temporary);
  }

  std::string ModulePath() override {
    std::string path(MAX_PATH, '\0');
    for (;;) {
      const DWORD length =
          GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (length < path.size()) {
        path.resize(length);
        return path;
      }
      path.resize(path.size() * 2);
    }
  }

  std::string SystemFolder() override {
    char buffer[256] = {};
    const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    return length < sizeof buffer ? std::string(buffer, length) : std::string();
  }

  platform::DriveType QueryDriveType(const std::string& root) override {
    return static_cast<platform::DriveType>(GetDriveTypeA(root.c_str()));
  }

  std::optional<platform::DiskSpace> GetDiskSpace(const std::string& path) override {
    ULARGE_INTEGER forCaller, total, free;
    if (!GetDiskFreeSpaceExA(path.c_str(), &forCaller, &total, &free)) return std::nullopt;
    return platform::DiskSpace{forCaller.QuadPart, total.QuadPart, free.QuadPart};
  }

  void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

std::unique_ptr<platform::FileSystem> MakeFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace quenlo::win32
