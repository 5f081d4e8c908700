// The identity block of the demo codec library.
//
// One template library is built per Windows tree; every codec file of the demo payload is a copy
// of it. The copies differ only in this block, which the payload generator overwrites in the file
// (and in the bytes appended after the image): the class ID that DllRegisterServer registers and
// the description written beside it. The block lies in the library's initialised data, so its
// bytes appear in the file exactly once, starting with the marker.
//
//   offset  size  field
//        0    16  marker "@QuenloCodecID@" and a zero byte
//       16    40  class ID in registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", zero-filled
//       56    72  description (ASCII), zero-filled; at most 71 characters
#pragma once

#include <cstddef>

namespace quenlo::demo {

inline constexpr std::size_t kStampMarkerSize = 16;
inline constexpr std::size_t kStampClsidSize = 40;
inline constexpr std::size_t kStampNameSize = 72;
inline constexpr std::size_t kStampClsidOffset = kStampMarkerSize;
inline constexpr std::size_t kStampNameOffset = kStampClsidOffset + kStampClsidSize;
inline constexpr std::size_t kStampSize = kStampNameOffset + kStampNameSize;

// The template's block, as literals the library initialises it with.
#define QUENLO_STAMP_MARKER "@QuenloCodecID@"
#define QUENLO_PLACEHOLDER_CLSID "{C0DEC000-0000-0000-0000-00000000DE30}"
#define QUENLO_PLACEHOLDER_NAME "Quenlo demo codec (unstamped template)"

inline constexpr char kStampMarker[kStampMarkerSize] = QUENLO_STAMP_MARKER;
// What the template carries until it is stamped; a stamped copy never holds it.
inline constexpr char kPlaceholderClsid[] = QUENLO_PLACEHOLDER_CLSID;
inline constexpr char kPlaceholderName[] = QUENLO_PLACEHOLDER_NAME;

// The block as the library declares it.
struct CodecStamp {
  char marker[kStampMarkerSize];
  char clsid[kStampClsidSize];
  char name[kStampNameSize];
};
static_assert(sizeof(CodecStamp) == kStampSize);

}  // namespace quenlo::demo
