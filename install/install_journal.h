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
//                                    removed and <aside> renamed back to <path>). A file written
//                                    in its place (a link) names <path> as its <temporary>
//   codec|<path>                     a codec library about to be registered (undo: its
//                                    DllUnregisterServer, contained and time-limited as the
//                                    registration, where the file is there)
//   key|<root>|<path>                a registry key about to be created where none was, <root>
//                                    HKCR, HKCU or HKLM (undo: deleted with all below it)
//   value|<root>|<path>|<name>|absent
//   value|<root>|<path>|<name>|text|<text>
//                                    a value of an existing key about to be written, which was
//                                    not there or held the string <text> (undo: deleted, or
//                                    <text> written back); <name> "" is the default value, <text>
//                                    is the rest of the line, with '%' and control bytes as '%'
//                                    and two hex digits
//   commit                           the install is complete: what was moved aside is deleted,
//                                    nothing is undone
//
// Entries may announce what never happened (a batch announces a whole extraction before its
// first file): each undo looks at what is there and leaves alone what is not. A later entry for
// the same <path> supersedes an earlier one (its temporary file is still removed). Undoing runs
// the entries last first; running it again after it was cut off itself finishes it.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/libraries.h"
#include "platform/registry.h"

namespace quenlo {

inline constexpr const char* kJournalKey = "Software\\QuenloSetupJournal";

struct JournalEntry {
  enum class Kind { Guard, Folder, NewFile, ReplacedFile, Codec, NewKey, Value, Commit };
  Kind kind = Kind::Folder;
  std::string path;       // Guard: the guarded folder; NewKey, Value: the key's path
  std::string temporary;  // NewFile, ReplacedFile
  std::string aside;      // ReplacedFile
  platform::RegistryRoot root = platform::RegistryRoot::LocalMachine;  // NewKey, Value
  std::string name;                                                    // Value ("": the default)
  std::optional<std::string> before;  // Value: the string it held; nothing: there was none

  static JournalEntry Guard(std::string folder) { return Of(Kind::Guard, std::move(folder)); }
  static JournalEntry Folder(std::string path) { return Of(Kind::Folder, std::move(path)); }
  static JournalEntry Codec(std::string path) { return Of(Kind::Codec, std::move(path)); }
  static JournalEntry Commit() { return Of(Kind::Commit, {}); }
  static JournalEntry NewFile(std::string path, std::string temporary) {
    JournalEntry entry = Of(Kind::NewFile, std::move(path));
    entry.temporary = std::move(temporary);
    return entry;
  }
  static JournalEntry ReplacedFile(std::string path, std::string temporary, std::string aside) {
    JournalEntry entry = NewFile(std::move(path), std::move(temporary));
    entry.kind = Kind::ReplacedFile;
    entry.aside = std::move(aside);
    return entry;
  }
  static JournalEntry NewKey(platform::RegistryRoot root, std::string path) {
    JournalEntry entry = Of(Kind::NewKey, std::move(path));
    entry.root = root;
    return entry;
  }
  static JournalEntry Value(platform::RegistryRoot root, std::string path, std::string name,
                            std::optional<std::string> before) {
    JournalEntry entry = NewKey(root, std::move(path));
    entry.kind = Kind::Value;
    entry.name = std::move(name);
    entry.before = std::move(before);
    return entry;
  }

  bool operator==(const JournalEntry&) const = default;

 private:
  static JournalEntry Of(Kind kind, std::string path) {
    JournalEntry entry;
    entry.kind = kind;
    entry.path = std::move(path);
    return entry;
  }
};

// A registry value that a step is about to write (or, with no name, a key it is about to
// create).
struct RegistryWrite {
  platform::RegistryRoot root;
  std::string key;
  std::optional<std::string> value;
};

// The entries that announce `writes`, as the registry stands now: each key that is not there yet
// once (the outermost one missing on its way), each value of a key that is there with what it
// holds. A value that holds no string is not announced: nothing could write it back.
std::vector<JournalEntry> AnnounceRegistryWrites(platform::Registry& registry,
                                                 const std::vector<RegistryWrite>& writes);

// A journal whose text cannot be read as entries (a value that is not GBK text, a line it does
// not know): nothing is undone from it.
class JournalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string EncodeEntries(const std::vector<JournalEntry>& entries);
// Throws JournalError.
std::vector<JournalEntry> DecodeEntries(std::string_view text);

// The journal of the running install, in the registry. The worker and the main thread may both
// write to it.
class InstallJournal {
 public:
  explicit InstallJournal(platform::Registry& registry) : registry_(registry) {}

  // Writes `batch` after the batches before it and flushes it to the disk. Throws IoError when it
  // cannot: then none of its changes may be made.
  void Append(const std::vector<JournalEntry>& batch);
  // Changes made before the journal began (the folders the wizard's folder page made): written
  // with the first batch, so that an undo gives them back too. Nothing is written now.
  void AddToFirstBatch(std::vector<JournalEntry> entries);
  // Every entry written so far, in order.
  std::vector<JournalEntry> entries() const;
  // The folders this run of the install made itself (their creation succeeded; AddToFirstBatch's
  // are such too): inside Program Files, or given the administrators' access list, so that nobody
  // else may change what lies in them. Kept in memory only.
  void NoteOwnFolder(const std::string& folder);
  bool IsOwnFolder(const std::string& folder) const;
  // Deletes the journal: the install has finished, or its undo is complete.
  void Remove();
  // Runs `begin` the first time it is asked for, whichever thread asks; a second caller waits
  // until it has run: what an install does before its first change (PrepareRecovery).
  void BeginOnce(const std::function<void()>& begin) { std::call_once(begun_, begin); }

 private:
  platform::Registry& registry_;
  std::once_flag begun_;
  mutable std::mutex mutex_;
  std::vector<JournalEntry> entries_;
  std::vector<JournalEntry> beforeFirst_;  // AddToFirstBatch
  std::set<std::string> ownFolders_;       // FolderKey
  int batches_ = 0;
};

// The entries of the journal an earlier run left; empty when there is none. Throws JournalError.
std::vector<JournalEntry> ReadJournal(platform::Registry& registry);

// What an undo reaches the system through; without a registry or libraries, the entries that
// need them are left (and the undo counts as incomplete).
struct UndoPlatform {
  platform::FileSystem& files;
  platform::Registry* registry = nullptr;
  platform::Libraries* libraries = nullptr;
};

// Gives back what `entries` announce, last first, as far as it is there (or, after a commit
// entry, deletes the files moved aside, at the next restart where they cannot go now). True when
// nothing was left that should have gone. Never throws.
bool UndoEntries(const UndoPlatform& platform, const std::vector<JournalEntry>& entries);

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
Recovery RecoverUnfinishedInstall(platform::FileSystem& files, platform::Registry& registry,
                                  platform::Libraries& libraries);

}  // namespace quenlo
