#include "tools/quenlo-pack/progress.h"

#include <chrono>
#include <cstdio>

#include "base/path.h"
#include "platform/text_encoding.h"

namespace quenlo::packer {
namespace {

constexpr std::int64_t kRedrawIntervalMs = 100;

// The longest start of `name` that fits `room` bytes without splitting a character.
std::string_view CutToFit(std::string_view name, std::size_t room) {
  std::size_t end = 0;
  while (end < name.size()) {
    const std::size_t length = GbkCharLength(name, end);
    if (end + length > room) break;
    end += length;
  }
  return name.substr(0, end);
}

}  // namespace

std::string FormatProgressLine(std::size_t records, std::size_t totalRecords, std::uint64_t bytes,
                               std::uint64_t totalBytes, std::string_view name, std::size_t width) {
  const unsigned percent = static_cast<unsigned>(totalBytes != 0     ? bytes * 100 / totalBytes
                                                 : totalRecords != 0 ? records * 100 / totalRecords
                                                                     : 100);
  const int digits = static_cast<int>(std::to_string(totalRecords).size());
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "[%*zu/%zu] %3u%%  ", digits, records, totalRecords,
                percent);
  std::string line = prefix;
  if (line.size() >= width) return line;
  const std::size_t room = width - line.size();
  if (name.size() <= room) {
    line += name;
  } else if (room > 3) {
    line += CutToFit(name, room - 3);
    line += "...";
  }
  return line;
}

Progress::Progress(std::ostream* out, std::size_t totalRecords, std::uint64_t totalBytes)
    : out_(out), totalRecords_(totalRecords), totalBytes_(totalBytes) {}

Progress::~Progress() { Clear(); }

void Progress::Update(std::size_t records, std::uint64_t bytes, std::string_view name) {
  if (out_ == nullptr) return;
  const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
  if (everDrawn_ && records < totalRecords_ && now - lastDrawMs_ < kRedrawIntervalMs) return;
  const std::string line =
      FormatProgressLine(records, totalRecords_, bytes, totalBytes_, name, kProgressWidth);
  // Pad over what the previous line left behind.
  const std::size_t padding = drawnWidth_ > line.size() ? drawnWidth_ - line.size() : 0;
  *out_ << '\r' << platform::GbkToConsole(line) << std::string(padding, ' ') << std::flush;
  drawnWidth_ = line.size() + padding;
  everDrawn_ = true;
  lastDrawMs_ = now;
}

void Progress::Clear() {
  if (out_ == nullptr || drawnWidth_ == 0) return;
  *out_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
  drawnWidth_ = 0;
}

}  // namespace quenlo::packer
