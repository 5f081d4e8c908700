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

// Whether the chain of records that ends at `end` walks back to the image record (headers only).
bool ChainWalksFrom(ByteSource& source, std::uint64_t end) {
  ArchiveWalker walker(source, end);
  try {
    while (walker.Next()) {
    }
    return true;
  } catch (const ArchiveError&) {
    return false;
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
    if (ChainWalksFrom(source, table->offset - padding)) return table->offset - padding;
  }
  return table->offset;  // a broken chain: the walk from here says where it breaks
}

}  // namespace quenlo::archive
