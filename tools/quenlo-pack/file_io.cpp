#include "tools/quenlo-pack/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "platform/text_encoding.h"

namespace quenlo::packer {
namespace {

using platform::NativeNameToConsole;

// The C runtime's descriptors on both systems. A file is created only where nothing is at its path
// yet, a link included (O_EXCL with O_CREAT; on Windows the same as CREATE_NEW), so nothing
// planted at a destination is ever written through.
#ifdef _WIN32
constexpr int kReadFlags = _O_RDONLY | _O_BINARY | _O_NOINHERIT;
constexpr int kCreateFlags = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT;
int OpenNative(const std::filesystem::path& path, int flags) {
  return _wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
}
long long WriteSome(int file, const unsigned char* data, std::size_t size) {
  return _write(file, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
long long ReadSomeAt(int file, std::uint64_t offset, unsigned char* buffer, std::size_t size) {
  if (_lseeki64(file, static_cast<long long>(offset), SEEK_SET) < 0) return -1;
  return _read(file, buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
int CloseNative(int file) { return _close(file); }
#else
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC;
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
int OpenNative(const std::filesystem::path& path, int flags) {
  return ::open(path.c_str(), flags, 0666);
}
long long WriteSome(int file, const unsigned char* data, std::size_t size) {
  return ::write(file, data, size);
}
long long ReadSomeAt(int file, std::uint64_t offset, unsigned char* buffer, std::size_t size) {
  return ::pread(file, buffer, size, static_cast<off_t>(offset));
}
int CloseNative(int file) { return ::close(file); }
#endif

// Creates ".SETUP.exe.1a2b3c4d.tmp" beside "SETUP.exe", a name no other file has, and returns
// the open file; `name` receives the name.
int CreateTemporaryBeside(const std::filesystem::path& destination, std::filesystem::path& name) {
  static thread_local std::mt19937 random{std::random_device{}()};
  const std::filesystem::path folder = destination.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
    std::filesystem::path candidate = ".";
    candidate += destination.filename();
    candidate += suffix;
    candidate = folder / candidate;
    const int file = OpenNative(candidate, kCreateFlags);
    if (file >= 0) {
      name = std::move(candidate);
      return file;
    }
    if (errno != EEXIST) break;
  }
  throw IoError("cannot create a temporary file beside " + NativeNameToConsole(destination) + ": " +
                std::generic_category().message(errno));
}

}  // namespace

PathSource::PathSource(const std::filesystem::path& path) : path_(path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw IoError(NativeNameToConsole(path) + " is a folder, not a file");
  }
  file_ = OpenNative(path, kReadFlags);
  if (file_ < 0) {
    throw IoError("cannot open " + NativeNameToConsole(path) +
                  " for reading: " + std::generic_category().message(errno));
  }
  size_ = std::filesystem::file_size(path, error);
  if (error) {
    CloseNative(file_);
    throw IoError("cannot tell the size of " + NativeNameToConsole(path));
  }
}

PathSource::~PathSource() { CloseNative(file_); }

void PathSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > size_ || size > size_ - offset) {
    throw IoError(NativeNameToConsole(path_) + ": read of " + std::to_string(size) +
                  " bytes at offset " + std::to_string(offset) + " goes past the end (" +
                  std::to_string(size_) + " bytes)");
  }
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const long long read = ReadSomeAt(file_, offset, bytes, size);
    if (read <= 0) {
      throw IoError(NativeNameToConsole(path_) + ": short read at offset " +
                    std::to_string(offset));
    }
    bytes += read;
    offset += static_cast<std::uint64_t>(read);
    size -= static_cast<std::size_t>(read);
  }
}

std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path) {
  PathSource source(path);
  std::vector<unsigned char> content(static_cast<std::size_t>(source.Size()));
  if (!content.empty()) source.ReadAt(0, content.data(), content.size());
  return content;
}

ReplacingFile::ReplacingFile(std::filesystem::path destination, WhenAbsent whenAbsent)
    : destination_(std::move(destination)) {
  if (whenAbsent == WhenAbsent::WriteInPlace) {
    file_ = OpenNative(destination_, kCreateFlags);
    if (file_ >= 0) {
      temporary_ = destination_;
      return;
    }
  }
  file_ = CreateTemporaryBeside(destination_, temporary_);
}

ReplacingFile::~ReplacingFile() {
  if (committed_) return;
  if (file_ >= 0) CloseNative(file_);
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

void ReplacingFile::Write(const void* data, std::size_t size) {
  if (file_ < 0) throw IoError("cannot write to " + NativeNameToConsole(temporary_) + ": closed");
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (buffered_ + size <= kBufferSize) {  // small pieces (record headers) gather first
    std::memcpy(buffer_.get() + buffered_, bytes, size);
    buffered_ += size;
    return;
  }
  Flush();
  if (size < kBufferSize) {
    std::memcpy(buffer_.get(), bytes, size);
    buffered_ = size;
    return;
  }
  WriteOut(bytes, size);
}

void ReplacingFile::Flush() {
  WriteOut(buffer_.get(), buffered_);
  buffered_ = 0;
}

void ReplacingFile::WriteOut(const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const long long written = WriteSome(file_, data, size);
    if (written <= 0) {
      throw IoError("cannot write to " + NativeNameToConsole(temporary_) + ": " +
                    std::generic_category().message(written < 0 ? errno : ENOSPC));
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void ReplacingFile::Close() {
  if (file_ < 0) return;
  Flush();
  buffer_.reset();  // a file waiting for its turn keeps no buffer
  const int file = file_;
  file_ = -1;
  if (CloseNative(file) != 0) {
    throw IoError("cannot finish writing " + NativeNameToConsole(temporary_) + ": " +
                  std::generic_category().message(errno));
  }
}

void ReplacingFile::Commit() {
  Close();
  if (inPlace()) {
    committed_ = true;
    return;
  }
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  if (error) {
    throw IoError("cannot rename " + NativeNameToConsole(temporary_) + " to " +
                  NativeNameToConsole(destination_) + ": " + error.message());
  }
  committed_ = true;
}

}  // namespace quenlo::packer
