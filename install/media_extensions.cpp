#include "install/media_extensions.h"

namespace quenlo {

const std::array<std::string_view, kMediaExtensionRows>& MediaExtensions() {
  static constexpr std::array<std::string_view, kMediaExtensionRows> kRows = {
      ".asf", ".wmv",  ".wmp", ".wm",  ".ra",    ".ram",  ".rm",   ".rmvb", ".mpg", ".mpeg",
      ".vob", ".mpe",  ".wv",  ".evo", ".aif",   ".aiff", ".aifc", ".amr",  ".3gp", ".3gpp",
      ".3g2", ".3gp2", ".qt",  ".mov", ".avi",   ".mkv",  ".ogm",  ".mp4",  ".m4v", ".m4p",
      ".m4b", ".flv",  ".swf", ".amv", ".au",    ".acc",  ".ac3",  ".dsa",  ".dwm", ".dts",
      ".dsv", ".m2v",  ".ogg", ".pmp", ".smk",   ".bik",  ".asx",  ".m3u",  ".pls", ".wvx",
      ".wax", ".wmx",  ".wax", ".wmx", ".mpcpl", ".smpl",
  };
  return kRows;
}

}  // namespace quenlo
