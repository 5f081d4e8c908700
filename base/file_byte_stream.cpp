// FileSource and FileSink, apart from the memory streams: a program that uses only those (the
// setup) does not link the C++ library's file streams.
#include "base/byte_stream.h"

namespace quenlo {

FileSource::FileSource(const std::string& path) : path_(path) {
  file_.open(path, std::ios::binary);
  if (!file_) throw IoError("cannot open " + path + " for reading");
  file_.seekg(0, std::ios::end);
  const std::streamoff end = file_.tellg();
  if (end < 0) throw IoError("cannot tell the size of " + path);
  size_ = static_cast<std::uint64_t>(end);
}

void FileSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > size_ || size > size_ - offset) {
    throw IoError(path_ + ": read of " + std::to_string(size) + " bytes at offset " +
                  std::to_string(offset) + " goes past the end (" + std::to_string(size_) +
                  " bytes)");
  }
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset));
  file_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
  if (static_cast<std::size_t>(file_.gcount()) != size) {
    throw IoError(path_ + ": short read at offset " + std::to_string(offset));
  }
}

FileSink::FileSink(const std::string& path) : path_(path) {
  file_.open(path, std::ios::binary | std::ios::trunc);
  if (!file_) throw IoError("cannot create " + path);
}

void FileSink::Write(const void* data, std::size_t size) {
  file_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!file_) throw IoError("cannot write to " + path_);
}

void FileSink::Close() {
  file_.close();
  if (file_.fail()) throw IoError("cannot finish writing " + path_);
}

}  // namespace quenlo
