// Feeds arbitrary bytes to the archive walker as a whole setup file, and inflates every record it
// yields. Whatever the input, the walk must end (with the image record or an ArchiveError), never
// read outside the input, and the records it yields must tile the bytes it consumed; the
// extraction's inflater and plain zlib must agree on every stream.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include "payload/archive_reader.h"
#include "payload/record_name.h"
#include "payload/record_stream.h"

#include <zlib.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quenlo::payload;
  MemorySource source({data, size});
  ArchiveWalker walker(source);
  std::uint64_t expectedEnd = size;  // where the next record must end
  try {
    while (auto record = walker.Next()) {
      if (record->headerOffset + kHeaderSize != expectedEnd) std::abort();
      if (record->dataOffset + static_cast<std::uint64_t>(record->storedSize) !=
          record->headerOffset) {
        std::abort();
      }
      expectedEnd = record->dataOffset;
      if (record->IsImage()) {
        if (record->dataOffset != 0 || walker.consumed() != walker.total()) std::abort();
        continue;
      }
      (void)StorableNameProblem(record->name);
      // The extraction's inflater (libdeflate for small records) and plain zlib streaming must
      // agree on every stream: the same bytes out, or both refusing it. A broken stream is an
      // answer, not a fault.
      const auto inflate = [&](bool fast) -> std::optional<std::pair<std::uint64_t, uLong>> {
        uLong checksum = adler32(0, nullptr, 0);
        const InflatedPiece sum = [&](const unsigned char* data, std::size_t size) {
          checksum = adler32(checksum, data, static_cast<uInt>(size));
        };
        const auto size = static_cast<std::uint64_t>(record->storedSize);
        try {
          const std::uint64_t count =
              fast ? InflateRecordData(source, record->dataOffset, size, sum)
                   : InflateStoredData(source, record->dataOffset, size, sum);
          return std::pair{count, checksum};
        } catch (const StreamError&) {
          return std::nullopt;
        }
      };
      if (inflate(true) != inflate(false)) std::abort();
    }
  } catch (const ArchiveError&) {
  }
  return 0;
}
