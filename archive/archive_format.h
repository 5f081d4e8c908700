// The payload archive: how the files to install travel inside the setup executable.
//
// File layout, from offset 0 to the end of the file:
//
//   +--------------------------+
//   | image record, data       |  the setup program's executable image, unchanged
//   | image record, header     |  empty name, stored size = length of the image
//   | record 1, data           |  one zlib stream (RFC 1950) holding the first file
//   | record 1, header         |  name and stored size of the first file
//   | ...                      |
//   | record N, data           |
//   | record N, header         |  the file ends with this header
//   +--------------------------+
//
// Header (264 bytes, no gaps, no alignment), relative to its start:
//
//   0     1    name length L (0..255); 0 marks the image record
//   1   255    name bytes: L bytes of GBK text, no terminator; the rest is filler
//   256   8    stored size S, signed 64-bit little-endian: the data bytes just before the header
//
// There is no signature, directory, count or overall checksum of the format's own. Readers walk
// the chain from the end of the file backwards (from the start of the certificate table where an
// Authenticode signer has appended one after the last header and named it in the image's PE
// headers: signature.h); the image record, whose data starts at offset 0, ends the walk. The
// records tile the file exactly: appending a file appends its data and then its header.
//
// Names are relative paths under one of two roots, "App\" (installation folder) and "Exe\"
// (Windows system folder), unique when letter case is ignored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quenlo::archive {

inline constexpr std::size_t kHeaderSize = 264;
inline constexpr std::size_t kNameFieldSize = 255;
inline constexpr std::size_t kMaxNameLength = kNameFieldSize;
inline constexpr std::size_t kStoredSizeOffset = 256;

inline constexpr std::string_view kInstallRoot = "App\\";
inline constexpr std::string_view kSystemRoot = "Exe\\";

using HeaderBytes = std::array<unsigned char, kHeaderSize>;

struct RecordHeader {
  std::string name;  // exactly L bytes; empty for the image record
  std::int64_t storedSize = 0;

  bool IsImage() const { return name.empty(); }
};

// Reads the name (exactly L bytes, filler ignored) and the stored size.
RecordHeader DecodeHeader(const HeaderBytes& bytes);

// Writes a header with zero filler. The name must be at most kMaxNameLength bytes.
HeaderBytes EncodeHeader(const RecordHeader& header);

}  // namespace quenlo::archive
