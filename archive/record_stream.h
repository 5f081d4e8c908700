// The stored data of a named record: one complete zlib stream (RFC 1950) over deflate data, with
// no preset dictionary and nothing after its Adler-32 trailer.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/byte_stream.h"

namespace quenlo::archive {

// A stream that does not inflate; the message says why (zlib's own words where it has them).
class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// zlib level 6, 32 KB window, default memory level and strategy: the stream starts 78 9C. The
// same input always gives the same bytes. Empty input gives the 8-byte stream 78 9C 03 00 00 00
// 00 01.
std::vector<unsigned char> CompressRecord(std::span<const unsigned char> content);

// The Adler-32 that a zlib stream's 4-byte trailer carries (most significant byte first).
inline std::uint32_t TrailerAdler32(const unsigned char* trailer) {
  return (std::uint32_t{trailer[0]} << 24) | (std::uint32_t{trailer[1]} << 16) |
         (std::uint32_t{trailer[2]} << 8) | std::uint32_t{trailer[3]};
}

// Receives inflated output, one piece at a time.
using InflatedPiece = std::function<void(const unsigned char* data, std::size_t size)>;

// Inflates the stored data lying at [offset, offset + size) of `source`, handing the output to
// `sink` in pieces of at most `pieceSize` bytes. Throws StreamError when the stream is broken, asks
// for a preset dictionary, ends early, fails its Adler-32 check or is followed by extra bytes.
// Returns the number of inflated bytes.
std::uint64_t InflateStoredData(ByteSource& source, std::uint64_t offset, std::uint64_t size,
                                const InflatedPiece& sink, std::size_t pieceSize = 512);

// Which records InflateRecordData takes whole: those whose stored data and output fit.
struct WholeRecordBounds {
  std::uint64_t stored;
  std::size_t output;
};
// The setup's: two thirds of the demo's bytes; larger bounds gain the setup little more (its
// extraction writes on one thread what it inflates on another) and cost its memory.
inline constexpr WholeRecordBounds kSetupWholeRecord{256 * 1024, 512 * 1024};
// quenlo-pack's, for a machine that builds setups: every record of the demo, which inflates a
// third faster than through zlib; at most 12 MiB for each of its threads.
inline constexpr WholeRecordBounds kToolWholeRecord{4 * 1024 * 1024, 8 * 1024 * 1024};

// The inflater of the extraction, the payload check and quenlo-pack: the same stream checks as
// InflateStoredData, faster. A record within `bounds` is read and inflated whole with libdeflate;
// a larger one, or one libdeflate finds broken, is streamed through zlib in pieces of 64 KiB, so
// memory stays bounded and the fault is worded as zlib words it. Empty stored data is a broken
// stream. Throws StreamError.
std::uint64_t InflateRecordData(ByteSource& source, std::uint64_t offset, std::uint64_t size,
                                const InflatedPiece& sink,
                                const WholeRecordBounds& bounds = kSetupWholeRecord);
// The largest read it makes of the source with the setup's bounds: a small record's whole stored
// data.
inline constexpr std::size_t kLargestWholeRead = kSetupWholeRecord.stored;

// The extraction's form of it: inflates one record's stored data into `output`. Returns 0 on
// success and a negative status when the stream is broken or memory runs out (`reason`, when
// given, then says why); empty stored data gives 0 and no output. Read and write errors of the
// source and the output are not stream faults: they leave as IoError.
int InflateRecord(ByteSource& source, std::uint64_t offset, std::uint64_t size, ByteSink& output,
                  std::string* reason = nullptr);

}  // namespace quenlo::archive
