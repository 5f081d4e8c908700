// Pictures: a window of our own class that draws its artwork (ui_artwork.h) at its top left
// corner over its parent's background, at the artwork's own size scaled to the window's
// density. A picture whose place leaves the size open takes that size; a fixed size shows the
// part that fits.
#include "platform/win32/ui_artwork.h"
#include "platform/win32/ui_control_kinds.h"
#include "platform/win32/ui_own_class.h"

namespace quenlo::win32 {
namespace {

constexpr const wchar_t* kPictureClass = L"QuenloPicture";

class Picture final : public ControlImpl, private OwnClassHandler {
 public:
  using ControlImpl::ControlImpl;

  // The name is kept only when the artwork could be loaded; an unknown one shows nothing.
  void SetPicture(const std::string& resource) override {
    artwork_ = Artwork::Load(resource);
    pictureName_ = artwork_ != nullptr ? resource : std::string();
    Refit();
    if (hwnd() != nullptr) InvalidateRect(hwnd(), nullptr, TRUE);
  }
  std::string PictureName() const override { return pictureName_; }

 protected:
  WindowKind Kind() const override { return {RegisterOwnClass(kPictureClass), 0, 0}; }
  SIZE DefaultSize() const override { return {105, 105}; }
  void* CreationParameter() override { return static_cast<OwnClassHandler*>(this); }
  void ApplySpec() override {
    if (!spec().picture.empty()) SetPicture(spec().picture);
  }
  void OnDetach() override { artwork_.reset(); }
  void Refit() override {
    if (artwork_ != nullptr) FitOpenSides(Scaled(artwork_->width()), Scaled(artwork_->height()));
  }

 private:
  bool HandleOwnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT* result) override {
    switch (message) {
      case WM_ERASEBKGND:
        *result = 1;  // WM_PAINT fills everything
        return true;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd(), &paint);
        Paint(dc);
        EndPaint(hwnd(), &paint);
        return true;
      }
      case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return true;
      default:
        return false;
    }
  }

  void Paint(HDC dc) {
    RECT area = {};
    GetClientRect(hwnd(), &area);
    FillRect(dc, &area, ParentBackground().brush);
    if (artwork_ != nullptr) {
      artwork_->Draw(dc, 0, 0, Scaled(artwork_->width()), Scaled(artwork_->height()));
    }
  }

  std::unique_ptr<Artwork> artwork_;
  std::string pictureName_;
};

}  // namespace

const ControlMaker kMakePicture = MakeAs<Picture>;

}  // namespace quenlo::win32
