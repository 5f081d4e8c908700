// Writing the demo payload tree from the layout and the Windows templates.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "demo/generator/layout.h"

namespace quenlo::demo {

// A template or output file that cannot be read or written, or an output folder in the way.
class GenerateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The programs built for one Windows target, as bytes.
struct Templates {
  std::string player;       // QuenloMediaPlayer.exe
  std::string uninstaller;  // UnInstall.exe
  std::string codec;        // QuenloDemoCodec.dll, unstamped
};

// The file names the template folder holds.
inline constexpr const char* kPlayerTemplate = "QuenloMediaPlayer.exe";
inline constexpr const char* kUninstallerTemplate = "UnInstall.exe";
inline constexpr const char* kCodecTemplate = "QuenloDemoCodec.dll";

// Reads the three templates from `folder`; the codec template must carry an unstamped identity
// block.
Templates LoadTemplates(const std::filesystem::path& folder);

// The bytes of one payload file. `layout` is the whole table (a copy is built from its source).
std::string BuildFile(const PayloadFile& file, const std::vector<PayloadFile>& layout,
                      const Templates& templates);

// The description stamped into a codec file, from its payload name ("Quenlo demo codec qsTee.ax").
std::string CodecDescription(const std::string& payloadName);

struct GenerateSummary {
  std::size_t files = 0;
  std::uint64_t bytes = 0;
};

// Writes every file of the layout under `out` (which must be absent or an empty folder):
// out/App/... and out/Exe/...
GenerateSummary GenerateDemoPayload(const Templates& templates, Variant variant,
                                    const std::filesystem::path& out);

}  // namespace quenlo::demo
