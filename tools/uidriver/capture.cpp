#include "tools/uidriver/capture.h"

#include <cstring>
#include <fstream>

#include "tools/uidriver/error.h"
#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

// A 24-bit top-down DIB section selected into a memory DC.
class DibCanvas {
 public:
  DibCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (dc_ == nullptr || bitmap_ == nullptr) {
      Release();
      throw DriverError("cannot create a " + std::to_string(width) + "x" + std::to_string(height) +
                        " bitmap");
    }
    old_ = SelectObject(dc_, bitmap_);
  }
  ~DibCanvas() { Release(); }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC Dc() const { return dc_; }

  Image ToImage() const {
    GdiFlush();
    Image image{width_, height_, {}};
    const std::size_t row = static_cast<std::size_t>(width_) * 3;
    const std::size_t stride = (row + 3) & ~std::size_t{3};
    image.bgr.resize(row * height_);
    for (int y = 0; y < height_; ++y) {
      std::memcpy(image.bgr.data() + y * row, static_cast<const std::uint8_t*>(bits_) + y * stride,
                  row);
    }
    return image;
  }

 private:
  void Release() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
    old_ = bitmap_ = nullptr;
    dc_ = nullptr;
  }

  int width_;
  int height_;
  HDC dc_ = nullptr;
  HGDIOBJ bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

}  // namespace

Image CaptureScreen(const RECT& screenRect) {
  const int width = screenRect.right - screenRect.left;
  const int height = screenRect.bottom - screenRect.top;
  if (width <= 0 || height <= 0) throw DriverError("nothing to capture: the rectangle is empty");
  DibCanvas canvas(width, height);
  const HDC screen = GetDC(nullptr);
  const BOOL copied = BitBlt(canvas.Dc(), 0, 0, width, height, screen, screenRect.left,
                             screenRect.top, SRCCOPY | CAPTUREBLT);
  ReleaseDC(nullptr, screen);
  if (!copied) throw DriverError(SystemErrorText("cannot copy the screen", GetLastError()));
  return canvas.ToImage();
}

Image CaptureWindow(HWND hwnd) {
  RECT rect{};
  if (!GetWindowRect(hwnd, &rect)) throw DriverError("cannot read the window's rectangle");
  return CaptureScreen(rect);
}

Image RenderIcon(HICON icon, int width, int height, std::uint32_t background) {
  DibCanvas canvas(width, height);
  const HBRUSH brush =
      CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
  const RECT all{0, 0, width, height};
  FillRect(canvas.Dc(), &all, brush);
  DeleteObject(brush);
  DrawIconEx(canvas.Dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  return canvas.ToImage();
}

void SaveBmp(const Image& image, const std::filesystem::path& file) {
  const std::vector<std::uint8_t> bytes = EncodeBmp(image);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw DriverError("cannot write " + WideToUtf8(file.native()));
}

}  // namespace quenlo::uidriver
