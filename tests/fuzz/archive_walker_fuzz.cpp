// Feeds arbitrary bytes to the archive walker as a whole setup file, and inflates every record it
// yields. Whatever the input, the walk must end (with the image record or an ArchiveError), never
// read outside the input, and the records it yields must tile the bytes it consumed; the
// extraction's inflater, its zlib streaming (which checks the zlib header and trailer itself) and
// libdeflate inflating the whole stream must agree on every stream.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include "archive/archive_reader.h"
#include "archive/record_name.h"
#include "archive/record_stream.h"

#include <libdeflate.h>
#include <zlib.h>

#include <vector>

namespace {

// libdeflate on the whole stored data, with room for `capacity` bytes of output: the output, or
// nothing when it refuses the stream, finds bytes after it, or needs more room.
std::optional<std::vector<unsigned char>> WholeInflation(const std::uint8_t* stored,
                                                         std::size_t size, std::size_t capacity) {
  static libdeflate_decompressor* const decompressor = libdeflate_alloc_decompressor();
  std::vector<unsigned char> output(capacity);
  std::size_t used = 0;
  std::size_t produced = 0;
  if (libdeflate_zlib_decompress_ex(decompressor, stored, size, output.data(), output.size(), &used,
                                    &produced) != LIBDEFLATE_SUCCESS ||
      used != size) {
    return std::nullopt;
  }
  output.resize(produced);
  return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quenlo::archive;
  using quenlo::MemorySource;
  MemorySource source({data, size});
  ArchiveWalker walker(source);
  std::uint64_t expectedEnd = walker.total();  // where the next record must end (a signature after)
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
      const auto streamed = inflate(false);
      if (inflate(true) != streamed) std::abort();
      // The streaming's own header and trailer checks accept exactly what libdeflate accepts.
      const std::uint8_t* stored = data + record->dataOffset;
      const auto storedSize = static_cast<std::size_t>(record->storedSize);
      if (streamed) {
        const auto whole = WholeInflation(stored, storedSize, streamed->first);
        if (!whole || adler32(adler32(0, nullptr, 0), whole->data(),
                              static_cast<uInt>(whole->size())) != streamed->second) {
          std::abort();
        }
      } else if (WholeInflation(stored, storedSize, 1 << 20)) {
        std::abort();
      }
    }
  } catch (const ArchiveError&) {
  }
  return 0;
}
