#include "archive/archive_reader.h"

#include "archive/signature.h"

namespace quenlo::archive {

std::string PayloadRecord::Describe() const {
  std::string text = "record " + std::to_string(placeFromEnd) + " from the end (";
  text += IsImage() ? std::string("image record") : "\"" + name + "\"";
  text += ", header at offset " + std::to_string(headerOffset) + ")";
  return text;
}

ArchiveWalker::ArchiveWalker(ByteSource& source) : source_(source), total_(source.Size()) {
  try {
    total_ = PayloadEnd(source);
  } catch (...) {
    fault_ = std::current_exception();  // the first Next() reports it
  }
}

std::optional<PayloadRecord> ArchiveWalker::Next() {
  if (fault_) std::rethrow_exception(fault_);
  if (imageSeen_) return std::nullopt;
  const std::size_t place = recordsRead_ + 1;
  const std::uint64_t left = total_ - consumed_;  // bytes before the part already consumed
  if (left == 0) {
    throw ArchiveError(total_ == 0 ? "empty file: there is no image record"
                                   : "the chain reached offset 0 without an image record",
                       0);
  }
  if (left < kHeaderSize) {
    throw ArchiveError("record " + std::to_string(place) +
                           " from the end: its header would start before offset 0 (only " +
                           std::to_string(left) + " bytes precede the records already read)",
                       left);
  }

  PayloadRecord record;
  record.placeFromEnd = place;
  record.headerOffset = left - kHeaderSize;
  HeaderBytes bytes;
  source_.ReadAt(record.headerOffset, bytes.data(), bytes.size());
  RecordHeader header = DecodeHeader(bytes);
  record.name = std::move(header.name);
  record.storedSize = header.storedSize;

  const std::uint64_t before = record.headerOffset;  // bytes available for the stored data
  if (record.storedSize < 0) {
    throw ArchiveError(
        record.Describe() + ": stored size " + std::to_string(record.storedSize) + " is negative",
        record.headerOffset, record.name);
  }
  if (static_cast<std::uint64_t>(record.storedSize) > before) {
    throw ArchiveError(record.Describe() + ": stored size " + std::to_string(record.storedSize) +
                           " is larger than the " + std::to_string(before) +
                           " bytes before its header",
                       record.headerOffset, record.name);
  }
  if (!record.IsImage() && record.storedSize == 0) {
    throw ArchiveError(record.Describe() + ": a named record with a stored size of 0",
                       record.headerOffset, record.name);
  }
  record.dataOffset = before - static_cast<std::uint64_t>(record.storedSize);
  if (record.IsImage() && record.dataOffset != 0) {
    throw ArchiveError(record.Describe() + ": the image record's data starts at offset " +
                           std::to_string(record.dataOffset) + " instead of offset 0",
                       record.headerOffset, record.name);
  }

  consumed_ += kHeaderSize + static_cast<std::uint64_t>(record.storedSize);
  ++recordsRead_;
  imageSeen_ = record.IsImage();
  return record;
}

}  // namespace quenlo::archive
