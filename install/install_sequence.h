// The install sequence and the worker thread that runs it.
//
// The wizard starts one TInstallAndReg when it builds the installing page; the worker runs the
// sequence once, reporting through the session's status channel, and is never waited for,
// stopped or freed. The sequence: wait for the check of the setup file (nothing changes before
// the payload is known to be sound), create the installation folder, extract the payload, register
// the codecs, register the file types, write the application record, remove the temporary files.
//
// An extraction that fails is undone (see ExtractPayload); the temporary system-folder files are
// removed whatever happens after the extraction.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "install/install_journal.h"
#include "install/payload_check.h"
#include "install/session.h"
#include "install/uninstall_record.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/libraries.h"
#include "platform/registry.h"

namespace quenlo {

// What the install steps reach the system through. Lives as long as the process.
struct InstallPlatform {
  platform::FileSystem& files;
  platform::Registry& registry;
  platform::Libraries& libraries;
  platform::Clock& clock;  // the pauses after the status lines
  // The check of the setup file that the sequence waits for; none: the sequence does not wait
  // (the extraction makes the same checks as it goes, and undoes itself at a fault).
  PayloadCheck* check = nullptr;
  // Where the sequence notes what it changes, for the uninstall record; none: nothing is noted.
  // Read by the main thread once InstallFinished is set.
  uninstall::UninstallRecord* record = nullptr;
  // The install journal the caller began (PrepareRecoveryAtRestart, and what it changed before
  // the worker: the start page) and completes after the steps of its own (CompleteInstall); none:
  // the sequence keeps a journal of its own from its first change to its last.
  InstallJournal* journal = nullptr;
  // With no one watching (no pauses, no lines read): the codecs are registered while the
  // extraction goes on, each once its folder and the system folder's files are in place
  // (EarlyCodecRegistration), instead of one by one after it.
  bool registerCodecsEarly = false;
};

// The first change of an install, made once for its journal before any other, by whichever thread
// comes first: the copy of the setup program that the next start of Windows runs should the
// install be cut off (PrepareRecoveryAtRestart); an install goes on without it.
void PrepareRecovery(platform::FileSystem& files, platform::Registry& registry,
                     InstallJournal& journal);

// The install is complete: the journal's commit, then the originals the files replaced, the copy
// for the restart and the journal go. Never throws.
void CompleteInstall(platform::FileSystem& files, platform::Registry& registry,
                     InstallJournal& journal);

// An error that left a step, described for the wizard.
class InstallStepError : public std::runtime_error {
 public:
  explicit InstallStepError(InstallFailure failure)
      : std::runtime_error(failure.message), failure_(std::move(failure)) {}
  const InstallFailure& failure() const { return failure_; }

 private:
  InstallFailure failure_;
};

// What an error that left `step` means for the user: its cause, and the record, file and system
// error it names.
InstallFailure DescribeFailure(InstallStep step, const std::exception_ptr& error);

// Runs the steps in order; an error that leaves a step skips the rest and leaves as an
// InstallStepError.
void RunInstallSequence(SetupSession& session, const InstallPlatform& platform,
                        const std::string& installDir);

class TInstallAndReg {
 public:
  // Starts a worker thread running the thread body at once; the thread is never joined.
  static void Start(SetupSession& session, const InstallPlatform& platform);

  // The thread body: InstallFinished is cleared, the sequence runs with InstallDir, and
  // InstallFinished is set when it completes. When it ends by an error, the failure is published
  // in the status channel instead and InstallFinished stays unset.
  static void Execute(SetupSession& session, const InstallPlatform& platform);
};

}  // namespace quenlo
