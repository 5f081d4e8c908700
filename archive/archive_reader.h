// Walks the payload archive from the end of the setup file (or from where a signature appended to
// it begins) back to the image record.
//
// Every way in which a chain can be broken is reported as an ArchiveError that names the record
// (its place counted from the end of the file, and its name once known) and the offset at which
// the fault shows.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "archive/archive_format.h"
#include "base/byte_stream.h"

namespace quenlo::archive {

class ArchiveError : public std::runtime_error {
 public:
  ArchiveError(const std::string& message, std::uint64_t offset, std::string record = {})
      : std::runtime_error(message), offset_(offset), record_(std::move(record)) {}
  std::uint64_t offset() const { return offset_; }
  // The stored name of the record at fault; empty when the chain broke before a name was read,
  // or at the image record.
  const std::string& record() const { return record_; }

 private:
  std::uint64_t offset_;
  std::string record_;
};

struct PayloadRecord {
  std::string name;  // exactly L bytes; empty for the image record
  std::int64_t storedSize = 0;
  std::uint64_t dataOffset = 0;    // where the stored data starts
  std::uint64_t headerOffset = 0;  // where the 264-byte header starts
  std::size_t placeFromEnd = 0;    // 1 for the last record of the file

  bool IsImage() const { return name.empty(); }
  // "record 3 from the end ("App\Readme.txt", header at offset 1234)": for error messages.
  std::string Describe() const;
};

class ArchiveWalker {
 public:
  explicit ArchiveWalker(ByteSource& source);
  // Walks the chain that ends at `end` (at most the source's size), wherever the file ends.
  ArchiveWalker(ByteSource& source, std::uint64_t end);

  // The next record in reading order, the last record of the file first. Returns nothing once
  // the image record has been returned; throws ArchiveError on a broken chain, whose message
  // begins "not a setup file: " when the file is none (empty, no program at its front, or a
  // Windows program with no records after its image).
  std::optional<PayloadRecord> Next();

  // Bytes taken from the end of the payload so far (the walk's 64-bit counter). The payload ends
  // at the file's end, or where the certificate table of a signed file begins (signature.h).
  std::uint64_t consumed() const { return consumed_; }
  std::uint64_t total() const { return total_; }
  // True once the image record has been returned: the walk is complete.
  bool AtEnd() const { return imageSeen_; }

 private:
  std::optional<PayloadRecord> NextRecord();

  ByteSource& source_;
  std::uint64_t total_;
  std::exception_ptr fault_;  // a certificate table no signer would leave
  std::uint64_t consumed_ = 0;
  std::size_t recordsRead_ = 0;
  bool imageSeen_ = false;
};

}  // namespace quenlo::archive
