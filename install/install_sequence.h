// The install sequence and the worker thread that runs it.
//
// The wizard starts one TInstallAndReg when it builds the installing page; the worker runs the
// sequence once, reporting through the session's status channel, and is never waited for,
// stopped or freed. The sequence: create the installation folder, extract the payload, register
// the codecs, register the file types, write the application record, remove the temporary
// files.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/file_system.h"
#include "platform/libraries.h"
#include "platform/registry.h"
#include "setup/session.h"

namespace quenlo {

// What the install steps reach the system through. Lives as long as the process.
struct InstallPlatform {
  platform::FileSystem& files;
  platform::Registry& registry;
  platform::Libraries& libraries;
};

// An error that left a step: the step's name in plain words and the error's message.
class InstallStepError : public std::runtime_error {
 public:
  InstallStepError(std::string step, const std::string& detail)
      : std::runtime_error(detail), step_(std::move(step)) {}
  const std::string& step() const { return step_; }

 private:
  std::string step_;
};

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
