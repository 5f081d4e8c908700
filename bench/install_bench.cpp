// Installation benchmark, under Wine. In one run, side by side:
//   - the pacing floor: the install sequence of the setup file run in this process with its
//     pauses counted instead of waited (the same run also gives the install time without pacing);
//   - the real setup program walked through its wizard by the UI driver, timed from Next on the
//     additional-tasks page to the finished page, against that floor.
// It prints figures and asserts nothing.
//
//   install_bench SETUP.exe
#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "install/install_sequence.h"
#include "platform/win32/backend.h"
#include "tests/support/forwarding_file_system.h"
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

// The Win32 file system, except that the running program is the setup file and pauses are
// added up instead of waited.
// Each phase of the sequence ends with a pause of 100 ms; the time since the previous one is the
// phase's work, named by the line the phase ended with.
class CountingPauses final : public testing::ForwardingFileSystem {
 public:
  struct Phase {
    std::string line;
    double seconds;
  };

  CountingPauses(platform::FileSystem& real, std::string setupFile, const StatusChannel& status)
      : ForwardingFileSystem(real), setupFile_(std::move(setupFile)), status_(status) {}
  std::string ModulePath() override { return setupFile_; }
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
  static constexpr unsigned kPhasePauseMs = 100;
  std::string setupFile_;
  const StatusChannel& status_;
  unsigned long long pausedMs_ = 0;
  LONGLONG phaseStart_ = Now();
  std::vector<Phase> phases_;
};

struct FloorRun {
  double floorSeconds = 0;
  double unpacedSeconds = 0;
  bool finished = false;
  std::vector<CountingPauses::Phase> phases;
};

FloorRun MeasureFloor(const std::string& setup) {
  const auto real = win32::MakeFileSystem();
  const auto registry = win32::MakeRegistry();
  const auto libraries = win32::MakeLibraries();
  SetupSession session;
  CountingPauses files(*real, setup, session.Status);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "quenlo-install-bench";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);

  session.InstallDir = folder;
  session.UseChinese = 1;
  const LONGLONG start = Now();
  TInstallAndReg::Execute(session, {files, *registry, *libraries});
  FloorRun run{files.PausedSeconds(), Seconds(start), session.Status.InstallFinished(),
               files.phases()};
  std::filesystem::remove_all(folder, ignored);
  // Without its record the setup program finds no earlier installation to ask about.
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang");
  return run;
}

// The wizard walked to the installing page and timed to the finished page.
double MeasureWizardInstall(const std::string& setup) {
  uidriver::Driver driver(20000);
  const auto titleIs = [&](const char* title) {
    const std::string wanted = title;
    return [wanted](const uidriver::WindowState& s) { return s.text == wanted; };
  };
  driver.Start(setup);
  driver.WaitWindow("SetupMain_Form");
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
  const LONGLONG start = Now();
  driver.Click("Next_Btn");
  driver.WaitState("Title1_L", titleIs("Quenlo播放2.0 Tesmar版 安装成功!"), "the finished page",
                   600000);
  const double seconds = Seconds(start);
  driver.Click("Cancel_Btn");
  driver.WaitExit();
  std::filesystem::remove_all(folder, ignored);
  return seconds;
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
    const double wizard = MeasureWizardInstall(setup);
    std::printf("install sequence, pacing off:   %8.3f s\n", floor.unpacedSeconds);
    for (const auto& phase : floor.phases) {
      std::printf("  work before \"%s\": %.3f s\n", uidriver::GbkToUtf8(phase.line).c_str(),
                  phase.seconds);
    }
    std::printf("pacing floor (pauses):          %8.3f s\n", floor.floorSeconds);
    std::printf("install through the wizard:     %8.3f s   ratio to the floor %.2f (goal <= 1.5)\n",
                wizard, wizard / floor.floorSeconds);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "install_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
