// The uninstall record: what an install changed, kept in the installation folder so that the
// uninstaller can give the system back exactly.
//
// The file "UnInstall.rec" in the installation folder, written whole at the install's end (a
// temporary file, then put in place) and read whole by the uninstaller. GBK text, one entry per
// line, every line ended by CR LF:
//
//   Quenlo播放 uninstall record             the signature, always the first line
//   version 1                                the format's version, always the second line
//   install-folder <path>                    the installation folder
//   folder <path>                            a folder the install created (outermost first)
//   file <size> <adler32> <path>             a file installed: inflated size in bytes (decimal)
//                                            and Adler-32 of its content (8 hex digits)
//   codec <path>                             a codec library whose registration succeeded
//   type <ext> absent                        an extension taken over whose key did not exist
//   type <ext> none                          ... whose key existed without a handler
//   type <ext> handler <text>                ... whose key named the handler <text>
//   start-page <address>                     the browser start page the setup set
//   start-page-before <text>                 the start page before; no such line: there was none
//   link <path>                              a shortcut made
//   group <path>                             the program group the shortcuts were made in
//   checksum <crc32>                         always the last line: CRC-32 (8 hex digits) of every
//                                            byte before this line
//
// Between the version and the checksum the entries may stand in any order and any number;
// "install-folder" stands once. A <path> or <text> is the rest of the line; in it, and in <ext>,
// the bytes '%', 0x00-0x20 (in <ext> only; a path keeps its blanks) and 0x7F are written as '%'
// and two hex digits, so no line break can hide inside. Hex digits are written upper-case.
//
// A record whose signature, version line or checksum line is missing, whose checksum does not
// match, that has a line it does not know, or that ends without the final CR LF is damaged; a
// record of another version is refused as such. Neither is ever half used.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace quenlo::uninstall {

inline constexpr const char* kRecordFileName = "UnInstall.rec";
inline constexpr int kRecordVersion = 1;

struct InstalledFile {
  std::string path;
  std::uint64_t size = 0;
  std::uint32_t adler32 = 1;  // Adler-32 of the content (1 for an empty file)

  bool operator==(const InstalledFile&) const = default;
};

// What an extension's key held when the install took it over.
struct ExtensionBefore {
  enum class State { Absent, NoHandler, Handler };
  std::string extension;  // with its dot: ".avi"
  State state = State::Absent;
  std::string handler;  // for Handler

  bool operator==(const ExtensionBefore&) const = default;
};

struct StartPageChange {
  std::string address;                // what the setup set
  std::optional<std::string> before;  // the value before; nothing when there was none

  bool operator==(const StartPageChange&) const = default;
};

struct UninstallRecord {
  std::string installFolder;
  std::vector<std::string> createdFolders;  // outermost first
  std::vector<InstalledFile> files;
  std::vector<std::string> codecs;
  std::vector<ExtensionBefore> extensions;
  std::optional<StartPageChange> startPage;
  std::vector<std::string> links;
  std::string programGroup;  // empty: none

  bool operator==(const UninstallRecord&) const = default;
};

class RecordError : public std::runtime_error {
 public:
  enum class Kind { Missing, Damaged, UnknownVersion };
  RecordError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// The record's bytes, as described above.
std::string EncodeRecord(const UninstallRecord& record);
// Reads a record's bytes. Throws RecordError (Damaged or UnknownVersion).
UninstallRecord DecodeRecord(std::string_view bytes);

// Where the record of the installation in `installFolder` lives.
std::string RecordPath(const std::string& installFolder);

// Writes the record in place of any earlier one, complete or not at all. Throws IoError.
void WriteRecord(platform::FileSystem& files, const std::string& path,
                 const UninstallRecord& record);
// The bytes of the record file at `path`. Throws RecordError (Missing when there is no file, or it
// cannot be read; Damaged when it is far too large for a record).
std::string ReadRecordBytes(platform::FileSystem& files, const std::string& path);
// Reads the record at `path`. Throws RecordError (Missing when there is no file, or it cannot be
// read; Damaged; UnknownVersion).
UninstallRecord ReadRecord(platform::FileSystem& files, const std::string& path);

// Adler-32 and size of a file's content as it is now; nothing when it cannot be read.
std::optional<InstalledFile> MeasureFile(platform::FileSystem& files, const std::string& path);

}  // namespace quenlo::uninstall
