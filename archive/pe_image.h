// The few facts of a Windows program image (PE) at the front of a file that the archive needs:
// where a signer's certificate table is, and where the image itself ends, so that the records
// after it can be told from a file that has none.
#pragma once

#include <cstdint>
#include <optional>

#include "base/byte_stream.h"

namespace quenlo::archive {

struct PeImage {
  // The certificate-table data directory entry: a file offset and a size (0 when unsigned).
  std::uint64_t certificateOffset = 0;
  std::uint64_t certificateSize = 0;
  bool hasCertificateEntry = false;  // the optional header holds that entry at all
  // The first byte after the image's headers (the certificate entry included): no table a
  // signer writes can begin before it.
  std::uint64_t headersEnd = 0;
  // Where the image ends: after its headers and the raw data of every section, and after the
  // COFF symbol and string tables when the image keeps them (0 when it has none).
  std::uint64_t sectionsEnd = 0;
  std::uint64_t symbolsEnd = 0;
};

// The image at offset 0 when the file begins with an MZ header that points at a PE32 or PE32+
// header; nothing otherwise. Never throws for a malformed image: what cannot be read is left 0.
std::optional<PeImage> ReadPeImage(ByteSource& source);

// Whether the file begins with the two bytes "MZ" of every Windows program.
bool BeginsWithMz(ByteSource& source);

}  // namespace quenlo::archive
