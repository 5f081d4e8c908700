// The wizard at the pixel density of the prefix it runs in: 96 DPI in the shared prefix, and 120,
// 144 and 192 in prefixes of their own (wine_tests_dpiN, QUENLO_WINE_DPI). On every page, in both
// languages and on the failure page, the client area is 561 x 371 at that density, and every
// label, button, check box and group box shows its whole text: measured with the control's own
// font, the text fits the control, and the control lies inside its parent.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "install/session.h"
#include "platform/ui_scale.h"
#include "platform/win32/backend.h"
#include "platform/win32/control_names.h"
#include "platform/win32/ui_backend.h"
#include "wizard/main_form_layout.h"
#include "wizard/page_builders.h"
#include "wizard/setup_main_form.h"

namespace quenlo {
namespace {

// The density the prefix was made with; 96 where the variable is not set.
int ExpectedDpi() {
  const char* value = std::getenv("QUENLO_WINE_DPI");
  return value != nullptr && *value != '\0' ? std::atoi(value) : ui::kDesignDpi;
}

std::string NameOf(HWND hwnd) { return win32::ControlName(hwnd); }

std::string ClassOf(HWND hwnd) {
  char name[64] = "";
  return std::string(name, GetClassNameA(hwnd, name, sizeof name));
}

// The size `hwnd`'s text takes in the font the control draws it with, as a static control or a
// button draws it: "&" marks an accelerator, line breaks break, a wrapping label wraps.
SIZE TextSize(HWND hwnd, int wrapWidth) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  if (text.empty()) return {0, 0};
  HDC dc = GetDC(hwnd);
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  RECT bounds = {0, 0, wrapWidth, 0};
  DrawTextW(
      dc, text.c_str(), static_cast<int>(text.size()), &bounds,
      DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | (wrapWidth > 0 ? DT_WORDBREAK | DT_EDITCONTROL : 0));
  SelectObject(dc, previous);
  ReleaseDC(hwnd, dc);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

class WizardAtDensityTest : public ::testing::TestWithParam<std::int32_t> {
 protected:
  void SetUp() override {
    dpi_ = ExpectedDpi();
    folder_ = std::filesystem::temp_directory_path() /
              ("quenlo_density_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_);
    window_ = win32::MakeMainWindow(nullptr);
    ASSERT_NE(window_, nullptr);
    main_ = win32::WindowHandle(*window_);
    wizard::WizardServices services{session_, *files_, *registry_};
    form_ = std::make_unique<wizard::TSetupMain_Form>(*window_, std::move(services), GetParam());
    win32::ShowMainWindow(*window_);
  }
  void TearDown() override {
    form_.reset();
    window_.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  int Scaled(int length) const { return ui::ScaleLength(length, dpi_); }
  HWND Handle(const char* name) { return win32::ControlHandle(*window_->Find(name)); }
  void Press(const char* name) { SendMessageW(Handle(name), BM_CLICK, 0, 0); }

  // Runs the window's messages (its timer among them) until `done` or 5 s have passed.
  template <typename Done>
  bool PumpUntil(Done done) {
    for (const ULONGLONG end = GetTickCount64() + 5000; GetTickCount64() < end;) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      if (done()) return true;
      Sleep(5);
    }
    return done();
  }

  // From page 1 to the installing page, with an empty folder on page 3 (no question).
  void GoToInstallingPage() {
    ExpectPageFits("page 1");
    Press(wizard::kNextBtn);
    ExpectPageFits("page 2");
    Press(wizard::kNextBtn);
    ExpectPageFits("page 3");
    window_->Find(wizard::kFolderE)->SetText(folder_.string());
    ExpectPageFits("page 3, another folder");
    Press(wizard::kNextBtn);
    ASSERT_EQ(form_->PageIndex(), 4);
    ExpectPageFits("page 4");
    Press(wizard::kNextBtn);
    ASSERT_EQ(form_->PageIndex(), 5);
    ExpectPageFits("page 5");
  }

  void ExpectPageFits(const std::string& page) {
    SCOPED_TRACE(page);
    RECT client = {};
    GetClientRect(main_, &client);
    EXPECT_EQ(client.right, Scaled(561));
    EXPECT_EQ(client.bottom, Scaled(371));
    EnumChildWindows(main_, CheckControl, reinterpret_cast<LPARAM>(this));
  }

  static BOOL CALLBACK CheckControl(HWND hwnd, LPARAM self) {
    if (IsWindowVisible(hwnd)) reinterpret_cast<WizardAtDensityTest*>(self)->ExpectFits(hwnd);
    return TRUE;
  }

  void ExpectFits(HWND hwnd) {
    const std::string name = NameOf(hwnd);
    SCOPED_TRACE(name);
    RECT place = {};
    GetWindowRect(hwnd, &place);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&place), 2);
    RECT parent = {};
    GetClientRect(GetParent(hwnd), &parent);
    EXPECT_GE(place.left, 0);
    EXPECT_GE(place.top, 0);
    EXPECT_LE(place.right, parent.right) << "runs past its parent's right edge";
    EXPECT_LE(place.bottom, parent.bottom) << "runs past its parent's bottom edge";

    const std::string windowClass = ClassOf(hwnd);
    if (windowClass != "Static" && windowClass != "Button") return;
    RECT own = {};
    GetClientRect(hwnd, &own);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    const bool wraps = windowClass == "Static" && (style & SS_TYPEMASK) == SS_LEFT;
    const SIZE text = TextSize(hwnd, wraps ? own.right : 0);
    // Room the control's own drawing takes beside the text: a button's edge, a check box's box
    // and the gap after it, a group box's frame before and after its caption.
    SIZE room = {0, 0};
    if (windowClass == "Button") {
      switch (style & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX:
          room = {Scaled(13) + Scaled(4), 0};
          break;
        case BS_GROUPBOX:
          room = {2 * Scaled(8), 0};
          break;
        default:
          room = {2 * Scaled(2), 2 * Scaled(2)};
          break;
      }
    }
    EXPECT_LE(text.cx + room.cx, own.right) << "text " << text.cx << " wide";
    EXPECT_LE(text.cy + room.cy, own.bottom) << "text " << text.cy << " high";
  }

  int dpi_ = ui::kDesignDpi;
  std::filesystem::path folder_;
  SetupSession session_;
  std::unique_ptr<platform::FileSystem> files_ = win32::MakeFileSystem();
  std::unique_ptr<platform::Registry> registry_ = win32::MakeRegistry();
  std::unique_ptr<ui::Window> window_;
  HWND main_ = nullptr;
  std::unique_ptr<wizard::TSetupMain_Form> form_;
};

TEST_P(WizardAtDensityTest, EveryPageToTheFinishShowsAllItsText) {
  GoToInstallingPage();
  session_.Status.PublishStatus("正在安装 Codec\\QuenloSplitter.ax");
  session_.Status.SetInstallFinished(true);
  ASSERT_TRUE(PumpUntil([&] { return form_->PageIndex() == 6; }));
  ExpectPageFits("page 6");
}

TEST_P(WizardAtDensityTest, TheFailurePageShowsAllItsText) {
  GoToInstallingPage();
  InstallFailure failure;
  failure.step = InstallStep::Extract;
  failure.cause = FailureCause::DiskFull;
  failure.record = "App\\Skins\\Default\\Background.bmp";
  failure.offset = 12345678;
  failure.file = "C:\\Program Files\\QuenloBoFang\\Skins\\Default\\Background.bmp";
  failure.systemError = ERROR_DISK_FULL;
  failure.message = "WriteFile: There is not enough space on the disk.";
  failure.undone = true;
  session_.Status.PublishFailure(failure);
  const std::string failed = wizard::kFailedTitle;
  ASSERT_TRUE(PumpUntil([&] { return window_->Find(wizard::kTitle1L)->Text() == failed; }));
  ExpectPageFits("the failure page");
}

// Moved to a monitor of another density, the window lays itself and every control out again for
// it: the client area, the places, the fonts (9 points in 18 pixels at 144 DPI) and the artwork.
TEST_P(WizardAtDensityTest, WmDpiChangedLaysTheWindowOutAgain) {
  const int other = dpi_ == 144 ? 192 : 144;
  RECT suggested = {};
  GetWindowRect(main_, &suggested);
  SendMessageW(main_, WM_DPICHANGED, MAKEWPARAM(other, other),
               reinterpret_cast<LPARAM>(&suggested));
  dpi_ = other;
  ExpectPageFits("page 1, moved");
  RECT next = {};
  GetWindowRect(Handle(wizard::kNextBtn), &next);
  MapWindowPoints(nullptr, GetParent(Handle(wizard::kNextBtn)), reinterpret_cast<POINT*>(&next), 2);
  EXPECT_EQ(next.left, Scaled(364));
  EXPECT_EQ(next.right - next.left, Scaled(364 + 86) - Scaled(364));
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(wizard::kNextBtn), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -ui::FontPixelHeight(9, other));
  RECT strip = {};
  GetClientRect(Handle(wizard::kImage1), &strip);
  EXPECT_EQ(strip.right, Scaled(19 + 120) - Scaled(19));
  Press(wizard::kNextBtn);
  ExpectPageFits("page 2, built after the move");
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, WizardAtDensityTest,
                         ::testing::Values(wizard::kLanguageChinese, wizard::kLanguageEnglish),
                         [](const ::testing::TestParamInfo<std::int32_t>& param) {
                           return param.param == wizard::kLanguageChinese ? "Chinese" : "English";
                         });

}  // namespace
}  // namespace quenlo
