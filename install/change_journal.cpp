#include "install/change_journal.h"

#include <algorithm>
#include <set>
#include <utility>

#include "base/path.h"
#include "install/folders.h"

namespace quenlo {

using Kind = JournalEntry::Kind;

bool IsTemporaryName(std::string_view path) {
  if (!path.ends_with(".new") && !path.ends_with(".old")) return false;
  const std::size_t mark = path.rfind(".~");
  if (mark == std::string_view::npos || mark + 2 >= path.size() - 4) return false;
  const std::string_view number = path.substr(mark + 2, path.size() - 4 - (mark + 2));
  return number.find_first_not_of("0123456789") == std::string_view::npos;
}

ChangeJournal::ChangeJournal(platform::FileSystem& files, std::string guardedFolder,
                             bool restrictWhatItCreates, InstallJournal* disk)
    : ForwardingFileSystem(files),
      guardedFolder_(std::move(guardedFolder)),
      restrict_(restrictWhatItCreates),
      disk_(disk) {}

std::string ChangeJournal::LinkedFolderOnTheWay(const std::string& path) {
  return quenlo::LinkedFolderOnTheWay(inner_, guardedFolder_, path);
}

void ChangeJournal::RefuseLinkedFolders(const std::string& path) {
  const std::string linked = LinkedFolderOnTheWay(path);
  if (linked.empty()) return;
  throw IoError(
      "the folder " + linked + " is a link to another place; nothing is written through it", linked,
      IoProblem::LinkedFolder, 0);
}

void ChangeJournal::Announce(const std::vector<JournalEntry>& batch) {
  // Called with the lock held.
  std::vector<JournalEntry> written = batch;
  if (entries_.empty() && !guardedFolder_.empty()) {
    written.insert(written.begin(), JournalEntry::Guard(guardedFolder_));
  }
  if (disk_ != nullptr) disk_->Append(written);
  entries_.insert(entries_.end(), written.begin(), written.end());
}

std::string ChangeJournal::FreeName(const std::string& destination, const char* suffix,
                                    bool looked) {
  std::string name;
  do {
    name = destination + ".~" + std::to_string(++nameCounter_) + suffix;
  } while (looked && inner_.FileExists(name));
  return name;
}

void ChangeJournal::Plan(const std::vector<std::string>& destinations) {
  std::lock_guard lock(mutex_);
  std::vector<JournalEntry> batch;
  for (const std::string& destination : destinations) {
    // The folders ForceFolders will create on the way, outermost first.
    for (const std::string& folder : FoldersOnTheWay(FolderPart(destination))) {
      const std::string key = FolderKey(folder);
      if (announcedFolders_.contains(key) || inner_.FolderExists(folder)) continue;
      announcedFolders_.insert(key);
      batch.push_back(JournalEntry::Folder(folder));
    }
    JournalEntry file;
    if (inner_.FileExists(destination)) {
      // A temporary name is not looked at: one that is taken after all is found when the file
      // is created, and replaced then (BeginReplace).
      file = JournalEntry::ReplacedFile(destination, FreeName(destination, ".new", false),
                                        FreeName(destination, ".old", /*looked=*/true));
    } else if (announcedFolders_.contains(FolderKey(FolderPart(destination))) ||
               OwnBeforeThePass(FolderPart(destination))) {
      // A new file in a folder nobody but administrators may change is written in its place:
      // nothing was there to protect, the undo removes it all the same, and it saves a rename
      // and two looks at the disk a file. (Elsewhere a link made on the way while it is
      // written could leave it, under its real name, wherever the link points.)
      file = JournalEntry::NewFile(destination, destination);
    } else {
      file = JournalEntry::NewFile(destination, FreeName(destination, ".new", /*looked=*/false));
    }
    planned_[UpperCaseAscii(destination)] = file;
    batch.push_back(std::move(file));
  }
  Announce(batch);
}

JournalEntry ChangeJournal::FileEntry(const std::string& destination,
                                      const std::string& temporary) {
  std::lock_guard lock(mutex_);
  JournalEntry& entry = planned_[UpperCaseAscii(destination)];
  const bool planned = !entry.path.empty();
  // Begun: the plan stands as it is (the commit looks again). Committed, or not planned: the
  // entry must say what is there now.
  if (planned && temporary.empty()) return entry;
  const bool exists = inner_.FileExists(destination);
  if (planned && entry.temporary == temporary && (entry.kind == Kind::ReplacedFile) == exists) {
    return entry;
  }
  const std::string written =
      temporary.empty() ? FreeName(destination, ".new", /*looked=*/true) : temporary;
  entry = exists ? JournalEntry::ReplacedFile(destination, written,
                                              FreeName(destination, ".old", /*looked=*/true))
                 : JournalEntry::NewFile(destination, written);
  Announce({entry});
  return entry;
}

JournalEntry ChangeJournal::AnotherTemporary(const std::string& destination) {
  {
    std::lock_guard lock(mutex_);
    planned_.erase(UpperCaseAscii(destination));
  }
  return FileEntry(destination, {});
}

// A file being written through the journal: into a temporary file announced beforehand, then put
// in place, moving what it replaces aside first.
class ChangeJournal::JournaledFile final : public platform::PendingFile {
 public:
  JournaledFile(ChangeJournal& journal, std::string destination, std::string temporary,
                bool replacing)
      : journal_(journal),
        destination_(std::move(destination)),
        temporary_(std::move(temporary)),
        // A file that replaces one reaches the disk before it takes that one's place, so that a
        // power cut leaves the old file or the whole new one.
        file_(journal_.inner_.CreateNewFile(temporary_, /*durable=*/replacing)) {}

  void Write(const void* data, std::size_t size) override { file_->Write(data, size); }

  void Commit() override {
    file_->Commit();
    file_.reset();
    if (temporary_ == destination_) return;  // written in its place
    // The disk may have changed since the file was begun: the entry says what is there now.
    const JournalEntry entry = journal_.FileEntry(destination_, temporary_);
    try {
      journal_.RefuseLinkedFolders(destination_);
      if (entry.kind == Kind::ReplacedFile) MoveAside(entry.aside);
      try {
        journal_.inner_.RenameFile(temporary_, destination_);
      } catch (...) {
        if (entry.kind == Kind::ReplacedFile) {
          try {
            journal_.inner_.RenameFile(entry.aside, destination_);
          } catch (...) {  // the rollback tries again
          }
        }
        throw;
      }
    } catch (...) {
      journal_.inner_.RemoveFile(temporary_);
      throw;
    }
    if (journal_.restrict_ && !journal_.Created(FolderPart(destination_))) {
      journal_.inner_.RestrictToAdministrators(destination_);  // a refusal (FAT) changes nothing
    }
  }

 private:
  void MoveAside(const std::string& aside) {
    try {
      journal_.inner_.RenameFile(destination_, aside);
    } catch (const IoError& error) {
      // A file that cannot even be renamed is held by a program that does not share it.
      throw IoError("cannot replace " + destination_ + ", which is in use: " + error.what(),
                    destination_,
                    error.problem() == IoProblem::Other ? IoProblem::Other : IoProblem::InUse,
                    error.systemError());
    }
  }

  ChangeJournal& journal_;
  std::string destination_;
  std::string temporary_;
  std::unique_ptr<platform::PendingFile> file_;
};

bool ChangeJournal::CreateFolder(const std::string& path) {
  RefuseLinkedFolders(path);
  {
    std::lock_guard lock(mutex_);
    if (!announcedFolders_.contains(FolderKey(path))) {
      Announce({JournalEntry::Folder(path)});
      announcedFolders_.insert(FolderKey(path));
    }
  }
  if (!inner_.CreateFolder(path)) return false;
  {
    std::lock_guard lock(mutex_);
    createdFolders_.push_back(path);
  }
  if (restrict_) inner_.RestrictToAdministrators(path);
  return true;
}

std::unique_ptr<platform::PendingFile> ChangeJournal::BeginReplace(const std::string& path) {
  RefuseLinkedFolders(path);
  JournalEntry entry = FileEntry(path, {});
  // Planned in its place, in a folder that turned out not to be the install's own (another made
  // it first, between the plan and the pass): through a temporary name after all.
  if (entry.temporary == path && !OwnFolder(FolderPart(path))) entry = AnotherTemporary(path);
  try {
    return std::make_unique<JournaledFile>(*this, path, entry.temporary,
                                           entry.kind == Kind::ReplacedFile);
  } catch (const IoError&) {
    if (!inner_.FileExists(entry.temporary)) throw;
    entry = AnotherTemporary(path);  // the planned name was taken: a free one, announced first
    return std::make_unique<JournaledFile>(*this, path, entry.temporary,
                                           entry.kind == Kind::ReplacedFile);
  }
}

bool ChangeJournal::OwnBeforeThePass(const std::string& folder) const {
  return !restrict_ || (disk_ != nullptr && disk_->IsOwnFolder(folder));
}

bool ChangeJournal::OwnFolder(const std::string& folder) {
  return OwnBeforeThePass(folder) || Created(folder);
}

bool ChangeJournal::Created(const std::string& folder) {
  std::lock_guard lock(mutex_);
  return std::any_of(createdFolders_.begin(), createdFolders_.end(),
                     [&](const std::string& created) { return IsSameFolder(created, folder); });
}

std::vector<std::string> ChangeJournal::CreatedFolders() {
  std::lock_guard lock(mutex_);
  return createdFolders_;
}

void ChangeJournal::Keep() noexcept {
  std::lock_guard lock(mutex_);
  if (disk_ == nullptr) {
    try {
      leftForRestart_ = DeleteMovedAside(inner_, entries_);
    } catch (...) {  // what stays aside is litter, not a fault of the install
    }
  }
}

bool ChangeJournal::RollBack() noexcept {
  std::lock_guard lock(mutex_);
  return UndoEntries({inner_}, entries_);
}

}  // namespace quenlo
