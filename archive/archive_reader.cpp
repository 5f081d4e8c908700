#include "archive/archive_reader.h"

#include <algorithm>
#include <optional>
#include <string>

#include "archive/pe_image.h"
#include "archive/signature.h"

namespace quenlo::archive {
namespace {

// Whether the image record's header stands at `offset`: an empty name and the offset itself as
// the stored size (the image's data runs from offset 0 up to its header).
bool ImageHeaderAt(ByteSource& source, std::uint64_t offset) {
  if (offset == 0 || offset > source.Size() || source.Size() - offset < kHeaderSize) return false;
  HeaderBytes bytes;
  source.ReadAt(offset, bytes.data(), bytes.size());
  const RecordHeader header = DecodeHeader(bytes);
  return header.IsImage() && header.storedSize == static_cast<std::int64_t>(offset);
}

// Why a file whose chain is broken is no setup file at all, rather than a damaged one: it is
// empty, it does not begin with a program, or it is a Windows program that has no image record
// where its image ends. Nothing when it may be a damaged setup file (an image that is no full PE
// is given the benefit of the doubt: its own end cannot be told).
std::optional<std::string> NotASetupFile(ByteSource& source) {
  if (source.Size() == 0) return "the file is empty";
  if (!BeginsWithMz(source)) return "it does not begin with a Windows program image";
  const std::optional<PeImage> image = ReadPeImage(source);
  if (!image || ImageHeaderAt(source, image->sectionsEnd) ||
      ImageHeaderAt(source, image->symbolsEnd)) {
    return std::nullopt;
  }
  return "a Windows program with no payload records after its image (or a setup file cut off "
         "before its first record)";
}

}  // namespace

std::string PayloadRecord::Describe() const {
  std::string text = "record " + std::to_string(placeFromEnd) + " from the end (";
  text += IsImage() ? std::string("image record") : "\"" + name + "\"";
  text += ", header at offset " + std::to_string(headerOffset) + ")";
  return text;
}

ArchiveWalker::ArchiveWalker(ByteSource& source, std::uint64_t end)
    : source_(source), total_(std::min(end, source.Size())) {}

ArchiveWalker::ArchiveWalker(ByteSource& source) : source_(source), total_(source.Size()) {
  try {
    total_ = PayloadEnd(source);
  } catch (...) {
    fault_ = std::current_exception();  // the first Next() reports it
  }
}

std::optional<PayloadRecord> ArchiveWalker::Next() {
  try {
    return NextRecord();
  } catch (const ArchiveError&) {
    // A chain that broke is either a damaged setup file, whose precise message stands, or no
    // setup file at all.
    if (std::optional<std::string> reason = NotASetupFile(source_)) {
      throw ArchiveError("not a setup file: " + *reason, 0);
    }
    throw;
  }
}

std::optional<PayloadRecord> ArchiveWalker::NextRecord() {
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
