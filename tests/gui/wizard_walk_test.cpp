// The wizard walked as a person walks it: every page's title and buttons on the real program,
// the create question for a missing folder, the question for a folder that holds files, the finish
// of an empty install, the close question on pages 1 to 4 and its answers, and a screenshot of
// every page.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/gui/setup_program.h"
#include "tests/gui/wizard_names.h"
#include "tools/uidriver/driver.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

using guitest::InstallationRecord;
using namespace guitest::wizard;

constexpr const char* kNeedSpace = "需要硬盘空间: 65 M";
constexpr const char* kFreeSpacePrefix = "剩余硬盘空间: ";

// The empty install runs its registry steps only; this is far more than it needs.
constexpr Milliseconds kInstallTimeout = 60000;

std::string Utf8(const std::string& gbk) { return GbkToUtf8(gbk); }

// HKLM\...\CurrentVersion's ProgramFilesDir with a trailing backslash, as the wizard reads it.
std::string ProgramFilesDir() {
  char value[MAX_PATH] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                   "ProgramFilesDir", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
  std::string dir = value;
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

std::uint32_t ReadLe(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

class WizardWalkTest : public testing::Test {
 protected:
  void SetUp() override {
    program_ = guitest::SetupProgram();
    ASSERT_FALSE(program_.empty()) << "QUENLO_SETUP_EXE must name QuenloSetup.exe";
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();  // "Case/Param" for parameterised cases
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    scratch_ = std::filesystem::temp_directory_path() /
               ("wizard_walk_" + std::to_string(GetCurrentProcessId()) + "_" + name);
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
    ASSERT_TRUE(std::filesystem::create_directories(scratch_));
  }

  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }

  void StartSetup(const std::filesystem::path& program) {
    ASSERT_NO_THROW(driver_.Start(program));
    main_ = driver_.WaitWindow(kMainWindow);
  }

  std::string Text(const char* name) const { return Utf8(driver_.Get(name).text); }

  // Waits until the page title reads `title`, so the page is known to be shown.
  void WaitTitle(const char* title, std::optional<Milliseconds> timeout = {}) {
    const std::string wanted = title;
    driver_.WaitState(
        kTitle, [&](const WindowState& s) { return s.text == wanted; },
        "the title \"" + Utf8(wanted) + "\"", timeout);
  }

  // The three buttons as a page shows them.
  void ExpectButton(const char* name, bool visible, bool enabled, const char* text = nullptr) {
    SCOPED_TRACE(name);
    const WindowState state = driver_.Get(name);
    EXPECT_EQ(state.visible, visible);
    if (visible) {
      EXPECT_EQ(state.enabled, enabled);
    }
    if (text != nullptr) {
      EXPECT_EQ(Utf8(state.text), Utf8(text));
    }
  }

  // Saves the main window's screenshot under the scratch folder and checks that it is a 24-bit
  // BMP of the window's size that shows more than one colour.
  void ExpectScreenshot(const std::string& fileName) {
    SCOPED_TRACE(fileName);
    const std::filesystem::path file = scratch_ / fileName;
    ASSERT_NO_THROW(driver_.Screenshot(file, kMainWindow));
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(main_, &rect));
    const auto width = static_cast<std::int32_t>(ReadLe(bytes, 18, 4));
    auto height = static_cast<std::int32_t>(ReadLe(bytes, 22, 4));
    if (height < 0) height = -height;
    EXPECT_EQ(width, rect.right - rect.left);
    EXPECT_EQ(height, rect.bottom - rect.top);
    ASSERT_EQ(ReadLe(bytes, 28, 2), 24u);
    const std::size_t offset = ReadLe(bytes, 10, 4);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    ASSERT_EQ(bytes.size(), offset + stride * static_cast<std::size_t>(height));
    bool varied = false;
    for (std::size_t row = 0; row < static_cast<std::size_t>(height) && !varied; ++row) {
      for (std::size_t x = 0; x < static_cast<std::size_t>(width) * 3; ++x) {
        if (bytes[offset + row * stride + x] != bytes[offset]) {
          varied = true;
          break;
        }
      }
    }
    EXPECT_TRUE(varied) << "the screenshot is one flat colour";
  }

  // From page 1 to page 4, with `folder` (an existing one, so no question) on page 3.
  void GoToPage(int page, const std::string& folder) {
    if (page >= 2) {
      driver_.Click(kNext);
      WaitTitle(kAgreementTitle);
    }
    if (page >= 3) {
      driver_.Click(kNext);
      WaitTitle(kFolderTitle);
    }
    if (page >= 4) {
      driver_.Type(kFolderEdit, folder);
      driver_.WaitState(
          kNext, [](const WindowState& s) { return s.enabled; }, "Next enabled");
      driver_.Click(kNext);
      WaitTitle(kTasksTitle);
    }
  }

  std::filesystem::path program_;
  std::filesystem::path scratch_;
  InstallationRecord record_;
  Driver driver_;
  HWND main_ = nullptr;
};

// The pages above are those of the program as it is shipped: with its application manifest
// (resource 1 of type 24), which asks for administrator rights, names the systems from Vista to
// 10/11, selects the version 6 common controls and declares itself DPI aware per monitor
// (version 2 where the system has it, system-aware on the systems before 8.1).
TEST_F(WizardWalkTest, TheProgramCarriesItsManifest) {
  const HMODULE image = LoadLibraryExW(program_.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr);
  const HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr) << "no manifest";
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                             SizeofResource(image, found));
  FreeLibrary(image);
  for (const char* part : {
           R"(level="requireAdministrator")",
           R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
           "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
           ">true/pm</dpiAware>",
           ">PerMonitorV2, PerMonitor</dpiAwareness>",
       }) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

TEST_F(WizardWalkTest, EveryPageFromWelcomeToFinish) {
  // The plain program carries no payload at all; with an empty one its install has nothing to
  // write but runs to the end.
  const std::filesystem::path setup = scratch_ / "QuenloSetup-empty.exe";
  ASSERT_NO_THROW(guitest::MakeSetupWithEmptyPayload(program_, setup));
  StartSetup(setup);

  // Page 1: welcome.
  WaitTitle(kWelcomeTitle);
  ExpectButton(kPrevious, false, false);
  ExpectButton(kNext, true, true, kNextText);
  ExpectButton(kCancel, true, true, kCancelText);
  ExpectScreenshot("page1.bmp");

  // Page 2: the agreement.
  EXPECT_EQ(driver_.Click(kNext).outcome, Outcome::Handled);
  WaitTitle(kAgreementTitle);
  ExpectButton(kPrevious, true, true, kPreviousText);
  ExpectButton(kNext, true, true, kAcceptText);
  ExpectButton(kCancel, true, true, kCancelText);
  ExpectScreenshot("page2.bmp");

  // Page 3: the folder, with the default one and the space labels.
  EXPECT_EQ(driver_.Click(kNext).outcome, Outcome::Handled);
  WaitTitle(kFolderTitle);
  ExpectButton(kPrevious, true, true, kPreviousText);
  ExpectButton(kNext, true, true, kNextText);
  ExpectButton(kCancel, true, true, kCancelText);
  const std::string programFiles = ProgramFilesDir();
  ASSERT_FALSE(programFiles.empty());
  EXPECT_EQ(Text(kFolderEdit), Utf8(programFiles + "QuenloBoFang\\"));
  EXPECT_EQ(Text("NeedSpace_L"), Utf8(kNeedSpace));
  const std::string freeSpace = Text("FreeSpace_L");
  const std::string prefix = Utf8(kFreeSpacePrefix);
  EXPECT_EQ(freeSpace.substr(0, prefix.size()), prefix);
  EXPECT_GT(freeSpace.size(), prefix.size()) << freeSpace;
  ExpectScreenshot("page3.bmp");

  // A folder that does not exist: the create question, then Yes creates it.
  const std::filesystem::path missing = scratch_ / "New Folder" / "Player";
  const std::string folder = missing.string();
  ASSERT_FALSE(std::filesystem::exists(missing));
  driver_.Type(kFolderEdit, folder);
  EXPECT_EQ(Text(kFolderEdit), Utf8(folder));
  const ActionResult next = driver_.Click(kNext);
  ASSERT_EQ(next.outcome, Outcome::WindowOpened);
  const MessageBoxInfo question = driver_.WaitMessageBox();
  EXPECT_EQ(Utf8(question.text),
            Utf8("您选定的文件夹 “" + folder + " ” 不存在，是否创建该文件夹?"));
  EXPECT_EQ(Utf8(question.caption), Utf8(kCaption));
  EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
  driver_.Answer(IDYES);

  // Page 4: the tasks.
  WaitTitle(kTasksTitle);
  EXPECT_TRUE(std::filesystem::is_directory(missing)) << "Yes did not create " << folder;
  ExpectButton(kPrevious, true, true, kPreviousText);
  ExpectButton(kNext, true, true, kNextText);
  ExpectButton(kCancel, true, true, kCancelText);
  EXPECT_EQ(driver_.Get(kHomePage).checked, std::optional<bool>(true));
  ExpectScreenshot("page4.bmp");
  driver_.SetChecked(kHomePage, false);
  EXPECT_EQ(driver_.Get(kHomePage).checked, std::optional<bool>(false));

  // Pages 5 and 6: the install runs and finishes.
  EXPECT_EQ(driver_.Click(kNext).outcome, Outcome::Handled);
  const std::string finished = kFinishedTitle;
  const std::string failed = kFailedTitle;
  const WindowState ended = driver_.WaitState(
      kTitle, [&](const WindowState& st) { return st.text == finished || st.text == failed; },
      "the end of the install", kInstallTimeout);
  ASSERT_EQ(Utf8(ended.text), Utf8(finished)) << "status: " << Text("Status_L");
  ExpectButton(kPrevious, false, false);
  ExpectButton(kNext, false, false);
  ExpectButton(kCancel, true, true, kFinishText);
  EXPECT_FALSE(driver_.Get(kProgress).visible);
  ExpectScreenshot("page6.bmp");

  driver_.Click(kCancel);
  EXPECT_EQ(driver_.WaitExit(), 0u);
}

// A folder that exists and holds a file: Next asks first; No keeps page 3, Yes goes on to page 4.
TEST_F(WizardWalkTest, AFolderHoldingFilesIsInstalledIntoOnlyAfterYes) {
  const std::filesystem::path occupied = scratch_ / "Occupied";
  ASSERT_TRUE(std::filesystem::create_directories(occupied));
  std::ofstream(occupied / "Player.exe", std::ios::binary) << "an earlier player";
  const std::string folder = occupied.string();
  StartSetup(program_);
  GoToPage(3, folder);
  driver_.Type(kFolderEdit, folder);
  driver_.WaitState(
      kNext, [](const WindowState& s) { return s.enabled; }, "Next enabled");

  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
    ASSERT_EQ(driver_.Click(kNext).outcome, Outcome::WindowOpened);
    const MessageBoxInfo question = driver_.WaitMessageBox();
    EXPECT_EQ(Utf8(question.text), Utf8(FolderHoldsFilesQuestion(folder)));
    EXPECT_EQ(Utf8(question.caption), Utf8(kCaption));
    EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(question.icon, "information");
    EXPECT_EQ(driver_.Answer(answer).outcome, Outcome::Handled);
    if (answer == IDNO) {
      EXPECT_EQ(Text(kTitle), Utf8(kFolderTitle));
      EXPECT_EQ(Text(kFolderEdit), Utf8(folder));
    }
  }
  WaitTitle(kTasksTitle);
}

// While page 5 installs, the close box and Alt+F4 are refused without a question. The install
// must last long enough to be caught: QUENLO_DEMO_SETUP names the setup with the small demo
// payload (scripts/make-demo-payload.sh --small).
TEST_F(WizardWalkTest, CloseIsRefusedSilentlyWhileInstalling) {
  const char* demo = std::getenv("QUENLO_DEMO_SETUP");
  if (demo == nullptr || *demo == '\0') GTEST_SKIP() << "QUENLO_DEMO_SETUP is not set";
  const std::filesystem::path installDir = scratch_ / "install";
  ASSERT_TRUE(std::filesystem::create_directories(installDir));
  StartSetup(guitest::WindowsPathForHost(demo));
  GoToPage(4, installDir.string());
  driver_.SetChecked(kHomePage, false);
  EXPECT_EQ(driver_.Click(kNext).outcome, Outcome::Handled);
  ASSERT_EQ(Text(kTitle), Utf8(kInstallingTitle));
  ExpectButton(kPrevious, true, false);
  ExpectButton(kNext, true, false);
  ExpectButton(kCancel, true, false, kCancelText);
  ExpectScreenshot("page5.bmp");

  const ActionResult closed = driver_.Close();
  const ActionResult altF4 = driver_.AltF4();
  if (driver_.Running() && Text(kTitle) != Utf8(kInstallingTitle)) {
    GTEST_SKIP() << "the install ended before the close requests were handled";
  }
  EXPECT_EQ(closed.outcome, Outcome::Handled);
  EXPECT_EQ(altF4.outcome, Outcome::Handled);
  ASSERT_TRUE(driver_.Running());
  EXPECT_TRUE(IsWindowVisible(main_));
  for (const SeenWindow& seen : driver_.WindowsEverShown())
    EXPECT_NE(seen.className, "#32770") << "a box was shown: " << Utf8(seen.caption);

  const std::string finished = kFinishedTitle;
  const std::string failed = kFailedTitle;
  const WindowState ended = driver_.WaitState(
      kTitle, [&](const WindowState& st) { return st.text == finished || st.text == failed; },
      "the end of the install", kInstallTimeout);
  ASSERT_EQ(Utf8(ended.text), Utf8(finished)) << "status: " << Text("Status_L");
  driver_.Click(kCancel);
  EXPECT_EQ(driver_.WaitExit(), 0u);
}

// On pages 1 to 4 the close box and Alt+F4 ask before the program ends: No keeps the page, Yes
// ends the program with exit code 2 (cancelled).
class WizardCloseQuestionTest : public WizardWalkTest, public testing::WithParamInterface<int> {
 protected:
  void ExpectCloseQuestion(const ActionResult& result) {
    ASSERT_EQ(result.outcome, Outcome::WindowOpened);
    const MessageBoxInfo box = driver_.WaitMessageBox();
    EXPECT_EQ(Utf8(box.text), Utf8(kCloseQuestion));
    EXPECT_EQ(Utf8(box.caption), Utf8(kCaption));
    EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  }
};

TEST_P(WizardCloseQuestionTest, NoKeepsThePageAndYesEndsTheProgram) {
  const int page = GetParam();
  StartSetup(program_);
  GoToPage(page, scratch_.string());
  const std::string title = Text(kTitle);

  ExpectCloseQuestion(driver_.Close());
  driver_.Answer(IDNO);
  EXPECT_TRUE(driver_.Running());
  EXPECT_EQ(Text(kTitle), title);
  EXPECT_TRUE(IsWindowVisible(main_));

  ExpectCloseQuestion(driver_.AltF4());
  driver_.Answer(IDNO);
  EXPECT_TRUE(driver_.Running());
  EXPECT_EQ(Text(kTitle), title);

  // Yes by the close box on even pages, by Alt+F4 on odd ones.
  ExpectCloseQuestion(page % 2 == 0 ? driver_.Close() : driver_.AltF4());
  driver_.Answer(IDYES);
  EXPECT_EQ(driver_.WaitExit(), 2u);
}

INSTANTIATE_TEST_SUITE_P(WizardPages1To4, WizardCloseQuestionTest, testing::Values(1, 2, 3, 4),
                         [](const testing::TestParamInfo<int>& param) {
                           return "Page" + std::to_string(param.param);
                         });

}  // namespace
}  // namespace quenlo::uidriver
