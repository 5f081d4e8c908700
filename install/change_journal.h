// ChangeJournal: the extraction's changes to the disk, noted so that an extraction that cannot
// finish is undone, and so that a file held by a running program is replaced all the same.
//
// The journal is a file system in front of the real one. Folders created through it and files put
// in place through it are noted. A file that takes the place of an existing one first moves that
// one aside, under a free temporary name in the same folder: a rename, which works for a running
// program's file too (the program keeps its image under the new name). So:
// - installing over a running player finishes, and the player runs on from its old image;
// - undoing puts each original back by renaming it again: nothing is copied, and undoing never
//   needs disk space.
// When the extraction has ended well, Keep() deletes the originals moved aside, or has them
// deleted at the next restart where a running program still holds them. When it has not,
// RollBack() removes every file it wrote, puts back every file it replaced, and removes the
// folders it created where they are empty again.
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
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/forwarding_file_system.h"

namespace quenlo {

class ChangeJournal final : public platform::ForwardingFileSystem {
 public:
  // `guardedFolder`: the folder inside which nothing goes through a link ("": none). With
  // `restrictWhatItCreates`, each folder it creates, and each file it puts into a folder it did
  // not create, gets the administrators' access list (FileSystem::RestrictToAdministrators; what
  // is made inside a folder of its own inherits the list).
  explicit ChangeJournal(platform::FileSystem& files, std::string guardedFolder = {},
                         bool restrictWhatItCreates = false);

  // Noted: a folder created, a file put in place (its Commit moves an existing destination aside
  // first; a destination that cannot be moved aside leaves as an IoError of kind InUse). The
  // other calls go to the real file system unchanged.
  bool CreateFolder(const std::string& path) override;
  std::unique_ptr<platform::PendingFile> BeginReplace(const std::string& path) override;

  // The extraction has ended well: the originals moved aside go (at the next restart where they
  // cannot go now), and the notes are dropped. Never throws.
  void Keep() noexcept;
  // The extraction has failed: every noted change is undone, the last first. What cannot be
  // undone is left as it is; the answer is true when everything was. Never throws.
  bool RollBack() noexcept;

  // The folders created through the journal, in the order they were (outermost first); empty
  // after Keep() or RollBack().
  std::vector<std::string> CreatedFolders();

  // The originals moved aside that only the next restart deletes (after Keep()).
  const std::vector<std::string>& leftForRestart() const { return leftForRestart_; }

 private:
  class JournaledFile;
  struct Change {
    enum class Kind { Folder, File };
    Kind kind;
    std::string path;      // the folder created, or the file's destination
    std::string original;  // File: where the file it replaced was moved aside; empty if new
    bool placed;           // File: the new file is at `path`
  };

  // The first folder below the guarded folder on the way to `path` that is a reparse point; ""
  // when there is none (install/folders.h).
  std::string LinkedFolderOnTheWay(const std::string& path);
  // Throws IoError (LinkedFolder) when LinkedFolderOnTheWay(path) names one.
  void RefuseLinkedFolders(const std::string& path);
  // Moves an existing `destination` aside and returns where to; empty when there is none.
  std::string MoveAside(const std::string& destination);
  void Note(Change change);

  // True when the journal created `folder`.
  bool Created(const std::string& folder);

  std::string guardedFolder_;
  bool restrict_;
  std::mutex mutex_;
  std::vector<Change> changes_;
  std::size_t asideCounter_ = 0;
  std::vector<std::string> leftForRestart_;
};

}  // namespace quenlo
