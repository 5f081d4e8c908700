#include "tools/quenlo-pack/file_io.h"

#include <cstdio>
#include <random>
#include <system_error>

#include "platform/text_encoding.h"

namespace quenlo::packer {
namespace {

using platform::NativeNameToConsole;

// ".SETUP.exe.1a2b3c4d.tmp" beside "SETUP.exe", a name no other file has at the moment.
std::filesystem::path FreeTemporaryName(const std::filesystem::path& destination) {
  static thread_local std::mt19937 random{std::random_device{}()};
  const std::filesystem::path folder = destination.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
    std::filesystem::path name = ".";
    name += destination.filename();
    name += suffix;
    std::filesystem::path candidate = folder / name;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error))) {
      return candidate;
    }
  }
  throw IoError("cannot find a free temporary name beside " + NativeNameToConsole(destination));
}

}  // namespace

PathSource::PathSource(const std::filesystem::path& path) : path_(path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw IoError(NativeNameToConsole(path) + " is a folder, not a file");
  }
  file_.open(path, std::ios::binary);
  if (!file_) throw IoError("cannot open " + NativeNameToConsole(path) + " for reading");
  file_.seekg(0, std::ios::end);
  const std::streamoff end = file_.tellg();
  if (!file_ || end < 0) throw IoError("cannot tell the size of " + NativeNameToConsole(path));
  size_ = static_cast<std::uint64_t>(end);
}

void PathSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > size_ || size > size_ - offset) {
    throw IoError(NativeNameToConsole(path_) + ": read of " + std::to_string(size) +
                  " bytes at offset " + std::to_string(offset) + " goes past the end (" +
                  std::to_string(size_) + " bytes)");
  }
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset));
  file_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
  if (static_cast<std::size_t>(file_.gcount()) != size) {
    throw IoError(NativeNameToConsole(path_) + ": short read at offset " + std::to_string(offset));
  }
}

std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path) {
  PathSource source(path);
  std::vector<unsigned char> content(static_cast<std::size_t>(source.Size()));
  if (!content.empty()) source.ReadAt(0, content.data(), content.size());
  return content;
}

ReplacingFile::ReplacingFile(std::filesystem::path destination)
    : destination_(std::move(destination)), temporary_(FreeTemporaryName(destination_)) {
  file_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!file_) throw IoError("cannot create " + NativeNameToConsole(temporary_));
}

ReplacingFile::~ReplacingFile() {
  if (committed_) return;
  file_.close();
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

void ReplacingFile::Write(const void* data, std::size_t size) {
  file_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!file_) throw IoError("cannot write to " + NativeNameToConsole(temporary_));
}

void ReplacingFile::Close() {
  if (!file_.is_open()) return;
  file_.close();
  if (file_.fail()) throw IoError("cannot finish writing " + NativeNameToConsole(temporary_));
}

void ReplacingFile::Commit() {
  Close();
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  if (error) {
    throw IoError("cannot rename " + NativeNameToConsole(temporary_) + " to " +
                  NativeNameToConsole(destination_) + ": " + error.message());
  }
  committed_ = true;
}

}  // namespace quenlo::packer
