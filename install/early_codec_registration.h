// The codec registration of an install with no one watching (/S), made while the extraction
// goes on instead of after it: with no lines to show, the install is work alone, and loading and
// registering some two hundred libraries hides behind the writing of the files.
//
// A codec library is registered once everything it may need is in place: every file the
// extraction writes into its own folder and into the system folder (the two places its
// dependencies are looked for: see platform::Libraries), the library itself among them. The
// codecs of one folder are announced in the install journal together, in one batch, when that
// folder is complete, and registered in the order they were written. A registration that fails
// early (the library did not load, or refused) is tried once more after the extraction, when
// every file is in place, as the sequential step would have tried it; one that timed out is not.
//
// Undo: a codec is announced only once its file is the install's, so that the next start's undo
// never unregisters a library the install did not register; if the extraction fails, what was
// registered is unregistered before its files are taken away (BeforeUndo).
#pragma once

#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "install/extracted_files.h"
#include "install/extraction.h"
#include "install/install_journal.h"
#include "platform/libraries.h"

namespace quenlo {

class EarlyCodecRegistration final : public ExtractionObserver {
 public:
  // `systemFolder`: the folder the "Exe\" files go to. Starts its thread at once.
  EarlyCodecRegistration(platform::Libraries& libraries, InstallJournal& journal,
                         std::string systemFolder);
  // Stops the thread (a registration under way ends first). Never throws.
  ~EarlyCodecRegistration() override;
  EarlyCodecRegistration(const EarlyCodecRegistration&) = delete;
  EarlyCodecRegistration& operator=(const EarlyCodecRegistration&) = delete;

  void Planned(const std::vector<std::string>& destinations) override;
  void InPlace(const std::string& destination) override;
  // Stops, and unregisters what registered, last first.
  void BeforeUndo() noexcept override;

  // The extraction ended well with `extracted`: registers what is left and tries again what
  // failed, then gives the libraries that registered, in the order of `extracted`. Throws what a
  // registration or an announcement threw (the install is then given back).
  std::vector<std::string> Finish(const ExtractedFiles& extracted);

 private:
  struct Folder {
    std::size_t waitingFor = 0;       // files planned into it that are not in place yet
    std::vector<std::string> codecs;  // in the order planned
    bool queued = false;
  };

  void Run();
  // Queues the folders whose files are all in place. Called with the lock held.
  void QueueCompleteFolders();
  // Announces and registers one folder's codecs on the thread. Throws.
  void RegisterFolder(const std::vector<std::string>& codecs);

  platform::Libraries& libraries_;
  InstallJournal& journal_;
  const std::string systemKey_;  // the system folder, upper-cased

  std::mutex mutex_;
  std::condition_variable wake_;
  std::map<std::string, Folder> folders_;        // by upper-cased path
  std::size_t systemWaitingFor_ = 0;             // system-folder files not in place yet
  std::vector<std::vector<std::string>> queue_;  // complete folders' codecs, to register
  bool planned_ = false;
  bool finishing_ = false;  // the extraction has ended: every folder counts as complete
  bool stopping_ = false;
  bool working_ = false;  // the thread is registering a folder taken from the queue
  std::exception_ptr failure_;
  std::vector<std::string> registered_;  // in the order registered
  std::vector<std::string> retry_;       // failed early, to be tried again
  std::thread thread_;
};

}  // namespace quenlo
