// Files on disk as quenlo-pack reads and writes them, named by std::filesystem::path so that no
// name is lost to a code page on Windows.
//
// An existing file is never written in place: ReplacingFile writes a temporary file beside the
// destination and renames it into place only once it is complete, so a failed run leaves the
// destination as it was (absent, or the previous complete file). Where nothing is there yet,
// extract writes the file in its place (created exclusively, so never through a link planted
// there) and removes it again if it is not completed, which spares it a rename per file.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "base/byte_stream.h"

namespace quenlo::packer {

// A file opened for reading. Throws IoError when it cannot be opened or read. Reads from several
// threads at once need a lock around them on Windows, where a read is a seek and a read.
class PathSource final : public ByteSource {
 public:
  explicit PathSource(const std::filesystem::path& path);
  ~PathSource() override;
  PathSource(const PathSource&) = delete;
  PathSource& operator=(const PathSource&) = delete;

  std::uint64_t Size() const override { return size_; }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  std::filesystem::path path_;
  int file_ = -1;  // the C runtime's descriptor
  std::uint64_t size_ = 0;
};

// The whole content of a file. Throws IoError.
std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path);

// Writes of less than 64 KiB are gathered before they go to the file.
class ReplacingFile final : public ByteSink {
 public:
  enum class WhenAbsent {
    UseTemporary,  // the destination appears only once it is complete
    WriteInPlace,  // a destination that does not exist is created and written where it stands
  };

  // Creates the temporary file in the destination's folder (or, with WriteInPlace, the
  // destination itself when nothing is there). Throws IoError.
  explicit ReplacingFile(std::filesystem::path destination,
                         WhenAbsent whenAbsent = WhenAbsent::UseTemporary);
  // Removes the temporary file (or the destination it created) unless Commit() succeeded.
  ~ReplacingFile() override;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  void Write(const void* data, std::size_t size) override;
  // Flushes and closes the temporary file, so that another program may take it over (a signer
  // writing its output there); nothing more may be written.
  void Close();
  // Closes the temporary file if still open and renames it over the destination.
  void Commit();

  // The file being written: the temporary file, or the destination when written in place.
  const std::filesystem::path& temporaryPath() const { return temporary_; }

 private:
  bool inPlace() const { return temporary_ == destination_; }
  void Flush();
  void WriteOut(const unsigned char* data, std::size_t size);

  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  int file_ = -1;  // the C runtime's descriptor, -1 once closed
  static constexpr std::size_t kBufferSize = 64 * 1024;
  std::unique_ptr<unsigned char[]> buffer_{new unsigned char[kBufferSize]};  // freed at Close()
  std::size_t buffered_ = 0;
  bool committed_ = false;
};

}  // namespace quenlo::packer
