// Helpers shared by the demo payload tests: stand-in templates and payload names.
#pragma once

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "demo/codec/codec_stamp.h"
#include "demo/generator/generate.h"

namespace quenlo::demo::testing {

// The identity block exactly as the codec library declares and initialises it.
inline std::string TemplateStampBlock() {
  const CodecStamp stamp = {QUENLO_STAMP_MARKER, QUENLO_PLACEHOLDER_CLSID, QUENLO_PLACEHOLDER_NAME};
  std::string bytes(sizeof stamp, '\0');
  std::memcpy(bytes.data(), &stamp, sizeof stamp);
  return bytes;
}

// Stand-ins for the Windows programs: distinct bytes, the codec with its identity block between
// a head and a tail.
inline Templates DummyTemplates() {
  Templates templates;
  templates.player = "MZ player stand-in " + std::string(3000, 'p');
  templates.uninstaller = "MZ uninstaller stand-in " + std::string(1000, 'u');
  templates.codec = "MZ codec head " + std::string(700, 'h') + TemplateStampBlock() +
                    "codec tail " + std::string(500, 't');
  return templates;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// "App\Codec\SysCodec\qsTee.ax" -> "App\Codec\SysCodec".
inline std::string FolderOf(const std::string& name) { return name.substr(0, name.rfind('\\')); }

inline std::string FileNameOf(const std::string& name) { return name.substr(name.rfind('\\') + 1); }

// ".dll" in lower case, or "" for a file name without a dot.
inline std::string KindOf(const std::string& name) {
  const std::string file = FileNameOf(name);
  const std::size_t dot = file.rfind('.');
  if (dot == std::string::npos) return "";
  std::string extension = file.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

inline bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace quenlo::demo::testing
