#include "archive/pe_image.h"

#include <algorithm>
#include <array>

namespace quenlo::archive {
namespace {

// The PE layout, as far as the archive needs it.
constexpr std::uint64_t kNewHeaderPointer = 0x3C;  // e_lfanew in the MS-DOS header
constexpr std::uint64_t kCoffHeaderSize = 24;      // "PE\0\0" and the file header
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::uint32_t kCertificateDirectory = 4;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kSymbolSize = 18;

std::uint32_t Little32(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

std::uint16_t Little16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// Reads N bytes at `offset` when the source holds them all.
template <std::size_t N>
bool ReadIfThere(ByteSource& source, std::uint64_t offset, std::array<unsigned char, N>& bytes) {
  const std::uint64_t total = source.Size();
  if (offset > total || N > total - offset) return false;
  source.ReadAt(offset, bytes.data(), N);
  return true;
}

}  // namespace

bool BeginsWithMz(ByteSource& source) {
  std::array<unsigned char, 2> mz{};
  return ReadIfThere(source, 0, mz) && mz[0] == 'M' && mz[1] == 'Z';
}

std::optional<PeImage> ReadPeImage(ByteSource& source) {
  std::array<unsigned char, 64> dos{};
  if (!ReadIfThere(source, 0, dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  const std::uint64_t pe = Little32(dos.data() + kNewHeaderPointer);
  std::array<unsigned char, kCoffHeaderSize + 2> coff{};
  if (!ReadIfThere(source, pe, coff) || coff[0] != 'P' || coff[1] != 'E' || coff[2] != 0 ||
      coff[3] != 0) {
    return std::nullopt;
  }
  const std::uint16_t magic = Little16(coff.data() + kCoffHeaderSize);
  if (magic != kPe32 && magic != kPe32Plus) return std::nullopt;

  PeImage image;
  const std::uint16_t sections = Little16(coff.data() + 6);
  const std::uint64_t symbolTable = Little32(coff.data() + 12);
  const std::uint64_t symbols = Little32(coff.data() + 16);
  const std::uint16_t optionalSize = Little16(coff.data() + 20);
  const std::uint64_t optional = pe + kCoffHeaderSize;
  const std::uint64_t sectionTable = optional + optionalSize;

  // SizeOfHeaders, then the certificate entry (NumberOfRvaAndSizes says whether it is there).
  std::array<unsigned char, 4> word{};
  if (optionalSize >= 64 && ReadIfThere(source, optional + 60, word)) {
    image.sectionsEnd = Little32(word.data());
  }
  const std::uint64_t countAt = magic == kPe32 ? 92 : 108;
  const std::uint64_t entryAt = countAt + 4 + 8 * kCertificateDirectory;
  image.headersEnd = optional + std::max<std::uint64_t>(optionalSize, entryAt + 8);
  std::array<unsigned char, 8> entry{};
  if (optionalSize >= entryAt + 8 && ReadIfThere(source, optional + countAt, word) &&
      Little32(word.data()) > kCertificateDirectory &&
      ReadIfThere(source, optional + entryAt, entry)) {
    image.hasCertificateEntry = true;
    image.certificateOffset = Little32(entry.data());
    image.certificateSize = Little32(entry.data() + 4);
  }

  for (std::uint64_t i = 0; i < sections; ++i) {
    std::array<unsigned char, kSectionHeaderSize> section{};
    if (!ReadIfThere(source, sectionTable + i * kSectionHeaderSize, section)) break;
    const std::uint64_t rawSize = Little32(section.data() + 16);
    const std::uint64_t rawAt = Little32(section.data() + 20);
    if (rawSize != 0) image.sectionsEnd = std::max(image.sectionsEnd, rawAt + rawSize);
  }
  // The string table follows the symbols; its first four bytes give its length.
  if (symbolTable != 0) {
    const std::uint64_t strings = symbolTable + symbols * kSymbolSize;
    if (ReadIfThere(source, strings, word)) image.symbolsEnd = strings + Little32(word.data());
  }
  return image;
}

}  // namespace quenlo::archive
