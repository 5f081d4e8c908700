// A setup whose payload holds a codec library that never returns from its registration: the
// install gives that one up, registers the next ones (one of them through COM, as media filters
// do), reaches the finished page, and Finish closes the window and ends the process, although the
// given-up call still runs inside it.
//
// QUENLO_TEST_CODECS names the folder of the Wine tests' codec libraries (tests/wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/gui/setup_program.h"
#include "tests/gui/wizard_names.h"
#include "tools/uidriver/driver.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

namespace fs = std::filesystem;
using namespace guitest::wizard;

// The classes that codec_registers_class.dll and codec_registers_through_com.dll register.
constexpr const char* kClassKey = "CLSID\\{5F0C3A71-2B64-4E8D-9A31-7C0E6B2D4F15}";
constexpr const char* kComClassKey = "CLSID\\{0B9E4C12-7A35-4F61-8D2E-3C5A9F1B6E47}";

// The given-up registration alone takes the registration time limit (20 s).
constexpr Milliseconds kInstallTimeout = 120000;

class GivenUpCodecTest : public testing::Test {
 protected:
  void SetUp() override {
    program_ = guitest::SetupProgram();
    const char* codecs = std::getenv("QUENLO_TEST_CODECS");
    ASSERT_TRUE(!program_.empty() && codecs != nullptr)
        << "QUENLO_SETUP_EXE and QUENLO_TEST_CODECS must be set";
    codecs_ = guitest::WindowsPathForHost(codecs);
    scratch_ = fs::temp_directory_path() / "given_up_codec";
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
    ASSERT_TRUE(fs::create_directories(scratch_ / "install"));
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kComClassKey);
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kComClassKey);
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

  void WaitTitle(const char* title, std::optional<Milliseconds> timeout = {}) {
    const std::string wanted = title;
    driver_.WaitState(
        kTitle, [&](const WindowState& s) { return s.text == wanted; },
        "the title \"" + GbkToUtf8(wanted) + "\"", timeout);
  }

  static bool HasServer(const char* classKey) {
    char server[MAX_PATH] = {};
    DWORD size = sizeof server;
    return RegGetValueA(HKEY_CLASSES_ROOT, (std::string(classKey) + "\\InprocServer32").c_str(),
                        nullptr, RRF_RT_REG_SZ, nullptr, server, &size) == ERROR_SUCCESS;
  }

  fs::path program_;
  fs::path codecs_;
  fs::path scratch_;
  Driver driver_;
};

TEST_F(GivenUpCodecTest, TheInstallFinishesAndTheProcessEnds) {
  const fs::path setup = scratch_ / "QuenloSetup-stuck.exe";
  ASSERT_NO_THROW(guitest::MakeSetupWithFiles(
      program_, setup,
      {{"App\\Codec\\Stuck.dll", codecs_ / "codec_never_returns.dll"},
       {"App\\Codec\\Filter.ax", codecs_ / "codec_registers_through_com.dll"},
       {"App\\Codec\\Registers.dll", codecs_ / "codec_registers_class.dll"}}));
  const std::string folder = (scratch_ / "install").string();

  driver_.Start(setup);
  driver_.WaitWindow(kMainWindow);
  driver_.Click(kNext);
  driver_.Click(kNext);
  WaitTitle(kFolderTitle);
  driver_.Type(kFolderEdit, folder);
  driver_.WaitState(
      kNext, [](const WindowState& s) { return s.enabled; }, "Next enabled");
  driver_.Click(kNext);
  WaitTitle(kTasksTitle);
  driver_.SetChecked(kHomePage, false);
  driver_.Click(kNext);

  WaitTitle(kFinishedTitle, kInstallTimeout);
  EXPECT_EQ(driver_.Get(kCancel).text, kFinishText);
  EXPECT_TRUE(HasServer(kComClassKey)) << "the filter registering through COM registered";
  EXPECT_TRUE(HasServer(kClassKey)) << "the library after it registered";
  driver_.Click(kCancel);
  EXPECT_EQ(driver_.WaitExit(), 0u);
}

}  // namespace
}  // namespace quenlo::uidriver
