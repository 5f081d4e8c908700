#include "platform/win32/ui_artwork.h"
#include "platform/win32/wide_text.h"

#include <cstring>

#include "platform/win32/ui_jpeg.h"

namespace quenlo::win32 {
namespace {

HBITMAP BitmapFromJpeg(const DecodedJpeg& image) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // rows from the top, as decoded
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return nullptr;
  // A 24-bit DIB pads its rows to 4 bytes, as the decoder does.
  std::memcpy(bits, image.pixels.data(), image.pixels.size());
  return bitmap;
}

bool IconSize(HICON icon, int* width, int* height) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  BITMAP mask = {};
  const bool known = GetObjectW(info.hbmMask, sizeof mask, &mask) != 0;
  *width = mask.bmWidth;
  // Without a colour bitmap the mask holds the AND and XOR halves one above the other.
  *height = info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2;
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return known;
}

}  // namespace

// RT_RCDATA and RT_GROUP_ICON for the wide calls (the headers' forms follow UNICODE).
const auto kRcData = MAKEINTRESOURCEW(10);
const auto kGroupIcon = MAKEINTRESOURCEW(14);

std::unique_ptr<Artwork> Artwork::Load(const std::string& name) {
  if (name.empty()) return nullptr;
  HMODULE module = GetModuleHandleW(nullptr);
  const std::wstring resource = Wide(name);
  if (HRSRC found = FindResourceW(module, resource.c_str(), kRcData)) {
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return nullptr;
    const auto image =
        DecodeJpeg(static_cast<const std::uint8_t*>(data), SizeofResource(module, found));
    if (!image) return nullptr;
    HBITMAP bitmap = BitmapFromJpeg(*image);
    if (bitmap == nullptr) return nullptr;
    return std::unique_ptr<Artwork>(new Artwork(bitmap, nullptr, image->width, image->height));
  }
  if (FindResourceW(module, resource.c_str(), kGroupIcon) != nullptr) {
    // At the size the icon was drawn in (no width or height asked for).
    auto icon = static_cast<HICON>(LoadImageW(module, resource.c_str(), IMAGE_ICON, 0, 0, 0));
    int width = 0;
    int height = 0;
    if (icon == nullptr) return nullptr;
    if (!IconSize(icon, &width, &height)) {
      DestroyIcon(icon);
      return nullptr;
    }
    return std::unique_ptr<Artwork>(new Artwork(nullptr, icon, width, height));
  }
  return nullptr;
}

Artwork::Artwork(HBITMAP bitmap, HICON icon, int width, int height)
    : bitmap_(bitmap), icon_(icon), width_(width), height_(height) {}

Artwork::~Artwork() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (icon_ != nullptr) DestroyIcon(icon_);
}

void Artwork::Draw(HDC dc, int x, int y) const {
  if (icon_ != nullptr) {
    DrawIconEx(dc, x, y, icon_, width_, height_, 0, nullptr, DI_NORMAL);
    return;
  }
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return;
  HGDIOBJ previous = SelectObject(source, bitmap_);
  BitBlt(dc, x, y, width_, height_, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

}  // namespace quenlo::win32
