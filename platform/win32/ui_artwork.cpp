#include "platform/win32/ui_artwork.h"
#include "platform/win32/wide_text.h"

#include <cstring>
#include <utility>

#include "platform/win32/ui_jpeg.h"

namespace quenlo::win32 {
namespace {

// RT_RCDATA and RT_GROUP_ICON for the wide calls (the headers' forms follow UNICODE).
const auto kRcData = MAKEINTRESOURCEW(10);
const auto kGroupIcon = MAKEINTRESOURCEW(14);

HBITMAP BitmapFrom(const ui::Picture24& picture) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return nullptr;
  // A 24-bit DIB pads its rows to 4 bytes, as the picture does.
  std::memcpy(bits, picture.bytes.data(), picture.bytes.size());
  return bitmap;
}

// The size of the first image an icon group lists (GRPICONDIR: three WORDs, then entries of 14
// bytes that begin with the width and the height, 0 standing for 256).
bool FirstIconSize(HMODULE module, HRSRC group, int* width, int* height) {
  HGLOBAL loaded = LoadResource(module, group);
  const auto* directory =
      static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (directory == nullptr || SizeofResource(module, group) < 6 + 14) return false;
  WORD count = 0;
  std::memcpy(&count, directory + 4, sizeof count);
  if (count == 0) return false;
  *width = directory[6] != 0 ? directory[6] : 256;
  *height = directory[7] != 0 ? directory[7] : 256;
  return true;
}

}  // namespace

std::unique_ptr<Artwork> Artwork::Load(const std::string& name) {
  if (name.empty()) return nullptr;
  HMODULE module = GetModuleHandleW(nullptr);
  std::wstring resource = Wide(name);
  if (HRSRC found = FindResourceW(module, resource.c_str(), kRcData)) {
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return nullptr;
    auto image = DecodeJpeg(static_cast<const std::uint8_t*>(data), SizeofResource(module, found));
    if (!image) return nullptr;
    ui::Picture24 pixels{image->width, image->height, std::move(image->pixels)};
    const int width = pixels.width;
    const int height = pixels.height;
    return std::unique_ptr<Artwork>(new Artwork(std::move(pixels), {}, width, height));
  }
  if (HRSRC group = FindResourceW(module, resource.c_str(), kGroupIcon)) {
    int width = 0;
    int height = 0;
    if (!FirstIconSize(module, group, &width, &height)) return nullptr;
    auto artwork = std::unique_ptr<Artwork>(new Artwork({}, std::move(resource), width, height));
    // Loaded once at its own size, so that an icon the system cannot read is no artwork.
    artwork->icon_ = static_cast<HICON>(
        LoadImageW(module, artwork->iconName_.c_str(), IMAGE_ICON, width, height, 0));
    if (artwork->icon_ == nullptr) return nullptr;
    artwork->drawnWidth_ = width;
    artwork->drawnHeight_ = height;
    return artwork;
  }
  return nullptr;
}

Artwork::Artwork(ui::Picture24 pixels, std::wstring iconName, int width, int height)
    : pixels_(std::move(pixels)), iconName_(std::move(iconName)), width_(width), height_(height) {}

Artwork::~Artwork() { Release(); }

void Artwork::Release() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (icon_ != nullptr) DestroyIcon(icon_);
  bitmap_ = nullptr;
  icon_ = nullptr;
}

void Artwork::Draw(HDC dc, int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const bool current =
      (bitmap_ != nullptr || icon_ != nullptr) && drawnWidth_ == width && drawnHeight_ == height;
  if (!current) {
    Release();
    if (!iconName_.empty()) {
      icon_ = static_cast<HICON>(
          LoadImageW(GetModuleHandleW(nullptr), iconName_.c_str(), IMAGE_ICON, width, height, 0));
    } else {
      bitmap_ = BitmapFrom(width == width_ && height == height_
                               ? pixels_
                               : ui::ResamplePicture(pixels_, width, height));
    }
    drawnWidth_ = width;
    drawnHeight_ = height;
  }
  if (icon_ != nullptr) {
    DrawIconEx(dc, x, y, icon_, width, height, 0, nullptr, DI_NORMAL);
    return;
  }
  if (bitmap_ == nullptr) return;
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return;
  HGDIOBJ previous = SelectObject(source, bitmap_);
  BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

}  // namespace quenlo::win32
