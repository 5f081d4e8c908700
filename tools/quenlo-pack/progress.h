// A one-line progress display for long work: "[ 123/367]  45%  App\Skin\...", redrawn in place
// with "\r" at most ten times a second and cleared at the end.
//
// It is drawn only where a person watches it: the caller passes the stream (standard error when
// it is a terminal) or nothing, so logs and pipes never get it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace quenlo::packer {

// Columns the line may take; it stays clear of the last column of an 80-column terminal.
inline constexpr std::size_t kProgressWidth = 79;

// The line for one state, in GBK: records done of all, percentage of the bytes (of the records
// when there are no bytes), and the record's name cut with "..." on a character boundary to fit
// `width` columns. A GBK character takes as many columns as it has bytes.
std::string FormatProgressLine(std::size_t records, std::size_t totalRecords, std::uint64_t bytes,
                               std::uint64_t totalBytes, std::string_view name, std::size_t width);

class Progress {
 public:
  // `out` is where to draw, or nullptr to draw nothing.
  Progress(std::ostream* out, std::size_t totalRecords, std::uint64_t totalBytes);
  ~Progress();  // clears the line
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Reports the state after `records` records and `bytes` bytes, working on `name` (GBK). Draws
  // the first report, the last (all records done), and others at most every 100 ms.
  void Update(std::size_t records, std::uint64_t bytes, std::string_view name);
  // Wipes the line, so that what follows starts at the left margin.
  void Clear();

 private:
  std::ostream* out_;
  std::size_t totalRecords_;
  std::uint64_t totalBytes_;
  std::size_t drawnWidth_ = 0;
  bool everDrawn_ = false;
  std::int64_t lastDrawMs_ = 0;  // steady clock, milliseconds
};

}  // namespace quenlo::packer
