// The artwork that picture controls show, loaded from the executable's resources by name: a
// JPEG stored as RCDATA (decoded with libjpeg into a bitmap), or an icon.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace quenlo::win32 {

class Artwork {
 public:
  // The resource `name` of the executable: RCDATA holding a JPEG first, then an icon group.
  // Nothing when neither exists or the data cannot be decoded.
  static std::unique_ptr<Artwork> Load(const std::string& name);

  ~Artwork();
  Artwork(const Artwork&) = delete;
  Artwork& operator=(const Artwork&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // Draws the picture at its own size with its top left corner at (x, y); an icon's
  // transparent parts leave what is beneath.
  void Draw(HDC dc, int x, int y) const;

 private:
  Artwork(HBITMAP bitmap, HICON icon, int width, int height);

  HBITMAP bitmap_;
  HICON icon_;
  int width_;
  int height_;
};

}  // namespace quenlo::win32
