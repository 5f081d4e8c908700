#include "install/early_codec_registration.h"

#include <set>

#include "base/path.h"
#include "install/codec_registration.h"

namespace quenlo {
namespace {

std::vector<JournalEntry> CodecEntries(const std::vector<std::string>& codecs) {
  std::vector<JournalEntry> batch;
  for (const std::string& codec : codecs) batch.push_back(JournalEntry::Codec(codec));
  return batch;
}

}  // namespace

EarlyCodecRegistration::EarlyCodecRegistration(platform::Libraries& libraries,
                                               InstallJournal& journal, std::string systemFolder)
    : libraries_(libraries),
      journal_(journal),
      systemKey_(FolderKey(systemFolder)),
      thread_([this] { Run(); }) {}

EarlyCodecRegistration::~EarlyCodecRegistration() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void EarlyCodecRegistration::Planned(const std::vector<std::string>& destinations) {
  {
    std::lock_guard lock(mutex_);
    for (const std::string& destination : destinations) {
      const std::string key = FolderKey(FolderPart(destination));
      Folder& folder = folders_[key];
      ++folder.waitingFor;
      if (IsCodecLibrary(destination)) folder.codecs.push_back(destination);
      if (key == systemKey_) ++systemWaitingFor_;
    }
    planned_ = true;
    QueueCompleteFolders();
  }
  wake_.notify_all();
}

void EarlyCodecRegistration::InPlace(const std::string& destination) {
  bool queued;
  {
    std::lock_guard lock(mutex_);
    const std::string key = FolderKey(FolderPart(destination));
    const auto folder = folders_.find(key);
    if (folder != folders_.end() && folder->second.waitingFor > 0) --folder->second.waitingFor;
    if (key == systemKey_ && systemWaitingFor_ > 0) --systemWaitingFor_;
    const std::size_t before = queue_.size();
    QueueCompleteFolders();
    queued = queue_.size() != before;
  }
  if (queued) wake_.notify_all();
}

void EarlyCodecRegistration::QueueCompleteFolders() {
  if (!planned_ || (systemWaitingFor_ > 0 && !finishing_)) return;
  for (auto& [key, folder] : folders_) {
    if (folder.queued || folder.codecs.empty() || (folder.waitingFor > 0 && !finishing_)) continue;
    folder.queued = true;
    queue_.push_back(folder.codecs);
  }
}

void EarlyCodecRegistration::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    const std::vector<std::string> codecs = std::move(queue_.front());
    queue_.erase(queue_.begin());
    working_ = true;
    lock.unlock();
    std::exception_ptr failure;
    try {
      RegisterFolder(codecs);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    working_ = false;
    if (failure) {
      failure_ = failure;
      stopping_ = true;  // the install is given back: nothing more is registered
    }
    wake_.notify_all();
  }
}

void EarlyCodecRegistration::RegisterFolder(const std::vector<std::string>& codecs) {
  journal_.Append(CodecEntries(codecs));
  for (const std::string& codec : codecs) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    const platform::EntryPointOutcome outcome = CallRegistration(libraries_, codec, 1);
    std::lock_guard lock(mutex_);
    if (Registered(outcome)) {
      registered_.push_back(codec);
    } else if (outcome.kind != platform::EntryPointOutcome::Kind::TimedOut) {
      retry_.push_back(codec);  // perhaps for want of a file not yet in place
    }
  }
}

void EarlyCodecRegistration::BeforeUndo() noexcept {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  for (auto codec = registered_.rbegin(); codec != registered_.rend(); ++codec) {
    try {
      RegisterLibrary(libraries_, *codec, 0);
    } catch (...) {  // the journal's undo tries again while the file is there
    }
  }
  registered_.clear();
}

std::vector<std::string> EarlyCodecRegistration::Finish(const ExtractedFiles& extracted) {
  std::set<std::string> announced;
  {
    std::unique_lock lock(mutex_);
    planned_ = true;
    finishing_ = true;
    QueueCompleteFolders();
    wake_.notify_all();
    wake_.wait(lock, [this] { return failure_ || (queue_.empty() && !working_); });
    stopping_ = true;
    for (const auto& [key, folder] : folders_) {
      for (const std::string& codec : folder.codecs) announced.insert(UpperCaseAscii(codec));
    }
  }
  wake_.notify_all();
  thread_.join();
  if (failure_) std::rethrow_exception(failure_);

  // What failed early is tried once more, now that every file is in place; a codec the plan did
  // not name (none is expected) is announced and registered now.
  std::vector<std::string> late;
  for (const std::string& path : extracted.paths()) {
    if (IsCodecLibrary(path) && !announced.contains(UpperCaseAscii(path))) late.push_back(path);
  }
  if (!late.empty()) journal_.Append(CodecEntries(late));
  std::vector<std::string> again = retry_;
  again.insert(again.end(), late.begin(), late.end());
  for (const std::string& codec : again) {
    if (RegisterLibrary(libraries_, codec, 1)) registered_.push_back(codec);
  }

  std::set<std::string> registered;
  for (const std::string& codec : registered_) registered.insert(UpperCaseAscii(codec));
  std::vector<std::string> inOrder;
  for (const std::string& path : extracted.paths()) {
    if (registered.contains(UpperCaseAscii(path))) inOrder.push_back(path);
  }
  return inOrder;
}

}  // namespace quenlo
