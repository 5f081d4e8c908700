#include "archive/archive_format.h"

#include <stdexcept>

namespace quenlo::archive {

RecordHeader DecodeHeader(const HeaderBytes& bytes) {
  RecordHeader header;
  const std::size_t length = bytes[0];
  header.name.assign(reinterpret_cast<const char*>(bytes.data() + 1), length);
  std::uint64_t size = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    size |= static_cast<std::uint64_t>(bytes[kStoredSizeOffset + i]) << (8 * i);
  }
  header.storedSize = static_cast<std::int64_t>(size);
  return header;
}

HeaderBytes EncodeHeader(const RecordHeader& header) {
  if (header.name.size() > kMaxNameLength) {
    throw std::length_error("record name longer than 255 bytes: " + header.name);
  }
  HeaderBytes bytes{};
  bytes[0] = static_cast<unsigned char>(header.name.size());
  for (std::size_t i = 0; i < header.name.size(); ++i) {
    bytes[1 + i] = static_cast<unsigned char>(header.name[i]);
  }
  const auto size = static_cast<std::uint64_t>(header.storedSize);
  for (std::size_t i = 0; i < 8; ++i) {
    bytes[kStoredSizeOffset + i] = static_cast<unsigned char>(size >> (8 * i));
  }
  return bytes;
}

}  // namespace quenlo::archive
