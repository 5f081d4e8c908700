// Files and folders as the setup program uses them. Paths are GBK strings in Windows form.
//
// The Win32 backend converts them to UTF-16 with code page 936 and calls the wide file API; the
// test double maps drives onto sub-folders of a temporary directory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/byte_stream.h"

namespace quenlo::platform {

// GetDriveTypeW's answers.
enum class DriveType : unsigned {
  Unknown = 0,
  NoRootFolder = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

struct DiskSpace {
  std::uint64_t freeBytesForCaller = 0;
  std::uint64_t totalBytes = 0;
  std::uint64_t freeBytes = 0;
};

// A file being written that replaces its destination only when complete. Writes go to a
// temporary file in the destination's folder; Commit() puts it in the destination's place in one
// step; destroying an uncommitted file removes the temporary file and leaves the destination as
// it was. A file that replaces one that existed when it was begun reaches the disk before it takes
// that one's place.
class PendingFile : public ByteSink {
 public:
  virtual void Commit() = 0;  // throws IoError
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool FileExists(const std::string& path) = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  // True when `path` itself is a reparse point (a junction, a symbolic link, a mount point):
  // whatever goes through it lands in another place.
  virtual bool IsReparsePoint(const std::string& path) = 0;
  // The folder holds an entry besides "." and ".." (a file or a folder, hidden ones too); false
  // when it is empty, missing or cannot be listed.
  virtual bool FolderHasEntries(const std::string& path) = 0;
  // Creates one folder whose parent exists; false when it could not.
  virtual bool CreateFolder(const std::string& path) = 0;
  // Gives a file or folder the access list of Program Files in place of what it inherits:
  // Administrators and SYSTEM full control, Users read and run, nobody else anything (and what is
  // created inside inherits that). False when the system refused.
  virtual bool RestrictToAdministrators(const std::string& path) = 0;
  // Deletes a file (a read-only one too); false when it could not, for instance while a running
  // program holds it.
  virtual bool RemoveFile(const std::string& path) = 0;
  // Deletes the file at exactly `path` and nothing else: it is opened without following a reparse
  // point, the system's own name for the open file must be `path` (so no link on the way led
  // elsewhere, even one made a moment ago), and it is deleted through that same handle. A
  // read-only file goes too. False when it is not there, cannot be deleted now, or is not what
  // `path` names (a path through a substituted drive letter counts as such).
  virtual bool RemoveFileExactly(const std::string& path) = 0;
  // Renames a file within its volume; an existing `to` is never replaced. A running program's
  // file can be renamed: the program keeps it under the new name. Throws IoError.
  virtual void RenameFile(const std::string& from, const std::string& to) = 0;
  // Removes a folder that is empty; false when it could not (not empty, in use, missing).
  virtual bool RemoveFolder(const std::string& path) = 0;
  // Has a file that cannot be deleted now deleted when the system next starts (a folder too, which
  // goes then if it is empty by that time; requests are carried out in the order made); false
  // when the system would not take the request.
  virtual bool RemoveFileAtRestart(const std::string& path) = 0;

  // Opens a file for reading (others may read it meanwhile, not write). Throws IoError.
  virtual std::unique_ptr<ByteSource> OpenForReading(const std::string& path) = 0;
  // Starts writing a complete replacement of `path`. Throws IoError.
  virtual std::unique_ptr<PendingFile> BeginReplace(const std::string& path) = 0;
  // Creates `path`, which must not exist, and writes into it directly: for a caller that names
  // every file it makes (the install journal announces each temporary file before it exists).
  // With `durable`, Commit() returns once the content is on the disk; it then closes the file.
  // Destroying an uncommitted file removes it. Throws IoError (also when `path` exists).
  virtual std::unique_ptr<PendingFile> CreateNewFile(const std::string& path, bool durable) = 0;

  // The running executable's full path.
  virtual std::string ModulePath() = 0;
  // The Windows system folder, without a trailing backslash (at most 255 characters).
  virtual std::string SystemFolder() = 0;
  virtual DriveType QueryDriveType(const std::string& root) = 0;
  // Free and total space of the volume holding `path`; nothing when the query fails.
  virtual std::optional<DiskSpace> GetDiskSpace(const std::string& path) = 0;
};

}  // namespace quenlo::platform
