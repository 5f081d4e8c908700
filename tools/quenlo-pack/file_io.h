// Files on disk as quenlo-pack reads and writes them, named by std::filesystem::path so that no
// name is lost to a code page on Windows.
//
// Outputs are never written in place: ReplacingFile writes a temporary file beside the
// destination and renames it into place only once it is complete, so a failed run leaves the
// destination as it was (absent, or the previous complete file).
#pragma once

#include <filesystem>
#include <fstream>
#include <vector>

#include "base/byte_stream.h"

namespace quenlo::packer {

// A file opened for reading. Throws IoError when it cannot be opened or read.
class PathSource final : public ByteSource {
 public:
  explicit PathSource(const std::filesystem::path& path);
  std::uint64_t Size() const override { return size_; }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  std::filesystem::path path_;
  std::ifstream file_;
  std::uint64_t size_ = 0;
};

// The whole content of a file. Throws IoError.
std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path);

class ReplacingFile final : public ByteSink {
 public:
  // Creates the temporary file in the destination's folder. Throws IoError.
  explicit ReplacingFile(std::filesystem::path destination);
  // Removes the temporary file unless Commit() succeeded.
  ~ReplacingFile() override;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  void Write(const void* data, std::size_t size) override;
  // Flushes and closes the temporary file, so that another program may take it over (a signer
  // writing its output there); nothing more may be written.
  void Close();
  // Closes the temporary file if still open and renames it over the destination.
  void Commit();

  const std::filesystem::path& temporaryPath() const { return temporary_; }

 private:
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::ofstream file_;
  bool committed_ = false;
};

}  // namespace quenlo::packer
