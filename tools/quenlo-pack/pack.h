// quenlo-pack pack: builds a setup file from the stub image and a folder holding the top folders
// App (installed into the installation folder) and Exe (installed into the system folder).
//
// Records come in a fixed order: the image, then the App\ group, then the Exe\ group, each group
// sorted by the whole name compared byte by byte after upper-casing ASCII letters. With the same
// inputs the output is the same, byte for byte, whatever the number of threads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/quenlo-pack/sign.h"

namespace quenlo::packer {

// The input folder or image cannot be packed as it is (a stray entry, a link, a name the archive
// cannot hold). The message names the file and is in the console's encoding.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PackEntry {
  std::string name;            // the record name, GBK: "App\Codec\x.dll"
  std::filesystem::path path;  // the file it is read from
  std::uint64_t size = 0;      // its size when the folder was read
};

// The files under `from` in record order, every name checked. Throws InputError, and
// IoError or std::filesystem::filesystem_error when the folder cannot be read.
std::vector<PackEntry> CollectEntries(const std::filesystem::path& from);

struct PackOptions {
  std::filesystem::path image;   // the stub executable, stored unchanged
  std::filesystem::path from;    // the folder holding App and Exe
  std::filesystem::path output;  // replaced only when the whole setup file is written
  unsigned threads = 0;          // compression threads; 0: one per core
  std::uint64_t windowBytes = std::uint64_t{64} << 20;  // memory for records in flight
  std::ostream* progress = nullptr;                     // where to draw progress, if anywhere
  // When given, every program of the folder (each ".exe") is signed before it is packed, and
  // then the setup file itself (sign.h).
  std::optional<SigningKey> signing;
};

struct PackSummary {
  std::size_t files = 0;
  std::uint64_t contentBytes = 0;  // the files' total size
  std::uint64_t outputBytes = 0;   // the setup file's size
  std::size_t programsSigned = 0;  // the payload's programs signed before packing
};

// Throws InputError (a signed image among them: its signature would break once the records follow
// it), IoError, and SigningError when signing was asked for.
PackSummary Pack(const PackOptions& options);

}  // namespace quenlo::packer
