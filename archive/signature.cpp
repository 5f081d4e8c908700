#include "archive/signature.h"

#include <array>

#include "archive/archive_reader.h"

namespace quenlo::archive {
namespace {

// The PE layout, as far as the certificate table needs it.
constexpr std::uint64_t kNewHeaderPointer = 0x3C;  // e_lfanew in the MS-DOS header
constexpr std::uint64_t kCoffHeaderSize = 24;      // "PE\0\0" and the file header
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::uint32_t kCertificateDirectory = 4;

std::uint32_t Little32(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

std::uint16_t Little16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// Reads `size` bytes at `offset` when the source holds them all.
template <std::size_t N>
bool ReadIfThere(ByteSource& source, std::uint64_t offset, std::array<unsigned char, N>& bytes) {
  const std::uint64_t total = source.Size();
  if (offset > total || N > total - offset) return false;
  source.ReadAt(offset, bytes.data(), N);
  return true;
}

}  // namespace

std::optional<CertificateTable> FindCertificateTable(ByteSource& source) {
  std::array<unsigned char, 64> dos{};
  if (!ReadIfThere(source, 0, dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  const std::uint64_t pe = Little32(dos.data() + kNewHeaderPointer);
  std::array<unsigned char, kCoffHeaderSize + 2> coff{};
  if (!ReadIfThere(source, pe, coff) || coff[0] != 'P' || coff[1] != 'E' || coff[2] != 0 ||
      coff[3] != 0) {
    return std::nullopt;
  }
  const std::uint16_t optionalSize = Little16(coff.data() + 20);
  const std::uint16_t magic = Little16(coff.data() + kCoffHeaderSize);
  if (magic != kPe32 && magic != kPe32Plus) return std::nullopt;
  const std::uint64_t countAt = magic == kPe32 ? 92 : 108;  // NumberOfRvaAndSizes
  const std::uint64_t directoriesAt = countAt + 4;
  const std::uint64_t entryAt = directoriesAt + 8 * kCertificateDirectory;
  if (optionalSize < entryAt + 8) return std::nullopt;
  std::array<unsigned char, 4> count{};
  std::array<unsigned char, 8> entry{};
  const std::uint64_t optional = pe + kCoffHeaderSize;
  if (!ReadIfThere(source, optional + countAt, count) ||
      Little32(count.data()) <= kCertificateDirectory ||
      !ReadIfThere(source, optional + entryAt, entry)) {
    return std::nullopt;
  }
  const CertificateTable table{Little32(entry.data()), Little32(entry.data() + 4)};
  if (table.size == 0) return std::nullopt;  // not signed
  const std::uint64_t total = source.Size();
  const std::string where = "the image's certificate table (" + std::to_string(table.size) +
                            " bytes at offset " + std::to_string(table.offset) + ")";
  if (table.offset + table.size != total) {
    throw ArchiveError(where + " does not end at the end of the file (" + std::to_string(total) +
                           " bytes): the file was changed after it was signed",
                       table.offset);
  }
  if (table.offset < optional + entryAt + 8) {
    throw ArchiveError(where + " begins inside the image's own headers", table.offset);
  }
  return table;
}

std::uint64_t PayloadEnd(ByteSource& source) {
  const std::optional<CertificateTable> table = FindCertificateTable(source);
  return table ? table->offset : source.Size();
}

}  // namespace quenlo::archive
