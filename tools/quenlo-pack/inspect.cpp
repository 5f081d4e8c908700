#include "tools/quenlo-pack/inspect.h"

#include <algorithm>
#include <cstdio>

#include "archive/signature.h"
#include "platform/text_encoding.h"
#include "tools/quenlo-pack/progress.h"
#include "tools/quenlo-pack/record_names.h"

namespace quenlo::packer {
namespace {

using archive::ArchiveError;
using archive::PayloadRecord;

std::uint64_t NamedStoredBytes(const std::vector<PayloadRecord>& records) {
  std::uint64_t total = 0;
  for (const PayloadRecord& record : records) {
    if (!record.IsImage()) total += static_cast<std::uint64_t>(record.storedSize);
  }
  return total;
}

std::string ListLine(std::uint64_t stored, std::uint64_t inflated, const std::string& name) {
  char sizes[48];
  std::snprintf(sizes, sizeof sizes, "%12llu %12llu  ", static_cast<unsigned long long>(stored),
                static_cast<unsigned long long>(inflated));
  return sizes + name + "\n";
}

// Inflates every named record of `records` (in file order) to nowhere, showing which one on
// `progress`, and hands each record with its inflated size to `each` (the image's data is stored
// as it is: its inflated size is its stored size). Throws as InflateRecord does.
template <typename Each>
ArchiveTotals InflateEach(ByteSource& source, const std::vector<PayloadRecord>& records,
                          Progress& progress, Each&& each) {
  ArchiveTotals totals;
  std::uint64_t storedNamed = 0;
  for (const PayloadRecord& record : records) {
    const auto stored = static_cast<std::uint64_t>(record.storedSize);
    std::uint64_t inflated = stored;
    if (!record.IsImage()) {
      progress.Update(totals.records - 1, storedNamed, record.name);
      inflated = InflateRecord(source, record, [](const unsigned char*, std::size_t) {});
      storedNamed += stored;
    }
    each(record, inflated);
    ++totals.records;
    totals.stored += stored;
    totals.inflated += inflated;
  }
  return totals;
}

// The size of a signed file's certificate table, read after its chain proved sound.
std::uint64_t CertificateBytes(ByteSource& source) {
  const std::optional<archive::CertificateTable> table = archive::FindCertificateTable(source);
  return table ? table->size : 0;
}

}  // namespace

std::vector<PayloadRecord> ReadChain(ByteSource& source) {
  std::vector<PayloadRecord> records;
  archive::ArchiveWalker walker(source);
  try {
    while (auto record = walker.Next()) records.push_back(std::move(*record));
  } catch (const ArchiveError& error) {
    // The walker quotes names as stored (GBK).
    throw ArchiveError(platform::GbkToConsole(error.what()), error.offset());
  }
  // The walk ends with the image record, whose data starts at offset 0, and stops there: the
  // image record is the first record of the file and the only one.
  std::reverse(records.begin(), records.end());
  return records;
}

std::string DescribeRecord(const PayloadRecord& record) {
  return platform::GbkToConsole(record.Describe());
}

void CheckNames(const std::vector<PayloadRecord>& records) {
  NameSet names;
  for (const PayloadRecord& record : records) {
    if (record.IsImage()) continue;
    std::optional<std::string> problem = InstallableNameProblem(record.name);
    if (!problem) problem = names.Add(record.name);
    if (problem) {
      throw ArchiveError(DescribeRecord(record) + ": " + platform::GbkToConsole(*problem),
                         record.headerOffset);
    }
  }
}

std::uint64_t InflateRecord(ByteSource& source, const PayloadRecord& record,
                            const archive::InflatedPiece& sink) {
  try {
    return archive::InflateRecordData(source, record.dataOffset,
                                      static_cast<std::uint64_t>(record.storedSize), sink,
                                      archive::kToolWholeRecord);
  } catch (const archive::StreamError& error) {
    throw ArchiveError(DescribeRecord(record) + ": the stored data at offset " +
                           std::to_string(record.dataOffset) + " does not inflate: " + error.what(),
                       record.dataOffset);
  }
}

ArchiveTotals List(ByteSource& source, std::ostream& out, std::ostream* progressOut) {
  const std::vector<PayloadRecord> records = ReadChain(source);
  Progress progress(progressOut, records.size() - 1, NamedStoredBytes(records));
  ArchiveTotals totals = InflateEach(
      source, records, progress, [&](const PayloadRecord& record, std::uint64_t inflated) {
        progress.Clear();
        out << ListLine(static_cast<std::uint64_t>(record.storedSize), inflated,
                        record.IsImage() ? "(image)" : platform::GbkToConsole(record.name));
        if (progressOut != nullptr) out.flush();  // keep the lines and the progress line apart
      });
  totals.certificateBytes = CertificateBytes(source);
  if (totals.certificateBytes != 0) {
    out << "signed: a certificate table of " << totals.certificateBytes
        << " bytes after the records (its certificates are for Windows to check)\n";
  }
  out << "totals: " << totals.records << " records, " << totals.stored << " bytes stored, "
      << totals.inflated << " bytes inflated\n";
  return totals;
}

ArchiveTotals Verify(ByteSource& source, std::ostream* progressOut) {
  const std::vector<PayloadRecord> records = ReadChain(source);
  CheckNames(records);
  Progress progress(progressOut, records.size() - 1, NamedStoredBytes(records));
  ArchiveTotals totals =
      InflateEach(source, records, progress, [](const PayloadRecord&, std::uint64_t) {});
  totals.certificateBytes = CertificateBytes(source);
  return totals;
}

}  // namespace quenlo::packer
