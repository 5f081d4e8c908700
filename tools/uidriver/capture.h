// Screenshots: the pixels of a window's screen rectangle, copied from the screen DC into a 24-bit
// DIB (BitBlt from GetDC(NULL)). This reads what the screen shows, so it works for another
// process's windows under Wine without a window manager and, on Windows, for uncovered windows.
#pragma once

#include <windows.h>

#include <filesystem>

#include "tools/uidriver/bmp.h"

namespace quenlo::uidriver {

// The screen pixels of `screenRect`. Throws DriverError when the rectangle is empty or the
// copy fails.
Image CaptureScreen(const RECT& screenRect);

// The window as the screen shows it, frame included.
Image CaptureWindow(HWND hwnd);

// An icon drawn at its normal size over a background of one colour (0xRRGGBB).
Image RenderIcon(HICON icon, int width, int height, std::uint32_t background);

void SaveBmp(const Image& image, const std::filesystem::path& file);

}  // namespace quenlo::uidriver
