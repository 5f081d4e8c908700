// Signed setup files: where the payload ends.
//
// An Authenticode signer (signtool, osslsigncode) appends a certificate table after the last
// record and points the image's PE headers at it (the "certificate table" data directory, whose
// address is a file offset). The chain of records then ends where that table begins, not at the
// end of the file. An unsigned file, or an image that is no PE, ends its records at the file's end
// as always.
#pragma once

#include <cstdint>
#include <optional>

#include "base/byte_stream.h"

namespace quenlo::archive {

struct CertificateTable {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// The certificate table the image at offset 0 names, if it is a PE that names one. Throws
// ArchiveError when the table does not end exactly at the end of the file, or begins inside the
// image's headers: no signer puts it there.
std::optional<CertificateTable> FindCertificateTable(ByteSource& source);

// Where the last record ends: in a signed file just before the certificate table and the zero
// bytes a signer pads the file with to align the table; else the file's size. Throws as
// FindCertificateTable does.
std::uint64_t PayloadEnd(ByteSource& source);

}  // namespace quenlo::archive
