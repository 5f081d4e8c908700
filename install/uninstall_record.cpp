#include "install/uninstall_record.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <memory>

#include "base/path.h"
#include "base/percent_escape.h"

namespace quenlo::uninstall {
namespace {

constexpr std::string_view kSignature = "Quenlo播放 uninstall record";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kChecksumKeyword = "checksum ";

constexpr const char* kHexDigits = "0123456789ABCDEF";

std::string Hex8(std::uint32_t value) {
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[i] = kHexDigits[value & 0xF];
  return text;
}

[[noreturn]] void Damaged(const std::string& why) {
  throw RecordError(RecordError::Kind::Damaged, "the uninstall record is damaged: " + why);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::optional<std::string> plain = PercentUnescape(text);
  if (!plain) Damaged("a control byte stands unescaped, or an escape is broken");
  return *plain;
}

std::uint32_t ParseHex8(std::string_view text) {
  if (text.size() != 8) Damaged("a checksum is not 8 hex digits");
  std::uint32_t value = 0;
  for (const char c : text) {
    const int digit = HexValue(c);
    if (digit < 0) Damaged("a checksum is not 8 hex digits");
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::uint64_t ParseSize(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    Damaged("a file size is no number");
  }
  return value;
}

// Splits off the first blank-separated word of `rest`; the rest follows the blank.
std::string_view Word(std::string_view& rest) {
  const std::size_t blank = rest.find(' ');
  const std::string_view word = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  return word;
}

std::uint32_t Crc32(std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

void DecodeEntry(std::string_view line, UninstallRecord& record, bool& haveFolder) {
  std::string_view rest = line;
  const std::string_view keyword = Word(rest);
  if (keyword == "install-folder") {
    if (haveFolder) Damaged("two installation folders");
    haveFolder = true;
    record.installFolder = Unescape(rest);
  } else if (keyword == "folder") {
    record.createdFolders.push_back(Unescape(rest));
  } else if (keyword == "file") {
    InstalledFile file;
    file.size = ParseSize(Word(rest));
    file.adler32 = ParseHex8(Word(rest));
    file.path = Unescape(rest);
    record.files.push_back(std::move(file));
  } else if (keyword == "codec") {
    record.codecs.push_back(Unescape(rest));
  } else if (keyword == "type") {
    ExtensionBefore type;
    type.extension = Unescape(Word(rest));
    const std::string_view state = Word(rest);
    if (state == "absent" && rest.empty()) {
      type.state = ExtensionBefore::State::Absent;
    } else if (state == "none" && rest.empty()) {
      type.state = ExtensionBefore::State::NoHandler;
    } else if (state == "handler") {
      type.state = ExtensionBefore::State::Handler;
      type.handler = Unescape(rest);
    } else {
      Damaged("a file type entry it does not know");
    }
    record.extensions.push_back(std::move(type));
  } else if (keyword == "start-page") {
    if (!record.startPage) record.startPage.emplace();
    record.startPage->address = Unescape(rest);
  } else if (keyword == "start-page-before") {
    if (!record.startPage) record.startPage.emplace();
    record.startPage->before = Unescape(rest);
  } else if (keyword == "link") {
    record.links.push_back(Unescape(rest));
  } else if (keyword == "group") {
    record.programGroup = Unescape(rest);
  } else {
    Damaged("a line it does not know");
  }
}

}  // namespace

std::string EncodeRecord(const UninstallRecord& record) {
  std::string out;
  const auto line = [&out](std::string_view keyword, const std::string& text) {
    out.append(keyword).append(" ").append(text).append(kLineEnd);
  };
  out.append(kSignature).append(kLineEnd);
  line("version", std::to_string(kRecordVersion));
  line("install-folder", PercentEscape(record.installFolder, false));
  for (const std::string& folder : record.createdFolders)
    line("folder", PercentEscape(folder, false));
  for (const InstalledFile& file : record.files) {
    line("file", std::to_string(file.size) + " " + Hex8(file.adler32) + " " +
                     PercentEscape(file.path, false));
  }
  for (const std::string& codec : record.codecs) line("codec", PercentEscape(codec, false));
  for (const ExtensionBefore& type : record.extensions) {
    const std::string extension = PercentEscape(type.extension, true);
    switch (type.state) {
      case ExtensionBefore::State::Absent:
        line("type", extension + " absent");
        break;
      case ExtensionBefore::State::NoHandler:
        line("type", extension + " none");
        break;
      case ExtensionBefore::State::Handler:
        line("type", extension + " handler " + PercentEscape(type.handler, false));
        break;
    }
  }
  if (record.startPage) {
    line("start-page", PercentEscape(record.startPage->address, false));
    if (record.startPage->before) {
      line("start-page-before", PercentEscape(*record.startPage->before, false));
    }
  }
  for (const std::string& link : record.links) line("link", PercentEscape(link, false));
  if (!record.programGroup.empty()) line("group", PercentEscape(record.programGroup, false));
  const std::uint32_t checksum = Crc32(out);
  out.append(kChecksumKeyword).append(Hex8(checksum)).append(kLineEnd);
  return out;
}

UninstallRecord DecodeRecord(std::string_view bytes) {
  if (!bytes.ends_with(kLineEnd)) Damaged("it does not end with a complete line");
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find(kLineEnd, start);
    lines.push_back(bytes.substr(start, end - start));
    start = end + kLineEnd.size();
  }
  if (lines.empty() || lines.front() != kSignature) Damaged("it is no uninstall record");
  if (lines.size() < 2 || !lines[1].starts_with("version ")) Damaged("it has no version line");
  if (lines[1] != "version " + std::to_string(kRecordVersion)) {
    throw RecordError(RecordError::Kind::UnknownVersion,
                      "the uninstall record is of a version this uninstaller does not know (" +
                          std::string(lines[1]) + ")");
  }
  const std::string_view last = lines.back();
  if (lines.size() < 3 || !last.starts_with(kChecksumKeyword)) Damaged("its checksum is missing");
  const std::size_t covered = bytes.size() - last.size() - kLineEnd.size();
  if (ParseHex8(last.substr(kChecksumKeyword.size())) != Crc32(bytes.substr(0, covered))) {
    Damaged("its checksum does not match");
  }
  UninstallRecord record;
  bool haveFolder = false;
  for (std::size_t i = 2; i + 1 < lines.size(); ++i) DecodeEntry(lines[i], record, haveFolder);
  if (!haveFolder) Damaged("it names no installation folder");
  return record;
}

std::string RecordPath(const std::string& installFolder) {
  return EnsureTrailingBackslash(installFolder) + kRecordFileName;
}

void WriteRecord(platform::FileSystem& files, const std::string& path,
                 const UninstallRecord& record) {
  const std::string bytes = EncodeRecord(record);
  const std::unique_ptr<platform::PendingFile> file = files.BeginReplace(path);
  file->Write(bytes.data(), bytes.size());
  file->Commit();
}

std::string ReadRecordBytes(platform::FileSystem& files, const std::string& path) {
  std::string bytes;
  try {
    if (!files.FileExists(path)) {
      throw RecordError(RecordError::Kind::Missing, "there is no uninstall record at " + path);
    }
    const std::unique_ptr<ByteSource> source = files.OpenForReading(path);
    // A record is a few hundred short lines; anything far larger is no record of ours.
    constexpr std::uint64_t kLargestRecord = 16u << 20;
    if (source->Size() > kLargestRecord) Damaged("it is far too large");
    bytes.resize(static_cast<std::size_t>(source->Size()));
    if (!bytes.empty()) source->ReadAt(0, bytes.data(), bytes.size());
  } catch (const IoError& error) {
    throw RecordError(RecordError::Kind::Missing,
                      "the uninstall record cannot be read: " + std::string(error.what()));
  }
  return bytes;
}

UninstallRecord ReadRecord(platform::FileSystem& files, const std::string& path) {
  return DecodeRecord(ReadRecordBytes(files, path));
}

std::optional<InstalledFile> MeasureFile(platform::FileSystem& files, const std::string& path) {
  try {
    const std::unique_ptr<ByteSource> source = files.OpenForReading(path);
    InstalledFile measured{path, source->Size(), 1};
    uLong adler = adler32(0, nullptr, 0);
    std::vector<unsigned char> buffer(64 * 1024);
    for (std::uint64_t offset = 0; offset < measured.size;) {
      const std::size_t piece =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), measured.size - offset));
      source->ReadAt(offset, buffer.data(), piece);
      adler = adler32_z(adler, buffer.data(), piece);
      offset += piece;
    }
    measured.adler32 = static_cast<std::uint32_t>(adler);
    return measured;
  } catch (const IoError&) {
    return std::nullopt;
  }
}

}  // namespace quenlo::uninstall
