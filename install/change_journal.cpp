#include "install/change_journal.h"

#include <algorithm>
#include <utility>

#include "base/path.h"

#include "install/folders.h"

namespace quenlo {

ChangeJournal::ChangeJournal(platform::FileSystem& files, std::string guardedFolder,
                             bool restrictWhatItCreates)
    : ForwardingFileSystem(files),
      guardedFolder_(std::move(guardedFolder)),
      restrict_(restrictWhatItCreates) {}

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

// A file being written through the journal: put in place, it moves what it replaces aside first
// and notes the change.
class ChangeJournal::JournaledFile final : public platform::PendingFile {
 public:
  JournaledFile(ChangeJournal& journal, std::unique_ptr<platform::PendingFile> file,
                std::string destination)
      : journal_(journal), file_(std::move(file)), destination_(std::move(destination)) {}

  void Write(const void* data, std::size_t size) override { file_->Write(data, size); }

  void Commit() override {
    journal_.RefuseLinkedFolders(destination_);
    const std::string original = journal_.MoveAside(destination_);
    try {
      file_->Commit();
    } catch (...) {
      if (!original.empty()) {
        try {
          journal_.inner_.RenameFile(original, destination_);
        } catch (...) {  // noted below, so that the rollback tries again
        }
        if (journal_.inner_.FileExists(original)) {
          journal_.Note({Change::Kind::File, destination_, original, /*placed=*/false});
        }
      }
      throw;
    }
    journal_.Note({Change::Kind::File, destination_, original, /*placed=*/true});
    if (journal_.restrict_ && !journal_.Created(FolderPart(destination_))) {
      journal_.inner_.RestrictToAdministrators(destination_);  // a refusal (FAT) changes nothing
    }
  }

 private:
  ChangeJournal& journal_;
  std::unique_ptr<platform::PendingFile> file_;
  std::string destination_;
};

bool ChangeJournal::CreateFolder(const std::string& path) {
  RefuseLinkedFolders(path);
  if (!inner_.CreateFolder(path)) return false;
  Note({Change::Kind::Folder, path, {}, true});
  if (restrict_) inner_.RestrictToAdministrators(path);
  return true;
}

std::unique_ptr<platform::PendingFile> ChangeJournal::BeginReplace(const std::string& path) {
  RefuseLinkedFolders(path);
  return std::make_unique<JournaledFile>(*this, inner_.BeginReplace(path), path);
}

std::string ChangeJournal::MoveAside(const std::string& destination) {
  if (!inner_.FileExists(destination)) return {};
  std::string aside;
  {
    std::lock_guard lock(mutex_);
    do {
      aside = destination + ".~" + std::to_string(++asideCounter_) + ".old";
    } while (inner_.FileExists(aside));
  }
  try {
    inner_.RenameFile(destination, aside);
  } catch (const IoError& error) {
    // A file that cannot even be renamed is held by a program that does not share it.
    throw IoError("cannot replace " + destination + ", which is in use: " + error.what(),
                  destination,
                  error.problem() == IoProblem::Other ? IoProblem::Other : IoProblem::InUse,
                  error.systemError());
  }
  return aside;
}

bool ChangeJournal::Created(const std::string& folder) {
  std::lock_guard lock(mutex_);
  return std::any_of(changes_.begin(), changes_.end(), [&](const Change& change) {
    return change.kind == Change::Kind::Folder && IsSameFolder(change.path, folder);
  });
}

void ChangeJournal::Note(Change change) {
  std::lock_guard lock(mutex_);
  changes_.push_back(std::move(change));
}

std::vector<std::string> ChangeJournal::CreatedFolders() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> folders;
  for (const Change& change : changes_) {
    if (change.kind == Change::Kind::Folder) folders.push_back(change.path);
  }
  return folders;
}

void ChangeJournal::Keep() noexcept {
  std::lock_guard lock(mutex_);
  for (const Change& change : changes_) {
    if (change.original.empty() || !LinkedFolderOnTheWay(change.original).empty()) continue;
    if (inner_.RemoveFile(change.original)) continue;
    if (inner_.RemoveFileAtRestart(change.original)) leftForRestart_.push_back(change.original);
  }
  changes_.clear();
}

bool ChangeJournal::RollBack() noexcept {
  std::lock_guard lock(mutex_);
  bool complete = true;
  for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
    if (!LinkedFolderOnTheWay(change->path).empty()) {  // what lies behind a link is not ours
      complete = false;
      continue;
    }
    if (change->kind == Change::Kind::Folder) {
      // A folder that holds files of somebody else's by now stays.
      inner_.RemoveFolder(change->path);
      continue;
    }
    if (change->placed && !inner_.RemoveFile(change->path)) complete = false;
    if (change->original.empty()) continue;
    try {
      inner_.RenameFile(change->original, change->path);
    } catch (...) {  // left under its temporary name: it cannot be put back
      complete = false;
    }
  }
  changes_.clear();
  return complete;
}

}  // namespace quenlo
