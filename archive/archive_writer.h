// Appends records to a payload archive: the image record first, then one record per file.
//
// Each append writes the stored data and then its header (zero filler), so the chain is whole
// after every call: the output can be walked at any point between two appends.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/byte_stream.h"

namespace quenlo::archive {

class ArchiveWriter {
 public:
  explicit ArchiveWriter(ByteSink& sink) : sink_(sink) {}

  // Writes the executable image unchanged and the image record's header. Must come first.
  void WriteImage(std::span<const unsigned char> image);

  // Appends one named record. `storedData` is the record's complete zlib stream (never empty);
  // `name` is 1 to 255 bytes. Throws std::invalid_argument on a record the format cannot hold.
  void AppendRecord(std::string_view name, std::span<const unsigned char> storedData);

  std::uint64_t bytesWritten() const { return written_; }

 private:
  void WriteHeader(std::string_view name, std::uint64_t storedSize);

  ByteSink& sink_;
  std::uint64_t written_ = 0;
  bool imageWritten_ = false;
};

}  // namespace quenlo::archive
