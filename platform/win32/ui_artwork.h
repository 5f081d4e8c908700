// The artwork that picture controls show, loaded from the executable's resources by name: a
// JPEG stored as RCDATA (decoded with libjpeg), or an icon group. Each is drawn at the size the
// window's density asks for: the JPEG resampled by our own filter (image_scaling.h), the icon
// from the image of that size in its group, so neither is left to the system's stretching.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/image_scaling.h"

namespace quenlo::win32 {

class Artwork {
 public:
  // The resource `name` of the executable: RCDATA holding a JPEG first, then an icon group.
  // Nothing when neither exists or the data cannot be decoded.
  static std::unique_ptr<Artwork> Load(const std::string& name);

  ~Artwork();
  Artwork(const Artwork&) = delete;
  Artwork& operator=(const Artwork&) = delete;

  // The picture's own size, which it takes at 96 DPI: the JPEG's, or the first image's of the
  // icon group.
  int width() const { return width_; }
  int height() const { return height_; }
  // Draws the picture with its top left corner at (x, y), `width` x `height` pixels large; an
  // icon's transparent parts leave what is beneath. The picture of that size is made on the
  // first call and kept for the next.
  void Draw(HDC dc, int x, int y, int width, int height);

 private:
  Artwork(ui::Picture24 pixels, std::wstring iconName, int width, int height);
  void Release();

  ui::Picture24 pixels_;   // a JPEG's, as decoded
  std::wstring iconName_;  // an icon group's resource name
  int width_;
  int height_;
  // The picture at the size last drawn.
  HBITMAP bitmap_ = nullptr;
  HICON icon_ = nullptr;
  int drawnWidth_ = 0;
  int drawnHeight_ = 0;
};

}  // namespace quenlo::win32
