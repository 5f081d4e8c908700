// Files and folders through kernel32's wide calls: GBK paths become UTF-16 with code page 936.
#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>

#include "platform/win32/access_list.h"
#include "platform/win32/backend.h"
#include "platform/win32/process.h"
#include "platform/win32/wide_text.h"

namespace quenlo::win32 {
namespace {

std::string ErrorText(DWORD code) {
  wchar_t buffer[256] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, 256, nullptr);
  std::string text = GbkLossy(std::wstring_view(buffer, length));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

IoProblem ProblemOf(DWORD code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return IoProblem::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return IoProblem::InUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return IoProblem::AccessDenied;
    default:
      return IoProblem::Other;
  }
}

// The error of the call that just failed on `path`: "cannot write D:\x.dll: error 112: ...".
IoError LastError(const std::string& what, const std::string& path) {
  const DWORD code = GetLastError();
  return IoError(what + " " + path + ": " + ErrorText(code), path, ProblemOf(code), code);
}

class HandleSource final : public ByteSource {
 public:
  HandleSource(HANDLE file, std::string path, std::uint64_t size)
      : file_(file), path_(std::move(path)), size_(size) {}
  ~HandleSource() override { CloseHandle(file_); }

  std::uint64_t Size() const override { return size_; }

  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
    if (offset > size_ || size > size_ - offset) {
      throw IoError(path_ + ": read of " + std::to_string(size) + " bytes at offset " +
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
      if (read == 0) throw IoError(path_ + ": short read at offset " + std::to_string(offset));
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

// Writes all of `size` bytes to `file`. Throws IoError naming `path`.
void WriteAll(HANDLE file, const void* data, std::size_t size, const std::string& path) {
  const auto* bytes = static_cast<const char*>(data);
  while (size != 0) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
    if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) {
      throw LastError("cannot write", path);
    }
    bytes += written;
    size -= written;
  }
}

// A file created where none was and written in place (CreateNewFile).
class NewFile final : public platform::PendingFile {
 public:
  NewFile(HANDLE file, std::string path, bool durable)
      : file_(file), path_(std::move(path)), durable_(durable) {}
  ~NewFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_) DeleteFileW(WidePath(path_).c_str());
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  void Write(const void* data, std::size_t size) override { WriteAll(file_, data, size, path_); }

  void Commit() override {
    if (durable_ && !FlushFileBuffers(file_)) throw LastError("cannot finish", path_);
    const BOOL closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) throw LastError("cannot finish", path_);
    committed_ = true;
  }

 private:
  HANDLE file_;
  std::string path_;
  bool durable_;
  bool committed_ = false;
};

class ReplacementFile final : public platform::PendingFile {
 public:
  ReplacementFile(HANDLE file, std::string destination, std::string temporary)
      : file_(file),
        destination_(std::move(destination)),
        temporary_(std::move(temporary)),
        replacing_(GetFileAttributesW(WidePath(destination_).c_str()) != INVALID_FILE_ATTRIBUTES) {}

  ~ReplacementFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_) DeleteFileW(WidePath(temporary_).c_str());
  }

  void Write(const void* data, std::size_t size) override {
    WriteAll(file_, data, size, destination_);
  }

  void Commit() override {
    // The new content reaches the disk before it takes the place of a file that existed when it
    // was begun (also when that one has been moved aside meanwhile), so a crash or power cut
    // during the install leaves either the old file or the whole new one. A file that is new has
    // no earlier content to protect, and is not waited for.
    const BOOL flushed = !replacing_ || FlushFileBuffers(file_);
    if (!flushed) {
      const IoError error = LastError("cannot finish", destination_);
      CloseHandle(file_);
      file_ = INVALID_HANDLE_VALUE;
      throw error;
    }
    const BOOL closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) throw LastError("cannot finish", destination_);
    if (!MoveFileExW(WidePath(temporary_).c_str(), WidePath(destination_).c_str(),
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

// True when the system's name for the open `file` is `path` itself: compared without the volume
// (a mapped network drive names its share's root), with short 8.3 components written out and
// letter case ignored. A link on the way makes the names differ.
bool NamesExactly(HANDLE file, const std::wstring& path) {
  std::wstring opened(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(file, opened.data(), static_cast<DWORD>(opened.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
    if (length == 0) return false;
    if (length < opened.size()) {
      opened.resize(length);
      break;
    }
    opened.resize(length + 1);
  }
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return false;
  full.resize(length);
  std::wstring expanded(MAX_PATH, L'\0');
  length = GetLongPathNameW(full.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
  if (length != 0 && length < expanded.size()) full.assign(expanded.data(), length);
  // Without the volume: "C:\a\b" and "\\?\C:\a\b" alike become "\a\b".
  std::wstring_view tail = full;
  if (tail.starts_with(L"\\\\?\\")) tail.remove_prefix(4);
  if (tail.size() >= 2 && tail[1] == L':') tail.remove_prefix(2);
  return CompareStringOrdinal(tail.data(), static_cast<int>(tail.size()), opened.data(),
                              static_cast<int>(opened.size()), TRUE) == CSTR_EQUAL;
}

class Win32FileSystem final : public platform::FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool FolderExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool IsReparsePoint(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  bool FolderHasEntries(const std::string& path) override {
    if (path.empty()) return false;
    std::wstring pattern = WidePath(path);
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    // FindExInfoStandard: the basic level is refused before Windows 7.
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &entry,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
      const std::wstring_view name = entry.cFileName;
      found = name != L"." && name != L"..";
    } while (!found && FindNextFileW(find, &entry));
    FindClose(find);
    return found;
  }

  bool CreateFolder(const std::string& path) override {
    return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0;
  }

  bool RestrictToAdministrators(const std::string& path) override {
    return administratorsOnly_.ApplyTo(WidePath(path));
  }

  bool RemoveFile(const std::string& path) override {
    const std::wstring wide = WidePath(path);
    if (DeleteFileW(wide.c_str())) return true;
    // A read-only file goes too: it is one of the install's own, replaced or given up.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
      return false;
    }
    SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileW(wide.c_str())) return true;
    SetFileAttributesW(wide.c_str(), attributes);
    return false;
  }

  bool RemoveFileExactly(const std::string& path) override {
    const std::wstring wide = WidePath(path);
    const HANDLE file =
        CreateFileW(wide.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool removed = false;
    FILE_BASIC_INFO basic{};
    if (NamesExactly(file, wide) &&
        GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) &&
        !(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
      }
      FILE_DISPOSITION_INFO disposition{TRUE};
      removed = SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                           sizeof disposition) != 0;
    }
    CloseHandle(file);
    return removed;
  }

  void RenameFile(const std::string& from, const std::string& to) override {
    if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0))
      throw LastError("cannot rename", from);
  }

  bool RemoveFolder(const std::string& path) override {
    return RemoveDirectoryW(WidePath(path).c_str()) != 0;
  }

  bool RemoveFileAtRestart(const std::string& path) override {
    return MoveFileExW(WidePath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  }

  std::unique_ptr<ByteSource> OpenForReading(const std::string& path) override {
    HANDLE file =
        CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw LastError("cannot open", path);
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
      const IoError error = LastError("cannot tell the size of", path);
      CloseHandle(file);
      throw error;
    }
    return std::make_unique<HandleSource>(file, path, static_cast<std::uint64_t>(size.QuadPart));
  }

  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string& path) override {
    static std::atomic<unsigned> counter{0};
    const std::string temporary = path + ".~" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(counter++) + ".tmp";
    HANDLE file = CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      throw LastError("cannot create", path);
    }
    return std::make_unique<ReplacementFile>(file, path, temporary);
  }

  std::unique_ptr<platform::PendingFile> CreateNewFile(const std::string& path,
                                                       bool durable) override {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw LastError("cannot create", path);
    return std::make_unique<NewFile>(file, path, durable);
  }

  std::string ModulePath() override {
    const std::wstring path = OwnProgramFile();
    // A folder GBK cannot name is named by its short form; failing that, the path with '?' for
    // what GBK lacks, which opens no file.
    return GbkPathOfExisting(path).value_or(GbkLossy(path));
  }

  std::string SystemFolder() override {
    wchar_t buffer[256] = {};
    const UINT length = GetSystemDirectoryW(buffer, 256);
    if (length == 0 || length >= 256) return std::string();
    return GbkExact(std::wstring_view(buffer, length)).value_or(std::string());
  }

  platform::DriveType QueryDriveType(const std::string& root) override {
    return static_cast<platform::DriveType>(GetDriveTypeW(WidePath(root).c_str()));
  }

  std::optional<platform::DiskSpace> GetDiskSpace(const std::string& path) override {
    ULARGE_INTEGER forCaller, total, free;
    if (!GetDiskFreeSpaceExW(WidePath(path).c_str(), &forCaller, &total, &free))
      return std::nullopt;
    return platform::DiskSpace{forCaller.QuadPart, total.QuadPart, free.QuadPart};
  }

 private:
  AdministratorsOnly administratorsOnly_;  // made once: every folder and file gets the same
};

}  // namespace

std::unique_ptr<platform::FileSystem> MakeFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace quenlo::win32
