// The setup program's start-up as a person meets it: the question about an earlier
// installation, what Yes and No lead to, and the main window of a first installation; and that a
// library planted beside it is not loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "tests/gui/setup_program.h"
#include "tests/gui/wizard_names.h"
#include "tools/uidriver/driver.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

using guitest::InstallationRecord;
using namespace guitest::wizard;

class SetupStartupTest : public testing::Test {
 protected:
  void SetUp() override {
    program_ = guitest::SetupProgram();
    ASSERT_FALSE(program_.empty()) << "QUENLO_SETUP_EXE must name QuenloSetup.exe";
  }

  // Starts the setup; any failure of the driver is reported with its message.
  void StartSetup() { ASSERT_NO_THROW(driver_.Start(program_)); }

  static std::string Describe(const std::vector<SeenWindow>& windows) {
    std::string text;
    for (const auto& w : windows)
      text += " [" + GbkToUtf8(w.className) + " \"" + GbkToUtf8(w.caption) + "\"]";
    return text;
  }

  static bool AnyMessageBox(const std::vector<SeenWindow>& windows) {
    return std::any_of(windows.begin(), windows.end(),
                       [](const SeenWindow& w) { return w.className == "#32770"; });
  }

  // The main window, with its caption and client area as the layout gives them.
  void ExpectMainWindow(HWND window) {
    const WindowState state = ReadWindowState(window);
    EXPECT_EQ(state.name, kMainWindow);
    EXPECT_EQ(GbkToUtf8(state.text), GbkToUtf8(kMainCaption));
    EXPECT_EQ(state.client.width, 561);
    EXPECT_EQ(state.client.height, 371);
    EXPECT_TRUE(state.visible);
    EXPECT_TRUE(state.enabled);
  }

  // Closes the main window by `close` and expects the program to end with exit code 2 (cancelled).
  // The wizard asks before it lets a person leave; that question, when it comes, is answered Yes.
  void CloseAndExpectExit(ActionResult (Driver::*close)(std::string_view)) {
    ActionResult result = (driver_.*close)("");
    if (result.outcome == Outcome::WindowOpened) {
      const MessageBoxInfo box = driver_.WaitMessageBox();
      EXPECT_EQ(GbkToUtf8(box.text), GbkToUtf8(kCloseQuestion));
      EXPECT_EQ(GbkToUtf8(box.caption), GbkToUtf8(kCaption));
      result = driver_.Answer(IDYES);
    }
    EXPECT_EQ(driver_.WaitExit(), 2u);
  }

  std::filesystem::path program_;
  InstallationRecord record_;
  Driver driver_;
};

TEST_F(SetupStartupTest, EarlierInstallationIsQuestionedBeforeAnyWindow) {
  record_.WriteAppPath("D:\\Tools\\QuenloBoFang\\");
  StartSetup();
  const MessageBoxInfo box = driver_.WaitMessageBox();
  EXPECT_EQ(GbkToUtf8(box.text), GbkToUtf8(kEarlierQuestion));
  EXPECT_EQ(GbkToUtf8(box.caption), GbkToUtf8(kCaption));
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_EQ(box.icon, "information");
  EXPECT_EQ(driver_.Windows(), std::vector<HWND>{box.hwnd});
}

TEST_F(SetupStartupTest, NoEndsTheProgramWithoutShowingAnotherWindow) {
  record_.WriteAppPath("D:\\Tools\\QuenloBoFang\\");
  StartSetup();
  const MessageBoxInfo box = driver_.WaitMessageBox();
  driver_.Answer(IDNO);
  EXPECT_EQ(driver_.WaitExit(), 2u);  // answered No at the start
  const auto shown = driver_.WindowsEverShown();
  ASSERT_EQ(shown.size(), 1u) << "windows shown:" << Describe(shown);
  EXPECT_EQ(shown[0].hwnd, box.hwnd);
}

TEST_F(SetupStartupTest, YesOpensTheMainWindow) {
  record_.WriteAppPath("D:\\Tools\\QuenloBoFang\\");
  StartSetup();
  const MessageBoxInfo box = driver_.WaitMessageBox();
  driver_.Answer(IDYES);
  ExpectMainWindow(driver_.WaitWindow(kMainWindow));
  EXPECT_FALSE(IsWindowVisible(box.hwnd)) << "the question stays on the screen";
  CloseAndExpectExit(&Driver::Close);
}

TEST_F(SetupStartupTest, FirstInstallationOpensTheMainWindowAtOnce) {
  StartSetup();
  ExpectMainWindow(driver_.WaitWindow(kMainWindow));
  const auto shown = driver_.WindowsEverShown();
  EXPECT_FALSE(AnyMessageBox(shown)) << "windows shown:" << Describe(shown);
}

TEST_F(SetupStartupTest, EmptyAppPathCountsAsFirstInstallation) {
  record_.WriteAppPath("");
  StartSetup();
  ExpectMainWindow(driver_.WaitWindow(kMainWindow));
  const auto shown = driver_.WindowsEverShown();
  EXPECT_FALSE(AnyMessageBox(shown)) << "windows shown:" << Describe(shown);
}

TEST_F(SetupStartupTest, AppPathThatIsNoStringCountsAsFirstInstallation) {
  record_.WriteAppPathNumber(1);
  StartSetup();
  ExpectMainWindow(driver_.WaitWindow(kMainWindow));
  const auto shown = driver_.WindowsEverShown();
  EXPECT_FALSE(AnyMessageBox(shown)) << "windows shown:" << Describe(shown);
}

TEST_F(SetupStartupTest, CloseBoxEndsTheProgram) {
  StartSetup();
  driver_.WaitWindow(kMainWindow);
  CloseAndExpectExit(&Driver::Close);
}

// A winmm.dll planted beside the setup (in the Downloads folder, say) is not loaded into it, even
// where the program's folder is searched first. Wine prefers its own copy of a system library
// unless told otherwise, so this runs where the whole run was told to prefer a native winmm.dll
// (the ctest gui_tests_planted_library), as Windows takes one from beside a program.
TEST_F(SetupStartupTest, ALibraryPlantedBesideTheSetupIsNotLoaded) {
  const char* overrides = std::getenv("WINEDLLOVERRIDES");
  if (overrides == nullptr ||
      std::string_view(overrides).find("winmm=n") == std::string_view::npos) {
    GTEST_SKIP() << "Wine is not told to prefer a native winmm.dll";
  }
  const char* planted = std::getenv("QUENLO_PLANTED_WINMM");
  ASSERT_NE(planted, nullptr) << "QUENLO_PLANTED_WINMM must name the planted winmm.dll";
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "planted_library";
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  ASSERT_TRUE(fs::create_directories(folder));
  fs::copy_file(program_, folder / "QuenloSetup.exe");
  fs::copy_file(guitest::WindowsPathForHost(planted), folder / "winmm.dll");

  ASSERT_NO_THROW(driver_.Start(folder / "QuenloSetup.exe"));
  driver_.WaitWindow(kMainWindow);  // its pacing clock has taken the system's winmm.dll by now
  CloseAndExpectExit(&Driver::Close);
  EXPECT_FALSE(fs::exists(folder / "winmm.dll.loaded"));
  fs::remove_all(folder, ignored);
}

TEST_F(SetupStartupTest, AltF4EndsTheProgram) {
  StartSetup();
  driver_.WaitWindow(kMainWindow);
  CloseAndExpectExit(&Driver::AltF4);
}

}  // namespace
}  // namespace quenlo::uidriver
