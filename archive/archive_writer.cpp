#include "archive/archive_writer.h"

#include <stdexcept>
#include <string>

#include "archive/archive_format.h"

namespace quenlo::archive {

void ArchiveWriter::WriteImage(std::span<const unsigned char> image) {
  if (imageWritten_ || written_ != 0) {
    throw std::logic_error("the image record must be the first record of the archive");
  }
  sink_.Write(image.data(), image.size());
  written_ += image.size();
  WriteHeader({}, image.size());
  imageWritten_ = true;
}

void ArchiveWriter::AppendRecord(std::string_view name, std::span<const unsigned char> storedData) {
  if (!imageWritten_) throw std::logic_error("a named record cannot come before the image record");
  if (name.empty()) throw std::invalid_argument("a named record needs a name");
  if (name.size() > kMaxNameLength) {
    throw std::invalid_argument("record name is " + std::to_string(name.size()) +
                                " bytes long; the format holds at most 255: " + std::string(name));
  }
  if (storedData.empty()) {
    throw std::invalid_argument("record " + std::string(name) + " has no stored data");
  }
  sink_.Write(storedData.data(), storedData.size());
  written_ += storedData.size();
  WriteHeader(name, storedData.size());
}

void ArchiveWriter::WriteHeader(std::string_view name, std::uint64_t storedSize) {
  const HeaderBytes bytes =
      EncodeHeader(RecordHeader{std::string(name), static_cast<std::int64_t>(storedSize)});
  sink_.Write(bytes.data(), bytes.size());
  written_ += bytes.size();
}

}  // namespace quenlo::archive
