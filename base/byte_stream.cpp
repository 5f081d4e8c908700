#include "base/byte_stream.h"

#include <cstring>

namespace quenlo {

void MemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > bytes_.size() || size > bytes_.size() - offset) {
    throw IoError("read of " + std::to_string(size) + " bytes at offset " + std::to_string(offset) +
                  " goes past the end (" + std::to_string(bytes_.size()) + " bytes)");
  }
  if (size != 0) std::memcpy(buffer, bytes_.data() + offset, size);
}

void MemorySink::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
}

}  // namespace quenlo
