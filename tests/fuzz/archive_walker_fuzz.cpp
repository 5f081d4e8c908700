// Feeds arbitrary bytes to the archive walker as a whole setup file, and inflates every record it
// yields. Whatever the input, the walk must end (with the image record or an ArchiveError), never
// read outside the input, and the records it yields must tile the bytes it consumed.
#include <cstdint>
#include <cstdlib>

#include "payload/archive_reader.h"
#include "payload/record_name.h"
#include "payload/record_stream.h"

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
      try {
        InflateStoredData(source, record->dataOffset,
                          static_cast<std::uint64_t>(record->storedSize),
                          [](const unsigned char*, std::size_t) {});
      } catch (const StreamError&) {
        // A broken stream is an answer, not a fault.
      }
    }
  } catch (const ArchiveError&) {
  }
  return 0;
}
