#include "archive/signature.h"

#include <string>

#include "archive/archive_reader.h"
#include "archive/pe_image.h"

namespace quenlo::archive {

std::optional<CertificateTable> FindCertificateTable(ByteSource& source) {
  const std::optional<PeImage> image = ReadPeImage(source);
  if (!image || !image->hasCertificateEntry || image->certificateSize == 0) return std::nullopt;
  const CertificateTable table{image->certificateOffset, image->certificateSize};
  const std::uint64_t total = source.Size();
  const std::string where = "the image's certificate table (" + std::to_string(table.size) +
                            " bytes at offset " + std::to_string(table.offset) + ")";
  if (table.offset + table.size != total) {
    throw ArchiveError(where + " does not end at the end of the file (" + std::to_string(total) +
                           " bytes): the file was changed after it was signed",
                       table.offset);
  }
  if (table.offset < image->headersEnd) {
    throw ArchiveError(where + " begins inside the image's own headers", table.offset);
  }
  return table;
}

namespace {

// How far the chain of records that ends at `end` walks back (headers only): 0 when it reaches
// the image record, else the place from the end of the record where it breaks.
std::size_t ChainBreaksAt(ByteSource& source, std::uint64_t end) {
  ArchiveWalker walker(source, end);
  std::size_t place = 1;
  try {
    for (; walker.Next(); ++place) {
    }
    return 0;
  } catch (const ArchiveError&) {
    return place;
  }
}

}  // namespace

std::uint64_t PayloadEnd(ByteSource& source) {
  const std::optional<CertificateTable> table = FindCertificateTable(source);
  if (!table) return source.Size();
  // The table starts at a multiple of 8 bytes: a signer pads the file with up to 7 zero bytes
  // first. Which zero bytes are padding and which end the last header's stored size only the
  // chain tells: the true end is the one from which it walks back to the image record.
  for (std::uint64_t padding = 0; padding < 8 && padding <= table->offset; ++padding) {
    if (padding > 0) {
      unsigned char byte = 0;
      source.ReadAt(table->offset - padding, &byte, 1);
      if (byte != 0) break;
    }
    if (ChainBreaksAt(source, table->offset - padding) == 0) return table->offset - padding;
  }
  // A chain broken further back is a damaged file, which the walk from here describes; one that
  // has no last record before the table at all was cut into by it.
  if (ChainBreaksAt(source, table->offset) > 1) return table->offset;
  throw ArchiveError("the image's certificate table (" + std::to_string(table->size) +
                         " bytes at offset " + std::to_string(table->offset) +
                         ") does not follow the last record: it overlaps the records, or the file "
                         "was changed after it was signed",
                     table->offset);
}

}  // namespace quenlo::archive
