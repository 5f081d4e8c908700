// ChangeJournal: the extraction's changes to the disk, announced before they are made so that an
// extraction that cannot finish is undone, also by the next start of the setup when the process
// was cut off (install_journal.h), and so that a file held by a running program is replaced all
// the same.
//
// The journal is a file system in front of the real one. Folders created through it and files put
// in place through it are announced first, in the install journal on the disk where there is one:
// a whole extraction in one batch (Plan), and whatever differs from that plan on its own. A file
// is written into a temporary file of a name announced beforehand and then renamed into place
// (a new file in a folder nobody but administrators may change, OwnFolder, is written in its
// place: nothing was there to protect, and the undo removes it all the same); a file that takes
// the place of an existing one first moves that one aside, under a free temporary name in the
// same folder: a rename, which works for a running program's file too (the program
// keeps its image under the new name). So:
// - installing over a running player finishes, and the player runs on from its old image;
// - undoing puts each original back by renaming it again: nothing is copied, and undoing never
//   needs disk space.
// When the extraction has ended well, Keep() deletes the originals moved aside, or has them
// deleted at the next restart where a running program still holds them (with an install journal
// on the disk, the install does that once it is complete). When it has not, RollBack() removes
// every file it wrote, puts back every file it replaced, and removes the folders it created where
// they are empty again: the same undo as the next start's (UndoEntries).
//
// Outside Program Files, what it creates gets an access list that lets only administrators change
// it: the codec libraries in it are loaded with administrator rights, at the install and again at
// the uninstall.
//
// Inside the folder it guards (the installation folder), the journal creates, writes, moves and
// deletes nothing through a folder that is a reparse point (a junction, a symbolic link, a mount
// point): whoever may write the installation folder could otherwise point such a folder at the
// system folder and have the setup, with its administrator rights, replace what lies there. Each
// change looks at the folders on its way afresh; one that is a link fails the change as an
// IoError of kind LinkedFolder (and the undo leaves alone what lies behind one).
//
// Folders are created on the worker thread and files put in place on the writer thread, so the
// notes are kept under a lock; Keep() and RollBack() run once both have stopped.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_journal.h"
#include "platform/forwarding_file_system.h"

namespace quenlo {

// True for a name the journal gives a file on its way into or out of its place: the destination
// followed by ".~N.new" or ".~N.old".
bool IsTemporaryName(std::string_view path);

class ChangeJournal final : public platform::ForwardingFileSystem {
 public:
  // `guardedFolder`: the folder inside which nothing goes through a link ("": none). With
  // `restrictWhatItCreates`, each folder it creates, and each file it puts into a folder it did
  // not create, gets the administrators' access list (FileSystem::RestrictToAdministrators; what
  // is made inside a folder of its own inherits the list). `disk`: the install journal that each
  // change is announced in before it is made; none: the announcements stay in memory.
  explicit ChangeJournal(platform::FileSystem& files, std::string guardedFolder = {},
                         bool restrictWhatItCreates = false, InstallJournal* disk = nullptr);

  // Announces in one batch the folders and the files that writing each of `destinations` will
  // make, as the disk stands now. Throws IoError when the batch cannot be written.
  void Plan(const std::vector<std::string>& destinations);

  // Announced, then made: a folder created, a file put in place (its Commit moves an existing
  // destination aside first; a destination that cannot be moved aside leaves as an IoError of
  // kind InUse). The other calls go to the real file system unchanged.
  bool CreateFolder(const std::string& path) override;
  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string& path) override;

  // The extraction has ended well: without an install journal on the disk, the originals moved
  // aside go (at the next restart where they cannot go now). Never throws.
  void Keep() noexcept;
  // The extraction has failed: every announced change is undone, the last first. What cannot be
  // undone is left as it is; the answer is true when everything was. Never throws.
  bool RollBack() noexcept;

  // The folders created through the journal, in the order they were (outermost first).
  std::vector<std::string> CreatedFolders();

  // The originals moved aside that only the next restart deletes (after Keep()).
  const std::vector<std::string>& leftForRestart() const { return leftForRestart_; }

 private:
  class JournaledFile;

  // The first folder below the guarded folder on the way to `path` that is a reparse point; ""
  // when there is none (install/folders.h).
  std::string LinkedFolderOnTheWay(const std::string& path);
  // Throws IoError (LinkedFolder) when LinkedFolderOnTheWay(path) names one.
  void RefuseLinkedFolders(const std::string& path);
  // `destination` with a suffix no announcement names (".~7.new"); with `looked`, no file has it
  // now either.
  std::string FreeName(const std::string& destination, const char* suffix, bool looked);
  // The entry for writing `destination` into `temporary` ("": the file is being begun): the
  // planned one while it fits what is on the disk, else a new one announced first. Throws
  // IoError.
  JournalEntry FileEntry(const std::string& destination, const std::string& temporary);
  // A new entry for `destination` with a temporary name no file has, announced first.
  JournalEntry AnotherTemporary(const std::string& destination);
  // Writes `batch` to the disk journal (when there is one) and notes it. Throws IoError.
  void Announce(const std::vector<JournalEntry>& batch);

  // True when the journal created `folder`.
  bool Created(const std::string& folder);
  // True when nobody but administrators may change what lies in `folder`: the installation is
  // inside Program Files, or the install made the folder (this journal, or before it: the
  // install journal's own folders).
  bool OwnFolder(const std::string& folder);
  // OwnFolder without the folders this journal made: what the plan can know before the pass.
  bool OwnBeforeThePass(const std::string& folder) const;

  std::string guardedFolder_;
  bool restrict_;
  InstallJournal* disk_;
  std::mutex mutex_;
  std::vector<JournalEntry> entries_;            // every announcement, in order
  std::map<std::string, JournalEntry> planned_;  // by destination, upper-cased
  std::set<std::string> announcedFolders_;       // FolderKey
  std::vector<std::string> createdFolders_;
  std::size_t nameCounter_ = 0;
  std::vector<std::string> leftForRestart_;
};

}  // namespace quenlo
