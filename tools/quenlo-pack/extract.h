// quenlo-pack extract: writes the App\ and Exe\ records of a setup file as files under a folder
// (DIR/App/..., DIR/Exe/...).
//
// Nothing is written before the whole chain has been walked and every name checked, so a broken
// chain or a name that would reach outside DIR leaves DIR untouched. Folders on the way are
// created as needed; one that is a symbolic link or a file stops the extraction, so nothing is
// ever written outside DIR. Each file is inflated into a temporary file beside it and renamed
// into place when complete: a record whose stream turns out broken leaves no partial file. The
// records are inflated on every core, and their files take their places in record order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>

#include "base/byte_stream.h"

namespace quenlo::packer {

struct ExtractSummary {
  std::size_t files = 0;
  std::uint64_t bytes = 0;  // inflated bytes written
};

// Throws archive::ArchiveError for a broken archive, IoError or
// std::filesystem::filesystem_error when DIR cannot be written.
ExtractSummary Extract(ByteSource& source, const std::filesystem::path& to, std::ostream* progress);

}  // namespace quenlo::packer
