#include "install/codec_registration.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "base/path.h"
#include "install/status_lines.h"

namespace quenlo {
namespace {

// Registers the libraries one after another, in order, on a thread of its own, ahead of the
// thread that reports them: loading and registering the next library (a few milliseconds each on
// a slow system) then takes place during the pause after the line of the one before, instead of
// after it. What the step shows, and in which order, stays the same.
class RegistrationsAhead {
 public:
  RegistrationsAhead(platform::Libraries& libraries, std::vector<std::string> paths)
      : paths_(std::move(paths)), outcomes_(paths_.size()) {
    thread_ = std::thread([this, &libraries] { Run(libraries); });
  }
  ~RegistrationsAhead() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;  // a step that ended early needs no further registrations
    }
    thread_.join();
  }
  RegistrationsAhead(const RegistrationsAhead&) = delete;
  RegistrationsAhead& operator=(const RegistrationsAhead&) = delete;

  // Whether the library at `index` registered, once that is known; rethrows what its
  // registration threw.
  bool Registered(std::size_t index) {
    std::unique_lock lock(mutex_);
    known_.wait(lock, [&] { return done_ > index; });
    if (outcomes_[index].failure) std::rethrow_exception(outcomes_[index].failure);
    return outcomes_[index].registered;
  }

 private:
  struct Outcome {
    bool registered = false;
    std::exception_ptr failure;
  };

  void Run(platform::Libraries& libraries) {
    for (std::size_t index = 0; index < paths_.size(); ++index) {
      Outcome outcome;
      try {
        outcome.registered = RegisterLibrary(libraries, paths_[index], 1);
      } catch (...) {
        outcome.failure = std::current_exception();
      }
      {
        std::lock_guard lock(mutex_);
        outcomes_[index] = outcome;
        done_ = index + 1;
        if (outcome.failure) done_ = paths_.size();  // the step ends there
      }
      known_.notify_one();
      std::lock_guard lock(mutex_);
      if (stopping_ || outcome.failure) return;
    }
  }

  const std::vector<std::string> paths_;
  std::mutex mutex_;
  std::condition_variable known_;
  std::vector<Outcome> outcomes_;
  std::size_t done_ = 0;  // outcomes_[0, done_) are known
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace

bool IsCodecLibrary(const std::string& path) {
  if (path.find("Codec") == std::string::npos) return false;
  const std::string extension = ExtensionPart(path);
  return EqualsIgnoringCase(extension, ".ax") || EqualsIgnoringCase(extension, ".dll");
}

platform::EntryPointOutcome CallRegistration(platform::Libraries& libraries,
                                             const std::string& path, int registerFlag) {
  const char* entryPoint = registerFlag == 1 ? "DllRegisterServer" : "DllUnregisterServer";
  return libraries.CallEntryPoint(path, entryPoint, kRegistrationTimeLimitMs);
}

bool Registered(const platform::EntryPointOutcome& outcome) {
  return outcome.kind == platform::EntryPointOutcome::Kind::Returned && outcome.result >= 0;
}

bool RegisterLibrary(platform::Libraries& libraries, const std::string& path, int registerFlag) {
  return Registered(CallRegistration(libraries, path, registerFlag));
}

void RegisterCodecs(SetupSession& session, platform::Clock& clock, platform::Libraries& libraries,
                    const ExtractedFiles& extracted, std::vector<std::string>* registered) {
  if (extracted.empty()) return;
  std::vector<std::string> codecs;
  for (const std::string& path : extracted.paths()) {
    if (IsCodecLibrary(path)) codecs.push_back(path);
  }
  RegistrationsAhead ahead(libraries, codecs);
  std::size_t codec = 0;
  for (const std::string& path : extracted.paths()) {
    session.Status.StepProgress();  // for every entry, before its outcome is reported
    if (!IsCodecLibrary(path) || !ahead.Registered(codec++)) continue;
    if (registered != nullptr) registered->push_back(path);
    session.Status.PublishStatus(kRegisteringPrefix + FileNamePart(path));
    clock.Sleep(kItemPauseMs);
  }
  session.Status.PublishStatus(kCodecsDone);
  clock.Sleep(kPhasePauseMs);
}

}  // namespace quenlo
