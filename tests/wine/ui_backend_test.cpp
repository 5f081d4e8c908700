// The Win32 user interface under Wine: the main window with the wizard's frame, controls of
// every kind made from specs, their places, texts (GBK), fonts, events, artwork, destruction
// and the close protocol.
#include <windows.h>
// The others need windows.h first.
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/control_names.h"
#include "platform/win32/ui_backend.h"
#include "platform/win32/ui_jpeg.h"
#include "wizard/folder_checks.h"
#include "wizard/main_form_layout.h"

namespace quenlo {
namespace {

using ui::ControlKind;
using ui::ControlSpec;

const ui::Font kInterfaceFont{"宋体", 9, false};

struct Box {
  int left, top, width, height;
  bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << ")";
}

// A window's place relative to its parent's client area.
Box PlaceOf(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::string NameOf(HWND hwnd) { return win32::ControlName(hwnd); }

std::string ClassOf(HWND hwnd) {
  char name[64] = "";
  return std::string(name, GetClassNameA(hwnd, name, sizeof name));
}

std::wstring WideTextOf(HWND hwnd) {
  wchar_t text[512] = L"";
  return std::wstring(text, GetWindowTextW(hwnd, text, 512));
}

HFONT FontHandleOf(HWND hwnd) {
  return reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
}

LOGFONTA FontOf(HWND hwnd) {
  LOGFONTA font = {};
  GetObjectA(FontHandleOf(hwnd), sizeof font, &font);
  return font;
}

LONG_PTR StyleOf(HWND hwnd) { return GetWindowLongPtrA(hwnd, GWL_STYLE); }

// What a control draws of its client area (WM_PRINTCLIENT into a 32-bit bitmap).
class Rendering {
 public:
  explicit Rendering(HWND hwnd) {
    RECT client = {};
    GetClientRect(hwnd, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels_ = static_cast<const DWORD*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
    SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    GdiFlush();
  }
  ~Rendering() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Rendering(const Rendering&) = delete;
  Rendering& operator=(const Rendering&) = delete;

  // The colour at (x, y); CLR_INVALID outside the control.
  COLORREF At(int x, int y) const {
    if (pixels_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const DWORD pixel = pixels_[y * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }

 private:
  int width_ = 0;
  int height_ = 0;
  HBITMAP bitmap_ = nullptr;
  const DWORD* pixels_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

bool Near(COLORREF color, COLORREF expected, int tolerance) {
  return color != CLR_INVALID && std::abs(GetRValue(color) - GetRValue(expected)) <= tolerance &&
         std::abs(GetGValue(color) - GetGValue(expected)) <= tolerance &&
         std::abs(GetBValue(color) - GetBValue(expected)) <= tolerance;
}

// Takes a pending WM_QUIT from this thread's queue; true when there was one.
bool TakeQuit() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

// A main window with the wizard's frame (its panels, buttons, labels and pictures).
class UiBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = win32::MakeMainWindow(nullptr);
    ASSERT_NE(window, nullptr);
    main = win32::WindowHandle(*window);
    wizard::CreateMainFormControls(*window);
  }
  void TearDown() override {
    window.reset();
    TakeQuit();
  }

  // A control on the page host.
  ui::Control& AddToPage(const char* name, ControlKind kind, ui::Place place,
                         const std::string& text = {}, bool checked = false,
                         const std::string& picture = {}) {
    ControlSpec spec;
    spec.name = name;
    spec.kind = kind;
    spec.parent = wizard::kFatherP;
    spec.place = place;
    spec.text = text;
    spec.checked = checked;
    spec.picture = picture;
    return window->Create(spec);
  }
  ui::Control& Get(const char* name) { return *window->Find(name); }
  HWND Handle(const char* name) { return win32::ControlHandle(Get(name)); }
  static HWND Handle(const ui::Control& control) { return win32::ControlHandle(control); }

  std::unique_ptr<ui::Window> window;
  HWND main = nullptr;
};

// --- The window and the frame ----------------------------------------------------------------

TEST_F(UiBackendTest, MainWindowIsAFixedDialogFrameInTheCentreWithAGbkCaption) {
  RECT client = {};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 561);
  EXPECT_EQ(client.bottom, 371);
  EXPECT_EQ(StyleOf(main) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_FALSE(StyleOf(main) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD));
  EXPECT_EQ(NameOf(main), "SetupMain_Form");
  RECT frame = {};
  GetWindowRect(main, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  window->SetCaption("安装 Quenlo播放 v2.0 Tesmar版");
  EXPECT_EQ(window->Caption(), "安装 Quenlo播放 v2.0 Tesmar版");
  EXPECT_EQ(WideTextOf(main), L"安装 Quenlo播放 v2.0 Tesmar版");
  EXPECT_FALSE(IsWindowVisible(main)) << "the window shows only once it is built";
  win32::ShowMainWindow(*window);
  EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(UiBackendTest, FrameControlsAreWindowsOfTheirKindAtTheirPlaceWithTheirName) {
  const auto windowClass = [](ControlKind kind) -> std::string {
    switch (kind) {
      case ControlKind::Panel:
        return "QuenloPanel";
      case ControlKind::Picture:
        return "QuenloPicture";
      case ControlKind::Label:
        return "Static";
      default:
        return "Button";
    }
  };
  for (const ControlSpec& spec : wizard::MainFormControls()) {
    SCOPED_TRACE(spec.name);
    const HWND hwnd = Handle(spec.name.c_str());
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(NameOf(hwnd), spec.name);
    EXPECT_EQ(ClassOf(hwnd), windowClass(spec.kind));
    EXPECT_EQ(GetParent(hwnd), spec.parent.empty() ? main : Handle(spec.parent.c_str()));
    const Box box = PlaceOf(hwnd);
    EXPECT_EQ(box.left, spec.place.left);
    EXPECT_EQ(box.top, spec.place.top);
    if (spec.place.width != 0) {
      EXPECT_EQ(box.width, spec.place.width);
    }
    if (spec.place.height != 0) {
      EXPECT_EQ(box.height, spec.place.height);
    }
    EXPECT_EQ((StyleOf(hwnd) & WS_VISIBLE) != 0, spec.visible);
    EXPECT_EQ(IsWindowEnabled(hwnd) != FALSE, spec.enabled);
  }
}

TEST_F(UiBackendTest, CreateRefusesTakenNamesAndUnknownParents) {
  EXPECT_THROW(AddToPage("Foot_P", ControlKind::Label, {}), std::invalid_argument);
  ControlSpec orphan;
  orphan.name = "X_Btn";
  orphan.parent = "No_P";
  EXPECT_THROW(window->Create(orphan), std::invalid_argument);
  EXPECT_EQ(window->Find("X_Btn"), nullptr);
}

// What a control looked like when it was shown.
struct ShownState {
  std::string name;
  bool checked;
  Box box;
  HFONT font;
};
std::vector<ShownState>* shownStates = nullptr;

LRESULT CALLBACK RecordShowing(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam == TRUE) {
    shownStates->push_back({NameOf(call->hwnd),
                            SendMessageA(call->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED,
                            PlaceOf(call->hwnd), FontHandleOf(call->hwnd)});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(UiBackendTest, ControlsShowOnlyWhenEverySettingIsMade) {
  std::vector<ShownState> shown;
  shownStates = &shown;
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordShowing, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  AddToPage("HomePage_CB", ControlKind::CheckBox, {50, 50}, {}, true);
  AddToPage("Status_L", ControlKind::Label, {30, 20}, "cur");
  AddToPage("Site_I", ControlKind::Picture, {50, 80}, {}, false, "DAO_JPG");
  UnhookWindowsHookEx(hook);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_TRUE(shown[0].checked);
  EXPECT_NE(shown[0].font, nullptr);
  EXPECT_EQ(shown[1].box, PlaceOf(Handle("Status_L")));
  EXPECT_EQ(shown[2].box, (Box{50, 80, 168, 65}));
}

// The child windows of `parent` from the top of the Z order down, by name.
std::vector<std::string> StackingOrder(HWND parent) {
  std::vector<std::string> names;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    names.push_back(NameOf(c));
  return names;
}

TEST_F(UiBackendTest, GroupBoxLiesBeneathTheControlsLaidOverItsFrame) {
  AddToPage("FolderHint_L", ControlKind::Label, {30, 10}, "h");
  AddToPage("Folder_GB", ControlKind::GroupBox, {25, 150, 370, 60});
  AddToPage("Folder_E", ControlKind::Edit, {40, 172, 265, 0});
  AddToPage("Browse_Btn", ControlKind::Button, {307, 171, 75, 23});
  AddToPage("NeedSpace_L", ControlKind::Label, {25, 215});
  // Down the stack is the tab order: the order of creation, the group box last.
  EXPECT_EQ(StackingOrder(Handle("Father_P")),
            (std::vector<std::string>{"FolderHint_L", "Folder_E", "Browse_Btn", "NeedSpace_L",
                                      "Folder_GB"}));
  EXPECT_TRUE(StyleOf(Handle("Folder_GB")) & WS_CLIPSIBLINGS);
}

// --- Labels and fonts ------------------------------------------------------------------------

TEST_F(UiBackendTest, LabelsFitTheirCaptionWithLineBreaksAndAccelerators) {
  ui::Control& label = AddToPage("Status_L", ControlKind::Label, {30, 20});
  label.SetFont(kInterfaceFont);
  const HWND hwnd = Handle(label);
  label.SetText("N");
  const Box one = PlaceOf(hwnd);
  EXPECT_EQ(one.left, 30);
  EXPECT_GT(one.width, 0);
  label.SetText("(N)");
  const int plain = PlaceOf(hwnd).width;
  label.SetText("(&N)");
  EXPECT_EQ(PlaceOf(hwnd).width, plain) << "the accelerator mark takes room";

  // A lone carriage return breaks the line; the caption keeps it as given.
  label.SetText("单[我接受(&I)]继续安装\r中的内容");
  EXPECT_EQ(PlaceOf(hwnd).height, 2 * one.height);
  EXPECT_EQ(label.Text(), "单[我接受(&I)]继续安装\r中的内容");
  EXPECT_EQ(WideTextOf(hwnd), L"单[我接受(&I)]继续安装\r中的内容");
  label.SetFont({"宋体", 14, false});
  EXPECT_GT(PlaceOf(hwnd).height, 2 * one.height) << "a bigger font makes a bigger label";
  label.SetFont(kInterfaceFont);
  label.SetText("");
  EXPECT_EQ(PlaceOf(hwnd).height, one.height) << "an empty caption keeps a line";

  // The parent's background: white on the title band, transparent text where asked.
  HDC dc = GetDC(main);
  const auto colourOf = [dc](HWND control) {
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<HBRUSH>(SendMessageA(GetParent(control), WM_CTLCOLORSTATIC,
                                                 reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(control)));
  };
  EXPECT_EQ(colourOf(Handle("Title1_L")), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(colourOf(Handle("Logo_L")), GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  ReleaseDC(main, dc);
}

TEST_F(UiBackendTest, EachControlHasItsOwnFontFreedWithIt) {
  ui::Control& next = Get("Next_Btn");
  ui::Control& title = Get("Title1_L");
  EXPECT_EQ(next.GetFont(), (ui::Font{"MS Sans Serif", 8, false})) << "the window's font";
  EXPECT_EQ(FontOf(Handle(next)).lfHeight, -11);

  next.SetFont(kInterfaceFont);
  title.SetFont(kInterfaceFont);
  const HFONT regularTitle = FontHandleOf(Handle(title));
  EXPECT_NE(FontHandleOf(Handle(next)), regularTitle);
  ui::Font bold = title.GetFont();
  bold.bold = true;
  title.SetFont(bold);
  EXPECT_EQ(next.GetFont(), kInterfaceFont);
  const LOGFONTA titleFont = FontOf(Handle(title));
  const LOGFONTA nextFont = FontOf(Handle(next));
  EXPECT_EQ(titleFont.lfHeight, -12);
  EXPECT_EQ(titleFont.lfWeight, FW_BOLD);
  EXPECT_STREQ(titleFont.lfFaceName, "宋体");
  EXPECT_EQ(nextFont.lfHeight, -12);
  EXPECT_EQ(nextFont.lfWeight, FW_NORMAL);
  EXPECT_EQ(GetObjectType(regularTitle), 0u) << "the replaced font was not freed";
  title.SetFont({"宋体", 10, false});
  EXPECT_EQ(FontOf(Handle(title)).lfHeight, -13);

  const HFONT nextHandle = FontHandleOf(Handle(next));
  window->Destroy(next);
  EXPECT_EQ(GetObjectType(nextHandle), 0u);
  // Destroying the main window takes every control's window along, and its font with it.
  const HFONT titleHandle = FontHandleOf(Handle(title));
  DestroyWindow(main);
  EXPECT_EQ(GetObjectType(titleHandle), 0u);
}

// --- Edit boxes and memos --------------------------------------------------------------------

TEST_F(UiBackendTest, EditChangeHandlerRunsOnlyWhenTheTextReallyChanges) {
  ui::Control& edit = AddToPage("Folder_E", ControlKind::Edit, {40, 172, 265, 0});
  std::vector<std::string> seen;
  edit.onChange = [&] { seen.push_back(edit.Text()); };
  edit.SetText("C:\\Program Files\\Quenlo播放");
  edit.SetText("C:\\Program Files\\Quenlo播放");
  EXPECT_EQ(seen, std::vector<std::string>{"C:\\Program Files\\Quenlo播放"});

  // As the UI driver types: WM_SETTEXT, which the control answers with EN_CHANGE every time.
  const std::string typed = "D:\\程序\\誠";  // 誠 ends in the byte 0x5C
  for (int i = 0; i < 2; ++i)
    SendMessageA(Handle(edit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\Program Files\\Quenlo播放", typed}));
  EXPECT_EQ(WideTextOf(Handle(edit)), L"D:\\程序\\誠");

  // Typed or pasted text GBK cannot hold reads with '?' in its place, which no folder accepts.
  SendMessageW(Handle(edit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"D:\\\u0151\\"));
  EXPECT_EQ(edit.Text(), "D:\\?\\");
  EXPECT_FALSE(wizard::IsValidFolderName(edit.Text()));

  // The open height fits the font; the width stays as placed.
  const Box small = PlaceOf(Handle(edit));
  edit.SetFont({"宋体", 20, false});
  EXPECT_GT(PlaceOf(Handle(edit)).height, small.height);
  EXPECT_EQ(PlaceOf(Handle(edit)).width, 265);
}

TEST_F(UiBackendTest, MemoIsReadOnlyWrapsBreaksAtEveryLineBreakAndShowsItsTop) {
  ui::Control& memo = AddToPage("Agreement_M", ControlKind::Memo, {30, 30, 360, 190});
  const HWND hwnd = Handle(memo);
  EXPECT_EQ(PlaceOf(hwnd), (Box{30, 30, 360, 190}));
  EXPECT_EQ(StyleOf(hwnd) & (ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL),
            ES_MULTILINE | ES_READONLY | WS_VSCROLL);
  memo.SetText("许可协议\r\n\r\n一、\r二、\n三、");
  EXPECT_EQ(memo.Text(), "许可协议\r\n\r\n一、\r\n二、\r\n三、");
  EXPECT_EQ(SendMessageA(hwnd, EM_GETLINECOUNT, 0, 0), 5);
  memo.SetText(std::string(400, 'x').insert(200, " "));
  EXPECT_GT(SendMessageA(hwnd, EM_GETLINECOUNT, 0, 0), 1) << "a long line wraps";

  std::string text;
  for (int line = 0; line < 60; ++line) text += "第" + std::to_string(line) + "行\r\n";
  memo.SetText(text);
  SendMessageA(hwnd, EM_LINESCROLL, 0, 30);
  memo.PlaceCaret(1);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(SendMessageA(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

  // A read-only edit control asks for its colour as a static one does; the memo stays white.
  HDC dc = GetDC(hwnd);
  EXPECT_EQ(SendMessageA(GetParent(hwnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(hwnd)),
            reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
  ReleaseDC(hwnd, dc);
}

// --- Check boxes and progress bars -----------------------------------------------------------

TEST_F(UiBackendTest, ClickingACheckBoxTogglesItAndRunsItsHandler) {
  ui::Control& box = AddToPage("HomePage_CB", ControlKind::CheckBox, {50, 50, 340, 0},
                               "将[Tesmar网]设为首页", true);
  EXPECT_EQ(PlaceOf(Handle(box)), (Box{50, 50, 340, 17}));
  std::vector<bool> seen;
  box.onClick = [&] { seen.push_back(box.Checked()); };
  SendMessageA(Handle(box), BM_CLICK, 0, 0);
  SendMessageA(Handle(box), BM_CLICK, 0, 0);
  EXPECT_EQ(seen, (std::vector<bool>{false, true}));
  box.SetChecked(false);
  EXPECT_EQ(SendMessageA(Handle(box), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(seen.size(), 2u) << "setting the state is no click";
  EXPECT_EQ(WideTextOf(Handle(box)), L"将[Tesmar网]设为首页");
}

TEST_F(UiBackendTest, ProgressPositionIsHeldWithinTheRange) {
  ui::Control& bar = AddToPage("Install_PB", ControlKind::ProgressBar, {30, 40, 350, 0});
  const HWND hwnd = Handle(bar);
  EXPECT_EQ(PlaceOf(hwnd), (Box{30, 40, 350, 16}));
  bar.SetRange(1, 570);
  EXPECT_EQ(SendMessageA(hwnd, PBM_GETRANGE, TRUE, 0), 1);
  EXPECT_EQ(SendMessageA(hwnd, PBM_GETRANGE, FALSE, 0), 570);
  EXPECT_EQ(bar.Position(), 1) << "the position moves into the new range";
  for (const auto& [given, shown] :
       {std::pair{-5, 1}, {285, 285}, {570, 570}, {571, 570}, {100000, 570}}) {
    bar.SetPosition(given);
    EXPECT_EQ(bar.Position(), shown) << given;
    EXPECT_EQ(SendMessageA(hwnd, PBM_GETPOS, 0, 0), shown) << given;
  }
}

// --- Pictures and panels ---------------------------------------------------------------------

TEST_F(UiBackendTest, PicturesTakeTheSizeOfTheirArtworkWhenTheirPlaceLeavesItOpen) {
  ui::Control& site = AddToPage("Site_I", ControlKind::Picture, {50, 80});
  EXPECT_EQ(site.PictureName(), "");
  site.SetPicture(Get("Dao_I").PictureName());  // as the tasks page copies the logo
  EXPECT_EQ(PlaceOf(Handle(site)), (Box{50, 80, 168, 65}));
  EXPECT_EQ(site.PictureName(), "DAO_JPG");
  EXPECT_EQ(PlaceOf(Handle("Dao_I")), (Box{88, 8, 105, 26})) << "a fixed place keeps its size";
  site.SetPicture("NO_SUCH_JPG");
  EXPECT_EQ(site.PictureName(), "") << "an artwork the program does not have";
  EXPECT_EQ(PlaceOf(Handle(site)), (Box{50, 80, 168, 65}));

  ui::Control& icon = AddToPage("Icon_I", ControlKind::Picture, {9, 8}, {}, false, "TITLE_ICO");
  EXPECT_EQ(PlaceOf(Handle(icon)), (Box{9, 8, 32, 32}));
  ui::Control& strip = AddToPage("Strip_I", ControlKind::Picture, {0, 0}, {}, false, "WELCOME_JPG");
  EXPECT_EQ(PlaceOf(Handle(strip)), (Box{0, 0, 120, 235}));
}

TEST_F(UiBackendTest, PicturesAndPanelsDrawInTheirColours) {
  // The strip is deep blue at the top, lighter at the bottom, with a white play disc.
  const Rendering welcome(Handle("Image1"));
  EXPECT_TRUE(Near(welcome.At(2, 2), RGB(0x0b, 0x2a, 0x6f), 24)) << std::hex << welcome.At(2, 2);
  EXPECT_TRUE(Near(welcome.At(2, 232), RGB(0x3a, 0x8e, 0xe0), 24));
  EXPECT_TRUE(Near(welcome.At(60, 34), RGB(255, 255, 255), 16));
  // The icon's transparent corner shows the white title band; its face is orange.
  const Rendering icon(Handle("Image2"));
  EXPECT_EQ(icon.At(0, 0), RGB(255, 255, 255));
  EXPECT_TRUE(Near(icon.At(6, 16), RGB(0xf0, 0x8a, 0x1c), 8)) << std::hex << icon.At(6, 16);
  // A lowered bevel: shadow above, highlight below; no bevel on the white title band.
  const Rendering separator(Handle("Panel2"));
  EXPECT_EQ(separator.At(100, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(separator.At(100, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  const Rendering title(Handle("Title_P"));
  EXPECT_EQ(title.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(Rendering(Handle("Foot_P")).At(300, 20), GetSysColor(COLOR_BTNFACE));
}

TEST(JpegDecoderTest, DecodesTheArtworkAndRefusesWhatIsNoJpeg) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, "DAO_JPG", RT_RCDATA);
  ASSERT_NE(found, nullptr);
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
  const DWORD size = SizeofResource(module, found);
  const auto logo = win32::DecodeJpeg(data, size);
  ASSERT_TRUE(logo.has_value());
  EXPECT_EQ(logo->width, 168);
  EXPECT_EQ(logo->height, 65);
  EXPECT_EQ(logo->stride, 504);
  ASSERT_EQ(logo->pixels.size(), 504u * 65u);
  // Blue, green, red, left of the red "网" (at x 120..145, y 15).
  const std::uint8_t* red = &logo->pixels[20 * 504 + 132 * 3];
  EXPECT_GT(red[2], red[0] + 60) << "blue and red are swapped";

  // Half a file still gives the whole picture; a header cut short or other data gives nothing.
  EXPECT_EQ(win32::DecodeJpeg(data, size / 2)->width, 168);
  EXPECT_FALSE(win32::DecodeJpeg(data, 40).has_value());
  const std::uint8_t notJpeg[] = "GIF89a, not a JPEG at all";
  EXPECT_FALSE(win32::DecodeJpeg(notJpeg, sizeof notJpeg).has_value());
}

// --- Children and destruction ----------------------------------------------------------------

TEST_F(UiBackendTest, ChildrenComeInCreationOrderAndDestroyTakesTheInsideAlong) {
  const auto names = [&](const std::string& parent) {
    std::vector<std::string> result;
    for (ui::Control* control : window->Children(parent)) result.push_back(control->name());
    return result;
  };
  EXPECT_EQ(names(""), (std::vector<std::string>{"Main_P", "Title_P", "Foot_P"}));
  for (const char* name : {"Status_L", "Install_PB", "Welcome_L"})
    AddToPage(name, ControlKind::Label, {30, 20}, name);
  EXPECT_EQ(names("Father_P"), (std::vector<std::string>{"Status_L", "Install_PB", "Welcome_L"}));

  const HWND bar = Handle("Install_PB");
  window->Destroy(Get("Install_PB"));
  EXPECT_EQ(names("Father_P"), (std::vector<std::string>{"Status_L", "Welcome_L"}));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(GlobalFindAtomA("Install_PB"), 0) << "the name's atom was not released";

  const HWND status = Handle("Status_L");
  window->Destroy(Get("Main_P"));
  for (const char* gone : {"WelCome_P", "Image1", "Father_P", "Status_L", "Welcome_L"})
    EXPECT_EQ(window->Find(gone), nullptr) << gone;
  EXPECT_FALSE(IsWindow(status));
  EXPECT_EQ(GlobalFindAtomA("Welcome_L"), 0);
  EXPECT_EQ(names(""), (std::vector<std::string>{"Title_P", "Foot_P"}));
}

TEST_F(UiBackendTest, HandlersMayDestroyTheirOwnControl) {
  ui::Control& button = AddToPage("Browse_Btn", ControlKind::Button, {307, 171});
  const HWND hwnd = Handle(button);
  std::string afterwards;
  const std::string note(64, 'n');  // held by the handler, read after the control is gone
  button.onClick = [this, &button, &afterwards, note] {
    window->Destroy(button);
    afterwards = note;
  };
  SendMessageA(hwnd, BM_CLICK, 0, 0);
  EXPECT_EQ(afterwards, note);
  EXPECT_EQ(window->Find("Browse_Btn"), nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
}

// --- Closing ---------------------------------------------------------------------------------

TEST_F(UiBackendTest, CloseQueryDecidesAndOnCloseRunsOnceBeforeTheWindowGoes) {
  std::vector<bool> answers = {false, false, false, true};
  int queries = 0;
  int closes = 0;
  bool controlsDuringClose = false;
  window->onCloseQuery = [&] { return answers[queries++]; };
  window->onClose = [&] {
    ++closes;
    controlsDuringClose = IsWindow(main) && IsWindow(Handle("Father_P"));
  };
  window->RequestClose();
  SendMessageA(main, WM_CLOSE, 0, 0);              // the close box
  SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4, the system menu
  EXPECT_EQ(queries, 3);
  EXPECT_EQ(closes, 0);
  EXPECT_FALSE(window->Closed());
  EXPECT_FALSE(TakeQuit());

  // Cancel on the footer closes the window from inside its own click.
  Get("Cancel_Btn").onClick = [this] { window->RequestClose(); };
  SendMessageA(Handle("Cancel_Btn"), BM_CLICK, 0, 0);
  EXPECT_EQ(queries, 4);
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(controlsDuringClose);
  EXPECT_TRUE(window->Closed());
  EXPECT_FALSE(IsWindow(main));
  EXPECT_TRUE(TakeQuit()) << "closing the main window ends the message loop";
  window->RequestClose();
  EXPECT_EQ(queries, 4);
  // The controls outlive their windows until the window object goes.
  Get("Cancel_Btn").SetText("完成(&F)");
  EXPECT_EQ(Get("Cancel_Btn").Text(), "完成(&F)");
}

TEST_F(UiBackendTest, RequestsWhileTheQueryIsOpenAreNotAskedAgain) {
  int queries = 0;
  window->onCloseQuery = [&] {
    ++queries;
    window->RequestClose();  // a second click on the close box while the question shows
    SendMessageA(main, WM_CLOSE, 0, 0);
    return false;
  };
  window->RequestClose();
  EXPECT_EQ(queries, 1);
}

TEST_F(UiBackendTest, DroppingAnOpenWindowRunsNoOnCloseAndEndsNoLoop) {
  int closes = 0;
  window->onClose = [&] { ++closes; };
  window.reset();
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(closes, 0);
  EXPECT_FALSE(TakeQuit());
}

// --- Timer and keyboard ----------------------------------------------------------------------

TEST_F(UiBackendTest, TimerTicksOnTheLoopUntilStoppedOrReplaced) {
  int first = 0;
  int second = 0;
  window->StartTimer(10, [&] {
    if (++first < 3) return;
    window->StopTimer();
    window->StartTimer(10, [&] {
      if (++second == 2) PostQuitMessage(0);
    });
  });
  win32::RunMessageLoop(*window);
  EXPECT_EQ(first, 3);
  EXPECT_EQ(second, 2);
}

TEST_F(UiBackendTest, KeyboardMovesLikeADialogWithADefaultAndACancelButton) {
  std::vector<std::string> clicks;
  for (const char* name : {"Previous_Btn", "Next_Btn", "Cancel_Btn"})
    Get(name).onClick = [&clicks, name] { clicks.push_back(name); };
  Get("Next_Btn").SetText("下一步>(&N)");
  Get("Previous_Btn").SetVisible(false);
  window->SetDefaultButton("Next_Btn");
  window->SetCancelButton("Cancel_Btn");
  win32::ShowMainWindow(*window);
  EXPECT_EQ(GetFocus(), Handle("Next_Btn")) << "the first control that takes the focus";
  const auto drawnAsDefault = [&](const char* name) {
    return (StyleOf(Handle(name)) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  EXPECT_TRUE(drawnAsDefault("Next_Btn"));
  EXPECT_FALSE(drawnAsDefault("Cancel_Btn"));

  const auto press = [&](UINT message, WPARAM key) {
    PostMessageA(GetFocus(), message, key, 0);
    PostQuitMessage(0);
    win32::RunMessageLoop(*window);
  };
  press(WM_KEYDOWN, VK_RETURN);
  press(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), Handle("Cancel_Btn"));
  EXPECT_TRUE(drawnAsDefault("Cancel_Btn")) << "the focused button is the one Enter presses";
  EXPECT_FALSE(drawnAsDefault("Next_Btn"));
  press(WM_KEYDOWN, VK_RETURN);
  press(WM_KEYDOWN, VK_ESCAPE);
  press(WM_SYSCHAR, 'n');
  EXPECT_EQ(clicks, (std::vector<std::string>{"Next_Btn", "Cancel_Btn", "Cancel_Btn", "Next_Btn"}));

  // In the agreement memo and on a check box, Enter is the default button and Escape the cancel
  // button; Tab leaves the memo.
  clicks.clear();
  ui::Control& memo =
      AddToPage("Agreement_M", ControlKind::Memo, {30, 30, 360, 190}, "协议\r\n第二行");
  ui::Control& box = AddToPage("HomePage_CB", ControlKind::CheckBox, {50, 230});
  memo.Focus();
  EXPECT_TRUE(drawnAsDefault("Next_Btn"));
  press(WM_KEYDOWN, VK_RETURN);
  press(WM_KEYDOWN, VK_ESCAPE);
  press(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), Handle(box));
  press(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(clicks, (std::vector<std::string>{"Next_Btn", "Cancel_Btn", "Next_Btn"}));

  // A default button that cannot be pressed is not; a control that goes with the focus leaves it
  // on the default button.
  Get("Next_Btn").SetEnabled(false);
  press(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(clicks.size(), 3u);
  Get("Next_Btn").SetEnabled(true);
  window->Destroy(box);
  EXPECT_EQ(GetFocus(), Handle("Next_Btn"));
}

// --- Message boxes and the folder dialog -----------------------------------------------------

// On a thread of its own, waits for a dialog (#32770) of the test's thread, reads it and lets
// `answer` answer it; after 10 s it gives up and ends the dialog's loop with WM_QUIT.
class DialogAnswerer {
 public:
  using Answer = void (*)(HWND dialog);
  explicit DialogAnswerer(Answer answer) : answer_(answer), thread_(GetCurrentThreadId()) {
    handle_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }
  ~DialogAnswerer() {
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    TakeQuit();
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // Read once the dialog has been answered (the call that showed it has returned).
  HWND owner = nullptr;
  std::vector<std::string> texts;  // of the dialog's child windows

 private:
  static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    if (ClassOf(hwnd) == "#32770" && IsWindowVisible(hwnd)) *reinterpret_cast<HWND*>(found) = hwnd;
    return TRUE;
  }
  static BOOL CALLBACK CollectText(HWND hwnd, LPARAM texts) {
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
    return TRUE;
  }
  static DWORD WINAPI Run(void* context) {
    auto& self = *static_cast<DialogAnswerer*>(context);
    HWND dialog = nullptr;
    for (const ULONGLONG end = GetTickCount64() + 10000; !dialog && GetTickCount64() < end;) {
      EnumThreadWindows(self.thread_, FindDialog, reinterpret_cast<LPARAM>(&dialog));
      if (dialog == nullptr) Sleep(20);
    }
    if (dialog == nullptr) return PostThreadMessageA(self.thread_, WM_QUIT, 0, 0) ? 0 : 1;
    self.owner = GetWindow(dialog, GW_OWNER);
    EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&self.texts));
    self.answer_(dialog);
    return 0;
  }

  Answer answer_;
  DWORD thread_;
  HANDLE handle_ = nullptr;
};

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(UiBackendTest, MessageBoxIsOwnedByTheWindowAndGivesTheAnswer) {
  win32::ShowMainWindow(*window);
  DialogAnswerer answerer([](HWND box) { PostMessageA(box, WM_COMMAND, IDNO, 0); });
  EXPECT_EQ(window->ShowMessage("你确定要退出吗?", "提示信息", MB_YESNO | MB_ICONINFORMATION),
            IDNO);
  EXPECT_EQ(answerer.owner, main);
  EXPECT_TRUE(Contains(answerer.texts, "你确定要退出吗?"));
}

constexpr const char* kBrowsedFolder = "C:\\quenlo-浏览";

// Selects the folder in the open folder dialog and presses `button`.
void ChooseFolder(HWND dialog, WPARAM button) {
  SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(kBrowsedFolder));
  PostMessageA(dialog, WM_COMMAND, button, 0);
}

TEST_F(UiBackendTest, FolderDialogGivesTheChosenFolderWithItsGbkPathOrNothing) {
  CoInitialize(nullptr);
  RemoveDirectoryA(kBrowsedFolder);
  ASSERT_TRUE(CreateDirectoryA(kBrowsedFolder, nullptr));
  win32::ShowMainWindow(*window);
  {
    DialogAnswerer answerer([](HWND dialog) { ChooseFolder(dialog, IDOK); });
    EXPECT_EQ(window->BrowseForFolder("请选择一个文件夹"),
              std::optional<std::string>(kBrowsedFolder));
    EXPECT_EQ(answerer.owner, main);
    EXPECT_TRUE(Contains(answerer.texts, "请选择一个文件夹"));
  }
  {
    DialogAnswerer answerer([](HWND dialog) { ChooseFolder(dialog, IDCANCEL); });
    EXPECT_EQ(window->BrowseForFolder("请选择一个文件夹"), std::nullopt);
    EXPECT_EQ(answerer.owner, main);
  }
  RemoveDirectoryA(kBrowsedFolder);
  CoUninitialize();
}

}  // namespace
}  // namespace quenlo
