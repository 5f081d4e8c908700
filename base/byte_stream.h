// Byte sources and sinks that the archive code reads from and writes to.
//
// The walker and the inflater take a ByteSource, never a file name, so the same code reads the
// running setup executable, a file given to quenlo-pack and a buffer in a test or fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quenlo {

// What kind of trouble a file operation met, as far as the system told: enough for the setup to
// tell the user what to do about it.
enum class IoProblem {
  Other,
  DiskFull,      // no space left on the volume
  InUse,         // another program holds the file (a sharing or lock violation)
  AccessDenied,  // the folder or file may not be written, or the medium is write-protected
  LinkedFolder,  // a folder on the way is a link to another place (junction, symbolic link)
};

// A read or write that fell short; the message says what and where. Where the failing call is
// known, the error also carries the file's path, the system's error code and its kind.
class IoError : public std::runtime_error {
 public:
  explicit IoError(const std::string& message) : std::runtime_error(message) {}
  IoError(const std::string& message, std::string path, IoProblem problem,
          std::uint32_t systemError)
      : std::runtime_error(message),
        path_(std::move(path)),
        problem_(problem),
        systemError_(systemError) {}

  const std::string& path() const { return path_; }  // empty when not known
  IoProblem problem() const { return problem_; }
  std::uint32_t systemError() const { return systemError_; }  // 0 when not known

 private:
  std::string path_;
  IoProblem problem_ = IoProblem::Other;
  std::uint32_t systemError_ = 0;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads exactly `size` bytes at `offset`; throws IoError when they are not all there.
  virtual void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all bytes or throws IoError.
  virtual void Write(const void* data, std::size_t size) = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  std::span<const unsigned char> bytes_;
};

// Takes every byte and keeps none (inflating a record only to check it).
class DiscardingSink final : public ByteSink {
 public:
  void Write(const void*, std::size_t) override {}
};

class MemorySink final : public ByteSink {
 public:
  void Write(const void* data, std::size_t size) override;
  std::vector<unsigned char>& bytes() { return bytes_; }
  const std::vector<unsigned char>& bytesView() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};

// A file opened for reading through the C++ library (used by the tools and the tests; the setup
// program reads its own file through the platform's file system).
class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& path);  // throws IoError when it cannot be opened
  std::uint64_t Size() const override { return size_; }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  std::string path_;
  std::ifstream file_;
  std::uint64_t size_ = 0;
};

class FileSink final : public ByteSink {
 public:
  explicit FileSink(const std::string& path);  // creates or truncates; throws IoError
  void Write(const void* data, std::size_t size) override;
  void Close();  // flushes; throws IoError when the data did not all reach the file

 private:
  std::string path_;
  std::ofstream file_;
};

}  // namespace quenlo
