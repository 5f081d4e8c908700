// Installation benchmark, under Wine. In one run, side by side:
//   - the pacing floor: the install sequence of the setup file run in this process with its
//     pauses counted instead of waited (the same run also gives the install time without pacing);
//   - the real setup program walked through its wizard by the UI driver, timed from Next on the
//     additional-tasks page to the finished page, against that floor;
//   - the check of the setup file on its own, beside the time the wizard's walk gives it (the
//     check runs from the wizard's creation; the install waits for it only if it takes longer).
// It prints figures and asserts nothing.
//
//   install_bench SETUP.exe
#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "install/install_journal.h"
#include "install/install_sequence.h"
#include "install/payload_check.h"
#include "install/status_lines.h"
#include "platform/forwarding_file_system.h"
#include "platform/win32/backend.h"
#include "tools/uidriver/driver.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace {

using namespace quenlo;
// QueryPerformanceCounter: <chrono> does not build with the GBK literals this file needs.
LONGLONG Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double Seconds(LONGLONG since) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(Now() - since) / static_cast<double>(frequency.QuadPart);
}

// The Win32 file system, except that the running program is the setup file.
class SetupFileAsModule final : public platform::ForwardingFileSystem {
 public:
  SetupFileAsModule(platform::FileSystem& real, std::string setupFile)
      : ForwardingFileSystem(real), setupFile_(std::move(setupFile)) {}
  std::string ModulePath() override { return setupFile_; }

 private:
  std::string setupFile_;
};

// A clock whose pauses are added up instead of waited. Each phase of the sequence ends with a
// phase pause; the time since the previous one is the phase's work, named by the line the phase
// ended with.
class CountingPauses final : public platform::Clock {
 public:
  struct Phase {
    std::string line;
    double seconds;
  };

  explicit CountingPauses(const StatusChannel& status) : status_(status) {}
  void Sleep(unsigned milliseconds) override {
    pausedMs_ += milliseconds;
    if (milliseconds >= kPhasePauseMs) {
      phases_.push_back({status_.StatusText(), Seconds(phaseStart_)});
      phaseStart_ = Now();
    }
  }
  double PausedSeconds() const { return static_cast<double>(pausedMs_) / 1000.0; }
  const std::vector<Phase>& phases() const { return phases_; }

 private:
  const StatusChannel& status_;
  unsigned long long pausedMs_ = 0;
  LONGLONG phaseStart_ = Now();
  std::vector<Phase> phases_;
};

// The registry, with the time spent writing the install journal (its key's writes and flushes)
// added up: what the journal costs the install.
class TimedJournal final : public platform::Registry {
 public:
  explicit TimedJournal(platform::Registry& real) : real_(real) {}

  std::unique_ptr<platform::RegistryKey> Open(platform::RegistryRoot root, const std::string& path,
                                              bool create) override {
    const bool journal = path == kJournalKey;
    const LONGLONG start = Now();
    auto key = real_.Open(root, path, create);
    if (journal) seconds_ += Seconds(start);
    if (!key || !journal) return key;
    return std::make_unique<Key>(std::move(key), *this);
  }
  bool DeleteKey(platform::RegistryRoot root, const std::string& path) override {
    const LONGLONG start = Now();
    const bool deleted = real_.DeleteKey(root, path);
    if (path == kJournalKey) seconds_ += Seconds(start);
    return deleted;
  }
  double seconds() const { return seconds_; }
  int batches() const { return batches_; }

 private:
  class Key final : public platform::RegistryKey {
   public:
    Key(std::unique_ptr<platform::RegistryKey> key, TimedJournal& owner)
        : key_(std::move(key)), owner_(owner) {}
    template <typename Call>
    auto Timed(Call call) {
      const LONGLONG start = Now();
      auto result = call();
      owner_.seconds_ += Seconds(start);
      return result;
    }
    platform::RegistryValue Read(const std::string& name) override {
      return Timed([&] { return key_->Read(name); });
    }
    bool WriteString(const std::string& name, const std::string& text) override {
      if (name.starts_with("Batch")) ++owner_.batches_;
      return Timed([&] { return key_->WriteString(name, text); });
    }
    bool DeleteValue(const std::string& name) override {
      return Timed([&] { return key_->DeleteValue(name); });
    }
    bool WriteDword(const std::string& name, std::uint32_t value) override {
      return Timed([&] { return key_->WriteDword(name, value); });
    }
    bool Flush() override {
      return Timed([&] { return key_->Flush(); });
    }

   private:
    std::unique_ptr<platform::RegistryKey> key_;
    TimedJournal& owner_;
  };

  platform::Registry& real_;
  double seconds_ = 0;
  int batches_ = 0;
};

struct FloorRun {
  double floorSeconds = 0;
  double unpacedSeconds = 0;
  double journalSeconds = 0;
  int journalBatches = 0;
  bool finished = false;
  std::vector<CountingPauses::Phase> phases;
};

FloorRun MeasureFloor(const std::string& setup) {
  const auto real = win32::MakeFileSystem();
  const auto realRegistry = win32::MakeRegistry();
  TimedJournal registry(*realRegistry);
  const auto libraries = win32::MakeLibraries();
  SetupSession session;
  SetupFileAsModule files(*real, setup);
  CountingPauses pauses(session.Status);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "quenlo-install-bench";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);

  session.InstallDir = folder;
  session.UseChinese = 1;
  const LONGLONG start = Now();
  TInstallAndReg::Execute(session, {files, registry, *libraries, pauses});
  FloorRun run{
      pauses.PausedSeconds(),           Seconds(start), registry.seconds(), registry.batches(),
      session.Status.InstallFinished(), pauses.phases()};
  std::filesystem::remove_all(folder, ignored);
  // Without its record the setup program finds no earlier installation to ask about.
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang");
  return run;
}

// The check of the setup file's payload, timed on its own.
double MeasureCheck(const std::string& setup) {
  const auto real = win32::MakeFileSystem();
  SetupFileAsModule files(*real, setup);
  const LONGLONG start = Now();
  PayloadCheck check(files);
  if (!check.Wait().sound) throw uidriver::DriverError("the setup file does not check out");
  return Seconds(start);
}

// The wizard walked to the installing page and timed to the finished page. On the way the
// status line is watched, so that the moment each phase line of `phases` first shows is known.
struct WizardRun {
  double seconds = 0;
  double beforeInstall = 0;        // from the window's appearance to Next on the tasks page
  std::vector<double> phaseShown;  // seconds from the start, per phase; < 0 when never seen
};

WizardRun MeasureWizardInstall(const std::string& setup,
                               const std::vector<CountingPauses::Phase>& phases) {
  uidriver::Driver driver(20000);
  driver.Start(setup);
  driver.WaitWindow("SetupMain_Form");
  const LONGLONG shown = Now();
  driver.Click("Next_Btn");
  driver.WaitState(
      "Next_Btn", [](const auto& s) { return s.text == "我接受(&I)"; }, "page 2");
  driver.Click("Next_Btn");
  driver.WaitState(
      "Browse_Btn", [](const auto& s) { return s.visible; }, "page 3");
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "quenlo-wizard-bench";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  driver.Type("Folder_E", folder);
  driver.Click("Next_Btn");
  driver.Answer(IDYES);  // create the folder
  driver.WaitState(
      "HomePage_CB", [](const auto& s) { return s.visible; }, "page 4");

  WizardRun run;
  run.phaseShown.assign(phases.size(), -1);
  const std::string finished = "Quenlo播放2.0 Tesmar版 安装成功!";
  run.beforeInstall = Seconds(shown);
  const LONGLONG start = Now();
  driver.Click("Next_Btn");
  for (;;) {
    if (driver.Get("Title1_L").text == finished) break;
    if (Seconds(start) > 600) throw uidriver::DriverError("the install did not finish in 10 min");
    if (const auto line = driver.TryFind("Status_L")) {
      const std::string text = driver.Get("Status_L").text;
      for (std::size_t i = 0; i < phases.size(); ++i) {
        if (run.phaseShown[i] < 0 && phases[i].line == text) run.phaseShown[i] = Seconds(start);
      }
    }
    ::Sleep(10);
  }
  run.seconds = Seconds(start);
  driver.Click("Cancel_Btn");
  driver.WaitExit();
  std::filesystem::remove_all(folder, ignored);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: install_bench SETUP.exe\n");
    return 2;
  }
  const std::string setup = argv[1];
  try {
    const FloorRun floor = MeasureFloor(setup);
    if (!floor.finished) {
      std::fprintf(stderr, "install_bench: the install sequence did not finish\n");
      return 1;
    }
    const double check = MeasureCheck(setup);
    const WizardRun wizard = MeasureWizardInstall(setup, floor.phases);
    std::printf("install sequence, pacing off:   %8.3f s\n", floor.unpacedSeconds);
    std::printf("phase ends (pacing off: work; through the wizard: when its line showed):\n");
    for (std::size_t i = 0; i < floor.phases.size(); ++i) {
      std::printf("  %-52s work %.3f s   shown at %.3f s\n",
                  uidriver::GbkToUtf8(floor.phases[i].line).c_str(), floor.phases[i].seconds,
                  wizard.phaseShown[i]);
    }
    std::printf("  of it the install journal:    %8.3f s   (%d batches written and flushed)\n",
                floor.journalSeconds, floor.journalBatches);
    std::printf("pacing floor (pauses):          %8.3f s   journal / floor %.3f\n",
                floor.floorSeconds, floor.journalSeconds / floor.floorSeconds);
    std::printf("install through the wizard:     %8.3f s   ratio to the floor %.2f (goal <= 1.3)\n",
                wizard.seconds, wizard.seconds / floor.floorSeconds);
    std::printf(
        "payload check on its own:       %8.3f s   (the driver's walk to the install: %.3f s)\n",
        check, wizard.beforeInstall);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "install_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
