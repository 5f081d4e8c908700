// quenlo-pack list and verify, and the reading steps that extract shares with them.
//
// Messages of the errors thrown here name the record (its place from the end of the file, its
// name, its header offset) and are in the console's encoding.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/record_stream.h"
#include "base/byte_stream.h"

namespace quenlo::packer {

// The records in file order, the image record first, after walking the whole chain. Throws
// archive::ArchiveError.
std::vector<archive::PayloadRecord> ReadChain(ByteSource& source);

// "record 3 from the end ("App\x.dll", header at offset 1234)" for the console.
std::string DescribeRecord(const archive::PayloadRecord& record);

// Checks the names of a chain read by ReadChain: each one installable (InstallableNameProblem)
// and no two clashing (NameSet). Throws archive::ArchiveError naming the first bad record.
void CheckNames(const std::vector<archive::PayloadRecord>& records);

// Inflates a named record's stored data, streaming it to `sink`; returns the inflated size.
// Throws archive::ArchiveError naming the record when the stream is broken.
std::uint64_t InflateRecord(ByteSource& source, const archive::PayloadRecord& record,
                            const archive::InflatedPiece& sink);

struct ArchiveTotals {
  std::size_t records = 0;             // the image record included
  std::uint64_t stored = 0;            // all stored sizes, the image's included
  std::uint64_t inflated = 0;          // all inflated sizes; the image counts with its own size
  std::uint64_t certificateBytes = 0;  // the signature's certificate table; 0 when unsigned
};

// Writes one line per record in file order, "stored inflated name" with the image record shown
// as "(image)" (its data is stored as it is, so both sizes are the same), then a line on the
// signature when the file is signed, then a totals line.
ArchiveTotals List(ByteSource& source, std::ostream& out, std::ostream* progress);

// Checks the whole archive: the chain, every name, every stream (zlib checks its Adler-32).
// Returns the totals of a sound archive; throws archive::ArchiveError at the first fault.
ArchiveTotals Verify(ByteSource& source, std::ostream* progress);

}  // namespace quenlo::packer
