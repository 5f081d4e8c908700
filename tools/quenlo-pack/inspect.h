// quenlo-pack list and verify, and the reading steps that extract shares with them.
//
// Messages of the errors thrown here name the record (its place from the end of the file, its
// name, its header offset) and are in the console's encoding.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "payload/archive_reader.h"
#include "payload/byte_stream.h"
#include "payload/record_stream.h"

namespace quenlo::packer {

// The records in file order, the image record first, after walking the whole chain. Throws
// payload::ArchiveError.
std::vector<payload::PayloadRecord> ReadChain(payload::ByteSource& source);

// "record 3 from the end ("App\x.dll", header at offset 1234)" for the console.
std::string DescribeRecord(const payload::PayloadRecord& record);

// Checks the names of a chain read by ReadChain: each one installable (InstallableNameProblem)
// and no two clashing (NameSet). Throws payload::ArchiveError naming the first bad record.
void CheckNames(const std::vector<payload::PayloadRecord>& records);

// Inflates a named record's stored data, streaming it to `sink`; returns the inflated size.
// Throws payload::ArchiveError naming the record when the stream is broken.
std::uint64_t InflateRecord(payload::ByteSource& source, const payload::PayloadRecord& record,
                            const payload::InflatedPiece& sink);

struct ArchiveTotals {
  std::size_t records = 0;     // the image record included
  std::uint64_t stored = 0;    // all stored sizes, the image's included
  std::uint64_t inflated = 0;  // all inflated sizes; the image counts with its own size
};

// Writes one line per record in file order, "stored inflated name" with the image record shown
// as "(image)" (its data is stored as it is, so both sizes are the same), then a totals line.
ArchiveTotals List(payload::ByteSource& source, std::ostream& out, std::ostream* progress);

// Checks the whole archive: the chain, every name, every stream (zlib checks its Adler-32).
// Returns the totals of a sound archive; throws payload::ArchiveError at the first fault.
ArchiveTotals Verify(payload::ByteSource& source, std::ostream* progress);

}  // namespace quenlo::packer
