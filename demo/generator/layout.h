// The demo payload's table of files: every payload name, what the file holds and how large it
// is planned to be.
//
// The tree is shaped like the shipped payload: 367 files, 360 under "App\" in the shipped
// folders with the shipped counts, and 7 under "Exe\" that are byte copies of files of the same
// name under "App\". The Codec folders hold 40 ".ax" and 141 ".dll" self-registering libraries.
// Sizes come from fixed ranges, picked per file from a hash of its name; the small variant keeps
// every name and shrinks every planned size (a library never gets smaller than its template).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quenlo::demo {

enum class Variant { kFull, kSmall };

enum class FileKind {
  kCodec,        // the codec template, stamped, padded with filler to `size`
  kPlayer,       // the player program, padded to `size`
  kUninstaller,  // the uninstaller program, padded to `size`
  kBitmap,       // a skin piece, `width` x `height`, 24-bit BMP
  kIcon,         // a badge icon holding 16, 32 and (when `width` is 48) 48 pixel pictures
  kJpeg,         // a backdrop picture, `width` x `height`
  kText,         // `text` as it stands
  kBinary,       // `text` as a header, then filler up to `size`
  kCopy,         // a byte copy of the file named `source`
};

struct PayloadFile {
  std::string name;  // payload name, UTF-8, folders separated by backslashes
  FileKind kind = FileKind::kText;
  std::uint64_t size = 0;  // planned size (kCodec, kPlayer, kUninstaller, kBinary)
  double ratio = 0.5;      // how well the filler compresses (stored / inflated, about)
  int width = 0;           // kBitmap, kIcon, kJpeg
  int height = 0;          // kBitmap, kJpeg
  int grain = 0;           // kBitmap: random low bits per colour channel
  std::string text;        // kText, kBinary
  std::string source;      // kCopy
};

// Every file of the demo payload: the "App\" files in the order of their folders, then the
// seven "Exe\" copies.
std::vector<PayloadFile> DemoPayloadLayout(Variant variant);

}  // namespace quenlo::demo
