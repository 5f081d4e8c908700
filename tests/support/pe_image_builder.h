// A minimal PE32 image for the tests of the archive's look at the program at the front of a
// setup file: MS-DOS header, "PE\0\0", the file header and a 0xE0-byte optional header whose
// SizeOfHeaders covers the whole image, so that the image ends where its bytes end.
#pragma once

#include <cstdint>
#include <string>

namespace quenlo::testing {

inline constexpr std::size_t kPeHeader = 0x40;  // e_lfanew
inline constexpr std::size_t kOptionalHeader =
    kPeHeader + 24;  // after "PE\0\0" and the COFF header
inline constexpr std::size_t kCertificateEntry = kOptionalHeader + 96 + 8 * 4;

inline void PutLittle32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// `size` bytes (at least 512) of a PE32 image with no sections.
inline std::string PeImage(std::size_t size = 512) {
  std::string image(size, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = kPeHeader;
  image.replace(kPeHeader, 4, std::string("PE\0\0", 4));
  image[kPeHeader + 4] = 0x4C;  // Machine: i386
  image[kPeHeader + 5] = 0x01;
  image[kPeHeader + 20] = static_cast<char>(0xE0);  // SizeOfOptionalHeader
  image[kOptionalHeader] = 0x0B;                    // PE32
  image[kOptionalHeader + 1] = 0x01;
  PutLittle32(image, kOptionalHeader + 60, static_cast<std::uint32_t>(size));  // SizeOfHeaders
  image[kOptionalHeader + 92] = 16;  // NumberOfRvaAndSizes
  return image;
}

// Points the certificate-table directory entry of the image at the front of `file` at a table.
inline void SetCertificateEntry(std::string& file, std::uint32_t offset, std::uint32_t size) {
  PutLittle32(file, kCertificateEntry, offset);
  PutLittle32(file, kCertificateEntry + 4, size);
}

}  // namespace quenlo::testing
