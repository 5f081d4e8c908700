// Files and folders through kernel32's ANSI calls.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <atomic>
#include <string>

#include "platform/win32/backend.h"

namespace quenlo::win32 {
namespace {

std::string LastErrorText() {
  const DWORD code = GetLastError();
  char buffer[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
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
      throw payload::IoError(path_ + ": cannot seek: " + LastErrorText());
    }
    auto* out = static_cast<char*>(buffer);
    while (size != 0) {
      DWORD read = 0;
      const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
      if (!ReadFile(file_, out, chunk, &read, nullptr)) {
        throw payload::IoError(path_ + ": cannot read: " + LastErrorText());
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
      : file_(file), destination_(std::move(destination)), temporary_(std::move(temporary)) {}

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
        throw payload::IoError("cannot write " + destination_ + ": " + LastErrorText());
      }
      bytes += written;
      size -= written;
    }
  }

  void Commit() override {
    // The new content reaches the disk before it takes the place of an existing file, so a crash
    // or power cut during the install leaves either the old file or the whole new one. A file
    // that is new has no earlier content to protect, and is not waited for.
    const DWORD existing = GetFileAttributesA(destination_.c_str());
    const BOOL flushed = existing == INVALID_FILE_ATTRIBUTES || FlushFileBuffers(file_);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!flushed) throw payload::IoError("cannot finish " + destination_ + ": " + LastErrorText());
    if (!MoveFileExA(temporary_.c_str(), destination_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      throw payload::IoError("cannot replace " + destination_ + ": " + LastErrorText());
    }
    committed_ = true;
  }

 private:
  HANDLE file_;
  std::string destination_;
  std::string temporary_;
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

  bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }

  std::unique_ptr<payload::ByteSource> OpenForReading(const std::string& path) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw payload::IoError("cannot open " + path + ": " + LastErrorText());
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
      const std::string reason = LastErrorText();
      CloseHandle(file);
      throw payload::IoError("cannot tell the size of " + path + ": " + reason);
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
      throw payload::IoError("cannot create " + path + ": " + LastErrorText());
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
