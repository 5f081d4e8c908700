// The install journal: what an install is about to change, on the disk before the change is
// made, so that an install cut off at any moment (a power cut, "End task") is given back by the
// next start of the setup, however far it had come.
//
// Where it lives: the registry key HKEY_LOCAL_MACHINE\Software\QuenloSetupJournal,
// which only administrators may write (nobody can plant a journal for the elevated setup to act
// on) and which survives a restart. Each batch of entries is one REG_SZ value, "Batch1",
// "Batch2", ..., written whole and flushed to the disk (RegFlushKey) before any change it
// announces is made: a value is written entirely or not at all, so a journal is never torn.
// "Version" holds "1". The key is deleted when the install has finished or its undo is complete.
//
// A batch is GBK text, one entry per line, every line ended by CR LF, the fields of an entry
// separated by '|', which no Windows path holds:
//
//   guard|<folder>                   nothing below <folder> (the installation folder) is undone
//                                    through a folder that is a link; stands first
//   folder|<path>                    a folder about to be created (undo: removed when empty)
//   new|<path>|<temporary>           a file about to be written into <temporary>, which is then
//                                    renamed to <path>, where no file was (undo: both removed)
//   replace|<path>|<temporary>|<aside>
//                                    the same where a file was: it is first renamed to <aside>
//                                    (undo: <temporary> removed; where <aside> exists, <path>
//                                    removed and <aside> renamed back to <path>)
//   commit                           the install is complete: what was moved aside is deleted,
//                                    nothing is undone
//
// Entries may announce what never happened (a batch announces a whole extraction before its
// first file): each undo looks at what is there and leaves alone what is not. A later entry for
// the same <path> supersedes an earlier one (its temporary file is still removed). Undoing runs
// the entries last first; running it again after it was cut off itself finishes it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace quenlo {

inline constexpr const char* kJournalKey = "Software\\QuenloSetupJournal";

struct JournalEntry {
  enum class Kind { Guard, Folder, NewFile, ReplacedFile, Commit };
  Kind kind = Kind::Folder;
  std::string path;       // Guard: the guarded folder
  std::string temporary;  // NewFile, ReplacedFile
  std::string aside;      // ReplacedFile

  bool operator==(const JournalEntry&) const = default;
};

// A journal whose text cannot be read as entries (a value that is not GBK text, a line it does
// not know): nothing is undone from it.
class JournalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string EncodeEntries(const std::vector<JournalEntry>& entries);
// Throws JournalError.
std::vector<JournalEntry> DecodeEntries(std::string_view text);

// The journal of the running install, in the registry.
class InstallJournal {
 public:
  explicit InstallJournal(platform::Registry& registry) : registry_(registry) {}

  // Writes `batch` after the batches before it and flushes it to the disk. Throws IoError when it
  // cannot: then none of its changes may be made.
  void Append(const std::vector<JournalEntry>& batch);
  // Every entry written so far, in order.
  const std::vector<JournalEntry>& entries() const { return entries_; }
  // Deletes the journal: the install has finished, or its undo is complete.
  void Remove();

 private:
  platform::Registry& registry_;
  std::vector<JournalEntry> entries_;
  int batches_ = 0;
};

// The entries of the journal an earlier run left; empty when there is none. Throws JournalError.
std::vector<JournalEntry> ReadJournal(platform::Registry& registry);

// Gives back what `entries` announce, last first, as far as it is there (or, after a commit
// entry, deletes the files moved aside, at the next restart where they cannot go now). True when
// nothing was left that should have gone. Never throws.
bool UndoEntries(platform::FileSystem& files, const std::vector<JournalEntry>& entries);

// Deletes the files the entries moved aside: the install they belong to is complete. Those that
// cannot go now (a running program holds them) go at the next restart and are listed.
std::vector<std::string> DeleteMovedAside(platform::FileSystem& files,
                                          const std::vector<JournalEntry>& entries);

// What the start of the setup found of an earlier run.
enum class Recovery {
  None,        // no journal: the last install ended
  Undone,      // an install cut off half way was given back
  Finished,    // an install cut off after it was complete was finished
  Incomplete,  // given back as far as it could be (a file held by a running program stays)
  Unreadable,  // a journal that could not be read: nothing was done from it
};

// Run at the start of the setup, before anything else: finishes what a cut-off run left, then
// deletes the journal (a run cut off during this is finished by the next). Never throws.
Recovery RecoverUnfinishedInstall(platform::FileSystem& files, platform::Registry& registry);

}  // namespace quenlo
