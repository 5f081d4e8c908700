// Compresses a sequence of records on several threads and hands the results back in order.
//
// Records are independent zlib streams, so the output does not depend on the number of threads.
// Memory stays bounded: a record is taken up only while the records taken up and not yet handed
// back are estimated to need no more than a given number of bytes (one record is always allowed,
// however large).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quenlo::packer {

struct CompressPlan {
  std::size_t count = 0;
  // Expected content size of record i, for the memory estimate (content plus stored data).
  std::function<std::uint64_t(std::size_t)> sizeOf;
  // Loads the content of record i. Runs on a worker thread; may throw.
  std::function<std::vector<unsigned char>(std::size_t)> load;
  // Receives record i's stored data (archive::CompressRecord of its content). Runs on the calling
  // thread, for i = 0, 1, ... in turn; may throw.
  std::function<void(std::size_t, std::vector<unsigned char>&&)> consume;
  unsigned threads = 0;  // 0: one per core
  std::uint64_t windowBytes = std::uint64_t{64} << 20;
};

// Runs the plan. An exception thrown by `load` or by the compression of record i is thrown here
// when record i's turn comes, after records 0..i-1 were consumed; one thrown by `consume` stops
// the work and is thrown on. All worker threads have ended when this returns or throws.
void CompressInOrder(const CompressPlan& plan);

// The memory a record of `size` content bytes is counted for while it is in flight.
std::uint64_t RecordCost(std::uint64_t size);

// Threads used for `requested` (0: one per core, at least one).
unsigned CompressionThreads(unsigned requested);

}  // namespace quenlo::packer
